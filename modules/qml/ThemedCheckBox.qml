import QtQuick
import QtQuick.Controls.Basic

// A check box in the scene's look.
CheckBox {
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
        radius: Theme.radiusSmall
        color: control.checked ? (control.enabled ? Theme.accent : Theme.textFaint) : Theme.raised
        border.color: control.visualFocus ? Theme.focus : (!control.enabled ? Theme.border : (control.checked ? Theme.accent : Theme.controlBorder))
        border.width: control.visualFocus ? 2 : 1
        Text {
            anchors.centerIn: parent
            text: "✓"
            visible: control.checked
            color: Theme.textOnAccent
            font.pixelSize: Theme.fontNormal
            font.bold: true
        }
    }

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font: control.font
        color: control.enabled ? Theme.text : Theme.textFaint
        verticalAlignment: Text.AlignVCenter
        // A box given less room than its words takes a second line.
        wrapMode: Text.WordWrap
        elide: Text.ElideRight
    }
}
