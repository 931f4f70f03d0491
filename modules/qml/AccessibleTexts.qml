import QtQuick
import Kesta.Model

// The names a screen reader speaks where the visible text does not say
// enough (a list that shows only its value, a swatch, a slider in pixels),
// from the language file's "accessible" section.
SectionTexts {
    section: "accessible"
    defaults: ["Button %1: %2", "Stage %1: %2 DPI", "Stage %1 colour: %2", "Colour %1: %2", "Delete macro or folder", "Delete step", "Step %1: %2 pressed", "Step %1: %2 released", "Step %1: delay of %2 ms", "Delay of step %1 in milliseconds", "red", "orange", "yellow", "green", "cyan", "blue", "purple", "pink", "white", "grey", "black", "Colour code (#rrggbb)", "%1 as a number"]

    // The spoken name of a "#rrggbb" colour ("green").
    function colourName(colour: string): string {
        return texts[10 + ColourText.family(colour)];
    }

    // The name of a number field whose caption belongs to the control
    // beside it ("Lines at a time as a number").
    function asNumber(caption: string): string {
        return String(texts[22]).arg(caption);
    }
}
