#pragma once

// System-wide capture of keys and mouse buttons for macro recording.
//
// Keys arrive as USB HID keyboard usages (the codes the mouse itself stores),
// mouse buttons as 0xF0 (left), 0xF1 (right) and 0xF2 (middle). Capture only
// observes: every event goes on to its program unchanged.
//
// There is one InputHook per process. The tables, callbacks and key states
// behind it are program-wide, because the operating system calls the capture
// procedures without any object of ours.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QCoreApplication;

// What a capture knows of an event beside its key or button.
struct InputEventDetails {
    // When it happened, in ms on the capture's clock (the X server's, the
    // system's); wraps at 2^32. -1 when the capture gives none.
    qint64 time = -1;
    // For a button: the native window it went to, 0 when not known.
    quintptr window = 0;
};

class InputHook
{
public:
    using KeyboardCallback = void (*)(uchar usage, bool isDown, void *context);
    using MouseCallback = void (*)(uchar code, bool isDown, int x, int y, void *context);
    // Receives a WM_COPYDATA message: its tag, its bytes (at most cbData of them) and cbData.
    using CopyDataHandler = void (*)(quintptr dwData, const QByteArray &data, quint32 cbData,
                                     void *context);

    static constexpr uchar LeftButton = 0xF0;
    static constexpr uchar RightButton = 0xF1;
    static constexpr uchar MiddleButton = 0xF2;

    static constexpr const char *kCaptureModeProperty = "kestaInputCapture";
    using EventDetails = InputEventDetails;

    // Fills the translation tables and installs the hooks.
    explicit InputHook(bool nonUsLayout);
    ~InputHook();
    InputHook(const InputHook &) = delete;
    InputHook &operator=(const InputHook &) = delete;

    bool nonUsLayout() const { return m_nonUsLayout; }

    // False when capture is not possible here (no hooks, no X11 display with
    // the RECORD extension); the program then simply runs without capture.
    // Where our own window is not covered by the capture (no capture, or a
    // native Wayland window), the keys that window receives while focused
    // go through processKeyboardEvent instead (WindowKeyCapture).
    // The application object's property kCaptureModeProperty tells which:
    // "global", "window", or empty for none (removeHooks).
    bool installHooks();
    // Safe to call more than once.
    void removeHooks();
    static bool hooksInstalled();

    void setKeyboardCallback(KeyboardCallback callback, void *context);
    void setMouseCallback(MouseCallback callback, void *context);
    // Registers the WM_COPYDATA handler; on Windows this also installs the
    // application-wide native filter that hands it every WM_COPYDATA.
    void setCopyDataHandler(CopyDataHandler handler, QCoreApplication *app, void *context);

    // The procedures every platform's capture feeds, written over the values of
    // a low-level keyboard or mouse event. Each returns whether it reported the
    // event to the callback's side (also when no callback is registered).
    static bool processKeyboardEvent(int nCode, quintptr wParam, quint32 scanCode, quint32 flags,
                                     const EventDetails &details = {});
    static bool processMouseEvent(quintptr wParam, int x, int y, const EventDetails &details = {});
    // The details of the event a callback is being called for (outside a
    // callback: none).
    static EventDetails currentEvent();
    // Whether a native window is one of this program's own windows (the
    // window itself, not its place on the screen: another program's window
    // may lie over ours).
    static bool isOwnWindow(quintptr window);
    // The native filter's decision: true (claimed, *result = 1) for every
    // WM_COPYDATA while a handler is registered, after calling it.
    static bool processCopyData(quint32 message, quintptr dwData, const QByteArray &data,
                                quint32 cbData, qintptr *result);

    // Translation alone: the usage a key event stands for, 0 for none.
    static quint8 usageForKey(quint32 scanCode, quint32 flags);
    // The last state reported for a usage.
    static bool keyDownState(quint8 usage);

private:
    static void publishCaptureMode(const QString &mode);

    bool m_nonUsLayout;
};
