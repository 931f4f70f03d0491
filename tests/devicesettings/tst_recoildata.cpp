// The weapon table file, the per-profile recoil values and the weapon record.
#include "devicesettings/recoildata.h"
#include "mouserig.h"
#include "tests/filesizelimit.h"
#include "tests/replacementcounter.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

namespace {

QVariantList listOf(std::initializer_list<int> values)
{
    QVariantList list;
    for (int v : values)
        list << v;
    return list;
}

QByteArray fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A weapon table written by another process, as the program finds it on disk.
void writeTable(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

} // namespace

class TestRecoilData : public QObject
{
    Q_OBJECT
private slots:
    void withoutTableFile();
    void tableEditing();
    void renameAndShortLists();
    void perProfileValues();
    void weaponRecord553();
    void weaponRecord560();
    void nothingSentOutsideTheSlots();
    void fullDiskKeepsTheTable();
    void refusedWriteIsNotRepeatedUnchecked();
};

// A disk too full for the new table: the old one stays whole, and a debug
// line names the file.
void TestRecoilData::fullDiskKeepsTheTable()
{
    MouseRig rig;
    QVERIFY(rig.connect({553, true}));
    RecoilData recoil(rig.device.get());
    const QString path = recoil.gunDataPath();
    writeTable(path, "[gunData]\nM416=L-Click, 10, 0, 10, 0\n");
    const QByteArray before = fileText(path);
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression("failed.*" + QRegularExpression::escape(path)));
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression("failed.*" + QRegularExpression::escape(path)));
    {
        FileSizeLimit full(FileSizeLimit::justAbove(path));
        QVERIFY(full.active());
        recoil.mouseSaveGundata("AKM", QVariantList{"L-Click", 12, 0, 7, 0});
        recoil.modifyGundata(1, QVariantList{"Groza", "L-Click", 1, 2, 3, 4});
    }
    QCOMPARE(fileText(path), before);
    QVERIFY(recoil.getGunData("AKM").isEmpty());
    QCOMPARE(recoil.getGunDataKey(), QStringList{"M416"});
}

// After a refused write the table's values are not written again behind the
// caller's back, not even by a later read with room again (a new settings
// object on the file would write what the old one left unwritten); the next
// write goes through as ever.
void TestRecoilData::refusedWriteIsNotRepeatedUnchecked()
{
    MouseRig rig;
    QVERIFY(rig.connect({553, true}));
    RecoilData recoil(rig.device.get());
    const QString path = recoil.gunDataPath();
    writeTable(path, "[gunData]\nM416=L-Click, 10, 0, 10, 0\n");
    const QByteArray before = fileText(path);
    ReplacementCounter replacements(QFileInfo(path).path());
    QVERIFY(replacements.valid());
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression("failed.*" + QRegularExpression::escape(path)));
    {
        FileSizeLimit full(16); // not even a lock file fits
        QVERIFY(full.active());
        recoil.mouseSaveGundata("AKM", QVariantList{"L-Click", 12, 0, 7, 0});
    }
    QCOMPARE(recoil.getGunDataKey(), QStringList{"M416"});
    QVERIFY(recoil.getGunData("AKM").isEmpty());
    QCOMPARE(replacements.take("gunData.bin"), 0);
    QCOMPARE(fileText(path), before);

    recoil.mouseSaveGundata("AKM", QVariantList{"L-Click", 12, 0, 7, 0});
    QCOMPARE(fileText(path),
             QByteArray("[gunData]\nAKM=L-Click, 12, 0, 7, 0, 0\nM416=L-Click, 10, 0, 10, 0\n"));
}

void TestRecoilData::withoutTableFile()
{
    MouseRig rig;
    QVERIFY(rig.connect({553, true}));
    RecoilData recoil(rig.device.get());
    const QString path = recoil.gunDataPath();
    QVERIFY(path.endsWith("/gun/gunData.bin"));
    QVERIFY(!QFile::exists(path));

    recoil.mouseSaveGundata(0, QVariantList{"M416", "L-Click", "10", "0", "10", "0"});
    recoil.modifyGundata(1, QVariantList{"A", "k", "1", "2", "3", "4", "M416"});
    QVERIFY(!QFile::exists(path));
    QVERIFY(recoil.getGunDataKey().isEmpty());
    QVERIFY(recoil.getGunData(0).isEmpty());
}

void TestRecoilData::tableEditing()
{
    MouseRig rig;
    QVERIFY(rig.connect({553, true}));
    RecoilData recoil(rig.device.get());
    const QString path = recoil.gunDataPath();
    writeTable(path, "[gunData]\n0=M416, L-Click, 10, 0, 10, 0\n");

    QCOMPARE(recoil.getGunDataKey(), QStringList{"0"});
    QCOMPARE(recoil.getGunData(0), (QVariantList{"M416", "L-Click", "10", "0", "10", "0"}));
    QVERIFY(recoil.getGunData("missing").isEmpty());

    recoil.mouseSaveGundata(1, QVariantList{"AKM", "L-Click", 12, 0, 7, 0});
    QCOMPARE(recoil.getGunDataKey(), (QStringList{"0", "1"}));
    // Written through at once, as six text items.
    QVERIFY(fileText(path).contains("1=AKM, L-Click, 12, 0, 7, 0"));

    recoil.modifyGundata(0, QVariantList{"0"});
    QCOMPARE(recoil.getGunDataKey(), QStringList{"1"});
    recoil.modifyGundata(7, QVariantList{"1"}); // unknown type: nothing
    QCOMPARE(recoil.getGunDataKey(), QStringList{"1"});
}

void TestRecoilData::renameAndShortLists()
{
    MouseRig rig;
    QVERIFY(rig.connect({553, true}));
    RecoilData recoil(rig.device.get());
    writeTable(recoil.gunDataPath(), "[gunData]\n0=M416, L-Click, 10, 0, 10, 0\n"
                                     "1=AKM, L-Click, 10, 0, 10, 0\n");

    // Type 1: the old name goes, the five values land under the new name.
    recoil.modifyGundata(1, QVariantList{"Thomson", "R-Click", 9, 1, 2, 3, "1"});
    QCOMPARE(recoil.getGunDataKey(), (QStringList{"0", "Thomson"}));
    QCOMPARE(recoil.getGunData("Thomson"), (QVariantList{"R-Click", "9", "1", "2", "3"}));

    // Without the old name nothing is removed; without any name nothing happens.
    recoil.modifyGundata(1, QVariantList{"New", "k"});
    QCOMPARE(recoil.getGunDataKey(), (QStringList{"0", "New", "Thomson"}));
    QCOMPARE(recoil.getGunData("New"), (QVariantList{"k", "0", "0", "0", "0"}));
    recoil.modifyGundata(1, {});
    recoil.modifyGundata(0, {});
    QCOMPARE(recoil.getGunDataKey(), (QStringList{"0", "New", "Thomson"}));

    // A short weapon: the missing values are 0, not leftovers.
    recoil.mouseSaveGundata(0, QVariantList{"UNP9", "L-Click"});
    QCOMPARE(recoil.getGunData(0), (QVariantList{"UNP9", "L-Click", "0", "0", "0", "0"}));
}

void TestRecoilData::perProfileValues()
{
    MouseRig rig;
    QVERIFY(rig.connect({553, true}));
    RecoilData recoil(rig.device.get());

    QCOMPARE(recoil.getXYSensitive(0).toInt(), 4);
    QCOMPARE(recoil.getselectGun(2), QVariant(QString()));
    recoil.setXYSensitive(1, 7);
    recoil.setSelectGun(2, "AKM");
    QCOMPARE(recoil.getXYSensitive(1).toInt(), 7);
    QCOMPARE(recoil.getXYSensitive(0).toInt(), 4);
    QCOMPARE(recoil.getselectGun(2).toString(), QString("AKM"));
    QCOMPARE(rig.store->profile(0)->value("XYSensitive/1").toInt(), 7);

    // Another profile has its own values.
    rig.store->setCurrentProfile(3);
    QCOMPARE(recoil.getXYSensitive(1).toInt(), 4);
}

void TestRecoilData::weaponRecord553()
{
    kvm::Config config = kvm::defaultConfig();
    MouseRig rig;
    QVERIFY(rig.connect({553, true}, config));
    RecoilData recoil(rig.device.get());

    recoil.mouseSendGundata(1, listOf({0, 0, 10}));
    QCOMPARE(wireCodes(), (std::vector<uint8_t>{0x83, 0x04}));
    QCOMPARE(kvm::state().gunData[0], (std::array<uint8_t, 3>{0, 0, 10}));

    // Keyboard option byte 3 set: Y goes out negated.
    config.keyboardOptions = {0, 0, 1, 0};
    MouseRig turned;
    QVERIFY(turned.connect({553, true}, config));
    RecoilData recoil2(turned.device.get());
    recoil2.mouseSendGundata(3, listOf({2, 5, 10}));
    QCOMPARE(kvm::state().gunData[2], (std::array<uint8_t, 3>{2, 5, 0xF6}));
    const WireCommand set = wireCommands().back();
    QCOMPARE(set.frame, (std::vector<uint8_t>{0, 0x04, 0, 2, 5, 0xF6, 2, 0, 0xFC}));

    // A short value list: the missing values are 0.
    recoil2.mouseSendGundata(2, listOf({4}));
    QCOMPARE(kvm::state().gunData[1], (std::array<uint8_t, 3>{4, 0, 0}));
    QCOMPARE(kvm::state().errors, 0);
}

void TestRecoilData::weaponRecord560()
{
    MouseRig rig;
    QVERIFY(rig.connect({560, true}));
    RecoilData recoil(rig.device.get());

    recoil.mouseSendGundata(2, listOf({1, 2, 3}));
    const auto commands = wireCommands();
    QCOMPARE(commands.size(), size_t(1));
    QCOMPARE(int(commands[0].code()), 0x0C);
    QCOMPARE(int(commands[0].param(2)), 3); // slot 2 lives in profile 3
    kvm::Image expected = patternImage(3);
    expected[0x41] &= uint8_t(~0x04);
    expected[0x4E] = 0xF0;
    expected[0x4F] = 1;
    expected[0x50] = 2;
    expected[0x51] = 3;
    QCOMPARE(kvm::state().profiles[3], expected);
    QCOMPARE(kvm::state().profiles[2], patternImage(2));
}

void TestRecoilData::nothingSentOutsideTheSlots()
{
    MouseRig rig;
    QVERIFY(rig.connect({560, false}));
    RecoilData recoil(rig.device.get());
    const auto before = rig.device->images;

    recoil.mouseSendGundata(1, listOf({1, 2, 3})); // no weapons on this mouse
    rig.store->isGun = true;
    recoil.mouseSendGundata(0, listOf({1, 2, 3}));
    recoil.mouseSendGundata(4, listOf({1, 2, 3}));
    recoil.mouseSendGundata(-1, listOf({1, 2, 3}));
    QVERIFY(wireCommands().empty());
    QCOMPARE(rig.device->images, before);
}

QTEST_GUILESS_MAIN(TestRecoilData)
#include "tst_recoildata.moc"
