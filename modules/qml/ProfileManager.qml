import QtQuick
import QtQuick.Controls.Basic

// The profile manager: up to six named profiles, each a name list entry of
// its name followed by its profile number as one last digit. A profile can
// be applied, imported from a .pf file, exported, reset to the defaults,
// renamed and deleted (its number becomes free).
Overlay {
    id: overlay

    property var scene
    // [{name, number}] in list order.
    property var entries: []
    property int selected: -1
    readonly property int maxProfiles: 6
    readonly property var strings: scene.texts("profile", ["Profile Manager", "Profile", "New", "Delete", "Import", "Export", "Rename", "Reset", "Copy", "Close", "Up to six profiles", "Apply"])
    readonly property var warnings: scene.texts("warningAssigment", ["Please keep a key at least for the left button function.", "Already have a macro with the same name!", "Can't add a new folder!", "Confirm delete ?", "Warning", "OK", "Cancel", "Restore the factory settings?", "Save the settings and exit the program?", "Please enter a name"])

    // Name list entries as stored: the sentinel dropped, malformed entries
    // (no number digit, or a number outside 0..9) skipped.
    function parse(list) {
        if (list.length === 2 && list[1] === "loaderquiver")
            list = [list[0]];
        var out = [];
        for (var i = 0; i < list.length && out.length < maxProfiles; ++i) {
            var entry = String(list[i]);
            var digit = entry.charAt(entry.length - 1);
            if (entry.length < 2 || digit < "0" || digit > "9")
                continue;
            out.push({
                name: entry.substring(0, entry.length - 1),
                number: Number(digit)
            });
        }
        return out;
    }

    function init() {
        entries = parse(ui_View.getNameList(2));
        if (selected >= entries.length)
            selected = entries.length - 1;
    }

    function indexOfNumber(number) {
        for (var i = 0; i < entries.length; ++i)
            if (entries[i].number === number)
                return i;
        return -1;
    }

    function store(list) {
        var names = [];
        for (var i = 0; i < list.length; ++i)
            names.push(list[i].name + list[i].number);
        ui_View.updataNameList(2, names);
        entries = list;
    }

    // The first free "profile_k" (k 0..11) and the lowest free number 0..5.
    function freeName() {
        for (var k = 0; k < 12; ++k) {
            var name = "profile_" + k;
            var used = false;
            for (var i = 0; i < entries.length; ++i)
                used = used || entries[i].name === name;
            if (!used)
                return name;
        }
        return "";
    }

    function freeNumber() {
        for (var n = 0; n < maxProfiles; ++n)
            if (indexOfNumber(n) < 0)
                return n;
        return -1;
    }

    function importProfile() {
        var number = freeNumber();
        var name = freeName();
        if (entries.length >= maxProfiles || number < 0 || name === "") {
            scene.showWarning(strings[10]);
            return false;
        }
        if (!ui_View.loadProfile(number))
            return false;
        var list = entries.slice();
        list.push({
            name: name,
            number: number
        });
        store(list);
        selected = list.length - 1;
        return true;
    }

    function exportProfile(index) {
        if (index >= 0 && index < entries.length)
            ui_View.saveProfile(entries[index].number);
    }

    function resetProfile(index) {
        if (index < 0 || index >= entries.length)
            return;
        var number = entries[index].number;
        ui_View.resetProfile(number);
        if (number === scene.profileNo)
            scene.sendProfile();
    }

    function renameProfile(index, name) {
        name = String(name).trim();
        if (index < 0 || index >= entries.length)
            return false;
        if (name === "") {
            scene.showWarning(warnings[9]);
            return false;
        }
        var list = entries.slice();
        list[index] = {
            name: name,
            number: list[index].number
        };
        store(list);
        return true;
    }

    // The profile in use cannot be deleted; apply another one first.
    function deleteProfile(index) {
        if (index < 0 || index >= entries.length || entries[index].number === scene.profileNo)
            return false;
        var list = entries.slice();
        list.splice(index, 1);
        store(list);
        selected = Math.min(index, list.length - 1);
        return true;
    }

    title: strings[0]
    panelWidth: 620
    panelHeight: 420
    onOpened: {
        init();
        selected = indexOfNumber(scene.profileNo);
        nameField.text = selected >= 0 ? entries[selected].name : "";
        list.forceActiveFocus();
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
            model: overlay.entries
            currentIndex: overlay.selected
            keyNavigationEnabled: true
            focus: true
            onCurrentIndexChanged: {
                overlay.selected = currentIndex;
                nameField.text = currentIndex >= 0 && currentIndex < overlay.entries.length ? overlay.entries[currentIndex].name : "";
            }
            delegate: ItemDelegate {
                id: row
                required property int index
                required property var modelData
                width: ListView.view.width
                height: Theme.rowHeight + 4
                hoverEnabled: true
                onClicked: overlay.selected = index
                onDoubleClicked: overlay.scene.changeProfile(modelData.number)
                contentItem: Row {
                    spacing: Theme.spacing
                    Caption {
                        width: 22
                        height: parent.height
                        text: row.modelData.number === overlay.scene.profileNo ? "●" : ""
                        color: Theme.accent
                    }
                    Caption {
                        width: row.width - 60
                        height: parent.height
                        text: row.modelData.name
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
        x: listFrame.width + Theme.spacingLarge
        width: parent.width - x
        spacing: Theme.spacing

        ThemedButton {
            objectName: "applyProfileButton"
            width: parent.width
            accented: true
            text: overlay.strings[11]
            enabled: overlay.selected >= 0
            onClicked: overlay.scene.changeProfile(overlay.entries[overlay.selected].number)
        }
        ThemedTextField {
            id: nameField
            objectName: "profileNameField"
            width: parent.width
            maximumLength: 24
            placeholderText: overlay.warnings[9]
            onAccepted: overlay.renameProfile(overlay.selected, text)
        }
        ThemedButton {
            objectName: "renameProfileButton"
            width: parent.width
            text: overlay.strings[6]
            enabled: overlay.selected >= 0
            onClicked: overlay.renameProfile(overlay.selected, nameField.text)
        }
        ThemedButton {
            objectName: "importProfileButton"
            width: parent.width
            text: overlay.strings[4]
            onClicked: overlay.importProfile()
        }
        ThemedButton {
            objectName: "exportProfileButton"
            width: parent.width
            text: overlay.strings[5]
            enabled: overlay.selected >= 0
            onClicked: overlay.exportProfile(overlay.selected)
        }
        ThemedButton {
            objectName: "resetProfileButton"
            width: parent.width
            text: overlay.strings[7]
            enabled: overlay.selected >= 0
            onClicked: overlay.scene.confirm(overlay.warnings[7], () => overlay.resetProfile(overlay.selected))
        }
        ThemedButton {
            objectName: "deleteProfileButton"
            width: parent.width
            text: overlay.strings[3]
            enabled: overlay.selected >= 0 && overlay.entries[overlay.selected].number !== overlay.scene.profileNo
            onClicked: overlay.scene.confirm(overlay.warnings[3], () => overlay.deleteProfile(overlay.selected))
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
}
