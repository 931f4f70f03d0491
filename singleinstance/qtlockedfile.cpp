#include "singleinstance/qtlockedfile.h"

namespace QtLP_Private {

QtLockedFile::QtLockedFile() = default;

QtLockedFile::QtLockedFile(const QString &name) : QFile(name) {}

bool QtLockedFile::open(OpenMode mode)
{
    // QFile also truncates a write-only file unless it is read, appended to or new.
    const bool impliesTruncate = (mode & WriteOnly) && !(mode & (ReadOnly | Append | NewOnly));
    if ((mode & Truncate) || impliesTruncate) {
        qWarning("QtLockedFile::open(): Truncate mode not allowed.");
        return false;
    }
    return QFile::open(mode);
}

} // namespace QtLP_Private
