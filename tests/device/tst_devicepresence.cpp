// Device list, interface matching and admission against the virtual mouse.
#include "tests/device/vmfixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

QString writeConfig(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("apConfig.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(text);
    return path;
}

int handshakes()
{
    int n = 0;
    for (const auto &e : vmtest::entries("send_feature"))
        n += e.plain.size() == 9 && e.plain[1] == 0x00;
    return n;
}

} // namespace

class TestDevicePresence : public QObject
{
    Q_OBJECT
private slots:
    void readDeviceList();
    void missingFileGivesEmptyList();
    void deviceCountIsBounded_data();
    void deviceCountIsBounded();
    void reportLengthIsBounded_data();
    void reportLengthIsBounded();
    void findInterfaces();
    void admitFirst();
    void admitTellsAbsentFromRefused_data();
    void admitTellsAbsentFromRefused();
    void onlyLackOfPermissionIsARefusal();
};

void TestDevicePresence::readDeviceList()
{
    QTemporaryDir dir;
    const QString path = writeConfig(dir, "[common]\n"
                                          "deviceCount=3\n"
                                          "name=Kesta\n"
                                          "[0]\n"
                                          "type=1\n"
                                          "vid=04d9\n"
                                          "pid=A09F\n"
                                          "usagePage=ff00\n"
                                          "usage=ff00\n"
                                          "usagePage2=ff01\n"
                                          "usage2=ff01\n"
                                          "reportLength=64\n"
                                          "isEncode=true\n"
                                          "sCode=123456\n"
                                          "[2]\n"
                                          "vid=zz\n"
                                          "pid=1234\n");
    const auto list = DevicePresence::readDeviceList(path);
    QCOMPARE(list.size(), 3);

    const DeviceEntry &first = *list[0];
    QCOMPARE(first.type, 1);
    QCOMPARE(first.vid, uint16_t(0x04d9));
    QCOMPARE(first.pid, uint16_t(0xa09f));
    QCOMPARE(first.usagePage, uint16_t(0xff00));
    QCOMPARE(first.usage2, uint16_t(0xff01));
    QCOMPARE(first.reportLength, 64);
    QVERIFY(first.isEncode);
    QCOMPARE(first.sCode, QStringLiteral("123456"));
    QVERIFY(first.path.isEmpty() && first.path2.isEmpty());

    // Group 1 is missing altogether.
    const DeviceEntry &missing = *list[1];
    QCOMPARE(missing.type, -1);
    QCOMPARE(missing.vid, uint16_t(0));
    QCOMPARE(missing.pid, uint16_t(0));
    QCOMPARE(missing.usagePage, uint16_t(0));
    QCOMPARE(missing.reportLength, 32);
    QVERIFY(!missing.isEncode);
    QCOMPARE(missing.sCode, QStringLiteral("417306"));

    // Text that is not base 16 reads as 0; absent report length is 32.
    QCOMPARE(list[2]->vid, uint16_t(0));
    QCOMPARE(list[2]->pid, uint16_t(0x1234));
    QCOMPARE(list[2]->type, -1);
    QCOMPARE(list[2]->reportLength, 32);
}

void TestDevicePresence::missingFileGivesEmptyList()
{
    QTemporaryDir dir;
    QVERIFY(DevicePresence::readDeviceList(dir.filePath(QStringLiteral("none.bin"))).isEmpty());
    QVERIFY(DevicePresence::readDeviceList(dir.path()).isEmpty());
}

void TestDevicePresence::deviceCountIsBounded_data()
{
    QTest::addColumn<QByteArray>("count");
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("said");
    QTest::newRow("the largest list read whole") << QByteArray("64") << 64 << false;
    QTest::newRow("one more") << QByteArray("65") << 64 << true;
    QTest::newRow("2^31-1") << QByteArray("2147483647") << 64 << true;
    QTest::newRow("negative") << QByteArray("-5") << 0 << false;
}

void TestDevicePresence::deviceCountIsBounded()
{
    QFETCH(QByteArray, count);
    QFETCH(int, entries);
    QFETCH(bool, said);
    QTemporaryDir dir;
    const QString path = writeConfig(dir, "[common]\ndeviceCount=" + count + "\n");
    if (said)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("deviceCount .* is more than 64"));
    QCOMPARE(DevicePresence::readDeviceList(path).size(), entries);
}

void TestDevicePresence::reportLengthIsBounded_data()
{
    QTest::addColumn<QByteArray>("length");
    QTest::addColumn<int>("read");
    QTest::newRow("32") << QByteArray("32") << 32;
    QTest::newRow("64") << QByteArray("64") << 64;
    QTest::newRow("4096, the most HID allows") << QByteArray("4096") << 4096;
    QTest::newRow("4097") << QByteArray("4097") << 0;
    QTest::newRow("2^31-1") << QByteArray("2147483647") << 0;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("negative") << QByteArray("-32") << 0;
    QTest::newRow("not a number") << QByteArray("many") << 0;
}

// A length that is not a HID report's makes the entry unusable: it is never
// matched to an interface, so nothing is allocated or sent for it.
void TestDevicePresence::reportLengthIsBounded()
{
    QFETCH(QByteArray, length);
    QFETCH(int, read);
    const kvm::Config config = vmtest::config(553, true);
    kvm::configure(config);
    QTemporaryDir dir;
    const QString path = writeConfig(dir, "[common]\ndeviceCount=1\n[0]\nvid=04d9\npid=a09f\n"
                                          "usagePage=ff00\nusage=ff00\nusagePage2=ff01\n"
                                          "usage2=ff01\nreportLength=" +
                                              length + "\n");
    if (read == 0)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("entry 0 has a report length of"));
    auto list = DevicePresence::readDeviceList(path);
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0]->reportLength, read);
    QCOMPARE(list[0]->usable(), read != 0);
    DevicePresence::findInterfaces(list);
    QCOMPARE(list[0]->path.isEmpty(), read == 0);
}

void TestDevicePresence::findInterfaces()
{
    kvm::Config config = vmtest::config(553, true);
    kvm::configure(config);
    auto present = vmtest::entryFor(config);
    auto absent = vmtest::entryFor(config);
    absent->pid = 0x1111;
    absent->path = QStringLiteral("stale");
    auto zeros = std::make_shared<DeviceEntry>();
    QList<std::shared_ptr<DeviceEntry>> list{present, absent, zeros};
    DevicePresence::findInterfaces(list);

    QVERIFY(!present->path.isEmpty());
    QVERIFY(!present->path2.isEmpty());
    QVERIFY(present->path != present->path2);
    QVERIFY(absent->path.isEmpty() && absent->path2.isEmpty());
    // Vendor 0 and product 0 enumerate everything, but no interface has usage (0, 0).
    QVERIFY(zeros->path.isEmpty() && zeros->path2.isEmpty());

    config.notifyInterface = false;
    kvm::configure(config);
    DevicePresence::findInterfaces(list);
    QVERIFY(!present->path.isEmpty());
    QVERIFY(present->path2.isEmpty());
}

void TestDevicePresence::admitFirst()
{
    const kvm::Config config = vmtest::config(553, true);
    kvm::configure(config);

    // Both listed devices are present: only the first is handshaken.
    QList<std::shared_ptr<DeviceEntry>> both{vmtest::entryFor(config), vmtest::entryFor(config)};
    DevicePresence::findInterfaces(both);
    Hid_Thread hid;
    kvm::clearWireLog();
    QCOMPARE(DevicePresence::admitFirst(hid, both), 0);
    QCOMPARE(hid.deviceList, both);
    QCOMPARE(hid.deviceIndex, 0);
    QCOMPARE(handshakes(), 1);

    // An absent entry is skipped without traffic, a wrong code is tried and
    // passed over, and the next good one is admitted.
    QList<std::shared_ptr<DeviceEntry>> mixed{std::make_shared<DeviceEntry>(),
                                              vmtest::entryFor(config), vmtest::entryFor(config)};
    DevicePresence::findInterfaces(mixed);
    mixed[0]->path.clear();
    mixed[1]->sCode = QStringLiteral("000000");
    kvm::clearWireLog();
    QCOMPARE(DevicePresence::admitFirst(hid, mixed), 2);
    QCOMPARE(hid.deviceIndex, 2);
    QCOMPARE(handshakes(), 2);

    // Nothing present: -1, and the list is still replaced.
    QList<std::shared_ptr<DeviceEntry>> none{vmtest::entryFor(config)};
    QCOMPARE(DevicePresence::admitFirst(hid, none), -1);
    QCOMPARE(hid.deviceList, none);
    QCOMPARE(DevicePresence::admitFirst(hid, {}), -1);
}

void TestDevicePresence::admitTellsAbsentFromRefused_data()
{
    QTest::addColumn<bool>("plugged");
    QTest::addColumn<bool>("denied");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("refused");
    QTest::newRow("present and open to this user") << true << false << 0 << false;
    QTest::newRow("not there") << false << false << -1 << false;
    QTest::newRow("present, nodes of root only") << true << true << -1 << true;
}

void TestDevicePresence::admitTellsAbsentFromRefused()
{
    QFETCH(bool, plugged);
    QFETCH(bool, denied);
    QFETCH(int, index);
    QFETCH(bool, refused);
    const kvm::Config config = vmtest::config(553, true);
    kvm::configure(config);
    kvm::Faults faults;
    faults.openDenied = denied;
    kvm::setFaults(faults);
    if (!plugged)
        kvm::unplug();

    QList<std::shared_ptr<DeviceEntry>> list{vmtest::entryFor(config)};
    DevicePresence::findInterfaces(list);
    QCOMPARE(list[0]->path.isEmpty(), !plugged); // listed whether or not it may be opened
    Hid_Thread hid;
    const DevicePresence::Finding found = DevicePresence::admit(hid, list);
    QCOMPARE(found.index, index);
    QCOMPARE(found.admitted(), index >= 0);
    QCOMPARE(found.refused(), refused);
    QCOMPARE(found.refusedNode, refused ? QString::fromLatin1(kvm::commandPath) : QString());
    kvm::clearFaults();
}

void TestDevicePresence::onlyLackOfPermissionIsARefusal()
{
    QVERIFY(DevicePresence::isRefusal(EACCES, QStringLiteral("/dev/hidraw0")));
    QVERIFY(DevicePresence::isRefusal(EPERM, QString()));
    QVERIFY(!DevicePresence::isRefusal(ENOENT, QStringLiteral("/dev/hidraw0")));
    QVERIFY(!DevicePresence::isRefusal(0, QStringLiteral("/nonexistent/hidraw0")));
}

QTEST_GUILESS_MAIN(TestDevicePresence)
#include "tst_devicepresence.moc"
