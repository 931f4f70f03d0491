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

    background: Rectangle {
        implicitWidth: 220
        radius: Theme.radius
        color: Theme.raised
        border.color: Theme.borderStrong
    }
}
