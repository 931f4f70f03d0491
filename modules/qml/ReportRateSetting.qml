import QtQuick

// The report rate, stored as its index 0..3 = 125, 250, 500, 1000 Hz in
// `mouse/reportRate`. Sending it gives the mouse the rate byte of that index.
QtObject {
    property bool isSave: false
    // Set by the first init: until then the index is a placeholder, never
    // stored or sent.
    property bool isLoaded: false
    property int index: 3

    readonly property var captions: ["125Hz", "250Hz", "500Hz", "1000Hz"]
    readonly property var rateBytes: [8, 4, 2, 1]

    function choose(i) {
        if (i < 0 || i > 3 || i === index)
            return;
        index = i;
        isSave = true;
    }

    function init(isSendData) {
        var stored = ui_View.getData("mouse/reportRate", false);
        var i = Number(stored);
        index = (stored !== undefined && String(stored) !== "" && i >= 0 && i <= 3 && Math.floor(i) === i) ? i : 3;
        isLoaded = true;
        if (isSendData)
            saveData(true);
    }

    function saveData(isSendData) {
        if (!isLoaded)
            return;
        ui_View.setData("mouse/reportRate", index);
        if (isSendData)
            ui_View.mouseSetReportRate(rateBytes[index]);
    }
}
