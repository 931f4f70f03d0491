import QtQuick

// Title, profile list and the window buttons: minimise, maximise/restore
// (hidden), close (hides to the tray) and help.
Item {
    id: bar

    height: 56

    Text {
        anchors.left: parent.left
        anchors.leftMargin: 24
        anchors.verticalCenter: parent.verticalCenter
        text: "KESTA  R218"
        color: "#f2f2f2"
        font.pixelSize: 22
        font.bold: true
        font.letterSpacing: 3
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 6

        BarButton {
            glyph: "?"
            onClicked: helpMenu.visible = !helpMenu.visible
        }
        BarButton {
            glyph: "–"
            onClicked: ui_Ctl.onMinimize()
        }
        BarButton {
            glyph: "□"
            visible: false
            onClicked: ui_Ctl.onMaxRestore()
        }
        BarButton {
            glyph: "×"
            onClicked: ui_Ctl.onHide()
        }
    }

    Rectangle {
        id: helpMenu
        visible: false
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.top: parent.bottom
        width: 200
        height: 64
        radius: 4
        color: "#2a2c33"
        border.color: "#44464f"
        z: 10

        Column {
            anchors.centerIn: parent
            spacing: 6
            Text {
                text: "verison:1.0"
                color: "#c8c8c8"
                font.pixelSize: 13
            }
            Text {
                text: "<a href='https://kesta.example'>kesta.example</a>"
                color: "#c8c8c8"
                linkColor: "#ff6a5f"
                font.pixelSize: 13
                onLinkActivated: link => Qt.openUrlExternally(link)
            }
        }
    }
}
