import QtQuick
import QtTest

// The root of the scene: the functions the host calls by name, the start-up
// display and the first initialisation.
Item {
    id: top
    width: 1280
    height: 720

    Loader {
        id: loader
    }

    SignalSpy {
        id: keySpy
        signalName: "msg_KB"
    }
    SignalSpy {
        id: buttonSpy
        signalName: "msg_MS"
    }
    SignalSpy {
        id: gameSpy
        signalName: "clickGameMode"
    }

    TestCase {
        name: "SceneRoot"
        when: windowShown

        property var scene: loader.item

        function init() {
            ui_View.reset();
            hid.reset();
            ui_Ctl.reset();
            loader.source = "";
            loader.source = sceneUrl;
            verify(loader.item !== null, "the scene loads");
            keySpy.target = loader.item;
            buttonSpy.target = loader.item;
            gameSpy.target = loader.item;
            keySpy.clear();
            buttonSpy.clear();
            gameSpy.clear();
        }

        function test_screenRect_data() {
            return [
                { tag: "two thirds of 1920x1080", w: 1280, h: 720, max: false, min: 1.0, maxRate: 1.0 },
                { tag: "maximised 1920x1080", w: 1920, h: 1080, max: true, min: 1.5, maxRate: 1.5 },
                { tag: "1280x1024 keeps the width rate", w: 1280, h: 1024, max: false, min: 1.0, maxRate: 1024 / 720 }
            ];
        }

        function test_screenRect(data) {
            scene.setScreenRect(data.w, data.h, data.max);
            compare(scene.frameW, data.w);
            compare(scene.frameH, data.h);
            compare(scene.isFrameMax, data.max);
            fuzzyCompare(scene.zoomInRate_min, data.min, 0.0001);
            fuzzyCompare(scene.zoomInRate_max, data.maxRate, 0.0001);
        }

        function test_currentDpi() {
            scene.setCurrentDPI(3);
            compare(scene.currentDpiStage, 2);
            scene.setCurrentDPI(0); // ignored
            compare(scene.currentDpiStage, 2);
        }

        function test_startupDisplayShowsTheFrameAfterTheProtectTimer() {
            compare(scene.startupDone, false);
            tryCompare(scene, "startupDone", true, 3000);
        }

        function test_protectLocksInputForItsInterval() {
            scene.setProtectUI(100);
            compare(scene.busy, true);
            compare(ui_View.calls[ui_View.calls.length - 1][1][0], false);
            tryCompare(scene, "busy", false, 2000);
            compare(ui_View.calls[ui_View.calls.length - 1][0], "setEnabled");
            compare(ui_View.calls[ui_View.calls.length - 1][1][0], true);
        }

        function test_firstInitialisationReadsTraitsLanguageAndProfile() {
            ui_View.answer("getGlobalData:mouse/icType", "560");
            ui_View.answer("getGlobalData:mouse/isGun", "true");
            ui_View.answer("getGlobalData:common/language", "German");
            ui_View.answer("getGlobalData:mouse/profileNo", "3");
            ui_View.answer("mouseReadCurrentProfile", 0);
            ui_View.answer("mouseGetCurrentDPI", 4);
            scene.initUI();
            compare(scene.icType, "560");
            compare(scene.langIndex, 3);
            compare(scene.profileNo, 3);
            compare(scene.isPownOn, true);
            compare(scene.currentDpiStage, 3);
            compare(ui_View.count("setCurrentProfile"), 1);
            compare(ui_View.count("getLangStrings"), 11);
            // The mouse did not report profile 1 as current: it is made current.
            compare(hid.count("hid560_02H_SetCurrentProfile"), 1);

            // Later calls only refresh the DPI stage.
            ui_View.answer("mouseGetCurrentDPI", 2);
            scene.initUI();
            compare(ui_View.count("getLangStrings"), 11);
            compare(scene.currentDpiStage, 1);
        }

        function test_profileOneCurrentIsLeftAlone() {
            ui_View.answer("getGlobalData:mouse/icType", "560");
            ui_View.answer("mouseReadCurrentProfile", 1);
            scene.initUI();
            compare(hid.count("hid560_02H_SetCurrentProfile"), 0);
        }

        function test_unknownLanguageKeepsTheIndex() {
            ui_View.answer("getGlobalData:common/language", "Klingon");
            scene.initUI();
            compare(scene.langIndex, 0);
        }

        function test_storedGameModeStartsInGameMode() {
            ui_View.answer("getData:mouse/mouseMode", "1");
            scene.initUI();
            compare(scene.mouseMode, 1);
            compare(scene.isGun, true);
            compare(gameSpy.count, 1);
        }

        function test_capturedInputIsRelayed() {
            scene.detectKeyboard(true, 4);
            scene.detectMouse(false, 0xF1, 10, 20);
            compare(keySpy.count, 1);
            compare(keySpy.signalArguments[0][0], true);
            compare(keySpy.signalArguments[0][1], 4);
            compare(buttonSpy.count, 1);
            compare(buttonSpy.signalArguments[0][1], 0xF1);
            compare(buttonSpy.signalArguments[0][3], 20);
        }
    }
}
