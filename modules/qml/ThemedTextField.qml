import QtQuick
import QtQuick.Controls.Basic

// A one-line text field in the scene's look.
TextField {
    id: control

    implicitHeight: Theme.controlHeight
    implicitWidth: 160
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    color: enabled ? Theme.text : Theme.textFaint
    placeholderTextColor: Theme.textFaint
    selectionColor: Theme.accent
    selectedTextColor: Theme.textOnAccent
    selectByMouse: true
    leftPadding: 8
    rightPadding: 8

    background: Rectangle {
        radius: Theme.radius
        color: Theme.surface
        border.color: control.activeFocus ? Theme.focus : (control.enabled ? Theme.controlBorder : Theme.border)
        border.width: control.activeFocus ? 2 : 1
    }
}
