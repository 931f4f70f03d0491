// Writing settings files so that a failed write is never taken for a good
// one: a file is either replaced whole or left as it was, and the caller is
// told which. Needs only QtCore.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <memory>

namespace SettingsFile {

// Writes the changes settings holds to its file. On success the file holds
// them whole. On failure the file keeps what it had before, settings reads
// that again (the unwritten changes are dropped) unless keepsUnwritten()
// tells otherwise, a debug line names the file and false is returned. Each
// call is judged by its own write: settings may be used again after a
// failure, although its status() keeps the first error it met for good.
//
// QSettings::sync() alone cannot be trusted for this: the last part of the
// file goes out when its save file is committed, and an error there (disk
// full, file size limit) is neither reported by the commit nor by status(),
// so the file is replaced by a cut copy. The file is therefore checked after
// the sync and put back from a link to the old one when it is not whole.
bool sync(QSettings &settings);

// sync() in two steps, for writing on another thread than the one settings
// lives on (a QSettings object must only be used on its own thread):
// write() does everything that touches the file, through an object of its
// own, and may run on any thread; finish() then brings settings in line with
// the outcome on settings' own thread and gives sync()'s answer. Nothing may
// change settings in between.
struct Outcome {
    enum Result { Written, TurnRefused, NoBackup, Refused, NotWhole };
    Result result = Refused;
    // For Refused: what the file held, to replace the unwritten changes.
    bool existed = false;
    bool oldReadable = false;
    QVariantMap oldValues;
    // For NotWhole: whether the old contents were put back.
    bool restored = false;
};
Outcome write(const QString &path, QSettings::Format format);
bool finish(QSettings &settings, const Outcome &outcome);
// True when finish() could not read the file's values back and so left the
// unwritten changes in settings: the write was refused before it began
// (another writer held the file, or the old file could not be kept) or the
// old file could not be read. The caller is to undo them itself, with the
// values settings read before them.
bool keepsUnwritten(const Outcome &outcome);

// A settings object for files written through sync() alone.
//
// A QSettings object writes its changes by itself, through its own unchecked
// sync: when the request to do so that it posts to itself on a change
// arrives, in its destructor while changes are unwritten, and whenever a new
// object is made on the same file (all objects on one file in a process
// share their changes). After a failed sync() it holds such changes (the
// file's own values, put back), and on a disk that is still full that write
// replaces the file by a cut copy. An object from open() ignores its own
// request; Closer never destroys one whose last sync() failed but keeps it,
// and the next open() of that file hands it out again instead of a new
// object. Every change to such an object must be followed by sync() (its
// destructor would write one that is not), and a file written through one is
// opened through open() alone.
struct Closer {
    void operator()(QSettings *settings) const;
};
using Handle = std::unique_ptr<QSettings, Closer>;
Handle open(const QString &path, QSettings::Format format = QSettings::IniFormat);
// True when settings' last sync() failed: it holds changes its file does
// not, which any new object on that file would write at once, unchecked.
// Read from settings itself meanwhile.
bool holdsUnwritten(const QSettings &settings);

// Replaces path by data in one step: the bytes go to a temporary file in the
// same folder that is renamed over path only when all of them were written,
// so a failure anywhere leaves the old file whole. The settings lock keeps
// another process from syncing into the file meanwhile. A device or pipe at
// path is written into instead.
bool writeAtomically(const QString &path, const QByteArray &data);

// True when text is a whole INI file as the settings writer writes it for
// keyCount keys: every key on a line of its own, ending with a line end.
bool isWholeIniText(const QByteArray &text, int keyCount);

} // namespace SettingsFile
