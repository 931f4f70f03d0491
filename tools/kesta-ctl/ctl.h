// The command line of kesta-ctl, as a function over its arguments so that
// tests can run it in-process.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QTextStream;

namespace Ctl {

struct Options {
    QString modulesDir;    // empty: the folder kesta-config uses (ModulesFolder)
    bool useDevice = true; // run the device check and handshake first
    QStringList answers;   // dialog answers, in order
    QString command;       // "call", "list" or "print-modules-dir"
    QString operation;
    QStringList args; // JSON texts
};

// Parses argv (without the program name). On failure returns false with a
// message in *error.
bool parseArguments(const QStringList &argv, Options *options, QString *error);

// Parses one JSON argument (number, string, boolean, list, object, null).
bool parseJsonArgument(const QString &text, QVariant *value, QString *error);

// Formats a result as JSON text ("null" for no result).
QString formatResult(const QVariant &value);

// Runs the tool; returns the exit code. Results go to out, messages to err.
int run(const QStringList &argv, QTextStream &out, QTextStream &err);

} // namespace Ctl
