// The one seam through which operations ask the user something: file and
// folder dialogs and warning boxes. The window installs a widget-based
// implementation; tests and kesta-ctl install ScriptedDialogs.
#pragma once

#include <QString>
#include <QStringList>

class UserDialogs
{
public:
    virtual ~UserDialogs() = default;
    // Each returns the chosen path, or an empty string when cancelled.
    virtual QString getOpenFileName(const QString &caption, const QString &dir,
                                    const QString &filter) = 0;
    virtual QString getSaveFileName(const QString &caption, const QString &dir,
                                    const QString &filter) = 0;
    virtual QString getExistingDirectory(const QString &caption, const QString &dir) = 0;
    // A modal warning with a single OK button.
    virtual void warning(const QString &title, const QString &text) = 0;
};

// Answers dialogs from a queue, in order; an exhausted queue answers "cancel".
// Every question and warning is recorded for inspection.
class ScriptedDialogs : public UserDialogs
{
public:
    QStringList answers;  // consumed from the front
    QStringList asked;    // "open|caption|dir|filter", "save|...", "dir|caption|dir"
    QStringList warnings; // "title|text"

    QString getOpenFileName(const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getSaveFileName(const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getExistingDirectory(const QString &caption, const QString &dir) override;
    void warning(const QString &title, const QString &text) override;

private:
    QString next();
};
