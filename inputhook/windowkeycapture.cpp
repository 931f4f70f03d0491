#include "inputhook/windowkeycapture.h"

#include "inputhook/inputhook.h"
#include "inputhook/winconstants.h"

#ifndef Q_OS_WIN
#include "inputhook/x11keymap.h"
#endif

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>

using namespace WinInput;

namespace {

QPointer<WindowKeyCapture> &instance()
{
    static QPointer<WindowKeyCapture> filter;
    return filter;
}

} // namespace

bool WindowKeyCapture::install()
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    if (!instance()) {
        // Owned by the application; remove() deletes it earlier.
        instance() = new WindowKeyCapture(app);
        app->installEventFilter(instance());
    }
    return true;
}

void WindowKeyCapture::remove()
{
    delete instance().data();
}

bool WindowKeyCapture::installed()
{
    return !instance().isNull();
}

bool WindowKeyCapture::scanCodeFor(quint32 nativeScanCode, quint32 *scan, quint32 *flags)
{
#ifdef Q_OS_WIN
    // Bits 16..24 of the key message: the scan code and the extended bit.
    *scan = nativeScanCode & 0xFF;
    *flags = (nativeScanCode & 0x100) ? LLKHF_EXTENDED : 0;
    return *scan != 0;
#else
    // X11 and Wayland (xkb) key codes are the Linux input codes plus 8.
    const std::optional<PcScanCode> pc = pcScanCodeForEvdev(int(nativeScanCode) - 8);
    if (!pc)
        return false;
    *scan = pc->scan;
    *flags = pc->extended ? LLKHF_EXTENDED : 0;
    return true;
#endif
}

bool WindowKeyCapture::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // Each key arrives once at a window, then again at every item it is
    // delivered to: only the window's copy counts.
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWindowType())
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    quint32 scan = 0;
    quint32 flags = 0;
    if (!scanCodeFor(key->nativeScanCode(), &scan, &flags))
        return false;
    const bool alt = key->modifiers() & Qt::AltModifier;
    if (alt)
        flags |= LLKHF_ALTDOWN;
    const bool down = type == QEvent::KeyPress;
    const quintptr message =
        alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    // Auto-repeated presses are dropped by the procedure itself.
    // The window system's own time stamp (the X server's under X11); events
    // made up without one carry 0.
    InputHook::EventDetails details;
    if (key->timestamp())
        details.time = qint64(quint32(key->timestamp()));
    InputHook::processKeyboardEvent(HC_ACTION, message, scan, flags, details);
    return false;
}
