import QtQuick
import QtQuick.Controls.Basic

// A context menu in the scene's look; its entries are ThemedMenuItem.
Menu {
    id: control

    implicitWidth: 220
    padding: 2

    background: Rectangle {
        implicitWidth: 220
        radius: Theme.radius
        color: Theme.raised
        border.color: Theme.borderStrong
    }
}
