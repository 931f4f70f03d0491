import QtQuick

// A colour swatch a user can pick with the pointer or the keyboard.
Rectangle {
    id: block

    property string colour: Theme.swatches[0]
    property bool selected: false
    property string label: ""
    // What a screen reader says for the swatch ("Stage 2 colour: green").
    property string spokenName: ""

    signal clicked

    // Light swatches get a dark label, dark ones a light label.
    readonly property bool isLight: {
        var t = String(colour);
        var r = parseInt(t.substr(1, 2), 16) || 0;
        var g = parseInt(t.substr(3, 2), 16) || 0;
        var b = parseInt(t.substr(5, 2), 16) || 0;
        return 0.299 * r + 0.587 * g + 0.114 * b > 140;
    }

    implicitWidth: 28
    implicitHeight: 28
    radius: Theme.radiusSmall
    color: colour
    border.color: selected ? Theme.text : (hover.hovered ? Theme.borderStrong : Theme.border)
    border.width: selected ? 2 : 1
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: spokenName !== "" ? spokenName : (label !== "" ? label : colour)

    Keys.onSpacePressed: block.clicked()
    Keys.onReturnPressed: block.clicked()

    // An inner ring keeps the selection visible on light colours.
    Rectangle {
        anchors.fill: parent
        anchors.margins: 3
        radius: Theme.radiusSmall - 1
        color: "transparent"
        border.color: Theme.window
        border.width: 1
        visible: block.selected
    }

    Text {
        anchors.centerIn: parent
        text: block.label
        visible: block.label !== ""
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        font.bold: true
        color: block.isLight ? Theme.window : Theme.text
    }

    HoverHandler {
        id: hover
    }

    TapHandler {
        onTapped: {
            block.forceActiveFocus();
            block.clicked();
        }
    }

    FocusRing {
        control: block
    }
}
