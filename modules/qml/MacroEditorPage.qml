import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Window

// The macro library: on the left the tree of macros and folders, on the right
// the steps of the selected macro with recording, repeat count and play mode.
//
// The page owns the tree model (built from name.bin by init()) and is the only
// caller that changes the library: every command is a fixed sequence of ui_View
// operations, and each change of a macro's steps is saved at once and raised
// as modifyMacroData.
//
// For the macro-assignment overlay: macroList() lists every macro of the
// library (building the tree if init() has not run yet), macroTree() the whole
// tree, and playMode is the play mode chosen here, which the overlay writes
// into the binding it makes (choosePlayMode changes it from there).
Item {
    id: page

    property var scene
    property bool isSave: false

    signal deleteMacro(string macroName)
    signal modifyMacroName(int level, int type, string macroOldName, string macroNewName)
    signal modifyMacroData(string macroName)

    // ---- Texts -----------------------------------------------------------

    readonly property var defaultTexts: ["Macro Editor", "Macro Name", "New", "Delete", "Action", "Stop Record", "Times", "OK", "Start Record", "Delay", "Delete", "Import", "Export", "Insert Delay", "Insert Key", "Insert Left Key", "Insert Middle Key", "Insert Right Key", "New macro directory", "New macro", "Batch Import", "Batch export", "Rename"]
    readonly property var t: scene ? scene.texts("macroEditor", defaultTexts) : defaultTexts
    readonly property var warningDefaults: ["", "Already have a macro with the same name!", "Can't add a new folder!", "Confirm delete ?", "Warning", "OK", "Cancel", "", "", "", "A macro in another folder already has this name!", "Not imported, the library already has macros named:"]
    readonly property var warnings: scene ? scene.texts("warningAssigment", warningDefaults) : warningDefaults
    readonly property var playModeDefaults: page.sparseList(18, ["Macro runs one-time after pressing the button", "Macro runs endless loop until any button is pressed", "Macro runs endless loop until button is released"])
    readonly property var playModeTexts: (scene ? scene.texts("keyAssigment", playModeDefaults) : playModeDefaults).slice(18, 21)
    readonly property var displayKeyNames: scene ? scene.texts("keyCode", keyNames) : keyNames

    // ---- Tree model ------------------------------------------------------

    // Root items; each item: textValue, macroType (0 macro, 1 folder),
    // showImg, imgMargin, txtMargin, level, no0..no4, subNode, open.
    property var tree: []
    // The visible rows, in display order: {node, path} (path = indexes from the root).
    property var rows: []
    property bool loaded: false

    // Selection.
    property var selectedPath: []
    property int currentIndex: -1
    property int currentLevel: -1
    property int currentType: -1
    property string currentName: ""
    property int selectIndex0: -1
    property int selectIndex1: -1
    property int selectIndex2: -1
    property int selectIndex3: -1
    property int selectIndex4: -1
    property string selectName0: ""
    property string selectName1: ""
    property string selectName2: ""
    property string selectName3: ""
    property string selectName4: ""

    // ---- Steps -------------------------------------------------------------

    // The selected macro's steps: {type (0..4), info}.
    property var steps: []
    property int currentStep: -1
    property int repeat: 1
    property alias delayEnabled: delayBox.checked
    property int playMode: 0
    readonly property int encodedLength: page.lengthOf(steps)
    readonly property int lengthLimit: 126

    // Recording: ticks of 10 ms since the last recorded event.
    property bool recording: false
    property int ticks: 0
    // "global": the whole desktop is captured; otherwise only keys typed
    // into this window reach recording (see inputCaptureMode).
    property string captureMode: ""

    // The key-name table (built-in names and codes, table order).
    property var keyNames: []
    property var keyCodes: []

    // ---- Building the tree ------------------------------------------------

    function init() {
        if (recording)
            stopRecording();
        keyNames = ui_View.getKeyNames();
        keyCodes = ui_View.getKeyCodes();
        captureMode = String(ui_View.inputCaptureMode());
        var openFolders = openKeys(tree, []);
        ui_View.setMacroLevel(0);
        var names = cleanList(ui_View.getNameList(0));
        var types = cleanList(ui_View.getMacroList_Att(0));
        var root = [];
        for (var i = 0; i < names.length; ++i)
            root.push(makeNode(names[i], Number(types[i]) === 1 ? 1 : 0));
        renumber(root, 0, []);
        loadFolders(root.map(function (node, index) {
            return {
                node: node,
                chain: [node.textValue],
                path: [index]
            };
        }));
        tree = root;
        reopen(tree, [], openFolders);
        loaded = true;
        clearSelection();
    }

    // Reads the children of the given folders from name.bin, then those of
    // their sub-folders, level by level down to level 5.
    function loadFolders(folders) {
        var next = [];
        for (var i = 0; i < folders.length; ++i) {
            var node = folders[i].node;
            var chain = folders[i].chain;
            var path = folders[i].path;
            if (node.macroType !== 1 || node.level > 4)
                continue;
            ui_View.setMacroSelectName(chain[0] || "", chain[1] || "", chain[2] || "", chain[3] || "", chain[4] || "");
            ui_View.setMacroLevel(node.level + 1);
            var names = cleanList(ui_View.getMacroSubList_Att(4, node.textValue));
            var types = cleanList(ui_View.getMacroSubList_Att(0, node.textValue));
            node.subNode = [];
            for (var k = 0; k < names.length; ++k) {
                var child = makeNode(names[k], Number(types[k]) === 1 ? 1 : 0);
                node.subNode.push(child);
                next.push({
                    node: child,
                    chain: chain.concat([child.textValue]),
                    path: path.concat([k])
                });
            }
            // Levels, margins and ancestor indexes follow from the positions.
            renumber(node.subNode, node.level + 1, path);
        }
        if (next.length > 0)
            loadFolders(next);
    }

    // A stored list without its padding sentinel.
    function cleanList(list) {
        var l = [];
        var n = list ? list.length : 0;
        for (var i = 0; i < n; ++i)
            l[i] = String(list[i]);
        if (l.length === 2 && l[1] === "loaderquiver")
            l.pop();
        return l;
    }

    function sparseList(offset, values) {
        var l = [];
        for (var i = 0; i < offset + values.length; ++i)
            l[i] = i < offset ? "" : values[i - offset];
        return l;
    }

    function makeNode(name, type) {
        return {
            textValue: String(name),
            macroType: type,
            showImg: type === 1,
            imgMargin: 5,
            txtMargin: 5,
            level: 0,
            no0: -1,
            no1: -1,
            no2: -1,
            no3: -1,
            no4: -1,
            subNode: [],
            open: false
        };
    }

    // Sets level, margins and ancestor indexes of every item of `list` (at
    // `level`, below the ancestors whose indexes are `chain`) and below.
    function renumber(list, level, chain) {
        for (var i = 0; i < list.length; ++i) {
            var n = list[i];
            n.level = level;
            n.imgMargin = 5 + 20 * level;
            n.txtMargin = 5 + 20 * level + 20 * n.macroType;
            n.showImg = n.macroType === 1;
            n.no0 = chain.length > 0 ? chain[0] : -1;
            n.no1 = chain.length > 1 ? chain[1] : -1;
            n.no2 = chain.length > 2 ? chain[2] : -1;
            n.no3 = chain.length > 3 ? chain[3] : -1;
            n.no4 = chain.length > 4 ? chain[4] : -1;
            renumber(n.subNode, level + 1, chain.concat([i]));
        }
    }

    function nodeAt(path) {
        var list = tree;
        var node = null;
        for (var i = 0; i < path.length; ++i) {
            if (!list || path[i] < 0 || path[i] >= list.length)
                return null;
            node = list[path[i]];
            list = node.subNode;
        }
        return node;
    }

    function listAt(path) {
        return path.length === 0 ? tree : nodeAt(path).subNode;
    }

    function namesOf(path) {
        var names = [];
        var list = tree;
        for (var i = 0; i < path.length; ++i) {
            names.push(list[path[i]].textValue);
            list = list[path[i]].subNode;
        }
        return names;
    }

    function setSelectionPath(names) {
        ui_View.setMacroSelectName(names[0] || "", names[1] || "", names[2] || "", names[3] || "", names[4] || "");
    }

    function openKeys(list, prefix) {
        var keys = [];
        for (var i = 0; i < list.length; ++i) {
            var chain = prefix.concat([list[i].textValue]);
            if (list[i].macroType === 1 && list[i].open)
                keys.push(chain.join("/"));
            keys = keys.concat(openKeys(list[i].subNode, chain));
        }
        return keys;
    }

    function reopen(list, prefix, keys) {
        for (var i = 0; i < list.length; ++i) {
            var chain = prefix.concat([list[i].textValue]);
            if (keys.indexOf(chain.join("/")) >= 0)
                list[i].open = true;
            reopen(list[i].subNode, chain, keys);
        }
    }

    // Visible rows after a change of the model.
    function refreshRows() {
        var out = [];
        function walk(list, path) {
            for (var i = 0; i < list.length; ++i) {
                var p = path.concat([i]);
                out.push({
                    node: list[i],
                    path: p
                });
                if (list[i].macroType === 1 && list[i].open)
                    walk(list[i].subNode, p);
            }
        }
        walk(tree, []);
        rows = out;
        currentIndex = rowOf(selectedPath);
    }

    function rowOf(path) {
        var key = path.join(",");
        for (var i = 0; i < rows.length; ++i) {
            if (rows[i].path.join(",") === key)
                return i;
        }
        return -1;
    }

    function toggleFolder(path) {
        var node = nodeAt(path);
        if (!node || node.macroType !== 1)
            return;
        node.open = !node.open;
        refreshRows();
    }

    // The ten lists of a folder's (or the root's) children, as updataMacroList takes them.
    function listsOf(children) {
        var l = [[], [], [], [], [], [], [], [], [], []];
        for (var i = 0; i < children.length; ++i) {
            var n = children[i];
            l[0].push(n.textValue);
            l[1].push(String(n.macroType));
            l[2].push(n.showImg ? "true" : "false");
            l[3].push(String(n.txtMargin));
            l[4].push(String(n.level));
            l[5].push(String(n.no0));
            l[6].push(String(n.no1));
            l[7].push(String(n.no2));
            l[8].push(String(n.no3));
            l[9].push(String(n.no4));
        }
        return l;
    }

    function writeLists(att, level, name, children) {
        var l = listsOf(children);
        ui_View.updataMacroList(att, level, name, l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8], l[9]);
    }

    // ---- Selection ---------------------------------------------------------

    function selectPath(path) {
        var node = nodeAt(path);
        if (!node)
            return;
        if (recording)
            stopRecording();
        var names = namesOf(path);
        var indexes = [node.no0, node.no1, node.no2, node.no3, node.no4];
        selectedPath = path.slice();
        currentLevel = node.level;
        currentType = node.macroType;
        currentName = node.textValue;
        selectIndex0 = indexes[0];
        selectIndex1 = indexes[1];
        selectIndex2 = indexes[2];
        selectIndex3 = indexes[3];
        selectIndex4 = indexes[4];
        selectName0 = names[0] || "";
        selectName1 = names[1] || "";
        selectName2 = names[2] || "";
        selectName3 = names[3] || "";
        selectName4 = names[4] || "";
        currentIndex = rowOf(selectedPath);
        applySelectionPath();
        loadSteps();
    }

    function selectRow(row) {
        if (row >= 0 && row < rows.length)
            selectPath(rows[row].path);
    }

    // Selects an item by its chain of names ("Folder/Sub/Macro").
    function selectByNames(chain) {
        var names = String(chain).split("/");
        var list = tree;
        var path = [];
        for (var i = 0; i < names.length; ++i) {
            var found = -1;
            for (var k = 0; k < list.length; ++k) {
                if (list[k].textValue === names[i]) {
                    found = k;
                    break;
                }
            }
            if (found < 0)
                return false;
            path.push(found);
            if (i < names.length - 1) {
                list[found].open = true;
                list = list[found].subNode;
            }
        }
        refreshRows();
        selectPath(path);
        return true;
    }

    function clearSelection() {
        if (recording)
            stopRecording();
        selectedPath = [];
        currentIndex = -1;
        currentLevel = -1;
        currentType = -1;
        currentName = "";
        selectIndex0 = selectIndex1 = selectIndex2 = selectIndex3 = selectIndex4 = -1;
        selectName0 = selectName1 = selectName2 = selectName3 = selectName4 = "";
        applySelectionPath();
        steps = [];
        currentStep = -1;
        repeat = 1;
        refreshRows();
    }

    function applySelectionPath() {
        ui_View.setMacroSelectName(selectName0, selectName1, selectName2, selectName3, selectName4);
    }

    function loadSteps() {
        var loadedSteps = [];
        var r = 1;
        if (currentType === 0) {
            var stored = ui_View.loadMacroIni(currentLevel, currentName);
            for (var i = 0; i + 1 < stored.length; ++i) {
                var s = String(stored[i]);
                loadedSteps.push({
                    type: Number(s.charAt(0)),
                    info: s.substring(2)
                });
            }
            if (stored.length > 0)
                r = Number(stored[stored.length - 1]) || 1;
        }
        steps = loadedSteps;
        currentStep = -1;
        repeat = r;
    }

    // ---- Names ---------------------------------------------------------------

    function warn(index) {
        if (scene)
            scene.showWarning(warnings[index]);
    }

    function isAcceptableName(name) {
        return nameDialog.isAcceptable(name);
    }

    // Where New, Import go: the root when nothing or a macro is selected,
    // else inside the selected folder.
    function target() {
        if (currentType !== 1)
            return {
                level: 0,
                path: [],
                name: currentName
            };
        return {
            level: currentLevel + 1,
            path: selectedPath.slice(),
            name: currentName
        };
    }

    // The names stored for the target's list, and those the tree shows.
    function nameTaken(name, where) {
        var stored;
        if (where.level === 0) {
            stored = cleanList(ui_View.getNameList(0));
        } else {
            ui_View.setMacroLevel(where.level);
            stored = cleanList(ui_View.getMacroSubList_Att(4, where.name));
        }
        if (stored.indexOf(name) >= 0)
            return true;
        var shown = listAt(where.path);
        for (var i = 0; i < shown.length; ++i) {
            if (shown[i].textValue === name)
                return true;
        }
        return false;
    }

    function addToTarget(name, type, where) {
        var list = listAt(where.path);
        var node = makeNode(name, type);
        list.push(node);
        if (where.path.length > 0)
            nodeAt(where.path).open = true;
        renumber(list, where.level, where.path);
        return node;
    }

    // ---- Commands ------------------------------------------------------------

    function askNewMacro() {
        nameDialog.ask(t[19], "", function (name) {
            page.newMacro(name);
        });
    }

    function askNewFolder() {
        if (currentType === 1 && currentLevel >= 4) {
            warn(2);
            return;
        }
        nameDialog.ask(t[18], "", function (name) {
            page.newFolder(name);
        });
    }

    function newMacro(name) {
        return createItem(String(name), 0);
    }

    function newFolder(name) {
        return createItem(String(name), 1);
    }

    function createItem(name, type) {
        if (name === "" || !isAcceptableName(name))
            return false;
        if (type === 1 && currentType === 1 && currentLevel >= 4) {
            warn(2);
            return false;
        }
        var where = target();
        if (nameTaken(name, where)) {
            warn(1);
            return false;
        }
        // Buttons bind macros by name, so one name is one macro library-wide.
        if (type === 0 && ui_View.isMacroNameTaken(name)) {
            warn(10);
            return false;
        }
        if (recording)
            stopRecording();
        applySelectionPath();
        ui_View.createMacroIni(name, Math.max(currentIndex, 0), where.level, type);
        addToTarget(name, type, where);
        writeLists(0, where.level, where.level === 0 ? currentName : where.name, listAt(where.path));
        refreshRows();
        return true;
    }

    function askDelete() {
        if (currentLevel < 0 || !scene)
            return;
        scene.confirm(warnings[3], function () {
            page.deleteSelected();
        });
    }

    function deleteSelected() {
        if (currentLevel < 0)
            return false;
        if (recording)
            stopRecording();
        var path = selectedPath.slice();
        var node = nodeAt(path);
        var parentPath = path.slice(0, path.length - 1);
        var siblings = listAt(parentPath);
        var name = currentName;
        var level = currentLevel;
        var type = currentType;
        // Only the deleted folder's own list sets go (those no other folder
        // shares); other folders keep their stored children.
        var dropped = folderPrefixes(node, namesOf(parentPath).join(""));
        siblings.splice(path[path.length - 1], 1);
        var kept = folderPrefixes({
            macroType: 1,
            textValue: "",
            subNode: tree
        }, "");
        kept.push("macro");
        applySelectionPath();
        for (var i = 0; i < dropped.length; ++i) {
            if (kept.indexOf(dropped[i]) < 0)
                ui_View.updataMacroList_delOld(dropped[i]);
        }
        // Buttons bound to a deleted macro get their saved assignment back.
        // A folder takes its macros with it: those whose names no other
        // macro of the library has (bindings name macros, not folders).
        var released = type === 1 ? [] : [name];
        if (type === 1) {
            var remaining = macroNames(tree);
            var inside = macroNames(node.subNode);
            for (var r = 0; r < inside.length; ++r) {
                if (remaining.indexOf(inside[r]) < 0 && released.indexOf(inside[r]) < 0)
                    released.push(inside[r]);
            }
        }
        for (var k = 0; k < released.length; ++k)
            deleteMacro(released[k]);
        steps = [];
        ui_View.deleteMacroIni(level, type, name);
        renumber(siblings, level, parentPath);
        applySelectionPath();
        writeLists(1, level, name, siblings);
        clearSelection();
        return true;
    }

    function macroNames(list) {
        var out = [];
        for (var i = 0; i < list.length; ++i) {
            if (list[i].macroType === 0)
                out.push(list[i].textValue);
            else
                out = out.concat(macroNames(list[i].subNode));
        }
        return out;
    }

    // The name.bin prefixes of a folder and of every folder below it.
    function folderPrefixes(node, above) {
        if (node.macroType !== 1)
            return [];
        var own = above + node.textValue;
        var out = node.textValue === "" ? [] : [own];
        for (var i = 0; i < node.subNode.length; ++i)
            out = out.concat(folderPrefixes(node.subNode[i], node.textValue === "" ? "" : own));
        return out;
    }

    function askRename() {
        if (currentLevel < 0)
            return;
        nameDialog.ask(t[22], currentName, function (name) {
            page.renameSelected(name);
        });
    }

    function renameSelected(newName) {
        newName = String(newName);
        if (currentLevel < 0 || newName === "" || newName === currentName || !isAcceptableName(newName))
            return false;
        var path = selectedPath.slice();
        var parentPath = path.slice(0, path.length - 1);
        // Two items of one folder never share a name: the file would not
        // follow, and the list would name it twice.
        var parentNames = namesOf(parentPath);
        var where = {
            level: currentLevel,
            path: parentPath,
            name: parentNames.length > 0 ? parentNames[parentNames.length - 1] : ""
        };
        if (nameTaken(newName, where)) {
            applySelectionPath();
            warn(1);
            return false;
        }
        if (currentType === 0 && ui_View.isMacroNameTaken(newName)) {
            applySelectionPath();
            warn(10);
            return false;
        }
        if (recording)
            stopRecording();
        var node = nodeAt(path);
        var oldName = currentName;
        var level = currentLevel;
        var type = currentType;
        node.textValue = newName;
        applySelectionPath();
        ui_View.searchMacroFile_sub_batch(selectName0, 0, 0);
        writeLists(1, level, newName, listAt(parentPath));
        modifyMacroName(level, type, oldName, newName);
        currentName = newName;
        var names = namesOf(path);
        selectName0 = names[0] || "";
        selectName1 = names[1] || "";
        selectName2 = names[2] || "";
        selectName3 = names[3] || "";
        selectName4 = names[4] || "";
        if ((type === 1 && level === 0) || level >= 1)
            rewriteFolderSets(tree[path[0]], [tree[path[0]].textValue]);
        applySelectionPath();
        refreshRows();
        return true;
    }

    // Writes the list set of a folder and of every folder below it from the model.
    function rewriteFolderSets(node, chain) {
        if (node.macroType !== 1 || node.level > 4)
            return;
        setSelectionPath(chain);
        writeLists(0, node.level + 1, node.textValue, node.subNode);
        for (var i = 0; i < node.subNode.length; ++i)
            rewriteFolderSets(node.subNode[i], chain.concat([node.subNode[i].textValue]));
    }

    function importMacro() {
        if (recording)
            stopRecording();
        applySelectionPath();
        var name = String(ui_View.loadMacroFile(currentLevel, currentType));
        if (name === "" && ui_View.refusedMacroNames().length > 0)
            warn(10);
        if (name !== "" && isAcceptableName(name)) {
            var where = target();
            if (nameTaken(name, where)) {
                warn(1);
            } else {
                addToTarget(name, 0, where);
                applySelectionPath();
                writeLists(0, where.level, where.level === 0 ? currentName : where.name, listAt(where.path));
                refreshRows();
            }
        }
        applySelectionPath();
        autosave();
    }

    function exportMacro() {
        if (currentType !== 0)
            return;
        applySelectionPath();
        ui_View.saveMacroFile(currentLevel, currentName);
    }

    // A batch import always lands at the library root (that is where the
    // library copies the files), so the tree puts it there too.
    function batchImport() {
        clearSelection();
        var name = String(ui_View.loadMacroFile_batch());
        if (name === "" || !isAcceptableName(name))
            return false;
        var where = target();
        if (nameTaken(name, where)) {
            warn(1);
            return false;
        }
        ui_View.loadMacroFile_sub_batch();
        var refused = ui_View.refusedMacroNames();
        if (refused.length > 0 && scene)
            scene.showWarning(warnings[11] + " " + refused.join(", "));
        var node = addToTarget(name, 1, where);
        writeLists(0, 0, "", tree);
        // The imported folders' lists come from what is on disk, each under
        // its true parent; then the tree reads them back from name.bin.
        var path = [tree.length - 1];
        writeSetsFromDisk(node, [name], path);
        loadFolders([
            {
                node: node,
                chain: [name],
                path: path
            }
        ]);
        applySelectionPath();
        refreshRows();
        return true;
    }

    function writeSetsFromDisk(node, chain, path) {
        if (node.level > 4)
            return;
        setSelectionPath(chain);
        var entries = ui_View.macroFolderEntries(node.level, node.textValue);
        var children = [];
        for (var i = 0; i < entries.length; ++i) {
            var e = String(entries[i]);
            var type = e.charAt(0) === "1" ? 1 : 0;
            if (type === 1 && node.level + 1 > 4)
                continue;
            children.push(makeNode(e.substring(2), type));
        }
        node.subNode = children;
        renumber(children, node.level + 1, path);
        for (var k = 0; k < children.length; ++k) {
            if (children[k].macroType === 1)
                writeSetsFromDisk(children[k], chain.concat([children[k].textValue]), path.concat([k]));
        }
        setSelectionPath(chain);
        writeLists(0, node.level + 1, node.textValue, children);
    }

    // Every folder's items go to the export, each folder with the selection
    // path set to it; parents before children.
    function batchExport() {
        ui_View.getbatchPath();
        setSelectionPath([]);
        exportItems(0, tree);
        function walk(list, chain) {
            for (var i = 0; i < list.length; ++i) {
                var n = list[i];
                if (n.macroType !== 1)
                    continue;
                var c = chain.concat([n.textValue]);
                setSelectionPath(c);
                page.exportItems(n.level + 1, n.subNode);
                walk(n.subNode, c);
            }
        }
        walk(tree, []);
        applySelectionPath();
    }

    function exportItems(level, list) {
        var names = [];
        var types = [];
        for (var i = 0; i < list.length; ++i) {
            names.push(list[i].textValue);
            types.push(list[i].macroType);
        }
        ui_View.saveMacroFile_batch(level, names, types);
    }

    // ---- Steps -----------------------------------------------------------------

    function stepStrings(list) {
        var l = list || steps;
        var out = [];
        for (var i = 0; i < l.length; ++i)
            out.push(l[i].type + "," + l[i].info);
        return out;
    }

    function lengthOf(list) {
        return list.length === 0 ? 2 : Number(ui_View.macroEncodedLength(stepStrings(list)));
    }

    function canAdd() {
        return currentType === 0 && encodedLength < lengthLimit;
    }

    function autosave() {
        if (currentLevel < 0 || currentType !== 0)
            return;
        ui_View.saveMacroIni(currentLevel, currentName, stepStrings(), repeat);
        modifyMacroData(currentName);
    }

    function setSteps(list) {
        steps = list;
        autosave();
    }

    function keyName(code) {
        var i = keyCodes.indexOf(Number(code));
        return i >= 0 ? String(keyNames[i]) : "";
    }

    function displayName(info) {
        var i = keyNames.indexOf(info);
        return i >= 0 && i < displayKeyNames.length && displayKeyNames[i] !== "" ? displayKeyNames[i] : info;
    }

    function deleteStep() {
        if (currentStep < 0 || currentStep >= steps.length)
            return;
        var l = steps.slice();
        l.splice(currentStep, 1);
        currentStep = Math.min(currentStep, l.length - 1);
        setSteps(l);
    }

    function askDeleteStep() {
        if (currentStep < 0 || currentStep >= steps.length || !scene)
            return;
        scene.confirm(warnings[3], function () {
            page.deleteStep();
        });
    }

    function insertDelay() {
        if (!canAdd())
            return;
        var l = steps.slice();
        var at = currentStep >= 0 && currentStep < l.length ? currentStep : l.length;
        l.splice(at, 0, {
            type: 0,
            info: "50"
        });
        currentStep = at;
        setSteps(l);
    }

    // A press and a release of `code`: after the last step when the last is
    // current (or none), else before the current one.
    function insertKey(code) {
        var name = keyName(code);
        if (name === "" || Number(code) >= 0xF0 || !canAdd())
            return;
        var l = steps.slice();
        var last = currentStep < 0 || currentStep >= l.length - 1;
        var at = last ? l.length : currentStep;
        l.splice(at, 0, {
            type: 1,
            info: name
        }, {
            type: 2,
            info: name
        });
        setSteps(l);
    }

    function askInsertKey() {
        if (!canAdd())
            return;
        keyDialog.ask(t[14], function (code) {
            page.insertKey(code);
        });
    }

    // A press and a release of a mouse button ("MS-L", "MS-M", "MS-R"):
    // appended when the last step is current (or none), else after the current one.
    function insertButton(name) {
        if (!canAdd())
            return;
        var l = steps.slice();
        var last = currentStep < 0 || currentStep >= l.length - 1;
        var at = last ? l.length : currentStep + 1;
        l.splice(at, 0, {
            type: 3,
            info: name
        }, {
            type: 4,
            info: name
        });
        setSteps(l);
    }

    // A delay typed in place: 0 to 65535, anything else keeps the old value.
    function setDelay(index, text) {
        var s = String(text).trim();
        if (index < 0 || index >= steps.length || steps[index].type !== 0)
            return false;
        if (!/^[0-9]+$/.test(s) || Number(s) > 65535) {
            steps = steps.slice();
            return false;
        }
        var l = steps.slice();
        l[index] = {
            type: 0,
            info: String(Number(s))
        };
        setSteps(l);
        return true;
    }

    function setRepeat(text) {
        var s = String(text).trim();
        var v = Number(s);
        if (/^[0-9]+$/.test(s) && v >= 1 && v <= 65535)
            repeat = v;
        autosave();
    }

    // The play mode a macro binding gets (0 once per press, 1 loop until any
    // button, 2 loop until release); the macro-assignment overlay shows and
    // sets the same choice.
    function choosePlayMode(mode) {
        var m = Number(mode);
        if (m === 0 || m === 1 || m === 2)
            playMode = m;
    }

    // ---- Recording ---------------------------------------------------------------

    function toggleRecording() {
        if (recording)
            stopRecording();
        else
            startRecording();
    }

    function startRecording() {
        if (currentType !== 0 || currentLevel < 0)
            return;
        steps = [];
        currentStep = -1;
        ticks = 0;
        recording = true;
        tickTimer.start();
        // Keys typed into our window while recording must not operate the page.
        keySink.forceActiveFocus();
    }

    function stopRecording() {
        tickTimer.stop();
        if (!recording)
            return;
        recording = false;
        autosave();
        if (keySink.activeFocus)
            recordButton.forceActiveFocus();
    }

    // One captured key or button event while recording.
    function recordEvent(isDown, code) {
        if (!recording || currentLevel < 0)
            return;
        var name = keyName(code);
        if (name === "" || encodedLength >= lengthLimit)
            return;
        var l = steps.slice();
        if (l.length > 0 && delayBox.checked) {
            // Steps hold at most 65535 ms; a longer pause takes several.
            var ms = ticks * 10;
            do {
                var part = Math.min(ms, 65535);
                l.push({
                    type: 0,
                    info: String(part)
                });
                ms -= part;
            } while (ms > 0)
        }
        ticks = 0;
        var button = Number(code) >= 0xF0;
        l.push({
            type: isDown ? (button ? 3 : 1) : (button ? 4 : 2),
            info: name
        });
        steps = l;
    }

    // Whether a captured button event happened over our own window: such
    // clicks operate the page and are not recorded.
    function insideOwnWindow(x, y) {
        if (!scene)
            return false;
        var ratio = Screen.devicePixelRatio > 0 ? Screen.devicePixelRatio : 1;
        var p = scene.mapFromGlobal(x / ratio, y / ratio);
        return p.x >= 0 && p.y >= 0 && p.x < page.Window.width && p.y < page.Window.height;
    }

    Item {
        id: keySink
        Keys.onPressed: event => event.accepted = true
        Keys.onReleased: event => event.accepted = true
    }

    Timer {
        id: tickTimer
        interval: 10
        repeat: true
        onTriggered: page.ticks += 1
    }

    Connections {
        target: page.scene
        enabled: page.recording || keyDialog.visible
        function onMsg_KB(isDown, usbCode) {
            if (page.currentLevel < 0)
                return;
            if (keyDialog.visible) {
                if (isDown && usbCode < 0xF0 && page.keyName(usbCode) !== "")
                    keyDialog.capture(usbCode, page.displayName(page.keyName(usbCode)));
                return;
            }
            page.recordEvent(isDown, usbCode);
        }
        function onMsg_MS(isDown, code, x, y) {
            if (keyDialog.visible || page.insideOwnWindow(x, y))
                return;
            page.recordEvent(isDown, code);
        }
    }

    Connections {
        target: page.scene
        function onEmptyAreaPressed() {
            treeMenu.close();
            stepMenu.close();
        }
    }

    // Leaving the page (another tab) ends a recording and saves it.
    onVisibleChanged: {
        if (!visible && recording)
            stopRecording();
    }

    // ---- For the macro-assignment overlay -----------------------------------------

    // Every macro of the library in tree order: {name, level, folder} where
    // folder is the chain of folder names ("A/B", "" at the root).
    function macroList() {
        if (!loaded)
            init();
        var out = [];
        function walk(list, chain) {
            for (var i = 0; i < list.length; ++i) {
                var n = list[i];
                if (n.macroType === 0)
                    out.push({
                        name: n.textValue,
                        level: n.level,
                        folder: chain.join("/")
                    });
                else
                    walk(n.subNode, chain.concat([n.textValue]));
            }
        }
        walk(tree, []);
        return out;
    }

    // The whole tree flattened in display order, folders open:
    // {name, type, level, indent}.
    function macroTree() {
        if (!loaded)
            init();
        var out = [];
        function walk(list) {
            for (var i = 0; i < list.length; ++i) {
                var n = list[i];
                out.push({
                    name: n.textValue,
                    type: n.macroType,
                    level: n.level,
                    indent: n.txtMargin
                });
                walk(n.subNode);
            }
        }
        walk(tree);
        return out;
    }

    // ---- Look ------------------------------------------------------------------------

    Panel {
        id: treePanel
        x: 0
        width: 300
        height: page.height
        title: page.t[0]

        Rectangle {
            id: treeFrame
            width: parent.width
            height: parent.height - newButton.height - Theme.spacing
            radius: Theme.radiusSmall
            color: Theme.window
            border.color: Theme.border
            clip: true

            // A click beside the items clears the selection.
            MouseArea {
                anchors.fill: parent
                acceptedButtons: Qt.LeftButton | Qt.RightButton
                onClicked: mouse => {
                    page.clearSelection();
                    treeList.forceActiveFocus();
                    if (mouse.button === Qt.RightButton)
                        treeMenu.popup();
                }
            }

            ListView {
                id: treeList
                objectName: "macroTree"
                anchors.fill: parent
                anchors.margins: 2
                model: page.rows
                interactive: contentHeight > height
                boundsBehavior: Flickable.StopAtBounds
                currentIndex: page.currentIndex
                activeFocusOnTab: true
                ScrollBar.vertical: ScrollBar {
                    policy: treeList.contentHeight > treeList.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
                }

                Keys.onUpPressed: page.selectRow(Math.max(0, page.currentIndex - 1))
                Keys.onDownPressed: page.selectRow(Math.min(page.rows.length - 1, page.currentIndex + 1))
                Keys.onReturnPressed: page.toggleFolder(page.selectedPath)
                Keys.onDeletePressed: page.askDelete()
                Keys.onMenuPressed: treeMenu.popup()

                delegate: Rectangle {
                    id: treeRow
                    required property var modelData
                    required property int index
                    readonly property bool selected: index === page.currentIndex
                    readonly property bool isFolder: modelData.node.macroType === 1

                    width: treeList.width - (treeList.contentHeight > treeList.height ? 10 : 0)
                    height: 28
                    radius: Theme.radiusSmall
                    color: selected ? Theme.accentSoft : (rowMouse.containsMouse ? Theme.raised : "transparent")
                    border.color: selected && treeList.activeFocus ? Theme.focus : "transparent"

                    Text {
                        x: treeRow.modelData.node.imgMargin
                        width: 14
                        height: parent.height
                        visible: treeRow.isFolder
                        text: treeRow.modelData.node.open ? "▾" : "▸"
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                        verticalAlignment: Text.AlignVCenter
                    }

                    // The folder icon: a tab over a body.
                    Item {
                        x: treeRow.modelData.node.imgMargin + 14
                        y: (parent.height - 12) / 2
                        width: 16
                        height: 12
                        visible: treeRow.modelData.node.showImg
                        Rectangle {
                            width: 7
                            height: 4
                            radius: 1
                            color: Theme.warning
                        }
                        Rectangle {
                            y: 2
                            width: 16
                            height: 10
                            radius: 2
                            color: Theme.warning
                        }
                    }

                    // A macro: a small sheet.
                    Rectangle {
                        x: treeRow.modelData.node.txtMargin + 2
                        y: (parent.height - height) / 2
                        width: 9
                        height: 11
                        radius: 2
                        visible: !treeRow.isFolder
                        color: "transparent"
                        border.color: treeRow.selected ? Theme.accentHover : Theme.textFaint
                    }

                    Caption {
                        x: treeRow.modelData.node.txtMargin + (treeRow.isFolder ? 16 : 16)
                        width: parent.width - x - 4
                        height: parent.height
                        text: treeRow.modelData.node.textValue
                        color: treeRow.selected ? Theme.text : Theme.textDim
                        font.bold: treeRow.isFolder
                    }

                    MouseArea {
                        id: rowMouse
                        anchors.fill: parent
                        hoverEnabled: true
                        acceptedButtons: Qt.LeftButton | Qt.RightButton
                        onClicked: mouse => {
                            treeList.forceActiveFocus();
                            page.selectPath(treeRow.modelData.path);
                            if (mouse.button === Qt.RightButton)
                                treeMenu.popup();
                        }
                        onDoubleClicked: mouse => {
                            if (mouse.button === Qt.LeftButton)
                                page.toggleFolder(treeRow.modelData.path);
                        }
                    }
                }
            }
        }

        Row {
            anchors.bottom: parent.bottom
            anchors.right: parent.right
            spacing: Theme.spacing
            ThemedButton {
                id: newButton
                objectName: "newMacroButton"
                text: page.t[2]
                implicitWidth: 110
                onClicked: page.askNewMacro()
            }
            ThemedButton {
                objectName: "deleteMacroButton"
                text: page.t[3]
                implicitWidth: 110
                enabled: page.currentLevel >= 0
                onClicked: page.askDelete()
            }
        }
    }

    Panel {
        id: stepPanel
        x: treePanel.width + 12
        width: page.width - x
        height: page.height
        title: page.t[4]

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
                    page.currentStep = -1;
                    if (mouse.button === Qt.RightButton && page.currentType === 0)
                        stepMenu.popup();
                }
            }

            ListView {
                id: stepList
                objectName: "stepList"
                anchors.fill: parent
                anchors.margins: 2
                model: page.steps
                interactive: contentHeight > height
                boundsBehavior: Flickable.StopAtBounds
                currentIndex: page.currentStep
                activeFocusOnTab: true
                ScrollBar.vertical: ScrollBar {
                    policy: stepList.contentHeight > stepList.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
                }
                onCountChanged: {
                    if (page.recording)
                        positionViewAtEnd();
                }
                Keys.onUpPressed: page.currentStep = Math.max(0, page.currentStep - 1)
                Keys.onDownPressed: page.currentStep = Math.min(page.steps.length - 1, page.currentStep + 1)
                Keys.onDeletePressed: page.askDeleteStep()
                Keys.onMenuPressed: stepMenu.popup()

                delegate: Rectangle {
                    id: stepRow
                    required property var modelData
                    required property int index
                    readonly property bool selected: index === page.currentStep
                    readonly property bool isDelay: modelData.type === 0

                    width: stepList.width - (stepList.contentHeight > stepList.height ? 10 : 0)
                    height: 28
                    radius: Theme.radiusSmall
                    color: selected ? Theme.accentSoft : (stepMouse.containsMouse ? Theme.raised : "transparent")
                    border.color: selected && stepList.activeFocus ? Theme.focus : "transparent"

                    MouseArea {
                        id: stepMouse
                        anchors.fill: parent
                        hoverEnabled: true
                        acceptedButtons: Qt.LeftButton | Qt.RightButton
                        onClicked: mouse => {
                            stepList.forceActiveFocus();
                            page.currentStep = stepRow.index;
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
                        color: stepRow.isDelay ? Theme.textFaint : (stepRow.modelData.type % 2 === 1 ? Theme.accentHover : Theme.focus)
                        text: stepRow.isDelay ? "◷" : (stepRow.modelData.type % 2 === 1 ? "↓" : "↑")
                    }

                    Caption {
                        x: 80
                        width: parent.width - x - 8
                        height: parent.height
                        visible: !stepRow.isDelay
                        text: page.displayName(stepRow.modelData.info)
                    }

                    Row {
                        x: 80
                        height: parent.height
                        spacing: 6
                        visible: stepRow.isDelay
                        Caption {
                            height: parent.height
                            dim: true
                            text: page.t[9]
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
                            text: stepRow.modelData.info
                            maximumLength: 5
                            inputMethodHints: Qt.ImhDigitsOnly
                            onActiveFocusChanged: {
                                if (activeFocus)
                                    page.currentStep = stepRow.index;
                            }
                            onEditingFinished: {
                                if (text !== stepRow.modelData.info && !page.setDelay(stepRow.index, text))
                                    text = stepRow.modelData.info;
                            }
                        }
                        Caption {
                            height: parent.height
                            dim: true
                            text: "ms"
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
                visible: page.steps.length === 0 && !page.recording && page.currentType === 0
                text: page.t[8] + " / " + page.t[14]
            }
        }

        Column {
            id: controls
            anchors.bottom: parent.bottom
            width: parent.width
            spacing: Theme.spacing

            Row {
                width: parent.width
                height: recordButton.height
                spacing: Theme.spacing

                ThemedButton {
                    id: recordButton
                    objectName: "recordButton"
                    implicitWidth: 132
                    accented: page.recording
                    enabled: page.currentType === 0
                    text: page.recording ? page.t[5] : page.t[8]
                    onClicked: page.toggleRecording()
                }

                ThemedCheckBox {
                    id: delayBox
                    objectName: "delayBox"
                    height: parent.height
                    text: page.t[9]
                }

                Caption {
                    height: parent.height
                    text: page.t[6]
                }

                ThemedTextField {
                    id: repeatField
                    objectName: "repeatField"
                    y: 2
                    implicitWidth: 72
                    enabled: page.currentType === 0 && !page.recording
                    maximumLength: 4
                    horizontalAlignment: TextInput.AlignRight
                    validator: IntValidator {
                        bottom: 1
                        top: 65535
                    }
                    text: String(page.repeat)
                    // The field follows `repeat` again once the typed text is
                    // taken (or refused), so the next macro shows its own count.
                    onEditingFinished: {
                        page.setRepeat(text);
                        text = Qt.binding(function () {
                            return String(page.repeat);
                        });
                    }
                }

                Item {
                    width: parent.width - recordButton.width - delayBox.width - timesWidth.width - repeatField.width - deleteStepButton.width - 5 * parent.spacing
                    height: 1
                    Caption {
                        id: timesWidth
                        visible: false
                        text: page.t[6]
                    }
                }

                ThemedButton {
                    id: deleteStepButton
                    objectName: "deleteStepButton"
                    implicitWidth: 96
                    text: page.t[10]
                    enabled: page.currentStep >= 0 && !page.recording
                    onClicked: page.askDeleteStep()
                }
            }

            Caption {
                objectName: "captureNote"
                width: parent.width
                visible: page.captureMode !== "global"
                color: Theme.warning
                font.pixelSize: Theme.fontSmall
                text: "Recording takes only the keys typed into this window."
            }

            Column {
                width: parent.width
                Repeater {
                    model: 3
                    delegate: ThemedRadioButton {
                        required property int index
                        objectName: "playMode" + index
                        width: parent.width
                        text: page.playModeTexts[index]
                        checked: page.playMode === index
                        onClicked: page.choosePlayMode(index)
                    }
                }
            }
        }
    }

    // ---- Menus and dialogs -------------------------------------------------------------

    ThemedMenu {
        id: treeMenu
        objectName: "treeMenu"
        ThemedMenuItem {
            text: page.t[22]
            enabled: page.currentLevel >= 0
            onTriggered: page.askRename()
        }
        ThemedMenuItem {
            text: page.t[3]
            enabled: page.currentLevel >= 0
            onTriggered: page.askDelete()
        }
        ThemedMenuItem {
            text: page.t[11]
            onTriggered: page.importMacro()
        }
        ThemedMenuItem {
            text: page.t[12]
            enabled: page.currentType === 0
            onTriggered: page.exportMacro()
        }
        ThemedMenuItem {
            text: page.t[18]
            onTriggered: page.askNewFolder()
        }
        ThemedMenuItem {
            text: page.t[19]
            onTriggered: page.askNewMacro()
        }
        ThemedMenuItem {
            text: page.t[20]
            onTriggered: page.batchImport()
        }
        ThemedMenuItem {
            text: page.t[21]
            onTriggered: page.batchExport()
        }
    }

    ThemedMenu {
        id: stepMenu
        objectName: "stepMenu"
        ThemedMenuItem {
            text: page.t[10]
            enabled: page.currentStep >= 0 && !page.recording
            onTriggered: page.deleteStep()
        }
        ThemedMenuItem {
            text: page.t[13]
            enabled: page.currentType === 0 && !page.recording && page.encodedLength < page.lengthLimit
            onTriggered: page.insertDelay()
        }
        ThemedMenuItem {
            text: page.t[14]
            enabled: page.currentType === 0 && !page.recording && page.encodedLength < page.lengthLimit
            onTriggered: page.askInsertKey()
        }
        ThemedMenuItem {
            text: page.t[15]
            enabled: page.currentType === 0 && !page.recording && page.encodedLength < page.lengthLimit
            onTriggered: page.insertButton("MS-L")
        }
        ThemedMenuItem {
            text: page.t[16]
            enabled: page.currentType === 0 && !page.recording && page.encodedLength < page.lengthLimit
            onTriggered: page.insertButton("MS-M")
        }
        ThemedMenuItem {
            text: page.t[17]
            enabled: page.currentType === 0 && !page.recording && page.encodedLength < page.lengthLimit
            onTriggered: page.insertButton("MS-R")
        }
    }

    // The dialogs cover the whole scene, above the frame.
    NameDialog {
        id: nameDialog
        objectName: "macroNameDialog"
        parent: page.scene && page.scene.frame ? page.scene.frame : page
        label: page.t[1]
        okText: page.t[7]
        cancelText: page.warnings[6]
    }

    KeyCaptureDialog {
        id: keyDialog
        objectName: "keyCaptureDialog"
        parent: page.scene && page.scene.frame ? page.scene.frame : page
        okText: page.t[7]
        cancelText: page.warnings[6]
        onClosed: page.forceActiveFocus()
    }
}
