// Switches the profile by the window in front: once a window has held the
// front for half a second, the profile its class has a rule for, or, for a
// window without a rule, the profile to return to. The switch is the
// session's profile change, as from the top bar. It waits while a transfer
// or a flow runs, while a macro is recorded, while a page holds unsaved
// edits and while the mouse is away; the last request wins. A switch made by the user (window,
// kesta-ctl, the bus) becomes the profile to return to.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class Models;
class MouseDevice;

class AppProfileFollower : public QObject
{
    Q_OBJECT
public:
    // How long a window has to stay in front before the profile follows it.
    static constexpr int kSettleMs = 500;

    explicit AppProfileFollower(Models &models, QObject *parent = nullptr);

    // The window in front changed. An empty class (no window in front, one
    // without WM_CLASS, one of our own) changes no profile; it only ends
    // the wait of the window before it.
    void windowActivated(const QString &windowClass);
    // The profile waiting to be switched to; -1 when none.
    int pendingProfile() const { return m_pending; }
    // Follows the mouse going and coming back: a switch made while it is
    // away would be stored but never reach it, so it waits until the mouse
    // is connected again (its connect sequence over). Called for the device
    // the operations work on whenever one is attached.
    void watchDevice(MouseDevice *device);

signals:
    // An automatic switch was made.
    void switched(int profile, const QString &name);
    // An automatic switch could not be made; `notice` is the session's
    // notice that tells why.
    void notSwitched(int profile, const QString &notice);

private:
    void settled();
    void tryPending();
    void profileChanged();

    Models &m_models;
    QTimer m_settle;
    QString m_front;
    int m_pending = -1;
    bool m_switching = false;
    bool m_waitingForTransfer = false;
    bool m_mouseAway = false;
};
