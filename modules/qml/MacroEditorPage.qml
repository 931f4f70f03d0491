import QtQuick

// The macro library tree and the steps of the selected macro.
Item {
    id: page

    property var scene
    property bool isSave: false

    signal deleteMacro(string macroName)
    signal modifyMacroName(int level, int type, string macroOldName, string macroNewName)
    signal modifyMacroData(string macroName)

    function init() {}
}
