#include "settings/settingsfile.h"

#include <QDateTime>
#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>
#include <QThread>

#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace SettingsFile {

namespace {

// Waiting longer than this for another writer means it hangs.
constexpr int kLockWaitMs = 5000;

// Setting files are small; name.bin of a large macro library is the biggest.
constexpr qint64 kMaxCheckedSize = 64 * 1024 * 1024;

// QSettings decides whether its in-process cache is stale by size and
// modification time (milliseconds). When a file was put back with the same
// stamp as the one it replaces, the cache would survive: move the time on.
void makeStampDiffer(const QString &path, qint64 size, const QDateTime &stamp)
{
    const QFileInfo now(path);
    if (!now.exists() || now.size() != size || now.lastModified() != stamp)
        return;
    QFile touched(path);
    if (touched.open(QIODevice::Append))
        touched.setFileTime(stamp.addMSecs(1), QFileDevice::FileModificationTime);
}

// The old contents of a file, kept while it is rewritten. A hard link costs
// no space on a full disk and is put back with one rename; where links are
// not possible the bytes are kept in memory instead.
class Backup
{
public:
    explicit Backup(const QString &path) : m_path(path), m_link(path + QStringLiteral(".old"))
    {
        const QFileInfo info(path);
        m_existed = info.exists();
        if (!m_existed)
            return;
#ifdef Q_OS_UNIX
        QFile::remove(m_link); // left by a writer that was killed
        const QByteArray from = QFile::encodeName(path);
        const QByteArray to = QFile::encodeName(m_link);
        if (::link(from.constData(), to.constData()) == 0) {
            m_linked = true;
            return;
        }
#endif
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxCheckedSize) {
            m_bytes = file.readAll();
            m_held = file.error() == QFile::NoError;
        }
    }
    ~Backup()
    {
        if (m_linked)
            QFile::remove(m_link);
    }
    Backup(const Backup &) = delete;
    Backup &operator=(const Backup &) = delete;

    bool usable() const
    {
        return !m_existed || m_linked || m_held;
    }

    // After a write that did not happen at all, settings still holds the
    // changes it could not write and would write them at its next sync: they
    // are to be replaced by what the file holds, read here through the link
    // (a name of its own, so that the settings cache cannot answer instead).
    void keepOldValues(Outcome *outcome) const
    {
        outcome->existed = m_existed;
        outcome->oldReadable = m_linked;
        if (!m_linked)
            return;
        const QSettings old(m_link, QSettings::IniFormat);
        for (const QString &key : old.allKeys())
            outcome->oldValues.insert(key, old.value(key));
    }

    // Puts the old contents back (or removes the file that was not there).
    bool restore()
    {
        const QFileInfo cut(m_path);
        const qint64 cutSize = cut.size();
        const QDateTime cutStamp = cut.lastModified();
        bool ok = false;
        if (!m_existed) {
            ok = !QFileInfo::exists(m_path) || QFile::remove(m_path);
        } else if (m_linked) {
#ifdef Q_OS_UNIX
            const QByteArray from = QFile::encodeName(m_link);
            const QByteArray to = QFile::encodeName(m_path);
            ok = ::rename(from.constData(), to.constData()) == 0;
            m_linked = !ok;
#endif
        } else if (m_held) {
            ok = writeAtomically(m_path, m_bytes);
        }
        if (ok)
            makeStampDiffer(m_path, cutSize, cutStamp);
        return ok;
    }

private:
    QString m_path;
    QString m_link;
    QByteArray m_bytes;
    bool m_existed = false;
    bool m_linked = false;
    bool m_held = false;
};

// A settings object that leaves every write to sync(): QSettings' own
// request to write its changes, posted to itself on the first change after a
// write, goes no further.
class CheckedSettings : public QSettings
{
public:
    using QSettings::QSettings;
    // Its last sync() failed: it holds changes its file does not.
    bool unwritten = false;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            return true;
        return QSettings::event(event);
    }
};

void noteOutcome(QSettings &settings, bool written)
{
    if (auto *checked = dynamic_cast<CheckedSettings *>(&settings))
        checked->unwritten = !written;
}

// Objects that hold unwritten changes and so are never destroyed: see Closer.
struct Kept {
    QMutex mutex;
    std::vector<QSettings *> objects;
};

Kept &kept()
{
    static auto *const all = new Kept; // never freed, as what it holds
    return *all;
}

void keep(QSettings *settings)
{
    Kept &all = kept();
    const QMutexLocker lock(&all.mutex);
    all.objects.push_back(settings);
}

// A kept object of this thread on path, taken back; null when there is none.
QSettings *takeKept(const QString &path, QSettings::Format format)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    Kept &all = kept();
    const QMutexLocker lock(&all.mutex);
    for (auto it = all.objects.begin(); it != all.objects.end(); ++it) {
        QSettings *settings = *it;
        if (settings->thread() == QThread::currentThread() && settings->format() == format &&
            QFileInfo(settings->fileName()).absoluteFilePath() == absolute) {
            all.objects.erase(it);
            return settings;
        }
    }
    return nullptr;
}

bool fileIsWhole(const QString &path, int keyCount)
{
    QFile file(path);
    if (!file.exists())
        return keyCount == 0;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxCheckedSize)
        return false;
    const QByteArray text = file.readAll();
    return file.error() == QFile::NoError && isWholeIniText(text, keyCount);
}

} // namespace

bool isWholeIniText(const QByteArray &text, int keyCount)
{
    if (text.isEmpty())
        return keyCount == 0;
    if (!text.endsWith('\n'))
        return false;
    // Keys are escaped so that none starts with '[' and none holds a line
    // end; values have their line ends escaped too.
    int keys = 0;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf('\n', start);
        const QByteArrayView line = QByteArrayView(text).sliced(start, end - start).trimmed();
        if (!line.isEmpty() && !line.startsWith('['))
            ++keys;
        start = end + 1;
    }
    return keys == keyCount;
}

Outcome write(const QString &path, QSettings::Format format)
{
    Outcome outcome;
    // Our own writers take turns from the sync to the check, so that the
    // file checked is the one this sync wrote. (QSettings holds its own lock
    // on <file>.lock only during the write itself.)
    QLockFile turn(path + QStringLiteral(".wlock"));
    if (!turn.tryLock(kLockWaitMs) && turn.error() == QLockFile::LockFailedError) {
        outcome.result = Outcome::TurnRefused;
        return outcome;
    }
    // A turn that could not be taken for another reason (no room for the
    // lock file) leaves the write to the checks below.
    Backup backup(path);
    if (!backup.usable()) {
        outcome.result = Outcome::NoBackup;
        return outcome;
    }
    // The caller's object keeps the first error it ever met in its status(),
    // so after one failure it would call every later write failed as well,
    // the good ones included. All objects on a file in this process share
    // its unsaved changes: a new one writes them with a status that tells of
    // this write alone, and counts the keys it wrote.
    QSettings writer(path, format);
    writer.sync();
    if (writer.status() != QSettings::NoError) {
        // Nothing was written (Qt saw the error); the file is as it was.
        outcome.result = Outcome::Refused;
        backup.keepOldValues(&outcome);
        return outcome;
    }
    if (fileIsWhole(path, int(writer.allKeys().size()))) {
        outcome.result = Outcome::Written;
        return outcome;
    }
    outcome.result = Outcome::NotWhole;
    outcome.restored = backup.restore();
    return outcome;
}

namespace {

bool settle(QSettings &settings, const Outcome &outcome)
{
    const QString path = settings.fileName();
    switch (outcome.result) {
    case Outcome::Written:
        settings.sync(); // nothing pending any more: clears its own request to write
        return true;
    case Outcome::TurnRefused:
        qDebug() << "settings write failed: another writer holds the file" << path;
        return false;
    case Outcome::NoBackup:
        qDebug() << "settings write failed: the old file cannot be kept" << path;
        return false;
    case Outcome::Refused:
        if (!outcome.existed) {
            settings.clear();
        } else if (outcome.oldReadable) {
            QStringList keys = settings.allKeys();
            for (auto old = outcome.oldValues.cbegin(); old != outcome.oldValues.cend(); ++old) {
                if (!keys.contains(old.key()))
                    keys.append(old.key());
            }
            for (const QString &key : std::as_const(keys)) {
                const auto old = outcome.oldValues.constFind(key);
                if (old != outcome.oldValues.cend())
                    settings.setValue(key, *old);
                else
                    settings.remove(key);
            }
        }
        qDebug() << "settings write failed" << path;
        return false;
    case Outcome::NotWhole:
        settings.sync(); // nothing pending now: reads the file as it is on disk
        qDebug() << "settings write failed: the file was not written whole" << path
                 << (outcome.restored ? "(old contents kept)"
                                      : "(old contents could not be put back)");
        return false;
    }
    return false;
}

} // namespace

bool keepsUnwritten(const Outcome &outcome)
{
    switch (outcome.result) {
    case Outcome::TurnRefused:
    case Outcome::NoBackup:
        return true;
    case Outcome::Refused:
        return outcome.existed && !outcome.oldReadable;
    case Outcome::Written:
    case Outcome::NotWhole:
        return false;
    }
    return true;
}

bool finish(QSettings &settings, const Outcome &outcome)
{
    const bool ok = settle(settings, outcome);
    noteOutcome(settings, ok);
    return ok;
}

Handle open(const QString &path, QSettings::Format format)
{
    // A new object on a file whose changes another one holds unwritten would
    // write them at once, unchecked (all objects on one file share them):
    // the object kept with them is handed out again instead.
    if (QSettings *again = takeKept(path, format)) {
        while (!again->group().isEmpty()) // as a new object starts
            again->endGroup();
        return Handle(again);
    }
    return Handle(new CheckedSettings(path, format));
}

bool holdsUnwritten(const QSettings &settings)
{
    const auto *checked = dynamic_cast<const CheckedSettings *>(&settings);
    return checked && checked->unwritten;
}

void Closer::operator()(QSettings *settings) const
{
    auto *checked = dynamic_cast<CheckedSettings *>(settings);
    if (checked && checked->unwritten) {
        // Destroyed, it would write its changes itself, unchecked: on a full
        // disk that cuts the file. It is kept instead, deliberately never
        // destroyed, until open() hands it out again; what it holds is the
        // file's own contents put back after a failed write, or changes the
        // caller was told were not written.
        qDebug() << "settings object kept with unwritten changes" << checked->fileName();
        keep(checked);
        return;
    }
    delete settings;
}

bool sync(QSettings &settings)
{
    return finish(settings, write(settings.fileName(), settings.format()));
}

bool writeAtomically(const QString &path, const QByteArray &data)
{
    // A device or pipe (an export to /dev/stdout) is written into: renaming
    // a file over it would replace the node, and its write errors would go
    // unseen.
    const QFileInfo node(path);
    if (node.exists() && !node.isFile() && !node.isDir()) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            out.write(data) != data.size() || !out.flush())
            return false;
        out.close();
        return out.error() == QFile::NoError;
    }

    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(2000))
        return false;

    const QFileInfo before(path);
    const qint64 oldSize = before.exists() ? before.size() : -1;
    const QDateTime oldStamp = before.exists() ? before.lastModified() : QDateTime();

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size())
        return false;
    // commit() does not report an error of the buffered tail it writes out
    // while closing; flushed here, the error is seen and nothing is renamed.
    if (!out.flush()) {
        out.cancelWriting();
        out.commit();
        return false;
    }
    if (!out.commit())
        return false;

    if (oldStamp.isValid())
        makeStampDiffer(path, oldSize, oldStamp);
    return true;
}

} // namespace SettingsFile
