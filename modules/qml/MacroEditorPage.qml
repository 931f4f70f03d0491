import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Window
import Kesta.Model

// The macro library: on the left the tree of macros and folders
// (MacroTreePanel over MacroTreeModel), on the right the steps of the
// selected macro with recording, repeat count and play mode
// (MacroStepsPanel).
//
// The tree model makes the library's calls for every tree command; this page
// asks for names, shows the warnings, and keeps the selected macro's steps,
// which it saves at once after each change and raises as modifyMacroData.
//
// For the macro-assignment overlay: macroList() lists every macro of the
// library (reading the tree if init() has not run yet), macroTree() the whole
// tree, and playMode is the play mode a binding gets (KeyMatrixModel's,
// which the macro overlay shows and sets as well).
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
    readonly property var playModeDefaults: Array(18).fill("").concat(["Macro runs one-time after pressing the button", "Macro runs endless loop until any button is pressed", "Macro runs endless loop until button is released"])
    readonly property var playModeTexts: (scene ? scene.texts("keyAssigment", playModeDefaults) : playModeDefaults).slice(18, 21)
    readonly property var displayKeyNames: scene ? scene.texts("keyCode", keyNames) : keyNames

    // ---- Selection (the tree model's) and steps ----------------------------

    property bool loaded: false
    readonly property int currentLevel: MacroTreeModel.currentLevel
    readonly property int currentType: MacroTreeModel.currentType
    readonly property string currentName: MacroTreeModel.currentName
    // The rows of the selected item's ancestors, and the names along its chain.
    readonly property int selectIndex0: MacroTreeModel.selectedRows[0]
    readonly property int selectIndex1: MacroTreeModel.selectedRows[1]
    readonly property int selectIndex2: MacroTreeModel.selectedRows[2]
    readonly property int selectIndex3: MacroTreeModel.selectedRows[3]
    readonly property int selectIndex4: MacroTreeModel.selectedRows[4]
    readonly property string selectName0: MacroTreeModel.selectedPath[0] || ""
    readonly property string selectName1: MacroTreeModel.selectedPath[1] || ""
    readonly property string selectName2: MacroTreeModel.selectedPath[2] || ""
    readonly property string selectName3: MacroTreeModel.selectedPath[3] || ""
    readonly property string selectName4: MacroTreeModel.selectedPath[4] || ""

    // The selected macro's steps ({type, info}) and repeat count.
    readonly property var steps: MacroStepsModel.steps
    property int currentStep: -1
    readonly property int repeat: MacroStepsModel.repeat
    readonly property int playMode: KeyMatrixModel.playMode
    readonly property int encodedLength: MacroStepsModel.encodedLength
    readonly property int lengthLimit: MacroStepsModel.lengthLimit
    readonly property bool canAdd: currentType === 0 && encodedLength < lengthLimit

    // Recording: ticks of 10 ms since the last recorded event.
    readonly property alias recording: recorder.recording
    readonly property alias ticks: recorder.ticks
    // The "Delay" check box: recording keeps the pauses.
    property alias delayEnabled: stepsPanel.delayEnabled
    // How keys reach recording: "global", "window" or "" (none).
    property string captureMode: ""

    // The key-name table (built-in names and codes, table order).
    property var keyNames: []
    property var keyCodes: []

    // ---- Tree ------------------------------------------------------------------

    function init() {
        stopRecording();
        keyNames = ui_View.getKeyNames();
        keyCodes = ui_View.getKeyCodes();
        captureMode = String(ui_View.inputCaptureMode());
        var open = loaded ? treePanel.openChains() : [];
        MacroTreeModel.load();
        treePanel.reopen(open);
        loaded = true;
    }

    // Shows the warning of a tree outcome that the user is told about.
    function warnFor(outcome) {
        var shown = outcome === MacroTreeModel.NameInFolder ? 1 : outcome === MacroTreeModel.NameElsewhere ? 10 : outcome === MacroTreeModel.FolderTooDeep ? 2 : -1;
        if (shown >= 0 && scene)
            scene.showWarning(warnings[shown]);
        return outcome === MacroTreeModel.Done;
    }

    function select(index) {
        stopRecording();
        MacroTreeModel.select(index);
    }

    function clearSelection() {
        stopRecording();
        MacroTreeModel.clearSelection();
    }

    // Selects an item by its chain of names ("Folder/Sub/Macro").
    function selectByNames(chain) {
        var index = MacroTreeModel.indexOf(String(chain).split("/"));
        if (!index.valid)
            return false;
        treePanel.reveal(index);
        select(index);
        return true;
    }

    function toggleFolder(row) {
        treePanel.toggle(Number(row));
    }

    function askNewMacro() {
        nameDialog.ask(t[19], "", name => page.newMacro(name));
    }

    function askNewFolder() {
        if (currentType === 1 && currentLevel >= 4)
            warnFor(MacroTreeModel.FolderTooDeep);
        else
            nameDialog.ask(t[18], "", name => page.newFolder(name));
    }

    function newMacro(name) {
        return createItem(String(name), 0);
    }

    function newFolder(name) {
        return createItem(String(name), 1);
    }

    function createItem(name, type) {
        if (!nameDialog.isAcceptable(name))
            return false;
        var check = MacroTreeModel.checkNewName(name, type);
        if (check !== MacroTreeModel.Done)
            return warnFor(check);
        stopRecording();
        if (!warnFor(MacroTreeModel.createItem(name, type, Math.max(treePanel.currentRow(), 0))))
            return false;
        treePanel.expandCurrent();
        return true;
    }

    function askDelete() {
        if (currentLevel >= 0 && scene)
            scene.confirm(warnings[3], () => page.deleteSelected());
    }

    function deleteSelected() {
        if (currentLevel < 0)
            return false;
        stopRecording();
        return MacroTreeModel.deleteSelected();
    }

    function askRename() {
        if (currentLevel >= 0)
            nameDialog.ask(t[22], currentName, name => page.renameSelected(name));
    }

    function renameSelected(newName) {
        newName = String(newName);
        if (currentLevel < 0 || newName === currentName || !nameDialog.isAcceptable(newName))
            return false;
        stopRecording();
        return warnFor(MacroTreeModel.renameSelected(newName));
    }

    function importMacro() {
        stopRecording();
        var outcome = MacroTreeModel.importMacro();
        warnFor(outcome);
        if (outcome === MacroTreeModel.Done)
            treePanel.expandCurrent();
        autosave();
    }

    function exportMacro() {
        if (currentType !== 0)
            return;
        MacroTreeModel.applySelectionPath();
        ui_View.saveMacroFile(currentLevel, currentName);
    }

    // A batch import always lands at the library root (that is where the
    // library copies the files), so the tree puts it there too.
    function batchImport() {
        stopRecording();
        var outcome = MacroTreeModel.batchImport();
        var refused = ui_View.refusedMacroNames();
        if (outcome === MacroTreeModel.Done && refused.length > 0 && scene)
            scene.showWarning(warnings[11] + " " + refused.join(", "));
        return warnFor(outcome);
    }

    function batchExport() {
        MacroTreeModel.batchExport();
    }

    // ---- Steps -----------------------------------------------------------------

    function loadSteps() {
        MacroStepsModel.load(currentLevel, currentName, currentType);
        currentStep = -1;
    }

    function autosave() {
        if (currentLevel < 0 || currentType !== 0)
            return;
        MacroTreeModel.applySelectionPath();
        MacroStepsModel.save(currentLevel, currentName);
        modifyMacroData(currentName);
    }

    function insertKey(code) {
        if (Number(code) < 0xF0)
            stepsPanel.insertPair(recorder.keyName(code), false);
    }

    function askInsertKey() {
        if (canAdd)
            keyDialog.ask(t[14], code => page.insertKey(code));
    }

    function setRepeat(text) {
        MacroStepsModel.setRepeat(String(text));
        autosave();
    }


    // ---- Recording ---------------------------------------------------------------

    function toggleRecording() {
        if (recording)
            stopRecording();
        else
            startRecording();
    }

    function startRecording() {
        recorder.start();
    }

    function stopRecording() {
        if (recorder.stop())
            stepsPanel.focusRecordButton();
    }

    MacroRecorder {
        id: recorder
        scene: page.scene
        canRecord: page.currentType === 0 && page.currentLevel >= 0
        full: page.encodedLength >= page.lengthLimit
        delayEnabled: stepsPanel.delayEnabled
        capturingKey: keyDialog.visible && page.currentLevel >= 0
        keyNames: page.keyNames
        keyCodes: page.keyCodes
        onStarted: {
            MacroStepsModel.clear();
            page.currentStep = -1;
        }
        onStopped: page.autosave()
        onEventRecorded: (isDown, name, button, pauseMs) => MacroStepsModel.record(isDown, name, button, pauseMs)
        onKeyCaptured: (code, name) => keyDialog.capture(code, stepsPanel.displayName(name))
    }

    Connections {
        target: page.scene
        function onEmptyAreaPressed() {
            treePanel.closeMenu();
            stepsPanel.closeMenu();
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
        return macroTree().filter(n => n.type === 0).map(n => ({
                    name: n.name,
                    level: n.level,
                    folder: n.path.slice(0, n.path.length - 1).join("/")
                }));
    }

    // The whole tree in display order, folders open:
    // {name, type, level, indent, path}.
    function macroTree() {
        if (!loaded)
            init();
        return MacroTreeModel.items();
    }

    Connections {
        target: MacroTreeModel
        function onSelectedItemChanged() {
            page.loadSteps();
        }
        function onMacroDeleted(name) {
            MacroStepsModel.clear();
            page.deleteMacro(name);
        }
        function onMacroRenamed(level, type, oldName, newName) {
            page.modifyMacroName(level, type, oldName, newName);
        }
    }

    // ---- Look ------------------------------------------------------------------------

    MacroTreePanel {
        id: treePanel
        objectName: "macroTreePanel"
        width: 300
        height: page.height
        texts: page.t
        onItemClicked: index => page.select(index)
        onEmptyClicked: page.clearSelection()
        onRenameAsked: page.askRename()
        onDeleteAsked: page.askDelete()
        onImportAsked: page.importMacro()
        onExportAsked: page.exportMacro()
        onNewFolderAsked: page.askNewFolder()
        onNewMacroAsked: page.askNewMacro()
        onBatchImportAsked: page.batchImport()
        onBatchExportAsked: page.batchExport()
    }

    MacroStepsPanel {
        id: stepsPanel
        objectName: "macroSteps"
        x: treePanel.width + 12
        width: page.width - x
        height: page.height
        texts: page.t
        currentStep: page.currentStep
        currentType: page.currentType
        recording: page.recording
        canAdd: page.canAdd
        playMode: page.playMode
        playModeTexts: page.playModeTexts
        captureMode: page.captureMode
        keyNames: page.keyNames
        displayKeyNames: page.displayKeyNames
        onStepsEdited: page.autosave()
        onStepChosen: step => page.currentStep = step
        onDeleteStepAsked: {
            if (page.currentStep >= 0 && page.currentStep < page.steps.length && page.scene)
                page.scene.confirm(page.warnings[3], () => stepsPanel.deleteStep());
        }
        onInsertKeyAsked: page.askInsertKey()
        onRecordToggled: page.toggleRecording()
        onRepeatEdited: text => page.setRepeat(text)
        onPlayModeChosen: mode => KeyMatrixModel.playMode = mode
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
