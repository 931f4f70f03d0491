import QtQuick

// Binds a macro of the library to one button.
Overlay {
    id: overlay

    property var scene

}
