pragma Singleton
import QtQuick
import Kesta.Model

// Every colour, size and duration of the scene. Pages take their look from
// here and never write a colour of their own.
QtObject {
    // Surfaces, from the window's back to the raised panels.
    readonly property color window: "#15161a"
    readonly property color windowTop: "#22242a"
    readonly property color surface: "#1c1e23"
    readonly property color raised: "#25272e"
    readonly property color raisedHover: "#30333b"
    readonly property color border: "#363944"
    readonly property color borderStrong: "#4a4e5a"
    // The rim of a control the user types in, drags or ticks (text fields,
    // sliders' tracks, check boxes and radio buttons): it must stand out
    // from the panels and overlays at 3:1 or more.
    readonly property color controlBorder: "#7c808c"
    readonly property color mask: "#b0000000"

    // Text.
    readonly property color text: "#e9eaee"
    readonly property color textDim: "#a3a7b2"
    readonly property color textFaint: "#6d717c"
    readonly property color textOnAccent: "#ffffff"

    // The accent (selection, active state) and the keyboard-focus ring.
    // White text sits on the accent and on its darker hover shade at 4.5:1
    // or more; accentText is the accent as text on the dark surfaces.
    readonly property color accent: "#d2392f"
    readonly property color accentHover: "#b8322a"
    readonly property color accentText: "#ff7f75"
    readonly property color accentSoft: "#4a2624"
    readonly property color focus: "#6cb4ff"
    readonly property color warning: "#f0b54a"
    readonly property color link: "#ff7f75"

    // The mouse picture.
    readonly property color shell: "#2b2e36"
    readonly property color shellEdge: "#5a5f6d"
    readonly property color shellButton: "#363a44"
    readonly property color shellHighlight: "#d2392f"

    // Fixed palette values that are data, not look: white stages and the
    // colour picker's preset swatches.
    readonly property color white: "#ffffff"
    readonly property var swatches: ["#ff0000", "#ff8000", "#ffff00", "#00ff00", "#00ffff", "#0000ff", "#8000ff", "#ff00ff", "#ffffff"]

    // Type.
    // The language's own face where it has one and it is installed (both
    // Chinese languages need theirs, or they take Japanese glyph forms),
    // else ours; glyphs a face lacks come from the system's fallback.
    readonly property string baseFontFamily: "DejaVu Sans"
    readonly property var installedFonts: Qt.fontFamilies()
    readonly property string fontFamily: LanguageModel.fontFamily !== "" && installedFonts.indexOf(LanguageModel.fontFamily) >= 0 ? LanguageModel.fontFamily : baseFontFamily
    readonly property int fontSmall: 12
    readonly property int fontNormal: 14
    readonly property int fontLarge: 17
    readonly property int fontTitle: 22
    readonly property int fontHuge: 44

    // Geometry.
    readonly property int radius: 6
    readonly property int radiusSmall: 4
    readonly property int spacing: 8
    readonly property int spacingLarge: 16
    readonly property int margin: 16
    readonly property int controlHeight: 30
    readonly property int rowHeight: 32
    readonly property int focusWidth: 2
    readonly property int topBarHeight: 56
    readonly property int bottomBarHeight: 56

    // The scale an item is drawn at on the window: the product of its own and
    // its ancestors' scales (the scene's zoom among them). Popups are drawn in
    // the window's overlay, outside the scene, and take it from their box.
    function drawnScale(item) {
        var s = 1;
        for (var p = item; p; p = p.parent)
            s *= p.scale;
        return s;
    }

    // Motion.
    readonly property int fast: 120
    readonly property int normal: 200
    readonly property int spin: 1200
}
