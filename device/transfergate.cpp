#include "device/transfergate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <memory>
#include <utility>
#include <vector>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

struct Deferred {
    QPointer<QObject> context;
    bool hasContext = false;
    std::function<void()> fn;
};

class Filter;

struct State {
    int depth = 0;
    std::unique_ptr<Filter> filter;
    std::vector<Deferred> deferred;
};

State &state()
{
    static State s;
    return s;
}

void defer(QObject *context, std::function<void()> fn)
{
    state().deferred.push_back({QPointer<QObject>(context), context != nullptr, std::move(fn)});
}

void flush()
{
    if (TransferGate::busy())
        return; // the end of the running transfer posts again
    std::vector<Deferred> work;
    work.swap(state().deferred);
    for (std::size_t i = 0; i < work.size(); ++i) {
        if (TransferGate::busy()) {
            // One of them started a transfer: the rest waits for its end.
            auto &queue = state().deferred;
            queue.insert(queue.begin(), std::make_move_iterator(work.begin() + long(i)),
                         std::make_move_iterator(work.end()));
            return;
        }
        if (work[i].hasContext && !work[i].context)
            continue;
        work[i].fn();
    }
}

// Sees every event of the GUI thread's objects while a transfer runs.
class Filter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (isUserInput(type)) {
            event->accept(); // dropped, not postponed
            return true;
        }
        // The scene's timers (QML Timer) fire through plain custom events
        // posted to themselves; held back, they are posted again afterwards.
        if (type >= QEvent::User && type <= QEvent::MaxUser && watched->inherits("QQmlTimer")) {
            QPointer<QObject> target(watched);
            defer(nullptr, [target, type] {
                if (target)
                    QCoreApplication::postEvent(target, new QEvent(type));
            });
            return true;
        }
        return false;
    }
};

} // namespace

bool TransferGate::canWaitHere()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool TransferGate::busy()
{
    return canWaitHere() && state().depth > 0;
}

TransferGate::Scope::Scope()
{
    if (!canWaitHere())
        return;
    m_counted = true;
    State &s = state();
    if (s.depth++ == 0) {
        s.filter = std::make_unique<Filter>();
        QCoreApplication::instance()->installEventFilter(s.filter.get());
    }
}

TransferGate::Scope::~Scope()
{
    if (!m_counted)
        return;
    State &s = state();
    if (--s.depth > 0)
        return;
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(s.filter.get());
    s.filter.reset();
    if (!s.deferred.empty() && QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &flush, Qt::QueuedConnection);
}

void TransferGate::whenIdle(QObject *context, std::function<void()> fn)
{
    if (busy()) {
        defer(context, std::move(fn));
        return;
    }
    // Work held back by a transfer that has ended goes first.
    if (canWaitHere() && !state().deferred.empty())
        flush();
    fn();
}

void TransferGate::waitUntil(const std::atomic<bool> &done)
{
    Scope scope;
    while (!done.load(std::memory_order_acquire))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int TransferGate::deferredCount()
{
    return int(state().deferred.size());
}
