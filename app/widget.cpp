#include "app/widget.h"

#include "app/userevent.h"
#include "device/transfergate.h"
#include "devicesettings/mousedevice.h"
#include "model/interfacetexts.h"
#include "model/languagemodel.h"
#include "model/appprofilefollower.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "model/sessionmodel.h"
#include "platform/devicenotifier.h"
#include "settings/langstrings.h"
#include "settings/settingsstore.h"
#include "view/myqquickview.h"
#include "view/operations.h"
#include "view/ui_controler.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QFontDatabase>
#include <QHash>
#include <QHideEvent>
#include <QIcon>
#include <QLibraryInfo>
#include <QMenu>
#include <QQmlContext>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const char *const kTrayStyleSheet =
    "QMenu { border: 1px solid rgb(100, 100, 100); background: rgb(68, 69, 73); } "
    "QMenu::item { height: 22px; padding: 0px 25px 0px 20px; } "
    "QMenu::item:enabled { color: rgb(225, 225, 225); } "
    "QMenu::item:!enabled { color: rgb(155, 155, 155); } "
    "QMenu::item:enabled:selected { color: rgb(230, 230, 230); background: rgba(255, 255, 255, "
    "40); } "
    "QMenu::separator { height: 1px; background: rgb(100, 100, 100); } "
    "QMenu::indicator { width: 13px; height: 13px; } "
    "QMenu::icon { padding-left: 2px; padding-right: 2px; } ";

} // namespace

Widget::Widget(QWidget *parent) : Widget(QStringLiteral("./modules"), parent) {}

Widget::Widget(const QString &modulesDir, QWidget *parent) : QWidget(parent)
{
    controler = new Ui_Controler(); // no parent: released with deleteLater
    // The scene is built when the window is first shown: a start to the
    // tray (--hidden) runs on the models alone, without the pages.
    controler->setupUi(this, modulesDir, false);
    // The view covers the whole window and draws all of it: the window
    // itself paints nothing, so it needs no full-size buffer of its own
    // (a translucent one would be kept beside the scene's).
    setAttribute(Qt::WA_PaintOnScreen);
    view()->setHidThread(&hid);
    view()->rootContext()->setContextProperty(QStringLiteral("hid"), &hid);

    timer.setInterval(2048);
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    connect(&timer, &QTimer::timeout, this, &Widget::checkDevice);

    tray = new QSystemTrayIcon(this);
    trayOpen = new QAction(this);
    trayOpen->setObjectName(QStringLiteral("trayOpen"));
    connect(trayOpen, &QAction::triggered, this, &Widget::openFromTray);
    trayQuit = new QAction(this);
    trayQuit->setObjectName(QStringLiteral("trayQuit"));
    connect(trayQuit, &QAction::triggered, this, &Widget::exitSYS);
    auto *menu = new QMenu(this);
    menu->addAction(trayOpen);
    menu->addAction(trayQuit);
    menu->setStyleSheet(QString::fromLatin1(kTrayStyleSheet));
    tray->setContextMenu(menu);
    // The tray speaks the stored language from the start (bubbles may come
    // before the scene has loaded its texts) and follows the selector.
    LanguageModel *language = view()->models()->language();
    connect(language, &LanguageModel::languageChanged, this, &Widget::retranslateTray);
    language->loadStored();
    tray->setIcon(QIcon(modulesDir + QStringLiteral("/img/logo.ico")));
    connect(tray, &QSystemTrayIcon::activated, this, &Widget::trayIconActivated);
    tray->setVisible(true);

    // The presence check and connect sequence run in the device object; the
    // window shows what they find. What the listener finds is delivered here,
    // on the GUI thread. Notices, checks and messages that come during a
    // device transfer are handled after it (TransferGate): they could start
    // commands of their own.
    MouseDevice *device = view()->device();
    connect(device, &MouseDevice::connecting, this,
            [this] { showTrayMessage(InterfaceTexts::text(InterfaceTexts::DeviceDetected)); });
    connect(device, &MouseDevice::connected, this, [this] {
        m_connectedOnce = true;
        m_refusalTold.clear();
        view()->models()->session()->setRefusedNode(QString());
        view()->setEnabled(true);
        startView();
    });
    connect(device, &MouseDevice::absent, this, &Widget::disconnectSequence);
    connect(device, &MouseDevice::dpiStageReported, this, [this](int stage) {
        TransferGate::whenIdle(this, [this, stage] {
            view()->setCurrentDPI(stage);
            showTrayMessage(LangStrings::dpiSwitchText(stage) + QLatin1Char(' '));
        });
    });
    connect(device, &MouseDevice::removed, this, [this] { view()->setEnabled(false); });

    // A profile that followed the window in front is named in the tray.
    connect(view()->models()->appFollower(), &AppProfileFollower::switched, this,
            [this](int, const QString &name) { showProfileFollowed(name); });
    // One that failed is told there too: the window may well be hidden.
    connect(view()->models()->appFollower(), &AppProfileFollower::notSwitched, this,
            [this](int, const QString &notice) {
                if (!notice.isEmpty())
                    showTrayMessage(notice);
            });

    notifier = new DeviceChangeNotifier(this);
    connect(notifier, &DeviceChangeNotifier::deviceChanged, this, &Widget::onDeviceChangeNotice);
}

Widget::~Widget()
{
    hid.stopListen();
    controler->deleteLater();
}

myQQuickView *Widget::view() const
{
    return controler->view();
}

bool Widget::isDeviceConnected() const
{
    return view()->device()->isConnected();
}

void Widget::onDeviceChangeNotice()
{
    TransferGate::whenIdle(this, [this] {
        if (!hid.listening)
            timer.start();
    });
}

void Widget::postRestore()
{
#ifdef Q_OS_WIN
    PostMessageW(reinterpret_cast<HWND>(winId()), WM_SYSCOMMAND, SC_RESTORE, 0);
#else
    // Stands in for the posted restore system command: a queued call.
    QMetaObject::invokeMethod(
        this, [this] { setVisible(true); }, Qt::QueuedConnection);
#endif
}

#ifdef Q_OS_WIN
bool Widget::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    Q_UNUSED(eventType);
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg->message == WM_SYSCOMMAND && msg->wParam == SC_RESTORE) // 0xF120 exactly
        setVisible(true);
    else if (msg->message == WM_DEVICECHANGE)
        onDeviceChangeNotice();
    // Never claimed: Qt's own handling follows.
    return *result != 0;
}
#endif

void Widget::trayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::DoubleClick)
        return;
    openFromTray();
}

void Widget::openFromTray()
{
    if (isDeviceConnected())
        postRestore();
    showNormal();
}

void Widget::checkDevice()
{
    TransferGate::whenIdle(this, [this] { view()->device()->check(); });
}

void Widget::showTrayMessage(const QString &text)
{
    constexpr int kBubbleMs = 10000;
    const QString title = InterfaceTexts::text(InterfaceTexts::BubbleTitle);
    tray->showMessage(title, text, QSystemTrayIcon::Information, kBubbleMs);
    emit trayMessageShown(title, text, kBubbleMs);
}

void Widget::showProfileInUse(const QString &name)
{
    showTrayMessage(InterfaceTexts::text(InterfaceTexts::ProfileInUse).arg(name));
}

void Widget::showProfileFollowed(const QString &name)
{
    QString text = languageText(QStringLiteral("appProfiles"), 8);
    if (text.trimmed().isEmpty())
        text = QStringLiteral("Profile in use: %1 (for the window in front)");
    showTrayMessage(text.arg(name));
}

QString Widget::languageText(const QString &section, int index) const
{
    const QString language = view()
                                 ->operations()
                                 ->settings()
                                 ->getGlobalData(QStringLiteral("common/language"))
                                 .toString();
    return LangStrings()
        .getLangStrings(section, language.isEmpty() ? QStringLiteral("English") : language)
        .value(index);
}

void Widget::disconnectSequence()
{
    // A mouse that is there but may not be opened: the window stays as it
    // is, and while it is shown, its notice says how to fix that.
    const QString refused = view()->device()->refusedNode();
    view()->models()->session()->setRefusedNode(refused);
    if (!refused.isEmpty()) {
        // Hidden (started with --hidden, as at login), the tray tells it,
        // once for the node, in the stored language.
        if (!isVisible() && refused != m_refusalTold) {
            const QString text = languageText(QStringLiteral("keyMatrix"), 24);
            if (!text.trimmed().isEmpty())
                showTrayMessage(text);
        }
        m_refusalTold = refused;
        return;
    }
    m_refusalTold.clear();
    // A window that goes away by itself says why, once.
    const bool shown = isVisible();
    setVisible(false);
    if (shown && m_connectedOnce)
        showTrayMessage(InterfaceTexts::text(InterfaceTexts::MouseRemoved));
}

void Widget::retranslateTray()
{
    // Qt's own texts follow; a language Qt has no texts for keeps English.
    static const QHash<QString, QString> qtLocales{
        {QStringLiteral("German"), QStringLiteral("de")},
        {QStringLiteral("French"), QStringLiteral("fr")},
        {QStringLiteral("Italian"), QStringLiteral("it")},
        {QStringLiteral("Spanish"), QStringLiteral("es")},
        {QStringLiteral("ChineseSimplified"), QStringLiteral("zh_CN")},
        {QStringLiteral("ChineseTraditional"), QStringLiteral("zh_TW")}};
    if (m_qtTexts)
        QCoreApplication::removeTranslator(m_qtTexts.get());
    m_qtTexts.reset();
    const QString locale = qtLocales.value(view()->models()->language()->language());
    auto translator = std::make_unique<QTranslator>();
    if (!locale.isEmpty() && translator->load(QStringLiteral("qtbase_") + locale,
                                              QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        m_qtTexts = std::move(translator);
    }
    trayOpen->setText(InterfaceTexts::text(InterfaceTexts::TrayOpen));
    trayQuit->setText(InterfaceTexts::text(InterfaceTexts::TrayQuit));
    tray->setToolTip(InterfaceTexts::text(InterfaceTexts::TrayToolTip));
    // The menu in the language's own face, as the scene (Chinese would
    // otherwise take whatever CJK face the system falls back to first).
    QFont font = QApplication::font();
    const QString family = view()->models()->language()->fontFamily();
    if (!family.isEmpty() && QFontDatabase::families().contains(family))
        font.setFamilies({family});
    tray->contextMenu()->setFont(font);
}

void Widget::startView()
{
    view()->initUI();
    QCoreApplication::postEvent(this, new UserEvent(UserEvent::StartView));
}

void Widget::customEvent(QEvent *event)
{
    if (event->type() == QEvent::Type(UserEvent::Type)) {
        auto *user = static_cast<UserEvent *>(event);
        if (user->code == UserEvent::StartView)
            view()->runUI();
    }
}

void Widget::receiveMessage(QString message)
{
    Q_UNUSED(message);
    TransferGate::whenIdle(this, [this] {
        qDebug() << "------------------------- receiveMessage---------------------";
        if (isDeviceConnected())
            postRestore();
    });
}

// Painting on the screen asks for no engine of ours.
QPaintEngine *Widget::paintEngine() const
{
    return testAttribute(Qt::WA_PaintOnScreen) ? nullptr : QWidget::paintEngine();
}

void Widget::showEvent(QShowEvent *event)
{
    // Sent before the window is on the screen: the scene exists by then.
    if (controler->loadScene() && isDeviceConnected())
        startView();
    QWidget::showEvent(event);
}

// Gone to the tray (or away with the mouse): nothing on the screen says that
// keys are being recorded any more, so a recording ends here and is saved.
// A minimised window is hidden by the window system and records on.
void Widget::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        endRecording();
    QWidget::hideEvent(event);
}

void Widget::endRecording()
{
    if (Models *models = view()->models())
        models->macroEditor()->stopRecording();
}

void Widget::exitSYS()
{
    // A recording still running is kept, and sent to the buttons bound to it.
    endRecording();
    hid.stopListen();
    m_quit(0);
}
