import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// The macro library as a tree of folders and macros (MacroTreeModel), with
// its menu and the New and Delete buttons; MacroEditorModel runs what the
// user asks for. The open folders are this view's own: they open again after
// the tree is read anew.
Panel {
    id: panel

    required property var texts
    // A folder opens or closes on a double click or Return.
    readonly property alias tree: treeView
    // The chains of the open folders while the tree is read again.
    property var openChains: []

    title: texts[0]

    AccessibleTexts {
        id: spoken
    }

    // The visible row of the selected item, -1 when it is hidden or none is.
    function currentRow() {
        var index = MacroTreeModel.currentIndex();
        return index.valid ? treeView.cellAtIndex(index).y : -1;
    }

    function toggle(row) {
        if (row >= 0 && row < treeView.rows)
            treeView.toggleExpanded(row);
    }

    function closeMenu() {
        treeMenu.close();
    }

    // A new macro's file records the row its selection shows at.
    Binding {
        target: MacroEditorModel
        property: "visibleRow"
        value: treeView.rows > 0 && MacroTreeModel.selectedChain !== "" ? panel.currentRow() : -1
    }

    Connections {
        target: MacroEditorModel
        // Shows the item: every folder above it opens.
        function onRevealRequested(index) {
            treeView.expandToIndex(index);
        }
        function onExpandRequested() {
            if (panel.currentRow() >= 0)
                treeView.expand(panel.currentRow());
        }
        function onAboutToReload() {
            var open = [];
            for (var row = 0; row < treeView.rows; ++row) {
                if (treeView.isExpanded(row))
                    open.push(MacroTreeModel.data(treeView.modelIndex(Qt.point(0, row)), MacroTreeModel.PathRole));
            }
            panel.openChains = open;
        }
        function onReloaded() {
            for (var i = 0; i < panel.openChains.length; ++i) {
                var index = MacroTreeModel.indexOf(panel.openChains[i]);
                if (!index.valid)
                    continue;
                treeView.expandToIndex(index);
                treeView.expand(treeView.cellAtIndex(index).y);
            }
        }
    }

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
                MacroEditorModel.clearSelection();
                treeView.forceActiveFocus();
                if (mouse.button === Qt.RightButton)
                    treeMenu.popup();
            }
        }

        TreeView {
            id: treeView
            objectName: "macroTree"
            anchors.fill: parent
            anchors.margins: 2
            model: MacroTreeModel
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            activeFocusOnTab: true
            Accessible.role: Accessible.Tree
            Accessible.name: panel.title
            columnWidthProvider: () => width - (contentHeight > height ? 10 : 0)
            ScrollBar.vertical: ScrollBar {
                policy: treeView.contentHeight > treeView.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
            }
            onWidthChanged: forceLayout()

            Keys.onUpPressed: {
                var row = panel.currentRow();
                if (row > 0)
                    MacroEditorModel.select(treeView.modelIndex(Qt.point(0, row - 1)));
            }
            Keys.onDownPressed: {
                var row = panel.currentRow();
                if (row + 1 < treeView.rows)
                    MacroEditorModel.select(treeView.modelIndex(Qt.point(0, row + 1)));
            }
            Keys.onReturnPressed: panel.toggle(panel.currentRow())
            Keys.onDeletePressed: MacroEditorModel.askDelete()
            Keys.onMenuPressed: treeMenu.popup()

            delegate: Rectangle {
                id: treeRow
                required property TreeView treeView
                required property bool expanded
                required property int depth
                required property int row
                required property string name
                required property bool isFolder
                required property var path
                readonly property bool selected: path.join("/") === MacroTreeModel.selectedChain
                readonly property int indent: 5 + 20 * depth

                implicitWidth: treeView.width
                implicitHeight: 28
                radius: Theme.radiusSmall
                color: selected ? Theme.accentSoft : (rowMouse.containsMouse ? Theme.raised : "transparent")
                Accessible.role: Accessible.TreeItem
                Accessible.name: name
                Accessible.selectable: true
                Accessible.selected: selected
                border.color: selected && treeView.activeFocus ? Theme.focus : "transparent"

                Text {
                    x: treeRow.indent
                    width: 14
                    height: parent.height
                    visible: treeRow.isFolder
                    text: treeRow.expanded ? "▾" : "▸"
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    verticalAlignment: Text.AlignVCenter
                }

                // The folder icon: a tab over a body.
                Item {
                    x: treeRow.indent + 14
                    y: (parent.height - 12) / 2
                    width: 16
                    height: 12
                    visible: treeRow.isFolder
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
                    x: treeRow.indent + 2
                    y: (parent.height - height) / 2
                    width: 9
                    height: 11
                    radius: 2
                    visible: !treeRow.isFolder
                    color: "transparent"
                    border.color: treeRow.selected ? Theme.accentText : Theme.textFaint
                }

                Caption {
                    x: treeRow.indent + (treeRow.isFolder ? 36 : 16)
                    width: parent.width - x - 4
                    height: parent.height
                    text: treeRow.name
                    color: treeRow.selected ? Theme.text : Theme.textDim
                    font.bold: treeRow.isFolder
                }

                MouseArea {
                    id: rowMouse
                    // The arrow opens and closes a folder with one click.
                    function onArrow(mouse) {
                        return treeRow.isFolder && mouse.x >= treeRow.indent && mouse.x < treeRow.indent + 14;
                    }
                    anchors.fill: parent
                    hoverEnabled: true
                    acceptedButtons: Qt.LeftButton | Qt.RightButton
                    onClicked: mouse => {
                        treeRow.treeView.forceActiveFocus();
                        MacroEditorModel.select(treeRow.treeView.modelIndex(Qt.point(0, treeRow.row)));
                        if (mouse.button === Qt.RightButton)
                            treeMenu.popup();
                        else if (onArrow(mouse))
                            panel.toggle(treeRow.row);
                    }
                    onDoubleClicked: mouse => {
                        if (mouse.button === Qt.LeftButton && !onArrow(mouse))
                            panel.toggle(treeRow.row);
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
            text: panel.texts[2]
            implicitWidth: 110
            onClicked: MacroEditorModel.askNewMacro()
        }
        ThemedButton {
            objectName: "deleteMacroButton"
            text: panel.texts[3]
            Accessible.name: spoken.texts[4]
            implicitWidth: 110
            enabled: MacroTreeModel.currentLevel >= 0
            onClicked: MacroEditorModel.askDelete()
        }
    }

    ThemedMenu {
        id: treeMenu
        objectName: "treeMenu"
        ThemedMenuItem {
            text: panel.texts[22]
            enabled: MacroTreeModel.currentLevel >= 0
            onTriggered: MacroEditorModel.askRename()
        }
        ThemedMenuItem {
            text: panel.texts[3]
            enabled: MacroTreeModel.currentLevel >= 0
            onTriggered: MacroEditorModel.askDelete()
        }
        ThemedMenuItem {
            text: panel.texts[11]
            onTriggered: MacroEditorModel.importMacro()
        }
        ThemedMenuItem {
            text: panel.texts[12]
            enabled: MacroTreeModel.currentType === 0
            onTriggered: MacroEditorModel.exportMacro()
        }
        ThemedMenuItem {
            text: panel.texts[18]
            onTriggered: MacroEditorModel.askNewFolder()
        }
        ThemedMenuItem {
            text: panel.texts[19]
            onTriggered: MacroEditorModel.askNewMacro()
        }
        ThemedMenuItem {
            text: panel.texts[20]
            onTriggered: MacroEditorModel.batchImport()
        }
        ThemedMenuItem {
            text: panel.texts[21]
            onTriggered: MacroEditorModel.batchExport()
        }
    }
}
