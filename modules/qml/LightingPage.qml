import QtQuick

// Tab 1, lighting presets.
Item {
    id: page

    property var scene
    property bool isSave: false

    function init(isSendData, isRecovery) {}
    function saveData(isSendData, step) {}
}
