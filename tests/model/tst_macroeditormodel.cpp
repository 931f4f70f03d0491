// The macro editor's flow without a window: names a new item may take,
// the warnings the user is shown, recording from captured events and the
// key dialog's capture, each row a script of commands on an empty library
// checked in the steps the selected macro ends with.
#include "model/macroeditormodel.h"

#include "../filesizelimit.h"
#include "modelrig.h"
#include "../stagemodules.h"
#include "device/hid_thread.h"
#include "macro/macrolibrary.h"
#include "model/macrostepsmodel.h"
#include "model/macrotreemodel.h"
#include "settings/userdialogs.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/operations.h"

#include <QDir>
#include <QDirIterator>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// An editor over a staged, empty library on the virtual mouse.
struct EditorRig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Operations> ops;
    Hid_Thread hid;
    std::unique_ptr<MacroTreeModel> tree;
    std::unique_ptr<MacroStepsModel> steps;
    std::unique_ptr<MacroEditorModel> editor;

    bool open()
    {
        if (!stageModules(dir.path()))
            return false;
        kvm::configure(kvm::defaultConfig());
        ops = std::make_unique<Operations>(dir.path() + QStringLiteral("/modules"), &dialogs);
        ops->attachDevice(&hid);
        if (!ops->macros())
            return false;
        ops->macros()->setMacroSelectName({}, {}, {}, {}, {});
        tree = std::make_unique<MacroTreeModel>(*ops);
        steps = std::make_unique<MacroStepsModel>(*ops);
        editor = std::make_unique<MacroEditorModel>(*ops, *tree, *steps);
        editor->init();
        return true;
    }
    QStringList stored() const
    {
        QStringList s = ops->macros()->loadMacroIni(tree->currentLevel(), tree->currentName());
        if (!s.isEmpty())
            s.removeLast(); // the repeat count
        return s;
    }
};

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
    void pausesFromTimeStamps_data();
    void pausesFromTimeStamps();
    void emptyRecordingKeepsTheMacro();
    void refusedFileAddsNothing_data();
    void refusedFileAddsNothing();
    void folderRenameOnAFullDiskChangesNothing();
    void unwrittenRecordingIsKept_data();
    void unwrittenRecordingIsKept();
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

void TestMacroEditorModel::script_data()
{
    // "verb arguments=result": macro NAME, folder NAME, select CHAIN,
    // askfolder, record, stop, kd/ku CODE (key down/up), md/mu CODE in|out
    // (button down/up over our window or not), askkey, acceptkey, cancelkey,
    // step N, delay, button NAME, key CODE, delstep, full (the recording
    // stopped because the macro was full). `warned` lists the
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
        << QStringList{"1,D", "2,D"} << QList<int>{};
    // 30 presses and releases of A and a press of B take 126 bytes: the
    // release of B ends the recording, without the press of B.
    QStringList full{"macro M=1", "select M=1", "record"};
    QStringList typed;
    for (int i = 0; i < 30; ++i) {
        full << "kd 4"
             << "ku 4";
        typed << "1,A"
              << "2,A";
    }
    QTest::newRow("recording stops when the macro is full, after the last release")
        << full + QStringList{"kd 5", "full=0", "ku 5", "full=1", "kd 6", "ku 6"} << typed
        << QList<int>{};
    QTest::newRow("keys and buttons still held at stop are released, last pressed first")
        << QStringList{"macro M=1", "select M=1", "record", "kd 5",       "ku 5",
                       "kd 225",    "kd 4",       "kd 4",   "md 240 out", "stop"}
        << QStringList{"1,B",    "2,B",    "1,LShift", "1,A",     "1,A",
                       "3,MS-L", "4,MS-L", "2,A",      "2,LShift"}
        << QList<int>{};
    QStringList nearlyFull{"macro M=1", "select M=1", "record"};
    QStringList kept;
    for (int i = 0; i < 29; ++i) {
        nearlyFull << "kd 4"
                   << "ku 4";
        kept << "1,A"
             << "2,A";
    }
    QTest::newRow("releases that would not fit the block: cut back to the last release")
        << nearlyFull + QStringList{"kd 225", "kd 5", "kd 6", "full=0", "stop"} << kept
        << QList<int>{};
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

    EditorRig rig;
    QVERIFY(rig.open());
    Operations &ops = *rig.ops;
    MacroTreeModel &tree = *rig.tree;
    MacroStepsModel &stepsModel = *rig.steps;
    MacroEditorModel &editor = *rig.editor;
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
        else if (verb == QLatin1String("full"))
            result = editor.recordingFull();
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

void TestMacroEditorModel::pausesFromTimeStamps_data()
{
    // Events as "kd|ku|md|mu CODE@STAMP" (ms on the capture's clock, -1 none).
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("a 1.6 s pause and 20 ms gaps")
        << QStringList{"kd 4@1000", "ku 4@1020", "kd 5@2620", "ku 5@2640"}
        << QStringList{"1,A", "0,20", "2,A", "0,1600", "1,B", "0,20", "2,B"};
    QTest::newRow("whole 10 ms: 19 ms counts 10, 9 ms counts 0")
        << QStringList{"kd 4@500", "ku 4@519", "md 240@528", "mu 240@538"}
        << QStringList{"1,A", "0,10", "2,A", "0,0", "3,MS-L", "0,10", "4,MS-L"};
    QTest::newRow("the server clock wraps at 2^32 ms")
        << QStringList{"kd 4@4294967290", "ku 4@24"} << QStringList{"1,A", "0,30", "2,A"};
    QTest::newRow("a pause longer than one delay step holds")
        << QStringList{"kd 4@0", "ku 4@70000"} << QStringList{"1,A", "0,65535", "0,4465", "2,A"};
    QTest::newRow("an event without a stamp is timed by its arrival")
        << QStringList{"kd 4@1000", "ku 4@-1", "kd 5@9000"}
        << QStringList{"1,A", "0,0", "2,A", "0,0", "1,B", "2,B"};
}

// The events arrive together after a busy spell, as they do when the event
// loop was held up: only their own time stamps tell the pauses.
void TestMacroEditorModel::pausesFromTimeStamps()
{
    QFETCH(QStringList, events);
    QFETCH(QStringList, steps);
    EditorRig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.editor->newMacro(QStringLiteral("P")));
    QVERIFY(rig.editor->selectByNames(QStringLiteral("P")));
    rig.editor->setDelayEnabled(true);
    rig.editor->startRecording();
    QTest::qSleep(40); // busy: no timer runs
    for (const QString &event : events) {
        const QStringList w = event.split(QRegularExpression(QStringLiteral("[ @]")));
        const double stamp = w[2].toDouble();
        if (w[0].startsWith(QLatin1Char('k')))
            rig.editor->keyEvent(w[0] == QLatin1String("kd"), w[1].toInt(), stamp);
        else
            rig.editor->mouseEvent(w[0] == QLatin1String("md"), w[1].toInt(), false, stamp);
    }
    rig.editor->stopRecording();
    QCOMPARE(rig.steps->stepStrings(), steps);
    QCOMPARE(rig.stored(), steps);
}

// Start then Stop with nothing captured (unknown keys and clicks on our own
// window are not captured): the macro keeps its steps, its file is not
// rewritten and nothing is sent for it; a real recording is saved once.
void TestMacroEditorModel::emptyRecordingKeepsTheMacro()
{
    EditorRig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.editor->newMacro(QStringLiteral("Keep")));
    QVERIFY(rig.editor->selectByNames(QStringLiteral("Keep")));
    rig.editor->insertKey(0x04);
    const QStringList before{"1,A", "2,A"};
    QCOMPARE(rig.stored(), before);
    const QString file = rig.dir.path() + QStringLiteral("/modules/macro/Keep.bin");
    QVERIFY(QFileInfo(file).isFile());
    const QDateTime written = QFileInfo(file).lastModified();
    QSignalSpy sent(rig.editor.get(), &MacroEditorModel::macroDataChanged);
    kvm::clearWireLog();

    rig.editor->startRecording();
    QVERIFY(rig.steps->stepStrings().isEmpty());
    rig.editor->keyEvent(true, 999);
    rig.editor->mouseEvent(true, 0xF0, true);
    QTest::qSleep(20);
    rig.editor->stopRecording();
    QVERIFY(!rig.editor->recording());
    QCOMPARE(rig.steps->stepStrings(), before);
    QCOMPARE(rig.stored(), before);
    QCOMPARE(QFileInfo(file).lastModified(), written);
    QCOMPARE(sent.count(), 0);
    QVERIFY(kvm::wireLog().empty());

    rig.editor->startRecording();
    rig.editor->keyEvent(true, 0x05);
    rig.editor->stopRecording();
    QCOMPARE(rig.stored(), (QStringList{"1,B", "2,B"}));
    QCOMPARE(sent.count(), 1);
}

void TestMacroEditorModel::refusedFileAddsNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("macro on a full disk") << "Burst" << 0 << true;
    QTest::newRow("folder on a full disk") << "Guns" << 1 << true;
    QTest::newRow("macro name the file system refuses")
        << QString(300, QLatin1Char('m')) << 0 << false;
}

// The library refuses to write the new item: the tree gains nothing, no file
// is left behind, and the user is told which item and why.
void TestMacroEditorModel::refusedFileAddsNothing()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(bool, fullDisk);
    EditorRig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.editor->newMacro(QStringLiteral("First")));
    const QString library = rig.dir.path() + QStringLiteral("/modules/macro");
    const QStringList filesBefore =
        QDir(library).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    const int rows = rig.tree->rowCount();
    QSignalSpy warnings(rig.editor.get(), &MacroEditorModel::warningRequested);
    bool created = true;
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (fullDisk) {
            limit = std::make_unique<FileSizeLimit>(16);
            QVERIFY(limit->active());
        }
        created = type == 0 ? rig.editor->newMacro(name) : rig.editor->newFolder(name);
    }
    QVERIFY(!created);
    QCOMPARE(rig.tree->rowCount(), rows);
    QVERIFY(!rig.tree->indexOf({name}).isValid());
    QCOMPARE(QDir(library).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), filesBefore);
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(warnings.at(0).at(0).toInt(), int(MacroEditorModel::NotWritten));
    QCOMPARE(warnings.at(0).at(1).toString(), name);
    // The library is as it was: the next item goes in.
    QVERIFY(rig.editor->newMacro(QStringLiteral("Second")));
}

// name.bin cannot take the new name: the folder keeps its old name in the
// tree, in the file and on disk (the directory, moved by the page when the
// tree reported the rename, comes back), and the user is told which folder.
void TestMacroEditorModel::folderRenameOnAFullDiskChangesNothing()
{
    EditorRig rig;
    QVERIFY(rig.open());
    MacroLibrary *library = rig.ops->macros();
    // The page moves the file or folder when the editor reports a rename.
    connect(rig.editor.get(), &MacroEditorModel::macroRenamed,
            [library](int level, int type, const QString &from, const QString &to) {
                library->modifyMacroNameUpdateProfile(level, type, from, to);
            });
    QVERIFY(rig.editor->newFolder(QStringLiteral("Big")));
    QVERIFY(rig.tree->selectChain({"Big"}));
    QVERIFY(rig.editor->newFolder(QStringLiteral("Sub2")));
    QVERIFY(rig.tree->selectChain({"Big", "Sub2"}));
    for (int i = 1; i <= 5; ++i)
        QVERIFY(rig.editor->newMacro(QStringLiteral("c%1").arg(i)));
    QVERIFY(rig.tree->selectChain({"Big"}));

    const QString nameList = library->nameListPath();
    const QString root = library->libraryRoot();
    QFile file(nameList);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QSignalSpy warnings(rig.editor.get(), &MacroEditorModel::warningRequested);
    bool renamed = true;
    {
        FileSizeLimit full(FileSizeLimit::justAbove(nameList));
        QVERIFY(full.active());
        renamed = rig.editor->renameSelected(QStringLiteral("Big_renamed_longer"));
    }
    QVERIFY(!renamed);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();
    QVERIFY(QFileInfo::exists(root + QStringLiteral("/Big/Sub2/c5.bin")));
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/Big_renamed_longer")));
    QCOMPARE(rig.tree->currentName(), QStringLiteral("Big"));
    QVERIFY(rig.tree->indexOf({"Big", "Sub2", "c5"}).isValid());
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(warnings.at(0).at(0).toInt(), int(MacroEditorModel::NotWritten));
    QCOMPARE(warnings.at(0).at(1).toString(), QStringLiteral("Big"));

    // With room again the rename goes through, lists and folder alike.
    QVERIFY(rig.editor->renameSelected(QStringLiteral("Big_renamed_longer")));
    QVERIFY(QFileInfo::exists(root + QStringLiteral("/Big_renamed_longer/Sub2/c5.bin")));
    MacroTreeModel again(*rig.ops);
    again.load();
    QVERIFY(again.indexOf({"Big_renamed_longer", "Sub2", "c5"}).isValid());
}

void TestMacroEditorModel::unwrittenRecordingIsKept_data()
{
    // How the user stores again once there is room: another edit, or
    // choosing another macro.
    QTest::addColumn<bool>("bySelecting");
    QTest::newRow("the next edit writes them") << false;
    QTest::newRow("choosing another macro writes them") << true;
}

// Stop on a full disk: the user is told, the recorded steps stay in the
// editor, nothing is sent for the unchanged file, and a later store writes
// them.
void TestMacroEditorModel::unwrittenRecordingIsKept()
{
    QFETCH(bool, bySelecting);
    EditorRig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.editor->newMacro(QStringLiteral("Other")));
    QVERIFY(rig.editor->newMacro(QStringLiteral("Rec")));
    QVERIFY(rig.editor->selectByNames(QStringLiteral("Rec")));
    rig.editor->insertKey(0x04);
    const QString file = rig.dir.path() + QStringLiteral("/modules/macro/Rec.bin");
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    QSignalSpy warnings(rig.editor.get(), &MacroEditorModel::warningRequested);
    QSignalSpy sent(rig.editor.get(), &MacroEditorModel::macroDataChanged);
    const QStringList recorded{"1,B", "2,B", "1,C", "2,C"};
    {
        FileSizeLimit full(FileSizeLimit::justAbove(file));
        QVERIFY(full.active());
        rig.editor->startRecording();
        for (int code : {0x05, 0x06}) {
            rig.editor->keyEvent(true, code);
            rig.editor->keyEvent(false, code);
        }
        rig.editor->stopRecording();
    }
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(warnings.at(0).at(0).toInt(), int(MacroEditorModel::NotWritten));
    QCOMPARE(warnings.at(0).at(1).toString(), QStringLiteral("Rec"));
    QVERIFY(rig.editor->unsaved());
    QCOMPARE(rig.steps->stepStrings(), recorded);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    f.close();
    QCOMPARE(sent.count(), 0);

    if (bySelecting) {
        QVERIFY(rig.editor->selectByNames(QStringLiteral("Other")));
        QVERIFY(rig.editor->selectByNames(QStringLiteral("Rec")));
        QCOMPARE(rig.steps->stepStrings(), recorded);
    } else {
        rig.editor->setRepeat(QStringLiteral("2"));
    }
    QVERIFY(!rig.editor->unsaved());
    QCOMPARE(rig.stored(), recorded);
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(sent.count(), 1);
}

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

QTEST_GUILESS_MAIN(TestMacroEditorModel)
#include "tst_macroeditormodel.moc"
