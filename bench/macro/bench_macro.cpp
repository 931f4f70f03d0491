// bench-macro: the macro library at sizes a user never reaches by hand.
//
// For each size it builds a library of macros, ten to a folder, with the name
// lists written the way a batch import writes them (one write of name.bin),
// then, each in a fresh process so that the memory figure is the open's own:
//   open   the tree as the editor opens it (the top read, the check for
//          shared list sets, the rows a view shows first), its time and the
//          resident memory it added;
//   add    one macro and one folder added to the full library, the time and
//          the writes of name.bin each cost;
//   walk   the old walk over every folder's lists by name (the selection
//          path, the list level and the ten lists), median of the repeats.
// Each figure is printed beside its goal; the exit code is 1 when one is
// missed.
//
// Usage: bench-macro [--quick] [repeats [items...]]
//        (defaults: 20; 1000 10000 100000. --quick: 3; 1000 10000)
#include "device/hid_thread.h"
#include "macro/macrolibrary.h"
#include "model/macrotreemodel.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "tests/replacementcounter.h"
#include "view/operations.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kPerFolder = 10;
// What the issue asks of a large library.
constexpr double kOpenGoalMs10k = 50;
constexpr double kOpenGoalMs100k = 300;
constexpr double kBytesPerMacroGoal = 300;

QVariantList repeated(const QVariant &v, int n)
{
    return QVariantList(n, v);
}

// Writes the tree: `folders` folders at the top, each with kPerFolder
// macros, all in one batch as a batch import writes it.
void buildLibrary(MacroLibrary &lib, const QString &macroRoot, int folders)
{
    MacroLibrary::ListBatch batch(&lib);
    QVariantList names, types, imgs, margins, levels, no0, none;
    for (int f = 0; f < folders; ++f) {
        const QString folder = QStringLiteral("Folder%1").arg(f);
        QDir().mkpath(macroRoot + QLatin1Char('/') + folder);
        names << folder;
        types << 1;
        imgs << true;
        margins << 25;
        levels << 0;
        no0 << -1;
        none << -1;

        QVariantList childNames, childNo0;
        for (int m = 0; m < kPerFolder; ++m) {
            childNames << QStringLiteral("Macro %1-%2").arg(f).arg(m);
            childNo0 << f;
        }
        lib.setMacroSelectName(folder, QString(), QString(), QString(), QString());
        lib.updataMacroList(
            1, 1, QString(), childNames, repeated(0, kPerFolder), repeated(false, kPerFolder),
            repeated(25, kPerFolder), repeated(1, kPerFolder), childNo0, repeated(-1, kPerFolder),
            repeated(-1, kPerFolder), repeated(-1, kPerFolder), repeated(-1, kPerFolder));
    }
    lib.updataMacroList(1, 0, QString(), names, types, imgs, margins, levels, no0, none, none, none,
                        none);
    batch.end();
}

// The old walk by name; returns the number of items it found.
int walk(MacroLibrary &lib)
{
    int items = 0;
    std::function<void(const QStringList &, int)> walkFolder = [&](const QStringList &chain,
                                                                   int level) {
        QString sel[5];
        for (int i = 0; i < chain.size() && i < 5; ++i)
            sel[i] = chain.at(i);
        lib.setMacroSelectName(sel[0], sel[1], sel[2], sel[3], sel[4]);
        lib.setMacroLevel(level + 1);
        const QString name = chain.last();
        QStringList lists[10];
        for (int att = 0; att < 10; ++att)
            lists[att] = lib.getMacroSubList_Att(att, name);
        const QStringList children = lists[4];
        items += children.size();
        if (level + 1 > 4)
            return;
        for (int i = 0; i < children.size(); ++i)
            if (lists[0].value(i) == QLatin1String("1"))
                walkFolder(chain + QStringList{children.at(i)}, level + 1);
    };

    lib.setMacroLevel(0);
    const QStringList roots = lib.getNameList(0);
    QStringList lists[9];
    for (int att = 0; att < 9; ++att)
        lists[att] = lib.getMacroList_Att(att);
    items += roots.size();
    for (int i = 0; i < roots.size(); ++i)
        if (lists[0].value(i) == QLatin1String("1"))
            walkFolder({roots.at(i)}, 0);
    return items;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// CPU time of this process: on a shared machine the wall time adds the
// wait for a core.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
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

QString fixed(double v, int decimals = 1)
{
    return QString::number(v, 'f', decimals);
}

// The figures of one library in this process: open, add, walk. One line of
// "key=value" pairs for the parent.
int measure(const QString &modules, int items, int repeats)
{
    QTextStream out(stdout);
    ScriptedDialogs dialogs;
    Operations ops(modules, &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    MacroLibrary *lib = ops.macros();
    MacroTreeModel tree(ops);

    const qint64 before = residentKiB();
    QElapsedTimer t;
    const double cpu0 = cpuMs();
    t.start();
    tree.load();
    const int shared = int(tree.sharedListSets().size());
    // What a view asks for the rows it shows first.
    const int top = tree.rowCount();
    for (int row = 0; row < top && row < 30; ++row) {
        const QModelIndex index = tree.index(row, 0);
        index.data(MacroTreeModel::NameRole);
        index.data(MacroTreeModel::IsFolderRole);
        tree.hasChildren(index);
    }
    const double openMs = msSince(t);
    const double openCpu = cpuMs() - cpu0;
    const qint64 after = residentKiB();
    // One folder opened, as a click on it does.
    t.restart();
    const int opened = tree.rowCount(tree.index(0, 0));
    const double expandMs = msSince(t);

    ReplacementCounter writes(modules + QStringLiteral("/setting"));
    t.restart();
    tree.clearSelection();
    const int added = tree.createItem(QStringLiteral("Added macro"), 0, 0);
    const double addMs = msSince(t);
    const int addWrites = writes.take("name.bin");
    t.restart();
    tree.clearSelection();
    const int addedFolder = tree.createItem(QStringLiteral("Added folder"), 1, 0);
    const double folderMs = msSince(t);
    const int folderWrites = writes.take("name.bin");
    if (added != MacroTreeModel::Done || addedFolder != MacroTreeModel::Done || shared != 0 ||
        opened != kPerFolder) {
        fprintf(stderr, "unexpected outcome: add %d, folder %d, shared %d, opened %d\n", added,
                addedFolder, shared, opened);
        return 1;
    }

    int found = walk(*lib);
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r) {
        t.restart();
        found = walk(*lib);
        times.push_back(msSince(t));
    }
    const int expected = items + items / kPerFolder + 2;
    if (found != expected) {
        fprintf(stderr, "walk found %d items, expected %d\n", found, expected);
        return 1;
    }
    out << "open=" << fixed(openMs, 2) << " openCpu=" << fixed(openCpu, 2)
        << " rss=" << (after - before) << " expand=" << fixed(expandMs, 2)
        << " add=" << fixed(addMs, 2) << " addWrites=" << addWrites
        << " folder=" << fixed(folderMs, 2) << " folderWrites=" << folderWrites
        << " walk=" << fixed(median(times), 2) << "\n";
    return 0;
}

QMap<QString, QString> pairs(const QString &line)
{
    QMap<QString, QString> out;
    for (const QString &pair : line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qSetMessagePattern(QString());
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(msg));
    });
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--measure")) // the child: modules items repeats
        return measure(args.value(1), args.value(2).toInt(), args.value(3).toInt());
    const bool quick = args.removeAll(QStringLiteral("--quick")) > 0;
    const int repeats = !args.isEmpty() ? qMax(1, args.takeFirst().toInt()) : (quick ? 3 : 20);
    std::vector<int> sizes;
    for (const QString &a : args)
        sizes.push_back(qMax(kPerFolder, a.toInt()));
    if (sizes.empty())
        sizes = quick ? std::vector<int>{1000, 10000} : std::vector<int>{1000, 10000, 100000};

    QTextStream out(stdout);
    out << "| Macros | name.bin | Build | Open the tree | Goal | Memory added | Goal | Open a "
           "folder | Add a macro | Add a folder | Walk by name (median of "
        << repeats << ") |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|\n";
    out.flush();
    bool met = true;
    double buildPerItemFirst = 0;
    for (int items : sizes) {
        QTemporaryDir tmp;
        const QString modules = tmp.path() + QStringLiteral("/modules");
        QDir().mkpath(modules + QStringLiteral("/setting"));
        QDir().mkpath(modules + QStringLiteral("/macro"));
        SettingsStore store(modules);
        QElapsedTimer t;
        t.start();
        {
            MacroLibrary writer(&store, nullptr);
            buildLibrary(writer, modules + QStringLiteral("/macro"), items / kPerFolder);
        }
        const double buildMs = msSince(t);
        const QString nameBin = modules + QStringLiteral("/setting/name.bin");

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure"), modules, QString::number(items),
                     QString::number(repeats)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            fprintf(stderr, "measuring %d macros failed\n", items);
            return 1;
        }
        const auto f = pairs(QString::fromLatin1(child.readAllStandardOutput()));
        const double openMs = f.value(QStringLiteral("open")).toDouble();
        const double openCpu = f.value(QStringLiteral("openCpu")).toDouble();
        const double bytesPerMacro = f.value(QStringLiteral("rss")).toDouble() * 1024.0 / items;
        const double openGoal = items > 10000 ? kOpenGoalMs100k : kOpenGoalMs10k;
        const bool addOnce = f.value(QStringLiteral("addWrites")) == QLatin1String("1") &&
                             f.value(QStringLiteral("folderWrites")) == QLatin1String("1");
        // Building is linear when the cost per macro does not grow with the size.
        const double buildPerItem = buildMs / items;
        if (buildPerItemFirst == 0)
            buildPerItemFirst = buildPerItem;
        const bool buildLinear = buildPerItem < 3 * buildPerItemFirst;
        // The goals speak of large libraries; below 10,000 macros the fixed
        // cost of reading the file at all decides the memory per macro.
        const bool memoryJudged = items >= 10000;
        const bool memoryMet = !memoryJudged || bytesPerMacro < kBytesPerMacroGoal;
        met = met && openCpu < openGoal && memoryMet && addOnce && buildLinear;
        auto mark = [](bool ok) { return ok ? QStringLiteral("met") : QStringLiteral("MISSED"); };
        out << "| " << QLocale(QLocale::English).toString(items) << " | "
            << QFileInfo(nameBin).size() / 1024 << " KiB | " << fixed(buildMs, 0) << " ms ("
            << fixed(buildPerItem * 1000, 1) << " us a macro, " << mark(buildLinear)
            << ": linear) | " << fixed(openCpu, 1) << " ms CPU (" << fixed(openMs, 1)
            << " ms wall) | under " << openGoal << " ms, " << mark(openCpu < openGoal) << " | "
            << fixed(bytesPerMacro, 0) << " bytes a macro | "
            << (memoryJudged
                    ? QStringLiteral("under %1, %2").arg(kBytesPerMacroGoal).arg(mark(memoryMet))
                    : QStringLiteral("(from 10,000 macros)"))
            << " | " << f.value(QStringLiteral("expand")) << " ms | "
            << f.value(QStringLiteral("add")) << " ms, " << f.value(QStringLiteral("addWrites"))
            << " write | " << f.value(QStringLiteral("folder")) << " ms, "
            << f.value(QStringLiteral("folderWrites")) << " write (goal 1 each: " << mark(addOnce)
            << ") | " << f.value(QStringLiteral("walk")) << " ms |\n";
        out.flush();
    }
    return met ? 0 : 1;
}
