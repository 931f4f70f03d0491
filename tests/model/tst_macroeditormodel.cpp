// The macro editor's flow without a window: names a new item may take,
// the warnings the user is shown, recording from captured events and the
// key dialog's capture, each row a script of commands on an empty library
// checked in the steps the selected macro ends with.
#include "model/macroeditormodel.h"

#include "../stagemodules.h"
#include "device/hid_thread.h"
#include "macro/macrolibrary.h"
#include "model/macrostepsmodel.h"
#include "model/macrotreemodel.h"
#include "settings/userdialogs.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/operations.h"

#include <QDirIterator>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            out.insert(path.mid(folder.size()), f.readAll());
    }
    return out;
}

} // namespace

class TestMacroEditorModel : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void warnings();
    void sharedListsReportedOnce();
    void script_data();
    void script();
};

void TestMacroEditorModel::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("plain") << "Burst 2" << true;
    QTest::newRow("dots inside a name") << "..a.b" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << false;
}

void TestMacroEditorModel::names()
{
    QFETCH(QString, name);
    QFETCH(bool, acceptable);
    QCOMPARE(MacroEditorModel::isAcceptableName(name), acceptable);
}

void TestMacroEditorModel::warnings()
{
    const QList<QPair<int, int>> rows{
        {MacroTreeModel::Done, -1},
        {MacroTreeModel::Ignored, -1},
        {MacroTreeModel::NotWritten, -1},
        {MacroTreeModel::NameInFolder, MacroEditorModel::SameName},
        {MacroTreeModel::NameElsewhere, MacroEditorModel::NameElsewhere},
        {MacroTreeModel::FolderTooDeep, MacroEditorModel::FolderRefused},
        {MacroTreeModel::ListsShared, MacroEditorModel::ListsShared},
        {MacroTreeModel::ReservedName, MacroEditorModel::ReservedName},
    };
    for (const auto &[outcome, shown] : rows)
        QCOMPARE(MacroEditorModel::warningFor(outcome), shown);
}

// A library written before such folders were refused: a top folder "macro"
// (whose items are the top's own) and A/BD beside AB/D. Loading names them
// once and leaves every file as it was.
void TestMacroEditorModel::sharedListsReportedOnce()
{
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    {
        QSettings names(modules + QStringLiteral("/setting/name.bin"), QSettings::IniFormat);
        const QStringList pad{QStringLiteral("loaderquiver")};
        names.setValue("macro/macroName", QStringList{"A", "AB", "macro", "M"});
        names.setValue("macro/macroType", QStringList{"1", "1", "1", "0"});
        names.setValue("A/macroName", QStringList{"BD"} + pad);
        names.setValue("A/macroType", QStringList{"1"} + pad);
        names.setValue("AB/macroName", QStringList{"D"} + pad);
        names.setValue("AB/macroType", QStringList{"1"} + pad);
        names.setValue("ABD/macroName", QStringList{"X"} + pad);
        names.setValue("ABD/macroType", QStringList{"0"} + pad);
    }
    const auto before = filesUnder(modules);
    kvm::configure(kvm::defaultConfig());
    ScriptedDialogs dialogs;
    Operations ops(modules, &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    QVERIFY(ops.macros());
    MacroTreeModel tree(ops);
    MacroStepsModel stepsModel(ops);
    MacroEditorModel editor(ops, tree, stepsModel);
    QSignalSpy warnings(&editor, &MacroEditorModel::warningRequested);

    editor.init();
    editor.init();
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(warnings.at(0).at(0).toInt(), int(MacroEditorModel::SharedListsFound));
    QCOMPARE(warnings.at(0).at(1).toString(), QStringLiteral("A/BD = AB/D; macro = /"));
    // Folders below A/BD and AB/D share because their parents do: not named.
    QVERIFY(tree.indexOf({"A", "BD", "X"}).isValid());
    QVERIFY(tree.indexOf({"AB", "D", "X"}).isValid());
    QVERIFY(filesUnder(modules) == before);
}

void TestMacroEditorModel::script_data()
{
    // "verb arguments=result": macro NAME, folder NAME, select CHAIN,
    // askfolder, record, stop, kd/ku CODE (key down/up), md/mu CODE in|out
    // (button down/up over our window or not), askkey, acceptkey, cancelkey,
    // step N, delay, button NAME, key CODE, delstep. `warned` lists the
    // warnings shown, `steps` the selected macro's steps at the end.
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("warned");

    QTest::newRow("keys and outside clicks are recorded; own-window clicks and unknown codes not")
        << QStringList{"macro M=1",  "select M=1", "record", "kd 4", "md 240 in", "md 240 out",
                       "mu 240 out", "mu 240 in",  "kd 999", "ku 4", "stop"}
        << QStringList{"1,A", "3,MS-L", "4,MS-L", "2,A"} << QList<int>{};
    QTest::newRow("nothing is recorded before record or after stop; record clears the steps")
        << QStringList{"macro M=1", "select M=1", "kd 4",   "record", "kd 5", "ku 5", "record",
                       "kd 6",      "stop",       "record", "kd 7",   "stop", "ku 7"}
        << QStringList{"1,D"} << QList<int>{};
    QTest::newRow("a folder cannot record")
        << QStringList{"folder F=1", "select F=1", "record", "kd 4", "stop"} << QStringList{}
        << QList<int>{};
    QTest::newRow("the key dialog takes key presses only, the last one on OK")
        << QStringList{"macro M=1", "select M=1", "askkey", "md 240 out", "kd 999",
                       "ku 5",      "kd 5",       "kd 6",   "acceptkey",  "acceptkey"}
        << QStringList{"1,C", "2,C"} << QList<int>{};
    QTest::newRow("a cancelled key dialog inserts nothing, and records nothing")
        << QStringList{"macro M=1", "select M=1", "askkey", "kd 5",
                       "cancelkey", "acceptkey",  "kd 6"}
        << QStringList{} << QList<int>{};
    QTest::newRow("step commands: delay before the current step, key, button, delete")
        << QStringList{"macro M=1",   "select M=1", "key 4",  "step 0", "delay",
                       "button MS-R", "key 240",    "step 3", "delstep"}
        << QStringList{"0,50", "3,MS-R", "4,MS-R", "2,A"} << QList<int>{};
    QTest::newRow("same name in a folder, unusable names, the sixth level of folders")
        << QStringList{"macro M=1",        "macro M=0",  "folder M=0",         "macro ..=0",
                       "folder a/b=0",     "folder A=1", "select A=1",         "folder B=1",
                       "select A/B=1",     "folder C=1", "select A/B/C=1",     "folder D=1",
                       "select A/B/C/D=1", "folder E=1", "select A/B/C/D/E=1", "askfolder",
                       "folder X=0"}
        << QStringList{} << QList<int>{1, 1, 2, 2};
}

void TestMacroEditorModel::script()
{
    QFETCH(QStringList, commands);
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, warned);

    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    kvm::configure(kvm::defaultConfig());
    ScriptedDialogs dialogs;
    Operations ops(dir.path() + QStringLiteral("/modules"), &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    QVERIFY(ops.macros());
    ops.macros()->setMacroSelectName({}, {}, {}, {}, {});

    MacroTreeModel tree(ops);
    MacroStepsModel stepsModel(ops);
    MacroEditorModel editor(ops, tree, stepsModel);
    editor.init();
    QSignalSpy warnings(&editor, &MacroEditorModel::warningRequested);
    QSignalSpy keyAsked(&editor, &MacroEditorModel::keyRequested);

    for (const QString &command : commands) {
        const int eq = command.lastIndexOf(QLatin1Char('='));
        const QStringList w = command.left(eq < 0 ? command.size() : eq).split(QLatin1Char(' '));
        const QString verb = w[0];
        bool result = true;
        if (verb == QLatin1String("macro"))
            result = editor.newMacro(w[1]);
        else if (verb == QLatin1String("folder"))
            result = editor.newFolder(w[1]);
        else if (verb == QLatin1String("select"))
            result = editor.selectByNames(w[1]);
        else if (verb == QLatin1String("askfolder"))
            editor.askNewFolder();
        else if (verb == QLatin1String("record"))
            editor.startRecording();
        else if (verb == QLatin1String("stop"))
            editor.stopRecording();
        else if (verb == QLatin1String("kd") || verb == QLatin1String("ku"))
            editor.keyEvent(verb == QLatin1String("kd"), w[1].toInt());
        else if (verb == QLatin1String("md") || verb == QLatin1String("mu"))
            editor.mouseEvent(verb == QLatin1String("md"), w[1].toInt(),
                              w[2] == QLatin1String("in"));
        else if (verb == QLatin1String("askkey"))
            editor.askInsertKey();
        else if (verb == QLatin1String("acceptkey"))
            editor.acceptCapturedKey();
        else if (verb == QLatin1String("cancelkey"))
            editor.cancelCapture();
        else if (verb == QLatin1String("step"))
            editor.setCurrentStep(w[1].toInt());
        else if (verb == QLatin1String("delay"))
            editor.insertDelay();
        else if (verb == QLatin1String("button"))
            editor.insertButton(w[1]);
        else if (verb == QLatin1String("key"))
            editor.insertKey(w[1].toInt());
        else if (verb == QLatin1String("delstep"))
            editor.deleteStep();
        else
            QFAIL(qPrintable(command));
        if (eq >= 0)
            QVERIFY2(result == (command.mid(eq + 1) == QLatin1String("1")), qPrintable(command));
    }

    QVERIFY(!editor.recording());
    QList<int> shown;
    for (const QList<QVariant> &args : warnings)
        shown << args.at(0).toInt();
    QCOMPARE(shown, warned);
    QCOMPARE(stepsModel.stepStrings(), steps);
    // What the editor saved after each change is what it shows.
    if (tree.currentType() == 0) {
        QStringList stored = ops.macros()->loadMacroIni(tree.currentLevel(), tree.currentName());
        stored.removeLast(); // the repeat count
        QCOMPARE(stored, steps);
    }
    Q_UNUSED(keyAsked);
}

QTEST_GUILESS_MAIN(TestMacroEditorModel)
#include "tst_macroeditormodel.moc"
