import QtQuick
import QtQuick.Controls.Basic

// A text button in the scene's look. `accented` marks the main action.
Button {
    id: control

    property bool accented: false

    implicitHeight: Theme.controlHeight + 4
    implicitWidth: Math.max(96, contentItem.implicitWidth + 32)
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    focusPolicy: Qt.StrongFocus

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.enabled ? (control.accented ? Theme.textOnAccent : Theme.text) : Theme.textFaint
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        radius: Theme.radius
        // A disabled main action loses its accent with its text.
        color: control.accented && control.enabled ? (control.down || control.hovered ? Theme.accentHover : Theme.accent) : (control.enabled && (control.down || control.hovered || control.checked) ? Theme.raisedHover : Theme.raised)
        border.color: control.checked && control.enabled ? Theme.accent : Theme.border
        FocusRing {
            control: control
            shown: control.visualFocus
        }
    }
}
