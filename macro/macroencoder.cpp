#include "macro/macroencoder.h"

#include "devicesettings/keynames.h"

#include <set>
#include <vector>

namespace MacroEncoder {

namespace {

struct Action {
    uchar code = 0;
    bool release = false;
    qint64 delayMsAfter = 0; // delays up to the next action
    int step = 0;            // its place in the step list
};

// Extended delays: 127 units and more do not fit the 7-bit field of the word.
constexpr qint64 kLongestShortDelay = 126;

bool isExtended(qint64 units)
{
    return units > kLongestShortDelay;
}

std::vector<Action> collectActions(const QStringList &steps)
{
    std::vector<Action> actions;
    for (int i = 0; i < steps.size(); ++i) {
        const Step step = parseStep(steps.at(i));
        if (step.type == Delay) {
            // Leading delays have no action to follow; trailing ones are dropped
            // because the last action always closes with the shortest delay.
            if (!actions.empty()) {
                bool ok = false;
                const qint64 ms = step.info.trimmed().toLongLong(&ok);
                if (ok && ms > 0)
                    actions.back().delayMsAfter += ms;
            }
        } else if (step.type >= KeyPress && step.type <= ButtonRelease) {
            Action a;
            a.code = KeyNames::strTokeycode(step.info);
            a.release = step.type == KeyRelease || step.type == ButtonRelease;
            a.step = i;
            actions.push_back(a);
        }
    }
    return actions;
}

// Bytes of an action's word when another action follows it: the word, and
// the scale and count words of an extended delay.
int wordSize(const Action &a)
{
    return 2 + (isExtended(delayUnits(a.delayMsAfter)) ? 4 : 0);
}

// Encoded length of the first `count` actions (the last one's delay is not
// written, it always closes with one unit).
int lengthOf(const std::vector<Action> &actions, size_t count)
{
    if (count == 0)
        return 2;
    int used = 2 + 2 + 2; // repeat bytes, last word, end word
    for (size_t i = 0; i + 1 < count; ++i)
        used += wordSize(actions[i]);
    return used;
}

// The fit of a step list whose actions are `actions`.
Fit fitActions(const std::vector<Action> &actions, int stepCount, int limit)
{
    Fit out;
    out.length = lengthOf(actions, actions.size());
    if (out.length <= limit) {
        out.keptSteps = stepCount;
        return out;
    }
    out.cut = true;
    // Walk the actions while the block holds them, remembering the last one
    // after which nothing is held.
    std::set<uchar> held;
    int used = 2;
    for (size_t i = 0; i < actions.size(); ++i) {
        if (i > 0)
            used += wordSize(actions[i - 1]);
        if (used + 2 + 2 > limit)
            break;
        if (actions[i].release)
            held.erase(actions[i].code);
        else
            held.insert(actions[i].code);
        if (actions[i].release && held.empty())
            out.keptSteps = actions[i].step + 1;
    }
    return out;
}

} // namespace

Step parseStep(const QString &step)
{
    Step out;
    if (step.isEmpty())
        return out;
    const QChar t = step.at(0);
    if (t < QLatin1Char('0') || t > QLatin1Char('4'))
        return out;
    out.type = t.unicode() - '0';
    out.info = step.mid(2);
    return out;
}

qint64 delayUnits(qint64 ms)
{
    if (ms <= 0)
        return 0;
    return (ms + 5) / 10;
}

Fit fit(const QStringList &steps, int limit)
{
    return fitActions(collectActions(steps), int(steps.size()), limit);
}

int completeSteps(const QStringList &steps)
{
    const std::vector<Action> actions = collectActions(steps);
    std::set<uchar> held;
    int complete = 0;
    for (const Action &a : actions) {
        if (a.release)
            held.erase(a.code);
        else
            held.insert(a.code);
        if (a.release && held.empty())
            complete = a.step + 1;
    }
    return held.empty() ? int(steps.size()) : complete;
}

QByteArray encode(const QStringList &steps, int repeat)
{
    QByteArray out;
    out.append(char((repeat >> 8) & 0xFF));
    out.append(char(repeat & 0xFF));

    const std::vector<Action> actions = collectActions(steps);
    const Fit kept = fitActions(actions, int(steps.size()), kBlockSize);
    size_t count = 0;
    while (count < actions.size() && actions[count].step < kept.keptSteps)
        ++count;
    if (count == 0)
        return out;

    for (size_t i = 0; i < count; ++i) {
        const Action &a = actions[i];
        const char flag = a.release ? char(0x80) : char(0);
        if (i + 1 == count) {
            out.append(char(0x01 | flag));
            out.append(char(a.code));
            break;
        }
        const qint64 units = delayUnits(a.delayMsAfter);
        if (!isExtended(units)) {
            out.append(char((units == 0 ? 1 : units) | flag));
            out.append(char(a.code));
            continue;
        }
        out.append(flag);
        out.append(char(a.code));
        int scale;
        qint64 n;
        if (units < 100000) {
            scale = 1; // 20 ms
            n = units / 2;
        } else if (units < 300000) {
            scale = 2; // 50 ms
            n = units / 5;
        } else if (units < 600000) {
            scale = 3; // 100 ms
            n = units / 10;
        } else {
            scale = 3; // longest delay the words can carry
            n = 0xFFFF;
        }
        out.append(char(0x00));
        out.append(char(scale));
        out.append(char((n >> 8) & 0xFF));
        out.append(char(n & 0xFF));
    }
    out.append(char(0x00));
    out.append(char(0x00));
    return out;
}

int encodedLength(const QStringList &steps)
{
    const std::vector<Action> actions = collectActions(steps);
    return lengthOf(actions, actions.size());
}

} // namespace MacroEncoder
