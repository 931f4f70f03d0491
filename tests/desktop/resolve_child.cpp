// Child process of tst_modulesfolder: resolves the modules folder for the
// places given, under a file size limit when one is given (a limit belongs
// to the whole process), and prints the kind of folder it picked.
#include "../filesizelimit.h"
#include "desktop/modulesfolder.h"

#include <QCoreApplication>
#include <QTextStream>

#include <optional>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2; // beside shipped user limit (-1: none)
    const qlonglong limit = args[4].toLongLong();
    std::optional<FileSizeLimit> full;
    if (limit >= 0) {
        full.emplace(rlim_t(limit));
        if (!full->active())
            return 3;
    }
    const ModulesFolder::Resolved r = ModulesFolder::resolve({args[1], args[2], args[3]});
    QTextStream(stdout) << int(r.kind) << '\n';
    return 0;
}
