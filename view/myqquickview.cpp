#include "view/myqquickview.h"

#include "device/hid_thread.h"
#include "device/transfergate.h"
#include "devicesettings/devicesettings.h"
#include "model/dpimodel.h"
#include "model/appprofilefollower.h"
#include "model/models.h"
#include "model/sessionmodel.h"
#include "model/registration.h"
#include "settings/settingsstore.h"
#include "view/operations.h"
#include "view/screenrule.h"
#include "view/widgetdialogs.h"

#include <QDebug>
#include <QKeyEvent>
#include <QQuickItem>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>

myQQuickView::myQQuickView(QWidget *mainWindow, const QString &modulesDir) : ViewOperations()
{
    KestaModel::registerTypes();
    m_dialogs = std::make_unique<SwitchableDialogs>(mainWindow);
    m_ops = std::make_unique<Operations>(modulesDir, m_dialogs.get());
    setOperations(m_ops.get());
    m_models = std::make_unique<Models>(*m_ops);
    setResizeMode(QQuickView::SizeRootObjectToView);
    setColor(Qt::transparent);
    // One line when the scene is first on screen (scripts/measure-startup.sh waits for it).
    auto first = std::make_shared<QMetaObject::Connection>();
    *first = connect(this, &QQuickWindow::frameSwapped, this, [first] {
        qDebug() << "scene: first frame";
        QObject::disconnect(*first);
    });
}

myQQuickView::~myQQuickView() = default;

void myQQuickView::setDialogs(UserDialogs *dialogs)
{
    m_dialogs->setTarget(dialogs);
}

void myQQuickView::setHidThread(Hid_Thread *hid)
{
    m_hid = hid;
    m_ops->attachDevice(hid);
    m_models->appFollower()->watchDevice(device());
}

MouseDevice *myQQuickView::device() const
{
    return m_ops->device();
}

bool myQQuickView::callScene(const char *function, Qt::ConnectionType type,
                             const QVariantList &args)
{
    QQuickItem *root = rootObject();
    if (!root)
        return false;
    QVariant a[6];
    for (int i = 0; i < args.size() && i < 6; ++i)
        a[i] = args.at(i);
    switch (args.size()) {
    case 0:
        return QMetaObject::invokeMethod(root, function, type);
    case 1:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]));
    case 2:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]));
    case 3:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]), Q_ARG(QVariant, a[2]));
    case 4:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]), Q_ARG(QVariant, a[2]),
                                         Q_ARG(QVariant, a[3]));
    case 5:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]), Q_ARG(QVariant, a[2]),
                                         Q_ARG(QVariant, a[3]), Q_ARG(QVariant, a[4]));
    default:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]), Q_ARG(QVariant, a[2]),
                                         Q_ARG(QVariant, a[3]), Q_ARG(QVariant, a[4]),
                                         Q_ARG(QVariant, a[5]));
    }
}

// One of ui_View's operations as the design lists them; the connect
// sequence (MouseDevice) frees the link itself.
void myQQuickView::clearHidBusy()
{
    if (m_hid)
        m_hid->hidIdle = true;
}

void myQQuickView::initUI()
{
    if (rootObject()) {
        callScene("initUI", Qt::QueuedConnection);
        return;
    }
    // No scene yet (a window started to the tray): the models are
    // initialised as the scene's initUI would, so that the device, the bus
    // and the profile follower work on the stored values; the scene built
    // later finds them ready.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (rootObject())
                return; // built meanwhile: its own initUI follows
            m_models->session()->firstInit();
            if (DeviceSettings *settings = m_ops->deviceSettings())
                m_models->dpi()->setCurrentStage(settings->mouseGetCurrentDPI().toInt() - 1);
        },
        Qt::QueuedConnection);
}

void myQQuickView::runUI()
{
    callScene("run", Qt::QueuedConnection);
}

void myQQuickView::setBusy(int busyTime)
{
    callScene("setProtectUI", Qt::DirectConnection, {busyTime});
}

void myQQuickView::setCurrentDPI(int dpiValue)
{
    if (QThread::currentThread() != thread()) {
        // The scene may only be touched on the GUI thread.
        QMetaObject::invokeMethod(this, "setCurrentDPI", Qt::QueuedConnection,
                                  Q_ARG(int, dpiValue));
        return;
    }
    if (!callScene("setCurrentDPI", Qt::DirectConnection, {dpiValue}) && dpiValue > 0)
        m_models->dpi()->setCurrentStage(dpiValue - 1); // as the scene does
}

void myQQuickView::setEnabled(bool enabled)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, "setEnabled", Qt::QueuedConnection, Q_ARG(bool, enabled));
        return;
    }
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    qDebug() << (enabled ? "view: input enabled" : "view: input disabled");
    if (m_container)
        m_container->setEnabled(enabled);
    emit inputEnabledChanged(enabled);
}

void myQQuickView::openUpdateExe() {}

// Captured input reaches the scene after a running device transfer.
void myQQuickView::detectKeyboard(bool isDown, uchar usage, qint64 time)
{
    TransferGate::whenIdle(this, [this, isDown, usage, time] {
        callScene("detectKeyboardAt", Qt::QueuedConnection, {isDown, int(usage), double(time)});
    });
}

void myQQuickView::detectMouse(bool isDown, uchar code, int x, int y, std::optional<bool> ownWindow,
                               qint64 time)
{
    TransferGate::whenIdle(this, [this, isDown, code, x, y, ownWindow, time] {
        callScene("detectMouseAt", Qt::QueuedConnection,
                  {isDown, uint(code), uint(x), uint(y),
                   ownWindow ? QVariant(*ownWindow) : QVariant(), double(time)});
    });
}

void myQQuickView::wheelEvent(QWheelEvent *event)
{
    // An open popup under the pointer (a drop-down list, a menu) scrolls
    // itself: the window hands the event on to its items when it is ignored.
    if (popupAt(event->position())) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    if (delta.y() == 0 && delta.x() != 0) {
        event->accept(); // horizontal wheels are not passed on
        return;
    }
    callScene("scroll", Qt::QueuedConnection, {wheelSteps(delta.y())});
    event->accept();
}

namespace {

bool isInside(const QQuickItem *item, const QQuickItem *ancestor)
{
    for (; item; item = item->parentItem()) {
        if (item == ancestor)
            return true;
    }
    return false;
}

// The innermost item around `item` that keeps Tab inside itself (an open
// overlay says so in its keepsTabFocus property).
QQuickItem *tabFenceAround(QQuickItem *item)
{
    for (; item; item = item->parentItem()) {
        if (item->property("keepsTabFocus").toBool())
            return item;
    }
    return nullptr;
}

} // namespace

// Tab and Shift+Tab in an open overlay go round the overlay's own controls:
// the scene's chain is followed from the focused item until it comes back
// into the overlay, at its other end once it has left it. Everything behind
// the overlay's mask is out of reach.
bool myQQuickView::keepTabInside(QKeyEvent *event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const bool tab = event->key() == Qt::Key_Tab;
    if (!tab && event->key() != Qt::Key_Backtab)
        return false;
    const bool forward = tab && !(event->modifiers() & Qt::ShiftModifier);
    QQuickItem *focus = activeFocusItem();
    QQuickItem *fence = tabFenceAround(focus);
    if (!fence)
        return false;
    QQuickItem *next = focus;
    for (int step = 0; step < 2000; ++step) { // a ring over the scene; bounded all the same
        next = next->nextItemInFocusChain(forward);
        if (!next || next == focus)
            break;
        if (isInside(next, fence)) {
            next->forceActiveFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            break;
        }
    }
    event->accept();
    return true;
}

// Whether an open popup of the scene (a drop-down list, a menu) lies under
// `position`: it scrolls itself.
bool myQQuickView::popupAt(const QPointF &position) const
{
    for (QQuickItem *layer : contentItem()->childItems()) {
        if (!layer->inherits("QQuickOverlay") || !layer->isVisible())
            continue;
        const QPointF p = layer->mapFromScene(position);
        if (layer->childAt(p.x(), p.y()))
            return true;
    }
    return false;
}

void myQQuickView::focusInEvent(QFocusEvent *event)
{
    QQuickView::focusInEvent(event);
    update();
    event->accept();
}

bool myQQuickView::event(QEvent *event)
{
    // The window delivers wheels to the scene's items on its own; route them
    // through wheelEvent so that the scene only ever gets whole steps. An open
    // popup under the pointer is the exception (see wheelEvent): the window
    // offers the event to wheelEvent first and to its items when ignored.
    if (event->type() == QEvent::Wheel && m_enabled) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (popupAt(wheel->position()))
            return QQuickView::event(event);
        wheelEvent(wheel);
        return true;
    }
    if (event->type() == QEvent::KeyPress && m_enabled &&
        keepTabInside(static_cast<QKeyEvent *>(event)))
        return true;
    // A disabled view takes no input; everything else goes on as usual.
    if (!m_enabled) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QQuickView::event(event);
}
