import QtQuick

// The profile manager: up to six named profiles.
Overlay {
    id: overlay

    property var scene

    // [{name, number}] in list order.
    property var entries: []

    function init() {}
    function indexOfNumber(number) {
        for (var i = 0; i < entries.length; ++i)
            if (entries[i].number === number)
                return i;
        return -1;
    }
}
