#include "settings/exchangefiles.h"

#include "settings/userdialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ExchangeFiles {

QString startFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    return QDir::homePath();
}

QString withSuffix(const QString &path, const QString &suffix)
{
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.endsWith(suffix, Qt::CaseInsensitive))
        return path;
    return path + suffix;
}

QString exportTarget(const QString &chosen, const QString &suffix, UserDialogs *dialogs)
{
    // A device or a pipe named as it is (/dev/stdout, a FIFO) is written as
    // named: no suffix makes sense there.
    const QFileInfo named(chosen);
    if (named.exists() && !named.isFile() && !named.isDir())
        return chosen;
    const QString target = withSuffix(chosen, suffix);
    if (target == chosen || !QFileInfo::exists(target))
        return target;
    if (dialogs)
        dialogs->warning(QCoreApplication::translate("ExchangeFiles", "Save File"),
                         QCoreApplication::translate(
                             "ExchangeFiles", "\"%1\" already exists. To replace it, choose it by "
                                              "its full name.")
                             .arg(QFileInfo(target).fileName()));
    return QString();
}

} // namespace ExchangeFiles
