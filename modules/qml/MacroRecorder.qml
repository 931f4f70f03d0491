import QtQuick
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

    Item {
        id: keySink
        Keys.onPressed: event => event.accepted = true
        Keys.onReleased: event => event.accepted = true
    }

    Connections {
        target: recorder.inputSource
        enabled: MacroEditorModel.recording || MacroEditorModel.capturingKey
        function onMsg_KB(isDown, usbCode, time) {
            MacroEditorModel.keyEvent(isDown, usbCode, time);
        }
        // Clicks on our own window operate the page and are not recorded.
        function onMsg_MS(isDown, code, x, y, ownWindow, time) {
            MacroEditorModel.mouseEvent(isDown, code, ownWindow, time);
        }
    }
}
