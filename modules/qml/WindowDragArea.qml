import QtQuick

// Pressing here closes open drop-downs (through the root's emptyAreaPressed)
// and dragging moves the window by the offset from the press point.
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
        ui_Ctl.onXChanged(Math.round(mouse.x - pressPoint.x));
        ui_Ctl.onYChanged(Math.round(mouse.y - pressPoint.y));
    }
}
