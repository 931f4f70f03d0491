// The scene's root flows on the real program: start-up state, DPI stage
// reports, window buttons, save all, profile change and reset all, checked on
// the settings files and on the virtual mouse's wire; and the window without
// a mouse, which shows a notice and stores and sends nothing; what Save tells
// and how a tab marks unsaved changes.
#include "scenerig.h"

#include "../filesizelimit.h"

#include "bus/kestabus.h"
#include "devicesettings/mousedevice.h"
#include "model/dpimodel.h"
#include "model/feedbacktexts.h"
#include "model/lightingmodel.h"

#include <QDirIterator>
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
    void autostartBoxWritesTheEntry();
    void hiddenPagesAreMadeOnFirstUse();
    void closeHidesTheWindow();
    void saveAllWithNothingDirtySendsNothing();
    void saveTellsItsOutcomeAndTabsMarkUnsavedPages();
    void profileChangeSendsEveryPageThenTheBoundMacros();
    void choosingTheCurrentProfileDoesNothing();
    void resetAllEndsOnStageTwoWithNothingDirty();
    void macroRenameRewritesTheBindings();
    void changesFromOutsideShowAndSurviveASave();
    void withoutMouseTheNoticeReplacesThePages_data();
    void withoutMouseTheNoticeReplacesThePages();
    void refusedMouseKeepsTheWindowAndSaysWhy_data();
    void refusedMouseKeepsTheWindowAndSaysWhy();
    void withoutMouseNothingIsStoredOrSent_data();
    void withoutMouseNothingIsStoredOrSent();

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
    SceneRig::call(m_rig.language(), "change", {3});
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

void TstSceneFlows::autostartBoxWritesTheEntry()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QVERIFY(m_rig.start());
    // The box is on the settings tab, made when first shown.
    SceneRig::call(m_rig.root(), "showTab", {2});
    QObject *box = m_rig.item(QStringLiteral("autostartBox"));
    QVERIFY(box);
    QCOMPARE(box->property("checked").toBool(), false);
    const QString entry = config.filePath(QStringLiteral("autostart/kesta-config.desktop"));
    // As a click does: the box changes, then says it was toggled.
    QMetaObject::invokeMethod(box, "toggle");
    QMetaObject::invokeMethod(box, "toggled");
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(file.readAll()).contains(QLatin1String("--hidden")));
    file.close();
    QMetaObject::invokeMethod(box, "toggle");
    QMetaObject::invokeMethod(box, "toggled");
    QVERIFY(!QFile::exists(entry));
    QCOMPARE(box->property("checked").toBool(), false);
    m_rig.stop();
    qunsetenv("XDG_CONFIG_HOME");
}

// The first screen makes only what it shows; a tab or overlay made later is
// the one the flows and the root reach by name, and making it sends nothing.
void TstSceneFlows::hiddenPagesAreMadeOnFirstUse()
{
    QVERIFY(m_rig.start());
    for (const char *name : {"lightPage", "settingsPage", "macroEditor", "helpMenu", "warning",
                             "confirm", "resetConfirm", "exitConfirm", "profileManager"})
        QVERIFY2(!m_rig.item(QLatin1String(name)), name);

    SceneRig::call(m_rig.root(), "showTab", {1});
    auto *light = qobject_cast<QQuickItem *>(m_rig.item(QStringLiteral("lightPage")));
    QVERIFY(light && light->isVisible());
    SceneRig::call(m_rig.root(), "showTab", {0});
    QVERIFY(!light->isVisible());
    QCOMPARE(m_rig.item(QStringLiteral("lightPage")), light); // kept, not made again

    QObject *warning = m_rig.page(QStringLiteral("warning"));
    QVERIFY(warning && warning == m_rig.item(QStringLiteral("warning")));
    SceneRig::call(m_rig.root(), "showWarning", {QStringLiteral("careful")});
    QVERIFY(warning->property("visible").toBool());
    QCOMPARE(warning->property("message").toString(), QStringLiteral("careful"));
    QVERIFY(m_rig.page(QStringLiteral("help")) == m_rig.item(QStringLiteral("helpMenu")));
    QVERIFY(SceneRig::wireCommands().empty());
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
    SceneRig::call(m_rig.session(), "saveAll");
    QCOMPARE(inputSwitches.count(), 0);
    QVERIFY(SceneRig::wireCommands().empty());
}

namespace {

// A Repeater's delegates have a visual parent only.
QQuickItem *visualChild(QQuickItem *from, const QString &name)
{
    if (!from || from->objectName() == name)
        return from;
    for (QQuickItem *child : from->childItems()) {
        if (QQuickItem *found = visualChild(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

void TstSceneFlows::saveTellsItsOutcomeAndTabsMarkUnsavedPages()
{
    QVERIFY(m_rig.start());
    QObject *mainTab = visualChild(m_rig.root(), QStringLiteral("tab0"));
    QObject *settingsTab = visualChild(m_rig.root(), QStringLiteral("tab2"));
    QObject *notice = m_rig.item(QStringLiteral("sessionNotice"));
    QVERIFY(mainTab && settingsTab && notice);
    const auto click = [this](const char *button) {
        QObject *item = m_rig.item(QLatin1String(button));
        QVERIFY2(item, button);
        QMetaObject::invokeMethod(item, "clicked");
    };
    QVERIFY(!mainTab->property("unsaved").toBool());
    QVERIFY(!notice->property("visible").toBool());

    // The case: stage 1 from 500 to 4000 DPI.
    m_rig.view()->models()->dpi()->setStageValue(0, 4000);
    QVERIFY(mainTab->property("unsaved").toBool());
    QVERIFY(!settingsTab->property("unsaved").toBool());
    const QString before = SceneRig::fileText(QStringLiteral("setting/p1.bin"));
    QVERIFY(before.contains(QLatin1String("dpiValueArray=500,")));
    kvm::clearWireLog();
    {
        FileSizeLimit full(16); // no settings file can be written
        QVERIFY(full.active());
        click("saveButton");
        // OK saves too; a failed save keeps the window open to tell of it.
        click("okButton");
        QMetaObject::invokeMethod(m_rig.page(QStringLiteral("exitConfirm")), "accepted");
    }
    using namespace FeedbackTexts;
    QVERIFY(m_rig.widget->isVisible());
    QVERIFY(notice->property("visible").toBool());
    const QString told = notice->property("text").toString();
    QVERIFY2(told.startsWith(english(CouldNotSave).arg(QString())), qPrintable(told));
    QVERIFY2(told.contains(QLatin1String("p1.bin")), qPrintable(told));
    QVERIFY(SceneRig::wireCommands().empty());
    QCOMPARE(SceneRig::fileText(QStringLiteral("setting/p1.bin")), before);
    QVERIFY(mainTab->property("unsaved").toBool());

    // With room again the same edit is stored, sent and unmarked.
    click("saveButton");
    QCOMPARE(notice->property("text").toString(), english(Saved));
    QVERIFY(!SceneRig::wireCommands().empty());
    QVERIFY(SceneRig::fileText(QStringLiteral("setting/p1.bin"))
                .contains(QLatin1String("dpiValueArray=4000,")));
    QVERIFY(!mainTab->property("unsaved").toBool());

    // The pointer page marks the settings tab alone; a click clears the notice.
    m_rig.pageState(QStringLiteral("system"))->setProperty("isSave", true);
    QVERIFY(settingsTab->property("unsaved").toBool());
    QVERIFY(!mainTab->property("unsaved").toBool());
    SceneRig::call(m_rig.session(), "clearNotice");
    QVERIFY(!notice->property("visible").toBool());
}

namespace {

// Profile 2 (p2.bin) binds button 3 to the macro "m1" of the library root.
SceneRig::FileValues profileWithAMacro()
{
    SceneRig::FileValues values;
    values["setting/p2.bin"]["mouseKeyMatrix/3"] = QStringList{"4", "0", "3", "0"};
    values["setting/p2.bin"]["mouseMacroKey/3"] = QStringLiteral("m1");
    values["macro/m1.bin"]["config/total"] = 2;
    values["macro/m1.bin"]["config/repeat"] = 1;
    values["macro/m1.bin"]["macro/0"] = QStringLiteral("1,A");
    values["macro/m1.bin"]["macro/1"] = QStringLiteral("2,A");
    return values;
}

int firstIndexOf(const std::vector<SceneCommand> &commands, int code)
{
    for (size_t i = 0; i < commands.size(); ++i) {
        if (commands[i].code() == code)
            return int(i);
    }
    return -1;
}

} // namespace

void TstSceneFlows::profileChangeSendsEveryPageThenTheBoundMacros()
{
    QVERIFY(m_rig.start(profileWithAMacro()));
    QSignalSpy busy(m_rig.root(), SIGNAL(busyChanged()));
    SceneRig::call(m_rig.session(), "changeProfile", {1});
    QCOMPARE(SceneRig::iniValue(QStringLiteral("setting/apConfig.bin"),
                                QStringLiteral("mouse/profileNo")),
             QStringLiteral("1"));
    QVERIFY(busy.count() >= 2); // shown, then hidden
    QCOMPARE(m_rig.root()->property("busy").toBool(), false);

    // Key matrix, report rate, lift-off, DPI, in that order; the macro last.
    const auto commands = SceneRig::wireCommands();
    const int matrix = firstIndexOf(commands, 0x12);
    const int rate = firstIndexOf(commands, 0x01);
    const int lod = firstIndexOf(commands, 0x07);
    const int dpi = firstIndexOf(commands, 0x11);
    const int macro = firstIndexOf(commands, 0x13);
    QVERIFY(matrix >= 0 && rate >= 0 && lod >= 0 && dpi >= 0 && macro >= 0);
    QVERIFY(matrix < rate && rate < lod && lod < dpi && dpi < macro);
    QCOMPARE(int(commands.back().code()), 0x13);
    // Macro number 4 (slot 3) carries the encoded steps.
    QCOMPARE(int(commands[size_t(macro)].param(2)), 4);
    const QVariantList encoded = m_rig.view()->encodeMacro({"1,A", "2,A"}, 1);
    QVERIFY(!encoded.isEmpty());
    const std::vector<uint8_t> &data = commands[size_t(macro)].data;
    QVERIFY(data.size() >= size_t(encoded.size()));
    for (int i = 0; i < encoded.size(); ++i)
        QCOMPARE(int(data[size_t(i)]), encoded.at(i).toInt());
}

void TstSceneFlows::choosingTheCurrentProfileDoesNothing()
{
    QVERIFY(m_rig.start());
    QSignalSpy busy(m_rig.root(), SIGNAL(busyChanged()));
    SceneRig::call(m_rig.session(), "changeProfile", {0});
    QCOMPARE(busy.count(), 0);
    QVERIFY(SceneRig::wireCommands().empty());
}

void TstSceneFlows::resetAllEndsOnStageTwoWithNothingDirty()
{
    QVERIFY(m_rig.start());
    for (const char *name : {"keyMatrix", "dpi", "light", "system", "lod", "reportRate"})
        QVERIFY(m_rig.pageState(QLatin1String(name))->setProperty("isSave", true));
    SceneRig::call(m_rig.session(), "resetAll");
    QCOMPARE(int(kvm::state().currentDpi), 2);
    QCOMPARE(m_rig.root()->property("currentDpiStage").toInt(), 1);
    QCOMPARE(m_rig.root()->property("mouseMode").toInt(), 0);
    for (const char *name : {"keyMatrix", "dpi", "light", "system", "lod", "reportRate", "recoil"})
        QVERIFY2(!m_rig.pageState(QLatin1String(name))->property("isSave").toBool(), name);
    // The profile file is the defaults again, and it went to the mouse.
    QCOMPARE(m_rig.profileValue(QStringLiteral("mouse/dpiValueArray")),
             SceneRig::iniValue(QStringLiteral("setting/pD.bin"),
                                QStringLiteral("mouse/dpiValueArray")));
    QVERIFY(firstIndexOf(SceneRig::wireCommands(), 0x11) >= 0);
}

void TstSceneFlows::macroRenameRewritesTheBindings()
{
    SceneRig::FileValues values = profileWithAMacro();
    values["setting/apConfig.bin"]["mouse/profileNo"] = 1;
    QVERIFY(m_rig.start(values));
    SceneRig::call(m_rig.session(), "macroRenamed",
                   {0, 0, QStringLiteral("m1"), QStringLiteral("combo")});
    QCOMPARE(m_rig.profileValue(QStringLiteral("mouseMacroKey/3")), QStringLiteral("combo"));
    QVERIFY(QFile::exists(QStringLiteral("modules/macro/combo.bin")));
    QVERIFY(!QFile::exists(QStringLiteral("modules/macro/m1.bin")));
}

// A change made over the bus (kesta-ctl while the program runs): the page
// shows the stored value at once, replacing its unsaved edits, and says so;
// a page the change did not touch keeps its edits; a Save in the window
// afterwards keeps the change; a profile switched from outside is named.
void TstSceneFlows::changesFromOutsideShowAndSurviveASave()
{
    QVERIFY(m_rig.start());
    myQQuickView *view = m_rig.view();
    KestaBus::Host host;
    host.ops = view->operations();
    host.models = view->models();
    host.deviceConnected = [] { return true; };
    host.setDialogs = [view](UserDialogs *d) { view->setDialogs(d); };
    KestaBus bus(host);
    Models *models = view->models();
    models->dpi()->setStageValue(0, 3000);
    models->dpi()->setSave(true);
    models->light()->setSave(true);

    QString out, err;
    QCOMPARE(bus.runNow(QStringLiteral("dpi"), {"set", "2=1500"}, &out, &err), 0);
    QCOMPARE(models->dpi()->values().mid(0, 2), QList<int>({500, 1500}));
    QVERIFY(!models->dpi()->isSave());
    QVERIFY(models->light()->isSave());
    QVERIFY2(models->session()->notice().contains(QLatin1String("DPI")),
             qPrintable(models->session()->notice()));
    QCOMPARE(bus.dpiStages().value(1), 1500);

    SceneRig::call(m_rig.session(), "saveAll");
    QVERIFY(m_rig.profileValue(QStringLiteral("mouse/dpiValueArray")).contains("1500"));

    QSignalSpy switched(&bus, &KestaBus::profileSwitched);
    QCOMPARE(bus.runNow(QStringLiteral("profile"), {"switch", "2"}, &out, &err), 0);
    QCOMPARE(m_rig.root()->property("profileNo").toInt(), 2);
    QCOMPARE(switched.count(), 1);
    QCOMPARE(switched.at(0).at(0).toString(), bus.profileName());
    QVERIFY(!bus.profileName().isEmpty());
    // Bad arguments change nothing, not even the pages' edits.
    models->dpi()->setSave(true);
    QCOMPARE(bus.runNow(QStringLiteral("dpi"), {"set", "2=abc"}, &out, &err), 2);
    QVERIFY(models->dpi()->isSave());
}

void TstSceneFlows::withoutMouseTheNoticeReplacesThePages_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::newRow("English") << "English"
                             << "No mouse connected";
    QTest::newRow("the stored language, before any mouse") << "German"
                                                           << "Keine Maus verbunden";
}

void TstSceneFlows::withoutMouseTheNoticeReplacesThePages()
{
    QFETCH(QString, language);
    QFETCH(QString, title);
    SceneRig::FileValues values;
    values["setting/apConfig.bin"]["common/language"] = language;
    QVERIFY(m_rig.startWithoutMouse(values));
    const auto shown = [this](const char *name) {
        auto *item = qobject_cast<QQuickItem *>(m_rig.item(QLatin1String(name)));
        return item && item->isVisible();
    };
    QVERIFY(shown("noMouseNotice"));
    QCOMPARE(m_rig.item(QStringLiteral("noMouseTitle"))->property("text").toString(), title);
    QVERIFY(!m_rig.item(QStringLiteral("noMouseHint"))->property("text").toString().isEmpty());
    for (const char *hidden : {"mainPage", "saveButton", "okButton", "resetButton", "profileList"})
        QVERIFY2(!shown(hidden), hidden);
    QVERIFY(shown("closeButton"));

    // The mouse arrives: its pages take the notice's place.
    kvm::plug();
    m_rig.widget->checkDevice();
    QVERIFY(m_rig.widget->isDeviceConnected());
    QTRY_VERIFY_WITH_TIMEOUT(m_rig.root()->property("isPownOn").toBool(), 10000);
    QTRY_VERIFY(shown("mainPage"));
    QVERIFY(shown("saveButton"));
    QVERIFY(!shown("noMouseNotice"));
}

void TstSceneFlows::refusedMouseKeepsTheWindowAndSaysWhy_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::newRow("English") << "English"
                             << "The mouse cannot be opened";
    QTest::newRow("the stored language") << "German"
                                         << "Die Maus kann nicht geöffnet werden";
}

void TstSceneFlows::refusedMouseKeepsTheWindowAndSaysWhy()
{
    QFETCH(QString, language);
    QFETCH(QString, title);
    SceneRig::FileValues values;
    values["setting/apConfig.bin"]["common/language"] = language;
    QVERIFY(m_rig.startRefused(values));
    const auto shown = [this](const char *name) {
        auto *item = qobject_cast<QQuickItem *>(m_rig.item(QLatin1String(name)));
        return item && item->isVisible();
    };
    QTRY_VERIFY(shown("noMouseNotice"));
    QTRY_COMPARE(m_rig.item(QStringLiteral("noMouseTitle"))->property("text").toString(), title);
    QVERIFY(m_rig.item(QStringLiteral("noMouseHint"))
                ->property("text")
                .toString()
                .contains(QLatin1String("70-kesta.rules")));
    QVERIFY(!shown("mainPage"));
    // kesta-ctl, working through the running program, says the same.
    myQQuickView *view = m_rig.view();
    KestaBus::Host host;
    host.ops = view->operations();
    host.models = view->models();
    host.deviceConnected = [this] { return m_rig.widget->isDeviceConnected(); };
    host.refusedNode = [view] { return view->device()->refusedNode(); };
    KestaBus bus(host);
    QString out;
    QString err;
    QCOMPARE(bus.runNow(QStringLiteral("status"), {}, &out, &err), 0);
    QVERIFY2(out.contains(QLatin1String("found, no permission (/dev/hidraw-kesta-0)")),
             qPrintable(out));

    // Allowed at last (the rule is in, the mouse plugged in again): the
    // pages come, and a later absence is plain absence again.
    kvm::clearFaults();
    m_rig.widget->checkDevice();
    QVERIFY(m_rig.widget->isDeviceConnected());
    QTRY_VERIFY_WITH_TIMEOUT(m_rig.root()->property("isPownOn").toBool(), 10000);
    QTRY_VERIFY(shown("mainPage"));
    QVERIFY(!shown("noMouseNotice"));
    QCOMPARE(m_rig.widget->view()->models()->session()->refusedNode(), QString());
}

namespace {

// Every staged file, by path, with its bytes.
QMap<QString, QByteArray> modulesFiles()
{
    QMap<QString, QByteArray> files;
    QDirIterator it(QStringLiteral("modules"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(file.fileName(), file.readAll());
    }
    return files;
}

void markEveryPageDirty(SceneRig &rig)
{
    for (const char *name : {"keyMatrix", "dpi", "light", "system", "lod", "reportRate"})
        rig.pageState(QLatin1String(name))->setProperty("isSave", true);
}

} // namespace

void TstSceneFlows::withoutMouseNothingIsStoredOrSent_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("Save with every page dirty") << "save";
    QTest::newRow("OK, confirmed") << "ok";
    QTest::newRow("Reset, confirmed") << "reset";
    QTest::newRow("another profile") << "profile";
    QTest::newRow("each page saving on its own") << "pages";
}

void TstSceneFlows::withoutMouseNothingIsStoredOrSent()
{
    QFETCH(QString, action);
    // A stored profile that differs from the defaults and from every
    // placeholder a page shows before it is loaded.
    SceneRig::FileValues values;
    values["setting/p1.bin"]["mouse/dpiValueArray"] =
        QStringList{"500", "1000", "2000", "3000", "4000", "5000", "6000", "7000"};
    values["setting/p1.bin"]["mouse/reportRate"] = 1;
    QVERIFY(m_rig.startWithoutMouse(values));
    const QMap<QString, QByteArray> before = modulesFiles();
    QVERIFY(before.contains(QStringLiteral("modules/setting/p1.bin")));

    const auto click = [this](const char *button) {
        QObject *item = m_rig.item(QLatin1String(button));
        QVERIFY2(item, button);
        QMetaObject::invokeMethod(item, "clicked");
    };
    if (action == "save") {
        markEveryPageDirty(m_rig);
        click("saveButton");
    } else if (action == "ok") {
        markEveryPageDirty(m_rig);
        click("okButton");
        QMetaObject::invokeMethod(m_rig.page(QStringLiteral("exitConfirm")), "accepted");
    } else if (action == "reset") {
        click("resetButton");
        QMetaObject::invokeMethod(m_rig.page(QStringLiteral("resetConfirm")), "accepted");
    } else if (action == "profile") {
        SceneRig::call(m_rig.session(), "changeProfile", {1});
    } else {
        for (const char *name : {"keyMatrix", "dpi", "lod", "reportRate"})
            SceneRig::call(m_rig.pageState(QLatin1String(name)), "saveData", {true});
        for (const char *name : {"light", "system"})
            SceneRig::call(m_rig.pageState(QLatin1String(name)), "saveData", {true, 0});
    }
    QTest::qWait(100);

    const QMap<QString, QByteArray> after = modulesFiles();
    QCOMPARE(after.keys(), before.keys());
    for (auto it = before.begin(); it != before.end(); ++it)
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
    for (const kvm::WireEntry &e : kvm::wireLog())
        QVERIFY2(e.iface.empty(), e.call.c_str());
    QCOMPARE(m_rig.root()->property("busy").toBool(), false);
}

QTEST_MAIN(TstSceneFlows)
#include "tst_sceneflows.moc"
