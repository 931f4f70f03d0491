import QtQuick
import QtQuick.Controls.Basic

// Tab 1, lighting presets. Up to four presets (numbers 0..3), each with an
// effect, speed, brightness, direction, fifteen colour blocks and the block
// the mouse shows. Preset p keeps its values under keys ending in p
// (nothing for preset 0).
Item {
    id: page

    property var scene
    property bool isSave: false
    // Set by the first init: until then the page holds placeholders, which
    // are never stored or sent.
    property bool isLoaded: false

    property int lightCount: 1
    property int lightNo: 0
    property var names: ["Light 1"]

    // The current preset.
    property int effectEntry: 0
    property int speed: 2
    property int brightness: 51
    property int direction: 0
    property int colorIndex: 0
    property var blocks: []

    readonly property int maxPresets: 4
    readonly property int maxSpeed: 4
    readonly property int maxBrightness: 51
    // Entry k of the effect list stands for these effect numbers.
    readonly property var effectNumbers: [0, 1, 2, 3, 5, 6]
    readonly property int effect: effectNumbers[effectEntry]

    readonly property var defaultTexts: ["靜態", "呼吸", "霓虹", "循環流水", "對稱流水", "滅燈", "clockwise", "anti clockwise", "up", "down", "Effect", "Speed", "Brightness", "Direction", "Color", "Preset", "Add", "Delete", "Rename", "Lighting"]
    readonly property var strings: scene ? scene.texts("lightControl", defaultTexts) : defaultTexts

    // ---- Values ------------------------------------------------------------

    function suffix(p) {
        return p === 0 ? "" : String(p);
    }

    function hex2(n) {
        var s = (Number(n) & 255).toString(16);
        return s.length < 2 ? "0" + s : s;
    }

    function entryForEffect(e) {
        var k = effectNumbers.indexOf(Number(e));
        return k < 0 ? 0 : k;
    }

    function rgbOf(text) {
        var t = String(text);
        return [parseInt(t.substr(1, 2), 16) || 0, parseInt(t.substr(3, 2), 16) || 0, parseInt(t.substr(5, 2), 16) || 0];
    }

    function colourValues() {
        var list = new Array(0);
        for (var i = 0; i < 15; ++i)
            list = list.concat(rgbOf(blocks[i]));
        return list;
    }

    function sentColours() {
        var rgb = rgbOf(blocks[colorIndex]);
        var list = new Array(0);
        for (var i = 0; i < 15; ++i)
            list = list.concat(rgb);
        return list;
    }

    function clampInt(v, low, high, fallback) {
        var n = Math.floor(Number(v));
        if (isNaN(n))
            return fallback;
        return Math.max(low, Math.min(high, n));
    }

    function nameList(isRecovery) {
        var raw = ui_View.getDataList("mouseLight/lightName", isRecovery) || [];
        var list = new Array(0);
        for (var i = 0; i < raw.length; ++i)
            if (String(raw[i]) !== "loaderquiver")
                list.push(String(raw[i]));
        return list;
    }

    function freeName() {
        for (var k = 1; ; ++k) {
            var candidate = "Light " + k;
            if (names.indexOf(candidate) < 0)
                return candidate;
        }
    }

    // Reads preset p into the page.
    function loadPreset(p, isRecovery) {
        colorIndex = clampInt(ui_View.getData("mouseLight/colorIndex" + suffix(p), isRecovery), 0, 14, 0);
        var value = ui_View.getDataList("mouseLight/lightValue" + suffix(p), isRecovery) || [];
        effectEntry = entryForEffect(value.length > 0 ? value[0] : 0);
        speed = clampInt(value[1], 0, maxSpeed, 2);
        brightness = clampInt(value[2], 0, maxBrightness, maxBrightness);
        direction = clampInt(value[3], 0, 1, 0);
        var rgb = ui_View.getDataList("mouseLight/colorValue" + suffix(p), isRecovery) || [];
        var list = new Array(0);
        for (var i = 0; i < 15; ++i)
            list.push("#" + hex2(rgb[3 * i] || 0) + hex2(rgb[3 * i + 1] || 0) + hex2(rgb[3 * i + 2] || 0));
        blocks = list;
    }

    // ---- User edits ----------------------------------------------------------

    function chooseEffect(entry) {
        effectEntry = clampInt(entry, 0, 5, 0);
        isSave = true;
    }
    function setSpeed(v) {
        speed = clampInt(v, 0, maxSpeed, speed);
        isSave = true;
    }
    function setBrightness(v) {
        brightness = clampInt(v, 0, maxBrightness, brightness);
        isSave = true;
    }
    function setDirection(v) {
        direction = clampInt(v, 0, 1, 0);
        isSave = true;
    }
    function selectBlock(i) {
        colorIndex = clampInt(i, 0, 14, 0);
        isSave = true;
    }
    function setBlockColour(i, text) {
        if (!/^#[0-9a-fA-F]{6}$/.test(String(text)))
            return;
        var list = blocks.slice();
        list[i] = String(text).toLowerCase();
        blocks = list;
        isSave = true;
    }

    // Another preset becomes current; the one left keeps its edits.
    function choosePreset(p) {
        if (p < 0 || p >= lightCount || p === lightNo)
            return;
        saveData(false, 0);
        lightNo = p;
        loadPreset(p, false);
        saveData(false, 0);
        isSave = true;
    }

    // A new preset starts as a copy of the current one.
    function addPreset() {
        if (lightCount >= maxPresets)
            return false;
        saveData(false, 0);
        var list = names.slice();
        list.push(freeName());
        names = list;
        lightNo = lightCount;
        lightCount = lightCount + 1;
        saveData(false, 0);
        isSave = true;
        return true;
    }

    function renamePreset(p, text) {
        var name = String(text).trim();
        if (name === "" || p < 0 || p >= lightCount)
            return false;
        var list = names.slice();
        list[p] = name;
        names = list;
        saveData(false, 0);
        isSave = true;
        return true;
    }

    // The presets after p move down one number.
    function deletePreset(p) {
        if (lightCount <= 1 || p < 0 || p >= lightCount)
            return false;
        saveData(false, 0);
        for (var q = p; q < lightCount - 1; ++q) {
            ui_View.setData("mouseLight/colorIndex" + suffix(q), ui_View.getData("mouseLight/colorIndex" + suffix(q + 1), false));
            ui_View.setDataList("mouseLight/lightValue" + suffix(q), ui_View.getDataList("mouseLight/lightValue" + suffix(q + 1), false));
            ui_View.setDataList("mouseLight/colorValue" + suffix(q), ui_View.getDataList("mouseLight/colorValue" + suffix(q + 1), false));
        }
        var list = names.slice();
        list.splice(p, 1);
        names = list;
        lightCount = lightCount - 1;
        lightNo = Math.min(lightNo > p ? lightNo - 1 : lightNo, lightCount - 1);
        loadPreset(lightNo, false);
        saveData(false, 0);
        isSave = true;
        return true;
    }

    // ---- Protocol ------------------------------------------------------------

    function init(isSendData, isRecovery) {
        if (!isRecovery) {
            lightCount = clampInt(ui_View.getData("mouseLight/lightCount", false), 1, maxPresets, 1);
            lightNo = clampInt(ui_View.getData("mouseLight/lightNo", false), 0, lightCount - 1, 0);
            var list = nameList(false).slice(0, lightCount);
            while (list.length < lightCount)
                list.push("Light " + (list.length + 1));
            names = list;
        }
        loadPreset(lightNo, isRecovery);
        isLoaded = true;
        if (isSendData)
            saveData(true, 0);
    }

    // The step is accepted for the save-all flow; the page has one send.
    function saveData(isSendData, step) {
        if (!isLoaded)
            return;
        var p = lightNo;
        ui_View.setData("mouseLight/lightNo", p);
        ui_View.setData("mouseLight/lightCount", lightCount);
        ui_View.setData("mouseLight/colorIndex" + suffix(p), colorIndex);
        ui_View.setDataList("mouseLight/lightValue" + suffix(p), [effect, speed, brightness, direction]);
        ui_View.setDataList("mouseLight/colorValue" + suffix(p), colourValues());
        var stored = names.slice();
        if (stored.length === 1)
            stored.push("loaderquiver");
        ui_View.setDataList("mouseLight/lightName", stored);
        if (isSendData)
            ui_View.mouseSetLedType(effect, brightness * 5, speed, direction, sentColours());
    }

    Connections {
        target: page.scene
        function onEmptyAreaPressed() {
            renameField.visible = false;
        }
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
                model: page.names
                delegate: ThemedButton {
                    required property int index
                    required property string modelData
                    objectName: "lightPreset" + index
                    width: presetList.width
                    checkable: true
                    checked: page.lightNo === index
                    text: modelData
                    onClicked: {
                        checked = Qt.binding(function () {
                            return page.lightNo === index;
                        });
                        page.choosePreset(index);
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
                if (page.renamePreset(page.lightNo, text))
                    visible = false;
                else
                    text = page.names[page.lightNo];
            }
            onActiveFocusChanged: {
                if (!activeFocus)
                    visible = false;
            }
        }

        Row {
            y: presetList.y + presetList.height + Theme.spacing + (renameField.visible ? renameField.height + Theme.spacing : 0)
            spacing: 6
            ThemedButton {
                objectName: "lightAddButton"
                implicitWidth: 84
                text: page.strings[16]
                enabled: page.lightCount < page.maxPresets
                onClicked: page.addPreset()
            }
            ThemedButton {
                objectName: "lightRenameButton"
                implicitWidth: 84
                text: page.strings[18]
                onClicked: {
                    renameField.text = page.names[page.lightNo];
                    renameField.visible = true;
                    renameField.forceActiveFocus();
                    renameField.selectAll();
                }
            }
            ThemedButton {
                objectName: "lightDeleteButton"
                implicitWidth: 84
                text: page.strings[17]
                enabled: page.lightCount > 1
                onClicked: page.scene.confirm(page.strings[17] + " \u201c" + page.names[page.lightNo] + "\u201d?", function () {
                    page.deletePreset(page.lightNo);
                })
            }
        }

        ThemedButton {
            objectName: "lightBackButton"
            anchors.bottom: parent.bottom
            width: parent.width
            text: "\u2190 " + (page.scene ? page.scene.keyMatrixStrings[17] : "")
            onClicked: page.scene.showTab(0)
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
                    checked: page.effectEntry === index
                    onClicked: page.chooseEffect(index)
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
                text: page.strings[11] + "  " + (page.speed + 1)
                dim: !speedSlider.enabled
            }
            ThemedSlider {
                id: speedSlider
                objectName: "lightSpeed"
                width: parent.width
                from: 0
                to: page.maxSpeed
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: page.speed
                enabled: page.effect !== 0 && page.effect !== 6
                Accessible.name: page.strings[11]
                onMoved: page.setSpeed(value)
            }
            Item {
                width: 1
                height: Theme.spacing
            }
            Caption {
                width: parent.width
                height: 24
                text: page.strings[12] + "  " + Math.round(page.brightness * 100 / page.maxBrightness) + "%"
                dim: !brightnessSlider.enabled
            }
            ThemedSlider {
                id: brightnessSlider
                objectName: "lightBrightness"
                width: parent.width
                from: 0
                to: page.maxBrightness
                stepSize: 1
                snapMode: Slider.SnapAlways
                value: page.brightness
                enabled: page.effect !== 6
                Accessible.name: page.strings[12]
                onMoved: page.setBrightness(value)
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
                enabled: page.effect === 3 || page.effect === 5
                Repeater {
                    model: 2
                    delegate: ThemedRadioButton {
                        required property int index
                        objectName: "lightDirection" + index
                        // Symmetrical flow runs up or down, the others turn.
                        text: page.effect === 5 ? page.strings[8 + index] : page.strings[6 + index]
                        checked: page.direction === index
                        onClicked: page.setDirection(index)
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
                model: 15
                delegate: ColorBlock {
                    required property int index
                    objectName: "lightBlock" + index
                    width: 44
                    height: 44
                    colour: page.blocks.length > index ? page.blocks[index] : Theme.swatches[0]
                    label: String(index + 1)
                    selected: page.colorIndex === index
                    onClicked: page.selectBlock(index)
                }
            }
        }

        ColorPicker {
            objectPrefix: "lightPicker"
            y: blockGrid.height + Theme.spacingLarge + 8
            width: Math.min(parent.width, 420)
            enabled: page.effect !== 6
            colour: page.blocks.length > page.colorIndex ? String(page.blocks[page.colorIndex]) : Theme.swatches[0]
            onEdited: function (colour) {
                page.setBlockColour(page.colorIndex, colour);
            }
        }
    }
}
