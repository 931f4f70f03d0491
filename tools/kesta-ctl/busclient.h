// kesta-ctl's side of the running program's bus interface: whether the
// program serves this settings folder, and a task command run there.
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace Ctl {

enum class ProgramOnBus {
    Absent,      // no session bus, or nobody owns the name
    OtherFolder, // the program runs on another settings folder
    Serves,      // the program runs on this settings folder
};

ProgramOnBus programOnBus(const QString &modulesDir);

// Runs `command` in the program and prints what it printed. Returns the
// exit code: 0 done, 1 failed (or no answer in time), 2 bad arguments.
int runInProgram(const QString &command, const QStringList &args, QTextStream &out,
                 QTextStream &err);

} // namespace Ctl
