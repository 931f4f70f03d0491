import QtQuick
import QtQuick.Controls.Basic

// DPI stages: how many are shown, each stage's value and enable box, the
// colours of stages 1 to 6, and the stage the mouse is on. Slider positions
// are pixel positions on a 435-pixel slider (handle 18): x runs from 3 to
// 420 and gives floor(((x - 3) * (max - min) / 417 + min) / base) * base.
Item {
    id: page

    property var scene
    property bool isSave: false
    // Set by the first init: until then the page holds placeholders, which
    // are never stored or sent.
    property bool isLoaded: false

    // State before the first init.
    property int dpiCount: 8
    property int currentDpiCount: 4
    property int minDPI: 500
    property int maxDPI: 7000
    property string sensorType: "3320"
    property int dpiBase: 500
    property var values: [250, 500, 750, 1000, 1250, 1500, 1750, 2000]
    property var enables: [1, 1, 1, 1, 1, 1, 1, 1]
    property var colours: [Theme.swatches[0], Theme.swatches[0], Theme.swatches[0], Theme.swatches[0], Theme.swatches[0], Theme.swatches[0]]
    readonly property int sliderWidth: 435
    // Stages 1..shownCount are on the page; the others are never enabled.
    property int shownCount: 4

    readonly property int stageSlots: Math.min(dpiCount, 8)
    readonly property var defaultTexts: ["DPI Setting", "Stage ", "Stages", "Color", "Enable", "Current", "Min", "Max", "Select Color", "DPI Value"]
    readonly property var strings: scene ? scene.texts("dpiSetting", defaultTexts) : defaultTexts
    readonly property var lightTexts: scene ? scene.texts("lightControl", ["Static", "Breath", "Neon", "Circulating Water", "Symmetrical Flow", "OFF", "clockwise", "anti clockwise", "up", "down", "Effect", "Speed", "Brightness", "Direction", "Color", "Preset", "Add", "Delete", "Rename", "Lighting"]) : []

    // ---- Formulas ----------------------------------------------------------

    function valueForX(x) {
        return Math.floor(((x - 3) * (maxDPI - minDPI) / (sliderWidth - 18) + minDPI) / dpiBase) * dpiBase;
    }

    function xForValue(v) {
        if (maxDPI <= minDPI)
            return 3;
        var x = 3 + (Number(v) - minDPI) / (maxDPI - minDPI) * (sliderWidth - 18);
        return Math.max(3, Math.min(sliderWidth - 15, x));
    }

    function enabledAmong(n) {
        var count = 0;
        for (var i = 0; i < n && i < 8; ++i)
            if (Number(enables[i]) === 1)
                ++count;
        return count;
    }

    // The enables as the mouse gets them: a stage that is not shown is off.
    function sentEnables() {
        var list = new Array(0);
        for (var i = 0; i < 8; ++i)
            list.push(i < shownCount && Number(enables[i]) === 1 ? 1 : 0);
        return list;
    }

    function rgbList() {
        var list = new Array(0);
        for (var k = 0; k < 6; ++k) {
            var c = String(colours[k]);
            list.push(parseInt(c.substr(1, 2), 16) || 0, parseInt(c.substr(3, 2), 16) || 0, parseInt(c.substr(5, 2), 16) || 0);
        }
        // Stages 7 and 8 are white.
        list.push(255, 255, 255, 255, 255, 255);
        return list;
    }

    // ---- User edits --------------------------------------------------------

    function setStageFromX(i, x) {
        var v = valueForX(x);
        var list = values.slice();
        list[i] = v;
        values = list;
        isSave = true;
    }

    function chooseCount(n) {
        n = Math.max(1, Math.min(stageSlots, Number(n)));
        var list = new Array(0);
        for (var i = 0; i < 8; ++i)
            list.push(i < n ? 1 : 0);
        enables = list;
        shownCount = n;
        currentDpiCount = n;
        isSave = true;
    }

    // Ticking recounts the enabled stages; the last enabled one stays on.
    function setStageEnabled(i, on) {
        var list = enables.slice();
        list[i] = on ? 1 : 0;
        var count = 0;
        for (var k = 0; k < stageSlots; ++k)
            if (k < shownCount && list[k] === 1)
                ++count;
        if (count === 0) {
            enables = enables.slice();
            return false;
        }
        enables = list;
        currentDpiCount = count;
        isSave = true;
        return true;
    }

    function setColour(k, text) {
        if (!/^#[0-9a-fA-F]{6}$/.test(String(text)))
            return;
        var list = colours.slice();
        list[k] = String(text).toLowerCase();
        colours = list;
        isSave = true;
    }

    // ---- Protocol ----------------------------------------------------------

    function listOf(key, isRecovery, size, fallback) {
        var raw = ui_View.getDataList(key, isRecovery);
        var list = new Array(0);
        for (var i = 0; i < size; ++i)
            list.push(raw && i < raw.length && String(raw[i]) !== "" ? raw[i] : fallback[i]);
        return list;
    }

    function init(isSendData, isRecovery) {
        dpiCount = Number(ui_View.getData("mouse/dpiCount", isRecovery)) || 8;
        currentDpiCount = Number(ui_View.getData("mouse/currentDpiCount", isRecovery)) || 1;
        minDPI = Number(ui_View.getGlobalData("mouse/minDPI")) || minDPI;
        maxDPI = Number(ui_View.getGlobalData("mouse/maxDPI")) || maxDPI;
        sensorType = String(ui_View.getGlobalData("mouse/sensorType"));
        dpiBase = Number(ui_View.getGlobalData("mouse/dpiBase")) || dpiBase;
        enables = listOf("mouse/dpiEnableArray", isRecovery, 8, [1, 1, 1, 1, 1, 1, 1, 1]).map(function (e) {
            return Number(e) === 1 ? 1 : 0;
        });
        values = listOf("mouse/dpiValueArray", isRecovery, 8, values).map(Number);
        colours = listOf("mouse/dpiColorArray", isRecovery, 6, colours).map(function (c) {
            return /^#[0-9a-fA-F]{6}$/.test(String(c)) ? String(c).toLowerCase() : Theme.swatches[0];
        });
        isLoaded = true;
        if (dpiCount > 8)
            return;
        // Shown: the fewest stages that hold currentDpiCount enabled ones.
        var n = 1;
        while (n < stageSlots && enabledAmong(n) < currentDpiCount)
            ++n;
        shownCount = n;
        if (isSendData)
            saveData(true);
    }

    function saveData(isSendData) {
        if (!isLoaded)
            return;
        var sent = sentEnables();
        ui_View.setDataList("mouse/dpiValueArray", values);
        ui_View.setData("mouse/currentDpiCount", currentDpiCount);
        ui_View.setDataList("mouse/dpiEnableArray", sent);
        ui_View.setDataList("mouse/dpiColorArray", colours);
        if (!isSendData)
            return;
        ui_View.mouseSetDpi(currentDpiCount, sensorType, values, sent);
        ui_View.mouseSetRGBColor(1, rgbList());
    }

    Connections {
        target: page.scene
        function onEmptyAreaPressed() {
            countBox.popup.close();
            colourPopup.close();
        }
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
            model: {
                var list = new Array(0);
                for (var i = 1; i <= page.stageSlots; ++i)
                    list.push(String(i));
                return list;
            }
            currentIndex: page.shownCount - 1
            onModelChanged: currentIndex = Qt.binding(function () {
                return page.shownCount - 1;
            })
            Accessible.name: page.strings[2]
            onActivated: function (index) {
                page.chooseCount(index + 1);
            }
        }
        Caption {
            objectName: "dpiCurrentText"
            x: parent.width - width
            y: 0
            width: 220
            height: Theme.controlHeight
            horizontalAlignment: Text.AlignRight
            dim: true
            text: page.strings[5] + ": " + page.strings[1] + (page.scene ? page.scene.currentDpiStage + 1 : 1)
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
                    readonly property bool current: page.scene ? page.scene.currentDpiStage === index : false
                    width: stages.width
                    height: 32
                    radius: Theme.radiusSmall
                    color: current ? Theme.accentSoft : "transparent"
                    visible: index < page.shownCount

                    ThemedCheckBox {
                        objectName: "dpiEnable" + row.index
                        x: 2
                        width: 40
                        anchors.verticalCenter: parent.verticalCenter
                        text: String(row.index + 1)
                        checked: Number(page.enables[row.index]) === 1
                        Accessible.name: page.strings[1] + (row.index + 1) + " " + page.strings[4]
                        onToggled: {
                            if (!page.setStageEnabled(row.index, checked))
                                checked = true;
                        }
                    }
                    ThemedSlider {
                        objectName: "dpiSlider" + row.index
                        x: 46
                        width: page.sliderWidth
                        anchors.verticalCenter: parent.verticalCenter
                        from: 3
                        to: page.sliderWidth - 15
                        stepSize: 1
                        snapMode: Slider.SnapAlways
                        value: page.xForValue(page.values[row.index])
                        Accessible.name: page.strings[1] + (row.index + 1)
                        onMoved: page.setStageFromX(row.index, value)
                    }
                    Text {
                        objectName: "dpiValue" + row.index
                        x: parent.width - width - 2
                        width: 44
                        height: parent.height
                        text: String(page.values[row.index])
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
                    colour: page.colours[index]
                    label: String(index + 1)
                    selected: colourPopup.opened && colourPopup.stage === index
                    onClicked: colourPopup.edit(index, stageColour)
                }
            }
        }
        ThemedButton {
            objectName: "lightingButton"
            x: parent.width - width
            y: colourCaption.y
            visible: page.scene ? page.scene.isColorful : false
            text: page.lightTexts[19] !== undefined ? page.lightTexts[19] : "Lighting"
            onClicked: page.scene.showTab(1)
        }
    }

    Popup {
        id: colourPopup
        objectName: "dpiColourPopup"

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
                colour: String(page.colours[colourPopup.stage])
                onEdited: function (colour) {
                    page.setColour(colourPopup.stage, colour);
                }
            }
        }
    }
}
