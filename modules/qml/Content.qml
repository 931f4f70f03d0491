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
            macroEditor: settingsPage.macroEditor,
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
            warning: warning,
            confirm: confirm,
            resetConfirm: resetConfirm,
            exitConfirm: exitConfirm,
            help: topBar.help
        })

    // An overlay that the first screen does not show is made when it is
    // first asked for.
    function made(loader) {
        loader.active = true;
        return loader.item;
    }

    function showTab(index) {
        if (index === 2 && currentTab !== 2) {
            scene.setProtectUI(300);
            settingsPage.macroEditor.init();
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
            lightPage.dismiss();
        }
    }

    // Empty areas close drop-downs and drag the window.
    WindowDragArea {
        anchors.fill: parent
        onPressedEmpty: shell.scene.emptyAreaPressed()
    }

    TopBar {
        id: topBar
        scene: shell.scene
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
    }

    Row {
        id: tabBar
        anchors.top: topBar.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 6
        visible: shell.scene.isPownOn

        Repeater {
            model: [17, 18, 19]
            delegate: PageTab {
                required property int index
                required property int modelData
                objectName: "tab" + index
                text: shell.scene.keyMatrixStrings[modelData]
                selected: shell.currentTab === index
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
        visible: shell.scene.isPownOn

        MainPage {
            id: mainPage
            objectName: "mainPage"
            anchors.fill: parent
            scene: shell.scene
            onRecoilRequested: shell.pages.recoil.open()
            visible: shell.currentTab === 0
        }
        LightingPage {
            id: lightPage
            objectName: "lightPage"
            anchors.fill: parent
            strings: shell.scene.texts("lightControl", LightingModel.textDefaults)
            backText: shell.scene.keyMatrixStrings[17]
            visible: shell.currentTab === 1
            onBackRequested: shell.showTab(0)
            onConfirmRequested: (question, accepted) => shell.scene.confirm(question, accepted)
        }
        SettingsPage {
            id: settingsPage
            objectName: "settingsPage"
            anchors.fill: parent
            scene: shell.scene
            visible: shell.currentTab === 2
        }
    }

    NoMouseNotice {
        objectName: "noMouseNotice"
        anchors.centerIn: frame
        visible: !shell.scene.isPownOn
        title: shell.scene.keyMatrixStrings[21]
        hint: shell.scene.keyMatrixStrings[22]
    }

    BottomBar {
        id: bottomBar
        scene: shell.scene
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        onProfilesRequested: shell.pages.profileManager.open()
        onResetRequested: resetConfirm.open()
        onExitRequested: exitConfirm.open()
        visible: shell.scene.isPownOn
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
            shell.scene.showWarning(shell.scene.texts("warningAssigment", ["Please keep a key at least for the left button function."])[0]);
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
            scene: shell.scene
            onApplyRequested: number => SessionModel.changeProfile(number)
            // A reset of the profile in use reaches the mouse at once.
            onProfileReset: number => {
                if (number === SessionModel.profileNo)
                    SessionModel.sendProfile();
            }
        }
    }
    ConfirmOverlay {
        id: resetConfirm
        objectName: "resetConfirm"
        title: shell.scene.keyMatrixStrings[7]
        message: shell.scene.texts("warningAssigment", [])[7] || shell.scene.keyMatrixStrings[8]
        okText: shell.scene.keyMatrixStrings[10]
        cancelText: shell.scene.keyMatrixStrings[9]
        onAccepted: SessionModel.resetAll()
    }
    ConfirmOverlay {
        id: exitConfirm
        objectName: "exitConfirm"
        title: shell.scene.keyMatrixStrings[20]
        message: shell.scene.texts("warningAssigment", [])[8] || shell.scene.keyMatrixStrings[20]
        okText: shell.scene.keyMatrixStrings[10]
        cancelText: shell.scene.keyMatrixStrings[9]
        onAccepted: {
            shell.scene.emptyAreaPressed();
            SessionModel.saveAll();
            ui_Ctl.onMinimize();
        }
    }
    ConfirmOverlay {
        id: confirm
        objectName: "confirm"
        okText: shell.scene.keyMatrixStrings[10]
        cancelText: shell.scene.keyMatrixStrings[9]
    }
    WarningOverlay {
        id: warning
        objectName: "warning"
    }
}
