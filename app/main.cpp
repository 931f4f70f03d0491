#include "app/widget.h"
#include "inputhook/copydata.h"
#include "inputhook/inputhook.h"
#include "singleinstance/qtsinglecoreapplication.h"
#include "view/myqquickview.h"

#include <QDir>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <memory>

namespace {

void onKey(uchar usage, bool isDown, void *context)
{
    if (auto *widget = static_cast<Widget *>(context))
        widget->view()->detectKeyboard(isDown, usage);
}

void onButton(uchar code, bool isDown, int x, int y, void *context)
{
    if (auto *widget = static_cast<Widget *>(context))
        widget->view()->detectMouse(isDown, code, x, y);
}

} // namespace

int main(int argc, char *argv[])
{
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

    auto app = std::make_unique<QtSingleCoreApplication>(argc, argv);
    if (app->isRunning()) {
        app->sendMessage(QString(), 5000);
        return 1;
    }

    QString dir = QCoreApplication::applicationFilePath();
    dir.truncate(dir.lastIndexOf(QLatin1Char('/')));
    QDir::setCurrent(dir);

    auto widget = std::make_unique<Widget>();
    QObject::connect(app.get(), &QtSingleCoreApplication::messageReceived, widget.get(),
                     &Widget::receiveMessage);

    InputHook hook(false); // installs the hooks; running without them is fine
    hook.setKeyboardCallback(&onKey, widget.get());
    hook.setMouseCallback(&onButton, widget.get());
    hook.setCopyDataHandler(&CopyData::handleMessage, app.get(), widget.get());

    widget->showNormal();
    widget->checkDevice();

    const int result = QApplication::exec();

    hook.removeHooks();
    widget.reset();
    // The controller was released with deleteLater; let it go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app.reset();
    return result;
}
