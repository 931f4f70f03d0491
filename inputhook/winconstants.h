#pragma once

// The Windows input constants the key tables and the hook procedures speak in.
// They are defined here so that every platform shares one translation path;
// never include this header together with <windows.h>, which defines the same
// names as macros.

#include <QtGlobal>

namespace WinInput {

// Hook codes and messages
constexpr int HC_ACTION = 0;
constexpr quint32 WM_COPYDATA = 0x004A;
constexpr quint32 WM_KEYDOWN = 0x0100;
constexpr quint32 WM_KEYUP = 0x0101;
constexpr quint32 WM_SYSKEYDOWN = 0x0104;
constexpr quint32 WM_SYSKEYUP = 0x0105;
constexpr quint32 WM_MOUSEMOVE = 0x0200;
constexpr quint32 WM_LBUTTONDOWN = 0x0201;
constexpr quint32 WM_LBUTTONUP = 0x0202;
constexpr quint32 WM_LBUTTONDBLCLK = 0x0203;
constexpr quint32 WM_RBUTTONDOWN = 0x0204;
constexpr quint32 WM_RBUTTONUP = 0x0205;
constexpr quint32 WM_RBUTTONDBLCLK = 0x0206;
constexpr quint32 WM_MBUTTONDOWN = 0x0207;
constexpr quint32 WM_MBUTTONUP = 0x0208;
constexpr quint32 WM_MBUTTONDBLCLK = 0x0209;
constexpr quint32 WM_MOUSEWHEEL = 0x020A;
constexpr quint32 WM_XBUTTONDOWN = 0x020B;
constexpr quint32 WM_XBUTTONUP = 0x020C;

// Flags of a low-level keyboard event
constexpr quint32 LLKHF_EXTENDED = 0x01;
constexpr quint32 LLKHF_ALTDOWN = 0x20;
constexpr quint32 LLKHF_UP = 0x80;

// Virtual keys
constexpr quint8 VK_BACK = 0x08;
constexpr quint8 VK_TAB = 0x09;
constexpr quint8 VK_RETURN = 0x0D;
constexpr quint8 VK_KEYPAD_ENTER = 0x0E; // our own code; Windows leaves 0x0E unassigned
constexpr quint8 VK_PAUSE = 0x13;
constexpr quint8 VK_CAPITAL = 0x14;
constexpr quint8 VK_ESCAPE = 0x1B;
constexpr quint8 VK_SPACE = 0x20;
constexpr quint8 VK_PRIOR = 0x21;
constexpr quint8 VK_NEXT = 0x22;
constexpr quint8 VK_END = 0x23;
constexpr quint8 VK_HOME = 0x24;
constexpr quint8 VK_LEFT = 0x25;
constexpr quint8 VK_UP = 0x26;
constexpr quint8 VK_RIGHT = 0x27;
constexpr quint8 VK_DOWN = 0x28;
constexpr quint8 VK_SNAPSHOT = 0x2C;
constexpr quint8 VK_INSERT = 0x2D;
constexpr quint8 VK_DELETE = 0x2E;
// '0'-'9' are 0x30-0x39 and 'A'-'Z' 0x41-0x5A: their characters
constexpr quint8 VK_LWIN = 0x5B;
constexpr quint8 VK_RWIN = 0x5C;
constexpr quint8 VK_APPS = 0x5D;
constexpr quint8 VK_NUMPAD0 = 0x60;
constexpr quint8 VK_NUMPAD1 = 0x61;
constexpr quint8 VK_NUMPAD2 = 0x62;
constexpr quint8 VK_NUMPAD3 = 0x63;
constexpr quint8 VK_NUMPAD4 = 0x64;
constexpr quint8 VK_NUMPAD5 = 0x65;
constexpr quint8 VK_NUMPAD6 = 0x66;
constexpr quint8 VK_NUMPAD7 = 0x67;
constexpr quint8 VK_NUMPAD8 = 0x68;
constexpr quint8 VK_NUMPAD9 = 0x69;
constexpr quint8 VK_MULTIPLY = 0x6A;
constexpr quint8 VK_ADD = 0x6B;
constexpr quint8 VK_SUBTRACT = 0x6D;
constexpr quint8 VK_DECIMAL = 0x6E;
constexpr quint8 VK_DIVIDE = 0x6F;
constexpr quint8 VK_F1 = 0x70;
constexpr quint8 VK_F10 = 0x79;
constexpr quint8 VK_F11 = 0x7A;
constexpr quint8 VK_F12 = 0x7B;
constexpr quint8 VK_F13 = 0x7C;
constexpr quint8 VK_F23 = 0x86;
constexpr quint8 VK_F24 = 0x87;
constexpr quint8 VK_NUMLOCK = 0x90;
constexpr quint8 VK_SCROLL = 0x91;
constexpr quint8 VK_LSHIFT = 0xA0;
constexpr quint8 VK_RSHIFT = 0xA1;
constexpr quint8 VK_LCONTROL = 0xA2;
constexpr quint8 VK_RCONTROL = 0xA3;
constexpr quint8 VK_LMENU = 0xA4;
constexpr quint8 VK_RMENU = 0xA5;
constexpr quint8 VK_OEM_1 = 0xBA;
constexpr quint8 VK_OEM_PLUS = 0xBB;
constexpr quint8 VK_OEM_COMMA = 0xBC;
constexpr quint8 VK_OEM_MINUS = 0xBD;
constexpr quint8 VK_OEM_PERIOD = 0xBE;
constexpr quint8 VK_OEM_2 = 0xBF;
constexpr quint8 VK_OEM_3 = 0xC0;
constexpr quint8 VK_OEM_4 = 0xDB;
constexpr quint8 VK_OEM_5 = 0xDC;
constexpr quint8 VK_OEM_6 = 0xDD;
constexpr quint8 VK_OEM_7 = 0xDE;
constexpr quint8 VK_OEM_102 = 0xE2;

} // namespace WinInput
