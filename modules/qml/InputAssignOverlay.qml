import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// Captures a key combination for one button (KeyCombination) from the
// captured key events.
Overlay {
    id: overlay

    // What relays the captured key events (msg_KB).
    property var inputSource: null

    readonly property var captions: KeyMatrixModel.captions.length > 0 ? KeyMatrixModel.captions : AssignmentTable.captionDefaults
    readonly property var strings: buttonTexts.texts

    property int buttonIndex: -1
    readonly property int bits: combination.bits
    readonly property int key1: combination.key1
    readonly property int key2: combination.key2
    // Called with (bits, key1, key2) on OK; closes the overlay when it
    // returns true.
    property var accepted: null

    function openFor(index, entry, onAccepted) {
        buttonIndex = index;
        combination.reset(entry || []);
        accepted = onAccepted;
        open();
    }

    function accept() {
        var take = accepted;
        if (!combination.empty && (!take || take(bits, key1, key2)))
            close();
    }

    title: buttonIndex >= 0 ? captions[0] + KeyMatrixModel.numberOf(buttonIndex) + " : " + captions[14] : captions[14]
    panelWidth: 480
    panelHeight: 270
    // Every key typed is part of the combination.
    capturing: true
    onClosed: combination.releaseAll()

    KeyCombination {
        id: combination
    }
    // Cancel and OK in the language shown.
    SectionTexts {
        id: buttonTexts
        section: "keyMatrix"
        defaults: Array(9).fill("").concat(["Cancel", " OK "], Array(15).fill(""), ["Clear the key combination"])
    }

    Connections {
        target: overlay.inputSource
        enabled: overlay.visible
        function onMsg_KB(isDown, usbCode) {
            combination.keyEvent(isDown, usbCode);
        }
    }

    Caption {
        id: hint
        width: parent.width
        height: 24
        dim: true
        text: overlay.captions[10]
    }

    Rectangle {
        anchors.top: hint.bottom
        anchors.topMargin: Theme.spacing
        width: parent.width
        height: 64
        radius: Theme.radius
        color: Theme.surface
        border.color: combination.holding ? Theme.accent : Theme.border

        Caption {
            objectName: "inputCombination"
            anchors.fill: parent
            anchors.margins: Theme.spacing
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: Theme.fontTitle
            text: AssignmentTable.comboText(overlay.bits, overlay.key1, overlay.key2, KeyMatrixModel.keyName)
        }
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: Theme.spacing

        ThemedButton {
            objectName: "inputClear"
            text: "×"
            implicitWidth: 48
            Accessible.name: overlay.strings[26] || "Clear the key combination"
            ToolTip.visible: hovered
            ToolTip.delay: 500
            ToolTip.text: Accessible.name
            onClicked: combination.clear()
        }
        ThemedButton {
            objectName: "inputAssignCancel"
            text: overlay.strings[9] || "Cancel"
            onClicked: overlay.close()
        }
        ThemedButton {
            objectName: "inputAssignOk"
            accented: true
            enabled: !combination.empty
            text: overlay.strings[10] || "OK"
            onClicked: overlay.accept()
        }
    }
}
