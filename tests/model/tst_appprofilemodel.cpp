// Per-application profiles without a window: the rules as stored in the
// global file (set, replace, remove, by a profile's name or number, the
// padding of a one-rule list, stored lists that do not match), a deleted
// profile taking its rules along, and the follower against the virtual
// mouse: its switch sends what the top bar's does, a window in front for
// less than half a second changes nothing, and a switch waits for a transfer
// and for unsaved edits, and one asked for while the mouse is unplugged is
// made once it is back.
#include "device/transfergate.h"
#include "devicesettings/mousedevice.h"
#include "model/appprofilefollower.h"
#include "model/appprofilemodel.h"
#include "macro/macrolibrary.h"
#include "model/dpimodel.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "model/profilelistmodel.h"
#include "model/sessionmodel.h"
#include "settings/settingsstore.h"

#include "modelrig.h"

#include <optional>

namespace {

QString ruleText(const QList<AppProfileModel::Rule> &rules)
{
    QStringList out;
    for (const AppProfileModel::Rule &r : rules)
        out.append(r.windowClass + QLatin1Char('=') + QString::number(r.profile));
    return out.join(QLatin1Char(','));
}

QString globalFileText(const ModelRig &rig)
{
    QFile f(rig.modules() + QStringLiteral("/setting/apConfig.bin"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A session on the rig's mouse after the first initialisation.
struct Session {
    explicit Session(ModelRig &rig) : models(*rig.ops) { models.session()->firstInit(); }
    Models models;
    SessionModel *session() const { return models.session(); }
    AppProfileModel *rules() const { return models.appProfiles(); }
    AppProfileFollower *follower() const { return models.appFollower(); }
};

} // namespace

class TestAppProfileModel : public QObject
{
    Q_OBJECT

private slots:
    void rulesAreStored_data();
    void rulesAreStored();
    void storedListsReadSafely_data();
    void storedListsReadSafely();
    void deletedProfileTakesItsRules();
    void followerSwitchesAsTheTopBar();
    void followerWaits_data();
    void followerWaits();
    void followerWaitsForTheMouse();
};

void TestAppProfileModel::rulesAreStored_data()
{
    QTest::addColumn<QStringList>("steps"); // "set CLASS PROFILE outcome", "remove CLASS outcome"
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QStringList>("fileLines");

    QTest::newRow("one rule is padded")
        << QStringList{"set Game Shooter done"} << "Game=3"
        << QStringList{"classes=Game, loaderquiver", "profiles=3, loaderquiver"};
    QTest::newRow("by name and by number")
        << QStringList{"set Game Shooter done", "set browser 0 done"} << "Game=3,browser=0"
        << QStringList{"classes=Game, browser", "profiles=3, 0"};
    QTest::newRow("a class's rule is replaced")
        << QStringList{"set Game Shooter done", "set Game 2 done"} << "Game=2"
        << QStringList{"classes=Game, loaderquiver", "profiles=2, loaderquiver"};
    QTest::newRow("classes are case-sensitive")
        << QStringList{"set Game 2 done", "set game 1 done"} << "Game=2,game=1"
        << QStringList{"classes=Game, game"};
    QTest::newRow("removed down to one")
        << QStringList{"set a 1 done", "set b 2 done", "remove a done"} << "b=2"
        << QStringList{"classes=b, loaderquiver", "profiles=2, loaderquiver"};
    QTest::newRow("refusals change nothing")
        << QStringList{"set Game 2 done", "set Game 6 noprofile", "set Game Nobody noprofile",
                       "set loaderquiver 1 noclass", "remove Other norule"}
        << "Game=2" << QStringList{"classes=Game, loaderquiver"};
}

void TestAppProfileModel::rulesAreStored()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, rules);
    QFETCH(QStringList, fileLines);

    ModelRig rig;
    QVERIFY(rig.open());
    AppProfileModel model(*rig.ops);
    const QHash<QString, AppProfileModel::Outcome> outcomes{
        {"done", AppProfileModel::Outcome::Done},
        {"noprofile", AppProfileModel::Outcome::NoSuchProfile},
        {"noclass", AppProfileModel::Outcome::EmptyClass},
        {"norule", AppProfileModel::Outcome::NoSuchRule}};
    for (const QString &step : steps) {
        const QStringList w = step.split(QLatin1Char(' '));
        const auto outcome = w.first() == QLatin1String("set") ? model.setRule(w.at(1), w.at(2))
                                                               : model.removeRule(w.at(1));
        QVERIFY2(outcome == outcomes.value(w.last()), qPrintable(step));
    }
    QCOMPARE(ruleText(model.rules()), rules);
    // What another reader of the file finds.
    QCOMPARE(ruleText(AppProfileModel(*rig.ops).rules()), rules);
    const QString text = globalFileText(rig);
    QVERIFY2(text.contains(QLatin1String("[appProfiles]")), qPrintable(text));
    for (const QString &line : fileLines)
        QVERIFY2(text.contains(QLatin1Char('\n') + line + QLatin1Char('\n')), qPrintable(text));
}

void TestAppProfileModel::storedListsReadSafely_data()
{
    QTest::addColumn<QString>("group"); // the [appProfiles] lines as a file holds them
    QTest::addColumn<QString>("rules");
    QTest::addColumn<int>("returnTo");

    QTest::newRow("more classes than profiles") << "classes=a, b, c\nprofiles=1, 2\nreturnTo=4"
                                                << "a=1,b=2" << 4;
    QTest::newRow("more profiles than classes") << "classes=a\nprofiles=1, 2, 3"
                                                << "a=1" << -1;
    QTest::newRow("one rule without its padding") << "classes=a\nprofiles=5"
                                                  << "a=5" << -1;
    QTest::newRow("profiles that are not one of six")
        << "classes=a, b, c, d\nprofiles=x, 6, -1, 0\nreturnTo=9"
        << "d=0" << -1;
    QTest::newRow("a class named twice keeps its first rule")
        << "classes=a, a, \"\"\nprofiles=1, 2, 3"
        << "a=1" << -1;
    QTest::newRow("no profiles at all") << "classes=a, b"
                                        << "" << -1;
}

void TestAppProfileModel::storedListsReadSafely()
{
    QFETCH(QString, group);
    QFETCH(QString, rules);
    QFETCH(int, returnTo);

    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    QFile global(dir.path() + QStringLiteral("/modules/setting/apConfig.bin"));
    QVERIFY(global.open(QIODevice::Append));
    global.write(("\n[appProfiles]\n" + group + "\n").toUtf8());
    global.close();
    ScriptedDialogs dialogs;
    Operations ops(dir.path() + QStringLiteral("/modules"), &dialogs);
    AppProfileModel model(ops);
    QCOMPARE(ruleText(model.rules()), rules);
    QCOMPARE(model.returnTo(), returnTo);
}

void TestAppProfileModel::deletedProfileTakesItsRules()
{
    ModelRig rig;
    QVERIFY(rig.open());
    Models models(*rig.ops);
    ProfileListModel *profiles = models.profiles();
    profiles->reload();
    AppProfileModel *rules = models.appProfiles();
    for (const auto &[cls, profile] : {std::pair{"a", "3"}, {"b", "2"}, {"c", "3"}, {"d", "5"}})
        QVERIFY(rules->setRule(QLatin1String(cls), QLatin1String(profile)) ==
                AppProfileModel::Outcome::Done);
    QVERIFY(rules->setReturnTo(3));

    // Numbers do not shift: profile 5 keeps its rule after 3 is gone.
    QVERIFY(profiles->deleteProfile(profiles->indexOfNumber(3)));
    QCOMPARE(ruleText(rules->rules()), QStringLiteral("b=2,d=5"));
    QCOMPARE(rules->count(), 2);
    QCOMPARE(rules->returnTo(), -1);
    QCOMPARE(ruleText(AppProfileModel(*rig.ops).rules()), QStringLiteral("b=2,d=5"));
    // A rule for a profile that is not in the list is refused.
    QVERIFY(rules->setRule(QStringLiteral("e"), QStringLiteral("3")) ==
            AppProfileModel::Outcome::NoSuchProfile);
}

void TestAppProfileModel::followerSwitchesAsTheTopBar()
{
    ModelRig byBar;
    QVERIFY(byBar.open());
    QStringList barWire;
    {
        Session s(byBar);
        kvm::clearWireLog();
        QVERIFY(s.session()->changeProfile(3));
        barWire = sentToMouse();
    }
    QVERIFY(!barWire.isEmpty());

    ModelRig rig;
    QVERIFY(rig.open());
    Session s(rig);
    QVERIFY(s.rules()->setRule(QStringLiteral("Shooter"), QStringLiteral("Shooter")) ==
            AppProfileModel::Outcome::Done);
    QSignalSpy switched(s.follower(), &AppProfileFollower::switched);
    kvm::clearWireLog();
    QElapsedTimer clock;
    clock.start();
    s.follower()->windowActivated(QStringLiteral("Shooter"));
    QTRY_COMPARE(s.session()->profileNo(), 3);
    QVERIFY(clock.elapsed() >= AppProfileFollower::kSettleMs);
    QCOMPARE(sentToMouse(), barWire);
    QCOMPARE(switched.size(), 1);
    QCOMPARE(switched.first().value(1).toString(), QStringLiteral("Shooter"));
    QVERIFY(globalFileText(rig).contains(QLatin1String("profileNo=3")));
    // The profile in use before the first automatic switch is the one to
    // return to, and a window without a rule brings it back.
    QCOMPARE(s.rules()->returnTo(), 0);
    s.follower()->windowActivated(QStringLiteral("Browser"));
    QTRY_COMPARE(s.session()->profileNo(), 0);
    // A switch the user makes is the new one to return to.
    QVERIFY(s.session()->changeProfile(2));
    QCOMPARE(s.rules()->returnTo(), 2);
    QCOMPARE(switched.size(), 2);
}

void TestAppProfileModel::followerWaits_data()
{
    QTest::addColumn<QString>("holdBack");
    QTest::newRow("a window in front for less than half a second") << "short";
    QTest::newRow("our own window comes to the front") << "none";
    QTest::newRow("a running transfer") << "transfer";
    QTest::newRow("unsaved edits") << "unsaved";
    QTest::newRow("a macro being recorded") << "recording";
    QTest::newRow("a switch waiting is replaced by the last") << "last";
}

void TestAppProfileModel::followerWaits()
{
    QFETCH(QString, holdBack);

    ModelRig rig;
    QVERIFY(rig.open());
    Session s(rig);
    QVERIFY(s.rules()->setRule(QStringLiteral("Shooter"), QStringLiteral("3")) ==
            AppProfileModel::Outcome::Done);
    QVERIFY(s.rules()->setRule(QStringLiteral("Game"), QStringLiteral("2")) ==
            AppProfileModel::Outcome::Done);
    AppProfileFollower *follower = s.follower();
    kvm::clearWireLog();

    if (holdBack == QLatin1String("short") || holdBack == QLatin1String("none")) {
        follower->windowActivated(QStringLiteral("Shooter"));
        QTest::qWait(AppProfileFollower::kSettleMs - 200);
        follower->windowActivated(holdBack == QLatin1String("none") ? QString()
                                                                    : QStringLiteral("Browser"));
        QTest::qWait(AppProfileFollower::kSettleMs + 300);
        QCOMPARE(s.session()->profileNo(), 0);
        QVERIFY(sentToMouse().isEmpty());
        return;
    }
    std::optional<TransferGate::Scope> transfer;
    MacroEditorModel *editor = s.models.macroEditor();
    if (holdBack == QLatin1String("transfer")) {
        transfer.emplace();
    } else if (holdBack == QLatin1String("recording")) {
        rig.ops->macros()->setMacroSelectName({}, {}, {}, {}, {});
        editor->init();
        QVERIFY(editor->newMacro(QStringLiteral("Burst")));
        QVERIFY(editor->selectByNames(QStringLiteral("Burst")));
        editor->startRecording();
        QVERIFY(editor->recording());
    } else {
        s.models.dpi()->setSave(true);
    }
    follower->windowActivated(QStringLiteral("Shooter"));
    QTest::qWait(AppProfileFollower::kSettleMs + 300);
    if (holdBack == QLatin1String("last")) {
        follower->windowActivated(QStringLiteral("Game"));
        QTest::qWait(AppProfileFollower::kSettleMs + 300);
    }
    QCOMPARE(s.session()->profileNo(), 0);
    QVERIFY(sentToMouse().isEmpty());
    QCOMPARE(follower->pendingProfile(), holdBack == QLatin1String("last") ? 2 : 3);
    // Once it ends, the switch happens.
    transfer.reset();
    s.models.dpi()->setSave(false);
    if (editor->recording())
        editor->stopRecording();
    QTRY_COMPARE(s.session()->profileNo(), holdBack == QLatin1String("last") ? 2 : 3);
    QVERIFY(!sentToMouse().isEmpty());
    QCOMPARE(follower->pendingProfile(), -1);
}

void TestAppProfileModel::followerWaitsForTheMouse()
{
    ModelRig byBar;
    QVERIFY(byBar.open());
    QStringList barWire;
    {
        Session s(byBar);
        kvm::clearWireLog();
        QVERIFY(s.session()->changeProfile(3));
        barWire = sentToMouse();
    }

    ModelRig rig;
    QVERIFY(rig.open());
    Session s(rig);
    QVERIFY(s.rules()->setRule(QStringLiteral("Shooter"), QStringLiteral("3")) ==
            AppProfileModel::Outcome::Done);
    QVERIFY(s.rules()->setRule(QStringLiteral("Game"), QStringLiteral("2")) ==
            AppProfileModel::Outcome::Done);
    QSignalSpy switched(s.follower(), &AppProfileFollower::switched);
    MouseDevice *device = rig.ops->device();
    kvm::unplug();
    device->check(); // as the window's check after the removal notice
    QVERIFY(!device->isConnected());
    kvm::clearWireLog();
    // While it is away nothing is stored; the last request is kept.
    s.follower()->windowActivated(QStringLiteral("Game"));
    QTest::qWait(AppProfileFollower::kSettleMs + 300);
    s.follower()->windowActivated(QStringLiteral("Shooter"));
    QTest::qWait(AppProfileFollower::kSettleMs + 300);
    QCOMPARE(s.session()->profileNo(), 0);
    QVERIFY(!globalFileText(rig).contains(QLatin1String("profileNo=3")));
    QCOMPARE(s.follower()->pendingProfile(), 3);
    QVERIFY(switched.isEmpty());

    kvm::plug();
    device->check();
    QVERIFY(device->isConnected());
    kvm::clearWireLog(); // the connect sequence's own frames
    QTRY_COMPARE(s.session()->profileNo(), 3);
    QCOMPARE(sentToMouse(), barWire);
    QVERIFY(globalFileText(rig).contains(QLatin1String("profileNo=3")));
    QCOMPARE(switched.size(), 1);
    QCOMPARE(s.follower()->pendingProfile(), -1);
}

QTEST_GUILESS_MAIN(TestAppProfileModel)
#include "tst_appprofilemodel.moc"
