// Checksum, scrambling and report splitting of the command link.
#include "device/hidcodec.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using HidCodec::uchar;
using Block = std::array<uchar, 8>;

Q_DECLARE_METATYPE(Block)

namespace {

// Code array as the link holds it: position 0 unused, then the six characters.
Block codeOf(const char *six)
{
    Block code{};
    for (int i = 0; i < 6; ++i)
        code[i + 1] = uchar(six[i]);
    return code;
}

Block randomBlock(QRandomGenerator &rng)
{
    Block b;
    for (uchar &x : b)
        x = uchar(rng.bounded(256));
    return b;
}

} // namespace

class TestHidCodec : public QObject
{
    Q_OBJECT
private slots:
    void checksumWrapsAndComplements();
    void encryptKnownAnswers_data();
    void encryptKnownAnswers();
    void decipherUndoesEncrypt();
    void outerBytesNeverMeetTheCode();
    void reportSplit_data();
    void reportSplit();
};

void TestHidCodec::checksumWrapsAndComplements()
{
    const auto query = HidCodec::buildFrame(0x8B);
    const HidCodec::Frame expected{0x00, 0x8B, 0, 0, 0, 0, 0, 0, 0x74};
    QCOMPARE(query, expected);

    // The sum passes 255 and only its low byte counts.
    const auto lod = HidCodec::buildFrame(0x12, {0x01, 0x40, 0x08, 0, 0, 0});
    QCOMPARE(lod[8], uchar(0xA4));
    const uchar full[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    QCOMPARE(HidCodec::checksum(full), uchar(0x06));
}

void TestHidCodec::encryptKnownAnswers_data()
{
    QTest::addColumn<Block>("plain");
    QTest::addColumn<Block>("code");
    QTest::addColumn<Block>("scrambled");

    // Worked out by hand from the four steps, independently of this code.
    QTest::newRow("query 8B, shipped code")
        << Block{0x8B, 0, 0, 0, 0, 0, 0, 0x74} << codeOf("417306")
        << Block{0x46, 0xB8, 0xFD, 0x4F, 0x51, 0x2F, 0x15, 0xF6};
    QTest::newRow("handshake frame, shipped code")
        << Block{0x00, 0x12, 0x34, 0x56, 0x78, 0, 0, 0xEB} << codeOf("417306")
        << Block{0x47, 0x7C, 0xA5, 0x4F, 0xBD, 0xD9, 0x66, 0x96};
    QTest::newRow("zero code leaves only swap, rotation and table")
        << Block{1, 2, 3, 4, 5, 6, 7, 8} << Block{}
        << Block{0x75, 0x3E, 0x14, 0xCE, 0xC4, 0x5E, 0x85, 0x0E};
}

void TestHidCodec::encryptKnownAnswers()
{
    QFETCH(Block, plain);
    QFETCH(Block, code);
    QFETCH(Block, scrambled);
    Block b = plain;
    HidCodec::encrypt(b.data(), code.data());
    QCOMPARE(b, scrambled);
    HidCodec::decipher(b.data(), code.data());
    QCOMPARE(b, plain);
}

void TestHidCodec::decipherUndoesEncrypt()
{
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 5000; ++round) {
        const Block plain = randomBlock(rng);
        const Block code = randomBlock(rng);
        Block b = plain;
        HidCodec::encrypt(b.data(), code.data());
        HidCodec::decipher(b.data(), code.data());
        if (b != plain)
            QFAIL(qPrintable(QStringLiteral("round %1 not restored").arg(round)));
    }
}

void TestHidCodec::outerBytesNeverMeetTheCode()
{
    // Undo the table and the rotation by hand: what remains is the swapped,
    // code-mixed block, whose ends hold input bytes 5 and 2 untouched.
    const uchar table[8] = {'T', 'a', 'M', 'i', 'K', 'e', 'V', 'o'};
    QRandomGenerator rng(7);
    for (int round = 0; round < 500; ++round) {
        const Block plain = randomBlock(rng);
        Block code = randomBlock(rng);
        Block b = plain;
        HidCodec::encrypt(b.data(), code.data());
        quint64 n = 0;
        for (int j = 0; j < 8; ++j)
            n = (n << 8) | uchar(b[j] - uchar((table[j] << 4) | (table[j] >> 4)));
        n = (n >> 3) | (n << 61);
        QCOMPARE(uchar(n >> 56), plain[5]);
        QCOMPARE(uchar(n & 0xFF), plain[2]);

        // Positions 0 and 7 of the code array play no part.
        Block other = code;
        other[0] ^= 0xFF;
        other[7] ^= 0x5A;
        Block c = plain;
        HidCodec::encrypt(c.data(), other.data());
        Block d = plain;
        HidCodec::encrypt(d.data(), code.data());
        QCOMPARE(c, d);
    }
}

void TestHidCodec::reportSplit_data()
{
    QTest::addColumn<int>("payload");
    QTest::addColumn<int>("reportLength");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("lastPiece");

    QTest::newRow("128 at 32: four full reports") << 128 << 32 << 4 << 32;
    QTest::newRow("128 at 64: two full reports") << 128 << 64 << 2 << 64;
    QTest::newRow("8 at 32: one report, rest zeros") << 8 << 32 << 1 << 8;
    QTest::newRow("4 at 64: one report") << 4 << 64 << 1 << 4;
    QTest::newRow("40 at 32: remainder then zeros") << 40 << 32 << 2 << 8;
    QTest::newRow("nothing to send") << 0 << 32 << 0 << 0;
    QTest::newRow("report length 0 carries nothing") << 64 << 0 << 0 << 0;
}

void TestHidCodec::reportSplit()
{
    QFETCH(int, payload);
    QFETCH(int, reportLength);
    QFETCH(int, reports);
    QFETCH(int, lastPiece);

    std::vector<uchar> data(std::size_t(std::max(payload, 1)));
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = uchar(i + 1);
    QCOMPARE(HidCodec::reportCount(payload, reportLength), reports);

    std::vector<uchar> joined;
    for (int i = 0; i < reports; ++i) {
        const auto report = HidCodec::outputReport(data.data(), payload, reportLength, i);
        QCOMPARE(int(report.size()), reportLength + 1);
        QCOMPARE(report[0], uchar(0x00));
        const int piece = i == reports - 1 ? lastPiece : reportLength;
        joined.insert(joined.end(), report.begin() + 1, report.begin() + 1 + piece);
        QVERIFY(
            std::all_of(report.begin() + 1 + piece, report.end(), [](uchar b) { return b == 0; }));
    }
    if (reports > 0)
        QVERIFY(std::equal(joined.begin(), joined.end(), data.begin(), data.begin() + payload));
}

QTEST_APPLESS_MAIN(TestHidCodec)
#include "tst_hidcodec.moc"
