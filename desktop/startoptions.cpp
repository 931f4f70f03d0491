#include "desktop/startoptions.h"

StartOptions parseStartOptions(const QStringList &args)
{
    StartOptions o;
    for (const QString &a : args) {
        if (a == QLatin1String("--hidden"))
            o.hidden = true;
        else if (a == QLatin1String("--print-modules-dir"))
            o.printModulesDir = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            o.help = true;
        else if (a == QLatin1String("--version"))
            o.version = true;
        else if (o.error.isEmpty())
            o.error = QStringLiteral("unknown argument %1").arg(a);
    }
    return o;
}

QString startUsage()
{
    return QStringLiteral(
        "usage: kesta-config [--hidden] [--print-modules-dir] [--help] [--version]\n"
        "  --hidden             start in the tray without showing the window\n"
        "  --print-modules-dir  print the folder that holds the settings and end\n");
}
