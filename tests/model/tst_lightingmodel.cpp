// The lighting model without a window: its units against the window's
// texts at their bounds, and the page protocol against the virtual mouse
// (what reaches the profile file and the light attribute record).
#include "model/lightingmodel.h"

#include "../stagemodules.h"
#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/operations.h"

#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The shipped modules, staged, with the operations admitted to the virtual mouse.
struct Rig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Operations> ops;
    Hid_Thread hid;

    bool open()
    {
        if (!dir.isValid() || !stageModules(dir.path()))
            return false;
        kvm::configure(kvm::defaultConfig());
        const QString modules = dir.path() + QStringLiteral("/modules");
        ops = std::make_unique<Operations>(modules, &dialogs);
        ops->attachDevice(&hid);
        auto list =
            DevicePresence::readDeviceList(modules + QStringLiteral("/setting/apConfig.bin"));
        DevicePresence::findInterfaces(list);
        if (DevicePresence::admitFirst(hid, list) < 0)
            return false;
        hid.hidIdle = true;
        kvm::clearWireLog();
        return true;
    }

    // A value of the current profile as its file holds it (another
    // QSettings object would see this process's cache).
    QString stored(const QString &key) const
    {
        QFile file(ops->settings()->currentProfile()->fileName());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QString group =
            QLatin1Char('[') + key.section(QLatin1Char('/'), 0, 0) + QLatin1Char(']');
        const QString name = key.section(QLatin1Char('/'), 1) + QLatin1Char('=');
        bool inGroup = false;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('[')))
                inGroup = line == group;
            else if (inGroup && line.startsWith(name))
                return line.mid(name.size());
        }
        return {};
    }
};

// The payload of the last light attribute record (command 0x16) on the wire.
QByteArray lastRecord()
{
    QByteArray payload;
    bool inRecord = false;
    for (const kvm::WireEntry &e : kvm::wireLog()) {
        if (e.iface != "command")
            continue;
        if (e.call == "send_feature") {
            inRecord = e.plain.size() > 1 && e.plain[1] == 0x16;
            if (inRecord)
                payload.clear();
        } else if (e.call == "write" && inRecord && e.bytes.size() > 1) {
            payload.append(reinterpret_cast<const char *>(e.bytes.data()) + 1,
                           qsizetype(e.bytes.size() - 1));
        }
    }
    return payload;
}

} // namespace

class TstLightingModel : public QObject
{
    Q_OBJECT
private slots:
    void units_data();
    void units();
    void saveStoresAndSends_data();
    void saveStoresAndSends();
    void recoveryKeepsThePresetList();
};

void TstLightingModel::units_data()
{
    QTest::addColumn<QString>("conversion");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("slowest speed shows Speed 1") << "shownSpeedOf" << 0 << 1;
    QTest::newRow("fastest speed shows Speed 5") << "shownSpeedOf" << 4 << 5;
    QTest::newRow("Speed 1 is stored 0") << "speedOfShown" << 1 << 0;
    QTest::newRow("Speed 5 is stored 4") << "speedOfShown" << 5 << 4;
    QTest::newRow("below Speed 1 is the slowest") << "speedOfShown" << 0 << 0;
    QTest::newRow("above Speed 5 is the fastest") << "speedOfShown" << 6 << 4;
    QTest::newRow("step 0 shows 0%") << "percentOf" << 0 << 0;
    QTest::newRow("step 51 shows 100%") << "percentOf" << 51 << 100;
    QTest::newRow("step 1 shows 2%") << "percentOf" << 1 << 2;
    QTest::newRow("step 20 shows 39%") << "percentOf" << 20 << 39;
    QTest::newRow("0% is step 0") << "brightnessOfPercent" << 0 << 0;
    QTest::newRow("100% is step 51") << "brightnessOfPercent" << 100 << 51;
    QTest::newRow("20% is step 10, which shows 20%") << "brightnessOfPercent" << 20 << 10;
    QTest::newRow("40% no step shows: the nearest, 39%") << "brightnessOfPercent" << 40 << 20;
    QTest::newRow("50% between two steps: the upper") << "brightnessOfPercent" << 50 << 26;
    QTest::newRow("101% is the brightest") << "brightnessOfPercent" << 101 << 51;
    QTest::newRow("entry 4 is effect 5") << "effectOfEntry" << 4 << 5;
    QTest::newRow("entry 5 is effect 6") << "effectOfEntry" << 5 << 6;
    QTest::newRow("effect 4 is not offered: entry 0") << "entryOfEffect" << 4 << 0;
}

void TstLightingModel::units()
{
    QFETCH(QString, conversion);
    QFETCH(int, from);
    QFETCH(int, to);
    const QHash<QString, int (*)(int)> conversions{
        {QStringLiteral("shownSpeedOf"), &LightingModel::shownSpeedOf},
        {QStringLiteral("speedOfShown"), &LightingModel::speedOfShown},
        {QStringLiteral("percentOf"), &LightingModel::percentOf},
        {QStringLiteral("brightnessOfPercent"), &LightingModel::brightnessOfPercent},
        {QStringLiteral("effectOfEntry"), &LightingModel::effectOfEntry},
        {QStringLiteral("entryOfEffect"), &LightingModel::entryOfEffect}};
    QVERIFY(conversions.contains(conversion));
    const int result = conversions.value(conversion)(from);
    QCOMPARE(result, to);
    // Every step the window shows comes back as that step.
    if (conversion == QLatin1String("percentOf"))
        QCOMPARE(LightingModel::brightnessOfPercent(result), from);
}

void TstLightingModel::saveStoresAndSends_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("block");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("head"); // the record's bytes 0..7

    // Preset 0 of the shipped profile: speed 2, direction 0; block 2 is
    // (255, 255, 0), block 0 (255, 0, 0).
    QTest::newRow("symmetric flow at 20%, brightness times five")
        << 4 << 20 << 2 << "5, 2, 10, 0" << QByteArray::fromHex("3205320200ffff00");
    QTest::newRow("off sends no colour")
        << 5 << 100 << 0 << "6, 2, 51, 0" << QByteArray::fromHex("3200ff0200000000");
}

void TstLightingModel::saveStoresAndSends()
{
    QFETCH(int, entry);
    QFETCH(int, percent);
    QFETCH(int, block);
    QFETCH(QString, value);
    QFETCH(QByteArray, head);
    Rig rig;
    QVERIFY(rig.open());
    LightingModel light(*rig.ops);
    light.saveData(true, 0); // before init: placeholders, never stored or sent
    QVERIFY(kvm::wireLog().empty());

    light.init(false, false);
    QCOMPARE(light.shownSpeed(), 3);
    QCOMPARE(light.brightnessPercent(), 100);
    QVERIFY(!light.isSave());
    light.chooseEffect(entry);
    light.setBrightness(LightingModel::brightnessOfPercent(percent));
    light.selectBlock(block);
    QVERIFY(light.isSave());
    QCOMPARE(light.brightnessPercent(), percent);
    light.saveData(true, 0);

    QCOMPARE(rig.stored(QStringLiteral("mouseLight/lightValue")), value);
    QCOMPARE(rig.stored(QStringLiteral("mouseLight/colorIndex")), QString::number(block));
    QCOMPARE(rig.stored(QStringLiteral("mouseLight/lightName")),
             QStringLiteral("Light 1, Light 2, Light 3, Light 4"));
    const QByteArray record = lastRecord();
    QVERIFY(record.size() >= 50);
    QCOMPARE(record.left(8), head);
    // The selected block fifteen times (nothing when off).
    QCOMPARE(record.mid(5, 45), QByteArray(head.mid(5, 3)).repeated(15));
}

// A reset reads the preset's values from the defaults but keeps the
// presets the page holds, and the one in use.
void TstLightingModel::recoveryKeepsThePresetList()
{
    Rig rig;
    QVERIFY(rig.open());
    LightingModel light(*rig.ops);
    light.init(false, false);
    light.choosePreset(2);
    QVERIFY(light.renamePreset(2, QStringLiteral("  Night ")));
    QVERIFY(!light.renamePreset(2, QStringLiteral("   ")));
    QVERIFY(light.deletePreset(0));
    QVERIFY(light.deletePreset(0));
    QCOMPARE(light.names(), (QStringList{QStringLiteral("Night"), QStringLiteral("Light 4")}));
    QCOMPARE(light.lightNo(), 0);
    // The first free name, not the next number.
    QVERIFY(light.addPreset());
    QCOMPARE(light.names().last(), QStringLiteral("Light 1"));
    light.choosePreset(0);
    light.setSpeed(0);
    light.saveData(false, 0);
    SettingsStore *store = rig.ops->settings();
    QVERIFY(store->resetProfile(store->currentProfileIndex()));

    light.init(true, true);
    QCOMPARE(light.lightNo(), 0);
    QCOMPARE(light.lightCount(), 3);
    QCOMPARE(light.speed(), 2);
    QCOMPARE(light.effect(), 0); // preset 0 of the defaults
    QCOMPARE(rig.stored(QStringLiteral("mouseLight/lightName")),
             QStringLiteral("Night, Light 4, Light 1"));
    QCOMPARE(rig.stored(QStringLiteral("mouseLight/lightCount")), QStringLiteral("3"));
    QCOMPARE(lastRecord().left(5), QByteArray::fromHex("3200ff0200"));
}

QTEST_GUILESS_MAIN(TstLightingModel)
#include "tst_lightingmodel.moc"
