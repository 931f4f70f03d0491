#include "inputhook/keytables.h"

#include "inputhook/winconstants.h"

using namespace WinInput;

namespace KeyTables {

QHash<quint16, quint8> buildScanToVirtualKey()
{
    QHash<quint16, quint8> table;
    auto plain = [&table](quint8 scan, quint8 vk) { table.insert(scanKey(scan, false), vk); };
    auto extended = [&table](quint8 scan, quint8 vk) { table.insert(scanKey(scan, true), vk); };

    plain(0x01, VK_ESCAPE);
    for (int i = 0; i < 9; ++i)
        plain(quint8(0x02 + i), quint8('1' + i));
    plain(0x0B, '0');
    plain(0x0C, VK_OEM_MINUS);
    plain(0x0D, VK_OEM_PLUS);
    plain(0x0E, VK_BACK);
    plain(0x0F, VK_TAB);
    const char topRow[] = "QWERTYUIOP";
    for (int i = 0; i < 10; ++i)
        plain(quint8(0x10 + i), quint8(topRow[i]));
    plain(0x1A, VK_OEM_4);
    plain(0x1B, VK_OEM_6);
    plain(0x1C, VK_RETURN);
    extended(0x1C, VK_KEYPAD_ENTER);
    plain(0x1D, VK_LCONTROL);
    extended(0x1D, VK_RCONTROL);
    const char homeRow[] = "ASDFGHJKL";
    for (int i = 0; i < 9; ++i)
        plain(quint8(0x1E + i), quint8(homeRow[i]));
    plain(0x27, VK_OEM_1);
    plain(0x28, VK_OEM_7);
    plain(0x29, VK_OEM_3);
    plain(0x2A, VK_LSHIFT);
    plain(0x2B, VK_OEM_5);
    const char bottomRow[] = "ZXCVBNM";
    for (int i = 0; i < 7; ++i)
        plain(quint8(0x2C + i), quint8(bottomRow[i]));
    plain(0x33, VK_OEM_COMMA);
    plain(0x34, VK_OEM_PERIOD);
    plain(0x35, VK_OEM_2);
    extended(0x35, VK_DIVIDE);
    extended(0x36, VK_RSHIFT);
    plain(0x37, VK_MULTIPLY);
    extended(0x37, VK_SNAPSHOT);
    plain(0x38, VK_LMENU);
    extended(0x38, VK_RMENU);
    plain(0x39, VK_SPACE);
    plain(0x3A, VK_CAPITAL);
    for (int i = 0; i < 10; ++i)
        plain(quint8(0x3B + i), quint8(VK_F1 + i));
    plain(0x45, VK_PAUSE);
    extended(0x45, VK_NUMLOCK);
    plain(0x46, VK_SCROLL);
    plain(0x47, VK_NUMPAD7);
    extended(0x47, VK_HOME);
    plain(0x48, VK_NUMPAD8);
    extended(0x48, VK_UP);
    plain(0x49, VK_NUMPAD9);
    extended(0x49, VK_PRIOR);
    plain(0x4A, VK_SUBTRACT);
    plain(0x4B, VK_NUMPAD4);
    extended(0x4B, VK_LEFT);
    plain(0x4C, VK_NUMPAD5);
    plain(0x4D, VK_NUMPAD6);
    extended(0x4D, VK_RIGHT);
    plain(0x4E, VK_ADD);
    plain(0x4F, VK_NUMPAD1);
    extended(0x4F, VK_END);
    plain(0x50, VK_NUMPAD2);
    extended(0x50, VK_DOWN);
    plain(0x51, VK_NUMPAD3);
    extended(0x51, VK_NEXT);
    plain(0x52, VK_NUMPAD0);
    extended(0x52, VK_INSERT);
    plain(0x53, VK_DECIMAL);
    extended(0x53, VK_DELETE);
    plain(0x56, VK_OEM_102);
    plain(0x57, VK_F11);
    plain(0x58, VK_F12);
    extended(0x5B, VK_LWIN);
    // 5C extended (the right Windows key) deliberately has no entry.
    extended(0x5D, VK_APPS);
    plain(0x6E, VK_F23);
    return table;
}

std::array<quint8, 256> buildVirtualKeyToUsage(bool nonUsLayout)
{
    std::array<quint8, 256> table{};
    for (int i = 0; i < 26; ++i)
        table['A' + i] = quint8(0x04 + i);
    for (int i = 0; i < 9; ++i)
        table['1' + i] = quint8(0x1E + i);
    table['0'] = 0x27;
    table[VK_RETURN] = 0x28;
    table[VK_ESCAPE] = 0x29;
    table[VK_BACK] = 0x2A;
    table[VK_TAB] = 0x2B;
    table[VK_SPACE] = 0x2C;
    table[VK_OEM_MINUS] = 0x2D;
    table[VK_OEM_PLUS] = 0x2E;
    table[VK_OEM_4] = 0x2F;
    table[VK_OEM_6] = 0x30;
    table[VK_OEM_5] = nonUsLayout ? 0x32 : 0x31;
    table[VK_OEM_1] = 0x33;
    table[VK_OEM_7] = 0x34;
    table[VK_OEM_3] = 0x35;
    table[VK_OEM_COMMA] = 0x36;
    table[VK_OEM_PERIOD] = 0x37;
    table[VK_OEM_2] = 0x38;
    table[VK_CAPITAL] = 0x39;
    for (int i = 0; i < 12; ++i)
        table[VK_F1 + i] = quint8(0x3A + i);
    table[VK_SNAPSHOT] = 0x46;
    table[VK_SCROLL] = 0x47;
    table[VK_PAUSE] = 0x48;
    table[VK_INSERT] = 0x49;
    table[VK_HOME] = 0x4A;
    table[VK_PRIOR] = 0x4B;
    table[VK_DELETE] = 0x4C;
    table[VK_END] = 0x4D;
    table[VK_NEXT] = 0x4E;
    table[VK_RIGHT] = 0x4F;
    table[VK_LEFT] = 0x50;
    table[VK_DOWN] = 0x51;
    table[VK_UP] = 0x52;
    table[VK_NUMLOCK] = 0x53;
    table[VK_DIVIDE] = 0x54;
    table[VK_MULTIPLY] = 0x55;
    table[VK_SUBTRACT] = 0x56;
    table[VK_ADD] = 0x57;
    table[VK_KEYPAD_ENTER] = 0x58;
    for (int i = 0; i < 9; ++i)
        table[VK_NUMPAD1 + i] = quint8(0x59 + i);
    table[VK_NUMPAD0] = 0x62;
    table[VK_DECIMAL] = 0x63;
    table[VK_OEM_102] = 0x64;
    table[VK_APPS] = 0x65;
    table[0xFF] = 0x66;
    for (int i = 0; i < 12; ++i)
        table[VK_F13 + i] = quint8(0x68 + i);
    table[0xC2] = 0x85;
    table[0xC1] = 0x87;
    table[0xEB] = 0x8B;
    table[VK_LCONTROL] = 0xE0;
    table[VK_LSHIFT] = 0xE1;
    table[VK_LMENU] = 0xE2;
    table[VK_LWIN] = 0xE3;
    table[VK_RCONTROL] = 0xE4;
    table[VK_RSHIFT] = 0xE5;
    table[VK_RMENU] = 0xE6;
    table[VK_RWIN] = 0xE7;
    return table;
}

} // namespace KeyTables
