import QtQuick
import QtQuick.Controls.Basic

// One tab of the content frame's tab bar.
Button {
    id: control

    property bool selected: false

    implicitWidth: Math.max(170, contentItem.implicitWidth + 40)
    implicitHeight: 36
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    font.bold: selected
    font.letterSpacing: 1

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.selected ? Theme.textOnAccent : Theme.textDim
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: Theme.radius
        color: control.selected ? Theme.accent : (control.hovered ? Theme.raisedHover : Theme.raised)
        border.color: control.selected ? Theme.accentHover : Theme.border
        FocusRing {
            control: control
            shown: control.visualFocus
        }
    }
}
