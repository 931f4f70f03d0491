import QtQuick
import Kesta.Model

// A warning with one OK button.
Overlay {
    id: overlay

    property string message: ""

    function show(text) {
        message = text;
        open();
    }

    SectionTexts {
        id: warningTexts
        section: "warningAssigment"
        defaults: ["", "", "", "", "Warning", "OK"]
    }

    title: warningTexts.texts[4]
    panelWidth: 460
    panelHeight: 190

    Caption {
        objectName: "warningText"
        width: parent.width
        height: parent.height - 50
        wrapMode: Text.WordWrap
        elide: Text.ElideNone
        verticalAlignment: Text.AlignTop
        color: Theme.warning
        text: overlay.message
    }

    ThemedButton {
        objectName: "okButton"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        accented: true
        text: warningTexts.texts[5]
        onClicked: overlay.close()
    }
}
