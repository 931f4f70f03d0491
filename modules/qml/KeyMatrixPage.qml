import QtQuick
import Kesta.Model

// The button list: sixteen assignments per mode (office and game), of which
// the fourteen labelled positions are shown, each with its current function
// and a list of functions. The first five functions apply at once, the
// others finish in an overlay. Saving always sends both matrices.
Item {
    id: page

    property var scene
    property bool isSave: false
    // Set by the first init: until then the page holds placeholders, which
    // are never stored or sent.
    property bool isLoaded: false
    property var picture

    // 0 office, 1 game: which matrix the list shows and edits.
    property int mode: 0
    property var office: blankMatrix()
    property var game: blankMatrix()
    // The matrices as last loaded or saved.
    property var savedOffice: blankMatrix()
    property var savedGame: blankMatrix()
    // What a macro binding replaced ("mode/index" -> entry), given back when
    // the macro is deleted from the library.
    property var beforeMacro: ({})
    readonly property var entries: mode === 1 ? game : office

    // Matrix index under the pointer, in the list or on the picture.
    property int hoveredIndex: -1

    readonly property var labels: ui_View.getButtonLabels()
    readonly property var keyCodes: ui_View.getKeyCodes()
    readonly property var builtInKeyNames: ui_View.getKeyNames()
    readonly property var keyNames: scene ? scene.texts("keyCode", builtInKeyNames) : builtInKeyNames
    readonly property var captions: scene ? scene.texts("keyAssigment", AssignmentTable.captionDefaults) : AssignmentTable.captionDefaults
    readonly property var warnings: scene ? scene.texts("warningAssigment", ["Please keep a key at least for the left button function."]) : []
    // Bumped when macro names change under the texts.
    property int macroRevision: 0
    readonly property var entryTexts: textsOf(entries, captions, keyNames, macroRevision)
    readonly property var functionTexts: functionTextsOf(scene ? scene.langStrings : null, scene ? scene.keyMatrixStrings : [])
    // The labelled positions the mouse has, in order.
    readonly property var visibleIndexes: shownIndexes(labels, scene ? scene.keyCount : 0)

    // ---- Protocol of the root's flows ----------------------------------------

    function init(isSendData, isRecovery) {
        var o = new Array(0), g = new Array(0);
        for (var j = 0; j < 16; ++j) {
            o.push(normalEntry(ui_View.mouseGetKeydefine(0, j, isRecovery)));
            g.push(normalEntry(ui_View.mouseGetKeydefine(1, j, isRecovery)));
        }
        office = o;
        game = g;
        savedOffice = copyMatrix(o);
        savedGame = copyMatrix(g);
        macroRevision++;
        isLoaded = true;
        if (isSendData)
            saveData(true);
    }

    // Stores both matrices and sends the active one; this page always sends.
    function saveData(isSendData) {
        if (!isLoaded)
            return;
        ui_View.mouseSetKeyMatrix(scene.mouseMode, flatMatrix(office), flatMatrix(game), true, recoilPeriods());
        savedOffice = copyMatrix(office);
        savedGame = copyMatrix(game);
    }

    function initMode(newMode) {
        mode = newMode === 1 ? 1 : 0;
        macroRevision++;
    }

    function resetKeys() {
        isSave = true;
        beforeMacro = {};
        macroRevision++;
    }

    // [{slot, name}] of every button of the shown matrix bound to a macro.
    function macroSlots() {
        var found = new Array(0);
        var seen = {};
        for (var j = 0; j < 16; ++j) {
            var e = entries[j];
            if (Number(e[0]) !== 4)
                continue;
            var slot = Number(e[2]);
            if (slot >= AssignmentTable.macroSlots || seen[slot])
                continue;
            var name = macroName(mode, slot);
            if (name === "")
                continue;
            seen[slot] = true;
            found.push({
                slot: slot,
                name: name
            });
        }
        return found;
    }

    // The macro `name` left the library: every button bound to it gets back
    // what it had before, and the matrices are saved.
    function releaseMacro(name) {
        var changed = false;
        var matrices = [copyMatrix(office), copyMatrix(game)];
        var saved = [savedOffice, savedGame];
        for (var m = 0; m < 2; ++m) {
            for (var j = 0; j < 16; ++j) {
                var e = matrices[m][j];
                if (Number(e[0]) !== 4 || macroName(m, Number(e[2])) !== String(name))
                    continue;
                var back = beforeMacro[m + "/" + j];
                if (!back || Number(back[0]) === 4)
                    back = saved[m][j];
                if (Number(back[0]) === 4)
                    back = normalEntry(ui_View.mouseGetKeydefine(m, j, true));
                matrices[m][j] = back.slice();
                delete beforeMacro[m + "/" + j];
                changed = true;
            }
        }
        if (!changed)
            return;
        office = matrices[0];
        game = matrices[1];
        saveData(true);
        macroRevision++;
    }

    function refreshTexts() {
        macroRevision++;
    }

    // ---- Editing ---------------------------------------------------------------

    function entryOf(index) {
        return entries[index].slice();
    }

    function labelOf(index) {
        return labels[index] || "";
    }

    // The button's number as the user counts it: its label's place.
    function numberOf(index) {
        var at = labelOrder(labels).indexOf(index);
        return at >= 0 ? at + 1 : index + 1;
    }

    function textOf(index) {
        return entryTexts[index] || "";
    }

    // Whether the entry sends a left click.
    function holdsLeft(entry) {
        return Number(entry[0]) === 0 && Number(entry[1]) === 0 && Number(entry[2]) === 0xF0;
    }

    // Whether `index` is the only shown button with the left click.
    function soleLeftHolder(index, matrix) {
        if (!holdsLeft(matrix[index]))
            return false;
        var order = labelOrder(labels);
        for (var i = 0; i < order.length; ++i) {
            if (order[i] !== index && holdsLeft(matrix[order[i]]))
                return false;
        }
        return true;
    }

    // The left click stays: the first button takes no other mouse button and
    // no macro, and no change may take the left click from its last holder.
    function refuses(index, entry) {
        var type = Number(entry[0]);
        if (index === 0 && ((type === 0 && Number(entry[1]) === 0 && Number(entry[2]) >= 0xF1 && Number(entry[2]) <= 0xF4) || type === 4))
            return true;
        return !holdsLeft(entry) && soleLeftHolder(index, entries);
    }

    function warnLeftButton() {
        scene.showWarning(warnings[0]);
    }

    // Gives button `index` the entry; false (with the warning) when refused.
    function assign(index, entry) {
        if (index < 0 || index > 15 || labelOf(index) === "")
            return false;
        if (refuses(index, entry)) {
            warnLeftButton();
            return false;
        }
        setEntry(index, entry);
        return true;
    }

    // Binds macro `name` to button `index` (its own slot) with a play mode,
    // stores the name and sends the macro to the slot.
    function bindMacro(index, name, playMode) {
        if (index < 0 || index >= AssignmentTable.macroSlots || String(name) === "" || playMode < 0 || playMode > 2)
            return false;
        var entry = [4, playMode, index, 0];
        if (refuses(index, entry)) {
            warnLeftButton();
            return false;
        }
        var before = entries[index];
        if (Number(before[0]) !== 4) {
            var copy = beforeMacro;
            copy[mode + "/" + index] = before.slice();
            beforeMacro = copy;
        }
        ui_View.setData(macroGroup(mode) + "/" + index, String(name));
        setEntry(index, entry);
        scene.sendMacroToSlot(String(name), index);
        return true;
    }

    function setEntry(index, entry) {
        var matrix = copyMatrix(entries);
        matrix[index] = normalEntry(entry);
        if (mode === 1)
            game = matrix;
        else
            office = matrix;
        isSave = true;
    }

    // A function of the list was chosen for button `index`.
    function chooseFunction(index, fn) {
        var f = AssignmentTable.functions[fn];
        if (!f)
            return;
        if (f.entry) {
            assign(index, f.entry);
            return;
        }
        if (f.open === "dpi")
            scene.pages.dpiAssign.openFor(index);
        else if (f.open === "macro")
            scene.pages.macroAssign.openFor(index);
        else if (f.open === "combo")
            scene.pages.inputAssign.openFor(index, entryOf(index), function (bits, key1, key2) {
                return page.assign(index, [2, bits, key1, key2]);
            });
        else
            scene.pages.keyAssign.openFor(index, f.open);
    }

    // The picture asks to edit a button: the sole left-click holder of the
    // office matrix stays as it is.
    function openAssignment(index) {
        if (labelOf(index) === "")
            return;
        if (soleLeftHolder(index, mode === 1 ? game : office)) {
            warnLeftButton();
            return;
        }
        scene.pages.keyAssign.openFor(index, "");
    }

    // ---- Helpers ---------------------------------------------------------------

    function blankMatrix() {
        var m = new Array(0);
        for (var j = 0; j < 16; ++j)
            m.push([0, 0, 0, 0]);
        return m;
    }

    function copyMatrix(matrix) {
        var m = new Array(0);
        for (var j = 0; j < 16; ++j)
            m.push(matrix[j].slice());
        return m;
    }

    function normalEntry(list) {
        var e = new Array(0);
        for (var i = 0; i < 4; ++i) {
            var v = list && i < list.length ? Number(list[i]) : 0;
            e.push(isFinite(v) ? v : 0);
        }
        return e;
    }

    function flatMatrix(matrix) {
        var flat = new Array(0);
        for (var j = 0; j < 16; ++j) {
            for (var i = 0; i < 4; ++i)
                flat.push(matrix[j][i]);
        }
        return flat;
    }

    function macroGroup(m) {
        return m === 1 ? "mouseMacroKey2" : "mouseMacroKey";
    }

    function macroName(m, slot) {
        var v = ui_View.getData(macroGroup(m) + "/" + slot, false);
        return v === undefined || v === null ? "" : String(v);
    }

    function keyName(code) {
        var i = keyCodes.indexOf(Number(code));
        if (i < 0)
            return "0x" + AssignmentTable.hex(code);
        return keyNames[i] || builtInKeyNames[i];
    }

    function textsOf(matrix, texts, names, revision) {
        var out = new Array(0);
        for (var j = 0; j < 16; ++j)
            out.push(AssignmentTable.entryText(matrix[j], texts, keyName, function (slot) {
                return page.macroName(page.mode, slot);
            }));
        return out;
    }

    // The function list's texts: built in, or the language's captions.
    function functionTextsOf(langStrings, matrixStrings) {
        var loaded = langStrings ? langStrings["keyAssigment"] : null;
        var out = new Array(0);
        var functions = AssignmentTable.functions;
        for (var f = 0; f < functions.length; ++f) {
            var fn = functions[f];
            var text = fn.text;
            if (fn.matrixCaption !== undefined && matrixStrings && matrixStrings[fn.matrixCaption])
                text = matrixStrings[fn.matrixCaption];
            else if (fn.caption !== undefined && loaded && loaded[fn.caption])
                text = loaded[fn.caption];
            out.push(text);
        }
        return out;
    }

    // The function list of button `index`: no weapon keys in office mode, no
    // macro where the button has no macro slot.
    function functionModel(index, m, texts) {
        var model = new Array(0);
        var count = AssignmentTable.functions.length;
        for (var f = 0; f < count; ++f) {
            if (!AssignmentTable.allows(f, index, m))
                continue;
            model.push({
                text: texts[f],
                fn: f
            });
        }
        return model;
    }

    // Where an entry's function sits in a button's function list, -1 when
    // the list has no item for it.
    function functionIndex(model, entry) {
        var fn = AssignmentTable.functionOf(entry);
        for (var i = 0; fn >= 0 && model && i < model.length; ++i) {
            if (model[i].fn === fn)
                return i;
        }
        return -1;
    }

    // What the function list shows for an entry.
    function functionCaption(entry, texts, entryText) {
        var fn = AssignmentTable.functionOf(entry);
        if (fn >= 0)
            return texts[fn];
        return Number(entry[0]) === 0 ? captions[1] : entryText;
    }

    function labelOrder(all) {
        var order = new Array(0);
        for (var j = 0; j < 16; ++j) {
            if (all[j])
                order.push(j);
        }
        return order;
    }

    function shownIndexes(all, keyCount) {
        var order = labelOrder(all);
        var count = keyCount > 0 ? Math.min(keyCount, order.length) : order.length;
        return order.slice(0, count);
    }

    // The weapon periods of the three recoil slots: from the recoil editor
    // when it offers them, else from the weapon table.
    function recoilPeriods() {
        var recoil = scene.pages ? scene.pages.recoil : null;
        if (recoil && typeof recoil.slotPeriods === "function")
            return recoil.slotPeriods();
        var chosen = ui_View.getGlobalData("mouse/selectGun");
        if (!Array.isArray(chosen))
            chosen = String(chosen === undefined || chosen === null ? "" : chosen).split(",");
        var periods = new Array(0);
        for (var s = 0; s < 3; ++s) {
            var gun = s < chosen.length && String(chosen[s]).trim() !== "" ? parseInt(chosen[s], 10) : s;
            var data = ui_View.getGunData(isFinite(gun) ? gun : s);
            var period = data && data.length > 2 ? parseInt(data[2], 10) : 0;
            periods.push(isFinite(period) ? period : 0);
        }
        return periods;
    }

    Connections {
        target: page.scene
        function onInitDropDownList() {
            page.macroRevision++;
        }
    }

    Panel {
        id: panel
        anchors.fill: parent
        title: page.scene ? page.scene.keyMatrixStrings[1] : ""

        Column {
            id: list
            width: parent.width
            spacing: 0

            Repeater {
                model: page.visibleIndexes
                delegate: Item {
                    id: row
                    required property int modelData
                    readonly property bool lit: page.hoveredIndex === modelData
                    objectName: "keyRow_" + modelData
                    width: list.width
                    height: Math.min(Theme.rowHeight + 2, Math.floor(panel.height - panel.bodyTop - Theme.spacing) / Math.max(1, page.visibleIndexes.length))

                    Rectangle {
                        anchors.fill: parent
                        radius: Theme.radiusSmall
                        color: Theme.accentSoft
                        visible: row.lit
                    }

                    HoverHandler {
                        onHoveredChanged: {
                            if (hovered)
                                page.hoveredIndex = row.modelData;
                            else if (page.hoveredIndex === row.modelData)
                                page.hoveredIndex = -1;
                        }
                    }

                    CircledLabel {
                        id: label
                        x: 4
                        anchors.verticalCenter: parent.verticalCenter
                        diameter: 22
                        label: page.labels[row.modelData] || ""
                        color: row.lit ? Theme.accent : Theme.text
                    }

                    Caption {
                        objectName: "keyText_" + row.modelData
                        x: label.x + label.width + 8
                        width: combo.x - x - 6
                        height: row.height
                        dim: !row.lit
                        font.pixelSize: Theme.fontSmall + 1
                        text: page.entryTexts[row.modelData] || ""
                    }

                    ThemedComboBox {
                        id: combo
                        objectName: "keyFunction_" + row.modelData
                        x: row.width - width - 2
                        anchors.verticalCenter: parent.verticalCenter
                        width: 172
                        height: Math.min(Theme.controlHeight, row.height - 2)
                        textRole: "text"
                        model: page.functionModel(row.modelData, page.mode, page.functionTexts)
                        displayText: page.functionCaption(page.entries[row.modelData], page.functionTexts, page.entryTexts[row.modelData] || "")
                        // The list opens on the button's own function, so that
                        // opening and confirming it, or a stray arrow key,
                        // does not pick another one.
                        currentIndex: page.functionIndex(model, page.entries[row.modelData])
                        // A pick moves the list's index before the page has
                        // taken it (a refused pick, or an overlay that is
                        // cancelled, never changes the entry): follow the
                        // entry again, as after a new model.
                        function followEntry() {
                            currentIndex = Qt.binding(function () {
                                return page.functionIndex(combo.model, page.entries[row.modelData]);
                            });
                        }
                        onModelChanged: followEntry()
                        onActivated: function (i) {
                            if (i >= 0 && i < model.length)
                                page.chooseFunction(row.modelData, model[i].fn);
                            followEntry();
                        }

                        Connections {
                            target: page.scene
                            function onEmptyAreaPressed() {
                                combo.popup.close();
                            }
                        }
                    }
                }
            }
        }
    }
}
