import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// DPI stages: how many are shown, each stage's value and enable box, the
// colours of stages 1 to 6, and the stage the mouse is on. The stages, the
// sensor's range and the slider formula are DpiModel's.
Item {
    id: page

    readonly property var strings: texts.texts

    // The lighting button: asks for the lighting tab.
    signal lightingRequested

    SectionTexts {
        id: texts
        section: "dpiSetting"
        defaults: ["DPI Setting", "Stage ", "Stages", "Color", "Enable", "Current", "Min", "Max", "Select Color", "DPI Value"]
    }
    AccessibleTexts {
        id: spoken
    }
    SectionTexts {
        id: lightTexts
        section: "lightControl"
        defaults: LightingModel.textDefaults
    }

    // The steps a key moves a DPI stage by; 0 for other keys.
    function keySteps(key: int): int {
        switch (key) {
        case Qt.Key_Right:
        case Qt.Key_Up:
            return 1;
        case Qt.Key_Left:
        case Qt.Key_Down:
            return -1;
        case Qt.Key_PageUp:
            return DpiModel.pageSteps;
        case Qt.Key_PageDown:
            return -DpiModel.pageSteps;
        }
        return 0;
    }

    // ---- View --------------------------------------------------------------

    Panel {
        id: panel
        anchors.fill: parent
        title: page.strings[0]

        Caption {
            id: countCaption
            x: 0
            y: 0
            width: 70
            height: Theme.controlHeight
            text: page.strings[2]
        }
        ThemedComboBox {
            id: countBox
            objectName: "dpiCountBox"
            x: countCaption.width + Theme.spacing
            y: 0
            width: 80
            model: DpiModel.countChoices
            currentIndex: DpiModel.shownCount - 1
            // A new list resets the box's index: bind it again.
            onModelChanged: currentIndex = Qt.binding(() => DpiModel.shownCount - 1)
            Accessible.name: page.strings[2]
            onActivated: index => DpiModel.chooseCount(index + 1)
        }
        Caption {
            objectName: "dpiCurrentText"
            x: parent.width - width
            y: 0
            width: 220
            height: Theme.controlHeight
            horizontalAlignment: Text.AlignRight
            dim: true
            text: page.strings[5] + ": " + page.strings[1] + (DpiModel.currentStage + 1)
        }

        Column {
            id: stages
            y: Theme.controlHeight + Theme.spacing
            width: parent.width
            spacing: 0

            Repeater {
                model: 8
                delegate: Rectangle {
                    id: row
                    required property int index
                    readonly property bool current: DpiModel.currentStage === index
                    width: stages.width
                    height: 32
                    radius: Theme.radiusSmall
                    color: current ? Theme.accentSoft : "transparent"
                    visible: index < DpiModel.shownCount

                    ThemedCheckBox {
                        objectName: "dpiEnable" + row.index
                        x: 2
                        width: 40
                        anchors.verticalCenter: parent.verticalCenter
                        text: String(row.index + 1)
                        // A refused untick puts the box back through the binding.
                        checked: DpiModel.enables[row.index] === 1
                        Accessible.name: page.strings[1] + (row.index + 1) + " " + page.strings[4]
                        onToggled: DpiModel.setStageEnabled(row.index, checked)
                    }
                    ThemedSlider {
                        objectName: "dpiSlider" + row.index
                        x: 46
                        width: DpiModel.sliderWidth
                        anchors.verticalCenter: parent.verticalCenter
                        from: DpiModel.firstPosition
                        to: DpiModel.lastPosition
                        stepSize: 1
                        snapMode: Slider.SnapAlways
                        value: DpiModel.positionForValue(DpiModel.values[row.index])
                        // The stage's value in DPI: the slider's own value is a position.
                        Accessible.name: spoken.texts[1].arg(row.index + 1).arg(DpiModel.values[row.index])
                        onMoved: DpiModel.setStageFromPosition(row.index, value)
                        // The keys move the stage by the sensor's steps, not
                        // by pixels: a pixel can round back to the same value.
                        Keys.onPressed: event => {
                            const steps = page.keySteps(event.key);
                            if (steps === 0)
                                return;
                            DpiModel.stepStage(row.index, steps);
                            event.accepted = true;
                        }
                    }
                    Text {
                        objectName: "dpiValue" + row.index
                        x: parent.width - width - 2
                        width: 44
                        height: parent.height
                        text: String(DpiModel.values[row.index])
                        color: row.current ? Theme.text : Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                        font.bold: row.current
                        horizontalAlignment: Text.AlignRight
                        verticalAlignment: Text.AlignVCenter
                    }
                }
            }
        }

        Caption {
            id: colourCaption
            x: 0
            y: stages.y + stages.height + Theme.spacing
            width: 70
            height: 34
            text: page.strings[3]
        }
        Row {
            id: colourRow
            x: colourCaption.width + Theme.spacing
            y: colourCaption.y + 3
            spacing: Theme.spacing
            Repeater {
                model: 6
                delegate: ColorBlock {
                    id: stageColour
                    required property int index
                    objectName: "dpiColour" + index
                    width: 28
                    height: 28
                    colour: DpiModel.colours[index]
                    label: String(index + 1)
                    spokenName: spoken.texts[2].arg(index + 1).arg(spoken.colourName(colour))
                    selected: colourPopup.opened && colourPopup.stage === index
                    onClicked: colourPopup.edit(index, stageColour)
                }
            }
        }
        ThemedButton {
            objectName: "lightingButton"
            x: parent.width - width
            y: colourCaption.y
            visible: SessionModel.isColorful
            text: lightTexts.texts[19]
            onClicked: page.lightingRequested()
        }
    }

    Popup {
        id: colourPopup
        objectName: "dpiColourPopup"

        readonly property FocusReturn focusReturn: FocusReturn {
            popup: colourPopup
        }

        property int stage: 0

        function edit(k, anchorItem) {
            stage = k;
            var p = anchorItem.mapToItem(page, 0, 0);
            x = Math.min(page.width - width, Math.max(0, p.x));
            y = Math.max(0, p.y - height - 6);
            open();
        }

        width: 320
        height: 236
        padding: Theme.margin
        // Drawn in the window's overlay: at the page's scale.
        scale: Theme.drawnScale(page)
        transformOrigin: Popup.TopLeft
        modal: false
        focus: true
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

        background: Rectangle {
            radius: Theme.radius
            color: Theme.raised
            border.color: Theme.borderStrong
        }

        contentItem: Column {
            spacing: Theme.spacing
            Caption {
                width: parent.width
                height: 22
                text: page.strings[8] + " — " + page.strings[1] + (colourPopup.stage + 1)
            }
            ColorPicker {
                objectPrefix: "dpiPicker"
                width: parent.width
                colour: DpiModel.colours[colourPopup.stage]
                onEdited: colour => DpiModel.setColour(colourPopup.stage, colour)
            }
        }
    }
}
