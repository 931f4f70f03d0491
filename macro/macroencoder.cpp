#include "macro/macroencoder.h"

#include "devicesettings/keynames.h"

#include <vector>

namespace MacroEncoder {

namespace {

struct Action {
    uchar code = 0;
    bool release = false;
    qint64 delayMsAfter = 0; // delays up to the next action
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
    for (const QString &text : steps) {
        const Step step = parseStep(text);
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
            actions.push_back(a);
        }
    }
    return actions;
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

QByteArray encode(const QStringList &steps, int repeat)
{
    QByteArray out;
    out.append(char((repeat >> 8) & 0xFF));
    out.append(char(repeat & 0xFF));

    const std::vector<Action> actions = collectActions(steps);
    if (actions.empty())
        return out;

    // How many actions fit: the words before the last one, the last word and
    // the end word must stay within the block.
    size_t count = 0;
    int used = 2;
    for (size_t i = 0; i < actions.size(); ++i) {
        if (used + 2 + 2 > kBlockSize)
            break;
        count = i + 1;
        used += 2 + (isExtended(delayUnits(actions[i].delayMsAfter)) ? 4 : 0);
    }

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
    return int(encode(steps, 0).size());
}

} // namespace MacroEncoder
