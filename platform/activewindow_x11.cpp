#include "platform/activewindow.h"

#include <QSocketNotifier>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <unistd.h>

#include <xcb/xcb.h>

namespace {

struct ConnectionCloser {
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};
using ConnectionPtr = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A property's value; empty when the window has none (or is gone).
QByteArray windowProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t atom,
                          xcb_atom_t type)
{
    if (atom == XCB_ATOM_NONE)
        return {};
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, type, 0, 4096), nullptr));
    if (!reply || reply->type != type)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QList<quint32> words(const QByteArray &bytes)
{
    QList<quint32> out;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) {
        quint32 w;
        memcpy(&w, bytes.constData() + i, 4);
        out.append(w);
    }
    return out;
}

} // namespace

struct ActiveWindowWatcher::Private {
    ConnectionPtr connection;
    xcb_window_t root = 0;
    xcb_atom_t activeWindow = XCB_ATOM_NONE;
    xcb_atom_t supportingCheck = XCB_ATOM_NONE;
    xcb_atom_t clientList = XCB_ATOM_NONE;
    xcb_atom_t pid = XCB_ATOM_NONE;
    std::unique_ptr<QSocketNotifier> notifier;
    Support support = Support::NoX11;
    xcb_window_t lastActive = XCB_WINDOW_NONE;
    bool told = false;
    std::function<void()> readActive;

    xcb_connection_t *c() const { return connection.get(); }

    bool ours(xcb_window_t window) const
    {
        const QList<quint32> p = words(windowProperty(c(), window, pid, XCB_ATOM_CARDINAL));
        return !p.isEmpty() && p.first() == quint32(getpid());
    }

    // WM_CLASS holds the instance and the class, each ended by a NUL.
    QString windowClass(xcb_window_t window) const
    {
        const QList<QByteArray> parts =
            windowProperty(c(), window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
        return parts.size() > 1 ? QString::fromLocal8Bit(parts.at(1)) : QString();
    }

    bool windowManagerRuns() const
    {
        const QList<quint32> check =
            words(windowProperty(c(), root, supportingCheck, XCB_ATOM_WINDOW));
        return !check.isEmpty() && check.first() != XCB_WINDOW_NONE;
    }
};

ActiveWindowWatcher::ActiveWindowWatcher(QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
}

ActiveWindowWatcher::~ActiveWindowWatcher() = default;

ActiveWindowWatcher::Support ActiveWindowWatcher::support() const
{
    return d->support;
}

ActiveWindowWatcher::Support ActiveWindowWatcher::start(const QByteArray &displayName)
{
    // Native Wayland windows are never an X11 window in front: without
    // DISPLAY there is nothing to watch.
    if (displayName.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY"))
        return d->support = Support::NoX11;
    int screenNumber = 0;
    ConnectionPtr connection(
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber));
    if (!connection || xcb_connection_has_error(connection.get()))
        return d->support = Support::NoX11;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return d->support = Support::NoX11;
    d->connection = std::move(connection);
    d->root = it.data->root;
    d->activeWindow = internAtom(d->c(), "_NET_ACTIVE_WINDOW");
    d->supportingCheck = internAtom(d->c(), "_NET_SUPPORTING_WM_CHECK");
    d->clientList = internAtom(d->c(), "_NET_CLIENT_LIST");
    d->pid = internAtom(d->c(), "_NET_WM_PID");

    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(d->c(), d->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(d->c());
    d->notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(d->c()), QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
        bool active = false;
        bool check = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(d->c())) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto *p = reinterpret_cast<xcb_property_notify_event_t *>(event);
                active |= p->window == d->root && p->atom == d->activeWindow;
                check |= p->window == d->root && p->atom == d->supportingCheck;
            }
            std::free(event);
        }
        if (xcb_connection_has_error(d->c())) {
            // The display went away: nothing more will be told.
            d->notifier->setEnabled(false);
            d->support = Support::NoX11;
            emit supportChanged();
            return;
        }
        if (check) {
            const Support now =
                d->windowManagerRuns() ? Support::Watching : Support::NoWindowManager;
            if (now != d->support) {
                d->support = now;
                emit supportChanged();
                active = true; // the window manager that came names the window in front
            }
        }
        if (active)
            d->readActive();
    });
    d->readActive = [this] {
        if (d->support != Support::Watching)
            return;
        const QList<quint32> w =
            words(windowProperty(d->c(), d->root, d->activeWindow, XCB_ATOM_WINDOW));
        const xcb_window_t window = w.isEmpty() ? xcb_window_t(XCB_WINDOW_NONE) : w.first();
        if (d->told && window == d->lastActive)
            return;
        d->told = true;
        d->lastActive = window;
        const bool counts = window != XCB_WINDOW_NONE && !d->ours(window);
        emit activeWindowChanged(counts ? d->windowClass(window) : QString());
    };
    d->support = d->windowManagerRuns() ? Support::Watching : Support::NoWindowManager;
    // The window in front when we start counts as just come to the front.
    QMetaObject::invokeMethod(
        this, [this] { d->readActive(); }, Qt::QueuedConnection);
    return d->support;
}

QStringList ActiveWindowWatcher::openWindowClasses() const
{
    if (!d->connection)
        return {};
    QList<quint32> windows = words(windowProperty(d->c(), d->root, d->clientList, XCB_ATOM_WINDOW));
    if (windows.isEmpty()) {
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(d->c(), xcb_query_tree(d->c(), d->root), nullptr));
        if (tree) {
            const xcb_window_t *children = xcb_query_tree_children(tree.get());
            for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
                windows.append(children[i]);
        }
    }
    QStringList out;
    for (quint32 window : windows) {
        const QString cls = d->windowClass(window);
        if (!cls.isEmpty() && !d->ours(window))
            out.append(cls);
    }
    out.removeDuplicates();
    return out;
}
