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

// How much of a macro goes into the block.
struct Fit {
    int length = 2;    // encoded length of all the steps, uncut
    int keptSteps = 0; // leading steps that are sent
    bool cut = false;  // length > the limit: only keptSteps steps are sent
};

// A macro that fits `limit` bytes is sent whole. A longer one is cut after
// its last complete release that fits: every key or button pressed in the
// kept steps is released in them too, so playing the slot never leaves one
// held down. Delays after that release are not kept (the last action of a
// block always closes with the shortest delay). When no such release fits,
// no step is kept.
Fit fit(const QStringList &steps, int limit = kBlockSize);

// The leading steps that end after the last release leaving nothing held:
// all of them when no key or button is left held at the end.
int completeSteps(const QStringList &steps);

// The encoded macro as the slot gets it: two repeat bytes, the action words
// of the steps fit() keeps, the end word. Never longer than kBlockSize. A
// macro without actions is just the two repeat bytes.
QByteArray encode(const QStringList &steps, int repeat);

// Length of the whole macro encoded, uncut (fit().length): the editor checks
// it before it accepts another action.
int encodedLength(const QStringList &steps);

} // namespace MacroEncoder
