#include "tools/kesta-ctl/ctl.h"

#include "singleinstance/qtlocalpeer.h"
#include "singleinstance/qtlockedfile.h"
#include "singleinstance/sessionsuffix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// kesta-config beside this program holds its single-instance lock while it
// runs; a lock we can take means it does not.
bool programRunning()
{
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("/kesta-config.exe");
#else
    const QString program = QStringLiteral("/kesta-config");
#endif
    const QtLocalPeer::Names names =
        QtLocalPeer::deriveNames(QString(), QCoreApplication::applicationDirPath() + program,
                                 sessionSuffix(), QDir::tempPath());
    if (!QFileInfo::exists(names.lockFileName))
        return false;
    QtLP_Private::QtLockedFile lock(names.lockFileName);
    if (!lock.open(QIODevice::ReadWrite))
        return false;
    if (!lock.lock(QtLP_Private::QtLockedFile::WriteLock, false))
        return true;
    lock.unlock();
    return false;
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
