import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// Picks a colour: preset swatches, red/green/blue sliders and a hexadecimal
// field (#rrggbb). `colour` is the colour shown, bound by the owner to what
// it edits; every user change emits `edited` with the new "#rrggbb" text and
// the owner takes it into its own state. The picker never writes `colour`
// itself: that would cut the owner's binding, and the picker would go on
// showing (and composing from) the colour of the item edited before.
Item {
    id: picker

    property string colour: Theme.swatches[0]
    property string objectPrefix: "picker"

    signal edited(string colour)

    implicitWidth: 300
    implicitHeight: 176

    AccessibleTexts {
        id: spoken
    }

    function apply(text) {
        if (text !== colour)
            edited(text);
    }

    Flow {
        id: swatchRow
        width: parent.width
        spacing: 6
        Repeater {
            model: Theme.swatches
            delegate: ColorBlock {
                required property string modelData
                width: 24
                height: 24
                colour: modelData
                spokenName: spoken.colourName(modelData)
                selected: String(modelData).toLowerCase() === picker.colour.toLowerCase()
                onClicked: picker.apply(String(modelData).toLowerCase())
            }
        }
    }

    Column {
        id: channels
        anchors.top: swatchRow.bottom
        anchors.topMargin: Theme.spacing
        width: parent.width
        spacing: 2

        Repeater {
            model: ["R", "G", "B"]
            delegate: Item {
                id: channel
                required property int index
                required property string modelData
                width: channels.width
                height: 26

                Caption {
                    width: 18
                    height: parent.height
                    dim: true
                    text: channel.modelData
                }
                ThemedSlider {
                    objectName: picker.objectPrefix + channel.modelData
                    x: 22
                    width: parent.width - 22 - 44
                    anchors.verticalCenter: parent.verticalCenter
                    from: 0
                    to: 255
                    stepSize: 1
                    snapMode: Slider.SnapAlways
                    value: ColourText.channel(picker.colour, channel.index)
                    // Red, green and blue.
                    Accessible.name: spoken.texts[[10, 13, 15][channel.index]]
                    onMoved: picker.apply(ColourText.withChannel(picker.colour, channel.index, value))
                }
                Caption {
                    x: parent.width - 40
                    width: 40
                    height: parent.height
                    horizontalAlignment: Text.AlignRight
                    text: String(ColourText.channel(picker.colour, channel.index))
                }
            }
        }
    }

    Row {
        anchors.top: channels.bottom
        anchors.topMargin: Theme.spacing
        spacing: Theme.spacing

        Rectangle {
            width: 40
            height: Theme.controlHeight
            radius: Theme.radiusSmall
            color: picker.colour
            border.color: Theme.borderStrong
        }
        ThemedTextField {
            id: hexField
            objectName: picker.objectPrefix + "Hex"
            width: 110
            text: picker.colour
            maximumLength: 7
            Accessible.name: spoken.texts[21]
            validator: RegularExpressionValidator {
                regularExpression: /#[0-9a-fA-F]{0,6}/
            }
            // Anything but a full #rrggbb gives the shown colour back.
            onEditingFinished: {
                if (ColourText.normalised(text) !== "")
                    picker.apply(ColourText.normalised(text));
                text = Qt.binding(() => picker.colour);
            }
        }
    }
}
