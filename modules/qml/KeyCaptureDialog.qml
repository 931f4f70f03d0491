import QtQuick

// "Insert Key": shows the name of the last key pressed (keyboard keys only,
// fed by the page through capture()) and hands its code to the callback on OK.
Overlay {
    id: dialog

    property string okText: "OK"
    property string cancelText: "Cancel"
    property string hint: "Press a key"
    property int keyCode: -1
    property string keyName: ""
    property var onOk: null

    function ask(caption, callback) {
        title = caption;
        keyCode = -1;
        keyName = "";
        onOk = callback;
        open();
    }

    // A captured key press.
    function capture(code, name) {
        keyCode = code;
        keyName = name;
    }

    function accept() {
        if (keyCode < 0)
            return;
        var callback = onOk;
        var code = keyCode;
        onOk = null;
        close();
        if (callback)
            callback(code);
    }

    panelWidth: 380
    panelHeight: 220

    Rectangle {
        width: parent.width
        height: 72
        radius: Theme.radius
        color: Theme.surface
        border.color: Theme.border

        Text {
            objectName: "capturedKeyName"
            anchors.fill: parent
            anchors.margins: 8
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily
            font.pixelSize: dialog.keyName === "" ? Theme.fontNormal : Theme.fontTitle
            font.bold: dialog.keyName !== ""
            color: dialog.keyName === "" ? Theme.textDim : Theme.text
            elide: Text.ElideRight
            text: dialog.keyName === "" ? dialog.hint : dialog.keyName
        }
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: Theme.spacing
        ThemedButton {
            objectName: "keyCancelButton"
            text: dialog.cancelText
            onClicked: dialog.close()
        }
        ThemedButton {
            objectName: "keyOkButton"
            accented: true
            enabled: dialog.keyCode >= 0
            text: dialog.okText
            onClicked: dialog.accept()
        }
    }
}
