import QtQuick

// Captures a key combination for one button.
Overlay {
    id: overlay

    property var scene

}
