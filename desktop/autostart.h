// The XDG autostart entry that starts kesta-config hidden in the tray when
// the user logs in, so that DPI-switch notices work without opening the
// window. The scene's check box calls isAutostart() and setAutostart().
#pragma once

#include <QObject>
#include <QString>

class Autostart : public QObject
{
    Q_OBJECT
public:
    // entryPath: the autostart file; program: the executable it starts.
    // Empty arguments take the defaults below.
    explicit Autostart(const QString &entryPath = QString(), const QString &program = QString(),
                       QObject *parent = nullptr);

    QString entryPath() const { return m_entryPath; }
    QString program() const { return m_program; }

    // $XDG_CONFIG_HOME/autostart/kesta-config.desktop
    static QString defaultEntryPath();
    // kesta-config beside the running executable (kesta-ctl lives there too).
    static QString defaultProgram();

    // The entry's text; empty when the program's path cannot be written in
    // an Exec line (a line break in it).
    static QString entryText(const QString &program);
    // One argument of an Exec value, quoted and escaped as desktop entries
    // require. Returns an empty string for an argument that cannot be
    // written.
    static QString execArgument(const QString &argument);

public slots:
    // Whether an entry exists that the session will start (one with an Exec
    // line, not Hidden=true, not switched off with
    // X-GNOME-Autostart-enabled=false).
    bool isAutostart();
    // Writes or removes the entry; true when the entry is then as asked. A
    // write that fails (a full disk) leaves the entry there was, if any.
    bool setAutostart(bool enabled);

private:
    QString m_entryPath;
    QString m_program;
};
