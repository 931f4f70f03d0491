import QtQuick

// A button label ("①".."⑳") drawn as a ring with its number, so it reads the
// same whatever circled digits the font has.
Item {
    id: badge

    property string label: ""
    property color color: Theme.text
    property int diameter: 20
    readonly property int number: label.length > 0 ? label.charCodeAt(0) - 0x245F : 0

    implicitWidth: diameter
    implicitHeight: diameter
    visible: number >= 1 && number <= 20

    Rectangle {
        anchors.centerIn: parent
        width: badge.diameter
        height: badge.diameter
        radius: badge.diameter / 2
        color: "transparent"
        border.color: badge.color
        border.width: Math.max(1, badge.diameter / 14)
        antialiasing: true
    }
    Text {
        anchors.centerIn: parent
        text: badge.number
        color: badge.color
        font.family: Theme.fontFamily
        font.pixelSize: Math.round(badge.diameter * (badge.number >= 10 ? 0.5 : 0.6))
        font.bold: true
    }
}
