#include "tools/kesta-ctl/ctl.h"

#include "singleinstance/qtlocalpeer.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>

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
#ifdef SIGXFSZ
    // Under a file size limit (ulimit -f) SIGXFSZ would end the tool in the
    // middle of a settings write, with no word said and its working files
    // left beside the settings. Ignored, the write fails with EFBIG and is
    // reported as a full disk is: nothing stored, nothing sent, exit 1.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
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
