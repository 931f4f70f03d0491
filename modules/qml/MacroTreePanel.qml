import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// The macro library as a tree of folders and macros (MacroTreeModel), with
// its menu and the New and Delete buttons. What the user asks for goes out
// as signals; the editor page runs the commands.
Panel {
    id: panel

    required property var texts
    // A folder opens or closes on a double click or Return.
    readonly property alias tree: treeView

    signal itemClicked(var index)
    signal emptyClicked
    signal renameAsked
    signal deleteAsked
    signal importAsked
    signal exportAsked
    signal newFolderAsked
    signal newMacroAsked
    signal batchImportAsked
    signal batchExportAsked

    title: texts[0]

    // The visible row of the selected item, -1 when it is hidden or none is.
    function currentRow() {
        var index = MacroTreeModel.currentIndex();
        return index.valid ? treeView.cellAtIndex(index).y : -1;
    }

    function toggle(row) {
        if (row >= 0 && row < treeView.rows)
            treeView.toggleExpanded(row);
    }

    // Shows the item: every folder above it opens.
    function reveal(index) {
        if (index.valid)
            treeView.expandToIndex(index);
    }

    function expandCurrent() {
        var row = currentRow();
        if (row >= 0)
            treeView.expand(row);
    }

    // The chains of the open folders, to open them again after a new read.
    function openChains() {
        var out = [];
        for (var row = 0; row < treeView.rows; ++row) {
            if (treeView.isExpanded(row))
                out.push(MacroTreeModel.data(treeView.modelIndex(Qt.point(0, row)), MacroTreeModel.PathRole));
        }
        return out;
    }

    function reopen(chains) {
        for (var i = 0; i < chains.length; ++i) {
            var index = MacroTreeModel.indexOf(chains[i]);
            if (!index.valid)
                continue;
            treeView.expandToIndex(index);
            var row = treeView.cellAtIndex(index).y;
            if (row >= 0)
                treeView.expand(row);
        }
    }

    function popupMenu() {
        treeMenu.popup();
    }

    function closeMenu() {
        treeMenu.close();
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
                panel.emptyClicked();
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
            columnWidthProvider: () => width - (contentHeight > height ? 10 : 0)
            ScrollBar.vertical: ScrollBar {
                policy: treeView.contentHeight > treeView.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
            }
            onWidthChanged: forceLayout()

            Keys.onUpPressed: {
                var row = panel.currentRow();
                if (row > 0)
                    panel.itemClicked(treeView.modelIndex(Qt.point(0, row - 1)));
            }
            Keys.onDownPressed: {
                var row = panel.currentRow();
                if (row + 1 < treeView.rows)
                    panel.itemClicked(treeView.modelIndex(Qt.point(0, row + 1)));
            }
            Keys.onReturnPressed: panel.toggle(panel.currentRow())
            Keys.onDeletePressed: panel.deleteAsked()
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
                    border.color: treeRow.selected ? Theme.accentHover : Theme.textFaint
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
                        panel.itemClicked(treeRow.treeView.modelIndex(Qt.point(0, treeRow.row)));
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
            onClicked: panel.newMacroAsked()
        }
        ThemedButton {
            objectName: "deleteMacroButton"
            text: panel.texts[3]
            implicitWidth: 110
            enabled: MacroTreeModel.currentLevel >= 0
            onClicked: panel.deleteAsked()
        }
    }

    ThemedMenu {
        id: treeMenu
        objectName: "treeMenu"
        ThemedMenuItem {
            text: panel.texts[22]
            enabled: MacroTreeModel.currentLevel >= 0
            onTriggered: panel.renameAsked()
        }
        ThemedMenuItem {
            text: panel.texts[3]
            enabled: MacroTreeModel.currentLevel >= 0
            onTriggered: panel.deleteAsked()
        }
        ThemedMenuItem {
            text: panel.texts[11]
            onTriggered: panel.importAsked()
        }
        ThemedMenuItem {
            text: panel.texts[12]
            enabled: MacroTreeModel.currentType === 0
            onTriggered: panel.exportAsked()
        }
        ThemedMenuItem {
            text: panel.texts[18]
            onTriggered: panel.newFolderAsked()
        }
        ThemedMenuItem {
            text: panel.texts[19]
            onTriggered: panel.newMacroAsked()
        }
        ThemedMenuItem {
            text: panel.texts[20]
            onTriggered: panel.batchImportAsked()
        }
        ThemedMenuItem {
            text: panel.texts[21]
            onTriggered: panel.batchExportAsked()
        }
    }
}
