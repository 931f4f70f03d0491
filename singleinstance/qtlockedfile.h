#pragma once

#include <QFile>
#ifdef Q_OS_WIN
#include <QVector>
#endif

namespace QtLP_Private {

// A file that can be locked across processes: many readers or one writer.
// A process that ends, however it ends, gives up its lock.
class QtLockedFile : public QFile
{
public:
    enum LockMode { NoLock = 0, ReadLock, WriteLock };

    QtLockedFile();
    explicit QtLockedFile(const QString &name);
    ~QtLockedFile() override;

    // Truncation is refused: the file is shared with other processes.
    bool open(OpenMode mode) override;

    bool lock(LockMode mode, bool block = true);
    bool unlock();
    bool isLocked() const { return m_lockMode != NoLock; }
    LockMode lockMode() const { return m_lockMode; }
    // After a failed lock(): whether another holder was the reason (rather
    // than an error of the lock call itself).
    bool heldElsewhere() const { return m_heldElsewhere; }

private:
#ifdef Q_OS_WIN
    Qt::HANDLE getMutexHandle(int idx, bool doCreate);
    bool waitMutex(Qt::HANDLE mutex, bool doBlock);

    Qt::HANDLE m_writeMutex = nullptr;
    Qt::HANDLE m_readMutex = nullptr;
    QVector<Qt::HANDLE> m_readMutexes;
    QString m_mutexName;
#endif
    LockMode m_lockMode = NoLock;
    bool m_heldElsewhere = true;
};

} // namespace QtLP_Private
