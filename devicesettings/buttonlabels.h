// Which matrix positions a user sees, and under which label. The firmware
// overwrites positions 6 and 7 with fixed functions whatever is sent, so they
// get no label; the other fourteen are numbered in matrix order. The scene
// and kesta-ctl both name buttons by these labels.
#pragma once

#include <QString>
#include <QStringList>

namespace ButtonLabels {

constexpr int kPositions = 16;  // entries of a key matrix
constexpr int kMacroSlots = 12; // the mouse holds macros for slots 0..11

// "①" .. "⑭" for the assignable positions, empty for 6, 7 and outside 0..15.
QString label(int index);
// The sixteen labels in matrix order (empty where there is none).
QStringList labels();
// The position that carries `label`, -1 when none does.
int indexOf(const QString &label);
// The position of a button named by its label or by its number: "①".."⑭"
// or "1".."14" (blanks around it allowed); -1 for anything else.
int matrixIndex(const QString &name);
// Whether position `index` has a macro slot of its own.
bool hasMacroSlot(int index);
inline bool takesMacro(int index)
{
    return hasMacroSlot(index);
}

} // namespace ButtonLabels
