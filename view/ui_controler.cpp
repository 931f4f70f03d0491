#include "view/ui_controler.h"

#include "view/myqquickview.h"
#include "view/screenrule.h"
#include "view/operations.h"
#include "settings/settingsstore.h"

#include <QDebug>
#include <QGuiApplication>
#include <QQmlContext>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

Ui_Controler::Ui_Controler(QObject *parent) : QObject(parent) {}

Ui_Controler::~Ui_Controler() = default;

namespace {

QSize primaryScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : kDesignSize;
}

// The part of the primary screen that windows may use (without its panels).
QSize primaryWorkArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : kDesignSize;
}

} // namespace

void Ui_Controler::setupUi(QWidget *widget, const QString &modulesDir, bool loadScene)
{
    qDebug() << "=====================Ui_Controler - setupUi================================ ";
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("Widget"));
    m_widget = widget;
    widget->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    widget->setWindowOpacity(1.0);
    widget->setAttribute(Qt::WA_TranslucentBackground, true);
    widget->setStyleSheet(QStringLiteral("background:transparent;"));

    m_view = new myQQuickView(widget, modulesDir); // owned by its container below
    m_view->setObjectName(QStringLiteral("ui_View"));
    QWidget *container = QWidget::createWindowContainer(m_view, widget);
    container->setFocusPolicy(Qt::StrongFocus);
    m_view->setContainer(container);
    auto *layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);

    // The context objects exist before the scene is built, so that nothing
    // in it ever sees them missing.
    QQmlContext *context = m_view->rootContext();
    context->setContextProperty(QStringLiteral("ui_View"), m_view);
    context->setContextProperty(QStringLiteral("hid"), nullptr); // set by the window
    context->setContextProperty(QStringLiteral("ui_Ctl"), this);

    // However the window gets its size (the resize grip, the window manager,
    // maximise and restore), the scene is scaled to the size it really has.
    connect(m_view, &QWindow::widthChanged, this, &Ui_Controler::sceneFollowsView);
    connect(m_view, &QWindow::heightChanged, this, &Ui_Controler::sceneFollowsView);

    isMax = false;
    const QSize screen = primaryScreenSize();
    const QSize size = windowSizeForScreen(primaryWorkArea());
    qDebug() << "screen W,H = " << screen.width() << screen.height();
    widget->resize(size);

    widget->setWindowTitle(
        m_view->operations()->settings()->getGlobalData(QStringLiteral("common/name")).toString());
    if (loadScene)
        this->loadScene();
}

bool Ui_Controler::loadScene()
{
    if (!m_view || !m_widget || m_view->source().isValid())
        return false;
    m_view->setSource(QUrl(QStringLiteral("qrc:/modules/qml/main.qml")));
    // The size the window has now (the view may not be laid out yet).
    const QSize size = m_widget->size();
    m_view->callScene("setScreenRect", Qt::DirectConnection, {size.width(), size.height(), isMax});
    return true;
}

void Ui_Controler::onMinimize()
{
    if (m_widget)
        m_widget->showMinimized();
}

void Ui_Controler::onMaxRestore()
{
    if (!m_widget || !m_view)
        return;
    const QSize screen = primaryScreenSize();
    if (isMax) {
        m_widget->showNormal();
        isMax = false;
        const QSize size = windowSizeForScreen(primaryWorkArea());
        m_view->callScene("setScreenRect", Qt::DirectConnection,
                          {size.width(), size.height(), false});
    } else {
        m_widget->showMaximized();
        isMax = true;
        m_view->callScene("setScreenRect", Qt::DirectConnection,
                          {screen.width(), screen.height(), true});
    }
}

void Ui_Controler::onHide()
{
    if (m_widget)
        m_widget->setVisible(false);
}

void Ui_Controler::onClose()
{
    if (m_widget)
        m_widget->close();
}

void Ui_Controler::onXChanged(int dx)
{
    if (m_widget)
        m_widget->move(m_widget->x() + dx, m_widget->y());
}

void Ui_Controler::onYChanged(int dy)
{
    if (m_widget)
        m_widget->move(m_widget->x(), m_widget->y() + dy);
}

void Ui_Controler::setBusy(int busyTime)
{
    if (m_view)
        m_view->callScene("setProtectUI", Qt::DirectConnection, {busyTime});
}

void Ui_Controler::setBusy()
{
    setBusy(0);
}

void Ui_Controler::test(int dx, int dy)
{
    if (m_widget && m_view)
        m_widget->resize(m_view->width() + dx, m_view->height() + dy);
}

void Ui_Controler::sceneFollowsView()
{
    if (!m_view || m_view->width() <= 0 || m_view->height() <= 0)
        return;
    m_view->callScene("setScreenRect", Qt::DirectConnection,
                      {m_view->width(), m_view->height(), isMax});
}
