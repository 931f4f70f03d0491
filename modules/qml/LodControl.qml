import QtQuick
import QtQuick.Controls.Basic

// A view of the lift-off setting (LodSetting): slider, L/M/H label and the
// enable box. The main page shows it on one row; narrower hosts (the
// settings tab) get two rows. Both views edit the same object.
Item {
    id: page

    property var scene
    property bool isSave: false

    property var setting
    property string captionText: scene ? scene.keyMatrixStrings[15].trim() : "LOD"
    property string enableText: scene ? scene.keyMatrixStrings[16] : "Enable"
    property string objectPrefix: "lod"

    readonly property bool twoRows: width < 520

    implicitHeight: twoRows ? 2 * Theme.rowHeight + Theme.spacing : 40
    height: implicitHeight

    Caption {
        id: caption
        x: 0
        y: 0
        width: page.twoRows ? page.width - enable.width - Theme.spacing : 64
        height: page.twoRows ? Theme.rowHeight : page.height
        text: page.captionText
    }

    ThemedSlider {
        id: slider
        objectName: page.objectPrefix + "Slider"
        // 322 pixels of travel plus the handle.
        width: 322 + 18
        x: page.twoRows ? 0 : caption.width + Theme.spacing
        y: page.twoRows ? Theme.rowHeight + Theme.spacing + (Theme.rowHeight - height) / 2 : (page.height - height) / 2
        from: 3
        to: 325
        stepSize: 1
        snapMode: Slider.SnapAlways
        value: page.setting ? page.setting.position : 3
        enabled: page.setting ? page.setting.enabled : false
        Accessible.name: page.captionText
        onMoved: {
            if (page.setting)
                page.setting.change(value, page.setting.enabled);
        }
    }

    Text {
        id: level
        objectName: page.objectPrefix + "Level"
        x: slider.x + slider.width + Theme.spacing
        y: slider.y
        width: 24
        height: slider.height
        text: page.setting ? page.setting.level : ""
        color: Theme.accent
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
        checked: page.setting ? page.setting.enabled : false
        onToggled: {
            if (page.setting)
                page.setting.change(page.setting.position, checked);
        }
    }
}
