import QtQuick
import Kesta.Model

// "Insert Key": shows the name of the last key pressed (keyboard keys only;
// MacroEditorModel captures them while it is open) and inserts that key on
// OK.
Overlay {
    id: dialog

    property string okText: "OK"
    property string cancelText: "Cancel"
    property string hint: "Press a key"
    // The key names as shown, in the order of MacroEditorModel.keyNames.
    property var displayKeyNames: []
    readonly property int keyCode: MacroEditorModel.capturedCode
    readonly property string keyName: MacroEditorModel.capturedName === "" ? "" : MacroEditorModel.displayName(MacroEditorModel.capturedName, displayKeyNames)

    function accept() {
        if (keyCode < 0)
            return;
        MacroEditorModel.acceptCapturedKey();
        close();
    }

    onClosed: MacroEditorModel.cancelCapture()

    panelWidth: 380
    panelHeight: 220
    capturing: true

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
