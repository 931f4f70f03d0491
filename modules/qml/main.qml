import QtQuick
import QtQuick.Window
import Kesta.Model

// The root of the scene. The host calls its functions by name (setScreenRect,
// setProtectUI, setCurrentDPI, initUI, run, scroll, detectKeyboard(At),
// detectMouse(At)); the pages reach native code through ui_View, ui_Ctl and hid.
// Every page is drawn at the design size, scaled by zoomInRate_min and
// centred in the window.
//
// The frame with its pages is built asynchronously behind the start-up logo,
// so the first frame is cheap; an initUI that arrives before the pages exist
// runs as soon as they do.
//
// Until the first initialisation has run (isPownOn), the pages hold no
// stored values, only their built-in placeholders: the frame shows the
// "no mouse" notice instead of them, and no flow stores or sends anything.
Item {
    id: root

    // Design and window size.
    property int normalW: 1280
    property int normalH: 720
    property int frameW: 1280
    property int frameH: 720
    property real zoomInRate_min: 1.0
    property real zoomInRate_max: 1.0
    property bool isFrameMax: false

    // The session's state (SessionModel holds it; the host, the pages and
    // the tests read it here under the names the scene always had).
    readonly property int mouseMode: SessionModel.mouseMode
    readonly property bool isColorful: SessionModel.isColorful
    readonly property string icType: SessionModel.icType
    readonly property bool is55328: SessionModel.is55328
    readonly property bool isGun: SessionModel.isGun
    readonly property int keyCount: SessionModel.keyCount
    readonly property string language: LanguageModel.language
    readonly property int langIndex: LanguageModel.index
    readonly property bool isPownOn: SessionModel.isPownOn
    readonly property int profileNo: SessionModel.profileNo
    // The stage the mouse is on, from 0 (DpiModel keeps it).
    readonly property int currentDpiStage: DpiModel.currentStage
    property bool isRunning: false
    property bool startupDone: false
    // Input is off from setProtectUI until the protect timer stops, and
    // while a flow runs.
    property bool protecting: false
    readonly property bool busy: protecting || SessionModel.busy
    property bool initPending: false

    // Texts of the main page; replaced by the "keyMatrix" section.
    readonly property var keyMatrixStrings: mainTexts.texts
    SectionTexts {
        id: mainTexts
        section: "keyMatrix"
        defaults: ["Key ", "Key Function", "Editor", "Macro Editor", "Gun Editor", " Report Rate ", "Config", "Reset", "Reset factory setting", "Cancel", " OK ", "System setting", "Save", "Office Mode", "Game Mode", " LOD ", "Enable", "MOUSE MACRO", "BACKLIGHT", "SETTINGS", "Save and minimise to the tray", "No mouse connected", "Plug the mouse in. Its settings appear here as soon as it is found.", "The mouse cannot be opened", "The mouse is connected, but this user may not open it. Install 70-kesta.rules (see the README) and plug the mouse in again.", "Version %1", "Clear the key combination"]
    }

    // The pages and overlays by name, once the frame is built (see Content).
    property var frame: null
    readonly property var pages: frame ? frame.pages : null

    signal emptyAreaPressed
    signal clickOfficeMode
    signal clickGameMode
    signal initDropDownList
    // Captured input: `time` is the event's own time stamp in ms (-1: none),
    // `ownWindow` whether a click went to our own window.
    signal msg_KB(bool isDown, int usbCode, double time)
    signal msg_MS(bool isDown, int code, int x, int y, bool ownWindow, double time)
    signal msg_wheel(int value)

    width: normalW
    height: normalH

    // Tooltips live in the window's overlay and take the window's palette:
    // give it the scene's colours instead of the style's light ones. (A
    // binding would watch the palette it writes to.)
    function themeWindow(w) {
        if (!w)
            return;
        w.palette.toolTipBase = Theme.raisedHover;
        w.palette.toolTipText = Theme.text;
        w.palette.dark = Theme.controlBorder;
    }
    Window.onWindowChanged: themeWindow(Window.window)

    // ---- Functions the host calls by name -------------------------------

    function setScreenRect(w, h, isMaxNormal) {
        frameW = w;
        frameH = h;
        isFrameMax = isMaxNormal;
        var rw = frameW / normalW;
        var rh = frameH / normalH;
        zoomInRate_min = Math.min(rw, rh);
        zoomInRate_max = Math.max(rw, rh);
    }

    function setProtectUI(interval) {
        protecting = true;
        ui_View.setEnabled(false);
        protectTimer.interval = interval;
        protectTimer.restart();
    }

    function setCurrentDPI(dpiValue) {
        var stage = Number(dpiValue);
        if (!(stage > 0))
            return;
        DpiModel.currentStage = stage - 1;
        console.info("scene: DPI stage", stage);
    }

    function initUI() {
        setProtectUI(1000);
        root.visible = true;
        if (!pages) {
            initPending = true;
            return;
        }
        initialise();
    }

    // The part of initUI that needs the pages. One that waited for them
    // leaves the protect timer alone: its second counts from the initUI.
    function initialise() {
        SessionModel.firstInit();
        DpiModel.currentStage = Number(ui_View.mouseGetCurrentDPI()) - 1;
    }

    function run() {
        isRunning = true;
    }

    // Wheel steps from the host: the list or flickable under the pointer
    // scrolls by three rows a step.
    function scroll(value) {
        msg_wheel(Number(value));
        var target = flickableAt(pointer.point.position.x, pointer.point.position.y);
        if (!target)
            return;
        var step = 3 * 32 * Number(value);
        var maxY = Math.max(0, target.contentHeight - target.height + target.originY);
        target.contentY = Math.max(target.originY, Math.min(maxY, target.contentY - step));
    }

    function detectKeyboard(isDown, usbCode) {
        detectKeyboardAt(isDown, usbCode, -1);
    }

    function detectKeyboardAt(isDown, usbCode, time) {
        msg_KB(Boolean(isDown), Number(usbCode), Number(time));
    }

    function detectMouse(isDown, code, x, y) {
        detectMouseAt(isDown, code, x, y, undefined, -1);
    }

    // Whose window a click went to is known from the window itself when the
    // capture can tell; otherwise from whether it fell inside ours.
    function detectMouseAt(isDown, code, x, y, ownWindow, time) {
        var own = ownWindow === undefined || ownWindow === null ? insideWindow(Number(x), Number(y)) : Boolean(ownWindow);
        msg_MS(Boolean(isDown), Number(code), Number(x), Number(y), own, Number(time));
    }

    function insideWindow(x, y) {
        var content = root.Window.contentItem;
        if (!content)
            return false;
        var ratio = Screen.devicePixelRatio > 0 ? Screen.devicePixelRatio : 1;
        var p = content.mapFromGlobal(x / ratio, y / ratio);
        return p.x >= 0 && p.y >= 0 && p.x < root.Window.width && p.y < root.Window.height;
    }

    // ---- Strings ---------------------------------------------------------

    // A page's texts: its built-in list with the loaded section laid over it.
    function texts(section, defaults) {
        return LanguageModel.merged(defaults, LanguageModel.strings[section] || []);
    }

    // ---- Overlays -------------------------------------------------------------

    function showWarning(text) {
        pages.warning.show(text);
    }

    // A yes/no question; `accepted` runs on OK.
    function confirm(text, accepted) {
        pages.confirm.ask(text, accepted);
    }

    function showTab(index) {
        frame.showTab(index);
    }

    // ---- Wheel support -------------------------------------------------------

    // The innermost list or flickable under (x, y) that has more to show,
    // searched from the top of the drawing order down. An open overlay
    // covers what lies behind its mask.
    function flickableAt(x, y) {
        return scrollableIn(root, x, y).found;
    }

    function scrollableIn(item, x, y) {
        var kids = [];
        for (var i = 0; i < item.children.length; ++i)
            kids.push({
                child: item.children[i],
                order: i
            });
        kids.sort((a, b) => a.child.z - b.child.z || a.order - b.order);
        for (var k = kids.length - 1; k >= 0; --k) {
            var child = kids[k].child;
            if (!child.visible)
                continue;
            var p = item.mapToItem(child, x, y);
            if (!child.contains(p))
                continue;
            var inner = scrollableIn(child, p.x, p.y);
            if (inner.found || inner.covered)
                return inner;
        }
        if (item instanceof Flickable && (item as Flickable).contentHeight > item.height)
            return {
                found: item,
                covered: true
            };
        return {
            found: null,
            covered: item.keepsTabFocus === true
        };
    }

    // The button list's texts in the language shown, and what the mouse has.
    Binding {
        target: KeyMatrixModel
        property: "captions"
        value: root.texts("keyAssigment", AssignmentTable.captionDefaults)
    }
    Binding {
        target: KeyMatrixModel
        property: "loadedCaptions"
        value: root.texts("keyAssigment", [])
    }
    Binding {
        target: KeyMatrixModel
        property: "matrixStrings"
        value: root.keyMatrixStrings
    }
    Binding {
        target: KeyMatrixModel
        property: "keyNames"
        value: root.texts("keyCode", KeyMatrixModel.builtInKeyNames)
    }
    Binding {
        target: KeyMatrixModel
        property: "keyCount"
        value: root.keyCount
    }

    onBusyChanged: ui_View.setEnabled(!busy)

    // The session's mode changes and list refreshes as the root's signals.
    Connections {
        target: SessionModel
        function onModeApplied(mode) {
            if (mode === 1)
                root.clickGameMode();
            else
                root.clickOfficeMode();
        }
        function onDropDownListsReset() {
            root.initDropDownList();
        }
    }

    HoverHandler {
        id: pointer
    }

    // The frame is loaded by URL, so that its types and their imports (the
    // controls among them) are read after the first frame, not before it.
    Component.onCompleted: contentLoader.setSource("Content.qml", {
            scene: root
        })

    Timer {
        id: protectTimer
        interval: 1000
        running: true
        onTriggered: {
            root.protecting = false;
            ui_View.setEnabled(!SessionModel.busy);
            if (!root.startupDone && contentLoader.status === Loader.Ready)
                root.startupDone = true;
        }
    }

    // Everything below is drawn at the design size, scaled to fit the window
    // and centred in it (on whole pixels, so that text stays sharp).
    Item {
        id: stage
        x: Math.floor((root.frameW - root.normalW * root.zoomInRate_min) / 2)
        y: Math.floor((root.frameH - root.normalH * root.zoomInRate_min) / 2)
        width: root.normalW
        height: root.normalH
        scale: root.zoomInRate_min
        transformOrigin: Item.TopLeft

        Loader {
            id: contentLoader
            anchors.fill: parent
            asynchronous: true
            visible: root.startupDone
            onLoaded: {
                root.frame = item;
                if (!protectTimer.running)
                    root.startupDone = true;
                if (root.initPending) {
                    root.initPending = false;
                    root.initialise();
                } else if (!root.isPownOn) {
                    // No mouse yet: the notice speaks the stored language.
                    LanguageModel.loadStored();
                }
            }
        }

        StartupLogo {
            anchors.fill: parent
            visible: !root.startupDone
        }

        BusySpinner {
            anchors.centerIn: parent
            anchors.verticalCenterOffset: root.startupDone ? 0 : 130
            running: root.busy || !root.startupDone
        }

        // While busy the view takes no input.
        MouseArea {
            anchors.fill: parent
            visible: root.busy
            hoverEnabled: true
            preventStealing: true
        }
    }
}
