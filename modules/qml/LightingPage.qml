import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// Tab 1, lighting presets: a view of LightingModel, which holds the presets,
// their values and every rule; the page only shows them and hands the
// user's edits to the model.
Item {
    id: page

    // The caption of the way back.
    required property string backText
    readonly property var strings: texts.texts

    signal backRequested
    // Asks before something is undone; `accepted` runs on OK.
    signal confirmRequested(string question, var accepted)

    // Closes the rename field (an empty area of the window was pressed).
    function dismiss() {
        renameField.visible = false;
    }

    AccessibleTexts {
        id: spoken
    }
    SectionTexts {
        id: texts
        section: "lightControl"
        defaults: LightingModel.textDefaults
    }

    // ---- Presets -------------------------------------------------------------

    Panel {
        id: presetPanel
        x: 0
        width: 300
        height: page.height
        title: page.strings[15]

        Column {
            id: presetList
            width: parent.width
            spacing: 6
            Repeater {
                model: LightingModel.names
                delegate: ThemedButton {
                    required property int index
                    required property string modelData
                    objectName: "lightPreset" + index
                    width: presetList.width
                    checkable: true
                    checked: LightingModel.lightNo === index
                    text: modelData
                    onClicked: {
                        checked = Qt.binding(() => LightingModel.lightNo === index);
                        LightingModel.choosePreset(index);
                    }
                }
            }
        }

        ThemedTextField {
            id: renameField
            objectName: "lightRenameField"
            y: presetList.y + presetList.height + Theme.spacing
            width: parent.width
            visible: false
            maximumLength: 24
            onAccepted: {
                if (LightingModel.renamePreset(LightingModel.lightNo, text))
                    visible = false;
                else
                    text = LightingModel.names[LightingModel.lightNo];
            }
            onActiveFocusChanged: {
                if (!activeFocus)
                    visible = false;
            }
        }

        // The buttons take a second row where a language's words need it.
        Flow {
            y: presetList.y + presetList.height + Theme.spacing + (renameField.visible ? renameField.height + Theme.spacing : 0)
            width: parent.width
            spacing: 6
            ThemedButton {
                objectName: "lightAddButton"
                implicitWidth: Math.max(84, contentItem.implicitWidth + 24)
                text: page.strings[16]
                enabled: LightingModel.canAdd
                onClicked: LightingModel.addPreset()
            }
            ThemedButton {
                objectName: "lightRenameButton"
                implicitWidth: Math.max(84, contentItem.implicitWidth + 24)
                text: page.strings[18]
                onClicked: {
                    renameField.text = LightingModel.names[LightingModel.lightNo];
                    renameField.visible = true;
                    renameField.forceActiveFocus();
                    renameField.selectAll();
                }
            }
            ThemedButton {
                objectName: "lightDeleteButton"
                implicitWidth: Math.max(84, contentItem.implicitWidth + 24)
                text: page.strings[17]
                enabled: LightingModel.canDelete
                onClicked: page.confirmRequested(page.strings[17] + " \u201c" + LightingModel.names[LightingModel.lightNo] + "\u201d?", () => LightingModel.deletePreset(LightingModel.lightNo))
            }
        }

        ThemedButton {
            objectName: "lightBackButton"
            anchors.bottom: parent.bottom
            width: parent.width
            text: "\u2190 " + page.backText
            onClicked: page.backRequested()
        }
    }

    // ---- Effect --------------------------------------------------------------

    Panel {
        id: effectPanel
        x: presetPanel.width + Theme.spacingLarge - 4
        width: 440
        height: page.height
        title: page.strings[10]

        Grid {
            id: effectGrid
            width: parent.width
            columns: 2
            columnSpacing: Theme.spacingLarge
            rowSpacing: 4
            Repeater {
                model: 6
                delegate: ThemedRadioButton {
                    required property int index
                    objectName: "lightEffect" + index
                    width: (effectGrid.width - Theme.spacingLarge) / 2
                    height: Theme.rowHeight
                    text: page.strings[index]
                    checked: LightingModel.effectEntry === index
                    onClicked: LightingModel.chooseEffect(index)
                }
            }
        }

        Column {
            y: effectGrid.height + Theme.spacingLarge
            width: parent.width
            spacing: Theme.spacing

            Caption {
                width: parent.width
                height: 24
                text: page.strings[11] + "  " + LightingModel.shownSpeed
                dim: !speedSlider.enabled
            }
            ThemedSlider {
                id: speedSlider
                objectName: "lightSpeed"
                width: parent.width
                from: 0
                to: LightingModel.maxSpeed
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: LightingModel.speed
                enabled: LightingModel.speedEnabled
                Accessible.name: page.strings[11]
                onMoved: LightingModel.setSpeed(value)
            }
            Item {
                width: 1
                height: Theme.spacing
            }
            Caption {
                width: parent.width
                height: 24
                text: page.strings[12] + "  " + LightingModel.brightnessPercent + "%"
                dim: !brightnessSlider.enabled
            }
            ThemedSlider {
                id: brightnessSlider
                objectName: "lightBrightness"
                width: parent.width
                from: 0
                to: LightingModel.maxBrightness
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: LightingModel.brightness
                enabled: LightingModel.brightnessEnabled
                Accessible.name: page.strings[12]
                onMoved: LightingModel.setBrightness(value)
            }
            Item {
                width: 1
                height: Theme.spacing
            }
            Caption {
                width: parent.width
                height: 24
                text: page.strings[13]
                dim: !directionRow.enabled
            }
            Row {
                id: directionRow
                spacing: Theme.spacingLarge
                enabled: LightingModel.directionEnabled
                Repeater {
                    model: 2
                    delegate: ThemedRadioButton {
                        required property int index
                        objectName: "lightDirection" + index
                        // Symmetrical flow runs up or down, the others turn.
                        text: LightingModel.directionIsVertical ? page.strings[8 + index] : page.strings[6 + index]
                        checked: LightingModel.direction === index
                        onClicked: LightingModel.setDirection(index)
                    }
                }
            }
        }
    }

    // ---- Colours -------------------------------------------------------------

    Panel {
        id: colourPanel
        x: effectPanel.x + effectPanel.width + Theme.spacingLarge - 4
        width: page.width - x
        height: page.height
        title: page.strings[14]

        Grid {
            id: blockGrid
            columns: 5
            spacing: 10
            Repeater {
                model: LightingModel.blockCount
                delegate: ColorBlock {
                    required property int index
                    objectName: "lightBlock" + index
                    width: 44
                    height: 44
                    colour: LightingModel.blocks.length > index ? LightingModel.blocks[index] : Theme.swatches[0]
                    label: String(index + 1)
                    spokenName: spoken.texts[3].arg(index + 1).arg(spoken.colourName(colour))
                    selected: LightingModel.colorIndex === index
                    onClicked: LightingModel.selectBlock(index)
                }
            }
        }

        ColorPicker {
            objectPrefix: "lightPicker"
            y: blockGrid.height + Theme.spacingLarge + 8
            width: Math.min(parent.width, 420)
            enabled: LightingModel.coloursEnabled
            colour: LightingModel.selectedColour !== "" ? LightingModel.selectedColour : Theme.swatches[0]
            onEdited: colour => LightingModel.setBlockColour(LightingModel.colorIndex, colour)
        }
    }
}
