import QtQuick
import QtQuick.Controls.Basic

// A horizontal slider in the scene's look. Pages that store pixel positions
// set the slider's width and read `handleX`, the handle's position in pixels.
Slider {
    id: control

    readonly property real handleX: control.leftPadding + control.visualPosition * (control.availableWidth - handle.width)

    implicitHeight: 24
    implicitWidth: 200
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    padding: 0

    background: Rectangle {
        x: control.leftPadding
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: control.availableWidth
        height: 4
        radius: 2
        color: control.enabled ? Theme.controlBorder : Theme.border
        Rectangle {
            width: control.visualPosition * parent.width
            height: parent.height
            radius: 2
            color: control.enabled ? Theme.accent : Theme.textFaint
        }
    }

    handle: Rectangle {
        x: control.handleX
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: 18
        height: 18
        radius: 9
        color: !control.enabled ? Theme.textFaint : (control.pressed ? Theme.accentHover : Theme.text)
        border.color: control.visualFocus ? Theme.focus : (control.enabled ? Theme.accent : Theme.border)
        border.width: control.visualFocus ? 3 : 2
    }
}
