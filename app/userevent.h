#pragma once

#include <QEvent>

// A posted event of type 1000 carrying one code; 2177 asks the main window
// to start the scene.
class UserEvent : public QEvent
{
public:
    static constexpr int Type = QEvent::User; // 1000
    static constexpr int StartView = 2177;

    explicit UserEvent(int code) : QEvent(QEvent::Type(Type)), code(code) {}
    int code;
};
