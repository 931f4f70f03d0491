// Path and key rules of the macro library: where a macro or folder of a given
// level lives on disk, which name.bin prefix holds a folder's lists, and which
// names may be used at all. Pure functions, no file access.
#pragma once

#include <QString>
#include <QStringList>

namespace MacroPaths {

// Deepest level of the library tree (levels 0..5).
constexpr int kMaxLevel = 5;

// The five folder names that locate the folder an operation works in.
struct SelectionPath {
    QString names[kMaxLevel];
};

// A name becomes a path component, so it must be exactly one component:
// not empty, not "." or "..", no "/" or "\" and no NUL.
bool isSafeName(const QString &name);

// Folder of the items at `level`: root + name1/.../name(level). Empty when the
// level is outside 0..5 or one of the names used is not safe.
QString levelFolder(const QString &root, const SelectionPath &sel, int level);

// root/.../name.bin for a macro (folder == false) or root/.../name for a
// folder; empty when the level or any name used is not acceptable.
QString itemPath(const QString &root, const SelectionPath &sel, int level, const QString &name,
                 bool folder);

// The item that pads name.bin's one-item lists: a reader drops it when it
// comes second, so a macro or folder of that name would go missing from its
// list. New items may not take it.
bool isReservedName(const QString &name);

// The name of an exchanged file or folder up to its first dot ("combo.old.mc"
// gives "combo").
QString baseNameToFirstDot(const QString &fileName);

// name.bin prefixes. The root's lists live under "macro"; a folder reached
// through f1..fk lives under f1 + ... + fk, joined with nothing in between.
QString rootPrefix();
// First `count` names of the selection path joined (count clipped to 0..5).
QString joinedNames(const SelectionPath &sel, int count);
// The prefix of the list set of the folder reached through `chain` (the
// root's for an empty chain). Joined names collide ("A" + "BD" and "AB" + "D",
// or a top folder "macro" and the root): such folders would share one set.
QString listPrefix(const QStringList &chain);
// Prefix read by getMacroSubList_Att at list level `level` for folder `name`.
QString subListPrefix(const SelectionPath &sel, int level, const QString &name);

// Suffixes of a folder's ten parallel lists, in updataMacroList argument order.
const QStringList &listSuffixes();

} // namespace MacroPaths
