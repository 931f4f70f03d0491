import QtQuick
import Kesta.Model

// Tab 2: the system settings on the left, the macro library on the right.
Item {
    id: page

    // Handed on to the macro editor.
    required property var scene
    readonly property alias system: system
    readonly property alias macroEditor: macroEditor

    SystemSettingsPage {
        id: system
        objectName: "systemPage"
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
        // The editor's changes reach the buttons bound to its macros.
        onDeleteMacro: macroName => SessionModel.macroDeleted(macroName)
        onModifyMacroName: (level, type, oldName, newName) => SessionModel.macroRenamed(level, type, oldName, newName)
        onModifyMacroData: macroName => SessionModel.macroDataChanged(macroName)
    }
}
