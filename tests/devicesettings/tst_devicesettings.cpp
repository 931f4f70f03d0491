// Device operations against the virtual mouse: what reaches the wire, in
// which order, and what the mouse holds afterwards.
#include "devicesettings/devicesettings.h"
#include "devicesettings/recoildata.h"
#include "mouserig.h"
#include "platform/pointersettings.h"
#include "tests/filesizelimit.h"
#include "tests/replacementcounter.h"

#include <QRegularExpression>
#include <QTest>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes frameOf(std::initializer_list<int> bytes)
{
    Bytes f;
    for (int b : bytes)
        f.push_back(uint8_t(b));
    return f;
}

QVariantList listOf(std::initializer_list<int> values)
{
    QVariantList list;
    for (int v : values)
        list << v;
    return list;
}

// An office matrix of mouse functions with a few recognisable entries.
QVariantList officeMatrix()
{
    QVariantList m;
    for (int n = 0; n < 16; ++n)
        m << 0 << 0 << 0xF0 << 0; // left button everywhere
    auto put = [&m](int n, std::initializer_list<int> e) {
        int i = 4 * n;
        for (int b : e)
            m[i++] = b;
    };
    put(1, {6, 0, 0x94, 1}); // My PC
    put(2, {5, 0, 4, 0});    // sniper key
    put(3, {3, 0, 0xB5, 0}); // media next
    put(4, {4, 2, 4, 0});    // looping macro
    put(6, {7, 0, 0xE0, 6}); // copy, overwritten by the fixed entry
    return m;
}

Bytes attributeOnMouse()
{
    const kvm::State state = kvm::state();
    return Bytes(state.attribute.begin(), state.attribute.end());
}

// Records what the operations pass on; answers with the preset result.
class FakePointer : public PointerSettings
{
public:
    bool result = true;
    QList<int> speeds, times, lines;
    bool setCursorSpeed(int speed) override { return speeds << speed, result; }
    bool setDoubleClickTime(int ms) override { return times << ms, result; }
    bool setWheelScrollLines(int n) override { return lines << n, result; }
};

// Collects the debug lines written while it lives.
class DebugLines
{
public:
    DebugLines()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&DebugLines::handle);
    }
    ~DebugLines() { qInstallMessageHandler(m_previous); }
    QStringList lines() const { return s_lines; }

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &text)
    {
        s_lines << text;
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace

class TestDeviceSettings : public QObject
{
    Q_OBJECT
private slots:
    void deviceCheckWritesNoRefusedSettings();
    // Button assignment.
    void keyMatrixWithoutWeaponKey_data();
    void keyMatrixWithoutWeaponKey();
    void keyMatrixStoredNotSent();
    void keyMatrixWritesItsProfileOnce();
    void keyMatrixOnAFullDiskKeepsTheProfile();
    void weaponLayersOnTheWire_data();
    void weaponLayersOnTheWire();
    void resetAndSwitchKeyMatrix_data();
    void resetAndSwitchKeyMatrix();

    // DPI.
    void dpi553DisabledStages();
    void dpi560OnlyImageOne();
    void currentDpi_data();
    void currentDpi();

    // Lighting.
    void ledTypeOffClearsColours();
    void rgbEffect553();
    void rgbEffect560Plain_data();
    void rgbEffect560Plain();
    void rgbColour553();
    void rgbColour560();
    void stageColourTables();
    void logoLed();

    // Profiles, rates, options.
    void profileImages();
    void ratesAndLiftOff_data();
    void ratesAndLiftOff();
    void keyboardOptions();

    // The 560 images carry every earlier patch.
    void imagesAccumulatePatches();

    // Desktop pointer settings.
    void pointerSettings();
};

// ---- button assignment ----

void TestDeviceSettings::keyMatrixWithoutWeaponKey_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("553") << 553;
    QTest::newRow("560") << 560;
}

void TestDeviceSettings::keyMatrixWithoutWeaponKey()
{
    QFETCH(int, family);
    MouseRig rig;
    QVERIFY(rig.connect({family}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSetKeyMatrix(0, officeMatrix(), QVariantList(64, 0), true, listOf({10, 20, 30}));

    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(1)); // one matrix, no switch
    QCOMPARE(int(commands[0].code()), family == 560 ? 0x0D : 0x12);
    QCOMPARE(int(commands[0].param(2)), 1);
    const kvm::Image layer1 = kvm::state().keyMatrix[0];
    Bytes expected = {1,  0, 0xF0, 0, 3, 0, 0x94, 1,  // left, consumer usage
                      7,  0, 4,    1, 9, 2, 5,    0,  // sniper (553), entries 3/4 exchanged
                      3,  0, 0xB5, 0, 1, 0, 0xF0, 0,  // media next
                      11, 7, 0,    0, 5, 0, 1,    0}; // fixed entries 6, 7
    if (family == 560)
        expected[8] = 11, expected[10] = 1; // sniper key (11, 0, 1, 1)
    QCOMPARE(Bytes(layer1.begin(), layer1.begin() + 32), expected);
    QCOMPARE(Bytes(layer1.begin() + 64, layer1.end()), Bytes(64, 0));
    QCOMPARE(kvm::state().errors, 0);
}

// After the disk refused a change to the global file, the store's object
// holds the file's values again, unwritten. A device check reads the device
// list from that file, and must not write them (unchecked) on the way, not
// even with room again.
void TestDeviceSettings::deviceCheckWritesNoRefusedSettings()
{
    MouseRig rig;
    QVERIFY(rig.connect({553, false}));
    const QString path = rig.settingPath("apConfig.bin");
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ReplacementCounter replacements(rig.dir.filePath("setting"));
    QVERIFY(replacements.valid());
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression("failed.*" + QRegularExpression::escape(path)));
    {
        FileSizeLimit full(16); // not even a lock file fits
        QVERIFY(full.active());
        rig.store->setGlobalData(QStringLiteral("common/language"), QStringLiteral("German"));
    }
    rig.device->check();
    rig.hid->stopListen();
    rig.hid->listenFuture.waitForFinished();
    QVERIFY(rig.device->isConnected());
    QCOMPARE(replacements.take("apConfig.bin"), 0);
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void TestDeviceSettings::keyMatrixStoredNotSent()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());
    QVariantList game = officeMatrix();
    game[0] = 2;
    game[1] = 1;
    game[2] = 6;

    ds.mouseSetKeyMatrix(1, officeMatrix(), game, false, {});
    QVERIFY(wireCommands().empty());
    QCOMPARE(rig.store->getData("mouse/mouseMode", false).toInt(), 1);
    // Stored in the page's coding, read back per mode.
    auto asInts = [](const QVariantList &l) {
        QList<int> out;
        for (const QVariant &v : l)
            out << v.toInt();
        return out;
    };
    QCOMPARE(asInts(ds.mouseGetKeydefine(0, 1, false)), (QList<int>{6, 0, 0x94, 1}));
    QCOMPARE(asInts(ds.mouseGetKeydefine(1, 0, false)), (QList<int>{2, 1, 6, 0}));
    QCOMPARE(asInts(ds.mouseGetKeydefine(0, 6, false)), (QList<int>{7, 0, 0xE0, 6}));
    // Recovery reads the defaults file, which has no page matrix.
    QVERIFY(ds.mouseGetKeydefine(0, 1, true).isEmpty());

    // Short lists are stored with zeros and nothing is read past their end.
    ds.mouseSetKeyMatrix(0, listOf({4, 1}), {}, false, {});
    QCOMPARE(asInts(ds.mouseGetKeydefine(0, 0, false)), (QList<int>{4, 1, 0, 0}));
    QCOMPARE(asInts(ds.mouseGetKeydefine(1, 15, false)), (QList<int>{0, 0, 0, 0}));
}

// One save of the button page writes its 33 keys with one write of the
// profile, before the device hears of it.
void TestDeviceSettings::keyMatrixWritesItsProfileOnce()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());
    ReplacementCounter counter(rig.dir.filePath("setting"));
    QVERIFY(counter.valid());

    ds.mouseSetKeyMatrix(0, officeMatrix(), QVariantList(64, 0), true, {});
    QCOMPARE(counter.take("p1.bin"), 1);
    QCOMPARE(counter.take("apConfig.bin"), 0);

    // A single key written by the scene still goes to disk at once.
    rig.store->setData("mouse/lod", 2);
    QCOMPARE(counter.take("p1.bin"), 1);
}

void TestDeviceSettings::keyMatrixOnAFullDiskKeepsTheProfile()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());
    const QString profile = rig.settingPath("p1.bin");
    QFile file(profile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    DebugLines debug;
    {
        FileSizeLimit full(FileSizeLimit::justAbove(profile));
        QVERIFY(full.active());
        ds.mouseSetKeyMatrix(0, officeMatrix(), QVariantList(64, 0), false, {});
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QVERIFY(!rig.store->getData("mouse/mouseMode", false).isValid());
    QVERIFY(debug.lines().filter("settings write failed").filter(profile).size() >= 1);
}

void TestDeviceSettings::weaponLayersOnTheWire_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("553") << 553;
    QTest::newRow("560") << 560;
}

void TestDeviceSettings::weaponLayersOnTheWire()
{
    QFETCH(int, family);
    MouseRig rig;
    QVERIFY(rig.connect({family, true}));
    DeviceSettings ds(rig.device.get());
    QVariantList game = officeMatrix();
    game[4 * 9] = 8; // three weapons on button 9
    game[4 * 9 + 2] = 3;

    ds.mouseSetKeyMatrix(1, {}, game, true, listOf({12, 34}));

    const auto commands = wireCommands();
    const kvm::State state = kvm::state();
    QCOMPARE(state.errors, 0);
    std::vector<std::pair<int, int>> order; // (code, frame byte 2)
    for (const WireCommand &c : commands)
        order.push_back({c.code(), c.param(2)});
    if (family == 560) {
        const std::vector<std::pair<int, int>> expected = {{0x0C, 0}, {0x0D, 1}, {0x0D, 2},
                                                           {0x0D, 3}, {0x0D, 4}, {0x02, 1}};
        QCOMPARE(order, expected);
        // Image 0 went out whole, with the layer mask for three weapons.
        kvm::Image image0 = patternImage(0);
        image0[2] = 0x1F;
        QCOMPARE(state.profiles[0], image0);
        QCOMPARE(rig.device->images[0][2], uchar(0x1F));
        QCOMPARE(int(state.currentProfile), 1);
    } else {
        const std::vector<std::pair<int, int>> expected = {
            {0x12, 1}, {0x12, 2}, {0x12, 3}, {0x12, 4}, {0x02, 1}};
        QCOMPARE(order, expected);
        QCOMPARE(int(state.currentKeyMatrix), 1);
    }
    // Main matrix entry 9 and the weapon entries of layers 2..4.
    const Bytes main = family == 560 ? Bytes{8, 0, 1, 0} : Bytes{8, 0, 1, 1};
    QCOMPARE(Bytes(state.keyMatrix[0].begin() + 36, state.keyMatrix[0].begin() + 40), main);
    const std::vector<Bytes> layers =
        family == 560
            ? std::vector<Bytes>{{8, 0x19, 3, 0x39}, {8, 0x19, 3, 0x39}, {8, 0x19, 0, 0x39}}
            : std::vector<Bytes>{{8, 0, 1, 2}, {8, 0, 1, 3}, {8, 0, 1, 0}};
    for (int l = 0; l < 3; ++l) {
        const kvm::Image &m = state.keyMatrix[l + 1];
        QCOMPARE(Bytes(m.begin() + 36, m.begin() + 40), layers[l]);
        // Entry 0 carries the slot's fire period (the third is missing: 0).
        const int period[] = {12, 34, 0};
        QCOMPARE(Bytes(m.begin(), m.begin() + 4), (Bytes{11, uint8_t(l), uint8_t(period[l]), 0}));
        // Other entries are the factory matrix.
        QCOMPARE(Bytes(m.begin() + 20, m.begin() + 24), (Bytes{5, 0x15, 0x25, 0x35}));
        QCOMPARE(Bytes(m.begin() + 64, m.end()), Bytes(64, 0));
    }
}

void TestDeviceSettings::resetAndSwitchKeyMatrix_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("553") << 553;
    QTest::newRow("560") << 560;
}

void TestDeviceSettings::resetAndSwitchKeyMatrix()
{
    QFETCH(int, family);
    MouseRig rig;
    QVERIFY(rig.connect({family, true}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSwitchKeyMatrix(1);
    ds.mouseResetKeyMatrix();

    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(4));
    QCOMPARE(int(commands[0].code()), 0x02);
    // 560 switches the profile, 553 the matrix counted from 0.
    QCOMPARE(int(commands[0].param(2)), family == 560 ? 1 : 0);
    const kvm::State state = kvm::state();
    for (int l = 1; l <= 3; ++l) {
        QCOMPARE(int(commands[l].code()), family == 560 ? 0x0D : 0x12);
        QCOMPARE(int(commands[l].param(2)), l + 1);
        for (int n = 0; n < 16; ++n) {
            const Bytes entry(state.keyMatrix[l].begin() + 4 * n,
                              state.keyMatrix[l].begin() + 4 * n + 4);
            QCOMPARE(entry,
                     (Bytes{uint8_t(n), uint8_t(0x10 + n), uint8_t(0x20 + n), uint8_t(0x30 + n)}));
        }
    }
    QCOMPARE(state.errors, 0);
}

// ---- DPI ----

void TestDeviceSettings::dpi553DisabledStages()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSetDpi(3, "3050", listOf({250, 251, 2000, 2400, 500, 750, 1000, 1250}),
                   listOf({1, 1, 0, 1, 1, 1, 1, 1}));
    kvm::State state = kvm::state();
    QCOMPARE(int(state.dpiStageArg), 8); // always eight, whatever the count
    const std::array<uint8_t, 8> codes = {1, 2, 0x80, 0, 2, 3, 4, 5};
    QCOMPARE(state.dpiCodes, codes);

    // Short lists: the missing stages are disabled, nothing beyond is read.
    ds.mouseSetDpi(2, "4090", listOf({1600, 800}), listOf({1, 1}));
    state = kvm::state();
    const std::array<uint8_t, 8> shortCodes = {15, 7, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    QCOMPARE(state.dpiCodes, shortCodes);
    QCOMPARE(state.errors, 0);
}

void TestDeviceSettings::dpi560OnlyImageOne()
{
    MouseRig rig;
    QVERIFY(rig.connect({560}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSetDpi(5, "3389", listOf({400, 800, 1600, 3200, 16000, 100, 100, 100}), {});

    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(1)); // image 1 only without weapons
    QCOMPARE(int(commands[0].code()), 0x0C);
    QCOMPARE(int(commands[0].param(2)), 1);
    const kvm::State state = kvm::state();
    kvm::Image expected = patternImage(1);
    const uint8_t codes[8] = {8, 16, 32, 64, 0x40, 2, 2, 2};
    for (int i = 0; i < 8; ++i)
        expected[0x54 + i] = expected[0x5C + i] = codes[i];
    expected[0x64] = 0x1F;
    expected[0x52] = expected[0x53] = 0x10; // stage 5 above 12799
    QCOMPARE(state.profiles[1], expected);
    // Images 2..4 are patched too and wait for their own send.
    for (int n = 2; n <= 4; ++n) {
        QCOMPARE(int(rig.device->images[n][0x64]), 0x1F);
        QCOMPARE(int(rig.device->images[n][0x58]), 0x40);
        QCOMPARE(state.profiles[n], patternImage(n));
    }
}

void TestDeviceSettings::currentDpi_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("553") << 553;
    QTest::newRow("560") << 560;
}

void TestDeviceSettings::currentDpi()
{
    QFETCH(int, family);
    MouseRig rig;
    QVERIFY(rig.connect({family}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSetCurrentDPI(3);
    QCOMPARE(int(kvm::state().currentDpi), 3);
    QCOMPARE(ds.mouseGetCurrentDPI().toInt(), 3);
    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(2));
    if (family == 560) {
        QCOMPARE(commands[0].frame, frameOf({0, 0x04, 0x01, 0x03, 0, 0, 0, 0, 0xF7}));
        QCOMPARE(commands[1].frame, frameOf({0, 0x84, 0x01, 0, 0, 0, 0, 0, 0x7A}));
    } else {
        QCOMPARE(int(commands[0].code()), 0x0B);
        QCOMPARE(commands[1].frame, frameOf({0, 0x8B, 0, 0, 0, 0, 0, 0, 0x74}));
    }
    // A mouse that does not answer: stage 0.
    kvm::Faults faults;
    faults.silent = true;
    kvm::setFaults(faults);
    QCOMPARE(ds.mouseGetCurrentDPI().toInt(), 0);
}

// ---- lighting ----

void TestDeviceSettings::ledTypeOffClearsColours()
{
    MouseRig rig;
    QVERIFY(rig.connect({560})); // the same command on both families
    DeviceSettings ds(rig.device.get());
    QVariantList colours;
    for (int i = 0; i < 15; ++i)
        colours << 255 << 128 << 1;

    {
        DebugLines debug;
        ds.mouseSetLedType(6, 50, 3, 0, colours);
        const QStringList lines = debug.lines();
        QVERIFY(lines.size() >= 5);
        QVERIFY(lines.at(0).startsWith("effect = "));
        QVERIFY(lines.at(0).endsWith(" 6"));
        QVERIFY(lines.at(4).startsWith("rgbArray = "));
    }
    Bytes expected = {0x32, 0, 50, 3, 0};
    expected.resize(64, 0);
    QCOMPARE(attributeOnMouse(), expected);

    ds.mouseSetLedType(1, 25, 2, 1, colours.mid(0, 4)); // fewer colours than 15
    expected = {0x32, 1, 25, 2, 1, 255, 128, 1, 255};
    expected.resize(64, 0);
    QCOMPARE(attributeOnMouse(), expected);
    QCOMPARE(kvm::state().errors, 0);
}

void TestDeviceSettings::rgbEffect553()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());
    using Triple = std::array<uint8_t, 3>;

    rig.store->isColorful = true;
    ds.mouseSetRGBEffect(5, 2, 4);
    QCOMPARE(kvm::state().ledEffect, (Triple{5, 255, 5}));

    rig.store->isColorful = false;
    ds.mouseSetRGBEffect(0, 0, 2);
    QCOMPARE(kvm::state().ledEffect, (Triple{1, 5, 2}));
    rig.store->is55328 = true;
    ds.mouseSetRGBEffect(0, 0, 2);
    QCOMPARE(kvm::state().ledEffect, (Triple{1, 5, 1}));
    ds.mouseSetRGBEffect(4, 1, 0);
    QCOMPARE(kvm::state().ledEffect, (Triple{2, 2, 3}));
}

void TestDeviceSettings::rgbEffect560Plain_data()
{
    QTest::addColumn<bool>("isGun");
    QTest::newRow("without weapons") << false;
    QTest::newRow("with weapons") << true;
}

void TestDeviceSettings::rgbEffect560Plain()
{
    QFETCH(bool, isGun);
    MouseRig rig;
    QVERIFY(rig.connect({560, isGun}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSetRGBEffect(2, 1, 0); // neon, speed choice 1: (3, 24)

    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(isGun ? 4 : 1));
    const kvm::State state = kvm::state();
    for (int n = 1; n <= int(commands.size()); ++n) {
        QCOMPARE(int(commands[n - 1].param(2)), n);
        kvm::Image expected = patternImage(n);
        expected[0x47] = 3;
        expected[0x48] = 24;
        expected[0x49] = isGun ? 2 : 3;
        QCOMPARE(state.profiles[n], expected);
    }
}

void TestDeviceSettings::rgbColour553()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());
    QVariantList colours;
    for (int i = 0; i < 18; ++i)
        colours << 10 + i;
    QVariantList white = colours;
    white << 0 << 0 << 0 << 255 << 255 << 255;

    // Without the 55328 model: the stage colours twice.
    ds.mouseSetRGBColor(1, white);
    QCOMPARE(wireCodes(), (Bytes{0x10, 0x10}));
    QCOMPARE(int(wireCommands()[0].param(2)), 1);
    QCOMPARE(kvm::state().stageColors[1].size(), size_t(24));

    rig.store->is55328 = true;
    kvm::clearWireLog();
    ds.mouseSetRGBColor(1, colours); // eighth colour black: the fixed colour
    QCOMPARE(wireCodes(), (Bytes{0x0C}));
    QCOMPARE(kvm::state().fixedColor, (std::array<uint8_t, 3>{10, 11, 12}));

    kvm::clearWireLog();
    ds.mouseSetRGBColor(1, white); // eighth colour white: type 0 stage colours
    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(1));
    QCOMPARE(int(commands[0].code()), 0x10);
    QCOMPARE(int(commands[0].param(2)), 0);
    Bytes block(white.size());
    for (int i = 0; i < white.size(); ++i)
        block[i] = uint8_t(white[i].toInt());
    QCOMPARE(kvm::state().stageColors[0], block);
    QCOMPARE(kvm::state().errors, 0);
}

void TestDeviceSettings::rgbColour560()
{
    MouseRig rig;
    QVERIFY(rig.connect({560}));
    DeviceSettings ds(rig.device.get());
    QVariantList colours;
    for (int i = 0; i < 30; ++i) // more than 24: the rest must not spill over
        colours << 100 + i;

    ds.mouseSetRGBColor(1, colours);
    kvm::Image expected1 = patternImage(1);
    for (int i = 0; i < 24; ++i)
        expected1[0x68 + i] = uint8_t(100 + i);
    QCOMPARE(kvm::state().profiles[1], expected1);

    rig.store->isColorful = true;
    ds.mouseSetRGBColor(1, colours.mid(0, 6));
    kvm::Image expected0 = patternImage(0);
    for (int i = 0; i < 24; ++i)
        expected0[0x18 + i] = i < 6 ? uint8_t(100 + i) : 0;
    QCOMPARE(kvm::state().profiles[0], expected0);
    QCOMPARE(wireCodes(), (Bytes{0x0C, 0x0C}));
    QCOMPARE(int(wireCommands()[1].param(2)), 0);
}

void TestDeviceSettings::stageColourTables()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());

    ds.ui_10H_SetLED8StageColor(2, listOf({1, 2, 3, 4, 5, 6, 7, 8}));
    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(1));
    QCOMPARE(commands[0].frame, frameOf({0, 0x10, 0x02, 0x04, 0, 0, 0, 0, 0xE9}));
    QCOMPARE(kvm::state().stageColors[2], (Bytes{0x21, 0x43, 0x65, 0x87}));
    // Stored as given, read back as numbers; another type has its own key.
    QCOMPARE(ds.ui_90H_GetLED8StageColor(2), (QVariantList{1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}));
    QVERIFY(ds.ui_90H_GetLED8StageColor(1).isEmpty());

    // A longer list than the buffer: 24 bytes go out, nothing spills.
    QVariantList many;
    for (int i = 0; i < 40; ++i)
        many << i;
    ds.ui_10H_SetLED8StageColor(1, many);
    Bytes first24(24);
    for (int i = 0; i < 24; ++i)
        first24[i] = uint8_t(i);
    QCOMPARE(kvm::state().stageColors[1], first24);
    QCOMPARE(ds.ui_90H_GetLED8StageColor(1).size(), 40);

    // A one-item list comes back as it went in.
    ds.ui_10H_SetLED8StageColor(1, listOf({7}));
    QCOMPARE(ds.ui_90H_GetLED8StageColor(1), QVariantList{7u});
    QCOMPARE(kvm::state().errors, 0);
}

void TestDeviceSettings::logoLed()
{
    kvm::Config config = kvm::defaultConfig();
    MouseRig rig;
    QVERIFY(rig.connect({553}, config));
    DeviceSettings ds(rig.device.get());
    QVERIFY(ds.chkIsLogoLedWork());
    QCOMPARE(int(wireCommands().at(0).param(2)), 0);

    config.ledInstruct = {1, 0, 0};
    MouseRig other;
    QVERIFY(other.connect({553}, config));
    DeviceSettings ds2(other.device.get());
    QVERIFY(!ds2.chkIsLogoLedWork());

    kvm::Faults faults;
    faults.silent = true;
    kvm::setFaults(faults);
    QVERIFY(!ds2.chkIsLogoLedWork());
}

// ---- profiles, rates, options ----

void TestDeviceSettings::profileImages()
{
    MouseRig rig;
    QVERIFY(rig.connect({560, true}));
    DeviceSettings ds(rig.device.get());
    for (auto &image : rig.device->images)
        image.fill(0);

    for (uint n = 0; n < 5; ++n)
        ds.mouseReadProfile(n);
    for (int n = 0; n < 5; ++n)
        QCOMPARE(rig.device->images[n], patternImage(n));

    // Numbers without an image send and read nothing.
    kvm::clearWireLog();
    const auto before = rig.device->images;
    ds.mouseReadProfile(5);
    ds.mouseSetProfile(5);
    ds.mouseSetProfile(0xFFFFFFFFu);
    QVERIFY(wireCommands().empty());
    QCOMPARE(rig.device->images, before);

    rig.device->images[3][0x10] = 0xAB;
    ds.mouseSetProfile(3);
    kvm::Image expected = patternImage(3);
    expected[0x10] = 0xAB;
    QCOMPARE(kvm::state().profiles[3], expected);
    QCOMPARE(wireCommands().at(0).data, Bytes(expected.begin(), expected.end()));

    ds.mouseSwitchKeyMatrix(4);
    QCOMPARE(ds.mouseReadCurrentProfile().toInt(), 4);
    kvm::Faults faults;
    faults.silent = true;
    kvm::setFaults(faults);
    QCOMPARE(ds.mouseReadCurrentProfile().toInt(), 0);
}

void TestDeviceSettings::ratesAndLiftOff_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("553") << 553;
    QTest::newRow("560") << 560;
}

void TestDeviceSettings::ratesAndLiftOff()
{
    QFETCH(int, family);
    MouseRig rig;
    QVERIFY(rig.connect({family}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSetReportRate(4);
    ds.mouseSetLodValue(2, 1);
    ds.mouseSetLodValue(125, 0);
    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(3));
    if (family == 560) {
        QCOMPARE(commands[0].frame, frameOf({0, 0x03, 0x01, 0x04, 0, 0, 0, 0, 0xF7}));
        QCOMPARE(commands[1].frame, frameOf({0, 0x09, 0x02, 0x7D, 0, 0, 0, 0, 0x77}));
        // Disabled: stage 0 whatever was asked.
        QCOMPARE(commands[2].frame, frameOf({0, 0x09, 0x00, 0x7D, 0, 0, 0, 0, 0x79}));
    } else {
        QCOMPARE(commands[0].frame, frameOf({0, 0x01, 0x04, 0, 0, 0, 0, 0, 0xFA}));
        QCOMPARE(commands[1].frame, frameOf({0, 0x07, 0x00, 0x02, 0x7D, 0x01, 0, 0, 0x78}));
        QCOMPARE(int(kvm::state().lodStage), 125);
        QCOMPARE(int(kvm::state().lodEnable), 0);
    }
    QCOMPARE(int(kvm::state().reportRate), 4);
}

void TestDeviceSettings::keyboardOptions()
{
    MouseRig rig;
    QVERIFY(rig.connect({553}));
    DeviceSettings ds(rig.device.get());

    ds.mouseSetKeyboardoption(1, 2, 3, 0x44);
    QCOMPARE(kvm::state().keyboardOptions, (std::array<uint8_t, 4>{1, 2, 3, 0x44}));
    QCOMPARE(ds.GetKeyboardoption(), (QVariantList{1, 2, 3, 0x44}));

    kvm::Faults faults;
    faults.silent = true;
    kvm::setFaults(faults);
    QCOMPARE(ds.GetKeyboardoption(), (QVariantList{0, 0, 0, 0}));
}

// ---- the images are the single source of truth ----

void TestDeviceSettings::imagesAccumulatePatches()
{
    MouseRig rig;
    QVERIFY(rig.connect({560, true, true}));
    DeviceSettings ds(rig.device.get());
    RecoilData recoil(rig.device.get());

    // What each image must hold after each step.
    std::array<kvm::Image, 5> expected;
    for (int n = 0; n < 5; ++n)
        expected[n] = patternImage(n);
    std::vector<std::pair<int, kvm::Image>> sends; // (profile, image) in wire order

    ds.mouseSetDpi(4, "4090", listOf({400, 800, 1600, 3200, 6000, 100, 100, 100}), {});
    const uint8_t codes[8] = {3, 7, 15, 31, 0x5E, 0, 0, 0};
    for (int n = 1; n <= 4; ++n) {
        for (int i = 0; i < 8; ++i)
            expected[n][0x54 + i] = expected[n][0x5C + i] = codes[i];
        expected[n][0x64] = 0x0F;
        sends.push_back({n, expected[n]});
    }

    ds.mouseSetRGBEffect(8, 0, 1);
    for (int n = 1; n <= 4; ++n) {
        expected[n][0x47] = 8;
        expected[n][0x48] = 64;
        expected[n][0x49] = 20;
        sends.push_back({n, expected[n]});
    }

    ds.mouseSetRGBColor(1, QVariantList(24, 0x33));
    std::fill(expected[0].begin() + 0x18, expected[0].begin() + 0x30, 0x33);
    sends.push_back({0, expected[0]});

    recoil.mouseSendGundata(2, listOf({3, 5, -7}));
    expected[3][0x41] &= uint8_t(~0x04);
    expected[3][0x4E] = 0xF0;
    expected[3][0x4F] = 3;
    expected[3][0x50] = 5;
    expected[3][0x51] = 0xF9;
    sends.push_back({3, expected[3]});

    ds.mouseSetKeyMatrix(0, QVariantList{8, 0, 2, 0}, {}, true, listOf({9, 9, 9}));
    expected[0][2] = 0x0F;
    sends.push_back({0, expected[0]});

    std::vector<std::pair<int, kvm::Image>> sent;
    for (const WireCommand &c : wireCommands()) {
        if (c.code() != 0x0C)
            continue;
        kvm::Image image{};
        QCOMPARE(c.data.size(), size_t(128));
        std::copy(c.data.begin(), c.data.end(), image.begin());
        sent.push_back({c.param(2), image});
    }
    QCOMPARE(sent.size(), sends.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        QCOMPARE(sent[i].first, sends[i].first);
        QCOMPARE(Bytes(sent[i].second.begin(), sent[i].second.end()),
                 Bytes(sends[i].second.begin(), sends[i].second.end()));
    }
    const kvm::State state = kvm::state();
    for (int n = 0; n < 5; ++n)
        QCOMPARE(state.profiles[n], expected[n]);
    QCOMPARE(state.errors, 0);
}

// ---- desktop pointer settings ----

void TestDeviceSettings::pointerSettings()
{
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    Hid_Thread hid;
    MouseDevice device(&store, &hid);
    DeviceSettings ds(&device);
    auto owned = std::make_unique<FakePointer>();
    FakePointer *fake = owned.get();
    ds.setPointerSettings(std::move(owned));

    {
        DebugLines debug;
        ds.mouseSetCursorSpeed(0);
        ds.mouseSetCursorSpeed(10);
        ds.mouseSetDoubleClickSpeed(10);
        ds.mouseSetDoubleClickSpeed(0);
        ds.mouseSetDoubleClickSpeed(20); // past the slider: never a negative time
        ds.mouseSetVerticalScrollLines(3);
        ds.mouseSetVerticalScrollLines(1000);
        QVERIFY(!debug.lines().join('\n').contains("Failed"));
    }
    QCOMPARE(fake->speeds, (QList<int>{1, 20}));
    QCOMPARE(fake->times, (QList<int>{200, 900, 60}));
    QCOMPARE(fake->lines, (QList<int>{3, 1000}));

    fake->result = false;
    DebugLines debug;
    ds.mouseSetCursorSpeed(5);
    ds.mouseSetDoubleClickSpeed(5);
    ds.mouseSetVerticalScrollLines(5);
    QCOMPARE(debug.lines(), (QStringList{"setCursorSpeed Failed", "setDoubleClickSpeed Failed",
                                         "setVerticalScrollLines Failed"}));
}

QTEST_GUILESS_MAIN(TestDeviceSettings)
#include "tst_devicesettings.moc"
