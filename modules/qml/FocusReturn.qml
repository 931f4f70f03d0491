import QtQuick
import QtQuick.Templates as T

// Gives the keyboard back to the control that had it when `popup` opened
// (with its ring when it showed one). When an entry opened an overlay, the
// overlay has the keyboard and gives it back there when it closes.
QtObject {
    id: keeper

    required property T.Popup popup
    property Item opener: null
    property bool openerShowedFocus: false

    function focusNow() {
        return popup.parent ? popup.parent.Window.activeFocusItem : null;
    }

    // The open overlay that holds `item`, if any.
    function overlayAround(item) {
        for (let p = item; p; p = p.parent) {
            if (p.keepsTabFocus === true)
                return p;
        }
        return null;
    }

    readonly property Connections watch: Connections {
        target: keeper.popup
        function onAboutToShow() {
            const current = keeper.focusNow();
            keeper.opener = current;
            keeper.openerShowedFocus = current !== null && current.visualFocus === true;
        }
        function onClosed() {
            const back = keeper.opener;
            keeper.opener = null;
            const overlay = keeper.overlayAround(keeper.focusNow());
            if (overlay) {
                // Opened from one of the entries, which are gone now: the
                // overlay gives the keyboard back to where the menu came from.
                if (!overlay.opener || !overlay.opener.visible) {
                    overlay.opener = back;
                    overlay.openerShowedFocus = keeper.openerShowedFocus;
                }
                return;
            }
            if (back && back.visible && back.enabled)
                back.forceActiveFocus(keeper.openerShowedFocus ? Qt.TabFocusReason : Qt.OtherFocusReason);
        }
    }
}
