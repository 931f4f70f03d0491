import QtQuick
import QtQuick.Controls.Basic
import Kesta.Model

// A view of the lift-off setting (LodModel): slider, L/M/H label and the
// enable box. The main page shows it on one row; narrower hosts (the
// settings tab) get two rows. Both views edit the same model.
Item {
    id: page

    required property string captionText
    required property string enableText
    property string objectPrefix: "lod"

    readonly property bool twoRows: width < 520

    implicitHeight: twoRows ? 2 * Theme.rowHeight + Theme.spacing : 40
    height: implicitHeight

    Caption {
        id: caption
        x: 0
        y: 0
        // On one row the caption is as long as its words.
        width: page.twoRows ? page.width - enable.width - Theme.spacing : Math.max(64, Math.ceil(captionMetrics.advanceWidth) + 1)
        height: page.twoRows ? Theme.rowHeight : page.height
        text: page.captionText
    }

    TextMetrics {
        id: captionMetrics
        font: caption.font
        text: page.captionText
    }

    ThemedSlider {
        id: slider
        objectName: page.objectPrefix + "Slider"
        // 322 pixels of travel plus the handle; on one row it gives way to a
        // longer enable text.
        width: page.twoRows ? 322 + 18 : Math.min(322 + 18, page.width - x - 2 * Theme.spacing - level.width - enable.implicitWidth)
        x: page.twoRows ? 0 : caption.width + Theme.spacing
        y: page.twoRows ? Theme.rowHeight + Theme.spacing + (Theme.rowHeight - height) / 2 : (page.height - height) / 2
        from: LodModel.first
        to: LodModel.last
        stepSize: 1
        snapMode: Slider.SnapAlways
        value: LodModel.position
        enabled: LodModel.enabled
        Accessible.name: page.captionText
        onMoved: LodModel.change(value, LodModel.enabled)
    }

    Text {
        id: level
        objectName: page.objectPrefix + "Level"
        x: slider.x + slider.width + Theme.spacing
        y: slider.y
        width: 24
        height: slider.height
        text: LodModel.level
        color: LodModel.enabled ? Theme.accentText : Theme.textFaint
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontLarge
        font.bold: true
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    ThemedCheckBox {
        id: enable
        objectName: page.objectPrefix + "Enable"
        x: page.twoRows ? page.width - width : level.x + level.width + Theme.spacing
        y: page.twoRows ? (Theme.rowHeight - height) / 2 : (page.height - height) / 2
        text: page.enableText
        checked: LodModel.enabled
        onToggled: LodModel.change(LodModel.position, checked)
    }
}
