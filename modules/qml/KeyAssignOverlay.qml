import QtQuick
import Kesta.Model

// Assigns a function to one button: every group of functions on the left,
// the group's choices on the right. Fire keys and key combinations are
// captured from the keyboard through the root's input relay.
Overlay {
    id: overlay

    // What relays the captured key events (msg_KB).
    property var inputSource: null

    // Asks the frame for the key-combination recorder and the macro overlay.
    signal combinationRecordRequested(int index, var entry, var onAccepted)
    signal macroChoiceRequested(int index)
    property bool isSave: false

    readonly property var captions: KeyMatrixModel.captions.length > 0 ? KeyMatrixModel.captions : AssignmentTable.captionDefaults
    readonly property var strings: buttonTexts.texts

    property int buttonIndex: -1
    property int groupIndex: 0
    property int choiceIndex: -1
    readonly property var group: AssignmentTable.groups[groupIndex]
    readonly property var shownGroups: groupsFor(SessionModel.mouseMode, buttonIndex)

    // Fire key: captured key, repeat interval in ms, count (0 endless).
    readonly property int fireKey: fire.key
    readonly property int fireRate: fire.rate
    readonly property int fireTimes: fire.times
    readonly property bool waitingForKey: fire.waiting
    // Key combination: modifier bits and two keys.
    readonly property int comboBits: combination.bits
    readonly property int comboKey1: combination.key1
    readonly property int comboKey2: combination.key2

    // Opens the overlay for button `index` on group `groupKey` (empty: the
    // group of the button's current function).
    function openFor(index, groupKey) {
        buttonIndex = index;
        var entry = KeyMatrixModel.entryOf(index);
        fire.reset(entry);
        combination.reset(entry);
        var key = groupKey !== "" ? groupKey : AssignmentTable.groupOf(entry);
        var g = AssignmentTable.groupIndex(key);
        if (shownGroups.indexOf(g) < 0)
            g = shownGroups[0];
        selectGroup(g);
        var found = AssignmentTable.findChoice(entry);
        choiceIndex = found && found.group === g ? found.choice : -1;
        open();
    }

    function selectGroup(g) {
        choiceIndex = -1;
        groupIndex = g;
        fire.setShown(AssignmentTable.groups[g].key === "fire");
    }

    function groupsFor(mode, index) {
        var out = new Array(0);
        var count = AssignmentTable.groups.length;
        for (var g = 0; g < count; ++g) {
            if (AssignmentTable.groupAllows(g, index, mode))
                out.push(g);
        }
        return out;
    }

    // The entry the current choice produces, null when nothing is chosen.
    function pendingEntry() {
        switch (group.key) {
        case "fire":
            return fire.key > 0 ? fire.entry() : null;
        case "combo":
            return combination.empty ? null : combination.entry();
        case "macro":
            return null;
        }
        var choices = group.choices;
        return choiceIndex >= 0 && choiceIndex < choices.length ? choices[choiceIndex].entry.slice() : null;
    }

    function accept() {
        if (group.key === "fire" && !(rateField.commit() && timesField.commit()))
            return;
        var entry = pendingEntry();
        if (!entry)
            return;
        if (KeyMatrixModel.assign(buttonIndex, entry))
            close();
    }

    function keyText(code) {
        return code > 0 ? KeyMatrixModel.keyName(code) : "";
    }

    title: buttonIndex >= 0 ? captions[0] + KeyMatrixModel.numberOf(buttonIndex) + " : " + KeyMatrixModel.textOf(buttonIndex) : ""
    panelWidth: 780
    panelHeight: 480
    capturing: waitingForKey
    onClosed: fire.waiting = false

    FireKey {
        id: fire
    }
    KeyCombination {
        id: combination
    }

    // Cancel and OK in the language shown.
    SectionTexts {
        id: buttonTexts
        section: "keyMatrix"
        defaults: Array(9).fill("").concat(["Cancel", " OK "])
    }
    SectionTexts {
        id: uiTexts
        section: "interface"
        defaults: LanguageModel.interfaceDefaults
    }

    Connections {
        target: overlay.inputSource
        enabled: overlay.visible && overlay.waitingForKey
        function onMsg_KB(isDown, usbCode) {
            fire.keyEvent(isDown, usbCode);
        }
    }

    // Groups.
    Column {
        id: groupColumn
        width: 200
        spacing: 4

        Repeater {
            model: overlay.shownGroups
            delegate: ThemedButton {
                required property int modelData
                objectName: "keyGroup_" + AssignmentTable.groups[modelData].key
                width: groupColumn.width
                implicitHeight: Theme.controlHeight + 4
                checked: overlay.groupIndex === modelData
                text: overlay.captions[AssignmentTable.groups[modelData].caption]
                onClicked: overlay.selectGroup(modelData)
            }
        }
    }

    Rectangle {
        id: area
        x: groupColumn.width + Theme.spacingLarge
        width: parent.width - x
        height: parent.height - buttons.height - Theme.spacingLarge
        radius: Theme.radius
        color: Theme.surface
        border.color: Theme.border

        Caption {
            id: groupTitle
            x: Theme.margin
            y: Theme.spacing
            width: area.width - 2 * Theme.margin
            height: 28
            heading: true
            text: overlay.captions[overlay.group.caption]
        }

        // Fixed choices, two columns.
        Grid {
            id: choiceGrid
            x: Theme.margin
            anchors.top: groupTitle.bottom
            anchors.topMargin: Theme.spacing
            columns: 2
            columnSpacing: Theme.spacingLarge
            rowSpacing: 2
            visible: overlay.group.choices.length > 0

            Repeater {
                model: overlay.group.choices
                delegate: ThemedRadioButton {
                    required property int index
                    required property var modelData
                    objectName: "keyChoice_" + modelData.caption
                    width: (area.width - 2 * Theme.margin - Theme.spacingLarge) / 2
                    height: Theme.rowHeight
                    checkable: false
                    checked: overlay.choiceIndex === index
                    text: overlay.captions[modelData.caption]
                    onClicked: overlay.choiceIndex = index
                }
            }
        }

        // Fire key: key, rate, times or endless.
        Column {
            x: Theme.margin
            anchors.top: groupTitle.bottom
            anchors.topMargin: Theme.spacing
            spacing: Theme.spacing
            visible: overlay.group.key === "fire"

            Row {
                spacing: Theme.spacing
                Caption {
                    width: 90
                    height: Theme.controlHeight + 4
                    text: overlay.captions[9]
                }
                ThemedButton {
                    objectName: "fireKey"
                    width: 220
                    checked: overlay.waitingForKey
                    Accessible.name: overlay.captions[9] + ": " + text
                    text: overlay.waitingForKey ? overlay.captions[10] : (overlay.fireKey > 0 ? overlay.keyText(overlay.fireKey) : overlay.captions[10])
                    onClicked: fire.waiting = !fire.waiting
                }
            }
            Row {
                spacing: Theme.spacing
                Caption {
                    width: 90
                    height: Theme.controlHeight
                    text: overlay.captions[11]
                }
                ByteField {
                    id: rateField
                    objectName: "fireRate"
                    Accessible.name: overlay.captions[11]
                    minimum: 1
                    maximum: 255
                    value: overlay.fireRate
                    onValueEdited: number => fire.rate = number
                }
                Caption {
                    height: Theme.controlHeight
                    dim: true
                    text: uiTexts.texts[6] + " (1–255)"
                }
            }
            Row {
                spacing: Theme.spacing
                Caption {
                    width: 90
                    height: Theme.controlHeight
                    text: overlay.captions[12]
                }
                ByteField {
                    id: timesField
                    objectName: "fireTimes"
                    Accessible.name: overlay.captions[12]
                    minimum: 0
                    maximum: 255
                    value: overlay.fireTimes
                    onValueEdited: number => fire.times = number
                }
                ThemedCheckBox {
                    objectName: "fireEndless"
                    height: Theme.controlHeight
                    text: overlay.captions[13]
                    checkable: false
                    checked: overlay.fireTimes === 0
                    onClicked: fire.toggleEndless()
                }
            }
        }

        // Key combination, captured in the input overlay.
        Column {
            x: Theme.margin
            anchors.top: groupTitle.bottom
            anchors.topMargin: Theme.spacing
            spacing: Theme.spacing
            visible: overlay.group.key === "combo"

            Rectangle {
                width: area.width - 2 * Theme.margin
                height: 48
                radius: Theme.radius
                color: Theme.raised
                border.color: Theme.border
                Caption {
                    objectName: "comboText"
                    anchors.fill: parent
                    anchors.margins: Theme.spacing
                    horizontalAlignment: Text.AlignHCenter
                    font.pixelSize: Theme.fontLarge
                    text: AssignmentTable.comboText(overlay.comboBits, overlay.comboKey1, overlay.comboKey2, overlay.keyText)
                }
            }
            ThemedButton {
                objectName: "comboRecord"
                text: overlay.captions[10]
                onClicked: overlay.combinationRecordRequested(overlay.buttonIndex, [2, overlay.comboBits, overlay.comboKey1, overlay.comboKey2], (bits, key1, key2) => {
                    combination.reset([2, bits, key1, key2]);
                    return true;
                })
            }
        }

        // Macros are chosen in their own overlay.
        Column {
            x: Theme.margin
            anchors.top: groupTitle.bottom
            anchors.topMargin: Theme.spacing
            spacing: Theme.spacing
            visible: overlay.group.key === "macro"

            Caption {
                width: area.width - 2 * Theme.margin
                dim: true
                text: overlay.buttonIndex >= 0 && Number(KeyMatrixModel.entryOf(overlay.buttonIndex)[0]) === 4 ? KeyMatrixModel.textOf(overlay.buttonIndex) : ""
            }
            ThemedButton {
                objectName: "macroChoose"
                text: overlay.captions[17]
                onClicked: {
                    var index = overlay.buttonIndex;
                    overlay.close();
                    overlay.macroChoiceRequested(index);
                }
            }
        }
    }

    Row {
        id: buttons
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: Theme.spacing

        ThemedButton {
            objectName: "keyAssignCancel"
            text: overlay.strings[9] || "Cancel"
            onClicked: overlay.close()
        }
        ThemedButton {
            objectName: "keyAssignOk"
            accented: true
            enabled: overlay.pendingEntry() !== null
            text: overlay.strings[10] || "OK"
            onClicked: overlay.accept()
        }
    }
}
