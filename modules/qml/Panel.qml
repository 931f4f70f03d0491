import QtQuick

// A raised area that groups the controls of one subject, with a title.
Rectangle {
    id: panel

    property string title: ""
    default property alias content: body.data
    readonly property int bodyTop: title === "" ? Theme.spacing : 38

    radius: Theme.radius
    color: Theme.surface
    // Screen readers announce the controls inside under the panel's title.
    Accessible.role: Accessible.Grouping
    Accessible.name: title
    border.color: Theme.border

    Caption {
        x: Theme.margin
        y: 8
        width: panel.width - 2 * Theme.margin
        height: 24
        heading: true
        text: panel.title
        visible: panel.title !== ""
    }

    Item {
        id: body
        x: Theme.margin
        y: panel.bodyTop
        width: panel.width - 2 * Theme.margin
        height: panel.height - panel.bodyTop - Theme.spacing
    }
}
