import QtQuick

// The lift-off setting: slider position and enable, shown on the main page
// and on the settings tab (two LodControl views of this one object). The
// position is the handle's pixel position on a 322-pixel travel starting at
// 3; it is stored in `mouse/lod` and, for the main page's copy of the value,
// in `mouse/reportRateLod`.
QtObject {
    id: setting

    property bool isSave: false
    // Set by the first init: until then the page holds placeholders, which
    // are never stored or sent.
    property bool isLoaded: false
    property int position: 3
    property bool enabled: true

    readonly property int first: 3
    readonly property int last: 325

    // Distance byte sent to the mouse: 125 at the lowest position, 90 at
    // the highest.
    function distanceFor(x) {
        return 125 - Math.floor((x - 3) * 35 / 322);
    }

    // "0.3mm" .. "2mm".
    function millimetresFor(x) {
        return String((Math.floor((x - 3) * 1.7 / 322 * 10) + 3) / 10) + "mm";
    }

    // The label a user sees: L (0.3 mm), M (1.1 mm) or H.
    function levelFor(x) {
        var mm = millimetresFor(x);
        if (mm === "0.3mm")
            return "L";
        if (mm === "1.1mm")
            return "M";
        return "H";
    }

    readonly property string level: levelFor(position)

    function clampPosition(x) {
        var n = Math.round(Number(x));
        if (!(n >= first))
            return first;
        return Math.min(n, last);
    }

    // A user edit from either view.
    function change(x, isEnabled) {
        position = clampPosition(x);
        enabled = isEnabled;
        isSave = true;
    }

    function load(isRecovery) {
        position = clampPosition(ui_View.getData("mouse/lod", isRecovery));
        enabled = Number(ui_View.getData("mouse/lodEn", isRecovery)) === 1;
        isLoaded = true;
    }

    function send() {
        ui_View.mouseSetLodValue(distanceFor(position), enabled ? 1 : 0);
    }

    function store() {
        ui_View.setData("mouse/lod", position);
        ui_View.setData("mouse/reportRateLod", position);
        ui_View.setData("mouse/lodEn", enabled ? 1 : 0);
    }

    function init(isSendData) {
        load(false);
        if (isSendData)
            saveData(true);
    }

    function saveData(isSendData) {
        if (!isLoaded)
            return;
        store();
        if (isSendData)
            send();
    }

    // Part of reset all: the profile defaults, stored and sent.
    function reset() {
        load(true);
        saveData(true);
        isSave = false;
    }
}
