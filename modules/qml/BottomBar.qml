import QtQuick
import Kesta.Model

// "Config" (profile manager) on the left, the website link, then Reset, Save
// and OK on the right.
Item {
    id: bar

    // The main page's texts.
    required property var strings

    signal profilesRequested
    signal saveRequested
    signal resetRequested
    signal exitRequested

    height: Theme.bottomBarHeight

    ThemedButton {
        objectName: "configButton"
        anchors.left: parent.left
        anchors.leftMargin: 24
        anchors.verticalCenter: parent.verticalCenter
        text: bar.strings[6]
        onClicked: bar.profilesRequested()
    }

    // What Save did, or a change made outside the window that replaced
    // unsaved edits, is told here until it is clicked away; the link shows
    // otherwise.
    Caption {
        objectName: "sessionNotice"
        anchors.left: parent.left
        anchors.leftMargin: 180
        anchors.right: parent.right
        anchors.rightMargin: 400
        anchors.verticalCenter: parent.verticalCenter
        visible: SessionModel.notice !== ""
        text: SessionModel.notice
        font.pixelSize: Theme.fontSmall
        wrapMode: Text.Wrap
        maximumLineCount: 3
        Accessible.name: text
        Accessible.role: Accessible.AlertMessage
        MouseArea {
            anchors.fill: parent
            onClicked: SessionModel.clearNotice()
        }
    }
    Text {
        anchors.centerIn: parent
        visible: SessionModel.notice === ""
        text: "<a href='https://kesta.example'>kesta.example</a>"
        textFormat: Text.StyledText
        color: Theme.textDim
        linkColor: Theme.link
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        onLinkActivated: link => Qt.openUrlExternally(link)
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: 24
        anchors.verticalCenter: parent.verticalCenter
        spacing: Theme.spacing

        ThemedButton {
            objectName: "resetButton"
            text: bar.strings[7]
            onClicked: bar.resetRequested()
        }
        ThemedButton {
            objectName: "saveButton"
            text: bar.strings[12]
            onClicked: bar.saveRequested()
        }
        ThemedButton {
            objectName: "okButton"
            accented: true
            text: bar.strings[10].trim()
            onClicked: bar.exitRequested()
        }
    }
}
