import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// The recoil editor over RecoilModel: the weapon table (name, trigger key,
// fire period, X, Y, times; 0 times = endless) and the weapon in each of the
// three recoil slots.
Overlay {
    id: overlay

    // What relays the presses beside any control (emptyAreaPressed).
    property var inputSource: null

    readonly property bool isSave: RecoilModel.isSave

    readonly property var defaultTexts: ["Gun Editor", "Slot ", "Weapon", "Trigger Key", "Fire Period", "X", "Y", "Times", "Endless", "Save", "Save All", "X Sensitivity", "Y Sensitivity", "Add", "Delete", "Rename", "Apply"]
    readonly property var strings: gunTexts.texts
    AccessibleTexts {
        id: spoken
    }
    SectionTexts {
        id: gunTexts
        section: "gunControl"
        defaults: overlay.defaultTexts
    }
    title: strings[0]
    panelWidth: 780
    panelHeight: 400

    Connections {
        target: overlay.inputSource
        function onEmptyAreaPressed() {
            weaponBox.popup.close();
        }
    }

    // ---- View ----------------------------------------------------------------

    Panel {
        id: slotPanel
        x: 0
        y: 0
        width: 280
        height: parent.height
        title: overlay.strings[1].trim()

        Column {
            width: parent.width
            spacing: Theme.spacing
            Repeater {
                model: 3
                delegate: Rectangle {
                    id: slotRow
                    required property int index
                    width: parent.width
                    height: 40
                    radius: Theme.radius
                    color: RecoilModel.currentSlot === index ? Theme.accentSoft : "transparent"
                    border.color: RecoilModel.currentSlot === index ? Theme.accent : "transparent"

                    TapHandler {
                        onTapped: {
                            RecoilModel.currentSlot = slotRow.index;
                            RecoilModel.currentWeapon = RecoilModel.selectGun[slotRow.index];
                        }
                    }
                    Caption {
                        id: slotCaption
                        objectName: "recoilSlotCaption" + slotRow.index
                        x: 8
                        width: Math.max(74, implicitWidth)
                        elide: Text.ElideNone
                        height: parent.height
                        text: overlay.strings[1] + (slotRow.index + 1)
                    }
                    ThemedComboBox {
                        objectName: "recoilSlot" + slotRow.index
                        x: slotCaption.x + slotCaption.width + 2
                        width: parent.width - x - 6
                        anchors.verticalCenter: parent.verticalCenter
                        model: RecoilModel.weaponNames
                        currentIndex: RecoilModel.selectGun[slotRow.index]
                        // A renamed weapon gives a new model: keep the choice.
                        onModelChanged: currentIndex = Qt.binding(() => RecoilModel.selectGun[slotRow.index])
                        Accessible.name: overlay.strings[1] + (slotRow.index + 1)
                        onActivated: i => RecoilModel.chooseSlotWeapon(slotRow.index, i)
                    }
                }
            }
        }
    }

    Panel {
        id: weaponPanel
        x: slotPanel.width + Theme.spacingLarge
        y: 0
        width: parent.width - x
        height: parent.height

        Grid {
            id: form
            columns: 2
            columnSpacing: Theme.spacingLarge
            rowSpacing: 10
            width: parent.width
            verticalItemAlignment: Grid.AlignVCenter

            // The labels' column is as wide as its longest label; the
            // fields take what is left, up to 300.
            readonly property int labelWidth: {
                let widest = 0;
                for (const i of [2, 15, 3, 4, 5, 6, 7])
                    widest = Math.max(widest, labelMetrics.advanceWidth(overlay.strings[i]));
                return Math.max(110, Math.ceil(widest) + 1);
            }
            readonly property int fieldWidth: Math.min(300, width - labelWidth - columnSpacing)

            FontMetrics {
                id: labelMetrics
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
            }

            Caption {
                width: form.labelWidth
                height: Theme.controlHeight
                text: overlay.strings[2]
            }
            ThemedComboBox {
                id: weaponBox
                objectName: "recoilWeapon"
                width: form.fieldWidth
                model: RecoilModel.weaponNames
                currentIndex: RecoilModel.currentWeapon
                onModelChanged: currentIndex = Qt.binding(() => RecoilModel.currentWeapon)
                Accessible.name: overlay.strings[2]
                onActivated: i => RecoilModel.currentWeapon = i
            }

            Caption {
                width: form.labelWidth
                height: Theme.controlHeight
                text: overlay.strings[15]
            }
            ThemedTextField {
                id: nameField
                objectName: "recoilName"
                width: form.fieldWidth
                maximumLength: 24
                text: RecoilModel.shown.name
                Accessible.name: overlay.strings[15]
                onEditingFinished: {
                    RecoilModel.rename(text);
                    text = Qt.binding(() => RecoilModel.shown.name);
                }
            }

            Caption {
                width: form.labelWidth
                height: Theme.controlHeight
                text: overlay.strings[3]
            }
            Caption {
                objectName: "recoilKey"
                width: form.fieldWidth
                height: Theme.controlHeight
                dim: true
                text: RecoilModel.shown.key
            }

            Caption {
                width: form.labelWidth
                height: Theme.controlHeight
                text: overlay.strings[4]
            }
            Row {
                spacing: Theme.spacing
                ThemedSlider {
                    objectName: "recoilPeriodSlider"
                    width: form.fieldWidth - 80 - Theme.spacing
                    anchors.verticalCenter: parent.verticalCenter
                    from: RecoilModel.minPeriod
                    to: RecoilModel.maxPeriod
                    stepSize: 1
                    snapMode: Slider.SnapAlways
                    value: RecoilModel.shown.period
                    Accessible.name: overlay.strings[4]
                    onMoved: RecoilModel.edit("period", Math.round(value))
                }
                BoundedField {
                    objectName: "recoilPeriod"
                    // The slider beside it bears the caption.
                    Accessible.name: spoken.asNumber(overlay.strings[4])
                    width: 80
                    minimum: RecoilModel.minPeriod
                    maximum: RecoilModel.maxPeriod
                    value: RecoilModel.shown.period
                    onCommitted: v => RecoilModel.edit("period", v)
                }
            }

            Caption {
                width: form.labelWidth
                height: Theme.controlHeight
                text: overlay.strings[5]
            }
            BoundedField {
                objectName: "recoilX"
                Accessible.name: overlay.strings[5]
                minimum: -128
                maximum: 127
                value: RecoilModel.shown.x
                onCommitted: v => RecoilModel.edit("x", v)
            }

            Caption {
                width: form.labelWidth
                height: Theme.controlHeight
                text: overlay.strings[6]
            }
            BoundedField {
                objectName: "recoilY"
                Accessible.name: overlay.strings[6]
                minimum: -127
                maximum: 127
                value: RecoilModel.shown.y
                onCommitted: v => RecoilModel.edit("y", v)
            }

            Caption {
                width: form.labelWidth
                height: Theme.controlHeight
                text: overlay.strings[7]
            }
            Row {
                spacing: Theme.spacingLarge
                BoundedField {
                    objectName: "recoilTimes"
                    Accessible.name: overlay.strings[7]
                    minimum: 0
                    maximum: 255
                    value: RecoilModel.shown.times
                    onCommitted: v => RecoilModel.edit("times", v)
                }
                ThemedCheckBox {
                    objectName: "recoilEndless"
                    anchors.verticalCenter: parent.verticalCenter
                    text: overlay.strings[8]
                    checked: RecoilModel.shown.times === 0
                    onToggled: {
                        RecoilModel.edit("times", checked ? 0 : 1);
                        checked = Qt.binding(() => RecoilModel.shown.times === 0);
                    }
                }
            }
        }

        Row {
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            spacing: Theme.spacing
            ThemedButton {
                objectName: "recoilSaveAll"
                text: overlay.strings[10]
                onClicked: RecoilModel.save(true)
            }
            ThemedButton {
                objectName: "recoilSave"
                accented: true
                text: overlay.strings[9]
                onClicked: RecoilModel.save(false)
            }
        }
    }
}
