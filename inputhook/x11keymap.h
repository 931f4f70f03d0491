#pragma once

// Turns the raw events recorded on an X11 display into the low-level keyboard
// and mouse events the capture procedures of InputHook understand: each key
// becomes the scan code and extended flag the same key has on a PC keyboard.

#include "inputhook/inputhook.h"

#include <QtGlobal>

#include <optional>

struct PcScanCode {
    quint8 scan = 0;
    bool extended = false;
};

// The key's scan code for a Linux input (evdev) key code, which is the X
// keycode minus 8. Empty for keys a PC keyboard does not have.
std::optional<PcScanCode> pcScanCodeForEvdev(int evdevCode);

class X11EventTranslator
{
public:
    // type, detail and the root position as recorded (see X11RecordedEvent),
    // with its time and window. Returns whether InputHook reported the event.
    bool translate(int type, int detail, int rootX, int rootY,
                   const InputHook::EventDetails &details = {});

    bool altDown() const { return m_leftAltDown || m_rightAltDown; }

private:
    bool translateKey(bool isDown, int keycode, const InputHook::EventDetails &details);
    bool translateButton(bool isDown, int button, int rootX, int rootY,
                         const InputHook::EventDetails &details);

    // Alt is followed from the recorded key events themselves, whatever the
    // modifier mapping of the display says.
    bool m_leftAltDown = false;
    bool m_rightAltDown = false;
};
