// The task commands of kesta-ctl (status, dpi, rate, lod, light, pointer,
// button, profile, macro): what a person asks for in their own terms, turned
// into the same stored keys and the same operations, in the same order, as
// the program's pages use. QtCore only; the tests drive it in-process.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Operations;
class ScriptedDialogs;
class SettingsStore;
class QTextStream;

namespace Ctl {

// One task command: its name, a one-line summary, its sub-commands and
// options (for completion) and its manual page.
struct TaskCommand {
    QString name;
    QString summary;
    QStringList words;   // sub-commands and fixed arguments
    QStringList options; // --json and the like
    QString manual;
};

const QList<TaskCommand> &taskCommands();
const TaskCommand *findTask(const QString &name);

// Makes the profile the program has in use (mouse/profileNo) the one the
// settings operations read and write, as the program does when it starts.
// One the profile list does not offer counts as its first.
void selectProfileInUse(Operations &ops);

// The completion script for "bash" or "zsh", generated from the command
// table; empty for another shell.
QString completionScript(const QString &shell);

class Tasks
{
public:
    // connect is called once, after the arguments were checked and before
    // the first operation that talks to the mouse; it returns whether a
    // mouse answered. Null: work without a device (stored only).
    // refusedNode, asked when connect found no mouse: the node of a listed
    // mouse that is present but that this user may not open, or empty.
    Tasks(Operations &ops, ScriptedDialogs *dialogs, std::function<bool()> connect,
          std::function<QString()> refusedNode = nullptr);

    // Runs one task command; args follow the command's name. Returns the
    // exit code: 0 done, 1 failed (message on err), 2 bad arguments
    // (message on err, nothing stored or sent).
    int run(const QString &command, const QStringList &args, QTextStream &out, QTextStream &err);

private:
    Operations &m_ops;
    ScriptedDialogs *m_dialogs;
    std::function<bool()> m_connect;
    std::function<QString()> m_refusedNode;
};

} // namespace Ctl
