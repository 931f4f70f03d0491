// The signals a session sends to end the program (SIGTERM at logout, SIGINT,
// SIGHUP) taken into the event loop: the handler only writes a byte to a
// socket pair, and the main thread reads it and emits quitRequested, so the
// program ends the way the tray's Quit ends it (a running recording saved).
// One instance at a time; the handlers it replaced come back when it goes.
// Elsewhere than on Unix it does nothing.
#pragma once

#include <QObject>

class QSocketNotifier;

class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals &) = delete;
    QuitSignals &operator=(const QuitSignals &) = delete;

    // The handlers are in place.
    bool active() const { return m_active; }

signals:
    void quitRequested(int signal);

private:
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
    bool m_active = false;
};
