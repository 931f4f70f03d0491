#include "tools/kesta-ctl/ctl.h"

#include "singleinstance/qtlocalpeer.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// kesta-config beside this program holds its single-instance lock while it
// runs; the guard's own check finds it where the program keeps it.
bool programRunning()
{
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("/kesta-config.exe");
#else
    const QString program = QStringLiteral("/kesta-config");
#endif
    return QtLocalPeer::isRunningElsewhere(QString(),
                                           QCoreApplication::applicationDirPath() + program);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    Ctl::setProgramRunningCheck(programRunning);
    const int code = Ctl::run(args, out, err);
    out.flush();
    err.flush();
    return code;
}
