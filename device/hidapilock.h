// hidapi keeps global state behind open and enumerate; the notification
// listener opens its interface from a pool thread while the GUI thread opens
// the command interface, so those calls take turns under this lock.
#pragma once

#include <QMutex>

namespace HidApiLock {
QMutex &mutex();
} // namespace HidApiLock
