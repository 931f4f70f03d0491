import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// Binds a macro of the library to one button: the macro, and how it plays.
// Confirming binds it to the button's own slot and sends it to the mouse.
// How it plays is KeyMatrixModel's play mode, which the macro editor shows
// and changes as well: one setting, two views.
Overlay {
    id: overlay

    readonly property var captions: KeyMatrixModel.captions.length > 0 ? KeyMatrixModel.captions : AssignmentTable.captionDefaults
    readonly property var strings: buttonTexts.texts

    property int buttonIndex: -1
    property var macroNames: []
    property string selectedName: ""
    readonly property int playMode: KeyMatrixModel.playMode

    function openFor(index) {
        if (index < 0 || index >= AssignmentTable.macroSlots)
            return;
        buttonIndex = index;
        macroNames = ui_View.getMacroNames();
        var entry = KeyMatrixModel.entryOf(index);
        var bound = Number(entry[0]) === 4 ? KeyMatrixModel.macroName(KeyMatrixModel.mode, index) : "";
        selectedName = macroNames.indexOf(bound) >= 0 ? bound : "";
        // A bound button keeps how its macro plays unless the user picks
        // another mode; an unbound one gets the editor's current choice.
        if (Number(entry[0]) === 4)
            KeyMatrixModel.playMode = Number(entry[1]);
        open();
    }

    function selectMacro(name) {
        if (macroNames.indexOf(String(name)) >= 0)
            selectedName = String(name);
    }

    function accept() {
        if (selectedName === "")
            return;
        if (KeyMatrixModel.bindMacro(buttonIndex, selectedName, playMode))
            close();
    }

    // Cancel and OK in the language shown.
    SectionTexts {
        id: buttonTexts
        section: "keyMatrix"
        defaults: Array(9).fill("").concat(["Cancel", " OK "])
    }

    title: buttonIndex >= 0 ? captions[0] + KeyMatrixModel.numberOf(buttonIndex) + " : " + captions[16] : captions[16]
    panelWidth: 620
    panelHeight: 490

    Caption {
        id: listTitle
        width: parent.width
        height: 24
        dim: true
        text: overlay.captions[17]
    }

    Rectangle {
        id: listFrame
        anchors.top: listTitle.bottom
        anchors.topMargin: 4
        width: parent.width
        height: 208
        radius: Theme.radius
        color: Theme.surface
        border.color: Theme.border

        ListView {
            id: list
            objectName: "macroList"
            anchors.fill: parent
            anchors.margins: 2
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: overlay.macroNames
            Accessible.role: Accessible.List
            Accessible.name: overlay.captions[17]
            ScrollIndicator.vertical: ScrollIndicator {}
            delegate: ItemDelegate {
                id: macroItem
                required property string modelData
                objectName: "macroItem_" + modelData
                width: list.width
                height: Theme.rowHeight
                hoverEnabled: true
                highlighted: overlay.selectedName === modelData
                Accessible.name: modelData
                Accessible.selectable: true
                Accessible.selected: highlighted
                onClicked: overlay.selectedName = modelData
                contentItem: Text {
                    text: macroItem.modelData
                    color: macroItem.highlighted ? Theme.textOnAccent : Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    elide: Text.ElideRight
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    radius: Theme.radiusSmall
                    color: macroItem.highlighted ? Theme.accent : (macroItem.hovered ? Theme.raisedHover : Theme.surface)
                }
            }
        }
    }

    Column {
        anchors.top: listFrame.bottom
        anchors.topMargin: Theme.spacing
        width: parent.width
        spacing: 0

        Repeater {
            model: AssignmentTable.playModeCaptions
            delegate: ThemedRadioButton {
                required property int index
                required property int modelData
                objectName: "macroMode_" + index
                width: parent ? parent.width : 0
                height: Theme.rowHeight
                checkable: false
                checked: overlay.playMode === index
                text: overlay.captions[modelData]
                onClicked: KeyMatrixModel.playMode = index
            }
        }
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: Theme.spacing

        ThemedButton {
            objectName: "macroAssignCancel"
            text: overlay.strings[9] || "Cancel"
            onClicked: overlay.close()
        }
        ThemedButton {
            objectName: "macroAssignOk"
            accented: true
            enabled: overlay.selectedName !== ""
            text: overlay.strings[10] || "OK"
            onClicked: overlay.accept()
        }
    }
}
