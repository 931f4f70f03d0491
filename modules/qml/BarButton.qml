import QtQuick

// A square button of the top bar.
Rectangle {
    id: button

    property string glyph: ""

    signal clicked

    width: 32
    height: 32
    radius: 4
    color: area.containsMouse ? "#e0483e" : "transparent"

    Text {
        anchors.centerIn: parent
        text: button.glyph
        color: "#e6e6e6"
        font.pixelSize: 18
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: button.clicked()
    }
}
