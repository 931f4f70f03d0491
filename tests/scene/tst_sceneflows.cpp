// The scene's root flows on the real program: start-up state, DPI stage
// reports, window buttons, save all, profile change and reset all, checked on
// the settings files and on the virtual mouse's wire.
#include "scenerig.h"

#include <QSignalSpy>

class TstSceneFlows : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        m_rig.stop();
        m_rig.clearWireAfterStart = true;
    }

    void currentDpiReport_data();
    void currentDpiReport();
    void storedGameModeStartsInGameMode();
    void firstInitMakesProfileOneCurrent_data();
    void firstInitMakesProfileOneCurrent();
    void languageSelectorStoresAndReloads();
    void closeHidesTheWindow();
    void saveAllWithNothingDirtySendsNothing();

private:
    SceneRig m_rig;
};

void TstSceneFlows::currentDpiReport_data()
{
    QTest::addColumn<int>("report");
    QTest::addColumn<int>("stage");
    QTest::newRow("stage 3 selects index 2") << 3 << 2;
    QTest::newRow("0 is ignored") << 0 << 1;
    QTest::newRow("stage 8 selects index 7") << 8 << 7;
}

void TstSceneFlows::currentDpiReport()
{
    QFETCH(int, report);
    QFETCH(int, stage);
    QVERIFY(m_rig.start());
    SceneRig::call(m_rig.root(), "setCurrentDPI", {2});
    SceneRig::call(m_rig.root(), "setCurrentDPI", {report});
    QCOMPARE(m_rig.root()->property("currentDpiStage").toInt(), stage);
}

void TstSceneFlows::storedGameModeStartsInGameMode()
{
    SceneRig::FileValues values;
    values["setting/p1.bin"]["mouse/mouseMode"] = 1;
    values["setting/apConfig.bin"]["mouse/profileNo"] = 0;
    QVERIFY(m_rig.start(values));
    QCOMPARE(m_rig.root()->property("mouseMode").toInt(), 1);
    QCOMPARE(m_rig.root()->property("isGun").toBool(), true);
    auto *recoil = qobject_cast<QQuickItem *>(m_rig.item(QStringLiteral("recoilButton")));
    QVERIFY(recoil);
    QVERIFY(recoil->isVisible());
    auto *game = qobject_cast<QQuickItem *>(m_rig.item(QStringLiteral("gameModeButton")));
    QVERIFY(game);
    QVERIFY(!game->isVisible());
    QVERIFY(!game->isEnabled());
}

void TstSceneFlows::firstInitMakesProfileOneCurrent_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("asks");
    QTest::newRow("560 on profile 0 is switched to profile 1") << 560 << true;
    QTest::newRow("553 has no on-board profile to ask for") << 553 << false;
}

void TstSceneFlows::firstInitMakesProfileOneCurrent()
{
    QFETCH(int, family);
    QFETCH(bool, asks);
    SceneRig::FileValues values;
    values["setting/apConfig.bin"]["mouse/icType"] = QString::number(family);
    kvm::Config config = kvm::defaultConfig();
    config.family = family;
    m_rig.clearWireAfterStart = false;
    QVERIFY(m_rig.start(values, config));
    int queries = 0;
    QList<int> switches;
    for (const SceneCommand &c : SceneRig::wireCommands()) {
        queries += c.code() == 0x82;
        if (c.code() == 0x02)
            switches << c.param(2);
    }
    QCOMPARE(queries, asks ? 1 : 0);
    if (asks)
        QCOMPARE(switches, QList<int>{1});
}

void TstSceneFlows::languageSelectorStoresAndReloads()
{
    QVERIFY(m_rig.start());
    auto *selector = qobject_cast<QQuickItem *>(m_rig.item(QStringLiteral("languageList")));
    QVERIFY(selector);
    QVERIFY(!selector->isVisible());
    QVERIFY(!selector->isEnabled());
    SceneRig::call(m_rig.root(), "changeLanguage", {3});
    QCOMPARE(SceneRig::iniValue(QStringLiteral("setting/apConfig.bin"),
                                QStringLiteral("common/language")),
             QStringLiteral("German"));
    QCOMPARE(m_rig.root()->property("langIndex").toInt(), 3);
    const QStringList strings = m_rig.root()->property("keyMatrixStrings").toStringList();
    QCOMPARE(strings.value(12), QStringLiteral("Speichern"));
    auto *save = m_rig.item(QStringLiteral("saveButton"));
    QVERIFY(save);
    QCOMPARE(save->property("text").toString(), QStringLiteral("Speichern"));
}

void TstSceneFlows::closeHidesTheWindow()
{
    QVERIFY(m_rig.start());
    QVERIFY(m_rig.widget->isVisible());
    QObject *close = m_rig.item(QStringLiteral("closeButton"));
    QVERIFY(close);
    QMetaObject::invokeMethod(close, "clicked");
    QTRY_VERIFY(!m_rig.widget->isVisible());
    QVERIFY(m_rig.widget->trayIcon()->isVisible());
}

void TstSceneFlows::saveAllWithNothingDirtySendsNothing()
{
    QVERIFY(m_rig.start());
    QSignalSpy inputSwitches(m_rig.view(), &myQQuickView::inputEnabledChanged);
    SceneRig::call(m_rig.root(), "saveAll");
    QCOMPARE(inputSwitches.count(), 0);
    QVERIFY(SceneRig::wireCommands().empty());
}

QTEST_MAIN(TstSceneFlows)
#include "tst_sceneflows.moc"
