import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// Pointer speed, double-click speed, scroll lines and lift-off, over
// SystemSettingsModel and LodModel. The two speed sliders show the stored
// handle position (3..338); the model turns it into the speed sent.
Item {
    id: page

    readonly property var strings: texts.texts

    // The desktop is asked once the page is first shown.
    Component.onCompleted: SystemSettingsModel.readSupport()

    AccessibleTexts {
        id: spoken
    }
    SectionTexts {
        id: texts
        section: "systemSetting"
        defaults: ["System Setting", "Pointer Speed", "Double-click Speed", "Scroll Speed", "One screen at a time", "Lines at a time", "Lift-off Distance", "Enable", "Slow", "Fast", "Low", "Medium", "High", "Double-click here to test", "Start with the desktop, in the tray"]
    }

    // ---- View --------------------------------------------------------------

    Panel {
        anchors.fill: parent
        title: page.strings[0]

        Column {
            id: column
            width: parent.width
            spacing: 6

            Caption {
                width: parent.width
                height: 24
                text: page.strings[1]
            }
            ThemedSlider {
                id: pointerSlider
                objectName: "pointerSlider"
                enabled: SystemSettingsModel.speedAvailable
                width: SystemSettingsModel.lastPosition - SystemSettingsModel.firstPosition + 18
                from: SystemSettingsModel.firstPosition
                to: SystemSettingsModel.lastPosition
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: SystemSettingsModel.mouseRate
                Accessible.name: page.strings[1]
                onMoved: {
                    SystemSettingsModel.setPointer(value);
                    if (!pressed)
                        SystemSettingsModel.saveData(true, 1);
                }
                onPressedChanged: {
                    if (!pressed)
                        SystemSettingsModel.saveData(true, 1);
                }
            }
            Item {
                width: pointerSlider.width
                height: 18
                Caption {
                    height: parent.height
                    dim: true
                    font.pixelSize: Theme.fontSmall
                    text: page.strings[8]
                }
                Caption {
                    anchors.right: parent.right
                    height: parent.height
                    dim: true
                    font.pixelSize: Theme.fontSmall
                    text: page.strings[9]
                }
            }

            Caption {
                width: parent.width
                height: 24
                text: page.strings[2]
            }
            Row {
                spacing: Theme.spacing
                ThemedSlider {
                    id: doubleSlider
                    objectName: "doubleClickSlider"
                    enabled: SystemSettingsModel.doubleClickAvailable
                    width: SystemSettingsModel.lastPosition - SystemSettingsModel.firstPosition + 18
                    from: SystemSettingsModel.firstPosition
                    to: SystemSettingsModel.lastPosition
                    stepSize: 1
                    snapMode: Slider.SnapAlways
                    value: SystemSettingsModel.doubleRate
                    Accessible.name: page.strings[2]
                    onMoved: {
                        SystemSettingsModel.setDoubleClick(value);
                        if (!pressed)
                            SystemSettingsModel.saveData(true, 2);
                    }
                    onPressedChanged: {
                        if (!pressed)
                            SystemSettingsModel.saveData(true, 2);
                    }
                }
            }
            Item {
                width: doubleSlider.width
                height: 18
                Caption {
                    height: parent.height
                    dim: true
                    font.pixelSize: Theme.fontSmall
                    text: page.strings[8]
                }
                Caption {
                    anchors.right: parent.right
                    height: parent.height
                    dim: true
                    font.pixelSize: Theme.fontSmall
                    text: page.strings[9]
                }
            }
            // Tries the double-click time: each double click flips it.
            Rectangle {
                id: testArea
                property bool lit: false
                width: parent.width
                height: 34
                radius: Theme.radius
                color: lit ? Theme.accentSoft : Theme.raised
                border.color: Theme.border
                Caption {
                    anchors.fill: parent
                    horizontalAlignment: Text.AlignHCenter
                    dim: true
                    text: page.strings[13]
                }
                TapHandler {
                    onDoubleTapped: testArea.lit = !testArea.lit
                }
            }

            Item {
                width: 1
                height: 4
            }
            Caption {
                width: parent.width
                height: 24
                text: page.strings[3]
            }
            ThemedRadioButton {
                objectName: "scrollWholeRadio"
                enabled: SystemSettingsModel.scrollAvailable
                text: page.strings[4]
                checked: SystemSettingsModel.scrollWhole
                onClicked: {
                    SystemSettingsModel.setScrollWhole(true);
                    SystemSettingsModel.saveData(true, 3);
                }
            }
            Row {
                spacing: Theme.spacing
                ThemedRadioButton {
                    objectName: "scrollLinesRadio"
                    enabled: SystemSettingsModel.scrollAvailable
                    anchors.verticalCenter: parent.verticalCenter
                    text: page.strings[5]
                    checked: !SystemSettingsModel.scrollWhole
                    onClicked: {
                        SystemSettingsModel.setScrollWhole(false);
                        SystemSettingsModel.saveData(true, 3);
                    }
                }
                ThemedTextField {
                    id: linesField
                    objectName: "scrollLinesField"
                    width: 70
                    enabled: SystemSettingsModel.scrollAvailable && !SystemSettingsModel.scrollWhole
                    text: String(SystemSettingsModel.scrollLines)
                    inputMethodHints: Qt.ImhDigitsOnly
                    // The radio button beside it bears the caption.
                    Accessible.name: spoken.asNumber(page.strings[5])
                    // Anything but 1..100 gives the previous number back.
                    onEditingFinished: {
                        if (String(SystemSettingsModel.scrollLines) === text.trim())
                            return;
                        if (SystemSettingsModel.setScrollLines(text))
                            SystemSettingsModel.saveData(true, 3);
                        text = Qt.binding(() => String(SystemSettingsModel.scrollLines));
                    }
                }
            }

            Item {
                width: 1
                height: 4
            }
            LodControl {
                width: parent.width
                captionText: page.strings[6]
                enableText: page.strings[7]
                objectPrefix: "systemLod"
            }

            Item {
                width: 1
                height: 4
            }
            // The desktop's autostart entry (starts the program hidden in
            // the tray, so DPI switches are reported after login).
            ThemedCheckBox {
                id: autostartBox
                objectName: "autostartBox"
                width: parent.width
                text: page.strings[14]
                Component.onCompleted: checked = ui_View.isAutostart()
                onToggled: {
                    if (!ui_View.setAutostart(checked))
                        checked = ui_View.isAutostart();
                }
            }
            // Why a pointer setting above cannot be changed here.
            Caption {
                objectName: "pointerNote"
                width: parent.width
                visible: text !== ""
                dim: true
                wrapMode: Text.WordWrap
                elide: Text.ElideNone
                text: SystemSettingsModel.pointerNote
            }
        }
    }
}
