// Simulates a nearly full disk without root: while a FileSizeLimit lives,
// this process cannot make any file larger than the given size (writes past
// it fail with EFBIG; SIGXFSZ, which would end the process, is ignored).
#pragma once

#include <QFileInfo>
#include <QString>

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    // A limit a few bytes above the file's present size: the file may be
    // rewritten as it is, but not grow.
    static rlim_t justAbove(const QString &path) { return rlim_t(QFileInfo(path).size()) + 8; }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool active() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};
