// The command link and command set against the virtual mouse: frames, data
// phases, pauses, scrambling, the handshake, a busy interface and unplugging.
#include "device/commandset.h"
#include "device/hidcodec.h"
#include "device/transfergate.h"
#include "tests/device/vmfixture.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <functional>
#include <tuple>

using Call = std::function<void(Hid_Thread &)>;
Q_DECLARE_METATYPE(Call)
// A query with its in-out values: they go in preset and come back as the
// query left them; the result is the query's own.
using Query = std::function<bool(Hid_Thread &, QList<int> &)>;
Q_DECLARE_METATYPE(Query)

namespace {

uchar g_src[128];

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

void fillSource()
{
    for (int i = 0; i < 128; ++i)
        g_src[i] = uchar(0xA0 + i);
}

// Every HID call on the command interface comes right after its own open, and
// the exchange ends with the interface closed.
void verifyReopenPerCall()
{
    std::vector<kvm::WireEntry> command;
    for (const auto &e : kvm::wireLog())
        if (e.iface == "command")
            command.push_back(e);
    QVERIFY(!command.empty());
    for (std::size_t i = 0; i < command.size(); ++i) {
        const std::string &call = command[i].call;
        if (call == "open" || call == "close")
            continue;
        QVERIFY2(i > 0 && command[i - 1].call == "open", call.c_str());
    }
    QCOMPARE(QString::fromStdString(command.back().call), QStringLiteral("close"));
}

// The commands that settle 128 ms after their frame and after their data
// phase; every other command and every query goes on at once.
QSet<uchar> pausedCommands(int family)
{
    if (family == 560)
        return {0x03, 0x04, 0x09, 0x0C, 0x0D, 0x0F};
    return {0x01, 0x02, 0x07, 0x0B, 0x0C, 0x0D, 0x10, 0x11, 0x12, 0x13, 0x16};
}

constexpr double kSettleMs = 128;
constexpr double kReportGapMs = 120;

struct Gaps {
    double afterFrame = -1; // from the frame to the next call on the command interface
    double afterData = -1;  // from the last output report to the close
};

Gaps wireGaps()
{
    std::vector<kvm::WireEntry> command;
    for (const auto &e : kvm::wireLog())
        if (e.iface == "command")
            command.push_back(e);
    Gaps gaps;
    double lastWrite = -1;
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (command[i].call == "send_feature" && i + 1 < command.size())
            gaps.afterFrame = command[i + 1].t - command[i].t;
        if (command[i].call == "write")
            lastWrite = command[i].t;
        if (command[i].call == "close" && lastWrite >= 0)
            gaps.afterData = command[i].t - lastWrite;
    }
    return gaps;
}

// A query slot whose parameters are all in-out bytes.
template <typename... Bytes> Query query(bool (Hid_Thread::*slot)(Bytes...))
{
    return [slot](Hid_Thread &h, QList<int> &values) {
        std::array<uchar, sizeof...(Bytes)> b{};
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = uchar(values.value(int(i)));
        const bool ok = std::apply([&](auto &...x) { return (h.*slot)(x...); }, b);
        values = QList<int>(b.begin(), b.end());
        return ok;
    };
}

enum class Outcome { Answered, Busy, Failed };

} // namespace

class TestHidLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void framesOnTheWire_data();
    void framesOnTheWire();
    void everyCommandHasAFrameRow();
    void outputDataPhases_data();
    void outputDataPhases();
    void inputDataPhase_data();
    void inputDataPhase();
    void encodedDeviceScramblesFramesOnly();
    void handshake_data();
    void handshake();
    void busyInterface_data();
    void busyInterface();
    void queryOutcome_data();
    void queryOutcome();
    void unplugDuringQuery();
    void brokenDataPhasesKeepTheCallersBuffer();
};

void TestHidLink::init()
{
    fillSource();
}

namespace {

// One row per slot: the frame it sends with the arguments given and the
// number of output reports of its data phase.
struct FrameRow {
    const char *name;
    int family;
    Call call;
    QByteArray frame;
    int reports;
};

std::vector<FrameRow> frameRows()
{
    std::vector<FrameRow> rows;
    auto row = [&rows](const char *name, int family, Call call, const char *frame, int reports) {
        rows.push_back({name, family, call, hex(frame), reports});
    };
    row(
        "553 8B query, no parameters", 553,
        [](Hid_Thread &h) {
            uchar s = 0;
            h.hid553_8BH_GetCurrentDPI(s);
        },
        "008B000000000000"
        "74",
        0);
    row(
        "553 83 query", 553,
        [](Hid_Thread &h) {
            uchar w = 0, x = 0, y = 0, z = 0;
            h.hid553_83H_GetKeyboardoption(w, x, y, z);
        },
        "0083000000000000"
        "7C",
        0);
    row(
        "553 00 challenge in bytes 2..5", 553,
        [](Hid_Thread &h) {
            uchar w = 1, x = 2, y = 3, z = 4;
            h.hid553_00H_GetSecrecyCode(w, x, y, z);
        },
        "0000010203040000"
        "F5",
        0);
    row(
        "553 01 report rate", 553, [](Hid_Thread &h) { h.hid553_01H_SetReportRate(4); },
        "0001040000000000"
        "FA",
        0);
    row(
        "553 02 key matrix", 553, [](Hid_Thread &h) { h.hid553_02H_SetCurrentKeyMatrix(2); },
        "0002020000000000"
        "FB",
        0);
    row(
        "553 03 options", 553, [](Hid_Thread &h) { h.hid553_03H_SetKeyboardoption(1, 2, 3, 0x44); },
        "0003010203440000"
        "B2",
        0);
    row(
        "553 04 gun data from byte 3", 553,
        [](Hid_Thread &h) { h.hid553_04H_SetGunData(1, 2, 3, 4); },
        "0004000102030400"
        "F1",
        0);
    row(
        "553 07 lod", 553, [](Hid_Thread &h) { h.hid553_07H_Lod(2, 1); },
        "000700027D010000"
        "78",
        0);
    row(
        "553 0B current dpi", 553, [](Hid_Thread &h) { h.hid553_0BH_SetCurrentDPI(3); },
        "000B030000000000"
        "F1",
        0);
    row(
        "553 0C fixed colour in the frame", 553,
        [](Hid_Thread &h) {
            uchar rgb[3] = {10, 20, 30};
            h.hid553_0CH_SetFixLEDColor(rgb);
        },
        "000C0A141E000000"
        "B7",
        0);
    row(
        "553 0D led effect", 553, [](Hid_Thread &h) { h.hid553_0DH_SetRGBLedEffect(5, 6, 7); },
        "000D050607000000"
        "E0",
        0);
    row(
        "553 10 type 2: four bytes", 553,
        [](Hid_Thread &h) { h.hid553_10H_SetLED8StageColor(2, g_src); },
        "0010020400000000"
        "E9",
        1);
    row(
        "553 10 type 1: 24 bytes", 553,
        [](Hid_Thread &h) { h.hid553_10H_SetLED8StageColor(1, g_src); },
        "0010011800000000"
        "D6",
        1);
    row(
        "553 11 dpi set", 553, [](Hid_Thread &h) { h.hid553_11H_SetDPISet(2, g_src); },
        "0011020800000000"
        "E4",
        1);
    row(
        "553 12 key matrix", 553, [](Hid_Thread &h) { h.hid553_12H_SetKeyMatrix(g_src, 1); },
        "0012014008000000"
        "A4",
        2);
    row(
        "553 13 macro", 553, [](Hid_Thread &h) { h.hid553_13H_SetMacroKey(5, g_src); },
        "0013058000000000"
        "67",
        4);
    row(
        "553 16 attribute", 553, [](Hid_Thread &h) { h.hid553_16H_SetSlaveAttritube(g_src); },
        "0016004000000000"
        "A9",
        2);
    row(
        "87 led instruct", 553,
        [](Hid_Thread &h) {
            uchar x = 0, y = 0, z = 0;
            h.hid_87H_GetLEDInstructFunction(2, x, y, z);
        },
        "0087020000000000"
        "76",
        0);
    row(
        "560 81 query", 560,
        [](Hid_Thread &h) {
            uchar x = 0, y = 0;
            h.hid560_81H_GetKeyboardoption(x, y);
        },
        "0081000000000000"
        "7E",
        0);
    row(
        "560 82 query", 560,
        [](Hid_Thread &h) {
            uchar x = 0;
            h.hid560_82H_GetCurrentProfile(x);
        },
        "0082000000000000"
        "7D",
        0);
    row(
        "560 84 query with byte1 1", 560,
        [](Hid_Thread &h) {
            uchar x = 1, y = 0;
            h.hid560_84H_GetCurrentDPI(x, y);
        },
        "0084010000000000"
        "7A",
        0);
    row(
        "560 8C profile read, no length byte", 560,
        [](Hid_Thread &h) { h.hid560_8CH_readProfile(g_src, 3); },
        "008C030000000000"
        "70",
        0);
    row(
        "560 01 options", 560, [](Hid_Thread &h) { h.hid560_01H_SetKeyboardoption(9, 8); },
        "0001090800000000"
        "ED",
        0);
    row(
        "560 02 profile", 560, [](Hid_Thread &h) { h.hid560_02H_SetCurrentProfile(3); },
        "0002030000000000"
        "FA",
        0);
    row(
        "560 03 report rate", 560, [](Hid_Thread &h) { h.hid560_03H_SetReportRate(4); },
        "0003010400000000"
        "F7",
        0);
    row(
        "560 04 current dpi", 560, [](Hid_Thread &h) { h.hid560_04H_SetCurrentDPI(5); },
        "0004010500000000"
        "F5",
        0);
    row(
        "560 09 lod disabled sends stage 0", 560, [](Hid_Thread &h) { h.hid560_09H_Lod(2, 0); },
        "0009007D00000000"
        "79",
        0);
    row(
        "560 09 lod enabled", 560, [](Hid_Thread &h) { h.hid560_09H_Lod(2, 1); },
        "0009027D00000000"
        "77",
        0);
    row(
        "560 0C profile", 560, [](Hid_Thread &h) { h.hid560_0CH_setProfile(g_src, 2); },
        "000C028000000000"
        "71",
        4);
    row(
        "560 0D key matrix", 560, [](Hid_Thread &h) { h.hid560_0DH_SetKeyMatrix(g_src, 1); },
        "000D018000000000"
        "71",
        4);
    row(
        "560 0F macro", 560, [](Hid_Thread &h) { h.hid560_0FH_SetMacroKey(7, g_src); },
        "000F078000000000"
        "69",
        4);
    return rows;
}

} // namespace

void TestHidLink::framesOnTheWire_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<Call>("call");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("reports");
    for (const FrameRow &r : frameRows())
        QTest::newRow(r.name) << r.family << r.call << r.frame << r.reports;
}

void TestHidLink::everyCommandHasAFrameRow()
{
    // A command added to the table is not done before its frame is checked.
    const std::vector<FrameRow> rows = frameRows();
    for (const CommandSet::Entry &entry : CommandSet::kEntries) {
        const bool covered = std::any_of(rows.begin(), rows.end(), [&entry](const FrameRow &r) {
            return uchar(r.frame.at(1)) == entry.code &&
                   (entry.family == CommandSet::kAnyFamily || entry.family == r.family);
        });
        QVERIFY2(covered, qPrintable(QStringLiteral("%1 %2H")
                                         .arg(entry.family)
                                         .arg(entry.code, 2, 16, QLatin1Char('0'))));
    }
}

void TestHidLink::framesOnTheWire()
{
    QFETCH(int, family);
    QFETCH(Call, call);
    QFETCH(QByteArray, frame);
    QFETCH(int, reports);

    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, vmtest::config(family)));
    call(hid);

    const auto sent = vmtest::entries("send_feature");
    QCOMPARE(int(sent.size()), 1);
    QCOMPARE(vmtest::bytes(sent[0].bytes).toHex(' '), frame.toHex(' '));
    QCOMPARE(int(vmtest::entries("write").size()), reports);
    verifyReopenPerCall();
    QVERIFY(hid.hidIdle);
    QVERIFY(!hid.hidHandle);

    // The settle pauses, from the wire log's times: after the frame, and
    // after the last output report (its own 120 ms, then the pause).
    const bool paused = pausedCommands(family).contains(uchar(frame.at(1)));
    Gaps gaps = wireGaps();
    // A busy machine can only lengthen a gap: a command that must not pause
    // is measured again before it counts as pausing.
    for (int again = 0; again < 2 && !paused && gaps.afterFrame >= kSettleMs; ++again) {
        kvm::clearWireLog();
        call(hid);
        gaps = std::min(gaps, wireGaps(),
                        [](const Gaps &a, const Gaps &b) { return a.afterFrame < b.afterFrame; });
    }
    if (paused)
        QVERIFY2(gaps.afterFrame >= kSettleMs, qPrintable(QString::number(gaps.afterFrame)));
    else
        QVERIFY2(gaps.afterFrame < kSettleMs, qPrintable(QString::number(gaps.afterFrame)));
    if (reports > 0)
        QVERIFY2(gaps.afterData >= kReportGapMs + kSettleMs,
                 qPrintable(QString::number(gaps.afterData)));
}

void TestHidLink::outputDataPhases_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("reportLength");
    QTest::addColumn<Call>("call");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("reports");

    fillSource();
    const QByteArray src(reinterpret_cast<const char *>(g_src), 128);
    QTest::newRow("8 bytes at 32: one report, rest zeros")
        << 553 << 32 << Call([](Hid_Thread &h) { h.hid553_11H_SetDPISet(2, g_src); }) << src.left(8)
        << 1;
    QTest::newRow("64 bytes at 32: two reports")
        << 553 << 32 << Call([](Hid_Thread &h) { h.hid553_12H_SetKeyMatrix(g_src, 1); })
        << src.left(64) << 2;
    QTest::newRow("560 matrix at 32: zero half in reports 3 and 4")
        << 560 << 32 << Call([](Hid_Thread &h) { h.hid560_0DH_SetKeyMatrix(g_src, 1); })
        << src.left(64) + QByteArray(64, '\0') << 4;
    QTest::newRow("4 of 24 colour bytes at 64")
        << 553 << 64 << Call([](Hid_Thread &h) { h.hid553_10H_SetLED8StageColor(2, g_src); })
        << src.left(4) << 1;
    QTest::newRow("128 bytes at 64: two reports")
        << 553 << 64 << Call([](Hid_Thread &h) { h.hid553_13H_SetMacroKey(3, g_src); }) << src << 2;
}

void TestHidLink::outputDataPhases()
{
    QFETCH(int, family);
    QFETCH(int, reportLength);
    QFETCH(Call, call);
    QFETCH(QByteArray, payload);
    QFETCH(int, reports);

    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, vmtest::config(family, false, reportLength)));
    vmtest::MessageCapture messages;
    call(hid);

    const auto sent = vmtest::entries("send_feature");
    const auto writes = vmtest::entries("write");
    QCOMPARE(int(sent.size()), 1);
    QCOMPARE(int(writes.size()), reports);
    QByteArray carried;
    for (const auto &w : writes) {
        QCOMPARE(int(w.bytes.size()), reportLength + 1);
        QCOMPARE(int(w.bytes[0]), 0);
        carried += vmtest::bytes(w.bytes).mid(1);
    }
    QCOMPARE(carried.left(payload.size()).toHex(' '), payload.toHex(' '));
    QCOMPARE(carried.mid(payload.size()), QByteArray(carried.size() - payload.size(), '\0'));

    // Frame, 128 ms, each report followed by 120 ms, 128 ms, close.
    QVERIFY2(writes.front().t - sent[0].t >= 128.0, "settle pause before the data");
    for (std::size_t i = 1; i < writes.size(); ++i)
        QVERIFY2(writes[i].t - writes[i - 1].t >= 120.0, "gap between reports");
    const auto closes = vmtest::entries("close");
    QVERIFY(closes.back().t - writes.back().t >= 248.0);
    QVERIFY(messages.captured().contains(QStringLiteral("HID SUCCESS")));
    verifyReopenPerCall();
}

void TestHidLink::inputDataPhase_data()
{
    QTest::addColumn<int>("reportLength");
    QTest::addColumn<bool>("encoded");
    QTest::addColumn<int>("reports");

    QTest::newRow("32 plain: four reports") << 32 << false << 4;
    QTest::newRow("64 encoded: two reports, reply not deciphered") << 64 << true << 2;
}

void TestHidLink::inputDataPhase()
{
    QFETCH(int, reportLength);
    QFETCH(bool, encoded);
    QFETCH(int, reports);

    kvm::Config config = vmtest::config(560, encoded, reportLength);
    for (int i = 0; i < 128; ++i)
        config.profiles[2][i] = uint8_t(255 - i);
    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, config));

    uchar image[128] = {};
    hid.hid560_8CH_readProfile(image, 2);

    QCOMPARE(int(vmtest::entries("read").size()), reports);
    QVERIFY(std::equal(image, image + 128, config.profiles[2].begin()));
    // The reply frame of a query with data stays as it came.
    const auto replies = vmtest::entries("get_feature");
    QCOMPARE(int(replies.size()), 1);
    QCOMPARE(vmtest::bytes(replies[0].bytes),
             QByteArray(reinterpret_cast<const char *>(hid.recvBuf.data()), 9));
    verifyReopenPerCall();
}

void TestHidLink::encodedDeviceScramblesFramesOnly()
{
    kvm::Config config = vmtest::config(553, true);
    config.keyboardOptions = {0x11, 0x22, 0x33, 0x44};
    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, config));

    hid.hid553_12H_SetKeyMatrix(g_src, 1);
    const auto sent = vmtest::entries("send_feature");
    QCOMPARE(int(sent.size()), 1);
    QCOMPARE(vmtest::bytes(sent[0].plain).toHex(' '), hex("0012014008000000A4").toHex(' '));
    std::array<uchar, 8> expected{0x12, 0x01, 0x40, 0x08, 0, 0, 0, 0xA4};
    uchar code[8] = {0, '4', '1', '7', '3', '0', '6', 0};
    HidCodec::encrypt(expected.data(), code);
    QCOMPARE(int(sent[0].bytes[0]), 0);
    QVERIFY(std::equal(expected.begin(), expected.end(), sent[0].bytes.begin() + 1));
    const auto writes = vmtest::entries("write");
    QCOMPARE(int(writes.size()), 2);
    QVERIFY(std::equal(g_src, g_src + 32, writes[0].bytes.begin() + 1));
    QVERIFY(std::equal(g_src + 32, g_src + 64, writes[1].bytes.begin() + 1));

    // A reply without data is deciphered before its bytes are used.
    uchar b1 = 0, b2 = 0, b3 = 0, b4 = 0;
    hid.hid553_83H_GetKeyboardoption(b1, b2, b3, b4);
    QCOMPARE(QList<int>({b1, b2, b3, b4}), QList<int>({0x11, 0x22, 0x33, 0x44}));
}

void TestHidLink::handshake_data()
{
    QTest::addColumn<QString>("earlierCode");
    QTest::addColumn<QString>("entryCode");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("admitted");
    QTest::addColumn<QByteArray>("codeAfter");

    QTest::newRow("right code") << QString() << "417306" << false << true << QByteArray("417306");
    QTest::newRow("wrong code") << QString() << "123456" << false << false << QByteArray("123456");
    QTest::newRow("silent device")
        << QString() << "417306" << true << false << QByteArray("417306");
    QTest::newRow("five characters keep the right code")
        << "417306"
        << "41730" << false << true << QByteArray("417306");
    QTest::newRow("seven characters keep a wrong code")
        << "999999"
        << "4173066" << false << false << QByteArray("999999");
}

void TestHidLink::handshake()
{
    QFETCH(QString, earlierCode);
    QFETCH(QString, entryCode);
    QFETCH(bool, silent);
    QFETCH(bool, admitted);
    QFETCH(QByteArray, codeAfter);

    const kvm::Config config = vmtest::config(553, true);
    kvm::configure(config);
    QList<std::shared_ptr<DeviceEntry>> list{vmtest::entryFor(config), vmtest::entryFor(config)};
    DevicePresence::findInterfaces(list);
    Hid_Thread hid;
    hid.deviceList = list;
    if (!earlierCode.isEmpty()) {
        list[0]->sCode = earlierCode;
        hid.chkDeviceIsEnCode(0);
    }
    list[1]->sCode = entryCode;
    if (silent) {
        kvm::Faults faults;
        faults.silent = true;
        kvm::setFaults(faults);
    }

    vmtest::MessageCapture messages;
    QCOMPARE(hid.chkDeviceIsEnCode(1), admitted);
    QCOMPARE(hid.deviceIndex, 1);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(SecrecyCode + 1), 6), codeAfter);
    QCOMPARE(int(SecrecyCode[0]), 0);
    const QString line = admitted ? QStringLiteral("chkDeviceIsEnCode =  true")
                                  : QStringLiteral("chkDeviceIsEnCode =  false");
    QVERIFY2(messages.captured().contains(line), qPrintable(messages.captured().join('|')));
}

void TestHidLink::busyInterface_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("line");

    QTest::newRow("553 8B query keeps its value") << Call([](Hid_Thread &h) {
        uchar stage = 7;
        h.hid553_8BH_GetCurrentDPI(stage);
        QCOMPARE(int(stage), 7);
    }) << "cmd Failed 8BH";
    QTest::newRow("560 8C keeps the image") << Call([](Hid_Thread &h) {
        uchar image[128];
        std::fill(image, image + 128, uchar(0x5A));
        h.hid560_8CH_readProfile(image, 1);
        QVERIFY(std::all_of(image, image + 128, [](uchar b) { return b == 0x5A; }));
    }) << "cmd Failed 8c";
    QTest::newRow("87 returns false, options untouched") << Call([](Hid_Thread &h) {
        uchar x = 1, y = 2, z = 3;
        QVERIFY(!h.hid_87H_GetLEDInstructFunction(0, x, y, z));
        QCOMPARE(QList<int>({x, y, z}), QList<int>({1, 2, 3}));
    }) << "cmd Failed";
    QTest::newRow("553 11 traces before claiming")
        << Call([](Hid_Thread &h) { h.hid553_11H_SetDPISet(4, g_src); }) << "cmd Failed 11";
    QTest::newRow("553 07 lod") << Call([](Hid_Thread &h) { h.hid553_07H_Lod(1, 1); })
                                << "hid553_07H_Lod";
    QTest::newRow("handshake is not passed by an untouched challenge")
        << Call([](Hid_Thread &h) { QVERIFY(!h.chkDeviceIsEnCode(0)); }) << "cmd Failed 00";
}

void TestHidLink::busyInterface()
{
    QFETCH(Call, call);
    QFETCH(QString, line);

    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, vmtest::config(553, true)));
    hid.hidIdle = false;
    vmtest::MessageCapture messages;
    QElapsedTimer clock;
    clock.start();
    call(hid);
    const qint64 waited = clock.elapsed();

    QVERIFY2(waited >= 2000, qPrintable(QString::number(waited)));
    QVERIFY2(messages.captured().contains(line), qPrintable(messages.captured().join('|')));
    QVERIFY(kvm::wireLog().empty());
    QVERIFY(!hid.hidIdle); // the holder still owns the interface
    if (line == QLatin1String("cmd Failed 11")) {
        const QStringList got = messages.captured();
        QVERIFY(got.indexOf(QStringLiteral("hid553_11H_SetDPISet ,dpiStage =  4")) >= 0);
        QVERIFY(got.indexOf(QStringLiteral("hid553_11H_SetDPISet ,dpiStage =  4")) <
                got.indexOf(line));
    }
}

void TestHidLink::queryOutcome_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<Query>("call");
    QTest::addColumn<QString>("busyLine");
    QTest::addColumn<QList<int>>("preset");
    QTest::addColumn<QList<int>>("afterFailure"); // the preloaded reply
    QTest::addColumn<int>("outcome");

    const QList<int> one{7}, two{1, 6}, three{1, 2, 3}, four{1, 2, 3, 4};
    const QList<int> zeros{0, 0, 0, 0}, image{0x5A, 0x5A};
    const Query ledQuery = [](Hid_Thread &h, QList<int> &v) {
        uchar x = uchar(v[0]), y = uchar(v[1]), z = uchar(v[2]);
        const bool ok = h.hid_87H_GetLEDInstructFunction(0, x, y, z);
        v = {x, y, z};
        return ok;
    };
    const Query profileQuery = [](Hid_Thread &h, QList<int> &v) {
        std::array<uchar, 128> bytes;
        bytes.fill(uchar(v[0]));
        const bool ok = h.hid560_8CH_readProfile(bytes.data(), 1);
        v = {bytes.front(), bytes.back()};
        return ok;
    };
    struct Row {
        const char *name;
        int family;
        Query call;
        const char *busyLine;
        QList<int> preset;
        QList<int> afterFailure;
    };
    const Row rows[] = {
        {"00", 553, query(&Hid_Thread::hid553_00H_GetSecrecyCode), "cmd Failed 00", four, zeros},
        {"83", 553, query(&Hid_Thread::hid553_83H_GetKeyboardoption), "cmd Failed 83", four, four},
        {"8B", 553, query(&Hid_Thread::hid553_8BH_GetCurrentDPI), "cmd Failed 8BH", one, one},
        {"87", 553, ledQuery, "cmd Failed", three, three},
        {"81", 560, query(&Hid_Thread::hid560_81H_GetKeyboardoption), "cmd Failed 81", two, two},
        {"82", 560, query(&Hid_Thread::hid560_82H_GetCurrentProfile), "cmd Failed 82", one, one},
        {"84", 560, query(&Hid_Thread::hid560_84H_GetCurrentDPI), "cmd Failed 84", two, two},
        {"8C", 560, profileQuery, "cmd Failed 8c", image, image},
    };
    for (const Row &r : rows) {
        for (Outcome outcome : {Outcome::Answered, Outcome::Busy, Outcome::Failed}) {
            const char *how = outcome == Outcome::Answered ? "answered"
                              : outcome == Outcome::Busy   ? "busy"
                                                           : "failed";
            QTest::addRow("%s %s", r.name, how) << r.family << r.call << QString(r.busyLine)
                                                << r.preset << r.afterFailure << int(outcome);
        }
    }
}

void TestHidLink::queryOutcome()
{
    QFETCH(int, family);
    QFETCH(Query, call);
    QFETCH(QString, busyLine);
    QFETCH(QList<int>, preset);
    QFETCH(QList<int>, afterFailure);
    QFETCH(int, outcome);

    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, vmtest::config(family)));
    vmtest::MessageCapture messages;
    QList<int> values = preset;
    switch (Outcome(outcome)) {
    case Outcome::Answered:
        QVERIFY(call(hid, values));
        break;
    case Outcome::Busy: {
        // A query asked for while a transfer runs is refused at once.
        TransferGate::Scope transfer;
        QVERIFY(!call(hid, values));
        QCOMPARE(values, preset);
        QVERIFY(kvm::wireLog().empty());
        QVERIFY2(messages.captured().contains(busyLine), qPrintable(messages.captured().join('|')));
        break;
    }
    case Outcome::Failed: {
        kvm::Faults faults;
        faults.silent = true;
        kvm::setFaults(faults);
        QVERIFY(!call(hid, values));
        QCOMPARE(values, afterFailure);
        QVERIFY(!vmtest::entries("send_feature").empty());
        break;
    }
    }
    QVERIFY(hid.hidIdle);
}

void TestHidLink::unplugDuringQuery()
{
    kvm::Config config = vmtest::config(553);
    config.keyboardOptions = {9, 9, 9, 9};
    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, config));

    // open, close, open, send_feature, close: the open before the reply read fails.
    kvm::Faults faults;
    faults.unplugAfterCalls = 5;
    kvm::setFaults(faults);
    uchar b1 = 1, b2 = 2, b3 = 3, b4 = 4;
    hid.hid553_83H_GetKeyboardoption(b1, b2, b3, b4);

    QCOMPARE(int(vmtest::entries("send_feature").size()), 1);
    QCOMPARE(QList<int>({b1, b2, b3, b4}), QList<int>({1, 2, 3, 4}));
    QVERIFY(hid.currentEntry()->path.isEmpty());
    QVERIFY(hid.hidIdle);
    QVERIFY(!hid.hidHandle);

    // With no path the next command fails at once and touches nothing.
    kvm::plug();
    kvm::clearWireLog();
    QElapsedTimer clock;
    clock.start();
    hid.hid553_01H_SetReportRate(2);
    uchar stage = 6;
    hid.hid553_8BH_GetCurrentDPI(stage);
    QCOMPARE(int(stage), 6);
    QVERIFY(clock.elapsed() < 100);
    QVERIFY(kvm::wireLog().empty());
    QVERIFY(hid.hidIdle);
}

void TestHidLink::brokenDataPhasesKeepTheCallersBuffer()
{
    Hid_Thread hid;
    kvm::Config config = vmtest::config(560);
    config.profiles[1].fill(0x77);
    QVERIFY(vmtest::admit(hid, config));
    uchar image[128];

    // A device that stops one report short: the bounded read gives up.
    kvm::Faults faults;
    faults.dropInputReports = 1;
    kvm::setFaults(faults);
    std::fill(image, image + 128, uchar(0x11));
    QElapsedTimer clock;
    clock.start();
    hid.hid560_8CH_readProfile(image, 1);
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(std::all_of(image, image + 128, [](uchar b) { return b == 0x11; }));
    QVERIFY(hid.hidIdle);
    QVERIFY(!hid.hidHandle);

    // Unplugged after two of four reports: no half-new image.
    kvm::clearFaults();
    kvm::clearWireLog();
    faults = kvm::Faults();
    faults.unplugAfterCalls = 10;
    kvm::setFaults(faults);
    hid.hid560_8CH_readProfile(image, 1);
    QVERIFY(!vmtest::entries("read").empty());
    QVERIFY(std::all_of(image, image + 128, [](uchar b) { return b == 0x11; }));
    QVERIFY(hid.hidIdle);

    // A report length of 0 fails the data phase instead of looping.
    kvm::plug();
    QVERIFY(vmtest::admit(hid, config));
    hid.currentEntry()->reportLength = 0;
    hid.hid560_8CH_readProfile(image, 1);
    QVERIFY(std::all_of(image, image + 128, [](uchar b) { return b == 0x11; }));
    vmtest::MessageCapture messages;
    hid.hid560_0CH_setProfile(image, 1);
    QVERIFY(messages.captured().contains(QStringLiteral("HID FAIL")));
    QVERIFY(vmtest::entries("write").empty());
    QVERIFY(hid.hidIdle);
}

QTEST_GUILESS_MAIN(TestHidLink)
#include "tst_hidlink.moc"
