import QtQuick
import Kesta.Model

// A whole-number field that takes only minimum..maximum. Anything else
// (out of range, not a number, empty) puts the previous value back; a
// valid new number emits `committed`.
ThemedTextField {
    id: field

    property int minimum: 0
    property int maximum: 255
    property int value: 0

    signal committed(int value)

    implicitWidth: 80
    text: String(value)
    inputMethodHints: Qt.ImhFormattedNumbersOnly
    maximumLength: 5

    function accept(input) {
        const n = NumberInput.wholeNumber(String(input), 4, true, minimum, maximum);
        if (typeof n !== "number")
            return false;
        if (n !== value)
            committed(n);
        return true;
    }

    onEditingFinished: {
        accept(text);
        text = Qt.binding(() => String(field.value));
    }
}
