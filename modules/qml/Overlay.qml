import QtQuick
import Kesta.Model

// The frame of every overlay: a modal mask over the whole scene (pressing and
// dragging it moves the window, as empty areas do) and a panel centred on the
// scene with a title and the overlay's content.
//
// The keyboard stays in the overlay while it is open: it takes the focus on
// opening, Tab and Shift+Tab go round its own controls (the view keeps them
// inside, see keepsTabFocus), Escape closes it, and the control that had the
// focus before gets it back. While a key is being captured from the keyboard
// (`capturing`), the keys typed into the window operate nothing, Escape
// included: they are the key being captured.
FocusScope {
    id: overlay

    property string title: ""
    property int panelWidth: 520
    property int panelHeight: 300
    default property alias content: body.data
    readonly property alias panel: panel
    property bool capturing: false
    // Read by the view.
    readonly property bool keepsTabFocus: visible && !capturing

    // The control to give the focus back to, and whether it showed it.
    property Item opener: null
    property bool openerShowedFocus: false

    signal opened
    signal closed

    function open() {
        if (!visible) {
            const current = Window.activeFocusItem;
            const outside = current && !holds(current);
            opener = outside ? current : null;
            // A control reached by keyboard shows its ring again.
            openerShowedFocus = outside && current.visualFocus === true;
        }
        visible = true;
        takeFocus();
        opened();
    }

    function close() {
        if (!visible)
            return;
        const hadFocus = holds(Window.activeFocusItem);
        visible = false;
        closed();
        const back = opener;
        opener = null;
        // Unless what ran on closing moved the focus on (another overlay).
        if (hadFocus && back && back.visible && back.enabled && !keyboardIsElsewhere())
            back.forceActiveFocus(openerShowedFocus ? Qt.TabFocusReason : Qt.OtherFocusReason);
    }

    function takeFocus() {
        if (capturing) {
            keySink.forceActiveFocus();
            return;
        }
        // The sink may still be the focused item of a capture closed before.
        keySink.focus = false;
        forceActiveFocus();
    }

    // Whether `item` is this overlay or inside it.
    function holds(item) {
        for (let p = item; p; p = p.parent) {
            if (p === overlay)
                return true;
        }
        return false;
    }

    function keyboardIsElsewhere() {
        for (let p = Window.activeFocusItem; p; p = p.parent) {
            if (p !== overlay && p.keepsTabFocus === true)
                return true;
        }
        return false;
    }

    anchors.fill: parent
    visible: false
    z: 100

    Keys.onEscapePressed: overlay.close()

    onCapturingChanged: {
        if (!visible)
            return;
        if (capturing) {
            sinkLeave.stop();
            keySink.forceActiveFocus();
        } else if (keySink.activeFocus) {
            // The window's own copy of the key just captured may still be on
            // its way: it is kept from acting as well.
            sinkLeave.restart();
        }
    }

    // Holds the focus while a key is captured.
    Item {
        id: keySink
        property bool keyDown: false

        function leave() {
            sinkLeave.stop();
            keyDown = false;
            if (!overlay.capturing && activeFocus) {
                focus = false;
                overlay.forceActiveFocus();
            }
        }

        Keys.onPressed: event => {
            event.accepted = true;
            keyDown = true;
            sinkLeave.stop();
        }
        Keys.onReleased: event => {
            event.accepted = true;
            if (event.isAutoRepeat)
                return;
            keyDown = false;
            if (!overlay.capturing)
                keySink.leave();
        }
    }
    Timer {
        id: sinkLeave
        interval: 300
        onTriggered: {
            if (!keySink.keyDown)
                keySink.leave();
        }
    }

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
