import QtQuick
import Kesta.Model

// The report-rate choice of the main page: four rates, one of them chosen
// (ReportRateModel).
Item {
    id: page

    required property string captionText
    height: 40

    Caption {
        id: caption
        x: 0
        width: Math.max(110, implicitWidth)
        elide: Text.ElideNone
        height: page.height
        text: page.captionText
    }

    Row {
        x: caption.width + Theme.spacing
        height: page.height
        spacing: Theme.spacingLarge

        Repeater {
            model: ReportRateModel.captions
            delegate: ThemedRadioButton {
                required property int index
                required property string modelData
                objectName: "reportRate" + index
                anchors.verticalCenter: parent.verticalCenter
                text: modelData
                checked: ReportRateModel.index === index
                onClicked: ReportRateModel.choose(index)
            }
        }
    }
}
