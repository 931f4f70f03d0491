#include "singleinstance/qtlockedfile.h"

#ifdef Q_OS_WIN

#include <QFileInfo>

#include <utility>
#include <qt_windows.h>

// One named mutex guards the lock itself and is held by a writer; every
// reader holds one of up to 64 reader mutexes. Windows releases a mutex when
// its owner dies and the next waiter sees it as abandoned, which counts as
// acquired here.

namespace QtLP_Private {

namespace {
constexpr int maxReaders = MAXIMUM_WAIT_OBJECTS;
} // namespace

Qt::HANDLE QtLockedFile::getMutexHandle(int idx, bool doCreate)
{
    if (m_mutexName.isEmpty()) {
        QFileInfo fileInfo(*this);
        m_mutexName = QStringLiteral("QtLockedFile mutex ") + fileInfo.absoluteFilePath().toLower();
    }
    QString name = m_mutexName;
    if (idx >= 0)
        name += QString::number(idx);

    Qt::HANDLE mutex;
    if (doCreate) {
        mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
        if (!mutex) {
            qErrnoWarning("QtLockedFile::lock(): CreateMutex failed");
            return nullptr;
        }
    } else {
        mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE,
                           reinterpret_cast<LPCWSTR>(name.utf16()));
        if (!mutex) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND)
                qErrnoWarning("QtLockedFile::lock(): OpenMutex failed");
            return nullptr;
        }
    }
    return mutex;
}

bool QtLockedFile::waitMutex(Qt::HANDLE mutex, bool doBlock)
{
    Q_ASSERT(mutex);
    const DWORD res = WaitForSingleObject(mutex, doBlock ? INFINITE : 0);
    switch (res) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        return true;
    case WAIT_TIMEOUT:
        break;
    default:
        qErrnoWarning("QtLockedFile::lock(): WaitForSingleObject failed");
    }
    return false;
}

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

    if (!m_writeMutex && !(m_writeMutex = getMutexHandle(-1, true)))
        return false;
    if (!waitMutex(m_writeMutex, block))
        return false;

    if (mode == ReadLock) {
        int idx = 0;
        for (; idx < maxReaders; ++idx) {
            m_readMutex = getMutexHandle(idx, false);
            if (!m_readMutex || waitMutex(m_readMutex, false))
                break;
            CloseHandle(m_readMutex);
        }
        bool ok = true;
        if (idx >= maxReaders) {
            qWarning("QtLockedFile::lock(): too many readers");
            m_readMutex = nullptr;
            ok = false;
        } else if (!m_readMutex) {
            m_readMutex = getMutexHandle(idx, true);
            if (!m_readMutex || !waitMutex(m_readMutex, false))
                ok = false;
        }
        if (!ok && m_readMutex) {
            CloseHandle(m_readMutex);
            m_readMutex = nullptr;
        }
        // Readers only pass through the write mutex.
        ReleaseMutex(m_writeMutex);
        if (!ok)
            return false;
    } else {
        Q_ASSERT(m_readMutexes.isEmpty());
        for (int i = 0; i < maxReaders; ++i) {
            if (Qt::HANDLE mutex = getMutexHandle(i, false))
                m_readMutexes.append(mutex);
        }
        if (!m_readMutexes.isEmpty()) {
            const DWORD res = WaitForMultipleObjects(
                DWORD(m_readMutexes.size()), m_readMutexes.constData(), TRUE, block ? INFINITE : 0);
            if (res != WAIT_OBJECT_0 && res != WAIT_ABANDONED_0) {
                if (res != WAIT_TIMEOUT)
                    qErrnoWarning("QtLockedFile::lock(): WaitForMultipleObjects failed");
                // Let unlock() hand back the write mutex and close the reader handles.
                m_lockMode = WriteLock;
                unlock();
                return false;
            }
        }
    }
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

    if (m_lockMode == ReadLock) {
        ReleaseMutex(m_readMutex);
        CloseHandle(m_readMutex);
        m_readMutex = nullptr;
    } else {
        for (Qt::HANDLE mutex : std::as_const(m_readMutexes)) {
            ReleaseMutex(mutex);
            CloseHandle(mutex);
        }
        m_readMutexes.clear();
        // The write mutex handle stays open for the next lock.
        ReleaseMutex(m_writeMutex);
    }
    m_lockMode = NoLock;
    return true;
}

QtLockedFile::~QtLockedFile()
{
    if (isOpen())
        unlock();
    if (m_writeMutex)
        CloseHandle(m_writeMutex);
}

} // namespace QtLP_Private

#endif // Q_OS_WIN
