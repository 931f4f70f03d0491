// bench-macro-window: opening the macro library in the window. Starts the
// real program (main window, scene, operations) against the virtual mouse on
// a library of N macros, ten to a folder, and opens the settings tab, which
// makes the settings page the first time and opens the macro tree; measures
// the time to the first frame after it and the resident memory it added.
// Each size runs in a process of its own; the empty library is the
// reference, so the figures beside the goals are what the macros cost.
//
// Usage: bench-macro-window [--quick] [items...]
//        (defaults: 10000 100000; --quick: 10000)
// Runs on whatever platform Qt picks (QT_QPA_PLATFORM=offscreen works).
#include "app/widget.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/myqquickview.h"

#include "../../tests/stagemodules.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr double kOpenGoalMs10k = 50;
constexpr double kOpenGoalMs100k = 300;
constexpr double kBytesPerMacroGoal = 300;

double clockMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void spin(int ms, const std::function<bool()> &done = {})
{
    const double end = clockMs(CLOCK_MONOTONIC) + ms;
    while (clockMs(CLOCK_MONOTONIC) < end && !(done && done()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The library's name lists, written in one go.
void writeLibrary(const QString &modules, int items)
{
    QSettings names(modules + QStringLiteral("/setting/name.bin"), QSettings::IniFormat);
    QStringList top, types;
    for (int f = 0; f < items / 10; ++f) {
        const QString folder = QStringLiteral("Folder%1").arg(f);
        top << folder;
        types << QStringLiteral("1");
        QStringList macros;
        for (int m = 0; m < 10; ++m)
            macros << QStringLiteral("Macro %1-%2").arg(f).arg(m);
        names.setValue(folder + QStringLiteral("/macroName"), macros);
        names.setValue(folder + QStringLiteral("/macroType"), QStringList(10, QStringLiteral("0")));
    }
    if (!top.isEmpty()) {
        names.setValue(QStringLiteral("macro/macroName"), top);
        names.setValue(QStringLiteral("macro/macroType"), types);
    }
}

// One size in this process: "wall=.. cpu=.. rss=..".
int measure(int items)
{
    QTemporaryDir dir;
    qputenv("KESTA_SOURCE_DIR", KESTA_SOURCE_DIR);
    if (!dir.isValid() || !stageModules(dir.path()))
        return 2;
    writeLibrary(dir.path() + QStringLiteral("/modules"), items);
    QDir::setCurrent(dir.path());
    kvm::configure(kvm::defaultConfig());

    Widget widget;
    widget.showNormal();
    widget.checkDevice();
    myQQuickView *view = widget.view();
    if (!widget.isDeviceConnected() || !view->rootObject())
        return 2;
    QQuickItem *root = view->rootObject();
    spin(20000, [root] {
        return root->property("startupDone").toBool() && root->property("isPownOn").toBool() &&
               !root->property("busy").toBool();
    });
    spin(300);

    bool drawn = false;
    QObject::connect(view, &QQuickWindow::frameSwapped, [&drawn] { drawn = true; });
    const qint64 before = residentKiB();
    const double wall0 = clockMs(CLOCK_MONOTONIC);
    const double cpu0 = clockMs(CLOCK_PROCESS_CPUTIME_ID);
    QMetaObject::invokeMethod(root, "showTab", Q_ARG(QVariant, 2));
    root->window()->requestUpdate();
    spin(20000, [&drawn] { return drawn; });
    const double wall = clockMs(CLOCK_MONOTONIC) - wall0;
    const double cpu = clockMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    spin(500);
    const qint64 after = residentKiB();
    QTextStream(stdout) << "wall=" << wall << " cpu=" << cpu << " rss=" << (after - before) << "\n";
    return drawn ? 0 : 1;
}

QMap<QString, double> run(int items)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--one"), QString::number(items)});
    QMap<QString, double> out;
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return out;
    const QString line = QString::fromLatin1(child.readAllStandardOutput()).trimmed();
    for (const QString &pair : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.insert(pair.section(QLatin1Char('='), 0, 0),
                   pair.section(QLatin1Char('='), 1).toDouble());
    return out;
}

QString fixed(double v)
{
    return QString::number(v, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--one"))
        return measure(args.value(1).toInt());
    const bool quick = args.removeAll(QStringLiteral("--quick")) > 0;
    QList<int> sizes;
    for (const QString &a : args)
        sizes << a.toInt();
    if (sizes.isEmpty())
        sizes = quick ? QList<int>{10000} : QList<int>{10000, 100000};

    const auto empty = run(0);
    if (empty.isEmpty()) {
        std::fprintf(stderr, "bench-macro-window: the empty library did not open\n");
        return 2;
    }
    QTextStream out(stdout);
    out << "| Macros | Opening the settings tab | Beyond the empty library (CPU) | Goal | Memory "
           "added | Beyond the empty library, per macro | Goal |\n|---|---|---|---|---|---|---|\n";
    out << "| none (reference) | " << fixed(empty.value("cpu")) << " ms CPU ("
        << fixed(empty.value("wall")) << " ms wall) | | | " << qRound(empty.value("rss") / 1024)
        << " MiB | | |\n";
    bool met = true;
    for (int items : sizes) {
        const auto f = run(items);
        if (f.isEmpty()) {
            std::fprintf(stderr, "bench-macro-window: %d macros did not open\n", items);
            return 2;
        }
        const double beyond = f.value("cpu") - empty.value("cpu");
        const double perMacro = (f.value("rss") - empty.value("rss")) * 1024.0 / items;
        const double goal = items > 10000 ? kOpenGoalMs100k : kOpenGoalMs10k;
        const bool timeMet = beyond < goal;
        const bool memoryMet = perMacro < kBytesPerMacroGoal;
        met = met && timeMet && memoryMet;
        out << "| " << QLocale(QLocale::English).toString(items) << " | " << fixed(f.value("cpu"))
            << " ms CPU (" << fixed(f.value("wall")) << " ms wall) | " << fixed(beyond)
            << " ms | under " << goal << " ms, " << (timeMet ? "met" : "MISSED") << " | "
            << qRound(f.value("rss") / 1024) << " MiB | " << qRound(perMacro) << " bytes | under "
            << kBytesPerMacroGoal << ", " << (memoryMet ? "met" : "MISSED") << " |\n";
        out.flush();
    }
    return met ? 0 : 1;
}
