import QtQuick

// The report-rate choice of the main page: four rates, one of them chosen.
Item {
    id: page

    property var scene
    property bool isSave: false

    property var setting
    height: 40

    Caption {
        id: caption
        x: 0
        width: 110
        height: page.height
        text: page.scene ? page.scene.keyMatrixStrings[5].trim() : ""
    }

    Row {
        x: caption.width + Theme.spacing
        height: page.height
        spacing: Theme.spacingLarge

        Repeater {
            model: page.setting ? page.setting.captions : []
            delegate: ThemedRadioButton {
                required property int index
                required property string modelData
                objectName: "reportRate" + index
                anchors.verticalCenter: parent.verticalCenter
                text: modelData
                checked: page.setting.index === index
                onClicked: page.setting.choose(index)
            }
        }
    }
}
