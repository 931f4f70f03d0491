// Connect sequence and notification listener against the virtual mouse.
#include "tests/device/vmfixture.h"

#include "devicesettings/commandfamily.h"

#include <QTest>

namespace {

// Collects the listener's signals on the test's thread, as the window would.
struct Reports : QObject {
    QList<int> stages;
    int removals = 0;
    explicit Reports(Hid_Thread &hid)
    {
        connect(&hid, &Hid_Thread::dpiStageReported, this, [this](int s) { stages.append(s); });
        connect(&hid, &Hid_Thread::deviceRemoved, this, [this] { ++removals; });
    }
};

// Option bytes of the keyboard-option write the connect sequence sent, if any.
QByteArray optionWrite(uint8_t code)
{
    for (const auto &e : vmtest::entries("send_feature"))
        if (e.plain.size() == 9 && e.plain[1] == code)
            return vmtest::bytes(e.plain).mid(2, 4);
    return QByteArray();
}

} // namespace

class TestDeviceListener : public QObject
{
    Q_OBJECT
private slots:
    void stagesReachTheWindow();
    void optionWriteBack_data();
    void optionWriteBack();
    void unplugEndsTheListener();
    void noNotificationInterface();
    void restartAndDestructionWaitForTheListener();
};

void TestDeviceListener::stagesReachTheWindow()
{
    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, vmtest::config(553, true)));
    Reports reports(hid);
    hid.startDevice(uint(hid.deviceIndex));
    QVERIFY(hid.listening);

    // Out-of-range stages still go through (the window maps the texts); a
    // report padded up to the report length counts by its first four bytes;
    // other reports and shorter ones are dropped.
    kvm::pressDpiButton(3);
    QTRY_COMPARE(reports.stages, QList<int>({3}));
    kvm::pressDpiButton(0);
    kvm::pressDpiButton(9);
    kvm::queueNotification({0x06, 0x08, 0x00, 0x02});
    kvm::queueNotification({0x06, 0x07, 0x00});
    kvm::queueNotification({0x06, 0x07, 0x00, 0x04, 0x00});
    std::vector<uint8_t> padded(32, 0x00);
    padded[0] = 0x06;
    padded[1] = 0x07;
    padded[3] = 0x06;
    kvm::queueNotification(padded);
    kvm::pressDpiButton(5);
    QTRY_COMPARE(reports.stages, QList<int>({3, 0, 9, 4, 6, 5}));
    QTest::qWait(600);
    QCOMPARE(reports.stages, QList<int>({3, 0, 9, 4, 6, 5}));
    QCOMPARE(reports.removals, 0);
}

void TestDeviceListener::optionWriteBack_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("553 sets bit 0x40 of the fourth byte")
        << 553 << false << QByteArray::fromHex("01020344");
    QTest::newRow("560 sets bit 0x08 of the first byte")
        << 560 << false << QByteArray::fromHex("09020000");
    QTest::newRow("failed read writes nothing") << 553 << true << QByteArray();
}

void TestDeviceListener::optionWriteBack()
{
    QFETCH(int, family);
    QFETCH(bool, silent);
    QFETCH(QByteArray, written);

    kvm::Config config = vmtest::config(family, true);
    config.keyboardOptions = {0x01, 0x02, 0x03, 0x04};
    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, config));
    if (silent) {
        kvm::Faults faults;
        faults.silent = true;
        kvm::setFaults(faults);
    }
    Reports reports(hid);
    // The connect sequence: the family's notification option, then the listener.
    CommandFamily::forType(QString::number(family)).switchNotificationOn(hid);
    hid.startDevice(uint(hid.deviceIndex));

    QCOMPARE(optionWrite(family == 560 ? 0x01 : 0x03).toHex(' '), written.toHex(' '));
    // The listener runs all the same.
    QVERIFY(hid.listening);
    kvm::pressDpiButton(2);
    QTRY_COMPARE(reports.stages, QList<int>({2}));
}

void TestDeviceListener::unplugEndsTheListener()
{
    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, vmtest::config(553, true)));
    Reports reports(hid);
    vmtest::MessageCapture messages;
    hid.startDevice(uint(hid.deviceIndex));
    QTRY_VERIFY(!vmtest::entries("open", "notify").empty());

    kvm::unplug();
    QTRY_COMPARE(reports.removals, 1);
    QVERIFY(!hid.listening);
    QVERIFY(hid.currentEntry()->path2.isEmpty());
    QVERIFY(messages.captured().contains(QStringLiteral("Device removed")));
    hid.listenFuture.waitForFinished();

    // A later connect sequence without a fresh presence check ends at once.
    kvm::plug();
    hid.startDevice(uint(hid.deviceIndex));
    QTRY_VERIFY(!hid.listening);
    QCOMPARE(reports.removals, 1);
}

void TestDeviceListener::noNotificationInterface()
{
    kvm::Config config = vmtest::config(553, true);
    config.notifyInterface = false;
    Hid_Thread hid;
    QVERIFY(vmtest::admit(hid, config));
    QVERIFY(hid.currentEntry()->path2.isEmpty());

    hid.startDevice(uint(hid.deviceIndex));
    // Nothing to watch: the flag clears so device-change notices schedule checks.
    QTRY_VERIFY(!hid.listening);
    QVERIFY(vmtest::entries("open", "notify").empty());
}

void TestDeviceListener::restartAndDestructionWaitForTheListener()
{
    auto hid = std::make_unique<Hid_Thread>();
    QVERIFY(vmtest::admit(*hid, vmtest::config(553, true)));
    hid->startDevice(uint(hid->deviceIndex));
    QTRY_VERIFY(!vmtest::entries("open", "notify").empty());
    const QFuture<void> first = hid->listenFuture;

    hid->startDevice(uint(hid->deviceIndex));
    QVERIFY(first.isFinished());
    QVERIFY(hid->listening);
    QTRY_VERIFY(vmtest::entries("open", "notify").size() > 2);

    hid.reset();
    const auto notify = vmtest::entries("close", "notify");
    const auto opens = vmtest::entries("open", "notify");
    QCOMPARE(notify.size(), opens.size());
    const std::size_t count = kvm::wireLog().size();
    QTest::qWait(700);
    QCOMPARE(kvm::wireLog().size(), count);
}

QTEST_GUILESS_MAIN(TestDeviceListener)
#include "tst_devicelistener.moc"
