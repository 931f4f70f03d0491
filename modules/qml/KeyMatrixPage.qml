import QtQuick

// The button list: sixteen assignments per mode.
Item {
    id: page

    property var scene
    property bool isSave: false

    property var picture

    function init(isSendData, isRecovery) {}
    function saveData(isSendData) {}
    function initMode(mode) {}
    function resetKeys() {}
    // [{slot, name}] of every button bound to a macro in the current mode.
    function macroSlots() {
        return [];
    }
    function releaseMacro(name) {}
    function refreshTexts() {}
}
