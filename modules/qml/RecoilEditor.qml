import QtQuick
import QtQuick.Controls.Basic

// The recoil editor: the weapon table (name, trigger key, fire period, X, Y,
// times; 0 times = endless) and the weapon in each of the three recoil
// slots. A slot's weapon is sent to the mouse when the slot changes; the
// fire periods of the slotted weapons reach the mouse with the key matrix
// (see slotPeriods).
Overlay {
    id: overlay

    property var scene

    property bool isSave: false

    property var weapons: []
    property var selectGun: [0, 1, 2]
    property int currentSlot: 0
    property int currentWeapon: 0

    readonly property var builtInWeapons: ["M416", "AKM", "M16A4", "SCAR-L", "UNP9", "Thomson"]
    readonly property int minPeriod: 5
    readonly property int maxPeriod: 91
    readonly property var defaultTexts: ["Gun Editor", "Slot ", "Weapon", "Trigger Key", "Fire Period", "X", "Y", "Times", "Endless", "Save", "Save All", "X Sensitivity", "Y Sensitivity", "Add", "Delete", "Rename", "Apply"]
    readonly property var strings: scene ? scene.texts("gunControl", defaultTexts) : defaultTexts
    readonly property var weaponNames: weapons.map(function (w) {
        return w.name;
    })
    readonly property var shown: weapons.length > currentWeapon ? weapons[currentWeapon] : ({
            name: "",
            key: "",
            period: minPeriod,
            x: 0,
            y: 0,
            times: 0
        })

    title: strings[0]
    panelWidth: 780
    panelHeight: 400

    // ---- Values ------------------------------------------------------------

    function toInt(v, fallback) {
        var n = Math.floor(Number(v));
        return isNaN(n) ? fallback : n;
    }

    function clamp(v, low, high) {
        return Math.max(low, Math.min(high, v));
    }

    function weaponFrom(list, i) {
        var name = i < builtInWeapons.length ? builtInWeapons[i] : "Weapon " + (i + 1);
        if (!list || list.length < 6)
            return {
                name: name,
                key: "L-Click",
                period: 10,
                x: 0,
                y: 10,
                times: 0
            };
        return {
            name: String(list[0]) !== "" ? String(list[0]) : name,
            key: String(list[1]),
            period: clamp(toInt(list[2], 10), minPeriod, maxPeriod),
            x: clamp(toInt(list[3], 0), -128, 127),
            y: clamp(toInt(list[4], 10), -127, 127),
            times: clamp(toInt(list[5], 0), 0, 255)
        };
    }

    function recordOf(w) {
        return [w.name, w.key, String(w.period), String(w.x), String(w.y), String(w.times)];
    }

    // Periods of the three slotted weapons, for the key matrix.
    function slotPeriods() {
        var list = new Array(0);
        for (var s = 0; s < 3; ++s) {
            var w = weapons[selectGun[s]];
            list.push(w ? w.period : 10);
        }
        return list;
    }

    // ---- Operations ----------------------------------------------------------

    function sendSlot(s) {
        var w = weapons[selectGun[s]];
        if (!w)
            return;
        ui_View.mouseSendGundata(s + 1, [w.times, w.x, w.y]);
    }

    function saveWeapon(i) {
        if (i < 0 || i >= weapons.length)
            return;
        ui_View.mouseSaveGundata(i, recordOf(weapons[i]));
        isSave = true;
    }

    function periodsChanged() {
        if (scene && scene.pages && scene.pages.keyMatrix)
            scene.pages.keyMatrix.isSave = true;
    }

    // Saves weapon i (or all) and sends the slots that hold a saved weapon.
    function save(all) {
        var from = all ? 0 : currentWeapon;
        var to = all ? weapons.length - 1 : currentWeapon;
        for (var i = from; i <= to; ++i)
            saveWeapon(i);
        for (var s = 0; s < 3; ++s)
            if (selectGun[s] >= from && selectGun[s] <= to)
                sendSlot(s);
        periodsChanged();
    }

    function edit(field, v) {
        var list = weapons.slice();
        var w = Object.assign({}, list[currentWeapon]);
        w[field] = v;
        list[currentWeapon] = w;
        weapons = list;
    }

    function rename(text) {
        var name = String(text).trim();
        if (name === "")
            return false;
        edit("name", name);
        return true;
    }

    function chooseSlotWeapon(s, i) {
        if (s < 0 || s > 2 || i < 0 || i >= weapons.length)
            return;
        var list = selectGun.slice();
        list[s] = i;
        selectGun = list;
        ui_View.setGlobalData("mouse/selectGun", list);
        currentSlot = s;
        currentWeapon = i;
        sendSlot(s);
        periodsChanged();
    }

    // ---- Protocol ------------------------------------------------------------

    function init(isSendData, isRecovery) {
        var keys = ui_View.getGunDataKey() || [];
        var count = Math.max(builtInWeapons.length, keys.length);
        var list = new Array(0);
        for (var i = 0; i < count; ++i)
            list.push(weaponFrom(ui_View.getGunData(i), i));
        weapons = list;
        var stored = ui_View.getGlobalData("mouse/selectGun");
        var slots = [0, 1, 2];
        if (stored && stored.length >= 3)
            for (var s = 0; s < 3; ++s) {
                var n = toInt(stored[s], s);
                slots[s] = (n >= 0 && n < list.length) ? n : s;
            }
        selectGun = slots;
        currentSlot = 0;
        currentWeapon = slots[0];
        if (isSendData)
            for (var k = 0; k < 3; ++k)
                sendSlot(k);
    }

    // Part of reset all.
    function reset() {
        selectGun = [0, 1, 2];
        ui_View.setGlobalData("mouse/selectGun", [0, 1, 2]);
        var list = weapons.slice();
        var ys = [5, 7, 8];
        for (var i = 0; i < 3 && i < list.length; ++i) {
            var w = Object.assign({}, list[i]);
            w.y = ys[i];
            w.period = 9;
            list[i] = w;
        }
        weapons = list;
        for (var k = 0; k < 3; ++k)
            saveWeapon(k);
        for (var s = 0; s < 3; ++s)
            sendSlot(s);
        currentSlot = 0;
        currentWeapon = 0;
    }

    Connections {
        target: overlay.scene
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
                    color: overlay.currentSlot === index ? Theme.accentSoft : "transparent"
                    border.color: overlay.currentSlot === index ? Theme.accent : "transparent"

                    TapHandler {
                        onTapped: {
                            overlay.currentSlot = slotRow.index;
                            overlay.currentWeapon = overlay.selectGun[slotRow.index];
                        }
                    }
                    Caption {
                        objectName: "recoilSlotCaption" + slotRow.index
                        x: 8
                        width: 74
                        height: parent.height
                        text: overlay.strings[1] + (slotRow.index + 1)
                    }
                    ThemedComboBox {
                        objectName: "recoilSlot" + slotRow.index
                        x: 84
                        width: parent.width - 84 - 6
                        anchors.verticalCenter: parent.verticalCenter
                        model: overlay.weaponNames
                        currentIndex: overlay.selectGun[slotRow.index]
                        // A renamed weapon gives a new model: keep the choice.
                        onModelChanged: currentIndex = Qt.binding(function () {
                            return overlay.selectGun[slotRow.index];
                        })
                        Accessible.name: overlay.strings[1] + (slotRow.index + 1)
                        onActivated: function (i) {
                            overlay.chooseSlotWeapon(slotRow.index, i);
                        }
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

            Caption {
                width: 110
                height: Theme.controlHeight
                text: overlay.strings[2]
            }
            ThemedComboBox {
                id: weaponBox
                objectName: "recoilWeapon"
                width: 300
                model: overlay.weaponNames
                currentIndex: overlay.currentWeapon
                onModelChanged: currentIndex = Qt.binding(function () {
                    return overlay.currentWeapon;
                })
                Accessible.name: overlay.strings[2]
                onActivated: function (i) {
                    overlay.currentWeapon = i;
                }
            }

            Caption {
                width: 110
                height: Theme.controlHeight
                text: overlay.strings[15]
            }
            ThemedTextField {
                id: nameField
                objectName: "recoilName"
                width: 300
                maximumLength: 24
                text: overlay.shown.name
                Accessible.name: overlay.strings[15]
                onEditingFinished: {
                    overlay.rename(text);
                    text = Qt.binding(function () {
                        return overlay.shown.name;
                    });
                }
            }

            Caption {
                width: 110
                height: Theme.controlHeight
                text: overlay.strings[3]
            }
            Caption {
                objectName: "recoilKey"
                width: 300
                height: Theme.controlHeight
                dim: true
                text: overlay.shown.key
            }

            Caption {
                width: 110
                height: Theme.controlHeight
                text: overlay.strings[4]
            }
            Row {
                spacing: Theme.spacing
                ThemedSlider {
                    objectName: "recoilPeriodSlider"
                    width: 212
                    anchors.verticalCenter: parent.verticalCenter
                    from: overlay.minPeriod
                    to: overlay.maxPeriod
                    stepSize: 1
                    snapMode: Slider.SnapAlways
                    value: overlay.shown.period
                    Accessible.name: overlay.strings[4]
                    onMoved: overlay.edit("period", Math.round(value))
                }
                BoundedField {
                    objectName: "recoilPeriod"
                    width: 80
                    minimum: overlay.minPeriod
                    maximum: overlay.maxPeriod
                    value: overlay.shown.period
                    onCommitted: function (v) {
                        overlay.edit("period", v);
                    }
                }
            }

            Caption {
                width: 110
                height: Theme.controlHeight
                text: overlay.strings[5]
            }
            BoundedField {
                objectName: "recoilX"
                minimum: -128
                maximum: 127
                value: overlay.shown.x
                onCommitted: function (v) {
                    overlay.edit("x", v);
                }
            }

            Caption {
                width: 110
                height: Theme.controlHeight
                text: overlay.strings[6]
            }
            BoundedField {
                objectName: "recoilY"
                minimum: -127
                maximum: 127
                value: overlay.shown.y
                onCommitted: function (v) {
                    overlay.edit("y", v);
                }
            }

            Caption {
                width: 110
                height: Theme.controlHeight
                text: overlay.strings[7]
            }
            Row {
                spacing: Theme.spacingLarge
                BoundedField {
                    objectName: "recoilTimes"
                    minimum: 0
                    maximum: 255
                    value: overlay.shown.times
                    onCommitted: function (v) {
                        overlay.edit("times", v);
                    }
                }
                ThemedCheckBox {
                    objectName: "recoilEndless"
                    anchors.verticalCenter: parent.verticalCenter
                    text: overlay.strings[8]
                    checked: overlay.shown.times === 0
                    onToggled: {
                        overlay.edit("times", checked ? 0 : 1);
                        checked = Qt.binding(function () {
                            return overlay.shown.times === 0;
                        });
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
                onClicked: overlay.save(true)
            }
            ThemedButton {
                objectName: "recoilSave"
                accented: true
                text: overlay.strings[9]
                onClicked: overlay.save(false)
            }
        }
    }
}
