import QtQuick

// Assigns a DPI function to one button.
Overlay {
    id: overlay

    property var scene

}
