import QtQuick
import Kesta.Model

// Tab 2: the system settings on the left, the macro library on the right.
Item {
    id: page

    property var scene
    readonly property alias system: system
    readonly property alias macroEditor: macroEditor

    SystemSettingsPage {
        id: system
        objectName: "systemPage"
        scene: page.scene
        x: 0
        width: 440
        height: page.height
    }

    MacroEditorPage {
        id: macroEditor
        objectName: "macroEditor"
        inputSource: page.scene
        overlayParent: page.scene && page.scene.frame ? page.scene.frame : macroEditor
        onWarningRequested: text => page.scene.showWarning(text)
        onConfirmRequested: (text, accepted) => page.scene.confirm(text, accepted)
        x: 452
        width: page.width - 452
        height: page.height
    }

    // The editor's changes reach the buttons bound to its macros.
    Connections {
        target: macroEditor
        function onDeleteMacro(macroName) {
            SessionModel.macroDeleted(macroName);
        }
        function onModifyMacroName(level, type, macroOldName, macroNewName) {
            SessionModel.macroRenamed(level, type, macroOldName, macroNewName);
        }
        function onModifyMacroData(macroName) {
            SessionModel.macroDataChanged(macroName);
        }
    }
}
