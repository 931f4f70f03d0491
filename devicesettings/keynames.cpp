#include "devicesettings/keynames.h"

namespace KeyNames {

const QVector<Entry> &table()
{
    // One key per line reads as the table it is.
    // clang-format off
    static const QVector<Entry> entries = {
        {0x04, "A"},
        {0x05, "B"},
        {0x06, "C"},
        {0x07, "D"},
        {0x08, "E"},
        {0x09, "F"},
        {0x0A, "G"},
        {0x0B, "H"},
        {0x0C, "I"},
        {0x0D, "J"},
        {0x0E, "K"},
        {0x0F, "L"},
        {0x10, "M"},
        {0x11, "N"},
        {0x12, "O"},
        {0x13, "P"},
        {0x14, "Q"},
        {0x15, "R"},
        {0x16, "S"},
        {0x17, "T"},
        {0x18, "U"},
        {0x19, "V"},
        {0x1A, "W"},
        {0x1B, "X"},
        {0x1C, "Y"},
        {0x1D, "Z"},
        {0x1E, "1"},
        {0x1F, "2"},
        {0x20, "3"},
        {0x21, "4"},
        {0x22, "5"},
        {0x23, "6"},
        {0x24, "7"},
        {0x25, "8"},
        {0x26, "9"},
        {0x27, "0"},
        {0x28, "Enter"},
        {0x29, "Esc"},
        {0x2A, "Back"},
        {0x2B, "Tab"},
        {0x2C, "Space"},
        {0x2D, "-"},
        {0x2E, "="},
        {0x2F, "["},
        {0x30, "]"},
        {0x31, "\\"},
        {0x32, "\\"},
        {0x33, ";"},
        {0x34, "'"},
        {0x35, "`"},
        {0x36, ","},
        {0x37, "."},
        {0x38, "/"},
        {0x39, "Caps"},
        {0x3A, "F1"},
        {0x3B, "F2"},
        {0x3C, "F3"},
        {0x3D, "F4"},
        {0x3E, "F5"},
        {0x3F, "F6"},
        {0x40, "F7"},
        {0x41, "F8"},
        {0x42, "F9"},
        {0x43, "F10"},
        {0x44, "F11"},
        {0x45, "F12"},
        {0x46, "Prt"},
        {0x47, "Scr"},
        {0x48, "Pau"},
        {0x49, "Ins"},
        {0x4A, "Hom"},
        {0x4B, "Pgu"},
        {0x4C, "Del"},
        {0x4D, "End"},
        {0x4E, "PgD"},
        {0x4F, "►"},
        {0x50, "◄"},
        {0x51, "▼"},
        {0x52, "▲"},
        {0x53, "Num"},
        {0x54, "KP/"},
        {0x55, "KP*"},
        {0x56, "KP-"},
        {0x57, "KP+"},
        {0x58, "KPEnter"},
        {0x59, "KP1"},
        {0x5A, "KP2"},
        {0x5B, "KP3"},
        {0x5C, "KP4"},
        {0x5D, "KP5"},
        {0x5E, "KP6"},
        {0x5F, "KP7"},
        {0x60, "KP8"},
        {0x61, "KP9"},
        {0x62, "KP0"},
        {0x63, "KP."},
        {0x64, "Eur2"},
        {0x65, "App"},
        {0x66, "Power"},
        {0x67, "KP="},
        {0x68, "F13"},
        {0x69, "F14"},
        {0x6A, "F15"},
        {0x6B, "F16"},
        {0x6C, "F17"},
        {0x6D, "F18"},
        {0x6E, "F19"},
        {0x6F, "F20"},
        {0x70, "F21"},
        {0x71, "F22"},
        {0x72, "F23"},
        {0x73, "F24"},
        {0x85, "Keypad"},
        {0x87, "Intl1"},
        {0x88, "Intl2"},
        {0x89, "Intl3"},
        {0x8A, "Intl4"},
        {0x8B, "Intl5"},
        {0x90, "Lang1"},
        {0x91, "Lang2"},
        {0xE0, "LCtrl"},
        {0xE1, "LShift"},
        {0xE2, "LAlt"},
        {0xE3, "LWin"},
        {0xE4, "RCtrl"},
        {0xE5, "RShift"},
        {0xE6, "RAlt"},
        {0xE7, "RWin"},
        {0xF0, "MS-L"},
        {0xF1, "MS-R"},
        {0xF2, "MS-M"},
        {0xF3, "MS-B4"},
        {0xF4, "MS-B5"},
    };
    // clang-format on
    return entries;
}

uchar strTokeycode(const QString &name)
{
    for (const Entry &e : table()) {
        if (name == QString::fromUtf8(e.name))
            return e.code;
    }
    return 0;
}

QString keycodeTostr(uchar code)
{
    for (const Entry &e : table()) {
        if (e.code == code)
            return QString::fromUtf8(e.name);
    }
    return QString();
}

QVector<int> codes()
{
    QVector<int> out;
    out.reserve(table().size());
    for (const Entry &e : table())
        out.append(e.code);
    return out;
}

QStringList names()
{
    QStringList out;
    out.reserve(table().size());
    for (const Entry &e : table())
        out.append(QString::fromUtf8(e.name));
    return out;
}

} // namespace KeyNames
