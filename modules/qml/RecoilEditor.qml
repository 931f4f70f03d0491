import QtQuick

// The recoil editor: weapons and the three recoil slots.
Overlay {
    id: overlay

    property var scene

    property bool isSave: false

    function init(isSendData, isRecovery) {}
    function reset() {}
}
