import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// Per-application profiles (AppProfileModel): which profile a program's
// window brings when it comes to the front. Rules are added from the classes
// of the open windows and removed one by one; a line says when the window in
// front cannot be seen here.
Item {
    id: rules

    readonly property var strings: texts.texts

    function refresh() {
        AppProfileModel.reload();
        AppProfileModel.refreshWindowClasses();
    }

    SectionTexts {
        id: texts
        section: "appProfiles"
        defaults: ["Programs", "Window", "Profile", "Add", "Remove", "The profile follows the window in front once it has held the front for half a second. A switch takes a few seconds: the mouse needs its pauses.", "The window in front cannot be seen: no window manager names it. Switch profiles with kesta-ctl or the bus instead.", "The window in front cannot be seen in a Wayland session. Switch profiles with kesta-ctl or the bus instead.", "Profile in use: %1 (for the window in front)", "Other windows: %1", "Open window", "Delete the profile “%1” and its window rules?"]
    }

    Caption {
        id: heading
        width: parent.width
        height: 24
        font.bold: true
        text: rules.strings[0]
    }

    Rectangle {
        id: ruleFrame
        y: heading.height + 4
        width: parent.width
        height: 124
        radius: Theme.radius
        color: Theme.surface
        border.color: Theme.border

        Row {
            id: columns
            x: 10
            y: 4
            height: 22
            Caption {
                width: ruleFrame.width * 0.5
                height: parent.height
                dim: true
                font.pixelSize: Theme.fontSmall
                text: rules.strings[1]
            }
            Caption {
                width: ruleFrame.width * 0.5 - 50
                height: parent.height
                dim: true
                font.pixelSize: Theme.fontSmall
                text: rules.strings[2]
            }
        }

        ListView {
            id: ruleList
            objectName: "appProfileRules"
            x: 4
            y: columns.y + columns.height
            width: parent.width - 8
            height: parent.height - y - 4
            clip: true
            model: AppProfileModel
            delegate: Item {
                id: ruleRow
                required property int index
                required property string windowClass
                required property string profileName
                width: ListView.view.width
                height: Theme.rowHeight
                Caption {
                    x: 6
                    width: ruleFrame.width * 0.5 - 6
                    height: parent.height
                    text: ruleRow.windowClass
                }
                Caption {
                    x: ruleFrame.width * 0.5 + 6
                    width: ruleFrame.width * 0.5 - 56
                    height: parent.height
                    text: ruleRow.profileName
                }
                IconButton {
                    x: parent.width - width - 2
                    y: (parent.height - height) / 2
                    implicitWidth: 28
                    implicitHeight: 28
                    glyph: "×"
                    danger: true
                    tip: rules.strings[4] + " " + ruleRow.windowClass
                    onClicked: AppProfileModel.removeAt(ruleRow.index)
                }
            }
        }
    }

    ThemedComboBox {
        id: classBox
        objectName: "appProfileClass"
        y: ruleFrame.y + ruleFrame.height + Theme.spacing
        width: parent.width
        model: AppProfileModel.windowClasses
        displayText: currentIndex < 0 ? rules.strings[10] : currentText
        Accessible.name: rules.strings[10]
        onPressedChanged: {
            if (pressed)
                AppProfileModel.refreshWindowClasses();
        }
    }

    Row {
        id: addRow
        y: classBox.y + classBox.height + Theme.spacing
        width: parent.width
        spacing: Theme.spacing
        ThemedComboBox {
            id: profileBox
            objectName: "appProfileProfile"
            width: addRow.width - addButton.width - addRow.spacing
            model: ProfileListModel.names
            // Told from the manager's own profile field: "Programs: Profile".
            Accessible.name: rules.strings[0] + ": " + rules.strings[2]
        }
        ThemedButton {
            id: addButton
            objectName: "appProfileAdd"
            width: Math.max(90, implicitWidth)
            height: profileBox.height
            text: rules.strings[3]
            enabled: classBox.currentIndex >= 0 && profileBox.currentIndex >= 0
            onClicked: AppProfileModel.addRule(classBox.currentText, ProfileListModel.numberAt(profileBox.currentIndex))
        }
    }

    Caption {
        id: returnLine
        objectName: "appProfileReturnTo"
        y: addRow.y + profileBox.height + Theme.spacing
        width: parent.width
        height: visible ? 20 : 0
        visible: AppProfileModel.returnTo >= 0 && ProfileListModel.indexOfNumber(AppProfileModel.returnTo) >= 0
        font.pixelSize: Theme.fontSmall
        text: rules.strings[9].arg(ProfileListModel.nameAt(ProfileListModel.indexOfNumber(AppProfileModel.returnTo)))
    }

    Caption {
        objectName: "appProfileNote"
        y: returnLine.y + returnLine.height + 4
        width: parent.width
        dim: AppProfileModel.watch === AppProfileModel.Watching
        font.pixelSize: Theme.fontSmall
        wrapMode: Text.WordWrap
        elide: Text.ElideNone
        text: AppProfileModel.watch === AppProfileModel.Watching ? rules.strings[5] : AppProfileModel.watch === AppProfileModel.NoX11 ? rules.strings[7] : rules.strings[6]
    }
}
