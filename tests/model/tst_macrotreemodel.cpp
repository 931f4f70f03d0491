// The macro tree without a window: a staged library with nested folders made
// through the tree, then each row's commands, checked in the tree's rows,
// in name.bin's list sets, in the files and folders on disk, in what the
// tree reports to the bindings, and in a tree read anew from name.bin.
#include "model/macrotreemodel.h"

#include "../replacementcounter.h"
#include "../stagemodules.h"
#include "device/hid_thread.h"
#include "macro/macrolibrary.h"
#include "settings/userdialogs.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/operations.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The tree as "A/", "A/B/", "A/B/M3": folders with a slash, depth first.
QStringList rows(const MacroTreeModel &model, const QModelIndex &parent = {})
{
    QStringList out;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex item = model.index(row, 0, parent);
        const QString path =
            item.data(MacroTreeModel::PathRole).toStringList().join(QLatin1Char('/'));
        out.append(model.isFolder(item) ? path + QLatin1Char('/') : path);
        out += rows(model, item);
    }
    return out;
}

// A library of `folders` folders at the top, ten macros in each, written as
// name.bin lists in one go (the folders are there on disk, the macros only
// in the lists).
void stageLargeLibrary(const QString &modules, int folders)
{
    QSettings names(modules + QStringLiteral("/setting/name.bin"), QSettings::IniFormat);
    QStringList top, topTypes;
    for (int f = 0; f < folders; ++f) {
        const QString folder = QStringLiteral("Folder%1").arg(f);
        QDir().mkpath(modules + QStringLiteral("/macro/") + folder);
        top << folder;
        topTypes << QStringLiteral("1");
        QStringList macros;
        for (int m = 0; m < 10; ++m)
            macros << QStringLiteral("Macro %1-%2").arg(f).arg(m);
        names.setValue(folder + QStringLiteral("/macroName"), macros);
        names.setValue(folder + QStringLiteral("/macroType"), QStringList(10, QStringLiteral("0")));
    }
    names.setValue(QStringLiteral("macro/macroName"), top);
    names.setValue(QStringLiteral("macro/macroType"), topTypes);
}

} // namespace

class TestMacroTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void largeLibraryReadsAFolderWhenOpened();
    void listWritesWhateverTheLibrarySize_data();
    void listWritesWhateverTheLibrarySize();
};

void TestMacroTreeModel::commands_data()
{
    QTest::addColumn<QStringList>("commands"); // "verb argument=outcome"
    QTest::addColumn<QStringList>("tree");     // rows afterwards
    QTest::addColumn<QStringList>("lists");    // name.bin key=a,b or !key (absent)
    QTest::addColumn<QStringList>("disk");     // +path exists, -path does not
    QTest::addColumn<QStringList>("reported"); // the tree's signals, in order

    const QStringList staged{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2", "M1"};
    QTest::newRow("staged library: rows, paths and list sets")
        << QStringList{} << staged
        << QStringList{"macro/macroName=A,M1",
                       "macro/macroType=1,0",
                       "macro/txtMargin=25,5",
                       "A/macroName=B,M2",
                       "A/showImg=true,false",
                       "AB/macroName=C,M3",
                       "AB/no0=0,0",
                       "AB/no1=0,0",
                       "AB/no2=-1,-1",
                       "ABC/macroName=M4,loaderquiver",
                       "ABC/level=3,loaderquiver",
                       "ABC/txtMargin=65,loaderquiver",
                       "ABC/no2=0,loaderquiver"}
        << QStringList{"+macro/A/B/C/M4.bin", "+macro/A/M2.bin", "+macro/M1.bin"} << QStringList{};
    QTest::newRow("a name the folder holds is refused")
        << QStringList{"select A=0", "new B=2", "folder M2=2"} << staged
        << QStringList{"A/macroName=B,M2"} << QStringList{"-macro/A/B.bin"} << QStringList{};
    QTest::newRow("a macro name held in another folder is refused, a folder name is not")
        << QStringList{"clear=0", "new M3=3", "folder M3=0"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2", "M1", "M3/"}
        << QStringList{"macro/macroName=A,M1,M3"} << QStringList{"-macro/M3.bin", "+macro/M3"}
        << QStringList{};
    QTest::newRow("fifth folder level holds macros but no folder")
        << QStringList{"select A/B/C=0",     "folder D=0", "select A/B/C/D=0", "folder E=0",
                       "select A/B/C/D/E=0", "folder F=4", "new M5=0"}
        << QStringList{"A/",         "A/B/",         "A/B/C/", "A/B/C/M4", "A/B/C/D/",
                       "A/B/C/D/E/", "A/B/C/D/E/M5", "A/B/M3", "A/M2",     "M1"}
        << QStringList{"ABC/macroName=M4,D",
                       "ABCD/macroName=E,loaderquiver",
                       "ABCDE/macroName=M5,loaderquiver",
                       "ABCDE/level=5,loaderquiver",
                       "ABCDE/no3=1,loaderquiver",
                       "ABCDE/no4=0,loaderquiver"}
        << QStringList{"+macro/A/B/C/D/E/M5.bin", "-macro/A/B/C/D/E/F"} << QStringList{};
    QTest::newRow("a new item goes to the top while a macro is selected")
        << QStringList{"select A/M2=0", "new M6=0"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2", "M1", "M6"}
        << QStringList{"macro/macroName=A,M1,M6", "A/macroName=B,M2"}
        << QStringList{"+macro/M6.bin", "-macro/A/M6.bin"} << QStringList{};
    QTest::newRow("renamed folder: its sets and those below move with it")
        << QStringList{"select A/B=0", "rename M2=2", "rename X=0"}
        << QStringList{"A/", "A/X/", "A/X/C/", "A/X/C/M4", "A/X/M3", "A/M2", "M1"}
        << QStringList{"A/macroName=X,M2", "AX/macroName=C,M3", "AXC/macroName=M4,loaderquiver",
                       "!AB/macroName", "!ABC/macroName"}
        << QStringList{"+macro/A/X/C/M4.bin", "-macro/A/B"} << QStringList{"renamed 1 1 B X"};
    QTest::newRow("renamed macro: the file follows, a taken name is refused")
        << QStringList{"select M1=0", "rename M4=3", "rename M9=0"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2", "M9"}
        << QStringList{"macro/macroName=A,M9"} << QStringList{"+macro/M9.bin", "-macro/M1.bin"}
        << QStringList{"renamed 0 0 M1 M9"};
    QTest::newRow("deleted folder: its sets go and its macros are released")
        << QStringList{"select A/B=0", "delete=0"} << QStringList{"A/", "A/M2", "M1"}
        << QStringList{"A/macroName=M2,loaderquiver", "!AB/macroName", "!ABC/macroName",
                       "macro/macroName=A,M1"}
        << QStringList{"-macro/A/B", "+macro/A/M2.bin"} << QStringList{"deleted M4", "deleted M3"};
    QTest::newRow("deleted macro inside a folder")
        << QStringList{"select A/M2=0", "delete=0"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "M1"}
        << QStringList{"A/macroName=B,loaderquiver", "AB/macroName=C,M3"}
        << QStringList{"-macro/A/M2.bin"} << QStringList{"deleted M2"};
    QTest::newRow("deleting the last top item removes the top list")
        << QStringList{"select M1=0", "delete=0", "select A=0", "delete=0"} << QStringList{}
        << QStringList{"!macro/macroName", "!A/macroName"}
        << QStringList{"-macro/A", "-macro/M1.bin"}
        << QStringList{"deleted M1", "deleted M4", "deleted M3", "deleted M2"};

    // Folder names are joined into list prefixes: a folder whose prefix
    // would be another's (or the top's, "macro") is refused, and so is the
    // name that pads one-item lists; nothing is written or made.
    QTest::newRow("a folder whose lists would meet another's is refused")
        << QStringList{"clear=0",     "folder macro=6", "folder AB=6", "select A=0",
                       "folder BC=6", "select A/B=0",   "folder C=2",  "clear=0",
                       "new AB=0",    "select AB=0",    "rename AC=0"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2", "M1", "AC"}
        << QStringList{"macro/macroName=A,M1,AC",       "A/macroName=B,M2", "AB/macroName=C,M3",
                       "ABC/macroName=M4,loaderquiver", "!macro/macro",     "!AC/macroName"}
        << QStringList{"-macro/macro", "-macro/AB", "-macro/A/BC", "+macro/AC.bin"}
        << QStringList{"renamed 0 0 AB AC"};
    QTest::newRow("a rename that would make a folder's lists, or those below, meet is refused")
        << QStringList{"clear=0",        "folder xy=0",  "folder Q=0", "select Q=0",
                       "folder y=0",     "select Q=0",   "rename x=6", "rename AB=6",
                       "rename macro=6", "select Q/y=0", "rename B=0"}
        << QStringList{"A/",   "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3",
                       "A/M2", "M1",   "xy/",    "Q/",       "Q/B/"}
        << QStringList{"macro/macroName=A,M1,xy,Q", "Q/macroName=B,loaderquiver",
                       "AB/macroName=C,M3", "!x/macroName"}
        << QStringList{"+macro/Q/B", "-macro/x", "-macro/macro", "-macro/AB"}
        << QStringList{"renamed 1 1 y B"};
    // Read anew, the renamed folder's subfolders are known only from the
    // lists stored under its old name; theirs must be checked too, against
    // every other folder at any depth and both ways round.
    QTest::newRow("a rename whose subfolders' lists would meet others' is refused, tree read anew")
        << QStringList{"clear=0",    "folder Wq4=0", "folder Z=0", "select Z=0",   "folder C=0",
                       "folder q=0", "select Z/q=0", "folder 4=0", "select Z/C=0", "new zz=0",
                       "reload=0",   "select Z=0",   "rename W=6", "rename ABC=6", "rename Y=0"}
        << QStringList{"A/",   "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2",  "M1",
                       "Wq4/", "Y/",   "Y/C/",   "Y/C/zz",   "Y/q/",   "Y/q/4/"}
        << QStringList{"ABC/macroName=M4,loaderquiver", "YC/macroName=zz,loaderquiver",
                       "Yq/macroName=4,loaderquiver", "!Wq4/macroName", "!ZC/macroName"}
        << QStringList{"+macro/Y/C/zz.bin", "-macro/Z", "-macro/AB", "-macro/W"}
        << QStringList{"renamed 0 1 Z Y"};
    QTest::newRow("a rename whose subfolder would meet another's subfolder is refused, both ways")
        << QStringList{"clear=0",        "folder F1=0",  "select F1=0", "folder S1=0",
                       "clear=0",        "folder X=0",   "select X=0",  "folder 1S1=0",
                       "select X/1S1=0", "new victim=0", "reload=0",    "select X=0",
                       "rename F=6",     "rename G=0",   "reload=0",    "select F1=0",
                       "rename G1=6"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2",
                       "M1", "F1/",  "F1/S1/", "G/",       "G/1S1/", "G/1S1/victim"}
        << QStringList{"G1S1/macroName=victim,loaderquiver", "F1/macroName=S1,loaderquiver",
                       "!F1S1/macroName", "!X1S1/macroName", "!G1/macroName"}
        << QStringList{"+macro/G/1S1/victim.bin", "+macro/F1/S1", "-macro/F", "-macro/G1"}
        << QStringList{"renamed 0 1 X G"};
    QTest::newRow("the padding item is no name for a macro or a folder, new or renamed")
        << QStringList{"clear=0",
                       "new loaderquiver=7",
                       "folder loaderquiver=7",
                       "select A/M2=0",
                       "rename loaderquiver=7",
                       "select A=0",
                       "rename loaderquiver=7"}
        << staged << QStringList{"macro/macroName=A,M1", "A/macroName=B,M2"}
        << QStringList{"-macro/loaderquiver.bin", "-macro/loaderquiver", "+macro/A/M2.bin"}
        << QStringList{};
    QTest::newRow("a batch import whose folders would meet others' is refused and leaves nothing")
        << QStringList{"clear=0", "folder XY=0", "batch macro=6", "batch X/Y=6",
                       "batch loaderquiver=7"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "A/M2", "M1", "XY/"}
        << QStringList{"macro/macroName=A,M1,XY", "!X/macroName"}
        << QStringList{"-macro/macro", "-macro/X", "-macro/loaderquiver", "+macro/XY"}
        << QStringList{};
    // A library from before names were unique: A/M2 and a top M2. Buttons
    // bound to "M2" play the top one, so only its delete releases them.
    QTest::newRow("deleting a macro whose name a nearer one plays releases nothing")
        << QStringList{"copy A/M2 M2=0", "clear=0", "list M2=0", "select A/M2=0", "delete=0"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "M1", "M2"}
        << QStringList{"macro/macroName=A,M1,M2", "A/macroName=B,loaderquiver"}
        << QStringList{"-macro/A/M2.bin", "+macro/M2.bin"} << QStringList{};
    QTest::newRow("deleting the macro a name plays releases it, one of that name left or not")
        << QStringList{"copy A/M2 M2=0", "clear=0",       "list M2=0", "select M2=0",
                       "delete=0",       "select A/M2=0", "delete=0"}
        << QStringList{"A/", "A/B/", "A/B/C/", "A/B/C/M4", "A/B/M3", "M1"}
        << QStringList{"macro/macroName=A,M1"} << QStringList{"-macro/A/M2.bin", "-macro/M2.bin"}
        << QStringList{"deleted M2", "deleted M2"};
    QTest::newRow("a deleted folder releases only the names whose played macro it held")
        << QStringList{"copy A/M2 M2=0", "clear=0", "list M2=0", "select A=0", "delete=0"}
        << QStringList{"M1", "M2"} << QStringList{"macro/macroName=M1,M2", "!A/macroName"}
        << QStringList{"-macro/A", "+macro/M2.bin"} << QStringList{"deleted M4", "deleted M3"};
}

void TestMacroTreeModel::commands()
{
    QFETCH(QStringList, commands);
    QFETCH(QStringList, tree);
    QFETCH(QStringList, lists);
    QFETCH(QStringList, disk);
    QFETCH(QStringList, reported);

    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    kvm::configure(kvm::defaultConfig());
    ScriptedDialogs dialogs;
    Operations ops(modules, &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    MacroLibrary *library = ops.macros();
    QVERIFY(library);

    MacroTreeModel model(ops);
    model.load();
    // The scene renames the file or folder when the tree reports it.
    QStringList seen;
    connect(&model, &MacroTreeModel::macroRenamed,
            [&](int level, int type, const QString &from, const QString &to) {
                seen.append(
                    QStringLiteral("renamed %1 %2 %3 %4").arg(level).arg(type).arg(from, to));
                library->modifyMacroNameUpdateProfile(level, type, from, to);
            });
    connect(&model, &MacroTreeModel::macroDeleted,
            [&](const QString &name) { seen.append(QStringLiteral("deleted ") + name); });

    auto run = [&](const QString &command) {
        const int eq = command.lastIndexOf(QLatin1Char('='));
        const QString verb = command.left(eq).section(QLatin1Char(' '), 0, 0);
        const QString arg = command.left(eq).section(QLatin1Char(' '), 1);
        const int expected = command.mid(eq + 1).toInt();
        int outcome = -1;
        if (verb == QLatin1String("select"))
            outcome = model.selectChain(arg.split(QLatin1Char('/'))) ? 0 : 1;
        else if (verb == QLatin1String("clear")) {
            model.clearSelection();
            outcome = 0;
        } else if (verb == QLatin1String("new"))
            outcome = model.createItem(arg, 0, 0);
        else if (verb == QLatin1String("folder"))
            outcome = model.createItem(arg, 1, 0);
        else if (verb == QLatin1String("rename"))
            outcome = model.renameSelected(arg);
        else if (verb == QLatin1String("reload")) { // a tree read anew, folders not opened
            model.load();
            outcome = 0;
        } else if (verb == QLatin1String("delete"))
            outcome = model.deleteSelected() ? 0 : 1;
        else if (verb == QLatin1String("batch")) { // a folder (and those in it) chosen
            const QString source = dir.path() + QStringLiteral("/in/");
            QDir().mkpath(source + arg);
            dialogs.answers.append(source + arg.section(QLatin1Char('/'), 0, 0));
            outcome = model.batchImport();
        } else if (verb == QLatin1String("list"))
            outcome = model.listItem(arg, 0);
        else if (verb == QLatin1String("copy")) // a macro file copied behind the tree's back
            outcome = QFile::copy(modules + "/macro/" + arg.section(' ', 0, 0) + ".bin",
                                  modules + "/macro/" + arg.section(' ', 1) + ".bin")
                          ? 0
                          : 1;
        QVERIFY2(outcome == expected,
                 qPrintable(command + QStringLiteral(" gave %1").arg(outcome)));
    };
    for (const char *c :
         {"clear=0", "folder A=0", "new M1=0", "select A=0", "folder B=0", "new M2=0",
          "select A/B=0", "folder C=0", "new M3=0", "select A/B/C=0", "new M4=0"}) {
        run(QString::fromLatin1(c));
        if (QTest::currentTestFailed())
            return;
    }
    seen.clear();
    for (const QString &c : commands) {
        run(c);
        if (QTest::currentTestFailed())
            return;
    }

    QCOMPARE(rows(model), tree);
    QCOMPARE(seen, reported);
    QSettings names(modules + QStringLiteral("/setting/name.bin"), QSettings::IniFormat);
    for (const QString &entry : lists) {
        if (entry.startsWith(QLatin1Char('!'))) {
            QVERIFY2(!names.contains(entry.mid(1)), qPrintable(entry));
            continue;
        }
        const int eq = entry.indexOf(QLatin1Char('='));
        QCOMPARE(names.value(entry.left(eq)).toStringList().join(QLatin1Char(',')),
                 entry.mid(eq + 1));
    }
    for (const QString &entry : disk) {
        const bool there = QFileInfo::exists(modules + QLatin1Char('/') + entry.mid(1));
        QVERIFY2(there == entry.startsWith(QLatin1Char('+')), qPrintable(entry));
    }
    // What was written reads back as the same tree.
    MacroTreeModel again(ops);
    again.load();
    QCOMPARE(rows(again), tree);
}

// 10,000 macros: the tree reads a folder's items when they are first asked
// for, not when it loads. A folder changed on disk after the load shows what
// the file holds when it is opened; every item is there once all are.
void TestMacroTreeModel::largeLibraryReadsAFolderWhenOpened()
{
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    stageLargeLibrary(modules, 1000);
    kvm::configure(kvm::defaultConfig());
    ScriptedDialogs dialogs;
    Operations ops(modules, &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    MacroTreeModel model(ops);
    model.load();
    QCOMPARE(model.rowCount(), 1000);
    const QModelIndex last = model.index(999, 0);
    QCOMPARE(last.data(MacroTreeModel::NameRole).toString(), QStringLiteral("Folder999"));
    QVERIFY(model.hasChildren(last));
    QVERIFY(!model.hasChildren(model.index(0, 0, last)));

    // Another writer changes a folder nobody has opened yet.
    {
        QSettings names(modules + QStringLiteral("/setting/name.bin"), QSettings::IniFormat);
        names.setValue(QStringLiteral("Folder500/macroName"), QStringList{"Late", "Later"});
        names.setValue(QStringLiteral("Folder500/macroType"), QStringList{"0", "0"});
    }
    const QModelIndex changed = model.index(500, 0);
    QCOMPARE(model.rowCount(changed), 2);
    QCOMPARE(model.index(1, 0, changed).data(MacroTreeModel::PathRole).toStringList(),
             (QStringList{"Folder500", "Later"}));
    QCOMPARE(model.rowCount(last), 10);
    QCOMPARE(model.index(9, 0, last).data(MacroTreeModel::NameRole).toString(),
             QStringLiteral("Macro 999-9"));
    QCOMPARE(model.parent(model.index(9, 0, last)), last);
    QCOMPARE(model.indexOf({"Folder42", "Macro 42-7"}).data(MacroTreeModel::LevelRole).toInt(), 1);

    const QStringList all = rows(model);
    QCOMPARE(all.size(), 1000 + 999 * 10 + 2);
    QCOMPARE(all.at(1), QStringLiteral("Folder0/Macro 0-0"));
    QCOMPARE(all.last(), QStringLiteral("Folder999/Macro 999-9"));
    QCOMPARE(model.macroNames().size(), 999 * 10 + 2);
    QVERIFY(model.sharedListSets().isEmpty());
}

// Adding a macro or a folder writes name.bin once, and so does a command
// that changes the lists of many folders (a batch import of 30 folders, its
// rename and its delete), however large the library.
void TestMacroTreeModel::listWritesWhateverTheLibrarySize_data()
{
    QTest::addColumn<int>("folders");
    QTest::newRow("100 macros") << 10;
    QTest::newRow("10,000 macros") << 1000;
}

void TestMacroTreeModel::listWritesWhateverTheLibrarySize()
{
    QFETCH(int, folders);
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    stageLargeLibrary(modules, folders);
    const QString source = dir.path() + QStringLiteral("/in/Big");
    for (int f = 0; f < 30; ++f)
        QVERIFY(QDir().mkpath(source + QStringLiteral("/Sub%1/Deeper").arg(f)));
    kvm::configure(kvm::defaultConfig());
    ScriptedDialogs dialogs;
    Operations ops(modules, &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    MacroTreeModel model(ops);
    // The scene renames the folder on disk when the tree reports it.
    connect(&model, &MacroTreeModel::macroRenamed,
            [&](int level, int type, const QString &from, const QString &to) {
                ops.macros()->modifyMacroNameUpdateProfile(level, type, from, to);
            });
    model.load();
    ReplacementCounter writes(modules + QStringLiteral("/setting"));
    QVERIFY(writes.valid());

    QCOMPARE(model.createItem(QStringLiteral("Added"), 0, 0), int(MacroTreeModel::Done));
    QCOMPARE(writes.take("name.bin"), 1);
    QVERIFY(model.selectChain({"Folder1"}));
    QCOMPARE(model.createItem(QStringLiteral("Inside"), 1, 0), int(MacroTreeModel::Done));
    QCOMPARE(writes.take("name.bin"), 1);

    dialogs.answers.append(source);
    QCOMPARE(model.batchImport(), int(MacroTreeModel::Done));
    QCOMPARE(writes.take("name.bin"), 1);
    QVERIFY(model.listsWritten());
    QVERIFY(model.selectChain({"Big"}));
    QCOMPARE(model.renameSelected(QStringLiteral("Bigger")), int(MacroTreeModel::Done));
    QCOMPARE(writes.take("name.bin"), 1);
    QVERIFY(model.listsWritten());

    // What the batch wrote reads back as one tree.
    MacroTreeModel again(ops);
    again.load();
    QCOMPARE(again.rowCount(), folders + 2);
    const QModelIndex bigger = again.indexOf({"Bigger"});
    QCOMPARE(again.rowCount(bigger), 30);
    QVERIFY(again.indexOf({"Bigger", "Sub29", "Deeper"}).isValid());
    QVERIFY(again.indexOf({"Folder1", "Inside"}).isValid());

    QVERIFY(model.selectChain({"Bigger"}));
    QVERIFY(model.deleteSelected());
    QCOMPARE(writes.take("name.bin"), 1);
    QVERIFY(model.listsWritten());
    QSettings names(modules + QStringLiteral("/setting/name.bin"), QSettings::IniFormat);
    QVERIFY(!names.contains(QStringLiteral("BiggerSub7/macroName")));
    QVERIFY(!names.contains(QStringLiteral("Bigger/macroName")));
    QCOMPARE(names.value(QStringLiteral("Folder1/macroName")).toStringList(),
             QStringList() << QStringLiteral("Macro 1-0") << QStringLiteral("Macro 1-1")
                           << QStringLiteral("Macro 1-2") << QStringLiteral("Macro 1-3")
                           << QStringLiteral("Macro 1-4") << QStringLiteral("Macro 1-5")
                           << QStringLiteral("Macro 1-6") << QStringLiteral("Macro 1-7")
                           << QStringLiteral("Macro 1-8") << QStringLiteral("Macro 1-9")
                           << QStringLiteral("Inside"));
    QVERIFY(!QFileInfo::exists(modules + QStringLiteral("/macro/Bigger")));
}

QTEST_GUILESS_MAIN(TestMacroTreeModel)
#include "tst_macrotreemodel.moc"
