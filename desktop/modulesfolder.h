// Where the program keeps its modules folder (settings, name lists, recoil
// table, macros, language files).
//
// A portable build keeps it beside the executable and writes into it. An
// installed program finds its shipped data read-only under
// <prefix>/share/kesta-config/modules and works on a per-user copy in the
// user's data folder instead; later starts keep what the user changed, and a
// newer shipped data set only adds what the copy lacks. QtCore only: used by
// kesta-config and kesta-ctl alike.
#pragma once

#include <QString>

namespace ModulesFolder {

struct Places {
    QString beside;  // <executable dir>/modules
    QString shipped; // <executable dir>/../share/kesta-config/modules (as installed)
    QString user;    // <user data>/kesta-config/modules
};

enum class Kind {
    Portable, // beside the executable, writable
    User,     // the per-user copy
    ReadOnly, // no writable place: the shipped data itself, changes are not kept
};

struct Resolved {
    QString path;
    Kind kind = Kind::Portable;
    QString warning; // why changes will not be kept, for the log
};

// The three candidates for a program in executableDir; the user folder is
// kesta-config's AppDataLocation, whichever of our programs asks.
Places placesFor(const QString &executableDir);

// Picks the folder and brings the per-user copy up to date when that is the
// one picked: a copy made from this shipped data only gets back files it
// lost (outside the macro library); any other copy is updated, and its
// fingerprint written only when every file was.
Resolved resolve(const Places &places);

// Same for the running program (QCoreApplication must exist).
Resolved resolveForThisProgram();

// A fingerprint of a data set: changes whenever a file is added, removed or
// changed.
QByteArray fingerprint(const QString &dir);

// Brings `user` up to date with `shipped`: files that are missing are copied;
// INI files under setting/ and gun/ get the keys they lack and keep every
// value they have; i18n/ and img/ (program resources, not settings) follow
// the shipped data. Returns false with *error set when something could not
// be written; a settings file that could not be written whole keeps what it
// had.
bool updateUserCopy(const QString &shipped, const QString &user, QString *error);

} // namespace ModulesFolder
