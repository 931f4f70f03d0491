import QtQuick

// The root of the scene. The host reaches it by function name (setScreenRect,
// setProtectUI, setCurrentDPI, initUI, run, scroll, detectKeyboard,
// detectMouse); the pages reach native code through ui_View, ui_Ctl and hid.
// Every page is drawn at the design size and scaled by zoomInRate_min.
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
    property int currentDpiStage: 0
    property bool isRunning: false
    property bool startupDone: false
    property bool busy: false

    // Texts of the main page; replaced by the "keyMatrix" section.
    property var keyMatrixStrings: ["Key ", "Key Function", "Editor", "Macro Editor", "Gun Editor", " Report Rate ", "Config", "Reset", "Reset factory setting", "Cancel", " OK ", "System setting", "Save", "Office Mode", "Game Mode", " LOD ", "Enable", "MOUSE MACRO", "BACKLIGHT", "SETTINGS", "Save and exit the program"]
    readonly property var languageNames: ["English", "ChineseSimplified", "ChineseTraditional", "German", "French", "Italian", "Spanish"]
    readonly property var languageCaptions: ["ENGLISH", "简体中文", "繁體中文", "Deutsch", "Français", "Italiano", "Español"]
    readonly property var langSections: ["keyMatrix", "keyAssigment", "dpiSetting", "lightControl", "macroEditor", "systemSetting", "gunControl", "profile", "keyCode", "warningAssigment", "other"]
    property var langStrings: ({})

    signal emptyAreaPressed
    signal clickOfficeMode
    signal clickGameMode
    signal initDropDownList
    signal clickMainFocus
    signal msg_KB(bool isDown, int usbCode)
    signal msg_MS(bool isDown, int code, int x, int y)
    signal msg_wheel(int value)
    // Every call the host makes by name, for whoever watches the scene.
    signal hostCalled(string name, var args)

    width: normalW
    height: normalH

    function setScreenRect(w, h, isMaxNormal) {
        hostCalled("setScreenRect", [w, h, isMaxNormal]);
        frameW = w;
        frameH = h;
        isFrameMax = isMaxNormal;
        var rw = frameW / normalW;
        var rh = frameH / normalH;
        zoomInRate_min = Math.min(rw, rh);
        zoomInRate_max = Math.max(rw, rh);
    }

    function setProtectUI(interval) {
        hostCalled("setProtectUI", [interval]);
        busy = true;
        ui_View.setEnabled(false);
        protectTimer.interval = interval;
        protectTimer.restart();
    }

    function setCurrentDPI(dpiValue) {
        hostCalled("setCurrentDPI", [dpiValue]);
        var stage = Number(dpiValue);
        if (stage === 0)
            return;
        currentDpiStage = stage - 1;
        console.info("scene: DPI stage", stage);
    }

    function applyLanguage(name) {
        var index = languageNames.indexOf(String(name));
        if (index >= 0)
            langIndex = index;
        var strings = {};
        for (var i = 0; i < langSections.length; ++i)
            strings[langSections[i]] = ui_View.getLangStrings(langSections[i], name);
        langStrings = strings;
        var km = strings["keyMatrix"];
        if (km && km.length > 0) {
            var merged = keyMatrixStrings.slice();
            for (var k = 0; k < km.length && k < merged.length; ++k)
                if (km[k] !== "")
                    merged[k] = km[k];
            keyMatrixStrings = merged;
        }
    }

    function setMouseMode(mode) {
        mouseMode = mode;
        isGun = (mode === 1);
        if (mode === 1)
            clickGameMode();
        else
            clickOfficeMode();
        initDropDownList();
    }

    function initUI() {
        hostCalled("initUI", []);
        setProtectUI(1000);
        root.visible = true;
        if (!isPownOn) {
            isColorful = String(ui_View.getGlobalData("mouse/isColorful")) === "true";
            icType = String(ui_View.getGlobalData("mouse/icType"));
            is55328 = String(ui_View.getGlobalData("mouse/is55328")) === "true";
            isGun = String(ui_View.getGlobalData("mouse/isGun")) === "true";
            keyCount = Number(ui_View.getGlobalData("mouse/keyCount")) || 0;
            setMouseMode(Number(ui_View.getData("mouse/mouseMode", false)) || 0);
            if (icType === "560") {
                var current = Number(ui_View.mouseReadCurrentProfile());
                if (current !== 1)
                    hid.hid560_02H_SetCurrentProfile(1);
            }
            var stored = ui_View.getGlobalData("common/language");
            language = (stored === undefined || stored === null) ? "English" : String(stored);
            applyLanguage(language);
            profileNo = Number(ui_View.getGlobalData("mouse/profileNo")) || 0;
            ui_View.setCurrentProfile(profileNo);
            content.initPages(false, false);
            initDropDownList();
            isPownOn = true;
        }
        var stage = Number(ui_View.mouseGetCurrentDPI());
        currentDpiStage = stage - 1;
    }

    function run() {
        hostCalled("run", []);
        isRunning = true;
    }

    function scroll(value) {
        // Accepted and otherwise ignored: the pages scroll themselves.
        hostCalled("scroll", [value]);
    }

    function detectKeyboard(isDown, usbCode) {
        hostCalled("detectKeyboard", [isDown, usbCode]);
        msg_KB(Boolean(isDown), Number(usbCode));
    }

    function detectMouse(isDown, code, x, y) {
        hostCalled("detectMouse", [isDown, code, x, y]);
        msg_MS(Boolean(isDown), Number(code), Number(x), Number(y));
    }

    Timer {
        id: protectTimer
        interval: 1000
        running: true
        onTriggered: {
            root.busy = false;
            ui_View.setEnabled(true);
            if (!root.startupDone) {
                root.startupDone = true;
                tabBar.currentIndex = tabBar.currentIndex;
            }
        }
    }

    // Everything below is drawn at the design size and scaled to the window.
    Item {
        id: stage
        width: root.normalW
        height: root.normalH
        scale: root.zoomInRate_min
        transformOrigin: Item.TopLeft

        // Empty areas drag the window.
        MouseArea {
            id: dragArea
            property point pressPoint
            anchors.fill: parent
            visible: root.startupDone
            onPressed: mouse => {
                pressPoint = Qt.point(mouse.x, mouse.y);
                root.emptyAreaPressed();
            }
            onPositionChanged: mouse => {
                if (!pressed)
                    return;
                ui_Ctl.onXChanged(mouse.x - pressPoint.x);
                ui_Ctl.onYChanged(mouse.y - pressPoint.y);
            }
        }

        Rectangle {
            id: background
            anchors.fill: parent
            visible: root.startupDone
            radius: 10
            gradient: Gradient {
                GradientStop {
                    position: 0.0
                    color: "#24262c"
                }
                GradientStop {
                    position: 1.0
                    color: "#15161a"
                }
            }
            border.color: "#3a3c44"
        }

        TopBar {
            id: topBar
            visible: root.startupDone
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
        }

        Item {
            id: content
            visible: root.startupDone
            anchors.top: topBar.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom

            // Pages slot in here: each tab hosts one page item with
            // init(isSendData, isRecovery) and saveData(isSendData).
            property var pages: [mainPage, lightPage, settingsPage]

            function initPages(isSendData, isRecovery) {
                for (var i = 0; i < pages.length; ++i) {
                    var page = pages[i].item;
                    if (page && page.init)
                        page.init(isSendData, isRecovery);
                }
            }

            Row {
                id: tabBar
                property int currentIndex: 0
                anchors.top: parent.top
                anchors.topMargin: 8
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 4

                Repeater {
                    model: [17, 18, 19]
                    delegate: TabButton {
                        required property int index
                        required property int modelData
                        text: root.keyMatrixStrings[modelData]
                        selected: tabBar.currentIndex === index
                        // The lighting tab is reached only programmatically.
                        visible: index !== 1
                        onClicked: tabBar.currentIndex = index
                    }
                }
            }

            Rectangle {
                id: frame
                anchors.top: tabBar.bottom
                anchors.topMargin: 8
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 16
                color: "#1c1e23"
                radius: 6
                border.color: "#30323a"

                Loader {
                    id: mainPage
                    anchors.fill: parent
                    visible: tabBar.currentIndex === 0
                }
                Loader {
                    id: lightPage
                    anchors.fill: parent
                    visible: tabBar.currentIndex === 1
                }
                Loader {
                    id: settingsPage
                    anchors.fill: parent
                    visible: tabBar.currentIndex === 2
                }
            }
        }

        // Start-up logo, shown until the protect timer first runs out.
        Item {
            id: startupLogo
            anchors.fill: parent
            visible: !root.startupDone

            Rectangle {
                anchors.centerIn: parent
                width: 360
                height: 160
                radius: 12
                color: "#1b1d22"
                border.color: "#e0483e"
                border.width: 2

                Column {
                    anchors.centerIn: parent
                    spacing: 6
                    Text {
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "KESTA"
                        color: "#f2f2f2"
                        font.pixelSize: 44
                        font.bold: true
                        font.letterSpacing: 8
                    }
                    Text {
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "R218"
                        color: "#e0483e"
                        font.pixelSize: 18
                        font.letterSpacing: 4
                    }
                }
            }
        }

        BusyIndicator {
            id: busyIndicator
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
