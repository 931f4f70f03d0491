import QtQuick

// Top view of the mouse with its numbered buttons.
Item {
    id: page

    property var scene
    property bool isSave: false

    property var keyMatrix
}
