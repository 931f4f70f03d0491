// The choices of the key-assignment overlay as words a person types
// ("media:mute", "keys:ctrl+c", "macro:Burst") and the four-byte button
// entries they produce, in the coding the button page stores.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace Assignments {

using Entry = std::array<int, 4>; // type, b1, b2, b3

// What a choice word asks for. A macro choice names the macro; its entry
// still needs the play mode and the button's slot (macroEntry).
struct Choice {
    Entry entry{};
    bool isMacro = false;
    QString macroName;
};

// Fire keys repeat every `rate` ms, `times` times (0: until released).
struct FireOptions {
    int rate = 50;
    int times = 0;
};

// Parses a choice word. gameMode offers the weapon keys ("gun:1".."gun:3").
// On failure returns false with a message that names the accepted words.
bool parse(const QString &word, const FireOptions &fire, bool gameMode, Choice *choice,
           QString *error);

// Play modes of a macro binding: "once" 0, "loop-until-press" 1,
// "loop-until-release" 2; -1 for other words.
int playMode(const QString &word);
QString playModeWord(int mode);

// The entry of a macro bound at a button: the button's own index is its slot.
Entry macroEntry(int mode, int matrixIndex);

// The choice word of an entry (macro: "macro:" + macroName); "raw:..." when
// the entry matches no choice.
QString word(const Entry &entry, const QString &macroName);

// A readable text of an entry, as the button list shows it.
QString text(const Entry &entry, const QString &macroName);

// Every fixed choice word and the group prefixes, for completion and help.
QStringList fixedWords();
QStringList groups();

} // namespace Assignments
