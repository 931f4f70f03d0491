// Counts the times a file in a folder is replaced, as every settings write
// does (renamed into place), for tests that bound the writes an operation
// makes. Linux only (inotify). The kernel folds an event into the one before
// it when both are alike and unread, so a run of replacements of one file
// would count once: the temporary file's move away from its own name comes
// between any two of them.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QString>

#include <sys/inotify.h>
#include <unistd.h>

class ReplacementCounter
{
public:
    explicit ReplacementCounter(const QString &folder)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0)
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                              IN_MOVED_FROM | IN_MOVED_TO);
    }
    ~ReplacementCounter()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReplacementCounter(const ReplacementCounter &) = delete;
    ReplacementCounter &operator=(const ReplacementCounter &) = delete;
    bool valid() const { return m_fd >= 0; }
    // Replacements of name since the last call.
    int take(const QByteArray &name) { return takeAll().value(name); }
    // Replacements of each file since the last call, by name.
    QMap<QByteArray, int> takeAll()
    {
        QMap<QByteArray, int> counts;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if ((event->mask & IN_MOVED_TO) && event->len > 0)
                    ++counts[QByteArray(event->name)];
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return counts;
    }

private:
    int m_fd;
};
