// Every decision that depends on the command family, run for both families
// through the family table against the virtual mouse: each must send its own
// family's commands, so a decision taken anywhere else shows up here as a
// 553 row that sends 560 commands or the other way round.
#include "mouserig.h"

#include "devicesettings/commandfamily.h"
#include "devicesettings/devicecoding.h"

#include <QTest>

#include <functional>
#include <map>

using namespace DeviceCoding;

namespace {

using Decision = std::function<void(MouseDevice &)>;

const std::map<QString, Decision> &decisions()
{
    static const std::map<QString, Decision> table = {
        {"connect sequence",
         [](MouseDevice &m) {
             m.check();
             m.hid().stopListen();
             m.hid().listenFuture.waitForFinished();
         }},
        {"key layer",
         [](MouseDevice &m) {
             KeyLayer layer{};
             m.family().sendKeyLayer(m, layer.matrix, 1);
         }},
        {"weapon layers",
         [](MouseDevice &m) {
             WeaponLayers set = startWeaponLayers(KeyMatrix{}, KeyLayer{});
             m.family().sendWeaponLayers(m, set);
         }},
        {"switch key matrix", [](MouseDevice &m) { m.family().switchKeyMatrix(m, 2); }},
        {"macro slot",
         [](MouseDevice &m) {
             std::array<uchar, 128> block{};
             QVERIFY(m.family().sendMacro(m.hid(), 1, block.data()));
         }},
        {"dpi stages",
         [](MouseDevice &m) {
             m.family().sendDpiStages(m, codeDpiStages("3360", {800, 1600}), 2, {1, 1});
         }},
        {"current dpi", [](MouseDevice &m) { m.family().setCurrentDpi(m, 2); }},
        {"read current dpi", [](MouseDevice &m) { m.family().readCurrentDpi(m); }},
        {"colourful effect",
         [](MouseDevice &m) { m.family().sendColorfulEffect(m, colorfulEffect(1, 2, 3)); }},
        {"plain effect",
         [](MouseDevice &m) { m.family().sendPlainEffect(m, plainEffect(1, 2, 3)); }},
        {"stage colours",
         [](MouseDevice &m) {
             ColourBlock block{};
             m.family().sendStageColours(m, 1, block);
         }},
        {"report rate", [](MouseDevice &m) { m.family().setReportRate(m, 1); }},
        {"lift-off", [](MouseDevice &m) { m.family().setLiftOff(m, 100, 1); }},
        {"weapon record", [](MouseDevice &m) { m.family().sendWeaponRecord(m, 1, 3, 4, 5); }},
    };
    return table;
}

using Codes = QList<int>;

} // namespace

class TestCommandFamily : public QObject
{
    Q_OBJECT
private slots:
    void familyFollowsTheGlobalFile_data();
    void familyFollowsTheGlobalFile();
    void everyDecision_data();
    void everyDecision();
};

void TestCommandFamily::familyFollowsTheGlobalFile_data()
{
    QTest::addColumn<QString>("icType");
    QTest::addColumn<QString>("family");
    QTest::newRow("560") << "560"
                         << "560";
    QTest::newRow("553") << "553"
                         << "553";
    QTest::newRow("any other text") << "561"
                                    << "553";
    QTest::newRow("empty") << ""
                           << "553";
}

void TestCommandFamily::familyFollowsTheGlobalFile()
{
    QFETCH(QString, icType);
    QFETCH(QString, family);
    QCOMPARE(CommandFamily::forType(icType).name(), family);
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    store.icType = icType;
    Hid_Thread hid;
    QCOMPARE(MouseDevice(&store, &hid).family().name(), family);
}

void TestCommandFamily::everyDecision_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("isGun");
    QTest::addColumn<QString>("decision");
    QTest::addColumn<Codes>("codes");
    QTest::addColumn<int>("firstParam"); // frame byte 2 of the first command

    struct Row {
        const char *decision;
        bool isGun;
        Codes codes553;
        int param553;
        Codes codes560;
        int param560;
    };
    const Row rows[] = {
        // Handshake, notification option; a 560 mouse's images are read.
        {"connect sequence", false, {0x00, 0x83, 0x03}, -1, {0x00, 0x81, 0x01, 0x8C, 0x8C}, -1},
        {"connect sequence",
         true,
         {0x00, 0x83, 0x03},
         -1,
         {0x00, 0x81, 0x01, 0x8C, 0x8C, 0x8C, 0x8C, 0x8C},
         -1},
        {"key layer", false, {0x12}, 1, {0x0D}, 1},
        {"weapon layers",
         true,
         {0x12, 0x12, 0x12, 0x12, 0x02},
         1,
         {0x0C, 0x0D, 0x0D, 0x0D, 0x0D, 0x02},
         0},
        {"switch key matrix", false, {0x02}, 1, {0x02}, 2},
        {"macro slot", false, {0x13}, 1, {0x0F}, 1},
        {"dpi stages", false, {0x11}, 8, {0x0C}, 1},
        {"dpi stages", true, {0x11}, 8, {0x0C, 0x0C, 0x0C, 0x0C}, 1},
        {"current dpi", false, {0x0B}, 2, {0x04}, 1},
        {"read current dpi", false, {0x8B}, 0, {0x84}, 1},
        {"colourful effect", false, {0x0D}, -1, {0x0C}, 1},
        {"plain effect", false, {0x0D}, -1, {0x0C}, 1},
        {"stage colours", false, {0x10, 0x10}, 1, {0x0C}, 1},
        {"report rate", false, {0x01}, 1, {0x03}, 1},
        {"lift-off", false, {0x07}, 0, {0x09}, 100},
        {"weapon record", true, {0x83, 0x04}, -1, {0x0C}, 2},
    };
    for (const Row &r : rows) {
        const QByteArray gun = r.isGun ? " (weapons)" : "";
        QTest::newRow(QByteArray("553 " + QByteArray(r.decision) + gun).constData())
            << 553 << r.isGun << r.decision << r.codes553 << r.param553;
        QTest::newRow(QByteArray("560 " + QByteArray(r.decision) + gun).constData())
            << 560 << r.isGun << r.decision << r.codes560 << r.param560;
    }
}

void TestCommandFamily::everyDecision()
{
    QFETCH(int, family);
    QFETCH(bool, isGun);
    QFETCH(QString, decision);
    QFETCH(Codes, codes);
    QFETCH(int, firstParam);

    QVERIFY2(decisions().count(decision), qPrintable(decision));
    MouseRig rig;
    QVERIFY(rig.connect({family, isGun}));
    QCOMPARE(rig.device->family().name(), QString::number(family));
    decisions().at(decision)(*rig.device);

    const std::vector<WireCommand> sent = wireCommands();
    Codes got;
    for (const WireCommand &c : sent)
        got << c.code();
    QCOMPARE(got, codes);
    if (firstParam >= 0)
        QCOMPARE(int(sent.front().param(2)), firstParam);
    QCOMPARE(kvm::state().errors, 0);
}

QTEST_GUILESS_MAIN(TestCommandFamily)
#include "tst_commandfamily.moc"
