#include "platform/x11record.h"

#include <QPointer>
#include <QtEndian>
#include <QSocketNotifier>
#include <QTimer>
#include <QVector>

#include <cstring>
#include <utility>

// Xlib defines macros (None, Bool, KeyPress, ...) that clash with Qt: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/record.h>

namespace {

struct DisplayCloser {
    void operator()(Display *display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct XFreeDeleter {
    void operator()(void *memory) const { XFree(memory); }
};

struct InterceptDataDeleter {
    void operator()(XRecordInterceptData *data) const { XRecordFreeData(data); }
};

// Catches the X errors of the requests made while it lives instead of letting
// the process-wide handler end the program. One at a time, GUI thread only.
class ErrorTrap
{
public:
    ErrorTrap() : m_previous(XSetErrorHandler(&ErrorTrap::handler)) { s_errors = 0; }
    ~ErrorTrap() { XSetErrorHandler(m_previous); }
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    // Waits until the server has answered everything sent on the connection so far.
    bool failed(Display *display)
    {
        XSync(display, False);
        return s_errors != 0;
    }

private:
    static int handler(Display *, XErrorEvent *)
    {
        ++s_errors;
        return 0;
    }

    static inline int s_errors = 0;
    XErrorHandler m_previous;
};

// A record context, disabled and freed on the control connection it was made on.
class RecordContext
{
public:
    RecordContext(Display *control, XRecordContext id) : m_control(control), m_id(id) {}
    ~RecordContext()
    {
        ErrorTrap trap;
        XRecordDisableContext(m_control, m_id);
        XRecordFreeContext(m_control, m_id);
        trap.failed(m_control);
    }
    RecordContext(const RecordContext &) = delete;
    RecordContext &operator=(const RecordContext &) = delete;

    XRecordContext id() const { return m_id; }

private:
    Display *m_control;
    XRecordContext m_id;
};

quint16 readCard16(const unsigned char *bytes, bool swapped)
{
    quint16 value;
    std::memcpy(&value, bytes, sizeof value);
    return swapped ? quint16((value >> 8) | (value << 8)) : value;
}

quint32 readCard32(const unsigned char *bytes, bool swapped)
{
    quint32 value;
    std::memcpy(&value, bytes, sizeof value);
    return swapped ? qbswap(value) : value;
}

} // namespace

struct X11Record::Private {
    EventCallback callback;
    QString error;
    // Destroyed bottom-up: the notifier before the connection it watches, the
    // context while the control connection is still open.
    DisplayPtr control;
    DisplayPtr data;
    std::unique_ptr<RecordContext> context;
    std::unique_ptr<QSocketNotifier> notifier;
    // Events decoded while Xlib runs our intercept function, handed out after.
    QVector<X11RecordedEvent> pending;

    static void intercept(XPointer closure, XRecordInterceptData *record);
};

void X11Record::Private::intercept(XPointer closure, XRecordInterceptData *record)
{
    std::unique_ptr<XRecordInterceptData, InterceptDataDeleter> owner(record);
    auto *self = reinterpret_cast<Private *>(closure);
    // A device event is one 32-byte core event; data_len counts 4-byte units.
    if (record->category != XRecordFromServer || !record->data || record->data_len * 4 < 32)
        return;
    const unsigned char *bytes = record->data;
    const bool swapped = record->client_swapped;
    X11RecordedEvent event;
    event.type = bytes[0] & 0x7f;
    if (event.type < X11EventType::KeyDown || event.type > X11EventType::ButtonUp)
        return;
    event.detail = bytes[1];
    event.time = readCard32(bytes + 4, swapped);
    event.rootX = qint16(readCard16(bytes + 20, swapped));
    event.rootY = qint16(readCard16(bytes + 22, swapped));
    event.state = readCard16(bytes + 28, swapped);
    self->pending.append(event);
}

X11Record::X11Record(EventCallback callback, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->callback = std::move(callback);
}

X11Record::~X11Record()
{
    stop();
}

bool X11Record::start(const QByteArray &displayName)
{
    stop();
    d->error.clear();
    const QByteArray name = displayName.isEmpty() ? qgetenv("DISPLAY") : displayName;
    if (name.isEmpty()) {
        d->error = QStringLiteral("no X11 display");
        return false;
    }
    DisplayPtr control(XOpenDisplay(name.constData()));
    DisplayPtr data(control ? XOpenDisplay(name.constData()) : nullptr);
    if (!control || !data) {
        d->error = QStringLiteral("cannot open X11 display %1").arg(QString::fromLocal8Bit(name));
        return false;
    }
    int major = 0;
    int minor = 0;
    if (!XRecordQueryVersion(control.get(), &major, &minor)) {
        d->error = QStringLiteral("X11 display %1 has no RECORD extension")
                       .arg(QString::fromLocal8Bit(name));
        return false;
    }

    std::unique_ptr<XRecordRange, XFreeDeleter> range(XRecordAllocRange());
    if (!range) {
        d->error = QStringLiteral("out of memory");
        return false;
    }
    range->device_events.first = KeyPress;
    range->device_events.last = ButtonRelease;
    XRecordRange *ranges[] = {range.get()};
    XRecordClientSpec clients = XRecordAllClients;
    std::unique_ptr<RecordContext> context;
    {
        ErrorTrap trap;
        const XRecordContext id = XRecordCreateContext(control.get(), 0, &clients, 1, ranges, 1);
        // The sync also makes the context exist before the data connection names it.
        const bool failed = trap.failed(control.get());
        if (id)
            context = std::make_unique<RecordContext>(control.get(), id);
        if (!id || failed) {
            d->error = QStringLiteral("cannot create an X11 record context");
            return false;
        }
    }
    if (!XRecordEnableContextAsync(data.get(), context->id(), &Private::intercept,
                                   reinterpret_cast<XPointer>(d.get()))) {
        d->error = QStringLiteral("cannot enable the X11 record context");
        return false;
    }
    XFlush(data.get());

    d->notifier =
        std::make_unique<QSocketNotifier>(ConnectionNumber(data.get()), QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, &X11Record::readReplies);
    d->control = std::move(control);
    d->data = std::move(data);
    d->context = std::move(context);
    // Xlib may already hold replies it read while enabling: they would raise no
    // notification of their own.
    QTimer::singleShot(0, this, &X11Record::readReplies);
    return true;
}

void X11Record::stop()
{
    d->notifier.reset();
    d->context.reset();
    d->data.reset();
    d->control.reset();
    d->pending.clear();
}

bool X11Record::isActive() const
{
    return d->data != nullptr;
}

QString X11Record::errorString() const
{
    return d->error;
}

void X11Record::readReplies()
{
    if (!d->data)
        return;
    XRecordProcessReplies(d->data.get());
    QVector<X11RecordedEvent> events = std::exchange(d->pending, {});
    // Recorded device events name no window: the one under the pointer is
    // asked for, on the control connection.
    for (X11RecordedEvent &event : events) {
        if (event.type == X11EventType::ButtonDown || event.type == X11EventType::ButtonUp)
            event.window = windowAt(event.rootX, event.rootY);
    }
    // The callback may stop or even destroy us.
    const QPointer<X11Record> self(this);
    for (const X11RecordedEvent &event : events) {
        if (!self || !d->data)
            return;
        if (d->callback)
            d->callback(event);
    }
}

quint32 X11Record::windowAt(int rootX, int rootY) const
{
    Display *display = d->control.get();
    if (!display)
        return 0;
    // A window may go away while we walk down: its error is caught, and the
    // walk ends at the last window found.
    ErrorTrap trap;
    const Window root = DefaultRootWindow(display);
    Window found = root;
    // Each step gives the child of `found` that holds the point, topmost first.
    for (int depth = 0; depth < 64; ++depth) {
        int x = 0;
        int y = 0;
        Window child = 0;
        if (!XTranslateCoordinates(display, root, found, rootX, rootY, &x, &y, &child) || !child)
            break;
        found = child;
    }
    trap.failed(display);
    return quint32(found);
}
