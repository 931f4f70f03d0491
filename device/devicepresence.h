// Reading the device list and matching it against the HID interfaces present.
#pragma once

#include "device/deviceentry.h"

#include <QList>
#include <QString>
#include <memory>

class Hid_Thread;
class QSettings;

namespace DevicePresence {

// Groups "0".."deviceCount-1" of the INI file at apConfigPath, paths empty.
QList<std::shared_ptr<DeviceEntry>> readDeviceList(const QString &apConfigPath);
// The same from an object already open on that file.
QList<std::shared_ptr<DeviceEntry>> readDeviceList(const QSettings &apConfig);

// Fills path and path2 of every entry from hid_enumerate (last match wins).
void findInterfaces(QList<std::shared_ptr<DeviceEntry>> &list);

// What admission found: the entry admitted, or why none was.
struct Finding {
    int index = -1; // the entry hid now holds; -1 when none passed the handshake
    // With none admitted: the first listed interface that is present but
    // that this user may not open (its node belongs to root: the udev rule
    // is not installed, or the mouse was plugged in before it was).
    QString refusedNode;

    bool admitted() const { return index >= 0; }
    bool refused() const { return index < 0 && !refusedNode.isEmpty(); }
};

// Replaces hid's list and hands the first entry with a path that passes the
// handshake.
Finding admit(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &list);
// The same; returns the index admitted or -1 when none was.
int admitFirst(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &list);

// Whether an open that failed with error (errno) on node failed for lack of
// permission rather than because the node is gone.
bool isRefusal(int error, const QString &node);

// True when the entry hid has admitted is in fresh (a list just read and
// matched) at the same index with the same command interface, and still
// passes the handshake; a mouse with a notification interface also needs its
// listener still running. Then nothing else has to happen for it.
bool stillAdmitted(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &fresh);

} // namespace DevicePresence
