import QtQuick

// The report rate (stored as its index 0..3 = 125, 250, 500, 1000 Hz).
QtObject {
    property bool isSave: false
    property int index: 3

    function init(isSendData) {}
    function saveData(isSendData) {}
}
