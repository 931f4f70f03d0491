// The macro block encoder against hand-computed blocks, and its limits.
#include "devicesettings/keynames.h"
#include "macro/macroencoder.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

// A delay of `ms` spread over steps of at most 65535 ms, as a typed delay is limited.
QStringList delaySteps(qint64 ms)
{
    QStringList out;
    while (ms > 0) {
        const qint64 part = qMin<qint64>(ms, 65535);
        out << QStringLiteral("0,%1").arg(part);
        ms -= part;
    }
    return out;
}

QStringList pressDelayRelease(qint64 ms)
{
    return QStringList{QStringLiteral("1,A")} + delaySteps(ms) + QStringList{"2,A"};
}

// `count` actions alternating press A and release A, press first.
QStringList alternating(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << (i % 2 ? QStringLiteral("2,A") : QStringLiteral("1,A"));
    return out;
}

// `times` copies of `group`.
QStringList repeated(const QStringList &group, int times)
{
    QStringList out;
    for (int i = 0; i < times; ++i)
        out += group;
    return out;
}

// The word that press A / <delay> / release A leaves between the two actions.
QByteArray extendedA(int scale, int count)
{
    return bytes({0x00, 0x04, 0x00, scale, (count >> 8) & 0xFF, count & 0xFF});
}

} // namespace

class TestMacroEncoder : public QObject
{
    Q_OBJECT
private slots:
    void handComputed_data();
    void handComputed();
    void delayScales_data();
    void delayScales();
    void cutAfterACompleteRelease_data();
    void cutAfterACompleteRelease();
    void completeSteps_data();
    void completeSteps();
    void randomStepListsStayInsideTheBlock();
};

void TestMacroEncoder::handComputed_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("press 50 ms release") << QStringList{"1,A", "0,50", "2,A"} << 1
                                         << bytes({0x00, 0x01, 0x05, 0x04, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("no delay between actions is one unit")
        << QStringList{"1,A", "2,A"} << 1
        << bytes({0x00, 0x01, 0x01, 0x04, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("2000 ms is 100 units of 20 ms")
        << QStringList{"1,A", "0,2000", "2,A"} << 1
        << bytes({0x00, 0x01, 0x00, 0x04, 0x00, 0x01, 0x00, 0x64, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("600 and 700 ms add up to 130 units")
        << QStringList{"1,A", "0,600", "0,700", "2,A"} << 1
        << bytes({0x00, 0x01, 0x00, 0x04, 0x00, 0x01, 0x00, 0x41, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("leading and trailing delays vanish")
        << QStringList{"0,100", "1,A", "0,20", "2,A", "0,500"} << 1
        << bytes({0x00, 0x01, 0x02, 0x04, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("delays only") << QStringList{"0,100", "0,20"} << 1 << bytes({0x00, 0x01});
    QTest::newRow("empty macro") << QStringList{} << 7 << bytes({0x00, 0x07});
    QTest::newRow("repeat 300") << QStringList{"1,A", "2,A"} << 300
                                << bytes({0x01, 0x2C, 0x01, 0x04, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("repeat 65535") << QStringList{"1,A"} << 65535
                                  << bytes({0xFF, 0xFF, 0x01, 0x04, 0x00, 0x00});
    QTest::newRow("unknown names send code 0")
        << QStringList{"1,NoSuchKey", "2,NoSuchKey"} << 1
        << bytes({0x00, 0x01, 0x01, 0x00, 0x81, 0x00, 0x00, 0x00});
    QTest::newRow("single press is sent")
        << QStringList{"0,50", "1,A"} << 1 << bytes({0x00, 0x01, 0x01, 0x04, 0x00, 0x00});
    QTest::newRow("single release carries the release bit")
        << QStringList{"2,A", "0,30"} << 1 << bytes({0x00, 0x01, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("mouse buttons")
        << QStringList{"3,MS-L", "0,10", "4,MS-L", "3,MS-B5", "4,MS-B5"} << 1
        << bytes({0x00, 0x01, 0x01, 0xF0, 0x81, 0xF0, 0x01, 0xF4, 0x81, 0xF4, 0x00, 0x00});
    QTest::newRow("release bit kept on an extended word")
        << QStringList{"2,A", "0,2000", "1,B"} << 1
        << bytes({0x00, 0x01, 0x80, 0x04, 0x00, 0x01, 0x00, 0x64, 0x01, 0x05, 0x00, 0x00});
    QTest::newRow("5 ms rounds up to one unit")
        << QStringList{"1,A", "0,5", "0,20", "2,A"} << 1
        << bytes({0x00, 0x01, 0x03, 0x04, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("4 ms rounds down, still one unit")
        << QStringList{"1,A", "0,4", "2,A"} << 1
        << bytes({0x00, 0x01, 0x01, 0x04, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("1264 ms is the longest short delay")
        << QStringList{"1,A", "0,1264", "2,A"} << 1
        << bytes({0x00, 0x01, 0x7E, 0x04, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("1265 ms rounds to 127 units, extended")
        << QStringList{"1,A", "0,1265", "2,A"} << 1
        << bytes({0x00, 0x01, 0x00, 0x04, 0x00, 0x01, 0x00, 0x3F, 0x81, 0x04, 0x00, 0x00});
    QTest::newRow("strings that are no steps are skipped")
        << QStringList{"", "9,A", "x", "1,A", "0,abc", "2,A"} << 1
        << bytes({0x00, 0x01, 0x01, 0x04, 0x81, 0x04, 0x00, 0x00});
}

void TestMacroEncoder::handComputed()
{
    QFETCH(QStringList, steps);
    QFETCH(int, repeat);
    QFETCH(QByteArray, expected);
    QCOMPARE(MacroEncoder::encode(steps, repeat).toHex(' '), expected.toHex(' '));
    QCOMPARE(MacroEncoder::encodedLength(steps), int(expected.size()));
}

void TestMacroEncoder::delayScales_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QByteArray>("word");

    QTest::newRow("scale 1 last: 99999 units") << qint64(999990) << extendedA(1, 49999);
    QTest::newRow("scale 2 first: 100000 units") << qint64(1000000) << extendedA(2, 20000);
    QTest::newRow("scale 2 last: 299999 units") << qint64(2999990) << extendedA(2, 59999);
    QTest::newRow("scale 3 first: 300000 units") << qint64(3000000) << extendedA(3, 30000);
    QTest::newRow("scale 3 last: 599999 units") << qint64(5999990) << extendedA(3, 59999);
    QTest::newRow("beyond scale 3: 600000 units") << qint64(6000000) << extendedA(3, 65535);
    QTest::newRow("far beyond scale 3") << qint64(9000000) << extendedA(3, 65535);
}

void TestMacroEncoder::delayScales()
{
    QFETCH(qint64, ms);
    QFETCH(QByteArray, word);
    const QByteArray expected = bytes({0x00, 0x01}) + word + bytes({0x81, 0x04, 0x00, 0x00});
    QCOMPARE(MacroEncoder::encode(pressDelayRelease(ms), 1).toHex(' '), expected.toHex(' '));
}

void TestMacroEncoder::cutAfterACompleteRelease_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("length"); // uncut
    QTest::addColumn<int>("kept");   // leading steps sent
    QTest::addColumn<int>("sent");   // bytes in the block
    QTest::addColumn<QByteArray>("tail");

    const QByteArray releaseA = bytes({0x81, 0x04, 0x00, 0x00});
    QTest::newRow("61 actions: 126 bytes, sent whole")
        << alternating(61) << 126 << 61 << 126 << bytes({0x01, 0x04, 0x00, 0x00});
    QTest::newRow("62 actions fill the block exactly, not cut")
        << alternating(62) << 128 << 62 << 128 << releaseA;
    QTest::newRow("63 actions: cut after the 62nd, a release")
        << alternating(63) << 130 << 62 << 128 << releaseA;
    QTest::newRow("204 bytes: cut after the last release that fits")
        << alternating(100) << 204 << 62 << 128 << releaseA;
    // Press A, press B, release A, release B: the 61st and 62nd actions would
    // fit but are presses; the cut goes back to the 60th.
    QTest::newRow("overlapping keys: never cut on a press")
        << repeated({"1,A", "1,B", "2,A", "2,B"}, 25) << 204 << 60 << 124
        << bytes({0x81, 0x05, 0x00, 0x00});
    QTest::newRow("delays after the last kept release are dropped")
        << repeated({"1,A", "2,A", "0,500"}, 50) << 204 << 92 << 128 << releaseA;
    // 58 short words, press C with 2 s after it (six bytes), release C: 128.
    const QStringList extended = alternating(58) + QStringList{"1,C", "0,2000", "2,C"};
    QTest::newRow("an extended delay at the limit, not cut")
        << extended << 128 << 61 << 128 << bytes({0x81, 0x06, 0x00, 0x00});
    QTest::newRow("an extended delay leaves no room for the next pair")
        << extended + QStringList{"1,D", "2,D"} << 132 << 61 << 128
        << bytes({0x81, 0x06, 0x00, 0x00});
    // A stays held while B is typed: no release before the end leaves
    // nothing held, so nothing of the macro is sent.
    QTest::newRow("no complete release fits: nothing is sent")
        << QStringList{"1,A"} + repeated({"1,B", "2,B"}, 35) + QStringList{"2,A"} << 148 << 0 << 2
        << QByteArray();
}

void TestMacroEncoder::cutAfterACompleteRelease()
{
    QFETCH(QStringList, steps);
    QFETCH(int, length);
    QFETCH(int, kept);
    QFETCH(int, sent);
    QFETCH(QByteArray, tail);

    QCOMPARE(MacroEncoder::encodedLength(steps), length);
    const MacroEncoder::Fit fit = MacroEncoder::fit(steps);
    QCOMPARE(fit.length, length);
    QCOMPARE(fit.cut, length > MacroEncoder::kBlockSize);
    QCOMPARE(fit.keptSteps, kept);

    // The block holds the kept steps, encoded as they are on their own.
    const QByteArray out = MacroEncoder::encode(steps, 1);
    QCOMPARE(out.size(), sent);
    QCOMPARE(out.toHex(' '), MacroEncoder::encode(steps.mid(0, kept), 1).toHex(' '));
    QCOMPARE(out.right(tail.size()).toHex(' '), tail.toHex(' '));
}

void TestMacroEncoder::completeSteps_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("complete");
    QTest::newRow("nothing held: all") << QStringList{"1,A", "0,30", "2,A", "0,40"} << 4;
    QTest::newRow("a press left: up to the release before it")
        << QStringList{"1,A", "2,A", "0,30", "1,B"} << 2;
    QTest::newRow("a key held under others: none")
        << QStringList{"1,A", "1,B", "2,B", "3,MS-L", "4,MS-L"} << 0;
    QTest::newRow("delays only, and none") << QStringList{"0,30"} << 1;
}

void TestMacroEncoder::completeSteps()
{
    QFETCH(QStringList, steps);
    QFETCH(int, complete);
    QCOMPARE(MacroEncoder::completeSteps(steps), complete);
}

void TestMacroEncoder::randomStepListsStayInsideTheBlock()
{
    const QStringList names = KeyNames::names();
    QRandomGenerator rng(20240607);
    for (int round = 0; round < 3000; ++round) {
        QStringList steps;
        QList<QPair<bool, uchar>> actions; // release, code
        const int count = int(rng.bounded(160));
        for (int i = 0; i < count; ++i) {
            const int type = int(rng.bounded(5));
            if (type == 0) {
                const int ms =
                    rng.bounded(10) == 0 ? int(rng.bounded(65536)) : int(rng.bounded(2000));
                steps << QStringLiteral("0,%1").arg(ms);
                continue;
            }
            QString name;
            do {
                name = names.at(int(rng.bounded(names.size())));
            } while (KeyNames::strTokeycode(name) == 0);
            steps << QStringLiteral("%1,%2").arg(type).arg(name);
            actions.append({type == 2 || type == 4, KeyNames::strTokeycode(name)});
        }
        const QByteArray out = MacroEncoder::encode(steps, int(rng.bounded(65536)));
        QVERIFY2(out.size() <= MacroEncoder::kBlockSize, qPrintable(steps.join('|')));
        const MacroEncoder::Fit fit = MacroEncoder::fit(steps);
        QCOMPARE(fit.cut, fit.length > MacroEncoder::kBlockSize);
        if (!fit.cut)
            QCOMPARE(fit.length, int(out.size()));
        if (actions.isEmpty()) {
            QCOMPARE(out.size(), 2);
            continue;
        }
        // Decode: the actions sent are a prefix of those given, the last one
        // with one unit of delay, followed by the end word.
        int p = 2;
        int sent = 0;
        QSet<uchar> held;
        while (p + 1 < out.size() &&
               !(out[p] == 0 && out[p + 1] == 0 && sent > 0 && p == out.size() - 2)) {
            const uchar b0 = uchar(out[p]);
            const uchar code = uchar(out[p + 1]);
            QVERIFY(sent < actions.size());
            QCOMPARE(bool(b0 & 0x80), actions.at(sent).first);
            QCOMPARE(code, actions.at(sent).second);
            if (b0 & 0x80)
                held.remove(code);
            else
                held.insert(code);
            p += (b0 & 0x7F) == 0 ? 6 : 2;
            ++sent;
        }
        if (sent == 0) {
            QVERIFY(fit.cut);
            QCOMPARE(out.size(), 2);
            continue;
        }
        QCOMPARE(p, int(out.size()) - 2);
        QCOMPARE(uchar(out[p - 2]) & 0x7F, 1);
        QCOMPARE(sent == actions.size(), !fit.cut);
        // A cut block leaves nothing held, and the next complete release
        // would not have fitted.
        if (fit.cut) {
            QVERIFY2(held.isEmpty(), qPrintable(steps.join('|')));
            QSet<uchar> down;
            for (int n = 1; n <= steps.size(); ++n) {
                const MacroEncoder::Step step = MacroEncoder::parseStep(steps.at(n - 1));
                const uchar code = KeyNames::strTokeycode(step.info);
                if (step.type == 1 || step.type == 3) {
                    down.insert(code);
                } else if (step.type == 2 || step.type == 4) {
                    down.remove(code);
                    if (down.isEmpty() && n > fit.keptSteps) {
                        QVERIFY(MacroEncoder::encodedLength(steps.mid(0, n)) >
                                MacroEncoder::kBlockSize);
                        break;
                    }
                }
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestMacroEncoder)
#include "tst_macroencoder.moc"
