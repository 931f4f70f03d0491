import QtQuick
import Kesta.Model
import QtQuick.Shapes

// Top view of the mouse, drawn as vector shapes, with its numbered buttons.
// Hovering a button here highlights it in the key list and the other way
// round; clicking one opens its assignment.
Item {
    id: page

    // The scale the scene is shown at (the outline is drawn at it).
    required property real sceneZoom

    // Where each matrix position sits on the picture (264 x 492 design
    // pixels): the rectangle a pointer can hit, its label centred in it. The
    // two main buttons are drawn as shapes of the shell; `main` says which.
    readonly property var spots: ({
            0: { x: 40, y: 22, w: 76, h: 168, main: "left" },
            1: { x: 148, y: 22, w: 76, h: 168, main: "right" },
            2: { x: 120, y: 66, w: 24, h: 50 },
            3: { x: 16, y: 210, w: 26, h: 38 },
            4: { x: 16, y: 254, w: 26, h: 38 },
            5: { x: 119, y: 126, w: 26, h: 26 },
            8: { x: 16, y: 298, w: 26, h: 38 },
            9: { x: 16, y: 342, w: 26, h: 38 },
            10: { x: 222, y: 210, w: 26, h: 38 },
            11: { x: 222, y: 254, w: 26, h: 38 },
            12: { x: 88, y: 200, w: 30, h: 28 },
            13: { x: 146, y: 200, w: 30, h: 28 },
            14: { x: 117, y: 244, w: 30, h: 28 },
            15: { x: 117, y: 284, w: 30, h: 28 }
        })
    property bool isSave: false
    property var keyMatrix

    readonly property var shown: KeyMatrixModel.visibleIndexes
    readonly property int hovered: keyMatrix ? keyMatrix.hoveredIndex : -1
    readonly property real zoom: drawing.scale * sceneZoom

    AccessibleTexts {
        id: spoken
    }

    Item {
        id: drawing
        width: 264
        height: 492
        anchors.centerIn: parent
        scale: Math.min(page.width / width, page.height / height)

        Shape {
            id: body
            anchors.fill: parent
            // With a GPU: drawn at the scale it is shown at (and twice that,
            // smoothed down), so the outline stays sharp at every window
            // size. The software renderer paints shapes smoothed already, and
            // its layers lose their place under a display scale.
            layer.enabled: GraphicsInfo.api !== GraphicsInfo.Software
            layer.samples: 4
            layer.smooth: true
            layer.textureSize: Qt.size(Math.ceil(width * page.zoom * 2), Math.ceil(height * page.zoom * 2)) // qmllint disable type

            ShapePath {
                fillColor: Theme.shell
                strokeColor: Theme.shellEdge
                strokeWidth: 2
                startX: 132
                startY: 12
                PathCubic {
                    x: 228
                    y: 150
                    control1X: 192
                    control1Y: 12
                    control2X: 228
                    control2Y: 62
                }
                PathLine {
                    x: 230
                    y: 330
                }
                PathCubic {
                    x: 132
                    y: 480
                    control1X: 230
                    control1Y: 436
                    control2X: 190
                    control2Y: 480
                }
                PathCubic {
                    x: 34
                    y: 330
                    control1X: 74
                    control1Y: 480
                    control2X: 34
                    control2Y: 436
                }
                PathLine {
                    x: 36
                    y: 150
                }
                PathCubic {
                    x: 132
                    y: 12
                    control1X: 36
                    control1Y: 62
                    control2X: 72
                    control2Y: 12
                }
            }

            // The two main buttons, following the shell's front.
            ShapePath {
                fillColor: !page.shown.includes(0) ? Theme.shell : page.hovered === 0 ? Theme.shellHighlight : Theme.shellButton
                strokeColor: Theme.shellEdge
                strokeWidth: 1
                startX: 117
                startY: 20
                PathLine {
                    x: 117
                    y: 190
                }
                PathLine {
                    x: 42
                    y: 190
                }
                PathLine {
                    x: 41
                    y: 150
                }
                PathCubic {
                    x: 117
                    y: 20
                    control1X: 41
                    control1Y: 76
                    control2X: 74
                    control2Y: 22
                }
            }
            ShapePath {
                fillColor: !page.shown.includes(1) ? Theme.shell : page.hovered === 1 ? Theme.shellHighlight : Theme.shellButton
                strokeColor: Theme.shellEdge
                strokeWidth: 1
                startX: 147
                startY: 20
                PathLine {
                    x: 147
                    y: 190
                }
                PathLine {
                    x: 222
                    y: 190
                }
                PathLine {
                    x: 223
                    y: 150
                }
                PathCubic {
                    x: 147
                    y: 20
                    control1X: 223
                    control1Y: 76
                    control2X: 190
                    control2Y: 22
                }
            }
        }

        // The other buttons, their labels and where the pointer hits them.
        Repeater {
            model: page.shown
            delegate: Item {
                id: spot
                required property int modelData
                readonly property var place: page.spots[modelData] || ({
                        x: 0,
                        y: 0,
                        w: 0,
                        h: 0
                    })
                readonly property bool isMain: place.main !== undefined
                readonly property bool lit: page.hovered === modelData
                readonly property bool locked: KeyMatrixModel.entries.length > 0 && KeyMatrixModel.isSoleLeftHolder(modelData)
                x: place.x
                y: place.y
                width: place.w
                height: place.h

                Rectangle {
                    anchors.fill: parent
                    visible: !spot.isMain
                    radius: Math.min(width, height) / 3
                    color: spot.lit ? Theme.shellHighlight : Theme.shellButton
                    border.color: Theme.shellEdge
                    antialiasing: true
                }

                CircledLabel {
                    id: spotLabel
                    anchors.horizontalCenter: parent.horizontalCenter
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.verticalCenterOffset: spot.isMain ? 20 : 0
                    label: KeyMatrixModel.labels[spot.modelData] || ""
                    color: spot.lit ? Theme.textOnAccent : Theme.text
                    diameter: spot.isMain ? 30 : Math.min(22, spot.width - 4)
                }

                MouseArea {
                    objectName: "pictureButton_" + spot.modelData
                    anchors.fill: parent
                    hoverEnabled: true
                    cursorShape: spot.locked ? Qt.ForbiddenCursor : Qt.PointingHandCursor
                    onContainsMouseChanged: {
                        if (!page.keyMatrix)
                            return;
                        if (containsMouse)
                            page.keyMatrix.hoveredIndex = spot.modelData;
                        else if (page.keyMatrix.hoveredIndex === spot.modelData)
                            page.keyMatrix.hoveredIndex = -1;
                    }
                    onClicked: KeyMatrixModel.openAssignment(spot.modelData)
                    // Named as in the button list; a screen reader's press opens it too.
                    Accessible.role: Accessible.Button
                    Accessible.name: spoken.texts[0].arg(spotLabel.number).arg(KeyMatrixModel.functionCaptions[spot.modelData] || "")
                    Accessible.onPressAction: KeyMatrixModel.openAssignment(spot.modelData)
                }
            }
        }
    }
}
