import QtQuick
import QtQuick.Controls.Basic

// A radio button in the scene's look.
RadioButton {
    id: control

    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    spacing: 6
    padding: 2

    indicator: Rectangle {
        x: control.leftPadding
        y: (control.height - height) / 2
        width: 18
        height: 18
        radius: 9
        color: Theme.raised
        border.color: control.visualFocus ? Theme.focus : (!control.enabled ? Theme.border : (control.checked ? Theme.accent : Theme.controlBorder))
        border.width: control.visualFocus ? 2 : 1
        Rectangle {
            anchors.centerIn: parent
            width: 8
            height: 8
            radius: 4
            color: control.enabled ? Theme.accent : Theme.textFaint
            visible: control.checked
        }
    }

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font: control.font
        color: control.enabled ? Theme.text : Theme.textFaint
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.WordWrap
    }
}
