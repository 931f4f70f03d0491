import QtQuick

// DPI stages, their enables and colours.
Item {
    id: page

    property var scene
    property bool isSave: false

    function init(isSendData, isRecovery) {}
    function saveData(isSendData) {}
}
