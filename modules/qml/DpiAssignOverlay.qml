import QtQuick
import Kesta.Model

// Assigns a DPI function (up, down, loop, sniper) to one button.
Overlay {
    id: overlay

    readonly property var captions: KeyMatrixModel.captions.length > 0 ? KeyMatrixModel.captions : AssignmentTable.captionDefaults
    readonly property var strings: buttonTexts.texts
    readonly property var choices: AssignmentTable.groups[AssignmentTable.groupIndex("dpi")].choices

    property int buttonIndex: -1
    property int choiceIndex: -1

    function openFor(index) {
        buttonIndex = index;
        var entry = KeyMatrixModel.entryOf(index);
        choiceIndex = -1;
        for (var c = 0; c < choices.length; ++c) {
            if (AssignmentTable.sameEntry(choices[c].entry, entry))
                choiceIndex = c;
        }
        open();
    }

    function accept() {
        if (choiceIndex < 0)
            return;
        if (KeyMatrixModel.assign(buttonIndex, choices[choiceIndex].entry.slice()))
            close();
    }

    // Cancel and OK in the language shown.
    SectionTexts {
        id: buttonTexts
        section: "keyMatrix"
        defaults: Array(9).fill("").concat(["Cancel", " OK "])
    }

    title: buttonIndex >= 0 ? captions[0] + KeyMatrixModel.numberOf(buttonIndex) + " : " + captions[21] : captions[21]
    panelWidth: 420
    panelHeight: 300

    Column {
        width: parent.width
        spacing: 2

        Repeater {
            model: overlay.choices
            delegate: ThemedRadioButton {
                required property int index
                required property var modelData
                objectName: "dpiChoice_" + modelData.caption
                width: parent ? parent.width : 0
                height: Theme.rowHeight
                checkable: false
                checked: overlay.choiceIndex === index
                text: overlay.captions[modelData.caption]
                onClicked: overlay.choiceIndex = index
            }
        }
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: Theme.spacing

        ThemedButton {
            objectName: "dpiAssignCancel"
            text: overlay.strings[9] || "Cancel"
            onClicked: overlay.close()
        }
        ThemedButton {
            objectName: "dpiAssignOk"
            accented: true
            enabled: overlay.choiceIndex >= 0
            text: overlay.strings[10] || "OK"
            onClicked: overlay.accept()
        }
    }
}
