import QtQuick
import Kesta.Model

// Title, profile list, language selector (present, hidden, disabled) and the
// window buttons: help, minimise, maximise/restore (hidden), close (hides to
// the tray).
Item {
    id: bar

    // The help menu is made when first opened.
    readonly property alias helpLoader: helpLoader

    height: Theme.topBarHeight

    Text {
        anchors.left: parent.left
        anchors.leftMargin: 24
        anchors.verticalCenter: parent.verticalCenter
        text: "KESTA  R218"
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontTitle
        font.bold: true
        font.letterSpacing: 3
    }

    Row {
        anchors.right: buttons.left
        anchors.rightMargin: Theme.spacingLarge
        anchors.verticalCenter: parent.verticalCenter
        spacing: Theme.spacing
        // No profile to choose before the first initialisation.
        visible: SessionModel.isPownOn

        ThemedComboBox {
            id: languageList
            objectName: "languageList"
            visible: false
            enabled: false
            width: 140
            model: LanguageModel.captions
            currentIndex: LanguageModel.index
            onActivated: index => LanguageModel.change(index)
        }

        Caption {
            height: Theme.controlHeight
            dim: true
            text: profileTexts.texts[1]
        }

        ThemedComboBox {
            id: profileList
            objectName: "profileList"
            width: 220
            model: ProfileListModel.names
            currentIndex: ProfileListModel.rowInUse
            Accessible.name: profileTexts.texts[1]
            onActivated: index => SessionModel.changeProfile(ProfileListModel.numberAt(index))
        }
    }

    Row {
        id: buttons
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4

        IconButton {
            objectName: "helpButton"
            glyph: "?"
            tip: uiTexts.texts[0]
            onClicked: {
                helpLoader.active = true;
                const menu = helpLoader.item as HelpMenu;
                menu.visible ? menu.close() : menu.open();
            }
        }
        IconButton {
            objectName: "minimizeButton"
            glyph: "–"
            tip: uiTexts.texts[1]
            onClicked: ui_Ctl.onMinimize()
        }
        IconButton {
            objectName: "maximizeButton"
            glyph: "□"
            tip: uiTexts.texts[2]
            visible: false
            onClicked: ui_Ctl.onMaxRestore()
        }
        IconButton {
            objectName: "closeButton"
            glyph: "×"
            tip: uiTexts.texts[3]
            danger: true
            onClicked: ui_Ctl.onHide()
        }
    }

    SectionTexts {
        id: profileTexts
        section: "profile"
        defaults: ["Profile Manager", "Profile"]
    }
    SectionTexts {
        id: uiTexts
        section: "interface"
        defaults: LanguageModel.interfaceDefaults
    }

    Loader {
        id: helpLoader
        active: false
        sourceComponent: HelpMenu {
            objectName: "helpMenu"
            parent: bar
            x: bar.width - width - 12
            y: bar.height
        }
    }
}
