import QtQuick
import Kesta.Model

// Captures a key combination for one button through the root's input relay:
// modifiers collect as bits, the first two other keys are the keys. A press
// after every key was released starts a new combination.
Overlay {
    id: overlay

    property var scene

    readonly property var captions: KeyMatrixModel.captions.length > 0 ? KeyMatrixModel.captions : AssignmentTable.captionDefaults
    readonly property var strings: scene ? scene.keyMatrixStrings : []

    property int buttonIndex: -1
    property int bits: 0
    property int key1: 0
    property int key2: 0
    property var held: []
    // Called with (bits, key1, key2) on OK; closes the overlay when it
    // returns true.
    property var accepted: null

    function openFor(index, entry, onAccepted) {
        buttonIndex = index;
        var isCombo = entry && Number(entry[0]) === 2;
        bits = isCombo ? Number(entry[1]) : 0;
        key1 = isCombo ? Number(entry[2]) : 0;
        key2 = isCombo ? Number(entry[3]) : 0;
        held = [];
        accepted = onAccepted;
        open();
    }

    function press(code) {
        if (held.length === 0)
            clear();
        if (held.indexOf(code) < 0)
            held = held.concat([code]);
        if (code >= 0xE0 && code <= 0xE7)
            bits |= 1 << (code - 0xE0);
        else if (key1 === 0)
            key1 = code;
        else if (key2 === 0 && code !== key1)
            key2 = code;
    }

    function release(code) {
        held = held.filter(function (c) {
            return c !== code;
        });
    }

    function clear() {
        bits = 0;
        key1 = 0;
        key2 = 0;
    }

    function accept() {
        if (bits === 0 && key1 === 0)
            return;
        var take = accepted;
        if (!take || take(bits, key1, key2))
            close();
    }

    title: buttonIndex >= 0 ? captions[0] + KeyMatrixModel.numberOf(buttonIndex) + " : " + captions[14] : captions[14]
    panelWidth: 480
    panelHeight: 270
    onClosed: held = []

    Connections {
        target: overlay.scene
        enabled: overlay.visible
        function onMsg_KB(isDown, usbCode) {
            if (usbCode <= 0 || usbCode > 255)
                return;
            if (isDown)
                overlay.press(usbCode);
            else
                overlay.release(usbCode);
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
        border.color: overlay.held.length > 0 ? Theme.accent : Theme.border

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
            onClicked: overlay.clear()
        }
        ThemedButton {
            objectName: "inputAssignCancel"
            text: overlay.strings[9] || "Cancel"
            onClicked: overlay.close()
        }
        ThemedButton {
            objectName: "inputAssignOk"
            accented: true
            enabled: overlay.bits !== 0 || overlay.key1 !== 0
            text: overlay.strings[10] || "OK"
            onClicked: overlay.accept()
        }
    }
}
