#include "desktop/modulesfolder.h"

#include "settings/settingsfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace ModulesFolder {

namespace {

const QFileDevice::Permissions kUserFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadUser | QFileDevice::WriteUser |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther;

// Files of a data set, relative to it, in a stable order.
QStringList filesOf(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(it.next().mid(dir.size() + 1));
    std::sort(out.begin(), out.end());
    return out;
}

QStringList dirsOf(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(it.next().mid(dir.size() + 1));
    return out;
}

// Settings the user changes: their values are never replaced.
bool isSettingsFile(const QString &relative)
{
    return (relative.startsWith(QLatin1String("setting/")) ||
            relative.startsWith(QLatin1String("gun/"))) &&
           (relative.endsWith(QLatin1String(".bin")) || relative.endsWith(QLatin1String(".ini")));
}

// Data the program only reads: a newer shipped version replaces it.
bool isResource(const QString &relative)
{
    return relative.startsWith(QLatin1String("i18n/")) ||
           relative.startsWith(QLatin1String("img/"));
}

bool sameContents(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    return fa.size() == fb.size() && fa.readAll() == fb.readAll();
}

// Copies through a temporary name, so an interrupted start never leaves a
// half file under the real name.
bool copyFile(const QString &from, const QString &to, QString *error)
{
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(from, part)) {
        *error = QStringLiteral("cannot copy %1 to %2").arg(from, part);
        return false;
    }
    // The shipped files are read-only; the copy belongs to the user.
    QFile(part).setPermissions(kUserFile);
    QFile::remove(to);
    if (!QFile::rename(part, to)) {
        QFile::remove(part);
        *error = QStringLiteral("cannot write %1").arg(to);
        return false;
    }
    return true;
}

bool addMissingKeys(const QString &from, const QString &to, QString *error)
{
    const QSettings shipped(from, QSettings::IniFormat);
    const SettingsFile::Handle user = SettingsFile::open(to);
    bool added = false;
    for (const QString &key : shipped.allKeys()) {
        if (!user->contains(key)) {
            user->setValue(key, shipped.value(key));
            added = true;
        }
    }
    if (!added)
        return true; // the file is left exactly as it is
    // Through the checked writer: a plain sync replaces the file with a cut
    // copy on a full disk and calls it a success, and the fingerprint written
    // after it would keep any later start from noticing.
    if (!SettingsFile::sync(*user)) {
        *error = QStringLiteral("cannot write %1").arg(to);
        return false;
    }
    return true;
}

// The macro library is the user's own: a macro they deleted stays deleted.
bool isUserLibrary(const QString &relative)
{
    return relative.startsWith(QLatin1String("macro/"));
}

// A link counts as a file even when its target is away (a folder not
// mounted yet): replacing it would cut the user's settings off from it.
bool isThere(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// An up-to-date copy that lacks a file (removed by hand, lost with a disk)
// gets it back from the shipped data; a missing settings file would
// otherwise read as empty for good. Nothing else is looked at.
bool restoreMissingFiles(const QString &shipped, const QString &user, QString *error)
{
    for (const QString &relative : filesOf(shipped)) {
        const QString to = user + QLatin1Char('/') + relative;
        if (isUserLibrary(relative) || isThere(to))
            continue;
        if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
            *error = QStringLiteral("cannot create %1").arg(QFileInfo(to).absolutePath());
            return false;
        }
        if (!copyFile(shipped + QLatin1Char('/') + relative, to, error))
            return false;
    }
    return true;
}

QString stampPath(const QString &user)
{
    return QFileInfo(user).absolutePath() + QStringLiteral("/shipped-modules.sha1");
}

QByteArray readStamp(const QString &user)
{
    QFile f(stampPath(user));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
}

bool writeStamp(const QString &user, const QByteArray &stamp)
{
    QSaveFile f(stampPath(user));
    return f.open(QIODevice::WriteOnly) && f.write(stamp + '\n') == stamp.size() + 1 && f.commit();
}

bool isWritableDir(const QString &dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

} // namespace

Places placesFor(const QString &executableDir)
{
    Places p;
    p.beside = executableDir + QStringLiteral("/modules");
    p.shipped =
        QDir::cleanPath(executableDir + QLatin1Char('/') + QLatin1String(KESTA_SHIPPED_MODULES));
    // kesta-config's AppDataLocation; spelled out so that kesta-ctl, whose
    // application name differs, finds the same folder.
    p.user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
             QStringLiteral("/kesta-config/modules");
    return p;
}

QByteArray fingerprint(const QString &dir)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString &relative : filesOf(dir)) {
        QFile f(dir + QLatin1Char('/') + relative);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray name = relative.toUtf8();
        hash.addData(name);
        hash.addData(QByteArray::number(f.size()) + '\0');
        hash.addData(&f);
    }
    return hash.result().toHex();
}

bool updateUserCopy(const QString &shipped, const QString &user, QString *error)
{
    if (!QDir().mkpath(user)) {
        *error = QStringLiteral("cannot create %1").arg(user);
        return false;
    }
    for (const QString &relative : dirsOf(shipped)) {
        if (!QDir().mkpath(user + QLatin1Char('/') + relative)) {
            *error = QStringLiteral("cannot create %1/%2").arg(user, relative);
            return false;
        }
    }
    for (const QString &relative : filesOf(shipped)) {
        const QString from = shipped + QLatin1Char('/') + relative;
        const QString to = user + QLatin1Char('/') + relative;
        bool ok = true;
        if (!isThere(to))
            ok = copyFile(from, to, error);
        else if (isSettingsFile(relative))
            ok = addMissingKeys(from, to, error);
        else if (isResource(relative) && !sameContents(from, to))
            ok = copyFile(from, to, error);
        if (!ok)
            return false;
    }
    return true;
}

Resolved resolve(const Places &places)
{
    Resolved r;
    if (isWritableDir(places.beside)) {
        r.path = places.beside;
        r.kind = Kind::Portable;
        return r;
    }
    // Installed, or a portable folder on read-only media: work on a copy.
    const QString source = QFileInfo(places.shipped).isDir()  ? places.shipped
                           : QFileInfo(places.beside).isDir() ? places.beside
                                                              : QString();
    if (source.isEmpty()) {
        // Nothing shipped anywhere: keep the place the program always used.
        r.path = places.beside;
        r.kind = Kind::Portable;
        r.warning = QStringLiteral("no modules folder found beside the program or in %1")
                        .arg(places.shipped);
        return r;
    }
    const QByteArray stamp = fingerprint(source);
    QString error;
    // Up to date: only files that went missing are put back. Otherwise the
    // stamp is written only once every file was updated, so that a start
    // that failed half-way (full disk) is retried by the next one.
    const bool current = QFileInfo(places.user).isDir() && readStamp(places.user) == stamp;
    if (current ? restoreMissingFiles(source, places.user, &error)
                : updateUserCopy(source, places.user, &error) && writeStamp(places.user, stamp)) {
        r.path = places.user;
        r.kind = Kind::User;
        return r;
    }
    r.path = source;
    r.kind = Kind::ReadOnly;
    r.warning =
        (error.isEmpty() ? QStringLiteral("cannot write %1").arg(stampPath(places.user)) : error) +
        QStringLiteral("; using %1, changes will not be kept").arg(source);
    return r;
}

Resolved resolveForThisProgram()
{
    const Resolved r = resolve(placesFor(QCoreApplication::applicationDirPath()));
    if (!r.warning.isEmpty())
        qWarning().noquote() << "modules folder:" << r.warning;
    return r;
}

} // namespace ModulesFolder
