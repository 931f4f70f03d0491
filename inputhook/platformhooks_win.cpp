// Capture on Windows: low-level keyboard and mouse hooks, called on the thread
// that installed them, and the application-wide WM_COPYDATA filter.

#include "inputhook/platformhooks.h"

#include "inputhook/inputhook.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QPointer>

#include <memory>

#include <windows.h>

namespace {

HHOOK keyboardHook = nullptr;
HHOOK mouseHook = nullptr;

LRESULT CALLBACK keyboardProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    // A negative code must go on untouched.
    if (nCode >= 0) {
        const auto *event = reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
        InputHook::EventDetails details;
        details.time = qint64(event->time);
        InputHook::processKeyboardEvent(nCode, quintptr(wParam), quint32(event->scanCode),
                                        quint32(event->flags), details);
    }
    return CallNextHookEx(keyboardHook, nCode, wParam, lParam);
}

LRESULT CALLBACK mouseProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode >= 0) {
        const auto *event = reinterpret_cast<const MSLLHOOKSTRUCT *>(lParam);
        InputHook::EventDetails details;
        details.time = qint64(event->time);
        details.window = quintptr(WindowFromPoint(event->pt));
        InputHook::processMouseEvent(quintptr(wParam), int(event->pt.x), int(event->pt.y), details);
    }
    return CallNextHookEx(mouseHook, nCode, wParam, lParam);
}

class CopyDataFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override
    {
        // WM_COPYDATA is always sent, so it reaches us through the window procedure only.
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message != WM_COPYDATA)
            return false;
        const auto *copyData = reinterpret_cast<const COPYDATASTRUCT *>(msg->lParam);
        quintptr dwData = 0;
        quint32 cbData = 0;
        QByteArray data;
        if (copyData) {
            dwData = quintptr(copyData->dwData);
            cbData = quint32(copyData->cbData);
            // Never read past the cbData bytes the system copied for us.
            if (copyData->lpData && cbData > 0)
                data = QByteArray(static_cast<const char *>(copyData->lpData), qsizetype(cbData));
        }
        return InputHook::processCopyData(msg->message, dwData, data, cbData, result);
    }
};

struct FilterRegistration {
    QPointer<QCoreApplication> app;
    std::unique_ptr<CopyDataFilter> filter;
};

FilterRegistration &filterRegistration()
{
    static FilterRegistration registration;
    return registration;
}

} // namespace

namespace PlatformHooks {

bool install()
{
    remove();
    const HMODULE module = GetModuleHandleW(nullptr);
    keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, module, 0);
    mouseHook = SetWindowsHookExW(WH_MOUSE_LL, mouseProc, module, 0);
    if (keyboardHook && mouseHook)
        return true;
    remove();
    return false;
}

void remove()
{
    if (keyboardHook)
        UnhookWindowsHookEx(keyboardHook);
    if (mouseHook)
        UnhookWindowsHookEx(mouseHook);
    keyboardHook = nullptr;
    mouseHook = nullptr;
}

bool installed()
{
    return keyboardHook && mouseHook;
}

void installCopyDataFilter(QCoreApplication *app)
{
    FilterRegistration &registration = filterRegistration();
    if (!app || (registration.filter && registration.app == app))
        return;
    removeCopyDataFilter();
    registration.filter = std::make_unique<CopyDataFilter>();
    registration.app = app;
    app->installNativeEventFilter(registration.filter.get());
}

void removeCopyDataFilter()
{
    FilterRegistration &registration = filterRegistration();
    if (registration.app && registration.filter)
        registration.app->removeNativeEventFilter(registration.filter.get());
    registration.filter.reset();
    registration.app = nullptr;
}

} // namespace PlatformHooks
