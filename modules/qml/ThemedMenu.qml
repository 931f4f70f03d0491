import QtQuick
import QtQuick.Controls.Basic

// A context menu in the scene's look; its entries are ThemedMenuItem. It
// gives the keyboard back to the control it was opened from.
Menu {
    id: control

    readonly property FocusReturn focusReturn: FocusReturn {
        popup: control
    }

    implicitWidth: 220
    padding: 2
    // Drawn in the window's overlay: at the scale of what it opens over.
    scale: Theme.drawnScale(control.parent)
    transformOrigin: Popup.TopLeft

    background: Rectangle {
        implicitWidth: 220
        radius: Theme.radius
        color: Theme.raised
        border.color: Theme.borderStrong
    }
}
