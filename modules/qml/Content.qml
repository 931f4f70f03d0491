import QtQuick
import Kesta.Model

// The program frame: top bar, tabs with their pages, bottom bar and every
// overlay. `pages` names each page and overlay for the root's flows.
Item {
    id: shell

    property var scene
    property int currentTab: 0

    readonly property var pages: ({
            keyMatrix: mainPage.keyMatrix,
            dpi: DpiModel,
            picture: mainPage.picture,
            reportRate: ReportRateModel,
            lod: LodModel,
            system: SystemSettingsModel,
            get macroEditor() {
                return shell.made(settingsLoader).macroEditor;
            },
            get keyAssign() {
                return shell.made(keyAssignLoader);
            },
            get macroAssign() {
                return shell.made(macroAssignLoader);
            },
            get inputAssign() {
                return shell.made(inputAssignLoader);
            },
            get dpiAssign() {
                return shell.made(dpiAssignLoader);
            },
            get recoil() {
                return shell.made(recoilLoader);
            },
            get profileManager() {
                return shell.made(profileManagerLoader);
            },
            get warning() {
                return shell.made(warningLoader);
            },
            get confirm() {
                return shell.made(confirmLoader);
            },
            get resetConfirm() {
                return shell.made(resetConfirmLoader);
            },
            get exitConfirm() {
                return shell.made(exitConfirmLoader);
            },
            get help() {
                return shell.made(topBar.helpLoader);
            }
        })

    // The main page's texts, and the warnings (built in, and as loaded).
    readonly property var strings: shell.scene.keyMatrixStrings
    // The pages each tab shows, by SessionModel's page names: a tab is
    // marked while one of them holds unsaved edits. The lighting page is
    // reached from the main page, whose tab marks it too.
    readonly property var tabPages: [["keyMatrix", "dpi", "reportRate", "lod", "light"], ["light"], ["system"]]
    SectionTexts {
        id: feedback
        section: "feedback"
        defaults: ["Saved to the mouse.", "Nothing to save: every page is stored.", "Could not save: %1", "", "Unsaved changes"]
    }
    SectionTexts {
        id: warnings
        section: "warningAssigment"
        defaults: ["Please keep a key at least for the left button function."]
    }
    SectionTexts {
        id: loadedWarnings
        section: "warningAssigment"
    }

    // What the first screen does not show is made when it is first asked
    // for: the lighting and settings tabs, and every overlay.
    function made(loader) {
        loader.active = true;
        return loader.item;
    }

    function showTab(index) {
        if (index === 2 && currentTab !== 2) {
            scene.setProtectUI(300);
            made(settingsLoader).macroEditor.init();
        }
        currentTab = index;
    }

    Rectangle {
        anchors.fill: parent
        radius: Theme.radius + 4
        gradient: Gradient {
            GradientStop {
                position: 0.0
                color: Theme.windowTop
            }
            GradientStop {
                position: 1.0
                color: Theme.window
            }
        }
        border.color: Theme.border
    }

    Connections {
        target: shell.scene
        function onEmptyAreaPressed() {
            lightLoader.item?.dismiss();
        }
    }

    // Empty areas close drop-downs and drag the window.
    WindowDragArea {
        anchors.fill: parent
        onPressedEmpty: shell.scene.emptyAreaPressed()
    }

    TopBar {
        id: topBar
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
    }

    Row {
        id: tabBar
        anchors.top: topBar.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 6
        visible: SessionModel.isPownOn
        Accessible.role: Accessible.PageTabList

        Repeater {
            model: [17, 18, 19]
            delegate: PageTab {
                required property int index
                required property int modelData
                objectName: "tab" + index
                text: shell.strings[modelData]
                selected: shell.currentTab === index
                unsaved: shell.tabPages[index].some(page => SessionModel.unsavedPages.indexOf(page) >= 0)
                unsavedText: feedback.texts[4]
                // The lighting tab is reached from the main page only.
                visible: index !== 1
                onClicked: shell.showTab(index)
            }
        }
    }

    Rectangle {
        id: frame
        anchors.top: tabBar.bottom
        anchors.topMargin: 8
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: bottomBar.top
        anchors.leftMargin: Theme.margin
        anchors.rightMargin: Theme.margin
        color: "transparent"
        // Before the first initialisation the pages hold placeholders.
        visible: SessionModel.isPownOn

        MainPage {
            id: mainPage
            objectName: "mainPage"
            anchors.fill: parent
            strings: shell.strings
            sceneZoom: shell.scene.zoomInRate_min
            visible: shell.currentTab === 0
            onRecoilRequested: shell.pages.recoil.open()
            onTabRequested: index => shell.showTab(index)
        }
        Loader {
            id: lightLoader
            anchors.fill: parent
            visible: shell.currentTab === 1
            // Made when first shown, then kept.
            active: visible || item !== null
            sourceComponent: LightingPage {
                objectName: "lightPage"
                backText: shell.strings[17]
                onBackRequested: shell.showTab(0)
                onConfirmRequested: (question, accepted) => shell.pages.confirm.ask(question, accepted)
            }
        }
        Loader {
            id: settingsLoader
            anchors.fill: parent
            visible: shell.currentTab === 2
            active: false
            sourceComponent: SettingsPage {
                objectName: "settingsPage"
                scene: shell.scene
            }
        }
    }

    NoMouseNotice {
        objectName: "noMouseNotice"
        anchors.centerIn: frame
        visible: !SessionModel.isPownOn
        // A mouse that is there but may not be opened gets its own words.
        readonly property bool refused: SessionModel.refusedNode !== ""
        title: shell.strings[refused ? 23 : 21]
        hint: shell.strings[refused ? 24 : 22]
    }

    BottomBar {
        id: bottomBar
        strings: shell.strings
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        visible: SessionModel.isPownOn
        onProfilesRequested: shell.pages.profileManager.open()
        onSaveRequested: {
            shell.scene.emptyAreaPressed();
            SessionModel.saveAll();
        }
        onResetRequested: shell.pages.resetConfirm.open()
        onExitRequested: shell.pages.exitConfirm.open()
    }

    // Overlays, above everything else; those the first screen does not
    // show are made on first use (see made).
    Loader {
        id: keyAssignLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: KeyAssignOverlay {
            objectName: "keyAssign"
            inputSource: shell.scene
            onCombinationRecordRequested: (index, entry, onAccepted) => shell.pages.inputAssign.openFor(index, entry, onAccepted)
            onMacroChoiceRequested: index => shell.pages.macroAssign.openFor(index)
        }
    }
    Loader {
        id: macroAssignLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: MacroAssignOverlay {
            objectName: "macroAssign"
        }
    }
    Loader {
        id: inputAssignLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: InputAssignOverlay {
            objectName: "inputAssign"
            inputSource: shell.scene
        }
    }
    Loader {
        id: dpiAssignLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: DpiAssignOverlay {
            objectName: "dpiAssign"
        }
    }
    // The button list asks for the overlay that finishes a choice.
    Connections {
        target: KeyMatrixModel
        function onDpiAssignRequested(index) {
            shell.pages.dpiAssign.openFor(index);
        }
        function onMacroAssignRequested(index) {
            shell.pages.macroAssign.openFor(index);
        }
        function onCombinationRequested(index) {
            shell.pages.inputAssign.openFor(index, KeyMatrixModel.entryOf(index), (bits, key1, key2) => KeyMatrixModel.assign(index, [2, bits, key1, key2]));
        }
        function onAssignmentRequested(index, group) {
            shell.pages.keyAssign.openFor(index, group);
        }
        function onLeftButtonKept() {
            shell.pages.warning.show(warnings.texts[0]);
        }
    }
    Loader {
        id: recoilLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: RecoilEditor {
            objectName: "recoil"
            inputSource: shell.scene
        }
    }
    Loader {
        id: profileManagerLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: ProfileManager {
            objectName: "profileManager"
            onWarningRequested: text => shell.pages.warning.show(text)
            onConfirmRequested: (question, accepted) => shell.pages.confirm.ask(question, accepted)
            onApplyRequested: number => SessionModel.changeProfile(number)
            // A reset of the profile in use reaches the mouse at once.
            onProfileReset: number => {
                if (number === SessionModel.profileNo)
                    SessionModel.sendProfile();
            }
        }
    }
    Loader {
        id: resetConfirmLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: ConfirmOverlay {
            objectName: "resetConfirm"
            title: shell.strings[7]
            message: loadedWarnings.texts[7] || shell.strings[8]
            okText: shell.strings[10]
            cancelText: shell.strings[9]
            onAccepted: SessionModel.resetAll()
        }
    }
    Loader {
        id: exitConfirmLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: ConfirmOverlay {
            objectName: "exitConfirm"
            title: shell.strings[20]
            message: loadedWarnings.texts[8] || shell.strings[20]
            okText: shell.strings[10]
            cancelText: shell.strings[9]
            onAccepted: {
                shell.scene.emptyAreaPressed();
                // A save that failed keeps the window, so that its notice is seen.
                if (SessionModel.saveAll())
                    ui_Ctl.onMinimize();
            }
        }
    }
    Loader {
        id: confirmLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: ConfirmOverlay {
            objectName: "confirm"
            okText: shell.strings[10]
            cancelText: shell.strings[9]
        }
    }
    Loader {
        id: warningLoader
        anchors.fill: parent
        z: 100
        active: false
        sourceComponent: WarningOverlay {
            objectName: "warning"
        }
    }
}
