// The session's flows without a window: which calls change the profile,
// store or send anything at all, and what reset all leaves behind; and how
// a language's strings are laid over a page's own.
#include "model/dpimodel.h"
#include "model/keymatrixmodel.h"
#include "model/languagemodel.h"
#include "model/profilelistmodel.h"
#include "model/models.h"
#include "model/sessionmodel.h"
#include "settings/settingsstore.h"

#include "modelrig.h"

#include <QSignalSpy>

class TestSessionModel : public QObject
{
    Q_OBJECT

private slots:
    void flows_data();
    void flows();
    void languageOverDefaults_data();
    void languageOverDefaults();
    void languageChoiceIsStored();
};

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

QTEST_GUILESS_MAIN(TestSessionModel)
#include "tst_sessionmodel.moc"
