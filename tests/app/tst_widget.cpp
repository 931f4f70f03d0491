// The main window against the virtual mouse: the device check and the
// connect and disconnect sequences, device-change notices and the check
// timer, the listener's effects, and the second-start message.
#include "app/quitsignals.h"
#include "app/widget.h"
#include "bus/kestabus.h"
#include "macro/macrolibrary.h"
#include "model/languagemodel.h"
#include "model/appprofilefollower.h"
#include "model/appprofilemodel.h"
#include "model/dpimodel.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "model/sessionmodel.h"
#include "view/operations.h"
#include "settings/langstrings.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/myqquickview.h"

#include "../filesizelimit.h"
#include "../scenecalls.h"
#include "../stagemodules.h"

#include <QBackingStore>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QQuickItem>
#include <QSettings>
#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <optional>

namespace {

int countFrames(uint8_t code, int *firstParam = nullptr, std::vector<int> *params = nullptr)
{
    int n = 0;
    for (const kvm::WireEntry &e : kvm::wireLog()) {
        if (e.call != "send_feature" || e.plain.size() < 3 || e.plain[1] != code)
            continue;
        ++n;
        if (firstParam && n == 1)
            *firstParam = e.plain[2];
        if (params)
            params->push_back(e.plain[2]);
    }
    return n;
}

} // namespace

class TstWidget : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // First: a face loaded by a later test stays open in the process.
    void englishWindowOpensNoCjkFace();
    void connectStartsListenerAndScene();
    void hostKeepsNoWindowBufferOfItsOwn();
    void firstListedDeviceWins();
    void missingGroupAndAbsentDeviceHideTheWindow();
    void wrongSecrecyCodeHidesTheWindow();
    void missingNotificationInterfaceStillConnects();
    void family560ReadsItsProfiles_data();
    void family560ReadsItsProfiles();
    void burstOfNoticesGivesOneCheck();
    void noticesAreDroppedWhileListening();
    void virtualMousePlugAndUnplugAreNotices();
    void dpiButtonAndRemovalReachTheView();
    void secondStartRestoresOnlyWhenConnected();
    void quitClearsTheListenerFirst();
    void recordingEndsWhenHiddenOrQuit_data();
    void recordingEndsWhenHiddenOrQuit();
    void trayBubbles();
    void followedProfileIsNamedInTheTray_data();
    void followedProfileIsNamedInTheTray();
    void removalIsToldAndOpenBringsTheWindowBack();
    void hiddenStartBuildsTheSceneOnFirstShow();
    void refusedMouseIsToldOnceWhileHidden_data();
    void refusedMouseIsToldOnceWhileHidden();
    void trayTextsFollowTheLanguage_data();
    void trayTextsFollowTheLanguage();

private:
    // Writes key=value pairs into the staged global file before the window exists.
    void setGlobal(const QVariantMap &values);
    void makeWidget();
    QQuickItem *root() const { return m_widget->view()->rootObject(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Widget> m_widget;
    QString m_oldDir;
};

void TstWidget::init()
{
    kvm::configure(kvm::defaultConfig());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(stageModules(m_dir->path()));
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
}

void TstWidget::cleanup()
{
    m_widget.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void TstWidget::setGlobal(const QVariantMap &values)
{
    QSettings global(QStringLiteral("modules/setting/apConfig.bin"), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.value().isNull())
            global.remove(it.key());
        else
            global.setValue(it.key(), it.value());
    }
    global.sync();
}

void TstWidget::makeWidget()
{
    m_widget = std::make_unique<Widget>();
    m_widget->showNormal();
}

// An English window, its pages built and shown, has opened no face of the
// Chinese languages: nothing it shows needs one.
void TstWidget::englishWindowOpensNoCjkFace()
{
    const QStringList families = QFontDatabase::families();
    if (!families.contains(QStringLiteral("Noto Sans CJK SC")))
        QSKIP("no CJK face installed here");
    const auto openFaces = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        if (!maps.open(QIODevice::ReadOnly))
            return QStringList{QStringLiteral("?")};
        QStringList faces;
        for (const QByteArray &line : maps.readAll().split('\n')) {
            const QString path = QString::fromLocal8Bit(line.mid(line.indexOf('/')));
            if (line.contains('/') && path.contains(QLatin1String("CJK"), Qt::CaseInsensitive))
                faces.append(path);
        }
        return faces;
    };
    if (!openFaces().isEmpty())
        QSKIP("a CJK face was open before the window");
    setGlobal({{QStringLiteral("common/language"), QStringLiteral("English")}});
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QTRY_VERIFY_WITH_TIMEOUT(root() && root()->property("startupDone").toBool(), 20000);
    QTRY_VERIFY(!root()->property("busy").toBool());
    QTest::qWait(100); // a frame of the pages
    QVERIFY2(openFaces().isEmpty(), qPrintable(openFaces().join(QLatin1Char(' '))));
}

// The scene covers the whole window and draws it; the host window paints
// nothing, so it keeps no full-size buffer beside the scene's own.
void TstWidget::hostKeepsNoWindowBufferOfItsOwn()
{
    makeWidget();
    m_widget->checkDevice();
    QTRY_VERIFY_WITH_TIMEOUT(root() && root()->property("startupDone").toBool(), 20000);
    m_widget->resize(m_widget->size() + QSize(40, 30));
    m_widget->update();
    QTest::qWait(100);
    QBackingStore *store = m_widget->backingStore();
    QVERIFY2(
        !store || store->size().isEmpty(),
        qPrintable(QStringLiteral("%1x%2").arg(store->size().width()).arg(store->size().height())));
    QTRY_COMPARE(m_widget->view()->size(), m_widget->size()); // the scene still follows
}

void TstWidget::connectStartsListenerAndScene()
{
    makeWidget();
    SceneCalls calls(root());
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QVERIFY(m_widget->isVisible());
    QVERIFY(m_widget->hidThread()->listening);
    QVERIFY(m_widget->view()->isInputEnabled());
    // The notification option bit went out with the 553 option write.
    QCOMPARE(kvm::state().keyboardOptions[3] & 0x40, 0x40);
    // "initUI" (which locks the view first) before "run", one pass later.
    QTRY_VERIFY(calls.names.contains(QStringLiteral("run")));
    const int init = calls.names.indexOf(QStringLiteral("setProtectUI"));
    const int run = calls.names.indexOf(QStringLiteral("run"));
    QVERIFY(init >= 0);
    QVERIFY(run > init);
}

void TstWidget::firstListedDeviceWins()
{
    QSettings global(QStringLiteral("modules/setting/apConfig.bin"), QSettings::IniFormat);
    global.setValue(QStringLiteral("common/deviceCount"), 2);
    for (const QString &key : global.allKeys()) {
        if (key.startsWith(QLatin1String("0/")))
            global.setValue(QStringLiteral("1/") + key.mid(2), global.value(key));
    }
    global.sync();
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QCOMPARE(m_widget->hidThread()->deviceIndex, 0);
    QCOMPARE(m_widget->hidThread()->deviceList.size(), 2);
    QCOMPARE(countFrames(0x00), 1); // the second entry is never handshaken
}

void TstWidget::missingGroupAndAbsentDeviceHideTheWindow()
{
    // Entry 0 names a device that is not there; entry 1 has no group at all.
    setGlobal({{"common/deviceCount", 2}, {"0/pid", "1234"}});
    makeWidget();
    QVERIFY(m_widget->isVisible());
    m_widget->checkDevice();
    QVERIFY(!m_widget->isDeviceConnected());
    QVERIFY(!m_widget->isVisible());
    const auto &list = m_widget->hidThread()->deviceList;
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(1)->type, -1);
    QCOMPARE(list.at(1)->vid, 0);
    QVERIFY(list.at(1)->path.isEmpty()); // no interface has the usage pair (0, 0)
    QCOMPARE(countFrames(0x00), 0);
}

void TstWidget::wrongSecrecyCodeHidesTheWindow()
{
    setGlobal({{"0/sCode", "999999"}});
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(!m_widget->isDeviceConnected());
    QVERIFY(!m_widget->isVisible());
    QCOMPARE(countFrames(0x00), 0); // the mouse cannot read a frame scrambled with another code
    QVERIFY(kvm::state().errors > 0);
}

void TstWidget::missingNotificationInterfaceStillConnects()
{
    kvm::Config config = kvm::defaultConfig();
    config.notifyInterface = false;
    kvm::configure(config);
    makeWidget();
    SceneCalls calls(root());
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QVERIFY(m_widget->hidThread()->currentEntry()->path2.isEmpty());
    // The scene is started one pass after the connect sequence (its initUI
    // locks the view first).
    auto sceneRuns = [&calls] { return int(calls.names.count(QStringLiteral("setProtectUI"))); };
    QTRY_COMPARE(sceneRuns(), 1);
    // Without a notification interface no listener can run: notices count again.
    QTRY_VERIFY(!m_widget->hidThread()->listening);
    m_widget->onDeviceChangeNotice();
    QVERIFY(m_widget->deviceCheckTimer()->isActive());
    m_widget->deviceCheckTimer()->stop();

    // Another device anywhere on the machine: the mouse is still there and
    // answers, so the check ends with the handshake.
    QTRY_VERIFY(!root()->property("busy").toBool()); // the start-up lock ran out
    calls.names.clear();
    kvm::clearWireLog();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QCOMPARE(countFrames(0x00), 1);
    QCOMPARE(countFrames(0x83), 0);
    QCOMPARE(countFrames(0x03), 0);
    QTest::qWait(50);
    QVERIFY(calls.names.isEmpty());

    // Gone, then back: the whole sequence again.
    QTRY_VERIFY(!root()->property("busy").toBool());
    calls.names.clear();
    kvm::unplug();
    m_widget->checkDevice();
    QVERIFY(!m_widget->isDeviceConnected());
    kvm::plug();
    kvm::clearWireLog();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QCOMPARE(countFrames(0x03), 1);
    QTRY_COMPARE(sceneRuns(), 1);
}

void TstWidget::family560ReadsItsProfiles_data()
{
    QTest::addColumn<bool>("isGun");
    QTest::addColumn<std::vector<int>>("profiles");
    QTest::newRow("without weapons") << false << std::vector<int>{0, 1};
    QTest::newRow("with weapons") << true << std::vector<int>{0, 1, 2, 3, 4};
}

void TstWidget::family560ReadsItsProfiles()
{
    QFETCH(bool, isGun);
    QFETCH(std::vector<int>, profiles);
    kvm::Config config = kvm::defaultConfig();
    config.family = 560;
    for (int p = 0; p < 5; ++p)
        config.profiles[p].fill(uint8_t(0x10 + p));
    kvm::configure(config);
    setGlobal({{"mouse/icType", "560"}, {"mouse/isGun", isGun}});
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    std::vector<int> read;
    countFrames(0x8C, nullptr, &read);
    QCOMPARE(read, profiles);
    // 560 family: option bit 0x08 of the first byte.
    QCOMPARE(kvm::state().keyboardOptions[0] & 0x08, 0x08);
}

void TstWidget::burstOfNoticesGivesOneCheck()
{
    makeWidget();
    QSignalSpy checks(m_widget->deviceCheckTimer(), &QTimer::timeout);
    QElapsedTimer sinceLast;
    for (int i = 0; i < 10; ++i) {
        m_widget->onDeviceChangeNotice();
        sinceLast.start();
        QTest::qWait(100);
    }
    QVERIFY(checks.wait(5000));
    const qint64 waited = sinceLast.elapsed();
    QVERIFY2(waited >= 2000, qPrintable(QString::number(waited)));
    QTest::qWait(300);
    QCOMPARE(checks.count(), 1);
}

void TstWidget::noticesAreDroppedWhileListening()
{
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(m_widget->hidThread()->listening);
    m_widget->onDeviceChangeNotice();
    QVERIFY(!m_widget->deviceCheckTimer()->isActive());
}

void TstWidget::virtualMousePlugAndUnplugAreNotices()
{
    makeWidget();
    QVERIFY(!m_widget->deviceCheckTimer()->isActive());
    kvm::unplug();
    QTRY_VERIFY(m_widget->deviceCheckTimer()->isActive());
    m_widget->deviceCheckTimer()->stop();
    kvm::plug();
    QTRY_VERIFY(m_widget->deviceCheckTimer()->isActive());
}

void TstWidget::dpiButtonAndRemovalReachTheView()
{
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(m_widget->hidThread()->listening);
    kvm::pressDpiButton(2);
    QTRY_COMPARE(root()->property("currentDpiStage").toInt(), 1);
    kvm::unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!m_widget->view()->isInputEnabled(), 5000);
    QTRY_VERIFY(!m_widget->hidThread()->listening);
    // Stale: still connected until the next check. The unplug's own notice may
    // have come while the listener still ran; from now on notices count.
    QVERIFY(m_widget->isDeviceConnected());
    m_widget->onDeviceChangeNotice();
    QVERIFY(m_widget->deviceCheckTimer()->isActive());
    kvm::plug();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QVERIFY(m_widget->view()->isInputEnabled());
}

void TstWidget::secondStartRestoresOnlyWhenConnected()
{
    kvm::unplug();
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(!m_widget->isVisible());
    m_widget->receiveMessage(QString());
    QTest::qWait(50);
    QVERIFY(!m_widget->isVisible());

    kvm::plug();
    m_widget->checkDevice();
    m_widget->hide();
    m_widget->receiveMessage(QString());
    QTRY_VERIFY(m_widget->isVisible());
}

void TstWidget::quitClearsTheListenerFirst()
{
    makeWidget();
    m_widget->checkDevice();
    QVERIFY(m_widget->hidThread()->listening);
    // Seen at the moment the program is told to end.
    int quits = 0;
    bool listeningAtQuit = true;
    m_widget->setQuitHandler([&](int code) {
        ++quits;
        listeningAtQuit = m_widget->hidThread()->listening;
        QCOMPARE(code, 0);
    });
    m_widget->exitSYS();
    QCOMPARE(quits, 1);
    QVERIFY(!listeningAtQuit);
}

void TstWidget::recordingEndsWhenHiddenOrQuit_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("hidden to the tray") << "hide";
    QTest::newRow("closed") << "close";
    QTest::newRow("quit from the tray") << "quit";
    QTest::newRow("ended by SIGTERM (logout)") << "SIGTERM";
    QTest::newRow("ended by SIGHUP") << "SIGHUP";
}

// Keys typed once the window is gone (a password, say) are not recorded,
// and what was recorded until then is kept, before the program ends.
void TstWidget::recordingEndsWhenHiddenOrQuit()
{
    QFETCH(QString, how);
    makeWidget();
    m_widget->checkDevice();
    MacroEditorModel *editor = m_widget->view()->models()->macroEditor();
    editor->init();
    QVERIFY(editor->newMacro(QStringLiteral("Rec")));
    QVERIFY(editor->selectByNames(QStringLiteral("Rec")));
    editor->startRecording();
    editor->keyEvent(true, 0x04);
    editor->keyEvent(false, 0x04);
    QStringList atQuit;
    m_widget->setQuitHandler([&](int) {
        atQuit = m_widget->view()->operations()->macros()->loadMacroIni(0, QStringLiteral("Rec"));
    });
    if (how == QLatin1String("hide"))
        m_widget->hide(); // what the title bar's tray button does
    else if (how == QLatin1String("close"))
        m_widget->close();
    else if (how == QLatin1String("quit"))
        m_widget->exitSYS();
    bool quitTaken = false;
    if (how.startsWith(QLatin1String("SIG"))) {
        // Connected as the program connects it.
        QuitSignals signalsToQuit;
        QVERIFY(signalsToQuit.active());
        connect(&signalsToQuit, &QuitSignals::quitRequested, m_widget.get(), &Widget::exitSYS);
        m_widget->setQuitHandler([&](int code) {
            QCOMPARE(code, 0);
            quitTaken = true;
            atQuit =
                m_widget->view()->operations()->macros()->loadMacroIni(0, QStringLiteral("Rec"));
        });
        QVERIFY(::raise(how == QLatin1String("SIGTERM") ? SIGTERM : SIGHUP) == 0);
        QTRY_VERIFY(quitTaken);
    }
    QVERIFY(!editor->recording());
    editor->keyEvent(true, 0x05);
    const QStringList saved{"1,A", "2,A", "1"};
    QCOMPARE(m_widget->view()->operations()->macros()->loadMacroIni(0, QStringLiteral("Rec")),
             saved);
    if (how != QLatin1String("hide") && how != QLatin1String("close"))
        QCOMPARE(atQuit, saved);
}

// "Detect Device" when a mouse connects, the DPI text with its trailing
// blank when its button is pressed, each for ten seconds; nothing when a
// device check finds the connected mouse still there.
void TstWidget::trayBubbles()
{
    kvm::Config config = kvm::defaultConfig();
    makeWidget();
    QSignalSpy bubbles(m_widget.get(), &Widget::trayMessageShown);
    m_widget->checkDevice();
    QCOMPARE(bubbles.count(), 1);
    QCOMPARE(bubbles.at(0), (QVariantList{"Info", "Detect Device", 10000}));

    kvm::pressDpiButton(2);
    QTRY_COMPARE(bubbles.count(), 2);
    QCOMPARE(bubbles.at(1).at(1).toString(), LangStrings::dpiSwitchText(2) + QLatin1Char(' '));
    QCOMPARE(bubbles.at(1).at(2).toInt(), 10000);

    config.notifyInterface = false;
    kvm::configure(config);
    makeWidget();
    QSignalSpy quiet(m_widget.get(), &Widget::trayMessageShown);
    m_widget->checkDevice();
    QCOMPARE(quiet.count(), 1);
    m_widget->checkDevice();
    QCOMPARE(quiet.count(), 1);
}

// A profile switched to because its program came to the front is named in
// the tray, in the window's language; so is a switch that the disk could
// not keep.
void TstWidget::followedProfileIsNamedInTheTray_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("full");
    QTest::addColumn<QString>("text"); // how the bubble starts
    QTest::newRow("English") << "English" << false
                             << "Profile in use: Shooter (for the window in front)";
    QTest::newRow("French") << "French" << false
                            << "Profil utilisé : Shooter (pour la fenêtre au premier plan)";
    QTest::newRow("English, disk full") << "English" << true << "The profile was not changed: ";
    QTest::newRow("French, disk full")
        << "French" << true << QString::fromUtf8("Le profil n'a pas été changé : ");
}

void TstWidget::followedProfileIsNamedInTheTray()
{
    QFETCH(QString, language);
    QFETCH(bool, full);
    QFETCH(QString, text);
    setGlobal({{"common/language", language}});
    makeWidget();
    m_widget->checkDevice();
    Models *models = m_widget->view()->models();
    QTRY_VERIFY(models->session()->isPownOn());
    const int before = models->session()->profileNo();
    QSignalSpy bubbles(m_widget.get(), &Widget::trayMessageShown);
    QVERIFY(models->appProfiles()->setRule(QStringLiteral("Game"), QStringLiteral("Shooter")) ==
            AppProfileModel::Outcome::Done);
    std::optional<FileSizeLimit> disk;
    if (full) {
        disk.emplace(16); // no settings file can be written
        QVERIFY(disk->active());
    }
    models->appFollower()->windowActivated(QStringLiteral("Game"));
    QTRY_COMPARE(bubbles.size(), 1);
    disk.reset();
    QCOMPARE(models->session()->profileNo(), full ? before : 3);
    const QString bubble = bubbles.first().at(1).toString();
    QVERIFY2(full ? bubble.startsWith(text) : bubble == text, qPrintable(bubble));
}

// A window that hides because its mouse went away says so in the tray (a
// start without a mouse does not); the tray's "Open" brings it back.
void TstWidget::removalIsToldAndOpenBringsTheWindowBack()
{
    kvm::unplug();
    makeWidget();
    QSignalSpy bubbles(m_widget.get(), &Widget::trayMessageShown);
    m_widget->checkDevice();
    QVERIFY(!m_widget->isVisible());
    QCOMPARE(bubbles.count(), 0);

    kvm::plug();
    m_widget->showNormal();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    bubbles.clear();
    kvm::unplug();
    QTRY_VERIFY(!m_widget->hidThread()->listening);
    m_widget->checkDevice();
    QVERIFY(!m_widget->isVisible());
    QCOMPARE(bubbles.count(), 1);
    QVERIFY(bubbles.at(0).at(1).toString().contains(QLatin1String("removed")));

    kvm::plug();
    m_widget->checkDevice();
    QVERIFY(!m_widget->isVisible());
    auto *open =
        m_widget->trayIcon()->contextMenu()->findChild<QAction *>(QStringLiteral("trayOpen"));
    if (!open) // the actions belong to the window, shown in the menu
        open = m_widget->findChild<QAction *>(QStringLiteral("trayOpen"));
    QVERIFY(open);
    QCOMPARE(m_widget->trayIcon()->contextMenu()->actions().first(), open);
    open->trigger();
    QTRY_VERIFY(m_widget->isVisible());
}

// Started to the tray (--hidden), as at every login: no scene exists until
// the window is first shown. Meanwhile the mouse is initialised, its DPI
// button, a bus call and the profile follower work on the models, and the
// tray's "Open" builds a scene that starts as a shown window's does.
void TstWidget::hiddenStartBuildsTheSceneOnFirstShow()
{
    m_widget = std::make_unique<Widget>(); // as with --hidden: the tray icon only
    QVERIFY(!root());
    QSignalSpy bubbles(m_widget.get(), &Widget::trayMessageShown);
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    QVERIFY(m_widget->hidThread()->listening);
    QCOMPARE(bubbles.count(), 1); // the mouse was found
    Models *models = m_widget->view()->models();
    QTRY_VERIFY(models->session()->isPownOn());

    kvm::pressDpiButton(2);
    QTRY_COMPARE(models->dpi()->currentStage(), 1);

    myQQuickView *view = m_widget->view();
    KestaBus::Host host;
    host.ops = view->operations();
    host.models = models;
    host.deviceConnected = [this] { return m_widget->isDeviceConnected(); };
    host.setDialogs = [view](UserDialogs *d) { view->setDialogs(d); };
    KestaBus bus(host);
    QString out, err;
    QCOMPARE(bus.runNow(QStringLiteral("dpi"), {"set", "2=1500"}, &out, &err), 0);
    QCOMPARE(models->dpi()->values().value(1), 1500);

    QVERIFY(models->appProfiles()->setRule(QStringLiteral("Game"), QStringLiteral("Shooter")) ==
            AppProfileModel::Outcome::Done);
    models->appFollower()->windowActivated(QStringLiteral("Game"));
    QTRY_COMPARE(models->session()->profileNo(), 3);

    QVERIFY(!root());
    QVERIFY(view->contentItem()->childItems().isEmpty());
    QVERIFY(!m_widget->isVisible());

    auto *open =
        m_widget->trayIcon()->contextMenu()->findChild<QAction *>(QStringLiteral("trayOpen"));
    if (!open)
        open = m_widget->findChild<QAction *>(QStringLiteral("trayOpen"));
    QVERIFY(open);
    open->trigger();
    QTRY_VERIFY(m_widget->isVisible());
    QVERIFY(root());
    QTRY_VERIFY_WITH_TIMEOUT(!root()->property("frame").isNull(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(root()->property("startupDone").toBool(), 5000);
    QTRY_VERIFY(!root()->property("busy").toBool());
    QVERIFY(root()->property("isRunning").toBool());
    QVERIFY(root()->property("isPownOn").toBool());
    QCOMPARE(root()->property("profileNo").toInt(), 3);
    QCOMPARE(root()->property("currentDpiStage").toInt(), models->dpi()->currentStage());
    QVERIFY(view->isInputEnabled());
}

// A mouse this user may not open: a hidden window (a start with --hidden)
// has the tray say what to do, once for the node and in the stored language;
// a shown window stays up and says it itself.
void TstWidget::refusedMouseIsToldOnceWhileHidden_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("words");
    QTest::newRow("English") << "English"
                             << "this user may not open it";
    QTest::newRow("German") << "German"
                            << "dieser Benutzer darf sie nicht öffnen";
}

void TstWidget::refusedMouseIsToldOnceWhileHidden()
{
    QFETCH(QString, language);
    QFETCH(QString, words);
    setGlobal({{QStringLiteral("common/language"), language}});
    kvm::Faults faults;
    faults.openDenied = true;
    kvm::setFaults(faults);
    m_widget = std::make_unique<Widget>(); // as with --hidden: the tray icon only
    QSignalSpy bubbles(m_widget.get(), &Widget::trayMessageShown);
    m_widget->checkDevice();
    QVERIFY(!m_widget->isDeviceConnected());
    QCOMPARE(bubbles.count(), 1);
    const QString text = bubbles.at(0).at(1).toString();
    QVERIFY2(text.contains(words) && text.contains(QLatin1String("70-kesta.rules")),
             qPrintable(text));
    m_widget->checkDevice(); // another device came or went
    QCOMPARE(bubbles.count(), 1);

    m_widget->showNormal();
    m_widget->checkDevice();
    QVERIFY(m_widget->isVisible());
    QCOMPARE(bubbles.count(), 1);

    kvm::clearFaults();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
}

// The tray's menu, tooltip and bubbles speak the stored language from the
// start (before the scene has loaded its texts) and follow the selector.
void TstWidget::trayTextsFollowTheLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QVariantList>("bubble");
    // Qt's own "Cancel" (the file dialogs' buttons), from Qt's translations.
    QTest::addColumn<QString>("qtCancel");
    QTest::newRow("English") << "English" << QStringList{"Open (&O)", "Quit (&Q)"}
                             << "ZORVANT KESTA MOUSE R218"
                             << QVariantList{"Info", "Detect Device", 10000} << "Cancel";
    QTest::newRow("German") << "German" << QStringList{QString::fromUtf8("&Öffnen"), "&Beenden"}
                            << "ZORVANT KESTA MAUS R218"
                            << QVariantList{"Info", QString::fromUtf8("Gerät erkannt"), 10000}
                            << "Abbrechen";
    QTest::newRow("ChineseSimplified")
        << "ChineseSimplified"
        << QStringList{QString::fromUtf8("打开 (&O)"), QString::fromUtf8("退出 (&Q)")}
        << QString::fromUtf8("ZORVANT KESTA 鼠标 R218")
        << QVariantList{QString::fromUtf8("信息"), QString::fromUtf8("已检测到设备"), 10000}
        << QString::fromUtf8("取消");
}

void TstWidget::trayTextsFollowTheLanguage()
{
    QFETCH(QString, language);
    QFETCH(QStringList, menu);
    QFETCH(QString, toolTip);
    QFETCH(QVariantList, bubble);
    QFETCH(QString, qtCancel);
    setGlobal({{QStringLiteral("common/language"), language}});
    makeWidget();
    const auto qtText = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    QCOMPARE(qtText(), qtCancel);
    const auto menuTexts = [this] {
        QStringList out;
        for (const QAction *action : m_widget->trayIcon()->contextMenu()->actions())
            out.append(action->text());
        return out;
    };
    QCOMPARE(menuTexts(), menu);
    QCOMPARE(m_widget->trayIcon()->toolTip(), toolTip);
    const QString cjk = QStringLiteral("Noto Sans CJK SC");
    if (QFontDatabase::families().contains(cjk))
        QCOMPARE(m_widget->trayIcon()->contextMenu()->font().family() == cjk,
                 language == QLatin1String("ChineseSimplified"));
    QSignalSpy bubbles(m_widget.get(), &Widget::trayMessageShown);
    m_widget->checkDevice();
    QCOMPARE(bubbles.count(), 1);
    QCOMPARE(bubbles.at(0), bubble);

    m_widget->view()->models()->language()->change(5); // Italian
    QCOMPARE(menuTexts(), (QStringList{"&Apri", "&Esci"}));
    QCOMPARE(m_widget->trayIcon()->toolTip(), QStringLiteral("MOUSE ZORVANT KESTA R218"));
    QCOMPARE(qtText(), QStringLiteral("Annulla"));
    m_widget.reset(); // the window's translator leaves with it
    QCOMPARE(qtText(), QStringLiteral("Cancel"));
}

QTEST_MAIN(TstWidget)
#include "tst_widget.moc"
