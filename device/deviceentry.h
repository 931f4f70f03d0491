#pragma once

#include <QString>
#include <cstdint>

// One configured device of the device list in setting/apConfig.bin.
struct DeviceEntry {
    // The longest report HID allows; 32 and 64 are what mice use.
    static constexpr int kMaxReportLength = 4096;

    int type = -1;
    uint16_t vid = 0;
    uint16_t pid = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t usagePage2 = 0;
    uint16_t usage2 = 0;
    int reportLength = 32; // 0: the list gave no valid length, the entry is never used
    bool isEncode = false;
    QString sCode = QStringLiteral("417306");
    QString path;  // command interface, empty when not present
    QString path2; // notification interface, empty when not present

    bool usable() const { return reportLength > 0 && reportLength <= kMaxReportLength; }
};
