import QtQuick

// The visible keyboard-focus outline drawn around a control.
Rectangle {
    property Item control
    property bool shown: control ? control.activeFocus : false

    anchors.fill: parent
    anchors.margins: -3
    radius: Theme.radius + 2
    color: "transparent"
    border.color: Theme.focus
    border.width: Theme.focusWidth
    visible: shown
}
