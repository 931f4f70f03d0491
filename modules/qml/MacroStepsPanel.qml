import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// The steps of the selected macro: the list with its delays edited in
// place, the step menu, the record button, "Delay", "Times" and the play
// modes, over MacroStepsModel; MacroEditorModel runs the commands.
Panel {
    id: panel

    required property var texts
    required property var playModeTexts
    // Key names as shown in the user's language (MacroEditorModel.keyNames'
    // order).
    required property var displayKeyNames
    readonly property int currentStep: MacroEditorModel.currentStep
    readonly property int currentType: MacroTreeModel.currentType
    readonly property bool recording: MacroEditorModel.recording
    readonly property bool canAdd: MacroEditorModel.canAdd
    readonly property bool delayEnabled: MacroEditorModel.delayEnabled

    title: texts[4]

    AccessibleTexts {
        id: spoken
    }

    function closeMenu() {
        stepMenu.close();
    }

    function focusRecordButton() {
        recordButton.forceActiveFocus();
    }

    Rectangle {
        id: stepFrame
        width: parent.width
        anchors.top: parent.top
        anchors.bottom: controls.top
        anchors.bottomMargin: Theme.spacing
        radius: Theme.radiusSmall
        color: Theme.window
        border.color: Theme.border
        clip: true

        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            onClicked: mouse => {
                MacroEditorModel.currentStep = -1;
                if (mouse.button === Qt.RightButton && panel.currentType === 0)
                    stepMenu.popup();
            }
        }

        ListView {
            id: stepList
            objectName: "stepList"
            anchors.fill: parent
            anchors.margins: 2
            model: MacroStepsModel
            interactive: contentHeight > height
            boundsBehavior: Flickable.StopAtBounds
            currentIndex: panel.currentStep
            activeFocusOnTab: true
            Accessible.role: Accessible.List
            Accessible.name: panel.title
            ScrollBar.vertical: ScrollBar {
                policy: stepList.contentHeight > stepList.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
            }
            onCountChanged: {
                if (panel.recording)
                    positionViewAtEnd();
            }
            Keys.onUpPressed: MacroEditorModel.currentStep = Math.max(0, panel.currentStep - 1)
            Keys.onDownPressed: MacroEditorModel.currentStep = Math.min(stepList.count - 1, panel.currentStep + 1)
            Keys.onDeletePressed: MacroEditorModel.askDeleteStep()
            Keys.onMenuPressed: stepMenu.popup()

            delegate: Rectangle {
                id: stepRow
                required property int type
                required property string info
                required property bool isDelay
                required property int index
                readonly property bool selected: index === panel.currentStep

                width: stepList.width - (stepList.contentHeight > stepList.height ? 10 : 0)
                height: 28
                radius: Theme.radiusSmall
                color: selected ? Theme.accentSoft : (stepMouse.containsMouse ? Theme.raised : "transparent")
                Accessible.role: Accessible.ListItem
                Accessible.name: isDelay ? spoken.texts[8].arg(index + 1).arg(info) : spoken.texts[type % 2 === 1 ? 6 : 7].arg(index + 1).arg(MacroEditorModel.displayName(info, panel.displayKeyNames))
                Accessible.selectable: true
                Accessible.selected: selected
                border.color: selected && stepList.activeFocus ? Theme.focus : "transparent"

                MouseArea {
                    id: stepMouse
                    anchors.fill: parent
                    hoverEnabled: true
                    acceptedButtons: Qt.LeftButton | Qt.RightButton
                    onClicked: mouse => {
                        stepList.forceActiveFocus();
                        MacroEditorModel.currentStep = stepRow.index;
                        if (mouse.button === Qt.RightButton)
                            stepMenu.popup();
                    }
                }

                Caption {
                    x: 6
                    width: 36
                    height: parent.height
                    dim: true
                    horizontalAlignment: Text.AlignRight
                    font.pixelSize: Theme.fontSmall
                    text: String(stepRow.index + 1)
                }

                Caption {
                    x: 52
                    width: 22
                    height: parent.height
                    horizontalAlignment: Text.AlignHCenter
                    color: stepRow.isDelay ? Theme.textFaint : (stepRow.type % 2 === 1 ? Theme.accentText : Theme.focus)
                    text: stepRow.isDelay ? "◷" : (stepRow.type % 2 === 1 ? "↓" : "↑")
                }

                Caption {
                    x: 80
                    width: parent.width - x - 8
                    height: parent.height
                    visible: !stepRow.isDelay
                    text: MacroEditorModel.displayName(stepRow.info, panel.displayKeyNames)
                }

                Row {
                    x: 80
                    height: parent.height
                    spacing: 6
                    visible: stepRow.isDelay
                    Caption {
                        height: parent.height
                        dim: true
                        text: panel.texts[9]
                    }
                    ThemedTextField {
                        id: delayField
                        objectName: "delayField"
                        y: 2
                        height: parent.height - 4
                        implicitWidth: 84
                        topPadding: 0
                        bottomPadding: 0
                        verticalAlignment: TextInput.AlignVCenter
                        horizontalAlignment: TextInput.AlignRight
                        text: stepRow.info
                        maximumLength: 5
                        inputMethodHints: Qt.ImhDigitsOnly
                        Accessible.name: spoken.texts[9].arg(stepRow.index + 1)
                        onActiveFocusChanged: {
                            if (activeFocus)
                                MacroEditorModel.currentStep = stepRow.index;
                        }
                        onEditingFinished: {
                            if (text !== stepRow.info && !MacroEditorModel.setDelay(stepRow.index, text))
                                text = stepRow.info;
                        }
                    }
                    Caption {
                        height: parent.height
                        dim: true
                        text: uiTexts.texts[6]
                    }
                }
            }
        }

        Caption {
            anchors.centerIn: parent
            width: parent.width - 32
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            elide: Text.ElideNone
            dim: true
            visible: stepList.count === 0 && !panel.recording && panel.currentType === 0
            text: panel.texts[8] + " / " + panel.texts[14]
        }
    }

    Column {
        id: controls
        anchors.bottom: parent.bottom
        width: parent.width
        spacing: Theme.spacing

        // Everything on one row where it fits; otherwise the repeat count
        // moves to a second row under the record button.
        Item {
            id: toolRow
            readonly property bool oneRow: recordButton.width + delayBox.width + repeatGroup.width + deleteStepButton.width + 4 * Theme.spacing <= width
            width: parent.width
            height: oneRow ? recordButton.height : recordButton.height + Theme.spacing + repeatGroup.height

            FontMetrics {
                id: recordMetrics
                font: recordButton.font
            }

            ThemedButton {
                id: recordButton
                objectName: "recordButton"
                // As wide as the longer of its two texts, so that it keeps its
                // size when recording starts.
                implicitWidth: Math.max(132, Math.ceil(Math.max(recordMetrics.advanceWidth(panel.texts[5]), recordMetrics.advanceWidth(panel.texts[8]))) + 32)
                accented: panel.recording
                enabled: panel.currentType === 0
                text: panel.recording ? panel.texts[5] : panel.texts[8]
                onClicked: MacroEditorModel.toggleRecording()
            }

            ThemedCheckBox {
                id: delayBox
                objectName: "delayBox"
                x: recordButton.width + Theme.spacing
                height: recordButton.height
                text: panel.texts[9]
                checked: MacroEditorModel.delayEnabled
                onToggled: MacroEditorModel.delayEnabled = checked
            }

            Row {
                id: repeatGroup
                x: toolRow.oneRow ? delayBox.x + delayBox.width + Theme.spacing : 0
                y: toolRow.oneRow ? 0 : recordButton.height + Theme.spacing
                height: recordButton.height
                spacing: Theme.spacing

                Caption {
                    height: parent.height
                    text: panel.texts[6]
                }

                ThemedTextField {
                    id: repeatField
                    objectName: "repeatField"
                    y: 2
                    implicitWidth: 72
                    enabled: panel.currentType === 0 && !panel.recording
                    maximumLength: 4
                    horizontalAlignment: TextInput.AlignRight
                    Accessible.name: panel.texts[6]
                    validator: IntValidator {
                        bottom: 1
                        top: 65535
                    }
                    text: String(MacroStepsModel.repeat)
                    // The field follows `repeat` again once the typed text is
                    // taken (or refused), so the next macro shows its own count.
                    onEditingFinished: {
                        MacroEditorModel.setRepeat(text);
                        text = Qt.binding(() => String(MacroStepsModel.repeat));
                    }
                }
            }

            ThemedButton {
                id: deleteStepButton
                objectName: "deleteStepButton"
                x: toolRow.width - width
                text: panel.texts[10]
                Accessible.name: spoken.texts[5]
                enabled: panel.currentStep >= 0 && !panel.recording
                onClicked: MacroEditorModel.askDeleteStep()
            }
        }

        Caption {
            objectName: "captureNote"
            width: parent.width
            wrapMode: Text.WordWrap
            elide: Text.ElideNone
            visible: MacroEditorModel.captureMode !== "global"
            color: Theme.warning
            font.pixelSize: Theme.fontSmall
            text: uiTexts.texts[5]
        }

        // Why the mouse does not get the whole macro, or why recording ended.
        Caption {
            objectName: "lengthNote"
            width: parent.width
            wrapMode: Text.WordWrap
            elide: Text.ElideNone
            visible: panel.currentType === 0 && text !== ""
            color: Theme.warning
            font.pixelSize: Theme.fontSmall
            text: MacroStepsModel.tooLong ? (MacroStepsModel.sentSteps > 0 ? panel.texts[23].arg(MacroStepsModel.sentSteps) : panel.texts[25]) : (MacroEditorModel.recordingFull ? panel.texts[24] : "")
        }

        Column {
            width: parent.width
            Repeater {
                model: 3
                delegate: ThemedRadioButton {
                    required property int index
                    objectName: "playMode" + index
                    width: parent.width
                    text: panel.playModeTexts[index]
                    checked: KeyMatrixModel.playMode === index
                    onClicked: KeyMatrixModel.playMode = index
                }
            }
        }
    }

    ThemedMenu {
        id: stepMenu
        objectName: "stepMenu"
        ThemedMenuItem {
            text: panel.texts[10]
            enabled: panel.currentStep >= 0 && !panel.recording
            onTriggered: MacroEditorModel.deleteStep()
        }
        ThemedMenuItem {
            text: panel.texts[13]
            enabled: panel.canAdd && !panel.recording
            onTriggered: MacroEditorModel.insertDelay()
        }
        ThemedMenuItem {
            text: panel.texts[14]
            enabled: panel.canAdd && !panel.recording
            onTriggered: MacroEditorModel.askInsertKey()
        }
        ThemedMenuItem {
            text: panel.texts[15]
            enabled: panel.canAdd && !panel.recording
            onTriggered: MacroEditorModel.insertButton("MS-L")
        }
        ThemedMenuItem {
            text: panel.texts[16]
            enabled: panel.canAdd && !panel.recording
            onTriggered: MacroEditorModel.insertButton("MS-M")
        }
        ThemedMenuItem {
            text: panel.texts[17]
            enabled: panel.canAdd && !panel.recording
            onTriggered: MacroEditorModel.insertButton("MS-R")
        }
    }

    SectionTexts {
        id: uiTexts
        section: "interface"
        defaults: LanguageModel.interfaceDefaults
    }
}
