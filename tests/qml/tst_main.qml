import QtQuick
import QtTest
import Kesta.Model

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
        id: languageSpy
        target: LanguageModel
        signalName: "languageChanged"
    }
    SignalSpy {
        id: gameSpy
        signalName: "clickGameMode"
    }
    // Counts the times the scene's protect timer starts.
    Connections {
        id: protectStarts
        property int count: 0
        ignoreUnknownSignals: true
        function onRunningChanged() {
            if (target.running)
                ++count;
        }
    }

    TestCase {
        name: "SceneRoot"
        when: windowShown

        property var scene: loader.item

        function init() {
            // Every test starts from the same stored state.
            ui_View.setGlobalData("common/language", "English");
            ui_View.setGlobalData("mouse/profileNo", 0);
            ui_View.setCurrentProfile(0);
            ui_View.setData("mouse/mouseMode", 0);
            ui_View.mouseSetCurrentDPI(1);
            fixture.clearWire();
            loader.source = "";
            fixture.newSession();
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
            verify(scene.frame === null || !scene.frame.visible);
            tryCompare(scene, "startupDone", true, 3000);
        }

        // An initUI before the frame is built runs once the frame is there;
        // the protect timer it started is not started again then.
        function test_initBeforeTheFrameStartsTheProtectTimerOnce() {
            verify(scene.frame === null, "the frame is still being built");
            var timer = null;
            for (var i = 0; i < scene.data.length; ++i) {
                if (String(scene.data[i]).startsWith("QQmlTimer"))
                    timer = scene.data[i];
            }
            verify(timer !== null);
            protectStarts.target = timer;
            protectStarts.count = 0;
            scene.initUI();
            compare(protectStarts.count, 1);
            tryCompare(scene, "isPownOn", true, 10000);
            compare(protectStarts.count, 1);
            protectStarts.target = null;
        }

        function test_protectLocksInputForItsInterval() {
            tryCompare(scene, "busy", false, 3000);
            scene.setProtectUI(100);
            compare(scene.busy, true);
            compare(fixture.inputEnabled(), false);
            tryCompare(scene, "busy", false, 2000);
            compare(fixture.inputEnabled(), true);
        }

        function test_firstInitialisationReadsLanguageProfileAndStage() {
            ui_View.setGlobalData("common/language", "German");
            ui_View.setGlobalData("mouse/profileNo", 3);
            ui_View.mouseSetCurrentDPI(4);
            scene.initUI();
            tryCompare(scene, "isPownOn", true, 10000);
            compare(scene.language, "German");
            compare(scene.langIndex, 3);
            compare(scene.profileNo, 3);
            compare(scene.currentDpiStage, 3);
            // German texts replaced the built-in ones.
            verify(LanguageModel.strings["keyMatrix"].length > 0);

            // Later calls only refresh the DPI stage.
            languageSpy.clear();
            ui_View.mouseSetCurrentDPI(2);
            scene.initUI();
            compare(scene.currentDpiStage, 1);
            compare(languageSpy.count, 0);
        }

        function test_unknownLanguageKeepsTheIndex() {
            ui_View.setGlobalData("common/language", "Klingon");
            scene.initUI();
            tryCompare(scene, "isPownOn", true, 10000);
            compare(scene.langIndex, 0);
            compare(scene.keyMatrixStrings[12], "Save");
        }

        function test_storedGameModeStartsInGameMode() {
            ui_View.setData("mouse/mouseMode", 1);
            scene.initUI();
            tryCompare(scene, "isPownOn", true, 10000);
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
