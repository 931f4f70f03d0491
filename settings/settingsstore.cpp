#include "settings/settingsstore.h"

#include "settings/exchangefiles.h"
#include "settings/settingsfile.h"
#include "settings/userdialogs.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaType>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QThreadPool>

#include <functional>
#include <optional>

namespace {

const QString kPadding = QStringLiteral("loaderquiver");
constexpr int kProfileCount = 10;
// A profile is a few kilobytes; anything far larger is not one of ours.
constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

SettingsFile::Handle openIni(const QString &path)
{
    return SettingsFile::open(path, QSettings::IniFormat);
}

// The scene hands JS arrays over as a QJSValue inside the variant. QtQml
// registers a converter to QVariantList, so this works without linking it.
bool isScriptValue(const QVariant &v)
{
    return qstrcmp(v.metaType().name(), "QJSValue") == 0;
}

// What goes into the file: lists always as padded QStringList (a QVariantList
// would be written as an unreadable blob), everything else as given.
QVariant storableValue(const QVariant &data)
{
    if (isScriptValue(data)) {
        QVariant converted = data;
        if (converted.convert(QMetaType::fromType<QVariantList>()))
            return SettingsStore::padList(SettingsStore::toTextList(converted.toList()));
        return QVariant();
    }
    const int type = data.typeId();
    if (type == QMetaType::QStringList)
        return SettingsStore::padList(data.toStringList());
    if (type == QMetaType::QVariantList)
        return SettingsStore::padList(SettingsStore::toTextList(data.toList()));
    return data;
}

QVariantList asVariantList(const QVariant &stored)
{
    const int type = stored.typeId();
    if (type == QMetaType::QVariantList)
        return stored.toList();
    if (type != QMetaType::QStringList)
        return {};
    QVariantList out;
    const QStringList items = stored.toStringList();
    out.reserve(items.size());
    for (const QString &item : items)
        out.append(item);
    return out;
}

// Changes one key in memory. A null value reads back as absent either way;
// leave no @Invalid() behind.
void writeValue(QSettings *settings, const QString &key, const QVariant &value)
{
    if (value.isValid())
        settings->setValue(key, value);
    else
        settings->remove(key);
}

// The line a value makes in the file, as far as telling a change from none
// needs it: scalars are written as their text (an int 3 and the text "3" make
// the same line), a one-item list as its item, an empty list like an invalid
// value. Values written in a form of their own have none here and always
// count as a change.
struct StoredForm {
    enum Kind { Invalid, Text, List };
    Kind kind = Invalid;
    QStringList items;
    bool operator==(const StoredForm &other) const
    {
        return kind == other.kind && items == other.items;
    }
};

std::optional<StoredForm> storedForm(const QVariant &value)
{
    if (!value.isValid())
        return StoredForm{};
    switch (value.typeId()) {
    case QMetaType::QStringList: {
        const QStringList items = value.toStringList();
        if (items.isEmpty())
            return StoredForm{};
        return StoredForm{items.size() == 1 ? StoredForm::Text : StoredForm::List, items};
    }
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return StoredForm{StoredForm::Text, {value.toString()}};
    default:
        return std::nullopt;
    }
}

// True when writing value under key would leave the file as it is. An
// absent key differs from any value, "0" and "" included; removing it again
// changes nothing.
bool holds(const QSettings &settings, const QString &key, const QVariant &value)
{
    if (!settings.contains(key))
        return !value.isValid();
    if (!value.isValid())
        return false;
    const std::optional<StoredForm> now = storedForm(settings.value(key));
    const std::optional<StoredForm> next = storedForm(value);
    return now && next && *now == *next;
}

bool onApplicationThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// A file being written on a store's thread while the application's thread
// waits. Apart from the write itself, only the application's thread uses it.
struct RunningWrite {
    QSettings *settings = nullptr;
    std::atomic<bool> done{false};
    SettingsFile::Outcome outcome;
    bool finished = false;
    bool ok = false;
    // Run with the answer as soon as the object is in line with the outcome,
    // before anything else may change it.
    std::function<void(bool ok, const SettingsFile::Outcome &)> settled;
};

// The write the application's thread waits for, whichever store started it.
RunningWrite *runningWrite = nullptr;

// Brings the object in line with what its write did (once).
void finishWrite(RunningWrite &write)
{
    if (!write.finished) {
        write.finished = true;
        write.ok = SettingsFile::finish(*write.settings, write.outcome);
        if (write.settled)
            write.settled(write.ok, write.outcome);
    }
    if (runningWrite == &write)
        runningWrite = nullptr;
}

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

bool readSmallFile(const QString &path, QByteArray *data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSettingsFileSize)
        return false;
    *data = file.read(kMaxSettingsFileSize + 1);
    return file.error() == QFile::NoError && data->size() <= kMaxSettingsFileSize;
}

} // namespace

struct SettingsStore::Private {
    QString modulesDir;
    UserDialogs *dialogs = nullptr;
    SettingsFile::Handle global;
    SettingsFile::Handle defaults;
    std::array<SettingsFile::Handle, kProfileCount> profiles;
    int current = 0;
    // Open write batches, and the files (global: -1, profiles: 0..9) changed
    // inside them that are not on disk yet.
    int batchDepth = 0;
    QSet<int> pending;
    // Files whose last write failed: what their objects hold may not be what
    // is on disk, so no change to them is taken for none.
    QSet<QString> unsaved;
    // Per file, what each key changed since its last write read before its
    // first change (invalid: absent). A refused write puts these back when
    // the file could not be read again, so that nothing refused is shown,
    // used or written later.
    QHash<QString, QHash<QString, QVariant>> before;

    SettingsStore::Waiter waiter;
    QThreadPool writer; // one thread: files are written one at a time, in order

    QSettings *handle(int id) const { return id < 0 ? global.get() : profiles[id].get(); }

    bool writesElsewhere() const { return waiter && onApplicationThread(); }

    // A change asked for while a write waits (a timer, a call on the bus)
    // goes after it: never two writes at once, and no object changed while
    // its file is being written.
    void awaitRunningWrite()
    {
        if (!writesElsewhere())
            return;
        while (RunningWrite *running = runningWrite) {
            waiter(running->done);
            finishWrite(*running);
        }
    }

    // SettingsFile::sync, with the file written on the store's thread when
    // there is a waiter.
    bool sync(QSettings &settings)
    {
        // Kept apart: during the wait another call may replace the object.
        const QString path = settings.fileName();
        RunningWrite write;
        write.settings = &settings;
        write.settled = [this, &settings, path](bool ok, const SettingsFile::Outcome &outcome) {
            settle(settings, path, ok, outcome);
        };
        if (!writesElsewhere()) {
            write.outcome = SettingsFile::write(path, settings.format());
            finishWrite(write);
        } else {
            awaitRunningWrite();
            runningWrite = &write;
            QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
            writer.start([&write, path, format = settings.format(), dispatcher] {
                write.outcome = SettingsFile::write(path, format);
                write.done.store(true, std::memory_order_release);
                if (dispatcher)
                    dispatcher->wakeUp();
            });
            waiter(write.done);
            finishWrite(write);
        }
        return write.ok;
    }

    // After a write of settings: on a refusal that left the unwritten
    // changes in the object (another writer held the file, the old file
    // could not be kept or read back), they are undone here.
    void settle(QSettings &settings, const QString &path, bool ok,
                const SettingsFile::Outcome &outcome)
    {
        const QHash<QString, QVariant> changed = before.take(path);
        if (ok) {
            unsaved.remove(path);
            return;
        }
        unsaved.insert(path);
        if (!SettingsFile::keepsUnwritten(outcome))
            return;
        for (auto old = changed.cbegin(); old != changed.cend(); ++old)
            writeValue(&settings, old.key(), old.value());
    }

    // Notes what key reads before its first change since the last write.
    void noteBefore(const QSettings &settings, const QString &key)
    {
        QHash<QString, QVariant> &changed = before[settings.fileName()];
        if (!changed.contains(key))
            changed.insert(key, settings.contains(key) ? settings.value(key) : QVariant());
    }

    // Writes a change to disk at once, or at the end of the open batch. A
    // value the file already holds is not written again.
    bool write(int id, const QString &key, const QVariant &value)
    {
        awaitRunningWrite();
        QSettings *settings = handle(id);
        if (!settings || key.isEmpty())
            return false;
        const QString path = settings->fileName();
        if (!unsaved.contains(path) && holds(*settings, key, value))
            return true;
        noteBefore(*settings, key);
        writeValue(settings, key, value);
        if (batchDepth > 0) {
            pending.insert(id);
            return true;
        }
        // Written through at once: a crash right after a change must not lose it.
        if (sync(*settings))
            return true;
        qDebug() << "settings write failed" << path << key;
        return false;
    }

    QString settingPath(const QString &name) const
    {
        return modulesDir + QStringLiteral("/setting/") + name;
    }

    // Makes handle's file a copy of source. The old object is synced and
    // destroyed before the file changes and a fresh one is opened after, so
    // nothing it cached can reach the new file. When the old object cannot
    // be synced the file is left alone: what it holds unwritten would be
    // written over the copy (objects on one file share their changes).
    // `refused` tells a source that could not be read or is no profile
    // from a target that could not be written.
    bool replaceFile(SettingsFile::Handle &handle, const QString &source, bool mustBeProfile,
                     bool *refused = nullptr)
    {
        awaitRunningWrite();
        const QString target = handle->fileName();
        if (refused)
            *refused = false;
        if (sameFile(source, target))
            return true;
        QByteArray data;
        if (!readSmallFile(source, &data) || (mustBeProfile && !looksLikeProfile(source))) {
            qDebug() << "profile source refused" << source;
            if (refused)
                *refused = true;
            return false;
        }
        if (!sync(*handle)) {
            qDebug() << "replacing settings file failed: its last changes are not written"
                     << target;
            return false;
        }
        handle.reset();
        const bool ok = SettingsFile::writeAtomically(target, data);
        handle = openIni(target);
        unsaved.remove(target); // the new object holds what the file holds
        if (!ok)
            qDebug() << "replacing settings file failed" << target;
        return ok;
    }
};

SettingsStore::SettingsStore(const QString &modulesDir, UserDialogs *dialogs, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->modulesDir = modulesDir;
    d->dialogs = dialogs;
    d->writer.setMaxThreadCount(1);
    d->writer.setExpiryTimeout(-1);
    d->global = openIni(d->settingPath(QStringLiteral("apConfig.bin")));
    d->defaults = openIni(d->settingPath(QStringLiteral("pD.bin")));
    for (int i = 0; i < kProfileCount; ++i)
        d->profiles[i] = openIni(d->settingPath(QStringLiteral("p%1.bin").arg(i + 1)));

    isColorful = d->global->value(QStringLiteral("mouse/isColorful")).toBool();
    isGun = d->global->value(QStringLiteral("mouse/isGun")).toBool();
    icType = d->global->value(QStringLiteral("mouse/icType")).toString();
    is55328 = d->global->value(QStringLiteral("mouse/is55328")).toBool();
    qDebug() << "========================== ui_View ==================================";
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::modulesDir() const
{
    return d->modulesDir;
}

QString SettingsStore::modulePath(const QString &relative) const
{
    return d->modulesDir + QLatin1Char('/') + relative;
}

void SettingsStore::setDialogs(UserDialogs *dialogs)
{
    d->dialogs = dialogs;
}

UserDialogs *SettingsStore::dialogs() const
{
    return d->dialogs;
}

void SettingsStore::setWaiter(Waiter waiter)
{
    d->waiter = std::move(waiter);
}

QSettings *SettingsStore::global() const
{
    return d->global.get();
}

QSettings *SettingsStore::defaults() const
{
    return d->defaults.get();
}

QSettings *SettingsStore::profile(int index) const
{
    if (index < 0 || index >= kProfileCount)
        return nullptr;
    return d->profiles[index].get();
}

QSettings *SettingsStore::currentProfile() const
{
    return profile(d->current);
}

int SettingsStore::currentProfileIndex() const
{
    return d->current;
}

QStringList SettingsStore::toTextList(const QVariantList &items)
{
    QStringList out;
    out.reserve(items.size());
    for (const QVariant &item : items)
        out.append(item.toString());
    return out;
}

QString SettingsStore::paddingItem()
{
    return kPadding;
}

QStringList SettingsStore::padList(const QStringList &list)
{
    if (list.size() != 1)
        return list;
    return QStringList{list.first(), kPadding};
}

QStringList SettingsStore::dropPadding(const QStringList &list)
{
    if (list.size() == 2 && list.at(1) == kPadding)
        return QStringList{list.first()};
    return list;
}

bool SettingsStore::looksLikeProfile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || file.size() > kMaxSettingsFileSize)
        return false;
    if (file.readAll().contains('\0'))
        return false;
    const QSettings probe(path, QSettings::IniFormat);
    if (probe.status() != QSettings::NoError)
        return false;
    const QStringList groups = probe.childGroups();
    return groups.contains(QStringLiteral("mouse")) &&
           groups.contains(QStringLiteral("mouseKeyMatrix"));
}

QVariant SettingsStore::getData(const QVariant &key, bool isRecovery)
{
    QSettings *file = isRecovery ? defaults() : currentProfile();
    const QString name = key.toString();
    if (!file || name.isEmpty())
        return QVariant();
    return file->value(name);
}

QVariantList SettingsStore::getDataList(const QVariant &key, bool isRecovery)
{
    return asVariantList(getData(key, isRecovery));
}

QVariant SettingsStore::getGlobalData(const QVariant &key)
{
    const QString name = key.toString();
    if (name.isEmpty())
        return QVariant();
    return d->global->value(name);
}

void SettingsStore::setData(const QVariant &key, const QVariant &data)
{
    if (currentProfile())
        d->write(d->current, key.toString(), storableValue(data));
}

void SettingsStore::setDataList(const QVariant &key, const QVariantList &datalist)
{
    if (currentProfile())
        d->write(d->current, key.toString(), padList(toTextList(datalist)));
}

bool SettingsStore::setProfileDataList(int profile, const QString &key,
                                       const QVariantList &datalist)
{
    if (!this->profile(profile))
        return false;
    return d->write(profile, key, padList(toTextList(datalist)));
}

void SettingsStore::setGlobalData(const QVariant &key, const QVariant &tmpdata)
{
    d->write(-1, key.toString(), storableValue(tmpdata));
}

SettingsStore::WriteBatch::WriteBatch(SettingsStore *store) : m_store(store)
{
    ++m_store->d->batchDepth;
}

SettingsStore::WriteBatch::~WriteBatch()
{
    if (m_open)
        commit();
}

bool SettingsStore::WriteBatch::commit()
{
    if (!m_open)
        return true;
    m_open = false;
    Private &d = *m_store->d;
    if (--d.batchDepth > 0)
        return true; // the outer batch writes
    bool ok = true;
    const QSet<int> files = std::exchange(d.pending, {});
    for (const int id : files) {
        QSettings *settings = d.handle(id);
        const QString path = settings ? settings->fileName() : QString();
        if (settings && !d.sync(*settings)) {
            qDebug() << "settings write failed" << path;
            ok = false;
        }
    }
    return ok;
}

void SettingsStore::setCurrentProfile(int profile)
{
    d->current = profile;
}

bool SettingsStore::resetProfile(int profile)
{
    if (profile < 0 || profile >= kProfileCount)
        return false;
    return d->replaceFile(d->profiles[profile], d->settingPath(QStringLiteral("pD.bin")), false);
}

bool SettingsStore::loadProfile(int profile)
{
    return importProfile(profile) == Import::Loaded;
}

SettingsStore::Import SettingsStore::importProfile(int profile)
{
    if (profile < 0 || profile >= kProfileCount || !d->dialogs)
        return Import::NotWritten;
    const QString chosen = d->dialogs->getOpenFileName(
        tr("Open File"), ExchangeFiles::startFolder(), QStringLiteral("Profile(*.pf)"));
    if (chosen.isEmpty())
        return Import::Cancelled;
    bool refused = false;
    if (d->replaceFile(d->profiles[profile], chosen, true, &refused))
        return Import::Loaded;
    return refused ? Import::NotAProfile : Import::NotWritten;
}

bool SettingsStore::saveProfile(int profile)
{
    if (profile < 0 || profile >= kProfileCount || !d->dialogs)
        return false;
    const QString chosen = d->dialogs->getSaveFileName(
        tr("Save File"), ExchangeFiles::startFolder(), QStringLiteral("Profile(*.pf)"));
    // The import dialog lists *.pf only: a name typed without it gets it.
    const QString target =
        ExchangeFiles::exportTarget(chosen, ExchangeFiles::kProfileSuffix, d->dialogs);
    if (target.isEmpty())
        return false;
    d->awaitRunningWrite();
    const QString path = d->profiles[profile]->fileName();
    if (!d->sync(*d->profiles[profile]))
        return false;
    if (sameFile(path, target))
        return true;
    QByteArray data;
    if (!readSmallFile(path, &data) || !SettingsFile::writeAtomically(target, data)) {
        qDebug() << "profile export failed" << target;
        return false;
    }
    return true;
}

void SettingsStore::copyProfile(int destprofile, int srcprofile)
{
    if (destprofile < 0 || destprofile >= kProfileCount || srcprofile < 0 ||
        srcprofile >= kProfileCount || destprofile == srcprofile)
        return;
    d->awaitRunningWrite();
    const QString source = d->profiles[srcprofile]->fileName();
    if (!d->sync(*d->profiles[srcprofile]))
        return;
    d->replaceFile(d->profiles[destprofile], source, false);
}

void SettingsStore::resetApconfig()
{
    d->replaceFile(d->global, d->settingPath(QStringLiteral("apConfigD.bin")), false);
}
