import QtQuick
import QtQuick.Controls.Basic

// Pointer speed, double-click speed, scroll lines and lift-off. The two
// speed sliders store the handle's pixel position (3..338); the position
// becomes a speed index through the thresholds below. The lift-off control
// shows the one LodSetting the main page shows too.
Item {
    id: page

    property var scene
    property bool isSave: false
    // Set by the first init: until then the page holds placeholders, which
    // are never stored or sent.
    property bool isLoaded: false

    property var lod

    property int mouseRate: 163
    property int doubleRate: 161
    property bool scrollWhole: false
    property int scrollLines: 3

    readonly property var thresholds: [4, 37, 70, 104, 138, 172, 205, 239, 272, 305, 338]
    readonly property int firstX: 3
    readonly property int lastX: 338

    readonly property var defaultTexts: ["System Setting", "Pointer Speed", "Double-click Speed", "Scroll Speed", "One screen at a time", "Lines at a time", "Lift-off Distance", "Enable", "Slow", "Fast", "Low", "Medium", "High", "Double-click here to test", "Start with the desktop, in the tray"]
    readonly property var strings: scene ? scene.texts("systemSetting", defaultTexts) : defaultTexts

    // Speed index 0..10 of a slider position: the first threshold above it.
    // The far end (338) is the fastest, not the slowest.
    function speedIndex(x) {
        for (var i = 0; i < thresholds.length; ++i)
            if (thresholds[i] > x)
                return i;
        return thresholds.length - 1;
    }

    function clampX(v, fallback) {
        var n = Math.round(Number(v));
        if (isNaN(n))
            return fallback;
        return Math.max(firstX, Math.min(lastX, n));
    }

    // ---- User edits --------------------------------------------------------

    function setPointer(x) {
        mouseRate = clampX(x, mouseRate);
        isSave = true;
    }
    function setDoubleClick(x) {
        doubleRate = clampX(x, doubleRate);
        isSave = true;
    }
    function setScrollWhole(whole) {
        scrollWhole = whole;
        isSave = true;
    }
    // Lines 1..100 are taken; anything else is refused.
    function setScrollLines(text) {
        var t = String(text).trim();
        if (!/^[0-9]{1,3}$/.test(t))
            return false;
        var n = Number(t);
        if (n < 1 || n > 100)
            return false;
        scrollLines = n;
        scrollWhole = false;
        isSave = true;
        return true;
    }

    // ---- Protocol ----------------------------------------------------------

    function init(isSendData, isRecovery) {
        var m = Number(ui_View.getData("mouse/mouseRate", isRecovery));
        mouseRate = clampX(m === 174 ? 163 : m, 163);
        var d = Number(ui_View.getData("mouse/doubleRate", isRecovery));
        doubleRate = clampX(d === 174 ? 161 : d, 161);
        if (lod) {
            lod.position = lod.clampPosition(ui_View.getData("mouse/lod", isRecovery));
            lod.enabled = Number(ui_View.getData("mouse/lodEn", isRecovery)) === 1;
        }
        var s = Math.floor(Number(ui_View.getData("mouse/scrollRate", isRecovery)));
        if (s > 100) {
            scrollWhole = true;
        } else {
            scrollWhole = false;
            scrollLines = s >= 1 ? s : 3;
        }
        linesField.text = String(scrollLines);
        isLoaded = true;
        if (isSendData)
            saveData(true, 0);
    }

    // Step 0 sends everything, 1 the pointer speed, 2 the double-click
    // speed, 3 the scroll lines; the lift-off value goes every time.
    function saveData(isSendData, step) {
        if (!isLoaded)
            return;
        ui_View.setData("mouse/mouseRate", mouseRate);
        ui_View.setData("mouse/doubleRate", doubleRate);
        var lines = scrollWhole ? 1000 : scrollLines;
        ui_View.setData("mouse/scrollRate", lines);
        if (lod)
            lod.store();
        if (!isSendData)
            return;
        if (step === 0 || step === 1)
            ui_View.mouseSetCursorSpeed(speedIndex(mouseRate));
        if (step === 0 || step === 2)
            ui_View.mouseSetDoubleClickSpeed(speedIndex(doubleRate));
        if (step === 0 || step === 3)
            ui_View.mouseSetVerticalScrollLines(lines);
        if (lod)
            lod.send();
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
                width: page.lastX - page.firstX + 18
                from: page.firstX
                to: page.lastX
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: page.mouseRate
                Accessible.name: page.strings[1]
                onMoved: {
                    page.setPointer(value);
                    if (!pressed)
                        page.saveData(true, 1);
                }
                onPressedChanged: {
                    if (!pressed)
                        page.saveData(true, 1);
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
                    width: page.lastX - page.firstX + 18
                    from: page.firstX
                    to: page.lastX
                    stepSize: 1
                    snapMode: Slider.SnapAlways
                    value: page.doubleRate
                    Accessible.name: page.strings[2]
                    onMoved: {
                        page.setDoubleClick(value);
                        if (!pressed)
                            page.saveData(true, 2);
                    }
                    onPressedChanged: {
                        if (!pressed)
                            page.saveData(true, 2);
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
                text: page.strings[4]
                checked: page.scrollWhole
                onClicked: {
                    page.setScrollWhole(true);
                    page.saveData(true, 3);
                }
            }
            Row {
                spacing: Theme.spacing
                ThemedRadioButton {
                    objectName: "scrollLinesRadio"
                    anchors.verticalCenter: parent.verticalCenter
                    text: page.strings[5]
                    checked: !page.scrollWhole
                    onClicked: {
                        page.setScrollWhole(false);
                        page.saveData(true, 3);
                    }
                }
                ThemedTextField {
                    id: linesField
                    objectName: "scrollLinesField"
                    width: 70
                    enabled: !page.scrollWhole
                    text: "3"
                    inputMethodHints: Qt.ImhDigitsOnly
                    Accessible.name: page.strings[5]
                    // Anything but 1..100 gives the previous number back.
                    onEditingFinished: {
                        if (String(page.scrollLines) === text.trim())
                            return;
                        if (page.setScrollLines(text))
                            page.saveData(true, 3);
                        text = String(page.scrollLines);
                    }
                }
            }

            Item {
                width: 1
                height: 4
            }
            LodControl {
                scene: page.scene
                setting: page.lod
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
        }
    }
}
