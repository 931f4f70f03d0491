#pragma once

// Recording where no global capture is possible (no X11 display with the
// RECORD extension, a native Wayland window, failed hooks): the keys our own
// windows receive while they have the focus go through the same capture
// procedures as globally captured keys. Mouse buttons are not taken here: in
// our own window they operate the page.

#include <QObject>

class WindowKeyCapture : public QObject
{
    Q_OBJECT
public:
    // Installs the application-wide filter; false without a GUI application.
    static bool install();
    static void remove();
    static bool installed();

    // The PC scan code and extended flag (as LLKHF_EXTENDED) of a key event's
    // native scan code on this platform; false for keys without one.
    static bool scanCodeFor(quint32 nativeScanCode, quint32 *scan, quint32 *flags);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
