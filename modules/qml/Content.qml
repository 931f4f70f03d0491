import QtQuick
import Kesta.Model

// The program frame: top bar, tabs with their pages, bottom bar and every
// overlay. `pages` names each page and overlay for the root's flows.
Item {
    id: content

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
            keyAssign: keyAssign,
            macroAssign: macroAssign,
            inputAssign: inputAssign,
            dpiAssign: dpiAssign,
            recoil: recoil,
            profileManager: profileManager,
            warning: warning,
            confirm: confirm,
            resetConfirm: resetConfirm,
            exitConfirm: exitConfirm,
            help: topBar.help
        })

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
        target: content.scene
        function onEmptyAreaPressed() {
            lightPage.dismiss();
        }
    }

    // Empty areas close drop-downs and drag the window.
    WindowDragArea {
        anchors.fill: parent
        onPressedEmpty: content.scene.emptyAreaPressed()
    }

    TopBar {
        id: topBar
        scene: content.scene
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
    }

    Row {
        id: tabBar
        anchors.top: topBar.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 6
        visible: content.scene.isPownOn

        Repeater {
            model: [17, 18, 19]
            delegate: PageTab {
                required property int index
                required property int modelData
                objectName: "tab" + index
                text: content.scene.keyMatrixStrings[modelData]
                selected: content.currentTab === index
                // The lighting tab is reached from the main page only.
                visible: index !== 1
                onClicked: content.showTab(index)
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
        visible: content.scene.isPownOn

        MainPage {
            id: mainPage
            objectName: "mainPage"
            anchors.fill: parent
            scene: content.scene
            onRecoilRequested: recoil.open()
            visible: content.currentTab === 0
        }
        LightingPage {
            id: lightPage
            objectName: "lightPage"
            anchors.fill: parent
            strings: content.scene.texts("lightControl", LightingModel.textDefaults)
            backText: content.scene.keyMatrixStrings[17]
            visible: content.currentTab === 1
            onBackRequested: content.showTab(0)
            onConfirmRequested: (question, accepted) => content.scene.confirm(question, accepted)
        }
        SettingsPage {
            id: settingsPage
            objectName: "settingsPage"
            anchors.fill: parent
            scene: content.scene
            visible: content.currentTab === 2
        }
    }

    NoMouseNotice {
        objectName: "noMouseNotice"
        anchors.centerIn: frame
        visible: !content.scene.isPownOn
        title: content.scene.keyMatrixStrings[21]
        hint: content.scene.keyMatrixStrings[22]
    }

    BottomBar {
        id: bottomBar
        scene: content.scene
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        onProfilesRequested: profileManager.open()
        onResetRequested: resetConfirm.open()
        onExitRequested: exitConfirm.open()
        visible: content.scene.isPownOn
    }

    // Overlays, above everything else.
    KeyAssignOverlay {
        id: keyAssign
        objectName: "keyAssign"
        scene: content.scene
        onCombinationRecordRequested: (index, entry, onAccepted) => inputAssign.openFor(index, entry, onAccepted)
        onMacroChoiceRequested: index => macroAssign.openFor(index)
    }
    MacroAssignOverlay {
        id: macroAssign
        objectName: "macroAssign"
        scene: content.scene
    }
    InputAssignOverlay {
        id: inputAssign
        objectName: "inputAssign"
        scene: content.scene
    }
    DpiAssignOverlay {
        id: dpiAssign
        objectName: "dpiAssign"
        scene: content.scene
    }
    // The button list asks for the overlay that finishes a choice.
    Connections {
        target: KeyMatrixModel
        function onDpiAssignRequested(index) {
            dpiAssign.openFor(index);
        }
        function onMacroAssignRequested(index) {
            macroAssign.openFor(index);
        }
        function onCombinationRequested(index) {
            inputAssign.openFor(index, KeyMatrixModel.entryOf(index), (bits, key1, key2) => KeyMatrixModel.assign(index, [2, bits, key1, key2]));
        }
        function onAssignmentRequested(index, group) {
            keyAssign.openFor(index, group);
        }
        function onLeftButtonKept() {
            content.scene.showWarning(content.scene.texts("warningAssigment", ["Please keep a key at least for the left button function."])[0]);
        }
    }
    RecoilEditor {
        id: recoil
        objectName: "recoil"
        scene: content.scene
    }
    ProfileManager {
        id: profileManager
        objectName: "profileManager"
        scene: content.scene
        onApplyRequested: number => content.scene.changeProfile(number)
        // A reset of the profile in use reaches the mouse at once.
        onProfileReset: number => {
            if (number === content.scene.profileNo)
                content.scene.sendProfile();
        }
    }
    ConfirmOverlay {
        id: resetConfirm
        objectName: "resetConfirm"
        title: content.scene.keyMatrixStrings[7]
        message: content.scene.texts("warningAssigment", [])[7] || content.scene.keyMatrixStrings[8]
        okText: content.scene.keyMatrixStrings[10]
        cancelText: content.scene.keyMatrixStrings[9]
        onAccepted: content.scene.resetAll()
    }
    ConfirmOverlay {
        id: exitConfirm
        objectName: "exitConfirm"
        title: content.scene.keyMatrixStrings[20]
        message: content.scene.texts("warningAssigment", [])[8] || content.scene.keyMatrixStrings[20]
        okText: content.scene.keyMatrixStrings[10]
        cancelText: content.scene.keyMatrixStrings[9]
        onAccepted: {
            content.scene.saveAll();
            ui_Ctl.onMinimize();
        }
    }
    ConfirmOverlay {
        id: confirm
        objectName: "confirm"
        okText: content.scene.keyMatrixStrings[10]
        cancelText: content.scene.keyMatrixStrings[9]
    }
    WarningOverlay {
        id: warning
        objectName: "warning"
    }
}
