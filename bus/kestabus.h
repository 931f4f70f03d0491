// The running program's interface on the session bus: the name
// com.zorvant.KestaConfig, the object /com/zorvant/KestaConfig, the
// interface com.zorvant.KestaConfig1 (com.zorvant.KestaConfig1.xml beside
// this file). Scripts, shortcuts and kesta-ctl change the settings through
// it while the program runs, so that the program stays their one writer.
//
// Each method is one of kesta-ctl's task commands and takes its words as
// kesta-ctl takes them (["switch", "Shooter"], ["set", "2", "800"]): the
// arguments are checked by the same code, and the change is stored and sent
// by the same code, on the program's own settings and mouse. Calls run one
// after another, each after any transfer or flow the window is in; the
// reply waits until the call is done. The window's pages the call changed
// load the stored values again.
#pragma once

#include <QDBusContext>
#include <QDBusMessage>
#include <QJsonValue>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <deque>
#include <functional>

class Models;
class Operations;
class QDBusConnection;
class UserDialogs;

class KestaBus : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.zorvant.KestaConfig1")

    // The settings folder of the program (kesta-ctl works through the bus
    // only on this one).
    Q_PROPERTY(QString SettingsFolder READ settingsFolder)
    // The profile in use: its number (0 to 5) and name.
    Q_PROPERTY(int Profile READ profile)
    Q_PROPERTY(QString ProfileName READ profileName)
    // The DPI of each stage in use, and the stage the mouse is on (from 1;
    // 0 when no mouse told it).
    Q_PROPERTY(QList<int> DpiStages READ dpiStages)
    Q_PROPERTY(int DpiStage READ dpiStage)
    // Report rate in Hz.
    Q_PROPERTY(int ReportRate READ reportRate)
    // "low", "medium", "high", or "off".
    Q_PROPERTY(QString LiftOff READ liftOff)
    // preset, presetName, effect, speed, brightness, direction, colour.
    Q_PROPERTY(QVariantMap Lighting READ lighting)
    // Each button's assignment in the words `button set` takes.
    Q_PROPERTY(QStringList Buttons READ buttons)

public:
    struct Host {
        Operations *ops = nullptr;
        Models *models = nullptr;
        // Whether the mouse is connected now.
        std::function<bool()> deviceConnected;
        // Answers the operations' file dialogs (nullptr: the window's again).
        std::function<void(UserDialogs *)> setDialogs;
        // True while the window waits in a dialog of its own (a file
        // dialog runs its own event loop: a call must not run inside it).
        std::function<bool()> windowBusy;
        // With no mouse connected: the node of one present that this user
        // may not open, or empty.
        std::function<QString()> refusedNode;
    };

    explicit KestaBus(Host host, QObject *parent = nullptr);
    ~KestaBus() override;

    // Serves the object and takes the name; false (and why) when the bus is
    // not there or the name has another owner.
    bool registerOn(QDBusConnection bus, QString *error);

    QString settingsFolder() const;
    int profile() const;
    QString profileName() const;
    QList<int> dpiStages() const;
    int dpiStage() const;
    int reportRate() const;
    QString liftOff() const;
    QVariantMap lighting() const;
    QStringList buttons() const;

    // Reads the status again soon (the mouse came or went).
    void refresh() { scheduleRefresh(); }

    // Runs one task command at once, as a call does: exit code 0, 1 or 2
    // and what it printed.
    int runNow(const QString &command, const QStringList &args, QString *out, QString *err);

public slots:
    // Each returns what kesta-ctl prints on stdout; `warnings` are the
    // lines it prints on stderr when the command succeeds (a macro sent
    // cut, a repaired left click).
    QString Status(const QStringList &args, QStringList &warnings);
    QString Dpi(const QStringList &args, QStringList &warnings);
    QString Rate(const QStringList &args, QStringList &warnings);
    QString Lod(const QStringList &args, QStringList &warnings);
    QString Light(const QStringList &args, QStringList &warnings);
    QString Pointer(const QStringList &args, QStringList &warnings);
    QString Button(const QStringList &args, QStringList &warnings);
    QString Profile(const QStringList &args, QStringList &warnings);
    QString Macro(const QStringList &args, QStringList &warnings);
    QString AppProfile(const QStringList &args, QStringList &warnings);

signals:
    // A call changed the profile in use (its name).
    void profileSwitched(const QString &name);

private slots:
    void scheduleRefresh();

private:
    struct Call {
        QString command;
        QStringList args;
        QDBusMessage message;
    };

    QString enqueue(const QString &command, const QStringList &args, QStringList *warnings);
    void runNext();
    void runCall(const Call &call);
    // The window's pages that `command` changed load the stored values.
    void reloadPages(const QString &command);
    // Reads the status again and tells the bus what changed.
    void refreshProperties();
    QVariantMap readStatus() const;
    const QVariantMap &status() const;
    QJsonValue readJson(const QString &command, const QStringList &args) const;

    Host m_host;
    QString m_registeredOn; // the connection's name once registered
    std::deque<Call> m_calls;
    bool m_running = false;
    bool m_refreshPending = false;
    // The last status read (see status()).
    mutable QVariantMap m_status;
    mutable bool m_statusRead = false;
};
