import QtQuick
import Kesta.Model

// Asks for the name of a new or renamed macro or folder: `ask(request,
// text)` opens it for one of MacroEditorModel's name requests, whose caption
// is `captions[request]`; OK hands the name back to the model. A name must
// be one path component; an unusable one leaves OK disabled.
Overlay {
    id: dialog

    property var captions: []
    property string label: "Macro Name"
    property string okText: "OK"
    property string cancelText: "Cancel"
    property int request: -1
    readonly property string name: field.text
    readonly property bool acceptable: MacroEditorModel.isAcceptableName(field.text)

    function ask(which, text) {
        request = which;
        title = captions[which] || "";
        field.text = text;
        field.selectAll();
        open();
        field.forceActiveFocus();
    }

    function accept() {
        if (!acceptable)
            return;
        close();
        MacroEditorModel.nameGiven(request, field.text);
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
