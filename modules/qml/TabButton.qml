import QtQuick

// One tab of the content frame's tab bar.
Rectangle {
    id: button

    property alias text: label.text
    property bool selected: false

    signal clicked

    width: Math.max(160, label.implicitWidth + 40)
    height: 36
    radius: 4
    color: selected ? "#e0483e" : (area.containsMouse ? "#34363e" : "#26282e")
    border.color: selected ? "#ff6a5f" : "#3a3c44"

    Text {
        id: label
        anchors.centerIn: parent
        color: button.selected ? "#ffffff" : "#c8c8c8"
        font.pixelSize: 15
        font.bold: button.selected
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: button.clicked()
    }
}
