import QtQuick

// A question with OK and Cancel. `ask(text, accepted)` shows it with a
// callback for OK; instances with a fixed message use `open()` and
// the `accepted` signal.
Overlay {
    id: overlay

    property string message: ""
    property string okText: "OK"
    property string cancelText: "Cancel"
    property var onOk: null

    signal accepted

    function ask(text, callback) {
        message = text;
        onOk = callback;
        open();
    }

    panelWidth: 460
    panelHeight: 200

    Caption {
        width: parent.width
        height: parent.height - 50
        wrapMode: Text.WordWrap
        elide: Text.ElideNone
        verticalAlignment: Text.AlignTop
        text: overlay.message
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: Theme.spacing
        ThemedButton {
            objectName: "cancelButton"
            text: overlay.cancelText.trim()
            onClicked: overlay.close()
        }
        ThemedButton {
            objectName: "okButton"
            accented: true
            text: overlay.okText.trim()
            onClicked: {
                var callback = overlay.onOk;
                overlay.onOk = null;
                overlay.close();
                if (callback)
                    callback();
                overlay.accepted();
            }
        }
    }
}
