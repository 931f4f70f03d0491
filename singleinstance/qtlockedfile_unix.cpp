#include "singleinstance/qtlockedfile.h"

#include <cerrno>
#include <sys/file.h>

// flock() locks belong to the open file, not to the process: two objects on
// the same path exclude each other even inside one process, and closing some
// other descriptor of the file does not drop the lock behind our back.

namespace QtLP_Private {

bool QtLockedFile::lock(LockMode mode, bool block)
{
    if (!isOpen()) {
        qWarning("QtLockedFile::lock(): file is not opened");
        return false;
    }
    if (mode == NoLock)
        return unlock();
    if (mode == m_lockMode)
        return true;
    if (m_lockMode != NoLock)
        unlock();

    const int operation = (mode == ReadLock ? LOCK_SH : LOCK_EX) | (block ? 0 : LOCK_NB);
    int rc;
    do {
        rc = ::flock(handle(), operation);
    } while (rc == -1 && errno == EINTR);
    if (rc == -1) {
        m_heldElsewhere = errno == EWOULDBLOCK;
        if (!m_heldElsewhere)
            qWarning("QtLockedFile::lock(): flock failed, %s", qPrintable(qt_error_string(errno)));
        return false;
    }
    m_heldElsewhere = false;
    m_lockMode = mode;
    return true;
}

bool QtLockedFile::unlock()
{
    if (!isOpen()) {
        qWarning("QtLockedFile::unlock(): file is not opened");
        return false;
    }
    if (!isLocked())
        return true;

    int rc;
    do {
        rc = ::flock(handle(), LOCK_UN);
    } while (rc == -1 && errno == EINTR);
    if (rc == -1) {
        qWarning("QtLockedFile::unlock(): flock failed, %s", qPrintable(qt_error_string(errno)));
        return false;
    }
    m_lockMode = NoLock;
    return true;
}

QtLockedFile::~QtLockedFile()
{
    if (isOpen())
        unlock();
}

} // namespace QtLP_Private
