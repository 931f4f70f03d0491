// Keys typed into our own window reach recording when there is no global
// capture, through the same procedures and with the same codes.

#include "inputhook/inputhook.h"
#include "inputhook/windowkeycapture.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <memory>

namespace {

struct Key {
    uchar usage;
    bool isDown;
};
QList<Key> received;

void onKey(uchar usage, bool isDown, void *)
{
    received.append({usage, isDown});
}

void send(QObject *target, QEvent::Type type, quint32 nativeScanCode, bool autoRepeat = false)
{
    QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, nativeScanCode, 0, 0, QString(),
                    autoRepeat);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestWindowKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Without a display there is no global capture: the window takes over.
        qunsetenv("DISPLAY");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^InputHook: no input capture: "));
        hook = std::make_unique<InputHook>(false);
        QVERIFY(!InputHook::hooksInstalled());
        QVERIFY(WindowKeyCapture::installed());
        QCOMPARE(qApp->property(InputHook::kCaptureModeProperty).toString(),
                 QStringLiteral("window"));
        hook->setKeyboardCallback(onKey, nullptr);
    }

    void init() { received.clear(); }

    void keys_data()
    {
        // X11 key codes (Linux input code + 8) as Qt reports them.
        QTest::addColumn<quint32>("keycode");
        QTest::addColumn<int>("usage");
        QTest::newRow("A") << 38u << 0x04;
        QTest::newRow("Enter") << 36u << 0x28;
        QTest::newRow("right Ctrl (extended)") << 105u << 0xE4;
        QTest::newRow("Up arrow (extended)") << 111u << 0x52;
        QTest::newRow("F12") << 96u << 0x45;
    }

    void keys()
    {
        QFETCH(quint32, keycode);
        QFETCH(int, usage);
        send(&window, QEvent::KeyPress, keycode);
        send(&window, QEvent::KeyPress, keycode, true); // auto-repeat: no news
        send(&window, QEvent::KeyRelease, keycode);
        QCOMPARE(received.size(), 2);
        QCOMPARE(int(received.at(0).usage), usage);
        QVERIFY(received.at(0).isDown);
        QCOMPARE(int(received.at(1).usage), usage);
        QVERIFY(!received.at(1).isDown);
    }

    void onlyTheWindowsCopyCounts()
    {
        // The same event delivered on to an item of the window is not a second key.
        QObject item;
        send(&window, QEvent::KeyPress, 38);
        send(&item, QEvent::KeyPress, 38);
        send(&window, QEvent::KeyRelease, 38);
        send(&item, QEvent::KeyRelease, 38);
        QCOMPARE(received.size(), 2);
    }

    void keysWithoutScanCodeAreIgnored()
    {
        send(&window, QEvent::KeyPress, 0);
        send(&window, QEvent::KeyRelease, 0);
        QVERIFY(received.isEmpty());
    }

    void removeHooksEndsIt()
    {
        hook->removeHooks();
        QVERIFY(!WindowKeyCapture::installed());
        QVERIFY(qApp->property(InputHook::kCaptureModeProperty).toString().isEmpty());
        send(&window, QEvent::KeyPress, 38);
        send(&window, QEvent::KeyRelease, 38);
        QVERIFY(received.isEmpty());
    }

    void cleanupTestCase() { hook.reset(); }

private:
    std::unique_ptr<InputHook> hook;
    QWindow window;
};

QTEST_MAIN(TestWindowKeys)
#include "tst_windowkeys.moc"
