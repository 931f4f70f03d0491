import QtQuick
import QtQuick.Controls.Basic

// One tab of the content frame's tab bar; a dot marks a page with unsaved
// changes (`unsavedText` says so to assistive technology). `selected` is the
// frame's: the tab shows it as its checked state, which screen readers read.
TabButton {
    id: control

    property bool selected: false
    property bool unsaved: false
    property string unsavedText

    implicitWidth: Math.max(170, contentItem.implicitWidth + 40)
    implicitHeight: 36
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    font.bold: selected
    font.letterSpacing: 1
    autoExclusive: false
    checked: selected
    // A click toggles `checked`; the frame decides which tab is shown.
    onClicked: checked = Qt.binding(() => control.selected)
    Accessible.description: unsaved ? unsavedText : ""
    Accessible.checkable: true
    Accessible.checked: selected
    Accessible.selectable: true
    Accessible.selected: selected

    contentItem: Text {
        text: control.unsaved ? control.text + " \u2022" : control.text
        font: control.font
        color: control.selected ? Theme.textOnAccent : Theme.textDim
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: Theme.radius
        color: control.selected ? Theme.accent : (control.hovered ? Theme.raisedHover : Theme.raised)
        border.color: control.selected ? Theme.accentHover : Theme.border
        FocusRing {
            control: control
            shown: control.visualFocus
        }
    }
}
