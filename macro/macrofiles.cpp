#include "macro/macrofiles.h"

#include "settings/settingsfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

namespace MacroFiles {

bool isMacroFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return false;
    if (info.size() > kMaxMacroFileSize) {
        qDebug() << "macro file refused: larger than" << kMaxMacroFileSize << "bytes" << path;
        return false;
    }
    // (An object kept from a failed write keeps that error in its status: a
    // file that could not be read gives no total either.)
    const SettingsFile::Handle file = SettingsFile::open(path);
    if (file->status() == QSettings::FormatError)
        return false;
    bool ok = false;
    file->value(QStringLiteral("config/total")).toString().trimmed().toInt(&ok);
    return ok;
}

namespace {

QStringList entriesOf(const QString &dir)
{
    QStringList out;
    const QFileInfoList list = QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : list)
        out.append(fi.filePath());
    return out;
}

bool isRealDir(const QFileInfo &fi)
{
    return fi.isDir() && !fi.isSymLink();
}

} // namespace

bool removeFolderTree(const QString &folder)
{
    return removeFolderTree(folder, [](const QString &path, bool isDirectory) {
        return isDirectory ? QDir().rmdir(path) : QFile::remove(path);
    });
}

bool removeFolderTree(const QString &folder, const EntryRemover &remove)
{
    const QFileInfo top(folder);
    if (!top.exists() && !top.isSymLink())
        return true;
    if (!isRealDir(top))
        return remove(folder, false);

    // Work list taken from the end. A directory that still has entries gets
    // them appended and is looked at once more after them; on that second
    // visit it is removed if it can be and dropped either way.
    QStringList work = entriesOf(folder);
    QSet<QString> queued(work.cbegin(), work.cend());
    QSet<QString> expanded;
    while (!work.isEmpty()) {
        const QString path = work.last();
        const QFileInfo fi(path);
        if (!isRealDir(fi)) {
            remove(path, false);
            work.removeLast();
            continue;
        }
        const QStringList children = entriesOf(path);
        if (children.isEmpty() || expanded.contains(path)) {
            remove(path, true);
            work.removeLast();
            continue;
        }
        expanded.insert(path);
        for (const QString &child : children) {
            if (!queued.contains(child)) {
                queued.insert(child);
                work.append(child);
            }
        }
    }
    remove(folder, true);
    return !QFileInfo::exists(folder);
}

bool replaceFile(const QString &source, const QString &destination)
{
    const QFileInfo src(source);
    if (!src.isFile() || !src.isReadable() || src.size() > kMaxMacroFileSize)
        return false;
    const QFileInfo dst(destination);
    if (dst.exists() && src.canonicalFilePath() == dst.canonicalFilePath())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFile::NoError)
        return false;
    // The old file goes only when the new one is whole: removing it first
    // would lose both on a full disk.
    if (!SettingsFile::writeAtomically(destination, bytes)) {
        qDebug() << "macro file cannot be written" << destination;
        return false;
    }
    return true;
}

} // namespace MacroFiles
