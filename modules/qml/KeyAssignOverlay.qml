import QtQuick

// Assigns a function to one button.
Overlay {
    id: overlay

    property var scene

    property bool isSave: false

    function init(isSendData, isRecovery) {}
}
