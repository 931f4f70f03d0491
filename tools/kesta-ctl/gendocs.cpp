// Writes what the build installs beside kesta-ctl, from its own tables:
//   kesta-ctl-gendocs man VERSION DATE   the manual page
//   kesta-ctl-gendocs bash|zsh           the completion script
#include "tools/kesta-ctl/ctl.h"
#include "tools/kesta-ctl/tasks.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    if (args.size() == 3 && args.at(0) == QLatin1String("man")) {
        out << Ctl::manualPage(args.at(1), args.at(2));
        return 0;
    }
    const QString script = Ctl::completionScript(args.value(0));
    if (args.size() != 1 || script.isEmpty()) {
        QTextStream(stderr) << "usage: kesta-ctl-gendocs man VERSION DATE | bash | zsh\n";
        return 2;
    }
    out << script;
    return 0;
}
