import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// The help menu: the maker's website and the version. It takes the keyboard
// while open (Escape closes it) and gives it back to the help button.
Popup {
    id: menu

    readonly property FocusReturn focusReturn: FocusReturn {
        popup: menu
    }

    readonly property string website: "https://kesta.example"

    readonly property string versionText: texts.texts[25] || "Version %1"

    SectionTexts {
        id: texts
        section: "keyMatrix"
        defaults: Array(25).fill("").concat(["Version %1"])
    }

    width: 240
    padding: Theme.spacingLarge
    // Drawn in the window's overlay: at the scale of the bar it hangs from.
    scale: Theme.drawnScale(menu.parent)
    transformOrigin: Popup.TopLeft
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    background: Rectangle {
        radius: Theme.radius
        color: Theme.raised
        border.color: Theme.borderStrong
    }

    contentItem: Column {
        spacing: Theme.spacing
        Caption {
            text: menu.versionText.arg("1.0")
            dim: true
        }
        ThemedButton {
            objectName: "websiteLink"
            text: "kesta.example"
            onClicked: Qt.openUrlExternally(menu.website)
        }
    }
}
