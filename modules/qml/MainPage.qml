import QtQuick
import Kesta.Model

// Tab 0, buttons and performance: the office/game switch, the key matrix,
// the mouse picture with the recoil-editor button, the DPI stages with
// their colours, and the report rate and lift-off controls.
Item {
    id: page

    // The main page's texts, and the scale the scene is shown at.
    required property var strings
    required property real sceneZoom
    readonly property alias keyMatrix: keyMatrix
    readonly property alias dpi: dpi
    readonly property alias picture: picture

    signal recoilRequested
    signal tabRequested(int index)

    // Left: mode switch and the button list.
    Item {
        id: left
        x: 0
        y: 0
        width: 400
        height: page.height

        Row {
            id: modeSwitch
            spacing: Theme.spacing
            ThemedButton {
                objectName: "officeModeButton"
                text: page.strings[13]
                checkable: true
                checked: SessionModel.mouseMode === 0
                onClicked: SessionModel.setMouseMode(0, true)
            }
            // Present but out of reach: game mode comes only from stored data.
            ThemedButton {
                objectName: "gameModeButton"
                text: page.strings[14]
                visible: false
                enabled: false
                checkable: true
                checked: SessionModel.mouseMode === 1
                onClicked: SessionModel.setMouseMode(1, true)
            }
        }

        KeyMatrixPage {
            id: keyMatrix
            objectName: "keyMatrixPage"
            title: page.strings[1]
            anchors.top: modeSwitch.bottom
            anchors.topMargin: Theme.spacing
            width: parent.width
            anchors.bottom: parent.bottom
        }
    }

    // Centre: the mouse picture and the recoil editor's button.
    Item {
        id: centre
        x: 412
        y: 0
        width: 264
        height: page.height

        MousePicture {
            id: picture
            objectName: "mousePicture"
            sceneZoom: page.sceneZoom
            keyMatrix: keyMatrix
            anchors.horizontalCenter: parent.horizontalCenter
            y: 0
            width: parent.width
            height: parent.height - 56
        }

        ThemedButton {
            objectName: "recoilButton"
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: parent.bottom
            visible: SessionModel.isGun
            text: page.strings[4]
            onClicked: page.recoilRequested()
        }
    }

    // Right: DPI stages and colours, then report rate and lift-off.
    Item {
        id: right
        x: 688
        y: 0
        width: page.width - 688
        height: page.height

        DpiPage {
            id: dpi
            objectName: "dpiPage"
            width: parent.width
            height: parent.height - performance.height - Theme.spacing
            onLightingRequested: page.tabRequested(1)
        }

        Panel {
            id: performance
            objectName: "performancePanel"
            anchors.bottom: parent.bottom
            width: parent.width
            height: 118

            ReportRateControl {
                id: rateControl
                captionText: page.strings[5].trim()
                width: parent.width
            }
            LodControl {
                captionText: page.strings[15].trim()
                enableText: page.strings[16]
                anchors.top: rateControl.bottom
                anchors.topMargin: Theme.spacing
                width: parent.width
            }
        }
    }
}
