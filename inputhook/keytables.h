#pragma once

// Translation of a keyboard event into the USB HID usage the mouse stores:
// scan code (+ extended flag) -> virtual key -> usage.

#include <QHash>
#include <QtGlobal>

#include <array>

namespace KeyTables {

// Key of the scan-code table: scan code in the high byte, extended flag in bit 0.
constexpr quint16 scanKey(quint8 scan, bool extended)
{
    return quint16((scan << 8) | (extended ? 1 : 0));
}

// The 105 scan codes a keyboard event is known by. Absent keys mean "no key".
QHash<quint16, quint8> buildScanToVirtualKey();

// Virtual key -> HID usage (0 = none). nonUsLayout moves the backslash key
// (VK_OEM_5) from the US usage 0x31 to the non-US one 0x32.
std::array<quint8, 256> buildVirtualKeyToUsage(bool nonUsLayout);

} // namespace KeyTables
