import QtQuick

// What the frame shows while no mouse has been set up: the pages would only
// hold placeholders, so they stay hidden until the first initialisation.
Rectangle {
    id: notice

    property string title: ""
    property string hint: ""

    width: 560
    height: column.implicitHeight + 2 * Theme.spacingLarge + 16
    radius: Theme.radius + 2
    color: Theme.surface
    border.color: Theme.border

    Accessible.role: Accessible.AlertMessage
    Accessible.name: title
    Accessible.description: hint

    Column {
        id: column
        anchors.centerIn: parent
        width: notice.width - 2 * Theme.margin - 16
        spacing: Theme.spacingLarge

        Text {
            objectName: "noMouseTitle"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: notice.title
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontTitle
            font.bold: true
        }
        Text {
            objectName: "noMouseHint"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: notice.hint
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            lineHeight: 1.2
        }
    }
}
