// The session's flows without a window: which calls change the profile,
// store or send anything at all, and what reset all leaves behind; that a
// profile without a left click gets it back wherever it is taken into use;
// and how a language's strings are laid over a page's own; what Save tells
// and keeps when the profile file cannot be written; that each flow writes
// each settings file once, and sends nothing that a file could not keep.
#include "model/macrotreemodel.h"
#include "model/dpimodel.h"
#include "model/feedbacktexts.h"
#include "model/interfacetexts.h"
#include "model/assignmenttable.h"
#include "model/keymatrixmodel.h"
#include "model/languagemodel.h"
#include "model/lightingmodel.h"
#include "model/lodmodel.h"
#include "model/systemsettingsmodel.h"
#include "model/profilelistmodel.h"
#include "model/recoilmodel.h"
#include "model/models.h"
#include "model/reportratemodel.h"
#include "model/sessionmodel.h"
#include "settings/langstrings.h"
#include "settings/settingsstore.h"

#include "../filesizelimit.h"
#include "../replacementcounter.h"
#include "modelrig.h"

#include <QSettings>
#include <QSignalSpy>

#include <optional>

namespace {

// "FILE KEY=t,b1,b2,b3" (KEY "mouseKeyMatrix/*": all sixteen), "FILE KEY=v"
// or "FILE -" (the file is removed). FILE is under setting/, or in.pf, the
// rig's copy of p1.bin to import.
void changeFiles(ModelRig &rig, const QStringList &changes)
{
    const QString pf = rig.dir.path() + QStringLiteral("/in.pf");
    QFile::copy(rig.modules() + QStringLiteral("/setting/p1.bin"), pf);
    for (const QString &change : changes) {
        const QString file = change.section(QLatin1Char(' '), 0, 0);
        const QString edit = change.section(QLatin1Char(' '), 1);
        const QString path = file == QLatin1String("in.pf")
                                 ? pf
                                 : rig.modules() + QStringLiteral("/setting/") + file;
        if (edit == QLatin1String("-")) {
            QFile::remove(path);
            QSettings(path, QSettings::IniFormat).sync(); // every handle forgets it
            continue;
        }
        QSettings settings(path, QSettings::IniFormat);
        QString key = edit.section(QLatin1Char('='), 0, 0);
        const QString value = edit.section(QLatin1Char('='), 1);
        const QVariant stored = value.contains(QLatin1Char(','))
                                    ? QVariant(value.split(QLatin1Char(',')))
                                    : QVariant(value);
        if (key.endsWith(QLatin1String("/*"))) {
            key.chop(1);
            for (int j = 0; j < 16; ++j)
                settings.setValue(key + QString::number(j), stored);
        } else {
            settings.setValue(key, stored);
        }
        settings.sync();
    }
}

struct GuardRun {
    QStringList wire;
    QByteArray file;
    QString notice;
};

// "init", "profile N", "reset", "send keys", "delete N" (from the list),
// "import" (in.pf); then what was sent and `file` (under setting/) holds.
void runSteps(const QStringList &changes, const QStringList &steps, const QString &file,
              GuardRun *out)
{
    ModelRig rig;
    QVERIFY(rig.open());
    changeFiles(rig, changes);
    Models models(*rig.ops);
    SessionModel *session = models.session();
    kvm::clearWireLog();
    for (const QString &step : steps) {
        const int number = step.section(QLatin1Char(' '), 1).toInt();
        if (step == QLatin1String("init")) {
            session->firstInit();
        } else if (step.startsWith(QLatin1String("profile"))) {
            QVERIFY(session->changeProfile(number));
        } else if (step == QLatin1String("reset")) {
            session->resetAll();
        } else if (step == QLatin1String("send keys")) {
            models.keyMatrix()->sendData();
        } else if (step.startsWith(QLatin1String("delete"))) {
            QVERIFY(models.profiles()->deleteProfile(models.profiles()->indexOfNumber(number)));
        } else if (step == QLatin1String("import")) {
            rig.dialogs.answers.append(rig.dir.path() + QStringLiteral("/in.pf"));
            QVERIFY(models.profiles()->importProfile() >= 0);
        }
    }
    QCOMPARE(kvm::state().errors, 0);
    out->wire = sentToMouse();
    QFile stored(rig.modules() + QStringLiteral("/setting/") + file);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    out->file = stored.readAll();
    out->notice = session->notice();
}

// A flow of the window on an initialised session: "profile N", "save"
// (after edits of the DPI, lighting and report-rate pages), "reset", or a
// page's own save after an edit ("save dpi", "save light", "save lod",
// "save system"; "save weapons": the recoil editor's save of all weapons).
// What the flow returned.
bool runFlow(Models &models, const QString &flow)
{
    SessionModel *session = models.session();
    if (flow.startsWith(QLatin1String("profile")))
        return session->changeProfile(flow.section(QLatin1Char(' '), 1).toInt());
    if (flow == QLatin1String("save")) {
        models.dpi()->setStageValue(0, 4000);
        models.light()->setSpeed(models.light()->speed() == 1 ? 2 : 1);
        models.reportRate()->choose(models.reportRate()->index() == 0 ? 1 : 0);
        return session->saveAll();
    }
    if (flow == QLatin1String("reset")) {
        session->resetAll();
        return session->unsavedPages().isEmpty();
    }
    if (flow == QLatin1String("save dpi")) {
        models.dpi()->setStageValue(0, 4000);
        return models.dpi()->saveData(true);
    }
    if (flow == QLatin1String("save light")) {
        models.light()->setSpeed(models.light()->speed() == 1 ? 2 : 1);
        return models.light()->saveData(true, 0);
    }
    if (flow == QLatin1String("save lod")) {
        models.lod()->change(LodModel::kHigh, true);
        return models.lod()->saveData(true);
    }
    if (flow == QLatin1String("save weapons"))
        return models.recoil()->save(true);
    if (flow == QLatin1String("save system")) {
        models.systemSettings()->setPointer(100);
        return models.systemSettings()->saveData(true, 0);
    }
    qWarning() << "no flow" << flow;
    return false;
}

} // namespace

class TestSessionModel : public QObject
{
    Q_OBJECT

private slots:
    void storedProfileNumber_data();
    void storedProfileNumber();
    void flows_data();
    void flows();
    void leftClickGuard_data();
    void leftClickGuard();
    void languageOverDefaults_data();
    void languageOverDefaults();
    void languageChoiceIsStored();
    void windowTextsFollowTheLanguage_data();
    void windowTextsFollowTheLanguage();
    void saveTellsItsOutcome_data();
    void saveTellsItsOutcome();
    void bindingsFollowTheirMacro_data();
    void bindingsFollowTheirMacro();
    void flowsWriteEachFileOnce_data();
    void flowsWriteEachFileOnce();
    void failedWriteSendsNothing_data();
    void failedWriteSendsNothing();
};

void TestSessionModel::storedProfileNumber_data()
{
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<int>("profileNo");

    QTest::newRow("one of the list") << QStringList{"apConfig.bin mouse/profileNo=3"} << 3;
    QTest::newRow("a profile file beyond the list")
        << QStringList{"apConfig.bin mouse/profileNo=9"} << 0;
    QTest::newRow("not a number") << QStringList{"apConfig.bin mouse/profileNo=abc"} << 0;
    QTest::newRow("a number the list does not hold is its first")
        << QStringList{"apConfig.bin mouse/profileNo=4",
                       "name.bin profile/profileName=Game2,Office1"}
        << 2;
}

// The window, kesta-ctl and the bus use a profile the list offers; the
// stored number stays as it is until a profile is chosen.
void TestSessionModel::storedProfileNumber()
{
    QFETCH(QStringList, changes);
    QFETCH(int, profileNo);

    ModelRig rig;
    QVERIFY(rig.open());
    changeFiles(rig, changes);
    const QString global = rig.modules() + QStringLiteral("/setting/apConfig.bin");
    QFile file(global);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QCOMPARE(ProfileListModel::storedInUse(*rig.ops), profileNo);
    Models models(*rig.ops);
    SessionModel *session = models.session();
    session->firstInit();
    QCOMPARE(session->profileNo(), profileNo);
    QCOMPARE(rig.ops->settings()->currentProfileIndex(), profileNo);
    QVERIFY(models.profiles()->rowInUse() >= 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestSessionModel::flows_data()
{
    QTest::addColumn<QStringList>("steps"); // "init", "profile N", "save", "reset", "dirty dpi"
    QTest::addColumn<bool>("lastDidSomething");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<int>("profileNo");
    QTest::addColumn<int>("busyChanges");

    QTest::newRow("nothing before the first initialisation")
        << QStringList{"profile 1", "save", "reset"} << false << false << 0 << 0;
    QTest::newRow("the profile in use is not changed again")
        << QStringList{"init", "profile 0"} << false << false << 0 << 0;
    QTest::newRow("a profile number out of range")
        << QStringList{"init", "profile 10"} << false << false << 0 << 0;
    QTest::newRow("another profile is stored and sent")
        << QStringList{"init", "profile 2"} << true << true << 2 << 2;
    QTest::newRow("save with nothing unsaved sends nothing and keeps input on")
        << QStringList{"init", "save"} << true << false << 0 << 0;
    QTest::newRow("save of an edited DPI page sends with input off")
        << QStringList{"init", "dirty dpi", "save"} << true << true << 0 << 2;
    QTest::newRow("reset sends the whole profile")
        << QStringList{"init", "profile 1", "dirty dpi", "reset"} << true << true << 1 << 2;
}

void TestSessionModel::flows()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, lastDidSomething);
    QFETCH(bool, sent);
    QFETCH(int, profileNo);
    QFETCH(int, busyChanges);

    ModelRig rig;
    QVERIFY(rig.open());
    Models models(*rig.ops);
    SessionModel *session = models.session();
    bool didSomething = false;
    QSignalSpy busy(session, &SessionModel::busyChanged);
    for (const QString &step : steps) {
        kvm::clearWireLog();
        busy.clear();
        const QString arg = step.section(QLatin1Char(' '), 1);
        if (step == QLatin1String("init")) {
            session->firstInit();
            didSomething = session->isPownOn();
        } else if (step.startsWith(QLatin1String("profile"))) {
            didSomething = session->changeProfile(arg.toInt());
        } else if (step == QLatin1String("save")) {
            session->saveAll();
            didSomething = session->isPownOn();
        } else if (step == QLatin1String("reset")) {
            session->resetAll();
            didSomething = session->isPownOn();
        } else if (step == QLatin1String("dirty dpi")) {
            models.dpi()->setSave(true);
        }
    }
    QCOMPARE(didSomething, lastDidSomething);
    QCOMPARE(!sentToMouse().isEmpty(), sent);
    QCOMPARE(busy.count(), busyChanges);
    QVERIFY(!session->busy());
    QCOMPARE(session->profileNo(), profileNo);
    QCOMPARE(models.profiles()->profileInUse(), profileNo);
    QCOMPARE(rig.ops->settings()->getGlobalData(QStringLiteral("mouse/profileNo")).toInt(),
             profileNo);
    if (steps.last() == QLatin1String("reset") && lastDidSomething) {
        // The mouse is left on its second stage, with no page unsaved.
        QCOMPARE(models.dpi()->currentStage(), 1);
        QVERIFY(!models.dpi()->isSave());
        QVERIFY(!models.keyMatrix()->isSave());
        QCOMPARE(session->mouseMode(), 0);
    }
}

void TestSessionModel::leftClickGuard_data()
{
    // Each flow runs on a profile without a left click and on the same
    // profile as the guard is to leave it: both store and send the same.
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QStringList>("mended"); // what the guard is to make of them
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("mendedSteps");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("restored");

    const QStringList change2{"init", "profile 2"};
    QTest::newRow("an all-zero matrix, on a profile change")
        << QStringList{"p3.bin mouseKeyMatrix/*=0,0,0,0"}
        << QStringList{"p3.bin mouseKeyMatrix/*=0,0,0,0", "p3.bin mouseKeyMatrix/0=0,0,240,0"}
        << change2 << change2 << "p3.bin" << true;
    QTest::newRow("the left click on another button is enough")
        << QStringList{"p3.bin mouseKeyMatrix/0=3,0,226,0", "p3.bin mouseKeyMatrix/1=0,0,240,0"}
        << QStringList{"p3.bin mouseKeyMatrix/0=3,0,226,0", "p3.bin mouseKeyMatrix/1=0,0,240,0"}
        << change2 << change2 << "p3.bin" << false;
    QTest::newRow("a fixed position's left click does not count")
        << QStringList{"p3.bin mouseKeyMatrix/0=3,0,226,0", "p3.bin mouseKeyMatrix/6=0,0,240,0"}
        << QStringList{"p3.bin mouseKeyMatrix/6=0,0,240,0"} << change2 << change2 << "p3.bin"
        << true;
    QTest::newRow("the game matrix of a profile in game mode")
        << QStringList{"p3.bin mouse/mouseMode=1", "p3.bin mouseKeyMatrix2/*=3,0,4,0"}
        << QStringList{"p3.bin mouse/mouseMode=1", "p3.bin mouseKeyMatrix2/*=3,0,4,0",
                       "p3.bin mouseKeyMatrix2/0=0,0,240,0"}
        << change2 << change2 << "p3.bin" << true;
    QTest::newRow("a deleted profile file")
        << QStringList{"p3.bin -"}
        << QStringList{"p3.bin -", "p3.bin mouseKeyMatrix/0=0,0,240,0",
                       "p3.bin mouseKeyMatrix2/0=0,0,240,0"}
        << change2 << change2 << "p3.bin" << true;
    QTest::newRow("the first initialisation sends the mended matrix alone")
        << QStringList{"p1.bin mouseKeyMatrix/*=0,0,0,0"}
        << QStringList{"p1.bin mouseKeyMatrix/*=0,0,0,0", "p1.bin mouseKeyMatrix/0=0,0,240,0"}
        << QStringList{"init"} << QStringList{"init", "send keys"} << "p1.bin" << true;
    QTest::newRow("reset over defaults without a left click")
        << QStringList{"pD.bin mouseKeyMatrix/*=0,0,0,0"}
        << QStringList{"pD.bin mouseKeyMatrix/*=0,0,0,0", "pD.bin mouseKeyMatrix/0=0,0,240,0"}
        << QStringList{"init", "reset"} << QStringList{"init", "reset"} << "p1.bin" << true;
    QTest::newRow("an imported all-zero profile")
        << QStringList{"in.pf mouseKeyMatrix/*=0,0,0,0"}
        << QStringList{"in.pf mouseKeyMatrix/*=0,0,0,0", "in.pf mouseKeyMatrix/0=0,0,240,0"}
        << QStringList{"init", "delete 5", "import"} << QStringList{"init", "delete 5", "import"}
        << "p6.bin" << true;
}

void TestSessionModel::leftClickGuard()
{
    QFETCH(QStringList, changes);
    QFETCH(QStringList, mended);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, mendedSteps);
    QFETCH(QString, file);
    QFETCH(bool, restored);

    GuardRun guarded;
    runSteps(changes, steps, file, &guarded);
    if (QTest::currentTestFailed())
        return;
    GuardRun reference;
    runSteps(mended, mendedSteps, file, &reference);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(reference.notice, QString());
    QCOMPARE(guarded.notice.contains(QLatin1String("no left click")), restored);
    QCOMPARE(guarded.file, reference.file);
    QCOMPARE(guarded.wire, reference.wire);
    if (restored && !file.startsWith(QLatin1String("p6")))
        QVERIFY(!guarded.wire.isEmpty());
}

void TestSessionModel::languageOverDefaults_data()
{
    QTest::addColumn<QStringList>("defaults");
    QTest::addColumn<QStringList>("loaded");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("nothing loaded")
        << QStringList{"Save", "Reset"} << QStringList{} << QStringList{"Save", "Reset"};
    QTest::newRow("empty strings keep the page's own")
        << QStringList{"Save", "Reset"} << QStringList{"", "Zurücksetzen"}
        << QStringList{"Save", "Zurücksetzen"};
    QTest::newRow("strings past the page's own are added")
        << QStringList{"Save"} << QStringList{"Speichern", "Extra"}
        << QStringList{"Speichern", "Extra"};
}

void TestSessionModel::languageOverDefaults()
{
    QFETCH(QStringList, defaults);
    QFETCH(QStringList, loaded);
    QFETCH(QStringList, shown);
    QCOMPARE(LanguageModel::merged(defaults, loaded), shown);
}

void TestSessionModel::languageChoiceIsStored()
{
    // A stored language the selector does not know shows as English there.
    ModelRig rig;
    QVERIFY(rig.open());
    Models models(*rig.ops);
    models.language()->change(3);
    QCOMPARE(models.language()->language(), QStringLiteral("German"));
    QCOMPARE(rig.ops->settings()->getGlobalData(QStringLiteral("common/language")).toString(),
             QStringLiteral("German"));
    models.language()->load(QStringLiteral("Klingon"));
    QCOMPARE(models.language()->index(), 0);
}

void TestSessionModel::windowTextsFollowTheLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("quit");      // the tray menu's quit
    QTest::addColumn<QString>("function2"); // the key matrix's further function 2
    QTest::addColumn<QString>("taken");     // an export name that exists, as the dialog says it
    QTest::addColumn<QString>("changed");   // the notice after another program's DPI change
    QTest::newRow("English")
        << "English"
        << "Quit (&Q)"
        << "Function 2"
        << "\"a.pf\" already exists. To replace it, choose it by its full name."
        << "Changed outside the window: DPI. Unsaved edits there were "
           "replaced by the new values.";
    QTest::newRow("German") << "German"
                            << "&Beenden"
                            << "Funktion 2"
                            << QString::fromUtf8("„a.pf“ ist bereits vorhanden. Um die Datei zu "
                                                 "ersetzen, wählen Sie sie mit ihrem "
                                                 "vollständigen Namen.")
                            << QString::fromUtf8("Außerhalb des Fensters geändert: DPI. "
                                                 "Ungespeicherte Änderungen dort wurden durch die "
                                                 "neuen Werte ersetzt.");
    QTest::newRow("ChineseTraditional")
        << "ChineseTraditional" << QString::fromUtf8("結束 (&Q)") << QString::fromUtf8("功能 2")
        << QString::fromUtf8("「a.pf」已存在。若要取代它，請以完整名稱選擇它。")
        << QString::fromUtf8("已在視窗外變更：DPI。其中未儲存的修改已被新值取代。");
    // No file: the built-in English texts.
    QTest::newRow("a language without a file")
        << "Klingon"
        << "Quit (&Q)"
        << "Function 2"
        << "\"a.pf\" already exists. To replace it, choose it by its full name."
        << "Changed outside the window: DPI. Unsaved edits there were replaced by the new values.";
}

void TestSessionModel::windowTextsFollowTheLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, quit);
    QFETCH(QString, function2);
    QFETCH(QString, taken);
    QFETCH(QString, changed);
    ModelRig rig;
    QVERIFY(rig.open());
    Models models(*rig.ops);
    models.session()->firstInit();
    models.language()->load(language);

    // The built-in list is the English file's section.
    QCOMPARE(
        rig.ops->lang()->getLangStrings(QStringLiteral("interface"), QStringLiteral("English")),
        InterfaceTexts::defaults());
    QCOMPARE(InterfaceTexts::text(InterfaceTexts::TrayQuit), quit);
    QCOMPARE(InterfaceTexts::localised(
                 InterfaceTexts::english(InterfaceTexts::AlreadyExists).arg("a.pf")),
             taken);
    QVERIFY(InterfaceTexts::localised(InterfaceTexts::english(InterfaceTexts::ProfileFilter))
                .endsWith(QLatin1String("(*.pf)")));
    QCOMPARE(InterfaceTexts::localised(QStringLiteral("not one of ours")),
             QStringLiteral("not one of ours"));

    const QStringList captions = models.language()->texts(QStringLiteral("keyAssigment"),
                                                          AssignmentTable().captionDefaults());
    const auto none = [](int) { return QString(); };
    QCOMPARE(AssignmentTable::entryText({0xFF, 0, 2, 0}, captions, none, none), function2);

    // Another program changes the DPI page's stored values.
    QSignalSpy notice(models.session(), &SessionModel::noticeChanged);
    models.dpi()->setSave(true);
    models.session()->reloadStored({QStringLiteral("dpi")});
    QCOMPARE(notice.count(), 1);
    QCOMPARE(models.session()->notice(), changed);
}

void TestSessionModel::saveTellsItsOutcome_data()
{
    QTest::addColumn<QStringList>("edits"); // pages edited, in the order Save goes over them
    QTest::addColumn<QString>("trouble");   // "", "full disk", "unplugged"
    QTest::addColumn<QString>("notice");    // how the notice starts

    using namespace FeedbackTexts;
    const QString failed = english(CouldNotSave).arg(QString());
    QTest::newRow("an edited DPI page is stored and sent")
        << QStringList{"dpi"} << "" << english(Saved);
    QTest::newRow("two edited pages are stored and sent")
        << QStringList{"dpi", "reportRate"} << "" << english(Saved);
    QTest::newRow("nothing edited, nothing to save")
        << QStringList{} << "" << english(NothingToSave);
    QTest::newRow("full disk: the DPI page is neither stored nor sent")
        << QStringList{"dpi"} << "full disk" << failed;
    QTest::newRow("full disk: every edited page keeps its edits")
        << QStringList{"dpi", "reportRate"} << "full disk" << failed;
    QTest::newRow("mouse gone: stored, and marked to be sent again")
        << QStringList{"dpi", "reportRate"} << "unplugged" << english(NotSent);
}

void TestSessionModel::saveTellsItsOutcome()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, trouble);
    QFETCH(QString, notice);

    ModelRig rig;
    QVERIFY(rig.open());
    Models models(*rig.ops);
    SessionModel *session = models.session();
    session->firstInit();
    const QString profile = rig.ops->settings()->currentProfile()->fileName();
    QVERIFY(profile.endsWith(QLatin1String("/setting/p1.bin")));
    const auto profileText = [&rig] {
        return filesUnder(rig.modules()).value(QStringLiteral("/setting/p1.bin"));
    };
    const auto storedStage1 = [&rig] {
        return rig.ops->settings()
            ->getDataList(QStringLiteral("mouse/dpiValueArray"), false)
            .value(0)
            .toInt();
    };
    const QByteArray before = profileText();
    QSignalSpy unsavedChanged(session, &SessionModel::unsavedPagesChanged);
    if (edits.contains(QLatin1String("dpi")))
        models.dpi()->setStageValue(0, 4000); // from 500
    if (edits.contains(QLatin1String("reportRate")))
        models.reportRate()->choose(models.reportRate()->index() == 0 ? 1 : 0);
    QCOMPARE(session->unsavedPages(), edits);
    QCOMPARE(unsavedChanged.size(), edits.size());

    kvm::clearWireLog();
    bool saved = false;
    {
        std::optional<FileSizeLimit> full;
        if (trouble == QLatin1String("full disk")) {
            full.emplace(16); // no settings file can be written
            QVERIFY(full->active());
        } else if (trouble == QLatin1String("unplugged")) {
            kvm::unplug();
        }
        saved = session->saveAll();
    }
    QCOMPARE(saved, trouble.isEmpty());
    QVERIFY2(notice.isEmpty() || session->notice().startsWith(notice),
             qPrintable(session->notice()));
    if (trouble == QLatin1String("full disk")) {
        // The mouse gets nothing the file does not hold, nor does the store
        // read back what the file lost; the reason names the file, and the
        // pages stay marked.
        QVERIFY2(session->notice().contains(QDir::toNativeSeparators(profile)),
                 qPrintable(session->notice()));
        QCOMPARE(sentToMouse(), QStringList());
        QCOMPARE(profileText(), before);
        QVERIFY(storedStage1() != 4000);
        QCOMPARE(session->unsavedPages(), edits);
        // With room again, Save stores and sends what was kept.
        kvm::clearWireLog();
        QVERIFY(session->saveAll());
        QCOMPARE(session->notice(), FeedbackTexts::english(FeedbackTexts::Saved));
        QVERIFY(!sentToMouse().isEmpty());
    } else if (trouble == QLatin1String("unplugged")) {
        // Stored, but not on the mouse: the pages stay marked for the next Save.
        QVERIFY(profileText() != before);
        QCOMPARE(session->unsavedPages(), edits);
        return;
    } else {
        QCOMPARE(sentToMouse().isEmpty(), edits.isEmpty());
        QCOMPARE(profileText() != before, !edits.isEmpty());
    }
    QCOMPARE(session->unsavedPages(), QStringList());
    if (edits.contains(QLatin1String("dpi")))
        QCOMPARE(storedStage1(), 4000);
}

void TestSessionModel::bindingsFollowTheirMacro_data()
{
    QTest::addColumn<QString>("item"); // the macro deleted or renamed (to "dup9")
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("bound"); // what button 5 plays afterwards; "" released
    // A library from before names were unique: a top "dup" and "A/dup". A
    // binding names "dup" and plays the top one.
    QTest::newRow("deleting A/dup leaves the button on the top dup") << "A/dup" << false << "dup";
    QTest::newRow("renaming A/dup leaves the button on the top dup") << "A/dup" << true << "dup";
    QTest::newRow("deleting the top dup releases the button") << "dup" << false << "";
    QTest::newRow("renaming the top dup takes the button along") << "dup" << true << "dup9";
}

void TestSessionModel::bindingsFollowTheirMacro()
{
    QFETCH(QString, item);
    QFETCH(bool, rename);
    QFETCH(QString, bound);

    ModelRig rig;
    QVERIFY(rig.open());
    Models models(*rig.ops);
    SessionModel *session = models.session();
    session->firstInit();
    MacroTreeModel *tree = models.macroTree();
    tree->load();
    tree->clearSelection();
    QCOMPARE(tree->createItem("dup", 0, 0), int(MacroTreeModel::Done));
    QCOMPARE(tree->createItem("A", 1, 0), int(MacroTreeModel::Done));
    const QString library = rig.modules() + QStringLiteral("/macro/");
    QVERIFY(QFile::copy(library + "dup.bin", library + "A/dup.bin"));
    QVERIFY(tree->selectChain({"A"}));
    QCOMPARE(tree->listItem("dup", 0), int(MacroTreeModel::Done));
    KeyMatrixModel *keys = models.keyMatrix();
    QVERIFY(keys->bindMacro(4, "dup", 0));

    // As the macro editor page hands them on.
    connect(tree, &MacroTreeModel::macroDeleted, session, &SessionModel::macroDeleted);
    connect(tree, &MacroTreeModel::macroRenamed, session,
            [session](int level, int type, const QString &from, const QString &to) {
                session->macroRenamed(level, type, from, to);
            });
    QVERIFY(tree->selectChain(item.split(QLatin1Char('/'))));
    if (rename)
        QCOMPARE(tree->renameSelected("dup9"), int(MacroTreeModel::Done));
    else
        QVERIFY(tree->deleteSelected());

    QStringList names;
    for (const KeyMatrixModel::Binding &b : keys->boundMacros(keys->mode()))
        names.append(b.name);
    QCOMPARE(names, bound.isEmpty() ? QStringList{} : QStringList{bound});
    // The renamed or deleted file is the one the tree named.
    QCOMPARE(QFileInfo::exists(library + item + ".bin"), false);
    if (rename)
        QVERIFY(QFileInfo::exists(library + item.section('/', 0, -2) +
                                  (item.contains('/') ? "/" : "") + "dup9.bin"));
}

QTEST_GUILESS_MAIN(TestSessionModel)
#include "tst_sessionmodel.moc"

void TestSessionModel::flowsWriteEachFileOnce_data()
{
    // A value the flow brings into range makes sure its profile has to be
    // written; a flow that finds nothing to change may skip the write.
    QTest::addColumn<QStringList>("changes"); // as changeFiles takes them
    QTest::addColumn<QString>("flow");
    QTest::addColumn<QStringList>("mostWrites"); // "FILE N"; any other file: none

    const QStringList outOfRange{"p3.bin mouse/reportRate=7", "p3.bin mouse/lod=99",
                                 "p3.bin mouse/dpiColorArray=red,blue"};
    QTest::newRow("profile change: the choice, then the profile with its values mended")
        << outOfRange << "profile 2" << QStringList{"apConfig.bin 1", "p3.bin 1"};
    QTest::newRow("profile change with nothing to mend")
        << QStringList{} << "profile 2" << QStringList{"apConfig.bin 1", "p3.bin 1"};
    QTest::newRow("save of three edited pages")
        << QStringList{} << "save" << QStringList{"p1.bin 1"};
    // The copy of the defaults, then the pages' values; the weapons reset
    // in the global file.
    QTest::newRow("reset all") << QStringList{} << "reset"
                               << QStringList{"p1.bin 2", "apConfig.bin 1", "gunData.bin 1"};
    QTest::newRow("the recoil editor's save of every weapon")
        << QStringList{} << "save weapons" << QStringList{"gunData.bin 1"};
    QTest::newRow("the lighting page's own save")
        << QStringList{} << "save light" << QStringList{"p1.bin 1"};
    QTest::newRow("the pointer page's own save")
        << QStringList{} << "save system" << QStringList{"p1.bin 1"};
}

void TestSessionModel::flowsWriteEachFileOnce()
{
    QFETCH(QStringList, changes);
    QFETCH(QString, flow);
    QFETCH(QStringList, mostWrites);

    ModelRig rig;
    QVERIFY(rig.open());
    changeFiles(rig, changes);
    Models models(*rig.ops);
    models.session()->firstInit();
    ReplacementCounter counter(rig.modules() + QStringLiteral("/setting"));
    ReplacementCounter weapons(rig.modules() + QStringLiteral("/gun"));
    QVERIFY(counter.valid() && weapons.valid());
    kvm::clearWireLog();
    QVERIFY(runFlow(models, flow));
    QVERIFY(!sentToMouse().isEmpty());
    QMap<QByteArray, int> writes = counter.takeAll();
    writes.insert(weapons.takeAll());
    QMap<QByteArray, int> most;
    for (const QString &limit : mostWrites)
        most.insert(limit.section(QLatin1Char(' '), 0, 0).toUtf8(),
                    limit.section(QLatin1Char(' '), 1).toInt());
    for (auto it = writes.cbegin(); it != writes.cend(); ++it) {
        if (!it.key().endsWith(".bin"))
            continue; // lock files
        QVERIFY2(it.value() <= most.value(it.key()),
                 qPrintable(QStringLiteral("%1 written %2 times")
                                .arg(QString::fromUtf8(it.key()))
                                .arg(it.value())));
    }
}

void TestSessionModel::failedWriteSendsNothing_data()
{
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QString>("flow");
    QTest::addColumn<int>("limit"); // bytes a file may grow to meanwhile
    QTest::addColumn<int>("profileNo");
    QTest::addColumn<QString>("notWritten"); // the file the notice names; "" none
    QTest::addColumn<QString>("notice");     // how the notice starts; "" any
    QTest::addColumn<bool>("marked");        // every page left marked unsaved
    // With room again: "save" (Save alone) or the flow once more; "" none.
    // Either succeeds and leaves no word of the failure.
    QTest::addColumn<QString>("retry");

    // The global file (a few hundred bytes) may be written, no profile.
    const int profilesFull = 1024;
    const QStringList outOfRange{"p3.bin mouse/reportRate=7"};
    // 250 Hz, lift-off and DPI stages of the user's own.
    const QStringList edited{"p1.bin mouse/reportRate=1", "p1.bin mouse/lod=1",
                             "p1.bin mouse/lodEn=0",
                             "p1.bin mouse/dpiValueArray=800,1600,2400,3200,4000,5000,6000,7000"};
    const QString notChanged = InterfaceTexts::english(InterfaceTexts::ProfileNotChanged)
                                   .section(QLatin1String("%1"), 0, 0);
    const QString notSaved = FeedbackTexts::english(FeedbackTexts::CouldNotSave).arg(QString());
    QTest::newRow("profile change, disk full: the profile in use stays")
        << QStringList{} << "profile 2" << 16 << 0 << "apConfig.bin" << notChanged << false
        << "profile 2";
    QTest::newRow("profile change, its profile not writable: taken, but not sent")
        << outOfRange << "profile 2" << profilesFull << 2 << "p3.bin" << notSaved << true << "save";
    // Save then stores the whole reset, as the reset itself would have.
    QTest::newRow("reset all, disk full")
        << edited << "reset" << 16 << 0 << "p1.bin" << notSaved << true << "save";
    QTest::newRow("reset all, disk full, then again with room")
        << edited << "reset" << 16 << 0 << "p1.bin" << notSaved << true << "reset";
    QTest::newRow("the DPI page's own save") << QStringList{} << "save dpi" << 16 << 0 << ""
                                             << "" << false << "";
    QTest::newRow("the lift-off page's own save") << QStringList{} << "save lod" << 16 << 0 << ""
                                                  << "" << false << "";
    QTest::newRow("the pointer page's own save") << QStringList{} << "save system" << 16 << 0 << ""
                                                 << "" << false << "";
    QTest::newRow("the recoil editor's save") << QStringList{} << "save weapons" << 16 << 0 << ""
                                              << "" << false << "";
}

void TestSessionModel::failedWriteSendsNothing()
{
    QFETCH(QStringList, changes);
    QFETCH(QString, flow);
    QFETCH(int, limit);
    QFETCH(int, profileNo);
    QFETCH(QString, notWritten);
    QFETCH(QString, notice);
    QFETCH(bool, marked);
    QFETCH(QString, retry);

    ModelRig rig;
    QVERIFY(rig.open());
    changeFiles(rig, changes);
    Models models(*rig.ops);
    SessionModel *session = models.session();
    session->firstInit();
    const QString global = rig.modules() + QStringLiteral("/setting/apConfig.bin");
    kvm::clearWireLog();
    bool done = true;
    {
        FileSizeLimit full{rlim_t(limit)};
        QVERIFY(full.active());
        done = runFlow(models, flow);
    }
    QVERIFY(!done);
    QCOMPARE(sentToMouse(), QStringList());
    QCOMPARE(rig.pointerCalls, QStringList());
    QCOMPARE(session->profileNo(), profileNo);
    QCOMPARE(QSettings(global, QSettings::IniFormat).value("mouse/profileNo").toInt(), profileNo);
    QCOMPARE(rig.ops->settings()->currentProfileIndex(), profileNo);
    const QString path =
        QDir::toNativeSeparators(rig.modules() + QStringLiteral("/setting/") + notWritten);
    if (!notWritten.isEmpty())
        QVERIFY2(session->notice().contains(path), qPrintable(session->notice()));
    QVERIFY2(notice.isEmpty() || session->notice().startsWith(notice),
             qPrintable(session->notice()));
    if (marked) {
        QCOMPARE(session->unsavedPages(),
                 (QStringList{"keyMatrix", "dpi", "light", "lod", "system", "reportRate"}));
    }
    if (retry.isEmpty())
        return;
    kvm::clearWireLog();
    QVERIFY(retry == QLatin1String("save") ? session->saveAll() : runFlow(models, retry));
    QVERIFY(!sentToMouse().isEmpty());
    QVERIFY2(notWritten.isEmpty() || !session->notice().contains(path),
             qPrintable(session->notice()));
    QCOMPARE(session->unsavedPages(), QStringList());
    if (flow != QLatin1String("reset"))
        return;
    // The profile holds the defaults again wherever the user had changed it.
    const QSettings defaults(rig.modules() + QStringLiteral("/setting/pD.bin"),
                             QSettings::IniFormat);
    const QSettings profile(rig.modules() + QStringLiteral("/setting/p1.bin"),
                            QSettings::IniFormat);
    for (const QString &change : changes) {
        const QString key = change.section(QLatin1Char(' '), 1).section(QLatin1Char('='), 0, 0);
        QVERIFY2(profile.value(key) == defaults.value(key), qPrintable(key));
    }
}
