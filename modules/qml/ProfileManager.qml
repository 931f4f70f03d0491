import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// The profile manager: up to six named profiles (ProfileListModel). A
// profile can be applied, imported from a .pf file, exported, reset to the
// defaults, renamed and deleted (its number becomes free). Applying and
// sending a reset profile are the root's flows: the overlay asks for them.
// Beside them, the rules that choose a profile by the window in front.
Overlay {
    id: overlay

    property int selected: -1
    readonly property var strings: texts.texts
    readonly property var warnings: warningTexts.texts

    signal applyRequested(int number)
    signal profileReset(int number)
    signal warningRequested(string text)
    // Asks before something is undone; `accepted` runs on OK.
    signal confirmRequested(string question, var accepted)

    title: strings[0]
    panelWidth: 1000
    panelHeight: 420
    onOpened: {
        ProfileListModel.reload();
        selected = ProfileListModel.rowInUse;
        nameField.text = ProfileListModel.nameAt(selected);
        appRules.refresh();
        list.forceActiveFocus();
    }

    SectionTexts {
        id: texts
        section: "profile"
        defaults: ["Profile Manager", "Profile", "New", "Delete", "Import", "Export", "Rename", "Reset", "Copy", "Close", "Up to six profiles", "Apply"]
    }
    SectionTexts {
        id: warningTexts
        section: "warningAssigment"
        defaults: ["Please keep a key at least for the left button function.", "Already have a macro with the same name!", "Can't add a new folder!", "Confirm delete ?", "Warning", "OK", "Cancel", "Restore the factory settings of the current profile?", "Save the settings and minimise the program to the tray?", "Please enter a name", "", "", "", "", "", "", "", "", "Delete the profile “%1”?", "Restore the factory settings of the profile “%1”?"]
    }

    Connections {
        target: ProfileListModel
        function onRefused(reason) {
            if (reason === ProfileListModel.EmptyName)
                overlay.warningRequested(overlay.warnings[9]);
        }
        // An import that was refused says why.
        function onImportRefused(line) {
            overlay.warningRequested(line);
        }
        // The list read again (a delete, a rename, an import): the row
        // selected may now hold another profile, and the name field shows
        // the one it holds.
        function onModelReset() {
            overlay.selected = Math.min(overlay.selected, ProfileListModel.count - 1);
            nameField.text = ProfileListModel.nameAt(overlay.selected);
        }
    }

    Rectangle {
        id: listFrame
        width: 330
        height: parent.height
        radius: Theme.radius
        color: Theme.surface
        border.color: Theme.border

        ListView {
            id: list
            objectName: "profileEntries"
            anchors.fill: parent
            anchors.margins: 4
            clip: true
            model: ProfileListModel
            currentIndex: overlay.selected
            keyNavigationEnabled: true
            activeFocusOnTab: true
            focus: true
            Accessible.role: Accessible.List
            Accessible.name: overlay.title
            onCurrentIndexChanged: {
                overlay.selected = currentIndex;
                nameField.text = ProfileListModel.nameAt(currentIndex);
            }
            delegate: ItemDelegate {
                id: row
                required property int index
                required property string name
                required property int number
                required property bool inUse
                width: ListView.view.width
                height: Theme.rowHeight + 4
                hoverEnabled: true
                Accessible.name: name
                Accessible.selectable: true
                Accessible.selected: index === overlay.selected
                onClicked: overlay.selected = index
                onDoubleClicked: overlay.applyRequested(number)
                contentItem: Row {
                    spacing: Theme.spacing
                    Caption {
                        width: 22
                        height: parent.height
                        text: row.inUse ? "●" : ""
                        color: Theme.accentText
                    }
                    Caption {
                        width: row.width - 60
                        height: parent.height
                        text: row.name
                    }
                }
                background: Rectangle {
                    radius: Theme.radiusSmall
                    color: row.index === overlay.selected ? Theme.accentSoft : (row.hovered ? Theme.raisedHover : "transparent")
                    border.color: row.index === overlay.selected && list.activeFocus ? Theme.focus : "transparent"
                }
            }
        }
    }

    Column {
        id: profileButtons
        x: listFrame.width + Theme.spacingLarge
        width: 240
        spacing: Theme.spacing

        ThemedButton {
            objectName: "applyProfileButton"
            width: parent.width
            accented: true
            text: overlay.strings[11]
            enabled: overlay.selected >= 0
            onClicked: overlay.applyRequested(ProfileListModel.numberAt(overlay.selected))
        }
        ThemedTextField {
            id: nameField
            objectName: "profileNameField"
            width: parent.width
            maximumLength: 24
            placeholderText: overlay.warnings[9]
            Accessible.name: overlay.strings[1]
            onAccepted: ProfileListModel.renameProfile(overlay.selected, text)
        }
        ThemedButton {
            objectName: "renameProfileButton"
            width: parent.width
            text: overlay.strings[6]
            enabled: overlay.selected >= 0
            onClicked: ProfileListModel.renameProfile(overlay.selected, nameField.text)
        }
        ThemedButton {
            objectName: "importProfileButton"
            width: parent.width
            text: overlay.strings[4]
            onClicked: {
                const row = ProfileListModel.importProfile("");
                if (row >= 0)
                    overlay.selected = row;
            }
        }
        ThemedButton {
            objectName: "exportProfileButton"
            width: parent.width
            text: overlay.strings[5]
            enabled: overlay.selected >= 0
            onClicked: ProfileListModel.exportProfile(overlay.selected)
        }
        ThemedButton {
            objectName: "resetProfileButton"
            width: parent.width
            text: overlay.strings[7]
            enabled: overlay.selected >= 0
            onClicked: {
                const number = ProfileListModel.numberAt(overlay.selected);
                overlay.confirmRequested(overlay.warnings[19].arg(ProfileListModel.nameAt(overlay.selected)), () => {
                    if (ProfileListModel.resetProfile(ProfileListModel.indexOfNumber(number)))
                        overlay.profileReset(number);
                });
            }
        }
        ThemedButton {
            objectName: "deleteProfileButton"
            width: parent.width
            text: overlay.strings[3]
            enabled: overlay.selected >= 0 && overlay.selected !== ProfileListModel.rowInUse
            // A profile that windows bring asks whether its rules may go too.
            onClicked: {
                const question = AppProfileModel.hasRulesFor(ProfileListModel.numberAt(overlay.selected)) ? appRules.strings[11] : overlay.warnings[18];
                overlay.confirmRequested(question.arg(ProfileListModel.nameAt(overlay.selected)), () => ProfileListModel.deleteProfile(overlay.selected));
            }
        }
        Caption {
            width: parent.width
            dim: true
            font.pixelSize: Theme.fontSmall
            wrapMode: Text.WordWrap
            elide: Text.ElideNone
            text: overlay.strings[10]
        }
    }

    AppProfileRules {
        id: appRules
        x: profileButtons.x + profileButtons.width + Theme.spacingLarge
        width: parent.width - x
        height: parent.height
    }
}
