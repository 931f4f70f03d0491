import QtQuick

// Pointer speed, double-click speed, scroll lines and lift-off.
Item {
    id: page

    property var scene
    property bool isSave: false

    property var lod

    function init(isSendData, isRecovery) {}
    function saveData(isSendData, step) {}
}
