import QtQuick

// A label in the scene's look; `heading` for a section title.
Text {
    property bool heading: false
    property bool dim: false

    color: dim ? Theme.textDim : Theme.text
    font.family: Theme.fontFamily
    font.pixelSize: heading ? Theme.fontLarge : Theme.fontNormal
    font.bold: heading
    elide: Text.ElideRight
    verticalAlignment: Text.AlignVCenter
}
