import QtQuick
import QtQuick.Controls.Basic

// The help menu: the maker's website and the version.
Popup {
    id: menu

    readonly property string website: "https://kesta.example"

    width: 240
    padding: Theme.spacingLarge
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    background: Rectangle {
        radius: Theme.radius
        color: Theme.raised
        border.color: Theme.borderStrong
    }

    contentItem: Column {
        spacing: Theme.spacing
        Caption {
            text: "verison:1.0"
            dim: true
        }
        ThemedButton {
            objectName: "websiteLink"
            text: "kesta.example"
            onClicked: Qt.openUrlExternally(menu.website)
        }
    }
}
