// Encoding of a stored macro (its step strings and repeat count) into the
// mouse's 128-byte macro block. Pure functions; the key names are resolved
// through the key-name table.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace MacroEncoder {

constexpr int kBlockSize = 128;

// Step types of a step string "type,info".
enum StepType { Delay = 0, KeyPress = 1, KeyRelease = 2, ButtonPress = 3, ButtonRelease = 4 };

struct Step {
    int type = -1; // -1 for a string that is not a step
    QString info;
};

// Type from the first character, info from the third character on.
Step parseStep(const QString &step);

// Milliseconds to 10-ms units, rounded half up (4 ms -> 0, 5 ms -> 1, 15 ms -> 2).
qint64 delayUnits(qint64 ms);

// The encoded macro: two repeat bytes, the action words, the end word. Never
// longer than kBlockSize: when the next action word would leave no room for
// the end word, the macro ends with the last action that fits. A macro
// without actions is just the two repeat bytes.
QByteArray encode(const QStringList &steps, int repeat);

// Length of encode(steps, ...), which the editor checks before it accepts
// another action.
int encodedLength(const QStringList &steps);

} // namespace MacroEncoder
