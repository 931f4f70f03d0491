import QtQuick

// The lift-off control; the same setting is shown on the settings tab.
Item {
    id: page

    property var scene
    property bool isSave: false

    property var setting
    height: 40
}
