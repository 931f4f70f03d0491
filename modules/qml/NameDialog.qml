import QtQuick

// Asks for the name of a new or renamed macro or folder. `ask(title, text,
// callback)` opens it; OK hands the name to the callback. A name must be one
// path component: "/", "\", "." and ".." are refused; an empty name leaves
// OK disabled.
Overlay {
    id: dialog

    property string label: "Macro Name"
    property string okText: "OK"
    property string cancelText: "Cancel"
    property var onOk: null
    readonly property string name: field.text
    readonly property bool acceptable: dialog.isAcceptable(field.text)

    function ask(caption, text, callback) {
        title = caption;
        field.text = text;
        field.selectAll();
        onOk = callback;
        open();
        field.forceActiveFocus();
    }

    function isAcceptable(text) {
        var s = String(text);
        return s !== "" && s !== "." && s !== ".." && s.indexOf("/") < 0 && s.indexOf("\\") < 0 && s.indexOf("\u0000") < 0;
    }

    function accept() {
        if (!acceptable)
            return;
        var callback = onOk;
        var text = field.text;
        onOk = null;
        close();
        if (callback)
            callback(text);
    }

    panelWidth: 420
    panelHeight: 190

    Caption {
        id: labelText
        width: parent.width
        height: 22
        dim: true
        text: dialog.label
    }

    ThemedTextField {
        id: field
        objectName: "macroNameField"
        anchors.top: labelText.bottom
        anchors.topMargin: 6
        width: parent.width
        focus: true
        maximumLength: 64
        onAccepted: dialog.accept()
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: Theme.spacing
        ThemedButton {
            objectName: "nameCancelButton"
            text: dialog.cancelText
            onClicked: dialog.close()
        }
        ThemedButton {
            objectName: "nameOkButton"
            accented: true
            enabled: dialog.acceptable
            text: dialog.okText
            onClicked: dialog.accept()
        }
    }
}
