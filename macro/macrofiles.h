// File-level helpers of the macro library that need the disk but no state.
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace MacroFiles {

// The steps of one macro fit in a few kilobytes; larger files are refused.
constexpr qint64 kMaxMacroFileSize = 1024 * 1024;

// True when path is a readable INI file of at most kMaxMacroFileSize bytes
// that carries config/total, the mark of a macro file (also of an exchanged
// .mc file).
bool isMacroFile(const QString &path);

// Removes everything inside folder (hidden entries included), then folder
// itself. Each entry is tried once, so an entry that cannot be removed does
// not keep the walk going. Symbolic links are removed as links; what they
// point to is never entered. Returns whether the folder is gone.
bool removeFolderTree(const QString &folder);

// The same walk with the single removals done by remove(path, isDirectory),
// which reports whether the entry went.
using EntryRemover = std::function<bool(const QString &path, bool isDirectory)>;
bool removeFolderTree(const QString &folder, const EntryRemover &remove);

// Copies source (a readable file of at most kMaxMacroFileSize bytes,
// different from destination) over destination. The copy is written beside
// destination and takes its name only when it is whole; on any failure an
// existing destination is left as it was.
bool replaceFile(const QString &source, const QString &destination);

} // namespace MacroFiles
