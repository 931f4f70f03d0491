import QtQuick
import QtQuick.Window
import Kesta.Model

// Hands the captured key and button events (global hooks, or our own
// window) to MacroEditorModel while it records or while its key dialog is
// open, and keeps the keys typed into our window from operating the page
// during a recording.
Item {
    id: recorder

    // What relays the captured events (msg_KB, msg_MS).
    required property var inputSource
    readonly property bool recording: MacroEditorModel.recording

    // The key sink had the focus when the recording ended.
    signal focusReturned

    onRecordingChanged: {
        if (recording)
            keySink.forceActiveFocus();
        else if (keySink.activeFocus)
            focusReturned();
    }

    // Whether a captured button event happened over our own window: such
    // clicks operate the page and are not recorded.
    function insideOwnWindow(x, y) {
        var content = recorder.Window.contentItem;
        if (!content)
            return false;
        var ratio = Screen.devicePixelRatio > 0 ? Screen.devicePixelRatio : 1;
        var p = content.mapFromGlobal(x / ratio, y / ratio);
        return p.x >= 0 && p.y >= 0 && p.x < recorder.Window.width && p.y < recorder.Window.height;
    }

    Item {
        id: keySink
        Keys.onPressed: event => event.accepted = true
        Keys.onReleased: event => event.accepted = true
    }

    Connections {
        target: recorder.inputSource
        enabled: MacroEditorModel.recording || MacroEditorModel.capturingKey
        function onMsg_KB(isDown, usbCode) {
            MacroEditorModel.keyEvent(isDown, usbCode);
        }
        function onMsg_MS(isDown, code, x, y) {
            MacroEditorModel.mouseEvent(isDown, code, recorder.insideOwnWindow(x, y));
        }
    }
}
