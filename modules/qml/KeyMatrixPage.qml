import QtQuick
import Kesta.Model

// The button list: the fourteen labelled positions of the shown matrix
// (KeyMatrixModel), each with what it does now and a list of functions.
// The first five functions apply at once, the others finish in an overlay.
Item {
    id: page

    required property string title
    // Read by the root's flows and the tests; the model holds the flag.
    readonly property bool isSave: KeyMatrixModel.isSave

    // Matrix index under the pointer, in the list or on the picture.
    property int hoveredIndex: -1

    AccessibleTexts {
        id: spoken
    }

    Panel {
        id: panel
        anchors.fill: parent
        title: page.title

        Column {
            id: list
            width: parent.width
            spacing: 0

            Repeater {
                model: KeyMatrixModel.visibleIndexes
                delegate: Item {
                    id: row
                    required property int modelData
                    readonly property bool lit: page.hoveredIndex === modelData
                    objectName: "keyRow_" + modelData
                    width: list.width
                    height: Math.min(Theme.rowHeight + 2, Math.floor(panel.height - panel.bodyTop - Theme.spacing) / Math.max(1, KeyMatrixModel.visibleIndexes.length))

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
                        label: KeyMatrixModel.labels[row.modelData] || ""
                        color: row.lit ? Theme.accentText : Theme.text
                    }

                    Caption {
                        objectName: "keyText_" + row.modelData
                        x: label.x + label.width + 8
                        width: combo.x - x - 6
                        height: row.height
                        dim: !row.lit
                        font.pixelSize: Theme.fontSmall + 1
                        text: KeyMatrixModel.entryTexts[row.modelData] || ""
                    }

                    ThemedComboBox {
                        id: combo
                        objectName: "keyFunction_" + row.modelData
                        x: row.width - width - 2
                        anchors.verticalCenter: parent.verticalCenter
                        // Wider only where a language's function names need it.
                        width: Math.max(172, fittingWidth)
                        height: Math.min(Theme.controlHeight, row.height - 2)
                        textRole: "text"
                        model: KeyMatrixModel.functionModels[row.modelData]
                        displayText: KeyMatrixModel.functionCaptions[row.modelData] || ""
                        // The list shows only the function: say whose it is.
                        Accessible.name: spoken.texts[0].arg(label.number).arg(displayText)
                        // The list opens on the button's own function, so that
                        // opening and confirming it, or a stray arrow key,
                        // does not pick another one.
                        currentIndex: KeyMatrixModel.functionIndexes[row.modelData]
                        // A pick moves the list's index before the page has
                        // taken it (a refused pick, or an overlay that is
                        // cancelled, never changes the entry): follow the
                        // entry again, as after a new model.
                        function followEntry() {
                            currentIndex = Qt.binding(() => KeyMatrixModel.functionIndexes[row.modelData]);
                        }
                        onModelChanged: followEntry()
                        onActivated: i => {
                            if (i >= 0 && i < model.length)
                                KeyMatrixModel.chooseFunction(row.modelData, model[i].fn);
                            followEntry();
                        }
                    }
                }
            }
        }
    }
}
