import QtQuick
import Kesta.Model

// The frame of every overlay: a modal mask over the whole scene (pressing and
// dragging it moves the window, as empty areas do) and a panel centred on the
// scene with a title and the overlay's content. Escape closes it.
FocusScope {
    id: overlay

    property string title: ""
    property int panelWidth: 520
    property int panelHeight: 300
    default property alias content: body.data
    readonly property alias panel: panel

    signal opened
    signal closed

    function open() {
        visible = true;
        forceActiveFocus();
        opened();
    }

    function close() {
        if (!visible)
            return;
        visible = false;
        closed();
    }

    anchors.fill: parent
    visible: false
    z: 100

    Keys.onEscapePressed: overlay.close()

    Rectangle {
        anchors.fill: parent
        color: Theme.mask
    }

    WindowDragArea {
        anchors.fill: parent
    }

    Rectangle {
        id: panel
        anchors.centerIn: parent
        width: overlay.panelWidth
        height: overlay.panelHeight
        radius: Theme.radius + 2
        color: Theme.raised
        border.color: Theme.borderStrong
        Accessible.role: Accessible.Dialog
        Accessible.name: overlay.title

        // Clicks on the panel do not fall through to the mask.
        MouseArea {
            anchors.fill: parent
        }

        Caption {
            id: titleText
            x: Theme.margin
            y: 12
            width: panel.width - 2 * Theme.margin - 36
            height: 26
            heading: true
            text: overlay.title
        }

        IconButton {
            x: panel.width - width - 8
            y: 8
            glyph: "×"
            tip: uiTexts.texts[4]
            onClicked: overlay.close()
        }

        Item {
            id: body
            x: Theme.margin
            y: 48
            width: panel.width - 2 * Theme.margin
            height: panel.height - 48 - Theme.margin
        }
    }

    SectionTexts {
        id: uiTexts
        section: "interface"
        defaults: LanguageModel.interfaceDefaults
    }
}
