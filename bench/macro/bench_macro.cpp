// bench-macro: how long the macro editor takes to read its tree from name.bin.
//
// Builds libraries of 100, 1,000 and 10,000 macros, ten to a folder, with the
// name lists written the way the editor writes them, then times the walk the
// editor makes when it builds its tree: the root lists, then for every folder
// the selection path, the list level and the ten child lists. Each size is
// walked once, then repeatedly; the median of the repeats is reported, with
// the cost of parsing the file once for comparison.
//
// Usage: bench-macro [repeats [items...]]   (defaults: 20; 100 1000 10000)
#include "macro/macrolibrary.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kPerFolder = 10;

QVariantList repeated(const QVariant &v, int n)
{
    return QVariantList(n, v);
}

// Writes the tree: `folders` folders at the root, each with kPerFolder macros.
void buildLibrary(MacroLibrary &lib, const QString &macroRoot, int folders)
{
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
}

// The editor's walk; returns the number of items it found.
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    qSetMessagePattern(QString());
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(msg));
    });
    const int repeats = argc > 1 ? qMax(1, atoi(argv[1])) : 20;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(qMax(kPerFolder, atoi(argv[i])));
    if (sizes.empty())
        sizes = {100, 1000, 10000};

    QTextStream out(stdout);
    out << "macro tree walk (median of " << repeats << " walks; first = first walk)\n";
    out << qSetFieldWidth(10) << "items"
        << "folders"
        << "name.bin"
        << "first ms"
        << "walk ms"
        << "us/item"
        << "parse ms" << qSetFieldWidth(0) << "\n";

    for (int items : sizes) {
        QTemporaryDir tmp;
        const QString modules = tmp.path() + QStringLiteral("/modules");
        QDir().mkpath(modules + QStringLiteral("/setting"));
        QDir().mkpath(modules + QStringLiteral("/macro"));
        SettingsStore store(modules);
        const int folders = items / kPerFolder;
        {
            MacroLibrary writer(&store, nullptr);
            buildLibrary(writer, modules + QStringLiteral("/macro"), folders);
        }
        const QString nameBin = modules + QStringLiteral("/setting/name.bin");

        // What a read would cost if the file were parsed each time: a copy
        // under a new name is not in Qt's shared cache yet.
        const QString copy = nameBin + QStringLiteral(".copy");
        QFile::copy(nameBin, copy);
        QElapsedTimer t;
        t.start();
        QSettings(copy, QSettings::IniFormat).allKeys();
        const double parse = msSince(t);

        MacroLibrary lib(&store, nullptr);
        t.restart();
        const int found = walk(lib);
        const double first = msSince(t);
        if (found != items + folders) {
            fprintf(stderr, "walk found %d items, expected %d\n", found, items + folders);
            return 1;
        }

        std::vector<double> times;
        for (int r = 0; r < repeats; ++r) {
            t.restart();
            walk(lib);
            times.push_back(msSince(t));
        }
        const double walkMs = median(times);
        out << qSetFieldWidth(10) << items << folders << QFileInfo(nameBin).size() / 1024
            << QString::number(first, 'f', 2) << QString::number(walkMs, 'f', 2)
            << QString::number(walkMs * 1000.0 / items, 'f', 2) << QString::number(parse, 'f', 2)
            << qSetFieldWidth(0) << "\n";
        out.flush();
    }
    out << "(name.bin in KiB; parse = parsing the whole of name.bin once)\n";
    return 0;
}
