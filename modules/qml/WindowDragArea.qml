import QtQuick

// Pressing here closes open drop-downs (through the root's emptyAreaPressed)
// and dragging moves the window by the offset from the press point, as far
// as the pointer moved on the screen.
MouseArea {
    id: area

    property point pressPoint

    signal pressedEmpty

    acceptedButtons: Qt.LeftButton
    onPressed: mouse => {
        pressPoint = Qt.point(mouse.x, mouse.y);
        area.pressedEmpty();
    }
    onPositionChanged: mouse => {
        if (!pressed)
            return;
        // The window moves in window pixels; the scene may be drawn scaled.
        var now = area.mapToItem(null, mouse.x, mouse.y);
        var then = area.mapToItem(null, pressPoint.x, pressPoint.y);
        ui_Ctl.onXChanged(Math.round(now.x - then.x));
        ui_Ctl.onYChanged(Math.round(now.y - then.y));
    }
}
