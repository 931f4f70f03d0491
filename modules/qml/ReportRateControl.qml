import QtQuick

// The report-rate choice of the main page.
Item {
    id: page

    property var scene
    property bool isSave: false

    property var setting
    height: 40
}
