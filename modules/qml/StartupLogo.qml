import QtQuick

// The start-up logo, shown until the frame is ready.
Rectangle {
    color: Theme.window
    radius: Theme.radius + 4

    Rectangle {
        anchors.centerIn: parent
        width: 360
        height: 160
        radius: 12
        color: Theme.surface
        border.color: Theme.accent
        border.width: 2

        Column {
            anchors.centerIn: parent
            spacing: 6
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "KESTA"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontHuge
                font.bold: true
                font.letterSpacing: 8
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "R218"
                color: Theme.accent
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.letterSpacing: 4
            }
        }
    }
}
