// Stages a copy of the shipped modules folder into a temporary directory so
// that tests never write into the source tree.
#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>

inline bool copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (QFileInfo(path).isDir()) {
            QDir().mkpath(target);
        } else {
            QFile::remove(target);
            if (!QFile::copy(path, target))
                return false;
            QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    return true;
}

// Copies <source>/modules (without the compiled-in qml folder) to <dir>/modules.
inline bool stageModules(const QString &dir)
{
    const QString source = qEnvironmentVariable("KESTA_SOURCE_DIR") + QStringLiteral("/modules");
    for (const char *sub : {"setting", "gun", "i18n", "img", "macro"}) {
        if (!copyTree(source + QLatin1Char('/') + QLatin1String(sub),
                      dir + QStringLiteral("/modules/") + QLatin1String(sub)))
            return false;
    }
    return true;
}
