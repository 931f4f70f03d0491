// The macro editor page on the real program: the tree built from name.bin,
// recording, the step commands, the library commands and what they leave in
// name.bin and the macro files.
#include "scenerig.h"

#include "macro/macrolibrary.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "view/operations.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// The list stored under a name.bin key, without the padding sentinel.
QStringList storedList(const QString &key)
{
    QSettings names(QStringLiteral("modules/setting/name.bin"), QSettings::IniFormat);
    QStringList l = names.value(key).toStringList();
    if (l.size() == 2 && l.at(1) == QLatin1String("loaderquiver"))
        l.removeLast();
    return l;
}

QStringList macroSteps(const QString &relative)
{
    QSettings ini(QStringLiteral("modules/macro/") + relative, QSettings::IniFormat);
    QStringList steps;
    const int total = ini.value(QStringLiteral("config/total")).toInt();
    for (int i = 0; i < total; ++i)
        steps << ini.value(QStringLiteral("macro/%1").arg(i)).toString();
    return steps;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An item of the scene by objectName, also a repeater's delegate (whose
// only parent is the item it sits in).
QQuickItem *itemNamed(QQuickItem *from, const QString &name)
{
    if (!from || from->objectName() == name)
        return from;
    for (QQuickItem *child : from->childItems()) {
        if (QQuickItem *found = itemNamed(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

class TstMacroEditor : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void treeFromNameLists();
    void recordKeyWithPause_data();
    void recordKeyWithPause();
    void recordingStopsAt126Bytes();
    void tooLongMacroIsNamedCut();
    void clicksOnOwnWindowAreNotRecorded();
    void captureTellsWindowAndTime();
    void stepCommands_data();
    void stepCommands();
    void delayEditedInPlace_data();
    void delayEditedInPlace();
    void timesFieldShowsTheSelectedMacro();
    void playModeGoesIntoTheBinding_data();
    void playModeGoesIntoTheBinding();
    void insertKeyThroughItsDialog();
    void deleteAsksFirst();
    void newFolderBelowLevel4IsRefused();
    void newMacroBesideSelectedMacroGoesToRoot();
    void duplicateNameIsRefused();
    void renameKeepsBindingAndLists();
    void deleteKeepsOtherFoldersLists();
    void batchImportPlacesEntriesUnderTheirParents();
    void batchExportWritesEveryFolder();
    void captureNote();

private:
    bool start(const SceneRig::FileValues &values = {});
    // A function of the page, or else of the editor's model.
    QVariant call(const char *function, const QVariantList &args = {})
    {
        QObject *target = m_page;
        const QMetaObject *meta = m_page->metaObject();
        bool found = false;
        for (int i = 0; i < meta->methodCount() && !found; ++i)
            found = meta->method(i).name() == function;
        if (!found)
            target = editor();
        return SceneRig::call(target, function, args);
    }
    QObject *editor() const { return m_rig.view()->models()->macroEditor(); }
    // Opens or closes the folder at a visible row of the tree.
    void toggleFolder(int row) { SceneRig::call(m_rig.item("macroTreePanel"), "toggle", {row}); }
    // Makes folder or macro `path` ("A/B" is B in folder A) through the page,
    // as a user does: select its folder, then New.
    bool makeAt(const char *command, const QString &path)
    {
        call("clearSelection");
        const int cut = path.lastIndexOf(QLatin1Char('/'));
        if (cut > 0 && !call("selectByNames", {path.left(cut)}).toBool())
            return false;
        return call(command, {path.mid(cut + 1)}).toBool();
    }
    bool makeTree(const QStringList &folders, const QStringList &macros)
    {
        for (const QString &path : folders) {
            if (!makeAt("newFolder", path))
                return false;
        }
        for (const QString &path : macros) {
            if (!makeAt("newMacro", path))
                return false;
        }
        return true;
    }
    QString warningShown() const;
    MacroLibrary *library() const { return m_rig.view()->operations()->macros(); }

    ScriptedDialogs m_dialogs; // outlives the rig
    SceneRig m_rig;
    QObject *m_page = nullptr;
};

bool TstMacroEditor::start(const SceneRig::FileValues &values)
{
    if (!m_rig.start(values))
        return false;
    m_dialogs = ScriptedDialogs();
    m_rig.view()->setDialogs(&m_dialogs);
    SceneRig::call(m_rig.root(), "showTab", {2});
    m_page = m_rig.page(QStringLiteral("macroEditor"));
    return m_page != nullptr;
}

void TstMacroEditor::cleanup()
{
    qApp->setProperty("kestaInputCapture", QVariant());
    m_rig.stop();
    m_page = nullptr;
}

QString TstMacroEditor::warningShown() const
{
    QObject *warning = m_rig.page(QStringLiteral("warning"));
    if (!warning || !warning->property("visible").toBool())
        return QString();
    return warning->property("message").toString();
}

void TstMacroEditor::treeFromNameLists()
{
    SceneRig::FileValues values;
    QVariantMap &names = values["setting/name.bin"];
    names["macro/macroName"] = QStringList{"F", "m"};
    names["macro/macroType"] = QStringList{"1", "0"};
    names["F/macroName"] = QStringList{"G", "g"};
    names["F/macroType"] = QStringList{"1", "0"};
    names["FG/macroName"] = QStringList{"deep", "loaderquiver"};
    names["FG/macroType"] = QStringList{"0", "loaderquiver"};
    QVERIFY(start(values));
    QVERIFY(writeFile("modules/macro/F/G/deep.bin",
                      "[config]\ntotal=2\nrepeat=3\n[macro]\n0=\"1,A\"\n1=\"2,A\"\n"));

    const QVariantList macros = call("macroList").toList();
    QCOMPARE(macros.size(), 3);
    QCOMPARE(macros.at(0).toMap().value("name").toString(), QStringLiteral("deep"));
    QCOMPARE(macros.at(0).toMap().value("folder").toString(), QStringLiteral("F/G"));
    QCOMPARE(macros.at(0).toMap().value("level").toInt(), 2);
    QCOMPARE(macros.at(1).toMap().value("folder").toString(), QStringLiteral("F"));
    QCOMPARE(macros.at(2).toMap().value("name").toString(), QStringLiteral("m"));

    // Folders start closed; a double click (toggle) opens one.
    QObject *tree = m_rig.item(QStringLiteral("macroTree"));
    QVERIFY(tree);
    QTRY_COMPARE(tree->property("rows").toInt(), 2);
    toggleFolder(0);
    QTRY_COMPARE(tree->property("rows").toInt(), 4);
    // One click on a folder's arrow closes it again.
    QQuickItem *first = nullptr;
    QVERIFY(QMetaObject::invokeMethod(tree, "itemAtCell", Q_RETURN_ARG(QQuickItem *, first),
                                      Q_ARG(QPoint, QPoint(0, 0))));
    QVERIFY(first);
    const QPointF arrow =
        first->mapToScene(QPointF(first->property("indent").toReal() + 7, first->height() / 2));
    QTRY_VERIFY(!m_rig.root()->property("busy").toBool()); // no input while busy
    QTest::mouseClick(m_rig.view(), Qt::LeftButton, {}, arrow.toPoint());
    QTRY_COMPARE(tree->property("rows").toInt(), 2);
    toggleFolder(0);
    QTRY_COMPARE(tree->property("rows").toInt(), 4);

    // Selecting an item sets the selection fields, the library's selection
    // path and loads the steps; a folder enables no recording.
    QVERIFY(call("selectByNames", {"F/G/deep"}).toBool());
    QCOMPARE(m_page->property("currentLevel").toInt(), 2);
    QCOMPARE(m_page->property("currentType").toInt(), 0);
    QCOMPARE(m_page->property("selectIndex0").toInt(), 0);
    QCOMPARE(m_page->property("selectIndex1").toInt(), 0);
    QCOMPARE(m_page->property("selectIndex2").toInt(), -1);
    QCOMPARE(m_page->property("selectName2").toString(), QStringLiteral("deep"));
    QCOMPARE(library()->selectionPath().names[0], QStringLiteral("F"));
    QCOMPARE(library()->selectionPath().names[1], QStringLiteral("G"));
    QCOMPARE(library()->selectionPath().names[2], QStringLiteral("deep"));
    QCOMPARE(m_page->property("steps").toList().size(), 2);
    QCOMPARE(m_page->property("repeat").toInt(), 3);
    QVERIFY(m_rig.item("recordButton")->property("enabled").toBool());
    QVERIFY(call("selectByNames", {"F/G"}).toBool());
    QVERIFY(!m_rig.item("recordButton")->property("enabled").toBool());
    QCOMPARE(m_page->property("steps").toList().size(), 0);
}

void TstMacroEditor::recordKeyWithPause_data()
{
    QTest::addColumn<bool>("delay");
    QTest::newRow("with Delay: press, pause, release") << true;
    QTest::newRow("without Delay: the two key steps") << false;
}

void TstMacroEditor::recordKeyWithPause()
{
    QFETCH(bool, delay);
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Rec"}).toBool());
    QVERIFY(call("selectByNames", {"Rec"}).toBool());
    editor()->setProperty("delayEnabled", delay);
    QSignalSpy changed(m_page, SIGNAL(modifyMacroData(QString)));

    call("toggleRecording");
    QVERIFY(m_page->property("recording").toBool());
    // A pause before the first key is never stored.
    QTRY_VERIFY(m_page->property("ticks").toInt() >= 3);
    SceneRig::call(m_rig.root(), "detectKeyboard", {true, 0x04});
    QTRY_VERIFY(m_page->property("ticks").toInt() >= 5);
    SceneRig::call(m_rig.root(), "detectKeyboard", {false, 0x04});
    call("toggleRecording");
    QVERIFY(!m_page->property("recording").toBool());

    const QStringList steps = macroSteps("Rec.bin");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Rec"));
    if (!delay) {
        QCOMPARE(steps, (QStringList{"1,A", "2,A"}));
        return;
    }
    QCOMPARE(steps.size(), 3);
    QCOMPARE(steps.at(0), QStringLiteral("1,A"));
    QCOMPARE(steps.at(2), QStringLiteral("2,A"));
    QVERIFY(steps.at(1).startsWith(QLatin1String("0,")));
    const int ms = steps.at(1).mid(2).toInt();
    QVERIFY2(ms >= 50 && ms % 10 == 0, qPrintable(steps.at(1)));
}

void TstMacroEditor::recordingStopsAt126Bytes()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Long"}).toBool());
    QVERIFY(call("selectByNames", {"Long"}).toBool());
    call("toggleRecording");
    for (int i = 0; i < 31; ++i) {
        SceneRig::call(m_rig.root(), "detectKeyboard", {true, 0x05});
        SceneRig::call(m_rig.root(), "detectKeyboard", {false, 0x05});
    }
    SceneRig::call(m_rig.root(), "detectMouse", {true, 0xF0, -5000, -5000});
    // The release of the 31st B found the macro full (126 bytes): the
    // recording stopped and was saved without that press of B, which the
    // mouse would otherwise keep held.
    QVERIFY(!m_page->property("recording").toBool());
    QCOMPARE(m_page->property("encodedLength").toInt(), 124);
    const QStringList steps = macroSteps("Long.bin");
    QCOMPARE(steps.size(), 60);
    QCOMPARE(steps.last(), QStringLiteral("2,B"));
    QCOMPARE(library()->macroEncodedLength(steps), 124);
    QObject *note = m_rig.item("lengthNote");
    QVERIFY(note);
    QVERIFY(note->property("visible").toBool());
    QCOMPARE(note->property("text").toString(),
             QStringLiteral("The macro is full: recording stopped after the last released key."));

    // A pair of buttons still fits the block's 128 bytes; then nothing more.
    call("insertButton", {"MS-L"});
    call("insertDelay");
    call("insertButton", {"MS-R"});
    QCOMPARE(macroSteps("Long.bin").size(), 62);
}

void TstMacroEditor::tooLongMacroIsNamedCut()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Short"}).toBool());
    QVERIFY(call("newMacro", {"Imported"}).toBool());
    // 100 actions, 204 bytes, as a file from elsewhere may hold.
    QStringList steps;
    for (int i = 0; i < 50; ++i)
        steps << QStringLiteral("1,A") << QStringLiteral("2,A");
    library()->setMacroSelectName({}, {}, {}, {}, {});
    QVERIFY(library()->saveMacroIni(0, QStringLiteral("Imported"), steps, 1));
    QVERIFY(call("selectByNames", {"Short"}).toBool());
    QObject *note = m_rig.item("lengthNote");
    QVERIFY(note);
    QVERIFY(!note->property("visible").toBool());
    QVERIFY(call("selectByNames", {"Imported"}).toBool());
    QCOMPARE(m_page->property("encodedLength").toInt(), 204);
    QVERIFY(note->property("visible").toBool());
    QCOMPARE(note->property("text").toString(),
             QStringLiteral("Too long for the mouse: sent cut after step 62."));
    // Deleting steps is always allowed; once it fits, the note goes.
    for (int i = 0; i < 38; ++i) {
        editor()->setProperty("currentStep", 0);
        call("deleteStep");
        if (i == 35)
            QCOMPARE(m_page->property("encodedLength").toInt(), 132);
    }
    QCOMPARE(m_page->property("encodedLength").toInt(), 128);
    QVERIFY(!note->property("visible").toBool());
}

void TstMacroEditor::clicksOnOwnWindowAreNotRecorded()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Clicks"}).toBool());
    QVERIFY(call("selectByNames", {"Clicks"}).toBool());
    call("toggleRecording");
    const QPoint inside = m_rig.view()->mapToGlobal(QPoint(20, 20));
    const QPoint outside =
        m_rig.view()->mapToGlobal(QPoint(m_rig.view()->width() + 50, m_rig.view()->height() + 50));
    SceneRig::call(m_rig.root(), "detectMouse", {false, 0xF0, inside.x(), inside.y()});
    SceneRig::call(m_rig.root(), "detectMouse", {true, 0xF1, outside.x(), outside.y()});
    SceneRig::call(m_rig.root(), "detectMouse", {false, 0xF1, outside.x(), outside.y()});
    SceneRig::call(m_rig.root(), "detectMouse", {true, 0xF0, inside.x(), inside.y()});
    call("toggleRecording");
    QCOMPARE(macroSteps("Clicks.bin"), (QStringList{"3,MS-R", "4,MS-R"}));
}

// What the host knows of a captured event reaches the recording: a click is
// judged by the window it went to, wherever it lies on the screen, and the
// pauses come from the events' own time stamps.
void TstMacroEditor::captureTellsWindowAndTime()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Stamped"}).toBool());
    QVERIFY(call("selectByNames", {"Stamped"}).toBool());
    editor()->setProperty("delayEnabled", true);
    call("toggleRecording");
    const QPoint inside = m_rig.view()->mapToGlobal(QPoint(20, 20));
    const QPoint outside =
        m_rig.view()->mapToGlobal(QPoint(m_rig.view()->width() + 50, m_rig.view()->height() + 50));
    // Another program's window over ours, then ours where nothing of ours shows.
    SceneRig::call(m_rig.root(), "detectMouseAt",
                   {true, 0xF0, inside.x(), inside.y(), false, 5000.0});
    SceneRig::call(m_rig.root(), "detectMouseAt",
                   {false, 0xF0, outside.x(), outside.y(), true, 5010.0});
    SceneRig::call(m_rig.root(), "detectMouseAt",
                   {false, 0xF0, inside.x(), inside.y(), false, 5020.0});
    SceneRig::call(m_rig.root(), "detectKeyboardAt", {true, 0x04, 6620.0});
    call("toggleRecording");
    // A still held at Stop gets its release.
    QCOMPARE(macroSteps("Stamped.bin"),
             (QStringList{"3,MS-L", "0,20", "4,MS-L", "0,1600", "1,A", "2,A"}));
}

void TstMacroEditor::stepCommands_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<QStringList>("expected");
    const QStringList three{"1,A", "0,50", "2,A"};
    QTest::newRow("Insert Left Key on the first of three")
        << 0 << "insertButton" << QVariant("MS-L")
        << QStringList{"1,A", "3,MS-L", "4,MS-L", "0,50", "2,A"};
    QTest::newRow("Insert Right Key on the last: appended")
        << 2 << "insertButton" << QVariant("MS-R") << three + QStringList{"3,MS-R", "4,MS-R"};
    QTest::newRow("Insert Middle Key with none current: appended")
        << -1 << "insertButton" << QVariant("MS-M") << three + QStringList{"3,MS-M", "4,MS-M"};
    QTest::newRow("Insert Key before the current step")
        << 1 << "insertKey" << QVariant(0x05) << QStringList{"1,A", "1,B", "2,B", "0,50", "2,A"};
    QTest::newRow("Insert Key on the last: after it")
        << 2 << "insertKey" << QVariant(0x05) << three + QStringList{"1,B", "2,B"};
    QTest::newRow("Insert Key refuses a mouse button")
        << 0 << "insertKey" << QVariant(0xF0) << three;
    QTest::newRow("Insert Delay before the current step")
        << 2 << "insertDelay" << QVariant() << QStringList{"1,A", "0,50", "0,50", "2,A"};
    QTest::newRow("Delete the current step")
        << 1 << "deleteStep" << QVariant() << QStringList{"1,A", "2,A"};
}

void TstMacroEditor::stepCommands()
{
    QFETCH(int, current);
    QFETCH(QString, command);
    QFETCH(QVariant, argument);
    QFETCH(QStringList, expected);
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Steps"}).toBool());
    QVERIFY(library()->saveMacroIni(0, "Steps", {"1,A", "0,50", "2,A"}, 2));
    QVERIFY(call("selectByNames", {"Steps"}).toBool());
    editor()->setProperty("currentStep", current);
    QSignalSpy changed(m_page, SIGNAL(modifyMacroData(QString)));
    const QByteArray name = command.toLatin1();
    if (argument.isValid())
        call(name.constData(), {argument});
    else
        call(name.constData());
    QCOMPARE(macroSteps("Steps.bin"), expected);
    QCOMPARE(SceneRig::iniValue("macro/Steps.bin", "config/repeat"), QStringLiteral("2"));
    QCOMPARE(changed.count(), expected.size() == 3 ? 0 : 1);
    if (command == QLatin1String("insertDelay"))
        QCOMPARE(m_page->property("currentStep").toInt(), current);
}

void TstMacroEditor::delayEditedInPlace_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("a number") << "120"
                              << "0,120";
    QTest::newRow("zero") << "0"
                          << "0,0";
    QTest::newRow("the largest") << "65535"
                                 << "0,65535";
    QTest::newRow("too large restores") << "65536"
                                        << "0,50";
    QTest::newRow("not a number restores") << "12a"
                                           << "0,50";
    QTest::newRow("negative restores") << "-5"
                                       << "0,50";
}

void TstMacroEditor::delayEditedInPlace()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QVERIFY(start());
    QVERIFY(call("newMacro", {"D"}).toBool());
    QVERIFY(library()->saveMacroIni(0, "D", {"1,A", "0,50", "2,A"}, 1));
    QVERIFY(call("selectByNames", {"D"}).toBool());
    call("setDelay", {1, typed});
    QCOMPARE(macroSteps("D.bin").at(1), stored);
    QCOMPARE(m_page->property("steps").toList().at(1).toMap().value("info").toString(),
             stored.mid(2));
}

// After an edit of Times, the next macro shows its own count, and leaving
// the field does not write the edited count into it.
void TstMacroEditor::timesFieldShowsTheSelectedMacro()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"A"}).toBool());
    QVERIFY(call("newMacro", {"B"}).toBool());
    QVERIFY(library()->saveMacroIni(0, "A", {"1,A", "2,A"}, 3));
    QVERIFY(library()->saveMacroIni(0, "B", {"1,B", "2,B"}, 1));
    QObject *field = m_rig.item("repeatField");
    QVERIFY(field);
    QVERIFY(call("selectByNames", {"A"}).toBool());
    QCOMPARE(field->property("text").toString(), QStringLiteral("3"));
    field->setProperty("text", QStringLiteral("4"));
    QVERIFY(QMetaObject::invokeMethod(field, "editingFinished"));
    QCOMPARE(SceneRig::iniValue("macro/A.bin", "config/repeat"), QStringLiteral("4"));

    QVERIFY(call("selectByNames", {"B"}).toBool());
    QCOMPARE(field->property("text").toString(), QStringLiteral("1"));
    QVERIFY(QMetaObject::invokeMethod(field, "editingFinished"));
    QCOMPARE(SceneRig::iniValue("macro/B.bin", "config/repeat"), QStringLiteral("1"));
    QVERIFY(call("selectByNames", {"A"}).toBool());
    QCOMPARE(field->property("text").toString(), QStringLiteral("4"));
}

void TstMacroEditor::playModeGoesIntoTheBinding_data()
{
    QTest::addColumn<int>("mode"); // -1: the editor's option left as it starts
    QTest::addColumn<int>("played");
    QTest::newRow("option left alone: once per press") << -1 << 0;
    QTest::newRow("loop until any button") << 1 << 1;
    QTest::newRow("loop until released") << 2 << 2;
}

// The play mode chosen on the editor is what binding a macro to a button
// stores and sends.
void TstMacroEditor::playModeGoesIntoTheBinding()
{
    QFETCH(int, mode);
    QFETCH(int, played);
    QVERIFY(start());
    QVERIFY(call("newMacro", {"M"}).toBool());
    if (mode >= 0)
        QVERIFY(QMetaObject::invokeMethod(
            itemNamed(qobject_cast<QQuickItem *>(m_page), QStringLiteral("playMode%1").arg(mode)),
            "clicked"));
    QObject *assign = m_rig.page("macroAssign");
    SceneRig::call(assign, "openFor", {3});
    QVERIFY(assign->property("visible").toBool());
    QCOMPARE(assign->property("playMode").toInt(), played);
    SceneRig::call(assign, "selectMacro", {"M"});
    SceneRig::call(assign, "accept");
    QVERIFY(!assign->property("visible").toBool());
    SceneRig::call(m_rig.session(), "saveAll");

    QCOMPARE(m_rig.profileValue("mouseKeyMatrix/3"), QStringLiteral("4, %1, 3, 0").arg(played));
    std::vector<uint8_t> layer;
    for (const SceneCommand &c : SceneRig::wireCommands())
        if (c.code() == 0x12 && c.param(2) == 1)
            layer = c.data;
    QVERIFY(layer.size() >= 20);
    // Button 3 is the mouse's entry 4; slots count from 1 there.
    QCOMPARE(std::vector<int>(layer.begin() + 16, layer.begin() + 20),
             (std::vector<int>{9, played, 4, 0}));

    // Opened again, a bound button shows how its macro plays.
    m_rig.pageState("keyMatrix")->setProperty("playMode", played == 2 ? 1 : 2);
    SceneRig::call(assign, "openFor", {3});
    QCOMPARE(assign->property("playMode").toInt(), played);
    QCOMPARE(m_page->property("playMode").toInt(), played);
    SceneRig::call(assign, "close");
}

void TstMacroEditor::insertKeyThroughItsDialog()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"K"}).toBool());
    QVERIFY(library()->saveMacroIni(0, "K", {"1,A", "2,A"}, 1));
    QVERIFY(call("selectByNames", {"K"}).toBool());
    call("askInsertKey");
    QObject *dialog = m_rig.item("keyCaptureDialog");
    QVERIFY(dialog && dialog->property("visible").toBool());
    // Mouse buttons are not keys; the next key press is shown by name.
    SceneRig::call(m_rig.root(), "detectMouse", {true, 0xF0, -5000, -5000});
    QCOMPARE(dialog->property("keyCode").toInt(), -1);
    SceneRig::call(m_rig.root(), "detectKeyboard", {true, 0x06});
    SceneRig::call(m_rig.root(), "detectKeyboard", {false, 0x06});
    QCOMPARE(dialog->property("keyName").toString(), QStringLiteral("C"));
    QCOMPARE(macroSteps("K.bin"), (QStringList{"1,A", "2,A"}));
    SceneRig::call(dialog, "accept");
    QVERIFY(!dialog->property("visible").toBool());
    QCOMPARE(macroSteps("K.bin"), (QStringList{"1,A", "2,A", "1,C", "2,C"}));
}

void TstMacroEditor::deleteAsksFirst()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Gone"}).toBool());
    QVERIFY(call("selectByNames", {"Gone"}).toBool());
    call("askDelete");
    QObject *confirm = m_rig.page("confirm");
    QVERIFY(confirm->property("visible").toBool());
    QCOMPARE(confirm->property("message").toString(), QStringLiteral("Delete the macro “Gone”?"));
    QVERIFY(QFileInfo::exists("modules/macro/Gone.bin"));
    QObject *ok = confirm->findChild<QObject *>(QStringLiteral("okButton"));
    QVERIFY(ok);
    QMetaObject::invokeMethod(ok, "clicked");
    QVERIFY(!QFileInfo::exists("modules/macro/Gone.bin"));
    QVERIFY(storedList("macro/macroName").isEmpty());
    QCOMPARE(m_page->property("currentLevel").toInt(), -1);
}

void TstMacroEditor::newFolderBelowLevel4IsRefused()
{
    QVERIFY(start());
    QString chain;
    for (int level = 0; level <= 4; ++level) {
        const QString name = QStringLiteral("L%1").arg(level);
        QVERIFY(call("newFolder", {name}).toBool());
        chain += (chain.isEmpty() ? QString() : QStringLiteral("/")) + name;
        QVERIFY(call("selectByNames", {chain}).toBool());
    }
    QVERIFY(QFileInfo("modules/macro/L0/L1/L2/L3/L4").isDir());
    QCOMPARE(m_page->property("currentLevel").toInt(), 4);
    const QString before = SceneRig::fileText("setting/name.bin");
    QVERIFY(!call("newFolder", {"X"}).toBool());
    QCOMPARE(warningShown(), QStringLiteral("Can't add a new folder!"));
    QCOMPARE(SceneRig::fileText("setting/name.bin"), before);
    QVERIFY(!QFileInfo::exists("modules/macro/L0/L1/L2/L3/L4/X"));
    // A macro still fits at level 5.
    QVERIFY(call("newMacro", {"m5"}).toBool());
    QVERIFY(QFileInfo::exists("modules/macro/L0/L1/L2/L3/L4/m5.bin"));
    QCOMPARE(storedList("L0L1L2L3L4/macroName"), QStringList{"m5"});
    QCOMPARE(storedList("L0L1L2L3L4/level"), QStringList{"5"});
    QCOMPARE(storedList("L0L1L2L3L4/txtMargin"), QStringList{"105"});
}

void TstMacroEditor::newMacroBesideSelectedMacroGoesToRoot()
{
    QVERIFY(start());
    QVERIFY(call("newFolder", {"F"}).toBool());
    QVERIFY(call("selectByNames", {"F"}).toBool());
    QVERIFY(call("newMacro", {"Inner"}).toBool());
    QVERIFY(QFileInfo::exists("modules/macro/F/Inner.bin"));
    QCOMPARE(storedList("F/macroName"), QStringList{"Inner"});
    QCOMPARE(storedList("F/no0"), QStringList{"0"});
    QVERIFY(call("selectByNames", {"F/Inner"}).toBool());
    QVERIFY(call("newMacro", {"Top"}).toBool());
    QVERIFY(QFileInfo::exists("modules/macro/Top.bin"));
    QVERIFY(!QFileInfo::exists("modules/macro/F/Top.bin"));
    QCOMPARE(storedList("macro/macroName"), (QStringList{"F", "Top"}));
    QCOMPARE(storedList("macro/macroType"), (QStringList{"1", "0"}));
    QCOMPARE(storedList("macro/showImg"), (QStringList{"true", "false"}));
    QCOMPARE(storedList("F/macroName"), QStringList{"Inner"});
}

void TstMacroEditor::duplicateNameIsRefused()
{
    QVERIFY(start());
    QVERIFY(call("newMacro", {"Same"}).toBool());
    QVERIFY(call("newMacro", {"Other"}).toBool());
    QVERIFY(!call("newFolder", {"Same"}).toBool());
    QCOMPARE(warningShown(), QStringLiteral("Already have a macro with the same name!"));
    QVERIFY(!QFileInfo("modules/macro/Same").isDir());
    // A rename onto a sibling's name would leave the file behind: refused too.
    QVERIFY(call("selectByNames", {"Other"}).toBool());
    QVERIFY(!call("renameSelected", {"Same"}).toBool());
    QVERIFY(QFileInfo::exists("modules/macro/Other.bin"));
    QCOMPARE(storedList("macro/macroName"), (QStringList{"Same", "Other"}));
    // Import of a macro whose name is taken: warned, listed once.
    QTemporaryDir source;
    QVERIFY(writeFile(source.filePath("Same.mc"), "[config]\ntotal=0\nrepeat=1\n"));
    m_dialogs.answers = QStringList{source.filePath("Same.mc")};
    call("clearSelection");
    SceneRig::call(m_rig.page("warning"), "close");
    call("importMacro");
    QCOMPARE(warningShown(), QStringLiteral("Already have a macro with the same name!"));
    QCOMPARE(storedList("macro/macroName"), (QStringList{"Same", "Other"}));
    // Buttons bind macros by name: one held in another folder is refused too.
    QVERIFY(call("newFolder", {"F"}).toBool());
    QVERIFY(call("selectByNames", {"F"}).toBool());
    SceneRig::call(m_rig.page("warning"), "close");
    QVERIFY(!call("newMacro", {"Same"}).toBool());
    QCOMPARE(warningShown(), QStringLiteral("A macro in another folder already has this name!"));
    QVERIFY(!QFileInfo::exists("modules/macro/F/Same.bin"));
    QCOMPARE(storedList("F/macroName"), QStringList());
}

void TstMacroEditor::renameKeepsBindingAndLists()
{
    SceneRig::FileValues values;
    values["setting/p1.bin"]["mouseKeyMatrix/3"] = QStringList{"4", "0", "3", "0"};
    values["setting/p1.bin"]["mouseMacroKey/3"] = QStringLiteral("Old");
    values["setting/apConfig.bin"]["mouse/profileNo"] = 0;
    QVERIFY(start(values));
    QVERIFY(call("newFolder", {"A"}).toBool());
    QVERIFY(call("selectByNames", {"A"}).toBool());
    QVERIFY(call("newFolder", {"B"}).toBool());
    QVERIFY(call("selectByNames", {"A/B"}).toBool());
    QVERIFY(call("newMacro", {"x"}).toBool());
    call("clearSelection");
    QVERIFY(call("newMacro", {"Old"}).toBool());

    // A folder at level 0: the files follow, and every list set below it.
    QVERIFY(call("selectByNames", {"A"}).toBool());
    QSignalSpy renamed(m_page, SIGNAL(modifyMacroName(int, int, QString, QString)));
    QVERIFY(call("renameSelected", {"Z"}).toBool());
    QCOMPARE(renamed.count(), 1);
    QVERIFY(QFileInfo::exists("modules/macro/Z/B/x.bin"));
    QCOMPARE(storedList("macro/macroName"), (QStringList{"Z", "Old"}));
    QCOMPARE(storedList("Z/macroName"), QStringList{"B"});
    QCOMPARE(storedList("ZB/macroName"), QStringList{"x"});
    QVERIFY(storedList("A/macroName").isEmpty());
    QVERIFY(storedList("AB/macroName").isEmpty());
    QCOMPARE(m_page->property("currentName").toString(), QStringLiteral("Z"));
    QCOMPARE(library()->selectionPath().names[0], QStringLiteral("Z"));

    // A bound macro keeps its button under the new name.
    QVERIFY(call("selectByNames", {"Old"}).toBool());
    QVERIFY(call("renameSelected", {"New"}).toBool());
    QVERIFY(QFileInfo::exists("modules/macro/New.bin"));
    QVERIFY(!QFileInfo::exists("modules/macro/Old.bin"));
    QCOMPARE(storedList("macro/macroName"), (QStringList{"Z", "New"}));
    const QVariantList bound = SceneRig::call(m_rig.pageState("keyMatrix"), "macroSlots").toList();
    if (bound.isEmpty())
        QSKIP("the key matrix page does not list macro bindings yet");
    QCOMPARE(m_rig.profileValue("mouseMacroKey/3"), QStringLiteral("New"));
}

void TstMacroEditor::deleteKeepsOtherFoldersLists()
{
    QVERIFY(start());
    // A/{B/{D/{p}}, C/{E/{q}}, N/{w}} and a root folder N/{z}.
    QVERIFY(makeTree({"A", "A/B", "A/B/D", "A/C", "A/C/E", "A/N", "N"},
                     {"A/B/D/p", "A/C/E/q", "A/N/w", "N/z"}));
    QCOMPARE(storedList("ACE/macroName"), QStringList{"q"});
    QCOMPARE(storedList("N/macroName"), QStringList{"z"});

    QSignalSpy deleted(m_page, SIGNAL(deleteMacro(QString)));
    QVERIFY(call("selectByNames", {"A/B/D"}).toBool());
    QVERIFY(call("deleteSelected").toBool());
    // The folder's macro is released, not a macro named like the folder.
    QCOMPARE(deleted.count(), 1);
    QCOMPARE(deleted.at(0).at(0).toString(), QStringLiteral("p"));
    QVERIFY(!QFileInfo::exists("modules/macro/A/B/D"));
    QVERIFY(storedList("ABD/macroName").isEmpty());
    QVERIFY(storedList("AB/macroName").isEmpty());
    // Another folder at the same depth keeps its list.
    QCOMPARE(storedList("ACE/macroName"), QStringList{"q"});

    // A folder at level 1 named like a root folder: the root folder keeps its list.
    QVERIFY(call("selectByNames", {"A/N"}).toBool());
    QVERIFY(call("deleteSelected").toBool());
    QVERIFY(storedList("AN/macroName").isEmpty());
    QCOMPARE(storedList("N/macroName"), QStringList{"z"});
    QCOMPARE(storedList("A/macroName"), (QStringList{"B", "C"}));

    // Built again from name.bin, the tree still has every entry.
    call("init");
    QStringList names;
    for (const QVariant &m : call("macroList").toList())
        names << m.toMap().value("folder").toString() + "/" + m.toMap().value("name").toString();
    QCOMPARE(names, (QStringList{"A/C/E/q", "N/z"}));
    QCOMPARE(m_page->property("currentLevel").toInt(), -1);
}

void TstMacroEditor::batchImportPlacesEntriesUnderTheirParents()
{
    QVERIFY(start());
    QTemporaryDir source;
    const QString t = source.filePath("T");
    QVERIFY(writeFile(t + "/c.mc", "[config]\ntotal=1\nrepeat=1\n[macro]\n0=\"1,C\"\n"));
    QVERIFY(writeFile(t + "/S1/a.mc", "[config]\ntotal=0\nrepeat=1\n"));
    QVERIFY(writeFile(t + "/S2/b.mc", "[config]\ntotal=0\nrepeat=1\n"));
    QVERIFY(writeFile(t + "/S2/U/d.mc", "[config]\ntotal=0\nrepeat=1\n"));
    QVERIFY(call("newMacro", {"m"}).toBool());
    QVERIFY(call("selectByNames", {"m"}).toBool());
    m_dialogs.answers = QStringList{t};
    QVERIFY(call("batchImport").toBool());

    QCOMPARE(storedList("macro/macroName"), (QStringList{"m", "T"}));
    QCOMPARE(storedList("T/macroName"), (QStringList{"c", "S1", "S2"}));
    QCOMPARE(storedList("T/macroType"), (QStringList{"0", "1", "1"}));
    QCOMPARE(storedList("TS1/macroName"), QStringList{"a"});
    QCOMPARE(storedList("TS2/macroName"), (QStringList{"b", "U"}));
    QCOMPARE(storedList("TS2U/macroName"), QStringList{"d"});
    QCOMPARE(storedList("TS2U/level"), QStringList{"3"});
    QCOMPARE(storedList("TS2U/no2"), QStringList{"1"});

    call("init");
    QStringList names;
    for (const QVariant &m : call("macroList").toList())
        names << m.toMap().value("folder").toString() + "/" + m.toMap().value("name").toString();
    QCOMPARE(names, (QStringList{"/m", "T/c", "T/S1/a", "T/S2/b", "T/S2/U/d"}));
    QVERIFY(call("selectByNames", {"T/c"}).toBool());
    QCOMPARE(m_page->property("steps").toList().size(), 1);
}

void TstMacroEditor::batchExportWritesEveryFolder()
{
    QVERIFY(start());
    QVERIFY(makeTree({"A", "B", "B/C"}, {"A/m1", "B/m2", "B/C/m3", "m0"}));
    QVERIFY(call("selectByNames", {"B/m2"}).toBool());
    QTemporaryDir out;
    m_dialogs.answers = QStringList{out.path()};
    call("batchExport");
    for (const char *file : {"Macro/m0.mc", "Macro/A/m1.mc", "Macro/B/m2.mc", "Macro/B/C/m3.mc"})
        QVERIFY2(QFileInfo::exists(out.filePath(file)), file);
    // The selection path is the selected macro's again.
    QCOMPARE(library()->selectionPath().names[0], QStringLiteral("B"));
    QCOMPARE(library()->selectionPath().names[1], QStringLiteral("m2"));
}

void TstMacroEditor::captureNote()
{
    QVERIFY(start());
    call("init");
    QObject *note = m_rig.item("captureNote");
    QVERIFY(note);
    QVERIFY(note->property("visible").toBool());
    qApp->setProperty("kestaInputCapture", QStringLiteral("global"));
    call("init");
    QVERIFY(!note->property("visible").toBool());
}

QTEST_MAIN(TstMacroEditor)
#include "tst_macroeditor.moc"
