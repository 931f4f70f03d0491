// The button labels of the button page ("①" to "⑭", or 1 to 14) and the key
// matrix positions they stand for. Positions 6 and 7 are fixed by the mouse
// and carry no label.
#pragma once

#include <QString>
#include <QStringList>

namespace ButtonLabels {

constexpr int kCount = 14;

// Matrix index (0..5, 8..15) of a label: "①".."⑭" or "1".."14"; -1 otherwise.
int matrixIndex(const QString &label);

// The circled label of a matrix index; empty for 6, 7 and indexes outside 0..15.
QString label(int matrixIndex);

// The fourteen circled labels in button order.
QStringList labels();

// True when a macro can be bound at that matrix index (the mouse has twelve
// macro slots, one per index 0..11).
inline bool takesMacro(int matrixIndex)
{
    return matrixIndex >= 0 && matrixIndex < 12;
}

} // namespace ButtonLabels
