#include "tools/kesta-ctl/ctl.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const int code = Ctl::run(args, out, err);
    out.flush();
    err.flush();
    return code;
}
