// The profile manager on the real program: the six-profile limit, import
// naming and numbering, export, rename and delete, checked on name.bin, the
// profile files and the dialogs asked.
#include "bus/kestabus.h"
#include "model/appprofilemodel.h"
#include "model/languagemodel.h"
#include "model/models.h"
#include "model/profilelistmodel.h"
#include "model/sessionmodel.h"
#include "scenerig.h"
#include "settings/userdialogs.h"

#include <QSignalSpy>

class TstProfileManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void importWithSixProfilesChangesNothing();
    void deleteFreesTheNumberAndImportTakesIt();
    void renameKeepsTheNumber_data();
    void renameKeepsTheNumber();
    void theProfileInUseCannotBeDeleted();
    void exportWritesTheProfileFile();
    void ruleAddedFromTheOpenWindows();
    void noteSaysWhetherTheFrontIsSeen_data();
    void noteSaysWhetherTheFrontIsSeen();
    void otherWindowsLineFollowsTheUsersSwitch();
    void nameFieldShowsTheSelectionAfterADelete_data();
    void nameFieldShowsTheSelectionAfterADelete();
    void deleteQuestionNamesTheRules();

private:
    QObject *manager() const { return m_rig.page(QStringLiteral("profileManager")); }
    ProfileListModel *profiles() const { return m_rig.view()->models()->profiles(); }
    static QString names()
    {
        return SceneRig::iniValue(QStringLiteral("setting/name.bin"),
                                  QStringLiteral("profile/profileName"));
    }

    SceneRig m_rig;
    ScriptedDialogs m_dialogs;
};

void TstProfileManager::init()
{
    m_dialogs = ScriptedDialogs();
    QVERIFY(m_rig.start());
    m_rig.view()->setDialogs(&m_dialogs);
    SceneRig::call(manager(), "open");
}

void TstProfileManager::cleanup()
{
    m_rig.stop();
}

void TstProfileManager::importWithSixProfilesChangesNothing()
{
    const QString before = names();
    QCOMPARE(profiles()->count(), 6);
    QCOMPARE(profiles()->importProfile(), -1);
    QCOMPARE(names(), before);
    QVERIFY(m_dialogs.asked.isEmpty()); // no file was asked for
    QObject *warning = m_rig.page(QStringLiteral("warning"));
    QVERIFY(warning->property("visible").toBool());
    QCOMPARE(warning->property("message").toString(),
             QStringLiteral("Not imported: the profile list already holds six profiles"));
}

void TstProfileManager::deleteFreesTheNumberAndImportTakesIt()
{
    // Shipped: Default0, Office1, Game2, Shooter3, Strategy4, Custom5.
    QVERIFY(profiles()->deleteProfile(2));
    QCOMPARE(names(), QStringLiteral("Default0, Office1, Shooter3, Strategy4, Custom5"));

    // A profile exported from this program: Shooter3's file.
    QTemporaryDir exchange;
    const QString file = exchange.filePath(QStringLiteral("mine.pf"));
    QVERIFY(QFile::copy(QStringLiteral("modules/setting/p4.bin"), file));
    m_dialogs.answers << file;
    QCOMPARE(profiles()->importProfile(), 5);
    QCOMPARE(m_dialogs.asked.size(), 1);
    QVERIFY(m_dialogs.asked.first().startsWith(QLatin1String("open|")));
    // The first free name and the lowest free number.
    QCOMPARE(names(),
             QStringLiteral("Default0, Office1, Shooter3, Strategy4, Custom5, profile_02"));
    QCOMPARE(SceneRig::fileText(QStringLiteral("setting/p3.bin")),
             SceneRig::fileText(QStringLiteral("setting/p4.bin")));
}

void TstProfileManager::renameKeepsTheNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::newRow("plain name") << "Sniper"
                                << "Default0, Sniper1, Game2";
    QTest::newRow("blanks trimmed") << "  Sniper  "
                                    << "Default0, Sniper1, Game2";
    QTest::newRow("a name ending in a digit") << "Team7"
                                              << "Default0, Team71, Game2";
    QTest::newRow("empty is refused") << "   "
                                      << "Default0, Office1, Game2";
}

void TstProfileManager::renameKeepsTheNumber()
{
    QFETCH(QString, name);
    QFETCH(QString, stored);
    profiles()->renameProfile(1, name);
    QVERIFY(names().startsWith(stored));
    // The list reads back with the number it had.
    profiles()->reload();
    QCOMPARE(profiles()->indexOfNumber(1), 1);
}

void TstProfileManager::theProfileInUseCannotBeDeleted()
{
    const QString before = names();
    QCOMPARE(m_rig.root()->property("profileNo").toInt(), 0);
    QCOMPARE(profiles()->deleteProfile(0), false);
    QCOMPARE(names(), before);
}

void TstProfileManager::exportWritesTheProfileFile()
{
    QTemporaryDir exchange;
    const QString file = exchange.filePath(QStringLiteral("out.pf"));
    m_dialogs.answers << file;
    profiles()->exportProfile(3); // Shooter3: p4.bin
    QFile exported(file);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(exported.readAll()),
             SceneRig::fileText(QStringLiteral("setting/p4.bin")));
}

// "Add" offers the classes of the open windows (each once) and the profiles
// by name; the rule stores the profile's number.
void TstProfileManager::ruleAddedFromTheOpenWindows()
{
    AppProfileModel *rules = m_rig.view()->models()->appProfiles();
    rules->setWindowClassSource([] {
        return QStringList{"browser", "shooter_game", "browser", QString()};
    });
    SceneRig::call(manager(), "close");
    SceneRig::call(manager(), "open");
    QObject *classes = m_rig.item(QStringLiteral("appProfileClass"));
    QObject *profileBox = m_rig.item(QStringLiteral("appProfileProfile"));
    QObject *add = m_rig.item(QStringLiteral("appProfileAdd"));
    QVERIFY(classes && profileBox && add);
    QCOMPARE(classes->property("count").toInt(), 2);
    QCOMPARE(classes->property("displayText").toString(), QStringLiteral("browser"));
    classes->setProperty("currentIndex", 1);
    profileBox->setProperty("currentIndex", 3);
    QVERIFY(add->property("enabled").toBool());
    QVERIFY(QMetaObject::invokeMethod(add, "clicked"));
    QCOMPARE(rules->profileFor(QStringLiteral("shooter_game")), 3);
    QTRY_COMPARE(m_rig.item(QStringLiteral("appProfileRules"))->property("count").toInt(), 1);
    QVERIFY(SceneRig::fileText(QStringLiteral("setting/apConfig.bin"))
                .contains(QLatin1String("classes=shooter_game, loaderquiver")));
}

void TstProfileManager::noteSaysWhetherTheFrontIsSeen_data()
{
    QTest::addColumn<int>("watch");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("says");
    QTest::newRow("followed") << int(AppProfileModel::Watching) << "English"
                              << "half a second";
    QTest::newRow("no window manager") << int(AppProfileModel::NoWindowManager) << "English"
                                       << "no window manager";
    QTest::newRow("Wayland") << int(AppProfileModel::NoX11) << "English"
                             << "Wayland session";
    QTest::newRow("in the window's language") << int(AppProfileModel::NoX11) << "German"
                                              << "In einer Wayland-Sitzung";
}

void TstProfileManager::noteSaysWhetherTheFrontIsSeen()
{
    QFETCH(int, watch);
    QFETCH(QString, language);
    QFETCH(QString, says);
    LanguageModel *languages = m_rig.view()->models()->language();
    languages->change(int(languages->names().indexOf(language)));
    m_rig.view()->models()->appProfiles()->setWatch(AppProfileModel::Watch(watch));
    const QString note = m_rig.item(QStringLiteral("appProfileNote"))->property("text").toString();
    QVERIFY2(note.contains(says), qPrintable(note));
}

// The profile a window without a rule brings back is the one the user chose
// last, from the top bar or through kesta-ctl; the open manager says so.
void TstProfileManager::otherWindowsLineFollowsTheUsersSwitch()
{
    Models *models = m_rig.view()->models();
    AppProfileModel *rules = models->appProfiles();
    QVERIFY(rules->setRule(QStringLiteral("Game"), QStringLiteral("2")) ==
            AppProfileModel::Outcome::Done);
    QVERIFY(rules->setReturnTo(0));
    QObject *line = m_rig.item(QStringLiteral("appProfileReturnTo"));
    QVERIFY(line);
    QTRY_COMPARE(line->property("text").toString(), QStringLiteral("Other windows: Default"));
    QSignalSpy told(rules, &AppProfileModel::returnToChanged);

    QVERIFY(models->session()->changeProfile(1)); // the top bar
    QCOMPARE(rules->returnTo(), 1);
    QVERIFY(!told.isEmpty());
    QTRY_COMPARE(line->property("text").toString(), QStringLiteral("Other windows: Office"));

    myQQuickView *view = m_rig.view();
    KestaBus::Host host;
    host.ops = view->operations();
    host.models = models;
    host.deviceConnected = [] { return true; };
    host.setDialogs = [view](UserDialogs *d) { view->setDialogs(d); };
    KestaBus bus(host);
    told.clear();
    QString out, err;
    QCOMPARE(bus.runNow(QStringLiteral("profile"), {"switch", "3"}, &out, &err), 0);
    QCOMPARE(models->session()->profileNo(), 3);
    QCOMPARE(rules->returnTo(), 3);
    QVERIFY(!told.isEmpty());
    QTRY_COMPARE(line->property("text").toString(), QStringLiteral("Other windows: Shooter"));
}

void TstProfileManager::nameFieldShowsTheSelectionAfterADelete_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("a row in the middle") << 2;
    QTest::newRow("the last row") << 5;
}

// Whatever row the selection lands on, the name field shows that profile's
// name: Rename must not give it the deleted one's.
void TstProfileManager::nameFieldShowsTheSelectionAfterADelete()
{
    QFETCH(int, row);
    QObject *field = m_rig.item(QStringLiteral("profileNameField"));
    QObject *list = m_rig.item(QStringLiteral("profileEntries"));
    QVERIFY(field && list);
    manager()->setProperty("selected", row);
    QCOMPARE(field->property("text").toString(), profiles()->nameAt(row));
    const QString deleted = profiles()->nameAt(row);
    QVERIFY(profiles()->deleteProfile(row));
    const int selected = manager()->property("selected").toInt();
    QVERIFY(selected >= 0 && selected < profiles()->count());
    QTRY_COMPARE(list->property("currentIndex").toInt(), selected);
    QCOMPARE(field->property("text").toString(), profiles()->nameAt(selected));
    QVERIFY(field->property("text").toString() != deleted);
}

// Deleting a profile that windows bring takes their rules along: the
// question says so, in the window's language.
void TstProfileManager::deleteQuestionNamesTheRules()
{
    AppProfileModel *rules = m_rig.view()->models()->appProfiles();
    QVERIFY(rules->setRule(QStringLiteral("Game"), QStringLiteral("2")) ==
            AppProfileModel::Outcome::Done);
    QSignalSpy asked(manager(), SIGNAL(confirmRequested(QString, QVariant)));
    QObject *remove = m_rig.item(QStringLiteral("deleteProfileButton"));
    QVERIFY(remove);
    auto question = [&](int row) {
        manager()->setProperty("selected", row);
        asked.clear();
        QMetaObject::invokeMethod(remove, "clicked");
        return asked.size() == 1 ? asked.first().first().toString() : QString();
    };
    QCOMPARE(question(2), QStringLiteral("Delete the profile “Game” and its window rules?"));
    QCOMPARE(question(1), QStringLiteral("Delete the profile “Office”?"));
    LanguageModel *languages = m_rig.view()->models()->language();
    languages->change(int(languages->names().indexOf(QStringLiteral("German"))));
    QCOMPARE(question(2), QStringLiteral("Das Profil „Game“ und seine Fensterregeln löschen?"));
}

QTEST_MAIN(TstProfileManager)
#include "tst_profilemanager.moc"
