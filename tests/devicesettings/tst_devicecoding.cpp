// The byte work behind the device operations, without a mouse.
#include "devicesettings/devicecoding.h"
#include "platform/pointersettings.h"

#include <QTest>

using namespace DeviceCoding;

using Entry = std::array<int, 4>;
Q_DECLARE_METATYPE(Entry)

namespace {

KeyEntry toKey(const Entry &e)
{
    return {uchar(e[0]), uchar(e[1]), uchar(e[2]), uchar(e[3])};
}

// Entry n as the device receives it.
Entry entryOf(const uchar *bytes, int n)
{
    return {bytes[4 * n], bytes[4 * n + 1], bytes[4 * n + 2], bytes[4 * n + 3]};
}

Entry entryOf(const KeyEntry &e)
{
    return {e.type, e.data1, e.data2, e.data3};
}

QVariantList listOf(std::initializer_list<int> values)
{
    QVariantList list;
    for (int v : values)
        list << v;
    return list;
}

const KeyEntry kSniper560 = {11, 0, 1, 1};
const KeyEntry kSniper553 = {7, 0, 4, 1};

} // namespace

class TestDeviceCoding : public QObject
{
    Q_OBJECT
private slots:
    void stageCodes_data();
    void stageCodes();
    void tableSensors_data();
    void tableSensors();
    void dpiStagesInImages();
    void stageMasks();

    void translateEntry_data();
    void translateEntry();
    void mainMatrixFixedEntries();
    void mainMatrixShortList();
    void weaponLayers_data();
    void weaponLayers();
    void weaponLayersFirePeriods();

    void lightAttributeRecord();
    void colorfulEffectTable();
    void plainEffectTable();
    void colourBlocks();

    void weaponRecord();
    void pointerValues();
    void byteConversion();
};

// ---- DPI ----

void TestDeviceCoding::stageCodes_data()
{
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("highRange");

    QTest::newRow("4090 lowest 100") << "4090" << 100 << 0 << false;
    QTest::newRow("4090 1600") << "4090" << 1600 << 15 << false;
    QTest::newRow("4090 last of the fine range 5000") << "4090" << 5000 << 0x31 << false;
    QTest::newRow("4090 first of the coarse range 5001") << "4090" << 5001 << 0x59 << false;
    QTest::newRow("4090 5200") << "4090" << 5200 << 0x5A << false;
    QTest::newRow("4090 6000") << "4090" << 6000 << 0x5E << false;
    QTest::newRow("unknown sensor coded like 4090") << "9800" << 1600 << 15 << false;
    QTest::newRow("empty sensor coded like 4090") << "" << 6000 << 0x5E << false;
    QTest::newRow("3360 100") << "3360" << 100 << 0 << false;
    QTest::newRow("3360 12000") << "3360" << 12000 << 119 << false;
    QTest::newRow("3389 50") << "3389" << 50 << 1 << false;
    QTest::newRow("3389 12750") << "3389" << 12750 << 255 << false;
    QTest::newRow("3389 last without the high bit 12799") << "3389" << 12799 << 255 << false;
    QTest::newRow("3389 first with the high bit 12800") << "3389" << 12800 << 0 << true;
    QTest::newRow("3389 16000") << "3389" << 16000 << 0x40 << true;
}

void TestDeviceCoding::stageCodes()
{
    QFETCH(QString, sensor);
    QFETCH(int, value);
    QFETCH(int, code);
    QFETCH(bool, highRange);
    bool high = !highRange;
    QCOMPARE(int(stageCode(sensor, value, &high)), code);
    QCOMPARE(high, highRange);
}

void TestDeviceCoding::tableSensors_data()
{
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("code");

    struct Sensor {
        const char *name;
        QList<int> thresholds;
        int firstCode;
    };
    const QList<Sensor> sensors = {
        {"3050", {250, 500, 750, 1000, 1250, 1500, 1750, 2000}, 1},
        {"3305", {400, 800, 1200, 1600, 2000, 2400, 2800, 3200}, 1},
        {"5050", {125, 250, 375, 500, 625, 750, 875, 1000, 1125, 1250, 1375}, 1},
        {"3320",
         {500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500, 6000, 6500, 7000},
         0x21},
    };
    for (const Sensor &s : sensors) {
        int first = 1;
        for (int k = 0; k < s.thresholds.size(); ++k) {
            const int last = s.thresholds[k];
            const int code = s.firstCode + k;
            QTest::addRow("%s step %d first (%d)", s.name, k + 1, first) << s.name << first << code;
            QTest::addRow("%s step %d last (%d)", s.name, k + 1, last) << s.name << last << code;
            first = last + 1;
        }
        QTest::addRow("%s one past the last step (%d)", s.name, first) << s.name << first << 0;
    }
    QTest::newRow("3050 251") << "3050" << 251 << 2;
    QTest::newRow("3050 2400") << "3050" << 2400 << 0;
    QTest::newRow("3320 400") << "3320" << 400 << 0x21;
}

void TestDeviceCoding::tableSensors()
{
    QFETCH(QString, sensor);
    QFETCH(int, value);
    QFETCH(int, code);
    QCOMPARE(int(stageCode(sensor, value)), code);
}

void TestDeviceCoding::dpiStagesInImages()
{
    // 3389: codes twice, the high-range mask in both mask bytes.
    const DpiCoding high = codeDpiStages("3389", listOf({800, 16000, 12750, 12800}));
    QCOMPARE(int(high.codes[0]), 16);
    QCOMPARE(int(high.codes[1]), 0x40);
    QCOMPARE(int(high.highRangeMask), 0x0A);
    // The four stages the list lacks count as 0.
    QCOMPARE(int(high.codes[4]), 0);
    QCOMPARE(int(high.codes[7]), 0);

    Image image;
    image.fill(0xEE);
    writeDpiStages(image, high, 0x1F);
    QCOMPARE(int(image[0x52]), 0x0A);
    QCOMPARE(int(image[0x53]), 0x0A);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(image[0x54 + i], high.codes[i]);
        QCOMPARE(image[0x5C + i], high.codes[i]);
    }
    QCOMPARE(int(image[0x64]), 0x1F);
    QCOMPARE(int(image[0x51]), 0xEE);
    QCOMPARE(int(image[0x65]), 0xEE);

    // Other sensors leave the mask bytes as the mouse sent them.
    Image other;
    other.fill(0xEE);
    writeDpiStages(other,
                   codeDpiStages("3360", listOf({1600, 1600, 1600, 1600, 1600, 1600, 1600, 1600})),
                   0xFF);
    QCOMPARE(int(other[0x52]), 0xEE);
    QCOMPARE(int(other[0x53]), 0xEE);
    QCOMPARE(int(other[0x54]), 15);
}

void TestDeviceCoding::stageMasks()
{
    QCOMPARE(int(stageEnableMask(5)), 0x1F);
    QCOMPARE(int(stageEnableMask(1)), 0x01);
    QCOMPARE(int(stageEnableMask(8)), 0xFF);
    QCOMPARE(int(stageEnableMask(0)), 0x00);
    QCOMPARE(int(stageEnableMask(40)), 0xFF);
    QCOMPARE(int(stageEnableMask(-3)), 0x00);

    StageCodes codes = {1, 2, 3, 4, 5, 6, 7, 8};
    const StageCodes marked = markDisabledStages(codes, listOf({1, 1, 0, 1, 1, 1, 1, 1}));
    QCOMPARE(int(marked[2]), 0x80);
    QCOMPARE(int(marked[3]), 4);
    // Flags the list lacks count as disabled.
    const StageCodes shortFlags = markDisabledStages(codes, listOf({1, 1}));
    QCOMPARE(int(shortFlags[1]), 2);
    QCOMPARE(int(shortFlags[2]), 0x80);
    QCOMPARE(int(shortFlags[7]), 0x80);
}

// ---- key matrices ----

void TestDeviceCoding::translateEntry_data()
{
    QTest::addColumn<Entry>("page");
    QTest::addColumn<Entry>("on560");
    QTest::addColumn<Entry>("on553");

    auto row = [](const char *name, Entry page, Entry device) {
        QTest::newRow(name) << page << device << device;
    };
    row("left button", {0, 0, 0xF0, 0}, {1, 0, 0xF0, 0});
    row("special mouse function", {0, 0xF0, 0x1E, 2}, {10, 0xF0, 0x1E, 2});
    row("0x1E without the 2 is a plain mouse function", {0, 0, 0x1E, 0}, {1, 0, 0x1E, 0});
    row("fire", {1, 0x04, 50, 3}, {10, 0x04, 50, 3});
    row("key combination", {2, 0x01, 0x06, 0}, {0, 0x01, 0x06, 0});
    row("media next", {3, 0, 0xB5, 0}, {3, 0, 0xB5, 0});
    row("macro in slot 0", {4, 0, 0, 0}, {9, 0, 1, 0});
    row("looping macro on button 5", {4, 2, 5, 0}, {9, 2, 6, 0});
    row("DPI+", {5, 0, 1, 0}, {7, 0, 1, 0});
    row("DPI loop", {5, 0, 3, 0}, {7, 0, 3, 0});
    row("system My PC is a consumer usage", {6, 0, 0x94, 1}, {3, 0, 0x94, 1});
    row("system Search is a consumer usage", {6, 0, 0x21, 2}, {3, 0, 0x21, 2});
    row("system Index is a consumer usage", {6, 0, 0x23, 2}, {3, 0, 0x23, 2});
    row("system Max stays a key", {6, 4, 0x2C, 0x1B}, {0, 4, 0x2C, 0x1B});
    row("shortcut copy", {7, 0, 0xE0, 0x06}, {0, 0, 0xE0, 0x06});
    row("combination that looks like a consumer usage", {2, 0, 0x21, 2}, {3, 0, 0x21, 2});
    row("weapon key", {8, 0, 2, 0}, {8, 0, 2, 0});
    row("further function", {0xFF, 0, 1, 0}, {4, 0, 1, 0});
    row("unknown type 9 unchanged", {9, 1, 2, 3}, {9, 1, 2, 3});
    row("unknown type 0xFE unchanged", {0xFE, 1, 2, 3}, {0xFE, 1, 2, 3});
    QTest::newRow("sniper key") << Entry{5, 0, 4, 0} << Entry{11, 0, 1, 1} << Entry{7, 0, 4, 1};
}

void TestDeviceCoding::translateEntry()
{
    QFETCH(Entry, page);
    QFETCH(Entry, on560);
    QFETCH(Entry, on553);
    const KeyEntry a = DeviceCoding::translateEntry(toKey(page), kSniper560);
    const KeyEntry b = DeviceCoding::translateEntry(toKey(page), kSniper553);
    QCOMPARE(entryOf(a), on560);
    QCOMPARE(entryOf(b), on553);
}

void TestDeviceCoding::mainMatrixFixedEntries()
{
    QVariantList page;
    for (int n = 0; n < 16; ++n)
        page << 5 << 0 << (n % 3) + 1 << 0; // DPI functions: type 7 on the device
    page[12] = 3;                           // button 3: media (3, 0, n%3+1, 0)
    const KeyMatrix m = buildMainMatrix(page, kSniper553);
    QCOMPARE(entryOf(m.bytes(), 3), (Entry{7, 0, 2, 0})); // page's button 4
    QCOMPARE(entryOf(m.bytes(), 4), (Entry{3, 0, 1, 0})); // page's button 3
    QCOMPARE(entryOf(m.bytes(), 6), (Entry{11, 7, 0, 0}));
    QCOMPARE(entryOf(m.bytes(), 7), (Entry{5, 0, 1, 0}));
    QCOMPARE(entryOf(m.bytes(), 15), (Entry{7, 0, 1, 0}));
    QVERIFY(!hasWeaponKey(m));

    // A weapon key on the page's button 6 is overwritten by the fixed entry.
    page[24] = 8;
    QVERIFY(!hasWeaponKey(buildMainMatrix(page, kSniper553)));
    page[20] = 8;
    QVERIFY(hasWeaponKey(buildMainMatrix(page, kSniper553)));
}

void TestDeviceCoding::mainMatrixShortList()
{
    // Missing items count as 0: a missing entry is (0, 0, 0, 0), a mouse function.
    const KeyMatrix m = buildMainMatrix(listOf({4, 1, 0, 0, 3}), kSniper560);
    QCOMPARE(entryOf(m.bytes(), 0), (Entry{9, 1, 1, 0}));
    QCOMPARE(entryOf(m.bytes(), 1), (Entry{3, 0, 0, 0}));
    QCOMPARE(entryOf(m.bytes(), 2), (Entry{1, 0, 0, 0}));
    QCOMPARE(entryOf(m.bytes(), 15), (Entry{1, 0, 0, 0}));
    const KeyMatrix empty = buildMainMatrix({}, kSniper560);
    QCOMPARE(entryOf(empty.bytes(), 6), (Entry{11, 7, 0, 0}));

    // Factory entries with fewer than four items.
    std::array<QVariantList, 16> firmware;
    firmware[0] = listOf({1, 2});
    firmware[15] = QVariantList{"9", "8", "7", "6", "5"};
    const KeyLayer layer = firmwareLayer(firmware);
    QCOMPARE(entryOf(layer.matrix.bytes(), 0), (Entry{1, 2, 0, 0}));
    QCOMPARE(entryOf(layer.matrix.bytes(), 15), (Entry{9, 8, 7, 6}));
    for (uchar b : layer.zeros)
        QCOMPARE(int(b), 0);
}

void TestDeviceCoding::weaponLayers_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("p");
    QTest::addColumn<Entry>("main");
    QTest::addColumn<Entry>("layer2");
    QTest::addColumn<Entry>("layer3");
    QTest::addColumn<Entry>("layer4");
    QTest::addColumn<int>("mask");

    // The weapon key sits on device entry 5, whose factory entry is (5, 0x15, 0x25, 0x35).
    QTest::newRow("560 one weapon") << 560 << 1 << Entry{8, 0, 1, 0} << Entry{8, 0x15, 0, 0x35}
                                    << Entry{8, 0x15, 0, 0x35} << Entry{8, 0x15, 0, 0x35} << 0x07;
    QTest::newRow("560 two weapons") << 560 << 2 << Entry{8, 0, 1, 0} << Entry{8, 0x15, 3, 0x35}
                                     << Entry{8, 0x15, 0, 0x35} << Entry{8, 0x15, 0, 0x35} << 0x0F;
    QTest::newRow("560 three weapons")
        << 560 << 3 << Entry{8, 0, 1, 0} << Entry{8, 0x15, 3, 0x35} << Entry{8, 0x15, 3, 0x35}
        << Entry{8, 0x15, 0, 0x35} << 0x1F;
    QTest::newRow("560 choice 4 marks only")
        << 560 << 4 << Entry{8, 0, 1, 0} << Entry{8, 0x15, 0x25, 0x35} << Entry{8, 0x15, 0x25, 0x35}
        << Entry{8, 0x15, 0x25, 0x35} << -1;
    QTest::newRow("553 one weapon") << 553 << 1 << Entry{8, 0, 1, 1} << Entry{8, 0, 1, 0}
                                    << Entry{8, 0, 1, 0} << Entry{8, 0, 1, 0} << -1;
    QTest::newRow("553 two weapons") << 553 << 2 << Entry{8, 0, 1, 1} << Entry{8, 0, 1, 2}
                                     << Entry{8, 0, 1, 0} << Entry{8, 0, 1, 0} << -1;
    QTest::newRow("553 three weapons") << 553 << 3 << Entry{8, 0, 1, 1} << Entry{8, 0, 1, 2}
                                       << Entry{8, 0, 1, 3} << Entry{8, 0, 1, 0} << -1;
    QTest::newRow("553 choice 0 keeps b3") << 553 << 0 << Entry{8, 0, 1, 1} << Entry{8, 0, 1, 0x35}
                                           << Entry{8, 0, 1, 0x35} << Entry{8, 0, 1, 0x35} << -1;
}

void TestDeviceCoding::weaponLayers()
{
    QFETCH(int, family);
    QFETCH(int, p);
    QFETCH(Entry, main);
    QFETCH(Entry, layer2);
    QFETCH(Entry, layer3);
    QFETCH(Entry, layer4);
    QFETCH(int, mask);

    QVariantList page(64, 0);
    page[20] = 8; // button 5
    page[21] = 0x44;
    page[22] = p;
    std::array<QVariantList, 16> firmware;
    for (int n = 0; n < 16; ++n)
        firmware[n] = listOf({n, 0x10 + n, 0x20 + n, 0x30 + n});
    const KeyEntry sniper = family == 560 ? kSniper560 : kSniper553;
    WeaponLayers set = startWeaponLayers(buildMainMatrix(page, sniper), firmwareLayer(firmware));
    if (family == 560)
        applyWeaponKeys560(set);
    else
        applyWeaponKeys553(set);

    if (family == 560)
        main[1] = 0x44; // the 560 rule keeps b1
    QCOMPARE(entryOf(set.main.bytes(), 5), main);
    QCOMPARE(entryOf(set.layers[0].matrix.bytes(), 5), layer2);
    QCOMPARE(entryOf(set.layers[1].matrix.bytes(), 5), layer3);
    QCOMPARE(entryOf(set.layers[2].matrix.bytes(), 5), layer4);
    QCOMPARE(set.layerMask, mask);
    // Entries without a weapon key keep the factory bytes.
    QCOMPARE(entryOf(set.layers[1].matrix.bytes(), 9), (Entry{9, 0x19, 0x29, 0x39}));
    for (const KeyLayer &layer : set.layers)
        for (uchar b : layer.zeros)
            QCOMPARE(int(b), 0);
}

void TestDeviceCoding::weaponLayersFirePeriods()
{
    WeaponLayers set;
    setFirePeriods(set, QVariantList{10, "300", -1});
    QCOMPARE(entryOf(set.layers[0].matrix.bytes(), 0), (Entry{11, 0, 10, 0}));
    QCOMPARE(entryOf(set.layers[1].matrix.bytes(), 0), (Entry{11, 1, 300 & 0xFF, 0}));
    QCOMPARE(entryOf(set.layers[2].matrix.bytes(), 0), (Entry{11, 2, 0xFF, 0}));
    // A short list: the missing periods are 0.
    setFirePeriods(set, listOf({7}));
    QCOMPARE(entryOf(set.layers[0].matrix.bytes(), 0), (Entry{11, 0, 7, 0}));
    QCOMPARE(entryOf(set.layers[2].matrix.bytes(), 0), (Entry{11, 2, 0, 0}));

    // Several weapon keys: the last one decides the 560 layer mask.
    QVariantList page(64, 0);
    page[0] = 8;
    page[2] = 3;
    page[8] = 8;
    page[10] = 1;
    WeaponLayers two = startWeaponLayers(buildMainMatrix(page, kSniper560), KeyLayer{});
    applyWeaponKeys560(two);
    QCOMPARE(two.layerMask, 0x07);
}

// ---- lighting ----

void TestDeviceCoding::lightAttributeRecord()
{
    QVariantList colours;
    for (int i = 0; i < 45; ++i)
        colours << i + 1;
    const AttributeRecord off = DeviceCoding::lightAttributeRecord(6, 50, 3, 0, colours);
    QCOMPARE(int(off[0]), 0x32);
    QCOMPARE(int(off[1]), 0);
    QCOMPARE(int(off[2]), 50);
    QCOMPARE(int(off[3]), 3);
    QCOMPARE(int(off[4]), 0);
    for (int i = 5; i < 64; ++i)
        QCOMPARE(int(off[i]), 0);

    colours << 99 << 98; // beyond the 45 colour bytes
    const AttributeRecord on = DeviceCoding::lightAttributeRecord(2, 255, 4, 1, colours);
    QCOMPARE(int(on[1]), 2);
    QCOMPARE(int(on[2]), 255);
    QCOMPARE(int(on[4]), 1);
    for (int i = 0; i < 45; ++i)
        QCOMPARE(int(on[5 + i]), i + 1);
    for (int i = 50; i < 64; ++i)
        QCOMPARE(int(on[i]), 0);

    // Fewer colours than the record holds: the rest are 0.
    const AttributeRecord few = DeviceCoding::lightAttributeRecord(0, 1, 1, 0, {255, 256, "7"});
    QCOMPARE(int(few[5]), 255);
    QCOMPARE(int(few[6]), 0);
    QCOMPARE(int(few[7]), 7);
    QCOMPARE(int(few[8]), 0);
}

void TestDeviceCoding::colorfulEffectTable()
{
    // Per effect: M, whether P is the brightness B(option2), and E by option1 0..4.
    struct Row {
        int effect, m;
        bool brightness;
        std::array<int, 5> speed;
    };
    const Row rows[] = {
        {0, 1, true, {0, 0, 0, 0, 0}},        {1, 3, false, {10, 7, 5, 3, 1}},
        {2, 4, false, {10, 7, 5, 3, 1}},      {3, 0, false, {0, 0, 0, 0, 0}},
        {4, 2, true, {0, 0, 0, 0, 0}},        {5, 5, true, {10, 7, 5, 3, 1}},
        {6, 6, false, {0, 0, 0, 0, 0}},       {7, 7, true, {0, 0, 0, 0, 0}},
        {8, 8, true, {20, 17, 15, 13, 11}},   {9, 9, true, {15, 13, 10, 7, 5}},
        {10, 10, true, {30, 27, 24, 22, 20}}, {11, 0, false, {0, 0, 0, 0, 0}},
        {200, 0, false, {0, 0, 0, 0, 0}},
    };
    const int bright[] = {0, 64, 128, 192, 255, 0, 0}; // option2 0..6
    for (const Row &r : rows) {
        for (int o1 = 0; o1 <= 6; ++o1) {
            for (int o2 = 0; o2 <= 6; ++o2) {
                const EffectTriple t = colorfulEffect(uchar(r.effect), uchar(o1), uchar(o2));
                const int p = r.brightness ? bright[o2] : 0;
                const int e = o1 < 5 ? r.speed[o1] : 0;
                if (t[0] != r.m || t[1] != p || t[2] != e)
                    QFAIL(qPrintable(QString("effect %1 option1 %2 option2 %3 gave %4 %5 %6")
                                         .arg(r.effect)
                                         .arg(o1)
                                         .arg(o2)
                                         .arg(t[0])
                                         .arg(t[1])
                                         .arg(t[2])));
            }
        }
    }
    QCOMPARE(colorfulEffect(5, 2, 4), (EffectTriple{5, 255, 5}));
    QCOMPARE(colorfulEffect(8, 0, 1), (EffectTriple{8, 64, 20}));
    QCOMPARE(colorfulEffect(5, 7, 4), (EffectTriple{5, 255, 0}));
}

void TestDeviceCoding::plainEffectTable()
{
    for (int o = 0; o <= 6; ++o) {
        const int level[] = {1, 3, 5, 7, 10, 0, 0};
        const int neon[] = {30, 24, 18, 12, 6, 0, 0};
        QCOMPARE(plainEffect(0, 9, uchar(o)), (EffectTriple{1, uchar(level[o]), 1}));
        QCOMPARE(plainEffect(1, uchar(o), 9), (EffectTriple{2, uchar(o + 1), 1}));
        QCOMPARE(plainEffect(2, uchar(o), 9), (EffectTriple{3, uchar(neon[o]), 1}));
        QCOMPARE(plainEffect(4, uchar(o), 9), (EffectTriple{2, uchar(o + 1), 3}));
    }
    for (int effect : {3, 5, 6, 7, 255})
        QCOMPARE(plainEffect(uchar(effect), 1, 1), (EffectTriple{0, 0, 0}));
    QCOMPARE(plainEffect(1, 255, 0), (EffectTriple{2, 0, 1})); // one byte wraps
    QCOMPARE(plainEffect(0, 0, 2), (EffectTriple{1, 5, 1}));

    Image image{};
    writeEffect(image, {7, 8, 9});
    QCOMPARE(int(image[0x46]), 0);
    QCOMPARE(int(image[0x47]), 7);
    QCOMPARE(int(image[0x49]), 9);
    QCOMPARE(int(image[0x4A]), 0);
}

void TestDeviceCoding::colourBlocks()
{
    const ColourBlock stageColours = colourBlock(listOf({1, 2, 3, 4, 5, 6, 7, 8}));
    const ColourBlock packed = packStageNibbles(stageColours);
    const ColourBlock expected = {0x21, 0x43, 0x65, 0x87, 5, 6, 7, 8};
    QCOMPARE(packed, expected);
    // Only the low nibble of the first item of a pair survives.
    QCOMPARE(int(packStageNibbles(colourBlock(listOf({0xAB, 0xCD})))[0]), 0xDB);

    // More than 24 items: the rest are ignored; fewer: zero-filled.
    QVariantList many;
    for (int i = 0; i < 30; ++i)
        many << 200 + i;
    const ColourBlock full = colourBlock(many);
    QCOMPARE(int(full[23]), (223) & 0xFF);
    QVERIFY(eighthColourLit(full));
    const ColourBlock six = colourBlock(QVariantList(18, 255));
    QVERIFY(!eighthColourLit(six));
    QCOMPARE(int(six[17]), 255);
    QCOMPARE(int(six[18]), 0);
    QVariantList whiteEighth(24, 0);
    whiteEighth[23] = 1;
    QVERIFY(eighthColourLit(colourBlock(whiteEighth)));
}

// ---- recoil and pointer ----

void TestDeviceCoding::weaponRecord()
{
    Image image;
    image.fill(0xFF);
    writeWeaponRecord(image, 3, 0x10, 0xF6);
    QCOMPARE(int(image[0x41]), 0xFB);
    QCOMPARE(int(image[0x4D]), 0xFF);
    QCOMPARE(int(image[0x4E]), 0xF0);
    QCOMPARE(int(image[0x4F]), 3);
    QCOMPARE(int(image[0x50]), 0x10);
    QCOMPARE(int(image[0x51]), 0xF6);
    QCOMPARE(int(image[0x52]), 0xFF);

    QCOMPARE(int(recoilYByte(10, false)), 10);
    QCOMPARE(int(recoilYByte(10, true)), 0xF6);
    QCOMPARE(int(recoilYByte(0, true)), 0);
    QCOMPARE(int(recoilYByte(0x80, true)), 0x80);
}

void TestDeviceCoding::pointerValues()
{
    QCOMPARE(pointerSpeed(0), 1);
    QCOMPARE(pointerSpeed(1), 2);
    QCOMPARE(pointerSpeed(10), 20);
    QCOMPARE(pointerSpeed(11), 20);
    QCOMPARE(pointerSpeed(0xFFFFFFFFu), 20);
    QCOMPARE(doubleClickMs(0), 900);
    QCOMPARE(doubleClickMs(10), 200);
    QCOMPARE(doubleClickMs(12), 60);
    QCOMPARE(doubleClickMs(13), 60);
    QCOMPARE(doubleClickMs(0xFFFFFFFFu), 60);

    QCOMPARE(PointerMapping::speedToFactor(1), -1.0);
    QCOMPARE(PointerMapping::speedToFactor(10), 0.0);
    QCOMPARE(PointerMapping::speedToFactor(20), 1.0);
    QCOMPARE(PointerMapping::speedToFactor(15), 0.5);
    QCOMPARE(PointerMapping::speedToFactor(-4), -1.0);
    QCOMPARE(PointerMapping::speedToFactor(99), 1.0);
}

void TestDeviceCoding::byteConversion()
{
    QCOMPARE(int(lowByte(300)), 44);
    QCOMPARE(int(lowByte(-10)), 0xF6);
    QCOMPARE(int(lowByte(QString("258"))), 2);
    QCOMPARE(int(lowByte(258.0)), 2);
    QCOMPARE(int(lowByte(QString("12.9"))), 12);
    QCOMPARE(int(lowByte(QString("abc"))), 0);
    QCOMPARE(int(lowByte(QVariant())), 0);
    QCOMPARE(int(itemByte(listOf({1, 2}), 2)), 0);
    QCOMPARE(int(itemByte(listOf({1, 2}), -1)), 0);
    QCOMPARE(itemInt(QVariantList{"-5"}, 0), -5);
}

QTEST_GUILESS_MAIN(TestDeviceCoding)
#include "tst_devicecoding.moc"
