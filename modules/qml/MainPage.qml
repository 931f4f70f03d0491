import QtQuick
import Kesta.Model

// Tab 0, buttons and performance: the office/game switch, the key matrix,
// the mouse picture with the recoil-editor button, the DPI stages with
// their colours, and the report rate and lift-off controls.
Item {
    id: page

    property var scene
    readonly property alias keyMatrix: keyMatrix
    readonly property alias dpi: dpi
    readonly property alias picture: picture

    signal recoilRequested

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
                text: page.scene.keyMatrixStrings[13]
                checkable: true
                checked: page.scene.mouseMode === 0
                onClicked: SessionModel.setMouseMode(0, true)
            }
            // Present but out of reach: game mode comes only from stored data.
            ThemedButton {
                objectName: "gameModeButton"
                text: page.scene.keyMatrixStrings[14]
                visible: false
                enabled: false
                checkable: true
                checked: page.scene.mouseMode === 1
                onClicked: SessionModel.setMouseMode(1, true)
            }
        }

        KeyMatrixPage {
            id: keyMatrix
            objectName: "keyMatrixPage"
            scene: page.scene
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
            scene: page.scene
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
            visible: page.scene.isGun
            text: page.scene.keyMatrixStrings[4]
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
            scene: page.scene
            width: parent.width
            height: parent.height - performance.height - Theme.spacing
            onShowTab: function (index) {
                page.scene.showTab(index);
            }
        }

        Panel {
            id: performance
            objectName: "performancePanel"
            anchors.bottom: parent.bottom
            width: parent.width
            height: 118

            ReportRateControl {
                id: rateControl
                    scene: page.scene
                width: parent.width
            }
            LodControl {
                scene: page.scene
                anchors.top: rateControl.bottom
                anchors.topMargin: Theme.spacing
                width: parent.width
            }
        }
    }
}
