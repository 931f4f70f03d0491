#pragma once

// Tells which window is in front, from the window manager's
// _NET_ACTIVE_WINDOW on the root window: a connection of our own selects
// property changes on the root and a socket notifier reads them on the event
// loop, so nothing polls. Without an X11 display (a Wayland session) or
// without a window manager that names the active window, nothing is told,
// and support() says why.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class ActiveWindowWatcher : public QObject
{
    Q_OBJECT
public:
    // Watching: changes are told. NoWindowManager: no EWMH window manager
    // (it may start later: then watching begins). NoX11: no X11 display.
    // Unsupported: this system has no watcher.
    enum class Support { Watching, NoWindowManager, NoX11, Unsupported };

    explicit ActiveWindowWatcher(QObject *parent = nullptr);
    ~ActiveWindowWatcher() override;

    // Connects to displayName (empty: $DISPLAY) and starts watching.
    Support start(const QByteArray &displayName = QByteArray());
    Support support() const;
    // The classes of the open top-level windows of other programs: the
    // window manager's client list, or the root's children without one.
    QStringList openWindowClasses() const;

signals:
    // The window in front changed: its class (the second string of its
    // WM_CLASS); empty for no window, one without WM_CLASS or one of ours.
    void activeWindowChanged(const QString &windowClass);
    void supportChanged();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
