// Where the import and export dialogs start, and the name an export writes.
// Shared by profile and macro exchange and by kesta-ctl.
#pragma once

#include <QString>

class UserDialogs;

namespace ExchangeFiles {

inline const QString kProfileSuffix = QStringLiteral(".pf");
inline const QString kMacroSuffix = QStringLiteral(".mc");

// The user's desktop folder when there is one, else the home folder.
QString startFolder();

// `path` with `suffix` (".pf") appended unless its file name already ends in
// it, in any case. Folder parts are kept; an empty path stays empty.
QString withSuffix(const QString &path, const QString &suffix);

// The file an export chosen as `chosen` writes, by withSuffix(). A save
// dialog only asks about replacing the name as typed, so when the suffix had
// to be appended and that file already exists, `dialogs` shows a warning and
// the result is empty: nothing is replaced unasked. An existing device or
// pipe is written as named.
QString exportTarget(const QString &chosen, const QString &suffix, UserDialogs *dialogs);

} // namespace ExchangeFiles
