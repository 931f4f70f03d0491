#include "inputhook/x11keymap.h"

#include "inputhook/inputhook.h"
#include "inputhook/winconstants.h"
#include "platform/x11record.h"

using namespace WinInput;

namespace {

constexpr int EvdevLeftAlt = 56;
constexpr int EvdevRightAlt = 100;
constexpr int EvdevSysRq = 99; // the Print Screen key
constexpr quint8 ScanSysRq = 0x54;

} // namespace

std::optional<PcScanCode> pcScanCodeForEvdev(int evdevCode)
{
    // Keys whose codes differ from the PC scan code, or that need the extended
    // flag the way a low-level keyboard event reports them.
    switch (evdevCode) {
    case 54: // right Shift: reported extended
        return PcScanCode{0x36, true};
    case 69: // NumLock: reported extended, to tell it from Pause
        return PcScanCode{0x45, true};
    case 96: // keypad Enter
        return PcScanCode{0x1C, true};
    case 97: // right Ctrl
        return PcScanCode{0x1D, true};
    case 98: // keypad /
        return PcScanCode{0x35, true};
    case EvdevSysRq:
        return PcScanCode{0x37, true};
    case EvdevRightAlt:
        return PcScanCode{0x38, true};
    case 102: // Home
        return PcScanCode{0x47, true};
    case 103: // Up
        return PcScanCode{0x48, true};
    case 104: // Page Up
        return PcScanCode{0x49, true};
    case 105: // Left
        return PcScanCode{0x4B, true};
    case 106: // Right
        return PcScanCode{0x4D, true};
    case 107: // End
        return PcScanCode{0x4F, true};
    case 108: // Down
        return PcScanCode{0x50, true};
    case 109: // Page Down
        return PcScanCode{0x51, true};
    case 110: // Insert
        return PcScanCode{0x52, true};
    case 111: // Delete
        return PcScanCode{0x53, true};
    case 119: // Pause (E1 1D 45): reported as 45 without the extended flag
        return PcScanCode{0x45, false};
    case 125: // left Windows key
        return PcScanCode{0x5B, true};
    case 126: // right Windows key
        return PcScanCode{0x5C, true};
    case 127: // Menu
        return PcScanCode{0x5D, true};
    case 183: // F13-F22
    case 184:
    case 185:
    case 186:
    case 187:
    case 188:
    case 189:
    case 190:
    case 191:
    case 192:
        return PcScanCode{quint8(0x64 + evdevCode - 183), false};
    case 193: // F23
        return PcScanCode{0x6E, false};
    case 194: // F24
        return PcScanCode{0x76, false};
    default:
        break;
    }
    // The rest of the main block and the keypad: the evdev code is the scan code.
    if ((evdevCode >= 1 && evdevCode <= 83) || (evdevCode >= 86 && evdevCode <= 88))
        return PcScanCode{quint8(evdevCode), false};
    return std::nullopt;
}

bool X11EventTranslator::translate(int type, int detail, int rootX, int rootY,
                                   const InputHook::EventDetails &details)
{
    switch (type) {
    case X11EventType::KeyDown:
        return translateKey(true, detail, details);
    case X11EventType::KeyUp:
        return translateKey(false, detail, details);
    case X11EventType::ButtonDown:
        return translateButton(true, detail, rootX, rootY, details);
    case X11EventType::ButtonUp:
        return translateButton(false, detail, rootX, rootY, details);
    default:
        return false;
    }
}

bool X11EventTranslator::translateKey(bool isDown, int keycode,
                                      const InputHook::EventDetails &details)
{
    const int evdev = keycode - 8;
    if (evdev == EvdevLeftAlt)
        m_leftAltDown = isDown;
    else if (evdev == EvdevRightAlt)
        m_rightAltDown = isDown;

    std::optional<PcScanCode> code = pcScanCodeForEvdev(evdev);
    if (!code)
        return false;
    quint32 flags = code->extended ? LLKHF_EXTENDED : 0;
    if (altDown()) {
        flags |= LLKHF_ALTDOWN;
        // X keeps the Print Screen keycode under Alt; a PC keyboard sends SysRq.
        if (evdev == EvdevSysRq)
            code = PcScanCode{ScanSysRq, false};
    }
    const quintptr message =
        altDown() ? (isDown ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (isDown ? WM_KEYDOWN : WM_KEYUP);
    return InputHook::processKeyboardEvent(HC_ACTION, message, code->scan, flags, details);
}

bool X11EventTranslator::translateButton(bool isDown, int button, int rootX, int rootY,
                                         const InputHook::EventDetails &details)
{
    quintptr message = 0;
    switch (button) {
    case 1:
        message = isDown ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        break;
    case 2:
        message = isDown ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        break;
    case 3:
        message = isDown ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        break;
    default:
        // 4-7 are the wheel, the rest extra buttons: not recorded.
        return false;
    }
    return InputHook::processMouseEvent(message, rootX, rootY, details);
}
