import QtQuick

// A ring of dots that turns while the scene is busy.
Item {
    id: indicator

    property bool running: false

    width: 48
    height: 48
    visible: running

    Repeater {
        model: 8
        delegate: Rectangle {
            required property int index
            width: 8
            height: 8
            radius: 4
            color: Theme.accent
            opacity: 0.25 + 0.75 * index / 7
            x: indicator.width / 2 - 4 + 18 * Math.cos(index * Math.PI / 4)
            y: indicator.height / 2 - 4 + 18 * Math.sin(index * Math.PI / 4)
        }
    }

    RotationAnimation on rotation {
        running: indicator.running
        from: 0
        to: 360
        duration: Theme.spin
        loops: Animation.Infinite
    }
}
