#include "inputhook/inputhook.h"

#include "inputhook/keytables.h"
#include "inputhook/platformhooks.h"
#include "inputhook/winconstants.h"
#include "inputhook/windowkeycapture.h"

#include <QGuiApplication>
#include <QWindow>

#include <array>

using namespace WinInput;

namespace {

struct HookState {
    QHash<quint16, quint8> scanToVirtualKey;
    std::array<quint8, 256> virtualKeyToUsage{};
    // Last state reported per usage; lives as long as the process.
    std::array<bool, 256> keyDownState{};

    InputHook::KeyboardCallback keyboardCallback = nullptr;
    void *keyboardContext = nullptr;
    InputHook::MouseCallback mouseCallback = nullptr;
    void *mouseContext = nullptr;
    InputHook::CopyDataHandler copyDataHandler = nullptr;
    void *copyDataContext = nullptr;
    // Set while a callback runs.
    InputHook::EventDetails current;
};

// Makes an event's details current for the callback it is reported to.
class CurrentEvent
{
public:
    CurrentEvent(HookState &state, const InputHook::EventDetails &details)
        : m_state(state), m_previous(state.current)
    {
        state.current = details;
    }
    ~CurrentEvent() { m_state.current = m_previous; }
    CurrentEvent(const CurrentEvent &) = delete;
    CurrentEvent &operator=(const CurrentEvent &) = delete;

private:
    HookState &m_state;
    InputHook::EventDetails m_previous;
};

HookState &hookState()
{
    static HookState state;
    return state;
}

} // namespace

InputHook::InputHook(bool nonUsLayout) : m_nonUsLayout(nonUsLayout)
{
    HookState &state = hookState();
    state.scanToVirtualKey = KeyTables::buildScanToVirtualKey();
    state.virtualKeyToUsage = KeyTables::buildVirtualKeyToUsage(nonUsLayout);
    installHooks();
}

InputHook::~InputHook()
{
    removeHooks();
    PlatformHooks::removeCopyDataFilter();
    // The contexts belong to objects that may not outlive us.
    HookState &state = hookState();
    state.keyboardCallback = nullptr;
    state.keyboardContext = nullptr;
    state.mouseCallback = nullptr;
    state.mouseContext = nullptr;
    state.copyDataHandler = nullptr;
    state.copyDataContext = nullptr;
}

bool InputHook::installHooks()
{
    const bool global = PlatformHooks::install();
    // A native Wayland window is not seen by the X11 capture of XWayland.
    const bool ownWindowSeen = global && !QGuiApplication::platformName().startsWith(
                                             QLatin1String("wayland"), Qt::CaseInsensitive);
    QString mode;
    if (ownWindowSeen) {
        WindowKeyCapture::remove();
        mode = QStringLiteral("global");
    } else if (WindowKeyCapture::install()) {
        mode = QStringLiteral("window");
    }
    publishCaptureMode(mode);
    return global;
}

void InputHook::removeHooks()
{
    PlatformHooks::remove();
    WindowKeyCapture::remove();
    publishCaptureMode(QString());
}

void InputHook::publishCaptureMode(const QString &mode)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->setProperty(kCaptureModeProperty, mode);
}

bool InputHook::hooksInstalled()
{
    return PlatformHooks::installed();
}

void InputHook::setKeyboardCallback(KeyboardCallback callback, void *context)
{
    hookState().keyboardCallback = callback;
    hookState().keyboardContext = context;
}

void InputHook::setMouseCallback(MouseCallback callback, void *context)
{
    hookState().mouseCallback = callback;
    hookState().mouseContext = context;
}

void InputHook::setCopyDataHandler(CopyDataHandler handler, QCoreApplication *app, void *context)
{
    hookState().copyDataHandler = handler;
    hookState().copyDataContext = context;
    PlatformHooks::installCopyDataFilter(app);
}

quint8 InputHook::usageForKey(quint32 scanCode, quint32 flags)
{
    const HookState &state = hookState();
    const quint8 scan = scanCode > 255 ? 0 : quint8(scanCode);
    const bool extended = flags & LLKHF_EXTENDED;
    quint8 vk = state.scanToVirtualKey.value(KeyTables::scanKey(scan, extended), 0);
    // Ctrl+Break arrives as the Scroll Lock scan code marked extended,
    // Alt+Print Screen as the SysRq scan code.
    if (scan == 0x46 && extended)
        vk = VK_PAUSE;
    if (scan == 0x54 && (flags & LLKHF_ALTDOWN))
        vk = VK_SNAPSHOT;
    if (vk == 0)
        return 0;
    return state.virtualKeyToUsage[vk];
}

bool InputHook::processKeyboardEvent(int nCode, quintptr wParam, quint32 scanCode, quint32 flags,
                                     const EventDetails &details)
{
    const bool isDown = nCode == HC_ACTION && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN);
    const quint8 usage = usageForKey(scanCode, flags);
    if (usage == 0)
        return false;
    HookState &state = hookState();
    // Auto-repeat sends key-down again and again: only the change is news.
    if (state.keyDownState[usage] == isDown)
        return false;
    state.keyDownState[usage] = isDown;
    if (state.keyboardCallback) {
        const CurrentEvent current(state, details);
        state.keyboardCallback(usage, isDown, state.keyboardContext);
    }
    return true;
}

bool InputHook::processMouseEvent(quintptr wParam, int x, int y, const EventDetails &details)
{
    uchar code = 0;
    bool isDown = false;
    switch (wParam) {
    case WM_LBUTTONDOWN:
        code = LeftButton;
        isDown = true;
        break;
    case WM_LBUTTONUP:
        code = LeftButton;
        break;
    case WM_RBUTTONDOWN:
        code = RightButton;
        isDown = true;
        break;
    case WM_RBUTTONUP:
        code = RightButton;
        break;
    case WM_MBUTTONDOWN:
        code = MiddleButton;
        isDown = true;
        break;
    case WM_MBUTTONUP:
        code = MiddleButton;
        break;
    default:
        // Double-clicks, wheel, movement and the extra buttons are not recorded.
        return false;
    }
    HookState &state = hookState();
    if (state.mouseCallback) {
        const CurrentEvent current(state, details);
        state.mouseCallback(code, isDown, x, y, state.mouseContext);
    }
    return true;
}

bool InputHook::processCopyData(quint32 message, quintptr dwData, const QByteArray &data,
                                quint32 cbData, qintptr *result)
{
    const HookState &state = hookState();
    if (message != WM_COPYDATA || !state.copyDataHandler)
        return false;
    state.copyDataHandler(dwData, data, cbData, state.copyDataContext);
    if (result)
        *result = 1;
    return true;
}

InputHook::EventDetails InputHook::currentEvent()
{
    return hookState().current;
}

bool InputHook::isOwnWindow(quintptr window)
{
    if (!window || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QWindowList windows = QGuiApplication::allWindows();
    for (const QWindow *own : windows) {
        // Asking a window without a native one for its id would make one.
        if (own->handle() && own->winId() == WId(window))
            return true;
    }
    return false;
}

bool InputHook::keyDownState(quint8 usage)
{
    return hookState().keyDownState[usage];
}
