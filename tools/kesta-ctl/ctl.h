// The command line of kesta-ctl, as a function over its arguments so that
// tests can run it in-process.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QTextStream;

namespace Ctl {

struct Options {
    QString modulesDir;    // empty: the folder kesta-config uses (ModulesFolder)
    bool useDevice = true; // run the device check and handshake first
    QStringList answers;   // dialog answers, in order
    bool verbose = false;  // task commands: let the debug lines through
    QString command;       // "call", "list", "help", "completion", "print-modules-dir"
                           // or a task command
    QString operation;
    QStringList args; // JSON texts for call; the words after any other command
};

// The tool's own manual (kesta-ctl --help).
QString usageText();

// The manual page (man 1 kesta-ctl) in roff: --help, then every task
// command's manual.
QString manualPage(const QString &version, const QString &date);

// Parses argv (without the program name). On failure returns false with a
// message in *error.
bool parseArguments(const QStringList &argv, Options *options, QString *error);

// Parses one JSON argument (number, string, boolean, list, object, null).
bool parseJsonArgument(const QString &text, QVariant *value, QString *error);

// Formats a result as JSON text ("null" for no result).
QString formatResult(const QVariant &value);

// Tells whether kesta-config runs (holds its single-instance lock). The
// program installs the real check; without one the tool assumes it does not.
void setProgramRunningCheck(std::function<bool()> check);

// Whether a task command only reads (shows something): those may run
// beside the program.
bool taskOnlyReads(const QString &command, const QStringList &args);

// Runs the tool; returns the exit code. Results go to out, messages to err.
int run(const QStringList &argv, QTextStream &out, QTextStream &err);

} // namespace Ctl
