import QtQuick
import QtQuick.Window

// Recording of the selected macro from the captured key and button events
// (global hooks, or our own window): each event becomes a press or release
// step, with the pause before it as a delay step when "Delay" is ticked. A
// pause before the first key is never stored. While the key dialog is open
// the next key goes to it instead.
Item {
    id: recorder

    required property var scene
    // A macro is selected, and its steps still have room.
    required property bool canRecord
    required property bool full
    required property bool delayEnabled
    required property bool capturingKey
    required property var keyNames
    required property var keyCodes

    property bool recording: false
    // Ticks of 10 ms since the last recorded event.
    property int ticks: 0

    signal started
    signal stopped
    // pauseMs is -1 when pauses are not kept.
    signal eventRecorded(bool isDown, string name, bool button, int pauseMs)
    signal keyCaptured(int code, string name)

    function keyName(code) {
        var i = keyCodes.indexOf(Number(code));
        return i >= 0 ? String(keyNames[i]) : "";
    }

    function start() {
        if (!canRecord)
            return;
        started();
        ticks = 0;
        recording = true;
        tickTimer.start();
        // Keys typed into our window while recording must not operate the page.
        keySink.forceActiveFocus();
    }

    // Whether the key sink had the focus (the caller gives it back).
    function stop() {
        tickTimer.stop();
        if (!recording)
            return false;
        recording = false;
        stopped();
        return keySink.activeFocus;
    }

    function record(isDown, code) {
        var name = keyName(code);
        if (!recording || name === "" || full)
            return;
        var pause = delayEnabled ? ticks * 10 : -1;
        ticks = 0;
        eventRecorded(isDown, name, Number(code) >= 0xF0, pause);
    }

    // Whether a captured button event happened over our own window: such
    // clicks operate the page and are not recorded.
    function insideOwnWindow(x, y) {
        if (!scene)
            return false;
        var ratio = Screen.devicePixelRatio > 0 ? Screen.devicePixelRatio : 1;
        var p = scene.mapFromGlobal(x / ratio, y / ratio);
        return p.x >= 0 && p.y >= 0 && p.x < recorder.Window.width && p.y < recorder.Window.height;
    }

    Item {
        id: keySink
        Keys.onPressed: event => event.accepted = true
        Keys.onReleased: event => event.accepted = true
    }

    Timer {
        id: tickTimer
        interval: 10
        repeat: true
        onTriggered: recorder.ticks += 1
    }

    Connections {
        target: recorder.scene
        enabled: recorder.recording || recorder.capturingKey
        function onMsg_KB(isDown, usbCode) {
            if (recorder.capturingKey) {
                if (isDown && usbCode < 0xF0 && recorder.keyName(usbCode) !== "")
                    recorder.keyCaptured(usbCode, recorder.keyName(usbCode));
                return;
            }
            recorder.record(isDown, usbCode);
        }
        function onMsg_MS(isDown, code, x, y) {
            if (!recorder.capturingKey && !recorder.insideOwnWindow(x, y))
                recorder.record(isDown, code);
        }
    }
}
