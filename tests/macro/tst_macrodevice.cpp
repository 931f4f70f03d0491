// Sending an encoded macro to the virtual mouse, for both command families.
#include "macrofixture.h"

#include "devicesettings/mousedevice.h"
#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "tools/virtual-mouse/virtual_mouse.h"

namespace {

QByteArray apConfig(const QString &icType)
{
    return "[common]\ndeviceCount=1\n"
           "[mouse]\nicType=" +
           icType.toUtf8() +
           "\n"
           "[0]\ntype=1\nvid=04d9\npid=a09f\nusagePage=ff00\nusage=ff00\n"
           "usagePage2=ff01\nusage2=ff01\nreportLength=32\nisEncode=true\nsCode=417306\n";
}

std::vector<kvm::WireEntry> frames()
{
    std::vector<kvm::WireEntry> out;
    for (const auto &e : kvm::wireLog())
        if (e.call == "send_feature" && e.iface == "command")
            out.push_back(e);
    return out;
}

// A virtual mouse of the family, admitted as the presence check does, and a
// library that sends through it.
struct Connected {
    Hid_Thread hid;
    std::unique_ptr<MouseDevice> device;
    std::unique_ptr<MacroLibrary> lib;

    bool connect(const MacroFixture &fx, int family)
    {
        kvm::Config config = kvm::defaultConfig();
        config.family = family;
        kvm::configure(config);
        auto list = DevicePresence::readDeviceList(fx.path("setting/apConfig.bin"));
        DevicePresence::findInterfaces(list);
        if (DevicePresence::admitFirst(hid, list) != 0)
            return false;
        device = std::make_unique<MouseDevice>(fx.store.get(), &hid);
        lib = std::make_unique<MacroLibrary>(fx.store.get(), device.get());
        return true;
    }
};

} // namespace

class TestMacroDevice : public QObject
{
    Q_OBJECT
private slots:
    void sendsToTheSlotOfEachFamily_data();
    void sendsToTheSlotOfEachFamily();
    void slotsBeyondTwelveAreIgnored();
    void tooLongMacroReachesTheSlotCut();
    void failedCommandIsReported_data();
    void failedCommandIsReported();
};

void TestMacroDevice::sendsToTheSlotOfEachFamily_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("icType");
    QTest::addColumn<int>("code");
    QTest::newRow("560 uses 0F") << 560 << "560" << 0x0F;
    QTest::newRow("553 uses 13") << 553 << "553" << 0x13;
    QTest::newRow("empty type is 553") << 553 << "" << 0x13;
}

void TestMacroDevice::sendsToTheSlotOfEachFamily()
{
    QFETCH(int, family);
    QFETCH(QString, icType);
    QFETCH(int, code);
    MacroFixture fx(StagedFiles{{"setting/apConfig.bin", apConfig(icType)}});
    Connected c;
    QVERIFY(c.connect(fx, family));
    MacroLibrary &lib = *c.lib;

    // Encoded by the library's own encoder, as the pages do; the zero fill is
    // left out and the numbers arrive as the scene sends them.
    const QVariantList encoded = lib.encodeMacro({"1,A", "0,50", "2,A"}, 300);
    QCOMPARE(encoded, (QVariantList{0x01, 0x2C, 0x05, 0x04, 0x81, 0x04, 0x00, 0x00}));
    QVariantList fromScene;
    for (const QVariant &v : encoded)
        fromScene << double(v.toInt());
    fromScene[2] = QString("261"); // only the low eight bits count: 0x05

    kvm::clearWireLog();
    QVERIFY(lib.mouseSendMacroData(fromScene, 11));
    const auto sent = frames();
    QCOMPARE(int(sent.size()), 1);
    QCOMPARE(int(sent[0].plain.at(1)), code);
    QCOMPARE(int(sent[0].plain.at(2)), 12); // macro number = slot index + 1

    kvm::Image expected{};
    for (int i = 0; i < encoded.size(); ++i)
        expected[size_t(i)] = uint8_t(encoded.at(i).toInt());
    QCOMPARE(kvm::state().macros[11], expected);

    // Longer data than the block is cut at 128 bytes.
    QVariantList tooLong;
    for (int i = 0; i < 140; ++i)
        tooLong << (i % 250) + 1;
    QVERIFY(lib.mouseSendMacroData(tooLong, QString("0")));
    kvm::Image first{};
    for (int i = 0; i < 128; ++i)
        first[size_t(i)] = uint8_t(i % 250 + 1);
    QCOMPARE(kvm::state().macros[0], first);
}

void TestMacroDevice::slotsBeyondTwelveAreIgnored()
{
    MacroFixture fx(StagedFiles{{"setting/apConfig.bin", apConfig("553")}});
    Connected c;
    QVERIFY(c.connect(fx, 553));
    MacroLibrary &lib = *c.lib;

    const QVariantList data{0x00, 0x01, 0x01, 0x04, 0x00, 0x00};
    kvm::clearWireLog();
    QVERIFY(lib.mouseSendMacroData(data, 12));
    QVERIFY(lib.mouseSendMacroData(data, 255));
    QVERIFY(frames().empty());
    // 256 + 3 keeps its low eight bits: slot 3, macro 4.
    QVERIFY(lib.mouseSendMacroData(data, 259));
    QCOMPARE(int(frames().size()), 1);
    QCOMPARE(int(frames()[0].plain.at(2)), 4);

    // Without a device link nothing can be sent.
    MacroLibrary detached(fx.store.get(), nullptr);
    QVERIFY(!detached.mouseSendMacroData(data, 0));
}

void TestMacroDevice::tooLongMacroReachesTheSlotCut()
{
    MacroFixture fx(StagedFiles{{"setting/apConfig.bin", apConfig("553")}});
    Connected c;
    QVERIFY(c.connect(fx, 553));
    MacroLibrary &lib = *c.lib;

    // 25 times press A, press B, release A, release B: 204 bytes. The block
    // would hold 62 words, but the 61st and 62nd are presses: the slot gets
    // 15 whole groups and the end word, nothing held at its end.
    QStringList steps;
    for (int i = 0; i < 25; ++i)
        steps << "1,A"
              << "1,B"
              << "2,A"
              << "2,B";
    QCOMPARE(lib.macroEncodedLength(steps), 204);
    kvm::Image expected{};
    expected[1] = 0x01;
    size_t p = 2;
    for (int i = 0; i < 15; ++i) {
        for (const uint8_t word : {0x01, 0x04, 0x01, 0x05, 0x81, 0x04, 0x81, 0x05})
            expected[p++] = word;
    }
    QCOMPARE(p, size_t(122)); // the end word follows as zeros

    kvm::clearWireLog();
    QVERIFY(lib.mouseSendMacroData(lib.encodeMacro(steps, 1), 4));
    QCOMPARE(int(frames().size()), 1);
    QCOMPARE(kvm::state().macros[4], expected);
}

// The command itself runs and fails: the mouse is gone after admission, or
// it takes part of the transfer and then goes. The answer says so.
void TestMacroDevice::failedCommandIsReported_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("callsBeforeUnplug");
    QTest::newRow("553, gone before the frame") << 553 << 0;
    QTest::newRow("553, gone during the data phase") << 553 << 2;
    QTest::newRow("560, gone before the frame") << 560 << 0;
    QTest::newRow("560, gone during the data phase") << 560 << 2;
}

void TestMacroDevice::failedCommandIsReported()
{
    QFETCH(int, family);
    QFETCH(int, callsBeforeUnplug);
    MacroFixture fx(StagedFiles{
        {"setting/apConfig.bin", apConfig(family == 560 ? QString("560") : QString("553"))}});
    Connected c;
    QVERIFY(c.connect(fx, family));
    MacroLibrary &lib = *c.lib;
    const QVariantList data{0x00, 0x01, 0x01, 0x04, 0x00, 0x00};

    kvm::clearWireLog();
    if (callsBeforeUnplug == 0) {
        kvm::unplug();
    } else {
        kvm::Faults faults;
        faults.unplugAfterCalls = callsBeforeUnplug;
        kvm::setFaults(faults);
    }
    QVERIFY(!lib.mouseSendMacroData(data, 2));
    // It was tried, not refused before any command.
    QVERIFY(!kvm::wireLog().empty());
    kvm::setFaults(kvm::Faults());
    kvm::plug();
}

QTEST_GUILESS_MAIN(TestMacroDevice)
#include "tst_macrodevice.moc"
