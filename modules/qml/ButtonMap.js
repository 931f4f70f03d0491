.pragma library

// The button side of the main page as data: the assignment choices with the
// entry each produces, the function list of the key matrix, the naming of an
// entry, and where each matrix position sits on the mouse picture. The labels
// ("①".."⑭") come from ui_View.getButtonLabels(), shared with kesta-ctl.

// Built-in texts of the "keyAssigment" section, by caption index.
var captionDefaults = ["Key ", "Mouse Function", "Left Key", "Middle Key", "Right Key", "Forward Key", "Back Key", "Double Fire", "Fire Function", "Key", "Press a key", "Rate", "Times", "Endness", "Group Function", "Media Function", "Macro Function", "Macro List", "Macro runs one-time after pressing the button", "Macro runs endless loop until any button is pressed", "Macro runs endless loop until button is released", "DPI Function", "DPI+", "DPI-", "DPI LOOP", "Windows Function", "Shortcut Function", "Player", "Next", "Privous", "Stop", "Mute", "Play/Pause", "Volumn+", "Volumn-", "My PC", "Index", "Search", "Max", "Min", "Desktop", "Run", "New", "Cut", "Copy", "Paste", "Save", "Print", "Find", "Redo", "Undo", "Select All", "Gun Function", "One Gun", "Two Gun", "Three Gun", "Sniper Key"];

// The mouse holds macros for slots 0..11; a button's slot is its index.
var macroSlots = 12;

// Play modes of a macro binding: caption of mode m is playModeCaptions[m].
var playModeCaptions = [18, 19, 20];

// Groups of the key-assignment overlay. `choices` pick a fixed entry;
// "fire" and "combo" are built from captured keys, "macro" leads to the
// macro-assignment overlay.
var groups = [
    {
        key: "mouse",
        caption: 1,
        choices: [
            { caption: 2, entry: [0x00, 0x00, 0xF0, 0x00] },
            { caption: 3, entry: [0x00, 0x00, 0xF2, 0x00] },
            { caption: 4, entry: [0x00, 0x00, 0xF1, 0x00] },
            { caption: 5, entry: [0x00, 0x00, 0xF4, 0x00] },
            { caption: 6, entry: [0x00, 0x00, 0xF3, 0x00] },
            { caption: 7, entry: [0x00, 0xF0, 0x1E, 0x02] }
        ]
    },
    { key: "fire", caption: 8, choices: [] },
    { key: "combo", caption: 14, choices: [] },
    {
        key: "media",
        caption: 15,
        choices: [
            { caption: 27, entry: [0x03, 0x00, 0x83, 0x01] },
            { caption: 28, entry: [0x03, 0x00, 0xB5, 0x00] },
            { caption: 29, entry: [0x03, 0x00, 0xB6, 0x00] },
            { caption: 30, entry: [0x03, 0x00, 0xB7, 0x00] },
            { caption: 31, entry: [0x03, 0x00, 0xE2, 0x00] },
            { caption: 32, entry: [0x03, 0x00, 0xCD, 0x00] },
            { caption: 33, entry: [0x03, 0x00, 0xE9, 0x00] },
            { caption: 34, entry: [0x03, 0x00, 0xEA, 0x00] }
        ]
    },
    { key: "macro", caption: 16, choices: [] },
    {
        key: "dpi",
        caption: 21,
        choices: [
            { caption: 22, entry: [0x05, 0x00, 0x01, 0x00] },
            { caption: 23, entry: [0x05, 0x00, 0x02, 0x00] },
            { caption: 24, entry: [0x05, 0x00, 0x03, 0x00] },
            { caption: 56, entry: [0x05, 0x00, 0x04, 0x00] }
        ]
    },
    {
        key: "windows",
        caption: 25,
        choices: [
            { caption: 35, entry: [0x06, 0x00, 0x94, 0x01] },
            { caption: 36, entry: [0x06, 0x00, 0x23, 0x02] },
            { caption: 37, entry: [0x06, 0x00, 0x21, 0x02] },
            { caption: 38, entry: [0x06, 0x04, 0x2C, 0x1B] },
            { caption: 39, entry: [0x06, 0x04, 0x2C, 0x11] },
            { caption: 40, entry: [0x06, 0x00, 0xE3, 0x07] },
            { caption: 41, entry: [0x06, 0x00, 0xE3, 0x15] }
        ]
    },
    {
        key: "shortcut",
        caption: 26,
        choices: [
            { caption: 42, entry: [0x07, 0x00, 0xE0, 0x11] },
            { caption: 43, entry: [0x07, 0x00, 0xE0, 0x1B] },
            { caption: 44, entry: [0x07, 0x00, 0xE0, 0x06] },
            { caption: 45, entry: [0x07, 0x00, 0xE0, 0x19] },
            { caption: 46, entry: [0x07, 0x00, 0xE0, 0x16] },
            { caption: 47, entry: [0x07, 0x00, 0xE0, 0x13] },
            { caption: 48, entry: [0x07, 0x00, 0xE0, 0x09] },
            { caption: 49, entry: [0x07, 0x00, 0xE0, 0x1C] },
            { caption: 50, entry: [0x07, 0x00, 0xE0, 0x1D] },
            { caption: 51, entry: [0x07, 0x00, 0xE0, 0x04] }
        ]
    },
    {
        key: "gun",
        caption: 52,
        gameOnly: true,
        choices: [
            { caption: 53, entry: [0x08, 0x00, 0x01, 0x00] },
            { caption: 54, entry: [0x08, 0x00, 0x02, 0x00] },
            { caption: 55, entry: [0x08, 0x00, 0x03, 0x00] }
        ]
    }
];

// The function list of each button, in order. `entry` is applied at once;
// `open` names the overlay (and group) that finishes the choice. `caption`
// indexes "keyAssigment", `matrixCaption` the main page's strings.
var functions = [
    { text: "Left Key", caption: 2, entry: [0x00, 0x00, 0xF0, 0x00] },
    { text: "Right Key", caption: 4, entry: [0x00, 0x00, 0xF1, 0x00] },
    { text: "Middle Key", caption: 3, entry: [0x00, 0x00, 0xF2, 0x00] },
    { text: "Forward Key", caption: 5, entry: [0x00, 0x00, 0xF4, 0x00] },
    { text: "Back Key", caption: 6, entry: [0x00, 0x00, 0xF3, 0x00] },
    { text: "DPI Function", caption: 21, open: "dpi" },
    { text: "Fire Function", caption: 8, open: "fire" },
    { text: "Group Function", caption: 14, open: "combo" },
    { text: "Media Function", caption: 15, open: "media" },
    { text: "Macro Function ", caption: 16, open: "macro" },
    { text: "Windows Function", caption: 25, open: "windows" },
    { text: "Shortcut Function", caption: 26, open: "shortcut" },
    { text: "Gun Editor", matrixCaption: 4, open: "gun", gameOnly: true }
];

// Where each matrix position sits on the mouse picture (264 x 492 design
// pixels): the rectangle a pointer can hit, its label centred in it. The two
// main buttons are drawn as shapes of the shell; `main` says which.
var spots = {
    0: { x: 40, y: 22, w: 76, h: 168, main: "left" },
    1: { x: 148, y: 22, w: 76, h: 168, main: "right" },
    2: { x: 120, y: 66, w: 24, h: 50 },
    3: { x: 16, y: 210, w: 26, h: 38 },
    4: { x: 16, y: 254, w: 26, h: 38 },
    5: { x: 119, y: 126, w: 26, h: 26 },
    8: { x: 16, y: 298, w: 26, h: 38 },
    9: { x: 16, y: 342, w: 26, h: 38 },
    10: { x: 222, y: 210, w: 26, h: 38 },
    11: { x: 222, y: 254, w: 26, h: 38 },
    12: { x: 88, y: 200, w: 30, h: 28 },
    13: { x: 146, y: 200, w: 30, h: 28 },
    14: { x: 117, y: 244, w: 30, h: 28 },
    15: { x: 117, y: 284, w: 30, h: 28 }
};

function sameEntry(a, b) {
    if (!a || !b || a.length < 4 || b.length < 4)
        return false;
    for (var i = 0; i < 4; ++i) {
        if (Number(a[i]) !== Number(b[i]))
            return false;
    }
    return true;
}

// The group and choice that produce `entry`, or null.
function findChoice(entry) {
    for (var g = 0; g < groups.length; ++g) {
        var choices = groups[g].choices;
        for (var c = 0; c < choices.length; ++c) {
            if (sameEntry(choices[c].entry, entry))
                return { group: g, choice: c, caption: choices[c].caption };
        }
    }
    return null;
}

function groupIndex(key) {
    for (var g = 0; g < groups.length; ++g) {
        if (groups[g].key === key)
            return g;
    }
    return -1;
}

// The overlay group that edits `entry`.
function groupOf(entry) {
    var found = findChoice(entry);
    if (found)
        return groups[found.group].key;
    switch (Number(entry[0])) {
    case 1:
        return "fire";
    case 2:
        return "combo";
    case 3:
        return "media";
    case 4:
        return "macro";
    case 5:
        return "dpi";
    case 6:
        return "windows";
    case 7:
        return "shortcut";
    case 8:
        return "gun";
    }
    return "mouse";
}

// Position of `entry` in the function list (`functions`), -1 when no item
// names it (the double fire, the built-in further functions).
function functionOf(entry) {
    var type = Number(entry[0]);
    if (type === 0) {
        for (var f = 0; f < 5; ++f) {
            if (sameEntry(functions[f].entry, entry))
                return f;
        }
        return -1;
    }
    var open = groupOf(entry);
    for (var i = 5; i < functions.length; ++i) {
        if (functions[i].open === open)
            return i;
    }
    return -1;
}

// Modifier bits of a combination, in bit order, as key codes (LCtrl 0xE0 ..).
function modifierCodes(bits) {
    var codes = [];
    for (var b = 0; b < 8; ++b) {
        if (Number(bits) & (1 << b))
            codes.push(0xE0 + b);
    }
    return codes;
}

function hex(value) {
    var text = Number(value).toString(16).toUpperCase();
    return text.length < 2 ? "0" + text : text;
}

// "LCtrl + LShift + A": modifiers, then the keys that are set.
function comboText(bits, key1, key2, keyName) {
    var parts = [];
    var mods = modifierCodes(bits);
    for (var i = 0; i < mods.length; ++i)
        parts.push(keyName(mods[i]));
    if (Number(key1) !== 0)
        parts.push(keyName(key1));
    if (Number(key2) !== 0)
        parts.push(keyName(key2));
    return parts.join(" + ");
}

// The text a user reads for an entry. `captions` are the "keyAssigment"
// texts, `keyName(code)` names a key code, `macroName(slot)` the macro bound
// to a slot.
function entryText(entry, captions, keyName, macroName) {
    if (!entry || entry.length < 4)
        return "";
    var found = findChoice(entry);
    if (found)
        return captions[found.caption];
    var type = Number(entry[0]), b1 = Number(entry[1]), b2 = Number(entry[2]), b3 = Number(entry[3]);
    switch (type) {
    case 0:
        return captions[1];
    case 1:
        return keyName(b1) + " · " + b2 + " ms · " + (b3 === 0 ? "∞" : "×" + b3);
    case 2:
        return comboText(b1, b2, b3, keyName) || captions[14];
    case 3:
        return captions[15];
    case 4:
        var name = macroName(b2);
        return name !== "" ? name : captions[16];
    case 5:
        return captions[21];
    case 6:
        return comboText(b1, b2, b3, keyName) || captions[25];
    case 7:
        return comboText(0, b2, b3, keyName) || captions[26];
    case 8:
        return captions[52];
    case 0xFF:
        return "Function " + b2;
    }
    return hex(type) + " " + hex(b1) + " " + hex(b2) + " " + hex(b3);
}
