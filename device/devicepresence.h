// Reading the device list and matching it against the HID interfaces present.
#pragma once

#include "device/deviceentry.h"

#include <QList>
#include <QString>
#include <memory>

class Hid_Thread;

namespace DevicePresence {

// Groups "0".."deviceCount-1" of the INI file at apConfigPath, paths empty.
QList<std::shared_ptr<DeviceEntry>> readDeviceList(const QString &apConfigPath);

// Fills path and path2 of every entry from hid_enumerate (last match wins).
void findInterfaces(QList<std::shared_ptr<DeviceEntry>> &list);

// Replaces hid's list and hands the first entry with a path that passes the
// handshake; returns its index or -1 when none does.
int admitFirst(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &list);

// True when the entry hid has admitted is in fresh (a list just read and
// matched) at the same index with the same command interface, and still
// passes the handshake; a mouse with a notification interface also needs its
// listener still running. Then nothing else has to happen for it.
bool stillAdmitted(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &fresh);

} // namespace DevicePresence
