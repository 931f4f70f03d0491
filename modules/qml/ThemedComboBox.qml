import QtQuick
import QtQuick.Controls.Basic

// A drop-down list in the scene's look. Closes when the root asks every
// drop-down to close (`closeRequested` wired by the page).
ComboBox {
    id: control

    implicitHeight: Theme.controlHeight
    implicitWidth: 160
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true

    // The width that shows the longest entry whole; a host that has the room
    // sizes the box by it. Measured while the box is shown: measuring loads
    // the faces of every entry's script, and a box nobody sees (the unused
    // language list, whose entries are in their own scripts) must not load
    // a CJK face for an English window.
    readonly property real widestText: {
        if (!control.visible)
            return 0;
        // Entries change with the model and the language.
        void control.model;
        let widest = metrics.advanceWidth(control.displayText);
        for (let i = 0; i < control.count; ++i)
            widest = Math.max(widest, metrics.advanceWidth(control.textAt(i)));
        return widest;
    }
    readonly property int fittingWidth: Math.ceil(widestText + textLeftPadding + textRightPadding + leftPadding + rightPadding)
    // Room beside the shown text: before it, and for the arrow after it.
    readonly property int textLeftPadding: 10
    readonly property int textRightPadding: 24

    FontMetrics {
        id: metrics
        font: control.font
    }

    delegate: ItemDelegate {
        id: entry
        required property int index
        required property var modelData
        width: ListView.view ? ListView.view.width : control.width
        height: Theme.rowHeight
        highlighted: control.highlightedIndex === index
        hoverEnabled: true
        contentItem: Text {
            text: control.textRole ? entry.modelData[control.textRole] : entry.modelData
            color: entry.highlighted ? Theme.textOnAccent : Theme.text
            font: control.font
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            color: entry.highlighted ? Theme.accent : (entry.hovered ? Theme.raisedHover : "transparent")
        }
    }

    indicator: Text {
        x: control.width - width - 10
        y: (control.height - height) / 2
        text: "▾"
        color: Theme.textDim
        font.pixelSize: Theme.fontNormal
    }

    contentItem: Text {
        leftPadding: control.textLeftPadding
        rightPadding: control.textRightPadding
        text: control.displayText
        font: control.font
        color: control.enabled ? Theme.text : Theme.textFaint
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        radius: Theme.radius
        color: control.hovered ? Theme.raisedHover : Theme.raised
        border.color: control.popup.visible ? Theme.accent : Theme.border
        FocusRing {
            control: control
            shown: control.visualFocus
        }
    }

    // The open list's height: its rows and frame, at most ten rows' worth.
    readonly property real listHeight: Math.min(count * Theme.rowHeight + 2, 320)

    popup: Popup {
        // At the scale the box is drawn at, hanging from its left edge; over
        // the box when there is no room under it in the window.
        scale: Theme.drawnScale(control)
        transformOrigin: Popup.TopLeft
        y: control.height + 2
        width: control.width
        implicitHeight: control.listHeight
        padding: 1
        onAboutToShow: {
            var under = control.mapToItem(null, 0, control.height + 2).y;
            control.popup.y = under + control.listHeight * control.popup.scale <= control.Window.height ? control.height + 2 : -control.listHeight - 2;
        }
        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
            boundsBehavior: Flickable.StopAtBounds
            ScrollIndicator.vertical: ScrollIndicator {}
        }
        background: Rectangle {
            radius: Theme.radius
            color: Theme.raised
            border.color: Theme.borderStrong
        }
    }
}
