import QtQuick
import Kesta.Model

// A number field for one stored byte: it takes whole numbers from `minimum`
// to `maximum` and puts the previous value back on anything else.
ThemedTextField {
    id: field

    property int minimum: 0
    property int maximum: 255
    property int value: 0

    // A valid number was typed (the owner takes it into what `value` binds).
    signal valueEdited(int number)

    // Takes the typed text when it is valid; true when the value stands.
    function commit() {
        const number = NumberInput.wholeNumber(text, 3, false, minimum, maximum);
        if (typeof number !== "number") {
            text = String(value);
            return false;
        }
        valueEdited(number);
        if (value !== number)
            value = number;
        text = String(number);
        return true;
    }

    implicitWidth: 72
    maximumLength: 3
    inputMethodHints: Qt.ImhDigitsOnly
    horizontalAlignment: TextInput.AlignRight
    text: String(value)
    onEditingFinished: commit()
    onValueChanged: text = String(value)
    onActiveFocusChanged: {
        if (!activeFocus)
            commit();
    }
}
