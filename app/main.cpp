#include "app/quitsignals.h"
#include "app/widget.h"
#include "bus/kestabus.h"
#include "desktop/modulesfolder.h"
#include "devicesettings/mousedevice.h"
#include "desktop/startoptions.h"
#include "inputhook/copydata.h"
#include "inputhook/inputhook.h"
#include "model/appprofilefollower.h"
#include "model/appprofilemodel.h"
#include "model/models.h"
#include "platform/activewindow.h"
#include "singleinstance/qtsinglecoreapplication.h"
#include "view/myqquickview.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <csignal>
#include <memory>
#include <optional>

namespace {

void onKey(uchar usage, bool isDown, void *context)
{
    if (auto *widget = static_cast<Widget *>(context))
        widget->view()->detectKeyboard(isDown, usage, InputHook::currentEvent().time);
}

void onButton(uchar code, bool isDown, int x, int y, void *context)
{
    auto *widget = static_cast<Widget *>(context);
    if (!widget)
        return;
    // Our window is told by its id: another window may lie over it.
    const InputHook::EventDetails event = InputHook::currentEvent();
    std::optional<bool> ownWindow;
    if (event.window)
        ownWindow = InputHook::isOwnWindow(event.window);
    widget->view()->detectMouse(isDown, code, x, y, ownWindow, event.time);
}

QStringList rawArguments(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

// The settings folder: the one --modules-dir names, or the one this program
// resolves (the folder beside it, or the user's copy of the shipped data).
QString modulesPath(const StartOptions &options)
{
    if (!options.modulesDir.isEmpty())
        return QFileInfo(options.modulesDir).absoluteFilePath();
    return ModulesFolder::resolveForThisProgram().path;
}

// A --modules-dir that names no folder is refused, as a mistyped option is:
// the program would otherwise start on an empty folder and make a new one.
QString modulesDirError(const StartOptions &options)
{
    if (options.modulesDir.isEmpty() || QFileInfo(options.modulesDir).isDir())
        return QString();
    return QStringLiteral("--modules-dir: no folder %1").arg(options.modulesDir);
}

// --print-modules-dir, --help, --version: answered without a display.
int answerAtOnce(int argc, char *argv[], const StartOptions &options)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (options.help)
        out << startUsage();
    else if (options.version)
        out << "kesta-config " << KESTA_VERSION << "\n";
    else
        out << modulesPath(options) << "\n";
    return 0;
}

// Bad usage ends with 2 before any window or display is looked for.
int refuse(const QString &error)
{
    QTextStream(stderr) << "kesta-config: " << error << "\n" << startUsage();
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // Under a file size limit (ulimit -f) SIGXFSZ would end the program in
    // the middle of a settings write; ignored, the write fails with EFBIG and
    // the checked writer keeps the old file, as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // The scene is flat 2D: Qt Quick's software renderer starts in less than
    // half the time of a GL context and needs well under half the memory.
    // QT_QUICK_BACKEND still chooses another backend when it names one Qt 6
    // has ("rhi" for the GPU, "software", "openvg"); another name would make
    // Qt fall back to a GL context after a warning, so it is ignored here.
    const QByteArray backend = qgetenv("QT_QUICK_BACKEND");
    if (backend != "rhi" && backend != "software" && backend != "openvg") {
        if (!backend.isEmpty()) {
            qWarning("QT_QUICK_BACKEND=%s is not a Qt Quick backend (rhi, software, openvg); "
                     "the software renderer is used",
                     backend.constData());
            qunsetenv("QT_QUICK_BACKEND");
        }
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    const StartOptions early = parseStartOptions(rawArguments(argc, argv), true);
    if (!early.error.isEmpty())
        return refuse(early.error);
    if (!modulesDirError(early).isEmpty())
        return refuse(modulesDirError(early));
    if (early.endsAtOnce())
        return answerAtOnce(argc, argv, early);

    auto app = std::make_unique<QtSingleCoreApplication>(argc, argv);
    // What is left once Qt has taken its own options.
    const StartOptions options = parseStartOptions(QCoreApplication::arguments().mid(1));
    if (!options.error.isEmpty())
        return refuse(options.error);
    // Desktops match the window to its launcher and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.zorvant.KestaConfig"));
    if (app->isRunning()) {
        app->sendMessage(QString(), 5000);
        return 1;
    }

    // Every path of the program is ./modules/...: the folder that holds the
    // modules folder becomes the current directory (the executable's own in a
    // portable build, the user's data folder when installed). A folder named
    // with --modules-dir is used by its full path, whatever its name.
    const QString modules = modulesPath(options);
    QDir::setCurrent(QFileInfo(modules).absolutePath());
    auto widget = options.modulesDir.isEmpty() ? std::make_unique<Widget>()
                                               : std::make_unique<Widget>(modules);
    QObject::connect(app.get(), &QtSingleCoreApplication::messageReceived, widget.get(),
                     &Widget::receiveMessage);

    // Logging out (SIGTERM), Ctrl+C and a closed terminal end the program
    // as the tray's Quit does: a running recording is saved first.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, widget.get(), &Widget::exitSYS);

    InputHook hook(false); // installs the hooks; running without them is fine
    hook.setKeyboardCallback(&onKey, widget.get());
    hook.setMouseCallback(&onButton, widget.get());
    hook.setCopyDataHandler(&CopyData::handleMessage, app.get(), widget.get());

    // Scripts, shortcuts and kesta-ctl reach the settings through the
    // program while it runs; without a session bus it runs on alone.
    KestaBus::Host host;
    host.ops = widget->view()->operations();
    host.models = widget->view()->models();
    host.deviceConnected = [w = widget.get()] { return w->isDeviceConnected(); };
    host.setDialogs = [w = widget.get()](UserDialogs *d) { w->view()->setDialogs(d); };
    host.windowBusy = [] { return QApplication::activeModalWidget() != nullptr; };
    host.refusedNode = [w = widget.get()] { return w->view()->device()->refusedNode(); };
    auto bus = std::make_unique<KestaBus>(host);
    QString busError;
    if (!bus->registerOn(QDBusConnection::sessionBus(), &busError))
        qInfo().noquote() << "bus:" << busError;
    QObject::connect(bus.get(), &KestaBus::profileSwitched, widget.get(),
                     &Widget::showProfileInUse);
    // The stage the mouse is on is known only while it is connected.
    MouseDevice *device = widget->view()->device();
    for (auto signal : {&MouseDevice::connected, &MouseDevice::absent, &MouseDevice::removed})
        QObject::connect(device, signal, bus.get(), [b = bus.get()] { b->refresh(); });

    // The profile follows the window in front (X11 and XWayland windows).
    ActiveWindowWatcher frontWindow;
    Models *models = widget->view()->models();
    AppProfileModel *rules = models->appProfiles();
    rules->setWindowClassSource([&frontWindow] { return frontWindow.openWindowClasses(); });
    const auto showSupport = [&frontWindow, rules] {
        rules->setWatch(AppProfileModel::Watch(int(frontWindow.support())));
    };
    QObject::connect(&frontWindow, &ActiveWindowWatcher::supportChanged, rules, showSupport);
    QObject::connect(&frontWindow, &ActiveWindowWatcher::activeWindowChanged, models->appFollower(),
                     &AppProfileFollower::windowActivated);
    frontWindow.start();
    showSupport();

    if (!options.hidden) // --hidden: the tray icon only, as after a login
        widget->showNormal();
    widget->checkDevice();

    const int result = QApplication::exec();

    hook.removeHooks();
    bus.reset();
    widget.reset();
    // The controller was released with deleteLater; let it go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app.reset();
    return result;
}
