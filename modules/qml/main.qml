import QtQuick
import Kesta.Model

// The root of the scene. The host reaches it by function name (setScreenRect,
// setProtectUI, setCurrentDPI, initUI, run, scroll, detectKeyboard,
// detectMouse); the pages reach native code through ui_View, ui_Ctl and hid.
// Every page is drawn at the design size and scaled by zoomInRate_min.
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

    // Device traits and state of the session.
    property int mouseMode: 0
    property bool isColorful: false
    property string icType: ""
    property bool is55328: false
    property bool isGun: false
    property int keyCount: 0
    property string language: "English"
    property int langIndex: 0
    property bool isPownOn: false
    property int profileNo: 0
    // The stage the mouse is on, from 0 (DpiModel keeps it).
    readonly property int currentDpiStage: DpiModel.currentStage
    property bool isRunning: false
    property bool startupDone: false
    property bool busy: false
    property bool initPending: false

    // Texts of the main page; replaced by the "keyMatrix" section.
    readonly property var keyMatrixDefaults: ["Key ", "Key Function", "Editor", "Macro Editor", "Gun Editor", " Report Rate ", "Config", "Reset", "Reset factory setting", "Cancel", " OK ", "System setting", "Save", "Office Mode", "Game Mode", " LOD ", "Enable", "MOUSE MACRO", "BACKLIGHT", "SETTINGS", "Save and exit the program", "No mouse connected", "Plug the mouse in. Its settings appear here as soon as it is found."]
    readonly property var keyMatrixStrings: texts("keyMatrix", keyMatrixDefaults)
    readonly property var languageNames: ["English", "ChineseSimplified", "ChineseTraditional", "German", "French", "Italian", "Spanish"]
    readonly property var languageCaptions: ["ENGLISH", "简体中文", "繁體中文", "Deutsch", "Français", "Italiano", "Español"]
    readonly property var langSections: ["keyMatrix", "keyAssigment", "dpiSetting", "lightControl", "macroEditor", "systemSetting", "gunControl", "profile", "keyCode", "warningAssigment", "other"]
    property var langStrings: ({})

    // The pages and overlays by name, once the frame is built (see Content).
    property var frame: null
    readonly property var pages: frame ? frame.pages : null

    signal emptyAreaPressed
    signal clickOfficeMode
    signal clickGameMode
    signal initDropDownList
    signal msg_KB(bool isDown, int usbCode)
    signal msg_MS(bool isDown, int code, int x, int y)
    signal msg_wheel(int value)

    width: normalW
    height: normalH

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
        busy = true;
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
        if (!isPownOn)
            firstInit();
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
        msg_KB(Boolean(isDown), Number(usbCode));
    }

    function detectMouse(isDown, code, x, y) {
        msg_MS(Boolean(isDown), Number(code), Number(x), Number(y));
    }

    // ---- Strings ---------------------------------------------------------

    // A page's texts: its built-in list with the loaded section laid over it.
    function texts(section, defaults) {
        var loaded = langStrings[section];
        if (!loaded || loaded.length === 0)
            return defaults;
        var merged = defaults.slice();
        for (var i = 0; i < loaded.length; ++i) {
            if (i >= merged.length)
                merged.push(loaded[i]);
            else if (loaded[i] !== "")
                merged[i] = loaded[i];
        }
        return merged;
    }

    // The stored language, English when none is stored.
    function loadStoredLanguage() {
        var stored = ui_View.getGlobalData("common/language");
        language = (stored === undefined || stored === null || String(stored) === "") ? "English" : String(stored);
        loadLanguage(language);
    }

    function loadLanguage(name) {
        var index = languageNames.indexOf(String(name));
        if (index >= 0)
            langIndex = index;
        var strings = {};
        for (var i = 0; i < langSections.length; ++i) {
            var list = ui_View.getLangStrings(langSections[i], name);
            if (langSections[i] !== "other")
                strings[langSections[i]] = list;
        }
        langStrings = strings;
    }

    // The language selector: stores the choice and reloads every text.
    function changeLanguage(index) {
        if (index < 0 || index >= languageNames.length)
            return;
        language = languageNames[index];
        ui_View.setGlobalData("common/language", language);
        loadLanguage(language);
        initDropDownList();
    }

    // ---- Busy state --------------------------------------------------------

    function beginBusy() {
        busy = true;
        ui_View.setEnabled(false);
    }

    function endBusy() {
        ui_View.setEnabled(true);
        busy = protectTimer.running;
    }

    // ---- Flows -------------------------------------------------------------

    function firstInit() {
        isColorful = String(ui_View.getGlobalData("mouse/isColorful")) === "true";
        icType = String(ui_View.getGlobalData("mouse/icType"));
        is55328 = String(ui_View.getGlobalData("mouse/is55328")) === "true";
        isGun = String(ui_View.getGlobalData("mouse/isGun")) === "true";
        keyCount = Number(ui_View.getGlobalData("mouse/keyCount")) || 0;
        // The stored profile is selected before anything reads profile values.
        profileNo = Number(ui_View.getGlobalData("mouse/profileNo")) || 0;
        ui_View.setCurrentProfile(profileNo);
        setMouseMode(Number(ui_View.getData("mouse/mouseMode", false)) === 1 ? 1 : 0, false);
        if (icType === "560") {
            var current = Number(ui_View.mouseReadCurrentProfile());
            if (current !== 1)
                hid.hid560_02H_SetCurrentProfile(1);
        }
        loadStoredLanguage();
        ReportRateModel.init(false);
        LodModel.init(false);
        ProfileListModel.reload();
        RecoilModel.init(false, false);
        KeyMatrixModel.init(false, false);
        DpiModel.init(false, false);
        LightingModel.init(false, false);
        SystemSettingsModel.init(false, false);
        initDropDownList();
        isPownOn = true;
    }

    // Office (0) or game (1) mode.
    function setMouseMode(mode, markDirty) {
        mouseMode = mode;
        isGun = (mode === 1);
        KeyMatrixModel.initMode(mode);
        if (mode === 1) {
            clickGameMode();
            if (markDirty)
                KeyMatrixModel.isSave = true;
        } else {
            clickOfficeMode();
        }
        if (isPownOn)
            KeyMatrixModel.init(false, false);
        initDropDownList();
    }

    // Selects another profile file and sends every page of it to the mouse.
    function changeProfile(number) {
        number = Number(number);
        if (!isPownOn || number === profileNo || number < 0 || number > 9)
            return;
        beginBusy();
        profileNo = number;
        ui_View.setGlobalData("mouse/profileNo", profileNo);
        ui_View.setCurrentProfile(profileNo);
        sendProfile();
        endBusy();
    }

    // Loads every page from the current profile and sends it to the mouse.
    function sendProfile() {
        KeyMatrixModel.init(true, false);
        ReportRateModel.init(true);
        LodModel.init(true);
        DpiModel.init(true, false);
        LightingModel.init(true, false);
        SystemSettingsModel.init(true, false);
        if (isGun) {
            ui_View.mouseSwitchKeyMatrix(1);
            ui_View.mouseResetKeyMatrix();
        }
        sendBoundMacros();
    }

    // "Save" and "OK": every dirty page saves and sends, in this order.
    function saveAll() {
        emptyAreaPressed();
        if (!isPownOn)
            return;
        // Each page with whether its saveData takes a step (0: everything).
        var order = [[KeyMatrixModel, false], [DpiModel, false], [LightingModel, true], [LodModel, false], [SystemSettingsModel, true], [ReportRateModel, false]];
        var locked = KeyMatrixModel.isSave || DpiModel.isSave || LightingModel.isSave;
        if (locked)
            beginBusy();
        for (var i = 0; i < order.length; ++i) {
            var page = order[i][0];
            if (!page.isSave)
                continue;
            page.isSave = false;
            if (order[i][1])
                page.saveData(true, 0);
            else
                page.saveData(true);
        }
        if (locked)
            endBusy();
    }

    // "Reset": the profile defaults over the current profile, sent whole.
    function resetAll() {
        pages.resetConfirm.close();
        if (!isPownOn)
            return;
        beginBusy();
        mouseMode = 0;
        isGun = false;
        KeyMatrixModel.initMode(0);
        clickOfficeMode();
        ui_View.resetProfile(profileNo);
        KeyMatrixModel.init(true, true);
        KeyMatrixModel.resetKeys();
        ReportRateModel.init(true);
        LodModel.reset();
        DpiModel.init(true, true);
        LightingModel.init(true, true);
        SystemSettingsModel.init(true, true);
        if (isGun) {
            ui_View.mouseSwitchKeyMatrix(1);
            ui_View.mouseResetKeyMatrix();
        }
        ui_View.mouseSetCurrentDPI(2);
        DpiModel.currentStage = 1;
        RecoilModel.reset();
        sendBoundMacros();
        endBusy();
        var all = [KeyMatrixModel, DpiModel, LightingModel, LodModel, SystemSettingsModel, ReportRateModel, RecoilModel];
        for (var i = 0; i < all.length; ++i)
            all[i].isSave = false;
    }

    // Every macro the current profile binds goes to its slot, so a button
    // never plays a macro of another profile.
    function sendBoundMacros() {
        KeyMatrixModel.sendBoundMacros();
    }

    // The macro editor deleted a macro: buttons bound to it get their saved
    // assignment back.
    function onMacroDeleted(name) {
        KeyMatrixModel.releaseMacro(String(name));
        ui_View.deleteMacroUpdateProfile(String(name));
    }

    // The macro editor renamed a macro or folder: bindings of both modes
    // follow a renamed macro (a folder's macros keep their names).
    function onMacroRenamed(level, type, oldName, newName) {
        if (Number(type) === 0)
            KeyMatrixModel.renameMacro(String(oldName), String(newName));
        else
            KeyMatrixModel.refreshTexts();
        ui_View.modifyMacroNameUpdateProfile(level, type, oldName, newName);
    }

    // The macro editor changed a macro's steps: bound slots get it again.
    function onMacroDataChanged(name) {
        KeyMatrixModel.resendMacro(String(name));
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

    function flickableAt(x, y) {
        var item = root.childAt(x, y);
        var found = null;
        var px = x, py = y;
        var parentItem = root;
        while (item) {
            if (item.visible && item instanceof Flickable && (item as Flickable).contentHeight > item.height)
                found = item;
            var p = parentItem.mapToItem(item, px, py);
            px = p.x;
            py = p.y;
            parentItem = item;
            item = item.childAt(px, py);
        }
        return found;
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
        value: root.langStrings["keyAssigment"] || []
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

    // The profile list marks the profile in use.
    Binding {
        target: ProfileListModel
        property: "profileInUse"
        value: root.profileNo
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
            root.busy = false;
            ui_View.setEnabled(true);
            if (!root.startupDone && contentLoader.status === Loader.Ready)
                root.startupDone = true;
        }
    }

    // Everything below is drawn at the design size and scaled to the window.
    Item {
        id: stage
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
                    root.initUI();
                } else if (!root.isPownOn) {
                    // No mouse yet: the notice speaks the stored language.
                    root.loadStoredLanguage();
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
