#pragma once

// Watches the keyboard and mouse events of a whole X11 display through the
// RECORD extension, without taking anything away from the programs they are
// meant for.
//
// Two connections of our own: the control connection creates the record
// context, the data connection receives its replies asynchronously, read by a
// socket notifier on the event loop of the thread that called start().

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// Core protocol event codes carried by X11RecordedEvent::type (named apart
// from the Xlib macros of the same values).
namespace X11EventType {
constexpr int KeyDown = 2;
constexpr int KeyUp = 3;
constexpr int ButtonDown = 4;
constexpr int ButtonUp = 5;
} // namespace X11EventType

struct X11RecordedEvent {
    int type = 0;      // X11EventType
    quint8 detail = 0; // X keycode or button number
    quint16 state = 0; // modifier and button mask before the event
    int rootX = 0;     // pointer position on the root window
    int rootY = 0;
    quint32 time = 0; // server time in ms (wraps at 2^32)
    // For a button: the innermost window under the pointer when the event
    // was read (the one the click went to), 0 when it could not be told.
    quint32 window = 0;
};

class X11Record : public QObject
{
    Q_OBJECT
public:
    using EventCallback = std::function<void(const X11RecordedEvent &)>;

    explicit X11Record(EventCallback callback, QObject *parent = nullptr);
    ~X11Record() override;

    // Opens the connections to displayName (empty: $DISPLAY) and starts
    // recording key presses and releases and button presses and releases.
    // False, with errorString() set, when there is no X11 display or it lacks
    // the RECORD extension.
    bool start(const QByteArray &displayName = QByteArray());
    void stop();
    bool isActive() const;
    QString errorString() const;

private:
    void readReplies();
    quint32 windowAt(int rootX, int rootY) const;

    struct Private;
    std::unique_ptr<Private> d;
};
