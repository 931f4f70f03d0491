#include "desktop/startoptions.h"

namespace {

// The options QGuiApplication and QApplication take out of the command line,
// with one dash or two; "name=value" forms are passed over too.
bool isQtOption(const QString &arg, bool *takesValue)
{
    static const QStringList withValue =
        QStringLiteral("platform platformpluginpath platformtheme plugin qwindowgeometry geometry "
                       "qwindowtitle title qwindowicon icon style stylesheet session display "
                       "name qmljsdebugger")
            .split(QLatin1Char(' '));
    static const QStringList alone =
        QStringLiteral("reverse widgetcount nograb dograb sync testability")
            .split(QLatin1Char(' '));
    if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("--"))
        return false;
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals >= 0) {
        name.truncate(equals);
        *takesValue = false;
        return withValue.contains(name);
    }
    *takesValue = withValue.contains(name);
    return *takesValue || alone.contains(name);
}

} // namespace

StartOptions parseStartOptions(const QStringList &args, bool qtOptionsLeft)
{
    StartOptions o;
    auto fail = [&o](const QString &message) {
        if (o.error.isEmpty())
            o.error = message;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        bool takesValue = false;
        if (a == QLatin1String("--hidden")) {
            o.hidden = true;
        } else if (a == QLatin1String("--print-modules-dir")) {
            o.printModulesDir = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--version")) {
            o.version = true;
        } else if (a == QLatin1String("--modules-dir")) {
            if (i + 1 >= args.size() || args.at(i + 1).isEmpty())
                fail(QStringLiteral("--modules-dir needs a folder"));
            else
                o.modulesDir = args.at(++i);
        } else if (qtOptionsLeft && isQtOption(a, &takesValue)) {
            if (takesValue)
                ++i;
        } else {
            fail(QStringLiteral("unknown argument %1").arg(a));
        }
    }
    return o;
}

QString startUsage()
{
    return QStringLiteral(
        "usage: kesta-config [--hidden] [--modules-dir DIR] [--print-modules-dir] [--help] "
        "[--version]\n"
        "  --hidden             start in the tray without showing the window\n"
        "  --modules-dir DIR    use DIR as the settings folder (as kesta-ctl --modules-dir)\n"
        "  --print-modules-dir  print the folder that holds the settings and end\n"
        "Qt's own options (-platform NAME, -style NAME, ...) are taken as well.\n");
}
