import QtQuick
import QtQuick.Controls.Basic

// The reference scene: nine Qt Quick Controls (Basic), what the smallest
// window of controls holds.
Item {
    Column {
        anchors.centerIn: parent
        spacing: 8

        Label {
            text: "Label"
        }
        Button {
            text: "Button"
        }
        CheckBox {
            text: "CheckBox"
        }
        RadioButton {
            text: "RadioButton"
        }
        Switch {
            text: "Switch"
        }
        ComboBox {
            model: ["One", "Two", "Three"]
        }
        Slider {
            value: 0.5
        }
        SpinBox {
            value: 5
        }
        TextField {
            placeholderText: "TextField"
        }
    }
}
