import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Window
import Kesta.Model

// The macro library: on the left the tree of macros and folders
// (MacroTreePanel over MacroTreeModel), on the right the steps of the
// selected macro with recording, repeat count and play mode
// (MacroStepsPanel). MacroEditorModel runs the commands; this page shows
// the dialogs it asks for and passes its warnings and confirmations on.
Item {
    id: page

    // What relays the captured key and button events (msg_KB, msg_MS).
    property var inputSource: null
    // Where the dialogs go: above the whole frame.
    property Item overlayParent: page
    property bool isSave: false

    signal deleteMacro(string macroName)
    signal modifyMacroName(int level, int type, string macroOldName, string macroNewName)
    signal modifyMacroData(string macroName)
    signal warningRequested(string text)
    signal confirmRequested(string text, var accepted)

    // ---- Texts -----------------------------------------------------------

    SectionTexts {
        id: editorTexts
        section: "macroEditor"
        defaults: ["Macro Editor", "Macro Name", "New", "Delete", "Action", "Stop Record", "Times", "OK", "Start Record", "Delay", "Delete", "Import", "Export", "Insert Delay", "Insert Key", "Insert Left Key", "Insert Middle Key", "Insert Right Key", "New macro directory", "New macro", "Batch Import", "Batch export", "Rename", "Too long for the mouse: sent cut after step %1.", "The macro is full: recording stopped after the last released key.", "Too long for the mouse: none of its steps can be sent."]
    }
    SectionTexts {
        id: warningTexts
        section: "warningAssigment"
        defaults: ["", "Already have a macro with the same name!", "Can't add a new folder!", "Confirm delete ?", "Warning", "OK", "Cancel", "", "", "", "A macro in another folder already has this name!", "Not imported, the library already has macros named:", "Not saved: the disk may be full, or the name is not allowed there:", "This folder name cannot be used: the library would store its items together with those of the folder ('/' is the top of the library):", "The name 'loaderquiver' is reserved by the library and cannot be used.", "These folders share one stored list of items, so a change in one also shows in the other ('/' is the top of the library). Nothing has been changed:", "Delete the macro “%1”?", "Delete the folder “%1”?"]
    }
    SectionTexts {
        id: playModeStrings
        section: "keyAssigment"
        defaults: Array(10).fill("").concat(["Press a key"], Array(7).fill(""), ["Macro runs one-time after pressing the button", "Macro runs endless loop until any button is pressed", "Macro runs endless loop until button is released"])
    }
    SectionTexts {
        id: keyNameTexts
        section: "keyCode"
        defaults: MacroEditorModel.keyNames
    }
    readonly property var t: editorTexts.texts
    readonly property var warnings: warningTexts.texts
    readonly property var playModeTexts: [playModeStrings.texts[18], playModeStrings.texts[19], playModeStrings.texts[20]]
    readonly property var displayKeyNames: keyNameTexts.texts

    // ---- State (the models'), for the host and the tests ---------------------

    readonly property bool loaded: MacroEditorModel.loaded
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
    readonly property var steps: MacroStepsModel.steps
    readonly property int currentStep: MacroEditorModel.currentStep
    readonly property int repeat: MacroStepsModel.repeat
    readonly property int playMode: KeyMatrixModel.playMode
    readonly property int encodedLength: MacroStepsModel.encodedLength
    readonly property int lengthLimit: MacroStepsModel.lengthLimit
    readonly property bool canAdd: MacroEditorModel.canAdd
    readonly property bool recording: MacroEditorModel.recording
    readonly property int ticks: MacroEditorModel.ticks
    readonly property bool delayEnabled: MacroEditorModel.delayEnabled
    readonly property string captureMode: MacroEditorModel.captureMode

    function init() {
        MacroEditorModel.init();
    }

    // The model's signals reach the buttons bound to its macros through the
    // page's own.
    Component.onCompleted: {
        MacroEditorModel.macroDeleted.connect(page.deleteMacro);
        MacroEditorModel.macroRenamed.connect(page.modifyMacroName);
        MacroEditorModel.macroDataChanged.connect(page.modifyMacroData);
    }

    Connections {
        target: MacroEditorModel
        function onWarningRequested(index, detail) {
            page.warningRequested(detail === "" ? page.warnings[index] : page.warnings[index] + " " + detail);
        }
        function onConfirmRequested(request) {
            // An item is named; a step is the one selected.
            const question = request === MacroEditorModel.DeleteItem ? page.warnings[MacroTreeModel.currentType === 0 ? 16 : 17].arg(MacroTreeModel.currentName) : page.warnings[MacroEditorModel.ConfirmDelete];
            page.confirmRequested(question, () => MacroEditorModel.confirmed(request));
        }
        function onNameRequested(request, text) {
            nameDialog.ask(request, text);
        }
        function onKeyRequested() {
            keyDialog.open();
        }
    }

    Connections {
        target: page.inputSource
        function onEmptyAreaPressed() {
            treePanel.closeMenu();
            stepsPanel.closeMenu();
        }
    }

    // Leaving the page (another tab) ends a recording and saves it.
    onVisibleChanged: {
        if (!visible)
            MacroEditorModel.stopRecording();
    }

    MacroRecorder {
        id: recorder
        inputSource: page.inputSource
        onFocusReturned: stepsPanel.focusRecordButton()
    }

    // ---- Look ------------------------------------------------------------------------

    MacroTreePanel {
        id: treePanel
        objectName: "macroTreePanel"
        width: 300
        height: page.height
        texts: page.t
    }

    MacroStepsPanel {
        id: stepsPanel
        objectName: "macroSteps"
        x: treePanel.width + 12
        width: page.width - x
        height: page.height
        texts: page.t
        playModeTexts: page.playModeTexts
        displayKeyNames: page.displayKeyNames
    }

    // The dialogs cover the whole scene, above the frame.
    NameDialog {
        id: nameDialog
        objectName: "macroNameDialog"
        parent: page.overlayParent
        captions: [page.t[19], page.t[18], page.t[22]]
        label: page.t[1]
        okText: page.t[7]
        cancelText: page.warnings[6]
    }

    KeyCaptureDialog {
        id: keyDialog
        objectName: "keyCaptureDialog"
        parent: page.overlayParent
        title: page.t[14]
        hint: playModeStrings.texts[10]
        displayKeyNames: page.displayKeyNames
        okText: page.t[7]
        cancelText: page.warnings[6]
        onClosed: page.forceActiveFocus()
    }
}
