import QtQuick

// The lift-off setting: slider position and enable, shown on two pages.
QtObject {
    property bool isSave: false
    property int position: 3
    property bool enabled: true

    function init(isSendData) {}
    function saveData(isSendData) {}
    function reset() {}
}
