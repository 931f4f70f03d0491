import QtQuick
import QtQuick.Controls.Basic

// One entry of a ThemedMenu.
MenuItem {
    id: control

    implicitHeight: Theme.rowHeight
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    hoverEnabled: true

    contentItem: Text {
        leftPadding: 8
        text: control.text
        font: control.font
        color: control.enabled ? (control.highlighted ? Theme.textOnAccent : Theme.text) : Theme.textFaint
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        color: control.highlighted && control.enabled ? Theme.accent : "transparent"
        radius: Theme.radiusSmall
    }
}
