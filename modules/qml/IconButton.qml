import QtQuick
import QtQuick.Controls.Basic

// A square button with a glyph and a tooltip (the window buttons, help).
Button {
    id: control

    property string glyph: ""
    property string tip: ""
    property bool danger: false

    implicitWidth: 34
    implicitHeight: 34
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    Accessible.name: tip

    ToolTip.visible: hovered && tip !== ""
    ToolTip.delay: 500
    ToolTip.text: tip

    contentItem: Text {
        text: control.glyph
        color: control.danger && (control.down || control.hovered) ? Theme.textOnAccent : Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontLarge
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: Theme.radiusSmall
        color: control.down || control.hovered ? (control.danger ? Theme.accent : Theme.raisedHover) : "transparent"
        FocusRing {
            control: control
            shown: control.visualFocus
        }
    }
}
