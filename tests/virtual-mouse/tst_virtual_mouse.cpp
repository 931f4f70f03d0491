// The virtual mouse against a host written here from the protocol's steps: frames,
// scrambling, strictness, data phases, notifications, unplugging and the files.
#include "tools/virtual-mouse/virtual_mouse.h"

#include <hidapi.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <thread>

using Bytes = std::vector<uint8_t>;

namespace {

Bytes hex(const QString &text)
{
    Bytes bytes;
    for (const QString &token : text.split(' ', Qt::SkipEmptyParts))
        bytes.push_back(static_cast<uint8_t>(token.toUInt(nullptr, 16)));
    return bytes;
}

QString hexText(const Bytes &bytes)
{
    QStringList tokens;
    for (uint8_t b : bytes)
        tokens << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return tokens.join(' ');
}

Bytes pattern(int length, int seed = 1)
{
    Bytes bytes(length);
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

// --- The host side, written from the protocol's steps ---------------------------

// Command frame: report ID 0, code, six parameters, complement of the sum of 1..7.
Bytes frame(std::initializer_list<uint8_t> codeAndParams)
{
    Bytes f(9, 0);
    int i = 1;
    for (uint8_t b : codeAndParams)
        f[i++] = b;
    unsigned sum = 0;
    for (int k = 1; k <= 7; ++k)
        sum += f[k];
    f[8] = static_cast<uint8_t>(~sum & 0xff);
    return f;
}

uint8_t swapNibbles(uint8_t b)
{
    return static_cast<uint8_t>((b << 4) | (b >> 4));
}
const char codeTable[] = "TaMiKeVo";

void hostScramble(uint8_t *b, const std::string &code)
{
    std::swap(b[0], b[5]);
    std::swap(b[1], b[4]);
    std::swap(b[2], b[7]);
    std::swap(b[3], b[6]);
    for (int i = 1; i <= 6; ++i)
        b[i] ^= static_cast<uint8_t>(code[i - 1]);
    const uint8_t first = b[0];
    for (int k = 0; k < 7; ++k)
        b[k] = static_cast<uint8_t>((b[k] << 3) | (b[k + 1] >> 5));
    b[7] = static_cast<uint8_t>((b[7] << 3) | (first >> 5));
    for (int j = 0; j < 8; ++j)
        b[j] = static_cast<uint8_t>(b[j] + swapNibbles(static_cast<uint8_t>(codeTable[j])));
}

void hostDecipher(uint8_t *b, const std::string &code)
{
    for (int j = 0; j < 8; ++j)
        b[j] = static_cast<uint8_t>(b[j] - swapNibbles(static_cast<uint8_t>(codeTable[j])));
    const uint8_t last = b[7];
    for (int k = 7; k > 0; --k)
        b[k] = static_cast<uint8_t>((b[k] >> 3) | (b[k - 1] << 5));
    b[0] = static_cast<uint8_t>((b[0] >> 3) | (last << 5));
    for (int i = 1; i <= 6; ++i)
        b[i] ^= static_cast<uint8_t>(code[i - 1]);
    std::swap(b[0], b[5]);
    std::swap(b[1], b[4]);
    std::swap(b[2], b[7]);
    std::swap(b[3], b[6]);
}

Bytes scrambled(Bytes f, const std::string &code)
{
    hostScramble(&f[1], code);
    return f;
}

struct Closer {
    void operator()(hid_device *dev) const { hid_close(dev); }
};
using Device = std::unique_ptr<hid_device, Closer>;

Device openCommand()
{
    return Device(hid_open_path(kvm::commandPath));
}
Device openNotify()
{
    return Device(hid_open_path(kvm::notifyPath));
}

int sendFeature(hid_device *dev, const Bytes &f)
{
    return hid_send_feature_report(dev, f.data(), f.size());
}

Bytes getFeature(hid_device *dev)
{
    Bytes reply(9, 0);
    const int count = hid_get_feature_report(dev, reply.data(), reply.size());
    reply.resize(count > 0 ? count : 0);
    return reply;
}

// Output data phase as the host sends it: pieces of min(n, reportLength) bytes in
// reports of reportLength + 1 bytes. Returns the number of reports written.
int writePhase(hid_device *dev, const Bytes &payload, int reportLength)
{
    const size_t chunk = std::min<size_t>(payload.size(), reportLength);
    int reports = 0;
    for (size_t from = 0; from < payload.size(); from += chunk, ++reports) {
        Bytes report(reportLength + 1, 0);
        std::copy(payload.begin() + from, payload.begin() + std::min(payload.size(), from + chunk),
                  report.begin() + 1);
        if (hid_write(dev, report.data(), report.size()) != static_cast<int>(report.size()))
            return -1;
    }
    return reports;
}

kvm::Config plainConfig(int family, int reportLength = 32)
{
    kvm::Config config = kvm::defaultConfig();
    config.family = family;
    config.encoded = false;
    config.reportLength = reportLength;
    return config;
}

QJsonObject stateObject()
{
    return QJsonDocument::fromJson(kvm::dumpJson().c_str()).object();
}

// The state a fault must not touch: everything but the counters.
QJsonObject memoryObject()
{
    QJsonObject state = stateObject();
    state.remove("errors");
    state.remove("commands");
    return state;
}

// "keyMatrix.0" looks into arrays.
QJsonValue stateValue(const QJsonObject &state, const QString &key)
{
    const QStringList parts = key.split('.');
    QJsonValue value = state.value(parts[0]);
    if (parts.size() > 1)
        value = value.toArray().at(parts[1].toInt());
    return value;
}

QString valueText(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString::number(value.toInt());
}

struct EnvGuard {
    ~EnvGuard()
    {
        for (const char *name :
             {"KESTA_VM_CONFIG", "KESTA_VM_STATE", "KESTA_VM_LOG", "KESTA_VM_CONTROL"})
            unsetenv(name);
        kvm::restart();
    }
};

QList<QJsonObject> logLines(const QString &path)
{
    QList<QJsonObject> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return {}; // every line must be one JSON object
        lines << document.object();
    }
    return lines;
}

std::atomic<int> changeCalls{0};
void countChange(void *)
{
    ++changeCalls;
}

} // namespace

class VirtualMouseTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { kvm::configure(kvm::defaultConfig()); }

    void checksumAndScrambling();
    void handshake_data();
    void handshake();
    void commandFrames_data();
    void commandFrames();
    void queryReplies_data();
    void queryReplies();
    void strictness_data();
    void strictness();
    void dataPhases_data();
    void dataPhases();
    void notifications();
    void unplugAndPlug();
    void faults();
    void controlFifo();
    void wireLogFile();
    void stateFileSurvivesRestart();
    void configFileErrors();
    void preloadedIntoAPlainProgram();
};

void VirtualMouseTest::checksumAndScrambling()
{
    const Bytes query = hex("8b 00 00 00 00 00 00");
    QCOMPARE(kvm::frameChecksum(query.data()), uint8_t(0x74));
    const Bytes lod = hex("07 00 02 7d 01 00 00");
    QCOMPARE(kvm::frameChecksum(lod.data()), uint8_t(0x78));

    // Query 8BH scrambled with the default code, worked out by hand from the steps.
    kvm::Block known = {0x8b, 0, 0, 0, 0, 0, 0, 0x74};
    kvm::scramble(known, "417306");
    QCOMPARE(hexText(Bytes(known.begin(), known.end())), QString("46 b8 fd 4f 51 2f 15 f6"));

    // The device's arithmetic agrees with the host's, and deciphering undoes it.
    auto *random = QRandomGenerator::global();
    for (int round = 0; round < 5000; ++round) {
        kvm::Block block;
        for (auto &b : block)
            b = static_cast<uint8_t>(random->bounded(256));
        std::string code;
        for (int i = 0; i < 6; ++i)
            code += static_cast<char>(random->bounded(0x20, 0x7f));
        kvm::Block host = block;
        hostScramble(host.data(), code);
        kvm::Block device = block;
        kvm::scramble(device, code);
        QCOMPARE(device, host);
        kvm::unscramble(device, code);
        QCOMPARE(device, block);
    }
}

void VirtualMouseTest::handshake_data()
{
    QTest::addColumn<bool>("encoded");
    QTest::addColumn<QString>("code");
    QTest::newRow("unscrambled device") << false << "417306";
    QTest::newRow("default code 417306") << true << "417306";
    QTest::newRow("code of letters") << true << "TmKvQz";
}

void VirtualMouseTest::handshake()
{
    QFETCH(bool, encoded);
    QFETCH(QString, code);
    kvm::Config config = kvm::defaultConfig();
    config.encoded = encoded;
    config.secrecyCode = code.toStdString();
    kvm::configure(config);

    const Bytes plain = frame({0x00, 0x5a, 0xa5, 0x01, 0xfe}); // challenge in bytes 2..5
    const Bytes wire = encoded ? scrambled(plain, config.secrecyCode) : plain;
    Device dev = openCommand();
    QVERIFY(dev);
    QCOMPARE(sendFeature(dev.get(), wire), 9);
    Bytes reply = getFeature(dev.get());
    QCOMPARE(reply.size(), size_t(9));
    QCOMPARE(reply[0], uint8_t(0));
    if (encoded)
        hostDecipher(&reply[1], config.secrecyCode);
    QCOMPARE(hexText({reply.begin() + 1, reply.begin() + 6}), QString("00 5a a5 01 fe"));
    QCOMPARE(reply[8], plain[8]);

    const auto log = kvm::wireLog();
    QCOMPARE(log.back().call, std::string("get_feature"));
    QCOMPARE(hexText(log.back().plain),
             hexText(Bytes{0, 0, 0x5a, 0xa5, 0x01, 0xfe, 0, 0, reply[8]}));
    QCOMPARE(hexText(log[log.size() - 2].plain), hexText(plain));
    QCOMPARE(kvm::state().errors, 0);
}

void VirtualMouseTest::commandFrames_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("frameBytes");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("expected"); // key=value;... of the state dump

    const QString zeros64 = hexText(Bytes(64, 0));
    QTest::newRow("553 07H Lod(2,1)") << 553 << "00 07 00 02 7D 01 00 00 78"
                                      << ""
                                      << "lodStage=2;lodEnable=1";
    QTest::newRow("560 09H Lod(2,0) sends stage 0") << 560 << "00 09 00 7D 00 00 00 00 79"
                                                    << ""
                                                    << "lodStage=0;lodEnable=0";
    QTest::newRow("560 09H Lod(2,1)") << 560 << "00 09 02 7D 00 00 00 00 77"
                                      << ""
                                      << "lodStage=2;lodEnable=1";
    QTest::newRow("553 10H type 2, 4-byte phase") << 553 << "00 10 02 04 00 00 00 00 E9"
                                                  << "21 43 65 87"
                                                  << "stageColors.2=21 43 65 87";
    QTest::newRow("553 10H type 1, 24 bytes")
        << 553 << "00 10 01 18 00 00 00 00 D6" << hexText(pattern(24))
        << "stageColors.1=" + hexText(pattern(24));
    QTest::newRow("553 12H layer 1, 64 bytes")
        << 553 << "00 12 01 40 08 00 00 00 A4" << hexText(pattern(64))
        << "keyMatrix.0=" + hexText(pattern(64)) + " " + zeros64;
    QTest::newRow("560 0DH layer 1, last 64 bytes zero")
        << 560 << "00 0D 01 80 00 00 00 00 71" << hexText(pattern(64)) + " " + zeros64
        << "keyMatrix.0=" + hexText(pattern(64)) + " " + zeros64;
    QTest::newRow("560 03H report rate 4") << 560 << "00 03 01 04 00 00 00 00 F7"
                                           << ""
                                           << "reportRate=4";
    QTest::newRow("553 11H DPI set, stage arg 8")
        << 553 << hexText(frame({0x11, 0x08, 0x08})) << "01 02 03 04 05 06 07 08"
        << "dpiCodes=01 02 03 04 05 06 07 08;dpiStageArg=8";
    QTest::newRow("553 13H macro 12, last slot")
        << 553 << hexText(frame({0x13, 0x0c, 0x80})) << hexText(pattern(128, 3))
        << "macros.11=" + hexText(pattern(128, 3));
    QTest::newRow("560 0CH profile 4, last image")
        << 560 << hexText(frame({0x0c, 0x04, 0x80})) << hexText(pattern(128, 5))
        << "profiles.4=" + hexText(pattern(128, 5));
    QTest::newRow("553 04H gun data slot 3")
        << 553 << hexText(frame({0x04, 0x00, 5, 10, 0xf6, 2})) << ""
        << "gunData.2=05 0a f6";
    QTest::newRow("553 03H options with bit 0x40")
        << 553 << hexText(frame({0x03, 1, 2, 3, 0x44})) << ""
        << "keyboardOptions=01 02 03 44";
    QTest::newRow("560 01H options") << 560 << hexText(frame({0x01, 0x08, 0x01})) << ""
                                     << "keyboardOptions=08 01 00 00";
    QTest::newRow("553 16H attribute record")
        << 553 << hexText(frame({0x16, 0x00, 0x40})) << hexText(pattern(64, 0x32))
        << "attribute=" + hexText(pattern(64, 0x32));
    QTest::newRow("553 0CH fixed colour") << 553 << hexText(frame({0x0c, 0xff, 0x80, 0x01})) << ""
                                          << "fixedColor=ff 80 01";
}

void VirtualMouseTest::commandFrames()
{
    QFETCH(int, family);
    QFETCH(QString, frameBytes);
    QFETCH(QString, payload);
    QFETCH(QString, expected);
    kvm::configure(plainConfig(family));
    Device dev = openCommand();
    QCOMPARE(sendFeature(dev.get(), hex(frameBytes)), 9);
    if (!payload.isEmpty())
        QVERIFY(writePhase(dev.get(), hex(payload), 32) > 0);

    QCOMPARE(kvm::errorLog(), std::vector<std::string>{});
    QCOMPARE(kvm::state().commands, 1);
    const QJsonObject state = stateObject();
    for (const QString &pair : expected.split(';')) {
        const QString key = pair.section('=', 0, 0);
        QCOMPARE(valueText(stateValue(state, key)), pair.section('=', 1));
    }
}

void VirtualMouseTest::queryReplies_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reply"); // bytes 1..7; the test adds the checksum

    QTest::newRow("553 8BH current stage") << 553 << "00 8B 00 00 00 00 00 00 74"
                                           << "8b 03 00 00 00 00 00";
    QTest::newRow("560 84H echoes byte 2, stage in 3") << 560 << "00 84 01 00 00 00 00 00 7A"
                                                       << "84 01 03 00 00 00 00";
    QTest::newRow("553 83H four option bytes")
        << 553 << hexText(frame({0x83})) << "83 01 02 03 04 00 00";
    QTest::newRow("560 81H two option bytes")
        << 560 << hexText(frame({0x81})) << "81 01 02 00 00 00 00";
    QTest::newRow("560 82H current profile")
        << 560 << hexText(frame({0x82})) << "82 02 00 00 00 00 00";
    QTest::newRow("87H LED instruct, 553")
        << 553 << hexText(frame({0x87, 0x00})) << "87 00 00 05 06 00 00";
    QTest::newRow("87H LED instruct, 560")
        << 560 << hexText(frame({0x87, 0x00})) << "87 00 00 05 06 00 00";
}

void VirtualMouseTest::queryReplies()
{
    QFETCH(int, family);
    QFETCH(QString, query);
    QFETCH(QString, reply);
    kvm::Config config = plainConfig(family);
    config.keyboardOptions = {1, 2, 3, 4};
    config.ledInstruct = {0, 5, 6};
    kvm::configure(config);
    kvm::pressDpiButton(3);
    Device dev = openCommand();
    if (family == 560) // current profile 2
        QCOMPARE(sendFeature(dev.get(), frame({0x02, 0x02})), 9);

    QCOMPARE(sendFeature(dev.get(), hex(query)), 9);
    Bytes expected = hex("00 " + reply);
    expected.push_back(frame({expected[1], expected[2], expected[3], expected[4], expected[5],
                              expected[6], expected[7]})[8]);
    QCOMPARE(hexText(getFeature(dev.get())), hexText(expected));

    // A read nobody asked for repeats the last reply and says so, without counting a fault.
    QCOMPARE(hexText(getFeature(dev.get())), hexText(expected));
    QCOMPARE(kvm::wireLog().back().verdict,
             std::string("no reply prepared: the last one is repeated"));
    QCOMPARE(kvm::state().errors, 0);
}

void VirtualMouseTest::strictness_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("encoded");
    QTest::addColumn<QStringList>("steps"); // "F bytes" feature report, "W bytes" output report
    QTest::addColumn<QString>("error");

    const QString lod = "F 00 07 00 02 7D 01 00 00 78";
    const QString report33 = "W " + hexText(Bytes(33, 0));
    QTest::newRow("checksum off by one")
        << 553 << false << QStringList{"F 00 07 00 02 7D 01 00 00 79"}
        << "checksum 0x79, expected 0x78";
    QTest::newRow("553 does not know 05H")
        << 553 << false << QStringList{"F " + hexText(frame({0x05, 1}))}
        << "unknown command 05H for family 553";
    QTest::newRow("560 does not know 0BH")
        << 560 << false << QStringList{"F " + hexText(frame({0x0b, 2}))}
        << "unknown command 0BH for family 560";
    QTest::newRow("553 does not know 8CH")
        << 553 << false << QStringList{"F " + hexText(frame({0x8c, 1}))}
        << "unknown command 8CH for family 553";
    QTest::newRow("frame scrambled with another code")
        << 553 << true
        << QStringList{"F " + hexText(scrambled(frame({0x07, 0x00, 0x02, 0x7d, 0x01}), "123456"))}
        << "checksum";
    QTest::newRow("output report nobody announced")
        << 553 << false << QStringList{report33} << "output report that no command announced";
    QTest::newRow("12H announcing 32 bytes")
        << 553 << false << QStringList{"F " + hexText(frame({0x12, 1, 0x20, 0x08})), report33}
        << "data phase announced as 32 bytes, expected 64";
    QTest::newRow("12H without its 0x08")
        << 553 << false
        << QStringList{"F " + hexText(frame({0x12, 1, 0x40, 0x00})), report33, report33}
        << "byte 4 of command 12H is 0x00, expected 0x08";
    QTest::newRow("07H without its 0x7D")
        << 553 << false << QStringList{"F " + hexText(frame({0x07, 0, 2, 0x7c, 1}))}
        << "byte 4 of command 07H is 0x7c, expected 0x7d";
    QTest::newRow("560 09H without its 0x7D")
        << 560 << false << QStringList{"F " + hexText(frame({0x09, 2, 0x00}))} << "expected 0x7d";
    QTest::newRow("560 03H without its 0x01")
        << 560 << false << QStringList{"F " + hexText(frame({0x03, 0x00, 4}))}
        << "byte 2 of command 03H is 0x00, expected 0x01";
    QTest::newRow("unused byte 7 set")
        << 553 << false << QStringList{"F " + hexText(frame({0x8b, 0, 0, 0, 0, 0, 1}))}
        << "byte 7 of command 8BH is 0x01, expected 0x00";
    QTest::newRow("macro 13, one past the last")
        << 553 << false
        << QStringList{"F " + hexText(frame({0x13, 13, 0x80})), report33, report33, report33,
                       report33}
        << "macro 13 out of range 1..12";
    QTest::newRow("macro 0, one before the first")
        << 560 << false << QStringList{"F " + hexText(frame({0x0f, 0, 0x80}))}
        << "macro 0 out of range 1..12";
    QTest::newRow("output report of 32 bytes")
        << 553 << false
        << QStringList{"F " + hexText(frame({0x11, 1, 0x08})), "W " + hexText(Bytes(32, 0))}
        << "output report of 32 bytes, expected 33";
    QTest::newRow("padding past the piece not cleared")
        << 553 << false
        << QStringList{"F " + hexText(frame({0x11, 1, 0x08})),
                       "W " + hexText(Bytes(20, 0)) + " aa " + hexText(Bytes(12, 0))}
        << "output report byte 20 is 0xaa past the 8-byte piece";
    QTest::newRow("phase cut short by the next frame")
        << 553 << false << QStringList{"F " + hexText(frame({0x12, 1, 0x40, 0x08})), report33, lod}
        << "data phase of 12H cut short after 1 of 2 reports";
    QTest::newRow("feature report of 8 bytes")
        << 553 << false << QStringList{"F 00 8B 00 00 00 00 00 00"} << "feature report of 8 bytes";
}

void VirtualMouseTest::strictness()
{
    QFETCH(int, family);
    QFETCH(bool, encoded);
    QFETCH(QStringList, steps);
    QFETCH(QString, error);
    kvm::Config config = plainConfig(family);
    config.encoded = encoded;
    kvm::configure(config);
    const QJsonObject before = memoryObject();

    Device dev = openCommand();
    int accepted = 0;
    for (const QString &step : steps) {
        const Bytes bytes = hex(step.mid(2));
        const int result = step.startsWith('F') ? sendFeature(dev.get(), bytes)
                                                : hid_write(dev.get(), bytes.data(), bytes.size());
        accepted += result == int(bytes.size());
    }
    QVERIFY(accepted >= int(steps.size()) - 1); // only a malformed frame stalls the pipe

    const auto errors = kvm::errorLog();
    QCOMPARE(errors.size(), size_t(1));
    QVERIFY2(QString::fromStdString(errors[0]).contains(error), errors[0].c_str());
    QCOMPARE(kvm::state().errors, 1);
    const bool lodLast = steps.last().startsWith("F 00 07");
    if (!lodLast)
        QCOMPARE(memoryObject(), before);
    else
        QCOMPARE(memoryObject()["keyMatrix"], before["keyMatrix"]);
    bool flagged = false;
    for (const auto &entry : kvm::wireLog())
        flagged |= entry.verdict.find(errors[0]) != std::string::npos;
    QVERIFY(flagged);
}

void VirtualMouseTest::dataPhases_data()
{
    QTest::addColumn<int>("reportLength");
    QTest::addColumn<int>("reports"); // per 128-byte phase
    QTest::newRow("report length 32") << 32 << 4;
    QTest::newRow("report length 64") << 64 << 2;
}

void VirtualMouseTest::dataPhases()
{
    QFETCH(int, reportLength);
    QFETCH(int, reports);
    kvm::configure(plainConfig(560, reportLength));
    Device dev = openCommand();
    const Bytes image = pattern(128, 9);

    // Out: the image is taken when its last report arrives, not before.
    QCOMPARE(sendFeature(dev.get(), frame({0x0c, 0x02, 0x80})), 9);
    Bytes first(reportLength + 1, 0);
    std::copy(image.begin(), image.begin() + reportLength, first.begin() + 1);
    QCOMPARE(hid_write(dev.get(), first.data(), first.size()), reportLength + 1);
    QCOMPARE(kvm::state().profiles[2], kvm::Image{});
    QCOMPARE(writePhase(dev.get(), Bytes(image.begin() + reportLength, image.end()), reportLength),
             reports - 1);
    const kvm::Image stored = kvm::state().profiles[2];
    QCOMPARE(hexText(Bytes(stored.begin(), stored.end())), hexText(image));

    // In: 8CH queues the image as input reports after the reply frame.
    QCOMPARE(sendFeature(dev.get(), frame({0x8c, 0x02})), 9);
    QCOMPARE(getFeature(dev.get())[1], uint8_t(0x8c));
    Bytes read;
    for (int k = 0; k < reports; ++k) {
        Device again = openCommand(); // the host reopens before every call
        Bytes buffer(reportLength + 1, 0xee);
        QCOMPARE(hid_read(again.get(), buffer.data(), buffer.size()), reportLength);
        read.insert(read.end(), buffer.begin(), buffer.begin() + reportLength);
    }
    QCOMPARE(hexText(read), hexText(image));
    Bytes extra(reportLength + 1);
    QCOMPARE(hid_read_timeout(dev.get(), extra.data(), extra.size(), 0), 0);

    // A short 8-byte phase at either length is a single report.
    kvm::configure(plainConfig(553, reportLength));
    dev = openCommand();
    QCOMPARE(sendFeature(dev.get(), frame({0x11, 0x08, 0x08})), 9);
    QCOMPARE(writePhase(dev.get(), pattern(8), reportLength), 1);
    QCOMPARE(kvm::state().dpiCodes[7], pattern(8)[7]);
    QCOMPARE(kvm::state().errors, 0);

    // A device that drops a report leaves the host's blocking read waiting.
    kvm::configure(plainConfig(560, reportLength));
    kvm::setFaults({false, 1, -1});
    dev = openCommand();
    QCOMPARE(sendFeature(dev.get(), frame({0x8c, 0x00})), 9);
    getFeature(dev.get());
    Bytes buffer(reportLength + 1);
    for (int k = 0; k < reports - 1; ++k)
        QCOMPARE(hid_read_timeout(dev.get(), buffer.data(), buffer.size(), 0), reportLength);
    QCOMPARE(hid_read_timeout(dev.get(), buffer.data(), buffer.size(), 30), 0);
}

void VirtualMouseTest::notifications()
{
    Device notify = openNotify();
    QVERIFY(notify);
    unsigned char report[4] = {0};
    QCOMPARE(hid_read_timeout(notify.get(), report, sizeof report, 20), 0);
    QCOMPARE(kvm::wireLog().back().verdict, std::string("timeout"));

    // A blocked listener wakes for the button.
    int got = 0;
    std::thread listener([&] { got = hid_read_timeout(notify.get(), report, sizeof report, -1); });
    QTest::qWait(50);
    kvm::pressDpiButton(3);
    listener.join();
    QCOMPARE(got, 4);
    QCOMPARE(hexText(Bytes(report, report + 4)), QString("06 07 00 03"));
    QCOMPARE(kvm::state().currentDpi, uint8_t(3));

    kvm::queueNotification({0x06, 0x08, 0x00, 0x02});
    QCOMPARE(hid_read(notify.get(), report, sizeof report), 4);
    QCOMPARE(report[1], uint8_t(0x08));

    // The listener cycles on its handle while commands go out on the other one.
    std::atomic<bool> stop{false};
    std::atomic<int> cycles{0};
    std::thread cycling([&] {
        unsigned char r[4];
        while (!stop && hid_read_timeout(notify.get(), r, sizeof r, 5) >= 0)
            ++cycles;
    });
    kvm::configure(plainConfig(553));
    for (int i = 0; i < 200; ++i) {
        Device command = openCommand();
        QCOMPARE(sendFeature(command.get(), frame({0x0b, uint8_t(1 + i % 8)})), 9);
    }
    const int before = cycles;
    QTRY_VERIFY(cycles > before + 2);
    stop = true;
    cycling.join();
    QCOMPARE(kvm::state().commands, 200);

    // Without a notification interface there is nothing to open or to press into.
    kvm::Config config = kvm::defaultConfig();
    config.notifyInterface = false;
    kvm::configure(config);
    hid_device_info *list = hid_enumerate(0, 0);
    QVERIFY(list && !list->next);
    QCOMPARE(list->usage_page, uint16_t(0xff00));
    hid_free_enumeration(list);
    QVERIFY(!openNotify());
}

void VirtualMouseTest::unplugAndPlug()
{
    changeCalls = 0;
    kesta_vm_set_change_callback(countChange, nullptr);
    kvm::configure(plainConfig(553));
    Device command = openCommand();
    Device notify = openNotify();
    QVERIFY(command && notify);

    unsigned char report[4];
    int got = 0;
    std::thread listener([&] { got = hid_read_timeout(notify.get(), report, sizeof report, -1); });
    QTest::qWait(50);
    kvm::unplug();
    listener.join();
    QCOMPARE(got, -1);
    QCOMPARE(changeCalls.load(), 1);
    QCOMPARE(kvm::state().plugged, false);

    QVERIFY(!hid_enumerate(0, 0));
    QVERIFY(!hid_enumerate(0x04d9, 0xa09f));
    QVERIFY(!openCommand());
    QVERIFY(QString::fromWCharArray(hid_error(nullptr)).contains("No such file or directory"));
    QCOMPARE(kvm::wireLog().back().iface, std::string("command"));
    QCOMPARE(kvm::wireLog().back().result, -1);
    QCOMPARE(sendFeature(command.get(), frame({0x8b})), -1);
    QCOMPARE(QString::fromWCharArray(hid_error(command.get())), "ioctl (SFEATURE): No such device");
    const Bytes report33(33, 0);
    QCOMPARE(hid_write(command.get(), report33.data(), report33.size()), -1);
    kvm::pressDpiButton(2); // nothing to press on an unplugged mouse
    QCOMPARE(kvm::state().currentDpi, uint8_t(1));

    kvm::plug();
    QCOMPARE(changeCalls.load(), 2);
    hid_device_info *list = hid_enumerate(0x04d9, 0);
    QVERIFY(list && list->next && !list->next->next);
    hid_free_enumeration(list);
    // Handles from before the unplug stay dead, as a removed device node.
    QCOMPARE(hid_read_timeout(notify.get(), report, sizeof report, 0), -1);
    Device fresh = openCommand();
    QCOMPARE(sendFeature(fresh.get(), frame({0x8b})), 9);
    QCOMPARE(getFeature(fresh.get()).size(), size_t(9));
    QCOMPARE(QString::fromWCharArray(hid_error(fresh.get())), "Success");
    kesta_vm_set_change_callback(nullptr, nullptr);
}

void VirtualMouseTest::faults()
{
    kvm::configure(plainConfig(553));
    Device dev = openCommand();
    kvm::setFaults({true, 0, -1});
    QCOMPARE(sendFeature(dev.get(), frame({0x8b})), 9);
    QCOMPARE(getFeature(dev.get()).size(), size_t(0));
    kvm::clearFaults();
    QCOMPARE(getFeature(dev.get()).size(), size_t(9)); // the reply was never taken

    changeCalls = 0;
    kesta_vm_set_change_callback(countChange, nullptr);
    kvm::setFaults({false, 0, 2});
    QCOMPARE(sendFeature(dev.get(), frame({0x8b})), 9);
    QCOMPARE(getFeature(dev.get()).size(), size_t(9));
    QCOMPARE(changeCalls.load(), 0);
    QCOMPARE(sendFeature(dev.get(), frame({0x8b})), -1);
    QCOMPARE(changeCalls.load(), 1);
    QVERIFY(!kvm::state().plugged);
    kesta_vm_set_change_callback(nullptr, nullptr);
}

void VirtualMouseTest::controlFifo()
{
    EnvGuard env;
    QTemporaryDir dir;
    const QString fifo = dir.filePath("control");
    const QString log = dir.filePath("wire.log");
    setenv("KESTA_VM_CONTROL", fifo.toLocal8Bit().constData(), 1);
    setenv("KESTA_VM_LOG", log.toLocal8Bit().constData(), 1);
    kvm::restart();
    struct stat info {
    };
    QCOMPARE(stat(fifo.toLocal8Bit().constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));

    changeCalls = 0;
    kesta_vm_set_change_callback(countChange, nullptr);
    auto say = [&fifo](const QByteArray &lines) {
        QFile file(fifo); // each writer opens and closes, as `echo ... >` does
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(lines), lines.size());
    };
    say("dpi 2\n");
    QTRY_COMPARE(kvm::state().currentDpi, uint8_t(2));
    Device notify = openNotify();
    unsigned char report[4];
    QCOMPARE(hid_read_timeout(notify.get(), report, sizeof report, 1000), 4);
    QCOMPARE(report[3], uint8_t(2));

    say("no such line\ndpi x\nunplug\n");
    QTRY_COMPARE(kvm::state().plugged, false);
    QCOMPARE(changeCalls.load(), 1);
    say("plug\n");
    QTRY_COMPARE(kvm::state().plugged, true);
    QCOMPARE(changeCalls.load(), 2);
    say("dump\n");
    QJsonObject dumped;
    QTRY_VERIFY(!logLines(log).isEmpty() &&
                (dumped = logLines(log).last())["call"].toString() == "dump");
    QCOMPARE(dumped["state"].toObject()["currentDpi"].toInt(), 2);
    kesta_vm_set_change_callback(nullptr, nullptr);

    // A path that is a plain file is left alone.
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(!kvm::startControl(plain.fileName().toStdString()));
    QCOMPARE(plain.size(), qint64(0));
}

void VirtualMouseTest::wireLogFile()
{
    EnvGuard env;
    QTemporaryDir dir;
    const QString log = dir.filePath("wire.log");
    setenv("KESTA_VM_LOG", log.toLocal8Bit().constData(), 1);
    kvm::restart(); // the default device: scrambled with 417306

    hid_free_enumeration(hid_enumerate(0, 0));
    Device dev = openCommand();
    const Bytes plain = frame({0x8b});
    const Bytes wire = scrambled(plain, "417306");
    QCOMPARE(sendFeature(dev.get(), wire), 9);
    getFeature(dev.get());
    const Bytes report(33, 0);
    hid_write(dev.get(), report.data(), report.size()); // unannounced
    dev.reset();

    const QList<QJsonObject> lines = logLines(log);
    QCOMPARE(lines.size(), int(kvm::wireLog().size()));
    QCOMPARE(lines.size(), 6);
    const QStringList calls = {"enumerate",   "open",  "send_feature",
                               "get_feature", "write", "close"};
    const QRegularExpression hexRun("^([0-9a-f]{2}( [0-9a-f]{2})*)?$");
    double last = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonObject &line = lines[i];
        QCOMPARE(QStringList(line.keys()),
                 QStringList({"bytes", "call", "iface", "plain", "result", "t", "verdict"}));
        QCOMPARE(line["call"].toString(), calls[i]);
        QVERIFY(hexRun.match(line["bytes"].toString()).hasMatch());
        QVERIFY(line["t"].toDouble() >= last);
        last = line["t"].toDouble();
    }
    QCOMPARE(lines[0]["result"].toInt(), 2);
    QCOMPARE(lines[1]["iface"].toString(), "command");
    QCOMPARE(lines[2]["bytes"].toString(), hexText(wire));
    QCOMPARE(lines[2]["plain"].toString(), hexText(plain));
    QCOMPARE(lines[2]["result"].toInt(), 9);
    QCOMPARE(lines[3]["plain"].toString().left(8), "00 8b 01");
    QCOMPARE(lines[3]["verdict"].toString(), "ok");
    QCOMPARE(lines[4]["verdict"].toString(), "output report that no command announced");
    QCOMPARE(lines[4]["bytes"].toString(), hexText(report));
}

void VirtualMouseTest::stateFileSurvivesRestart()
{
    EnvGuard env;
    QTemporaryDir dir;
    const QString configPath = dir.filePath("mouse.ini");
    const QString statePath = dir.filePath("mouse.state");
    QFile config(configPath);
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("# a 560 mouse\n[mouse]\nvid = 1234\npid = 0x0042\nfamily = 560\n"
                 "encoded = false\nreportLength = 64\nkeyboardOptions = 08 01\n"
                 "profile1 = " +
                 hexText(pattern(128, 2)).toLatin1() + "\n");
    config.close();
    setenv("KESTA_VM_CONFIG", configPath.toLocal8Bit().constData(), 1);
    setenv("KESTA_VM_STATE", statePath.toLocal8Bit().constData(), 1);
    kvm::restart();

    QCOMPARE(kvm::state().family, 560);
    QCOMPARE(kvm::state().reportLength, 64);
    QCOMPARE(kvm::state().keyboardOptions[0], uint8_t(0x08));
    hid_device_info *list = hid_enumerate(0x1234, 0x0042);
    QVERIFY(list);
    hid_free_enumeration(list);
    QVERIFY(!hid_enumerate(0x04d9, 0xa09f));

    Device dev = openCommand();
    QCOMPARE(sendFeature(dev.get(), frame({0x0c, 0x03, 0x80})), 9);
    QCOMPARE(writePhase(dev.get(), pattern(128, 7), 64), 2);
    QCOMPARE(sendFeature(dev.get(), frame({0x02, 0x03})), 9);
    QCOMPARE(sendFeature(dev.get(), frame({0x0f, 0x05, 0x80})), 9);
    QCOMPARE(writePhase(dev.get(), pattern(128, 11), 64), 2);
    dev.reset();
    const QJsonObject before = memoryObject();

    kvm::restart(); // as a new process would start
    QCOMPARE(memoryObject(), before);
    QCOMPARE(kvm::state().profiles[3][5], pattern(128, 7)[5]);
    QCOMPARE(kvm::state().currentProfile, uint8_t(3));
    QCOMPARE(kvm::state().profiles[1][127], pattern(128, 2)[127]);
    QCOMPARE(kvm::state().errors, 0);

    // A damaged line costs that line only.
    QFile state(statePath);
    QVERIFY(state.open(QIODevice::Append));
    state.write("profile3 = zz\n");
    state.close();
    kvm::restart();
    QCOMPARE(memoryObject(), before);
}

void VirtualMouseTest::configFileErrors()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("bad.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("family = 554\nsecrecyCode = 12345\nreportLength = 48\nvid = xyz\n"
               "profile0 = 00 11 zz\nledInstruct = 01 02 03 04\ncolour = red\nencoded = maybe\n"
               "usage2 = ff02\npid=a0a0\n");
    file.close();
    kvm::Config config = kvm::defaultConfig();
    std::string errors;
    QVERIFY(kvm::loadConfigFile(file.fileName().toStdString(), config, &errors));
    QCOMPARE(QString::fromStdString(errors).count('\n'), 8);
    QVERIFY(QString::fromStdString(errors).startsWith("line 1: family"));
    const kvm::Config defaults = kvm::defaultConfig();
    QCOMPARE(config.family, defaults.family);
    QCOMPARE(config.secrecyCode, defaults.secrecyCode);
    QCOMPARE(config.reportLength, defaults.reportLength);
    QCOMPARE(config.vid, defaults.vid);
    QCOMPARE(config.profiles[0], defaults.profiles[0]);
    QCOMPARE(config.encoded, defaults.encoded);
    QCOMPARE(config.usage2, uint16_t(0xff02));
    QCOMPARE(config.pid, uint16_t(0xa0a0));

    QVERIFY(!kvm::loadConfigFile(dir.filePath("missing.ini").toStdString(), config, &errors));
}

void VirtualMouseTest::preloadedIntoAPlainProgram()
{
    const QString binDir = qEnvironmentVariable(
        "KESTA_BIN_DIR", QCoreApplication::applicationDirPath() + "/../../bin");
    const QString library = binDir + "/libkesta-virtual-mouse.so";
    const QString probe = QCoreApplication::applicationDirPath() + "/vm_preload_probe";
    if (!QFile::exists(library) || !QFile::exists(probe))
        QSKIP("library or probe not built");
    QTemporaryDir dir;
    QFile config(dir.filePath("plain.ini"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("encoded = false\n");
    config.close();

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_PRELOAD", library);
    environment.insert("KESTA_VM_CONFIG", config.fileName());
    environment.insert("KESTA_VM_CONTROL", dir.filePath("control"));
    environment.insert("KESTA_VM_LOG", dir.filePath("wire.log"));
    process.setProcessEnvironment(environment);
    // Under a wrapper that inherits LD_PRELOAD too: the wrapper makes no hidapi call,
    // so the FIFO is served by the probe.
    process.start("timeout", {"60", probe});
    QVERIFY(process.waitForStarted());
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += process.readAllStandardOutput()).contains("ready"), 10000);
    QFile control(dir.filePath("control"));
    QVERIFY(control.open(QIODevice::WriteOnly));
    control.write("dpi 5\n");
    control.close();
    QVERIFY(process.waitForFinished(20000));
    output += process.readAllStandardOutput();

    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(output.contains("interfaces 2\n"), output.constData());
    QVERIFY2(output.contains("sent 9 got 9\n"), output.constData());
    QVERIFY2(output.contains("reply 00 8b 01 00 00 00 00 00 73\n"), output.constData());
    QVERIFY2(output.contains("notify 06 07 00 05\n"), output.constData());
    QVERIFY(logLines(dir.filePath("wire.log")).size() >= 8);
}

QTEST_GUILESS_MAIN(VirtualMouseTest)
#include "tst_virtual_mouse.moc"
