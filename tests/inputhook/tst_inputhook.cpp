// Translation of keyboard and mouse events into what the recording pages get.

#include "inputhook/inputhook.h"
#include "inputhook/keytables.h"
#include "inputhook/winconstants.h"
#include "inputhook/x11keymap.h"
#include "platform/x11record.h"

#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <set>

using namespace WinInput;

namespace {

struct Report {
    uchar code;
    bool isDown;
    int x;
    int y;
    void *context;
    bool operator==(const Report &o) const
    {
        return code == o.code && isDown == o.isDown && x == o.x && y == o.y && context == o.context;
    }
};

QList<Report> reports;
int contextObject = 0;
void *const context = &contextObject;

void onKey(uchar usage, bool isDown, void *ctx)
{
    reports.append({usage, isDown, 0, 0, ctx});
}

void onMouse(uchar code, bool isDown, int x, int y, void *ctx)
{
    reports.append({code, isDown, x, y, ctx});
}

// Presses and releases one key, as a keyboard event of a low-level hook.
void tap(quint32 scan, quint32 flags)
{
    InputHook::processKeyboardEvent(HC_ACTION, WM_KEYDOWN, scan, flags);
    InputHook::processKeyboardEvent(HC_ACTION, WM_KEYUP, scan, flags);
}

} // namespace

QT_BEGIN_NAMESPACE
namespace QTest {
template <> char *toString(const Report &r)
{
    return qstrdup(QStringLiteral("(0x%1 %2 %3,%4)")
                       .arg(r.code, 2, 16, QLatin1Char('0'))
                       .arg(r.isDown ? "down" : "up")
                       .arg(r.x)
                       .arg(r.y)
                       .toLatin1());
}
} // namespace QTest
QT_END_NAMESPACE

class TestInputHook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No capture of the developer's own desktop while the procedures are fed by hand.
        qunsetenv("DISPLAY");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^InputHook: no input capture: "));
        hook = std::make_unique<InputHook>(false);
        QVERIFY(!InputHook::hooksInstalled());
        hook->setKeyboardCallback(onKey, context);
        hook->setMouseCallback(onMouse, context);
    }

    void init() { reports.clear(); }

    void cleanup()
    {
        for (int usage = 0; usage < 256; ++usage)
            QVERIFY2(!InputHook::keyDownState(quint8(usage)), "a test left a key down");
    }

    void tableSizes()
    {
        QCOMPARE(KeyTables::buildScanToVirtualKey().size(), 105);
        for (bool nonUs : {false, true}) {
            const auto usages = KeyTables::buildVirtualKeyToUsage(nonUs);
            QCOMPARE(std::count_if(usages.begin(), usages.end(), [](quint8 u) { return u; }), 121);
        }
    }

    void keyUsage_data()
    {
        QTest::addColumn<quint32>("scan");
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<int>("usage");
        QTest::newRow("A") << 0x1Eu << 0u << 0x04;
        QTest::newRow("main Enter") << 0x1Cu << 0u << 0x28;
        QTest::newRow("keypad Enter") << 0x1Cu << LLKHF_EXTENDED << 0x58;
        QTest::newRow("left Windows key") << 0x5Bu << LLKHF_EXTENDED << 0xE3;
        QTest::newRow("right Windows key has no entry") << 0x5Cu << LLKHF_EXTENDED << 0;
        QTest::newRow("Print Screen") << 0x37u << LLKHF_EXTENDED << 0x46;
        QTest::newRow("keypad *") << 0x37u << 0u << 0x55;
        QTest::newRow("Alt+Print Screen is SysRq") << 0x54u << LLKHF_ALTDOWN << 0x46;
        QTest::newRow("SysRq without Alt") << 0x54u << 0u << 0;
        QTest::newRow("Ctrl+Break") << 0x46u << LLKHF_EXTENDED << 0x48;
        QTest::newRow("Scroll Lock") << 0x46u << 0u << 0x47;
        QTest::newRow("NumLock") << 0x45u << LLKHF_EXTENDED << 0x53;
        QTest::newRow("Pause") << 0x45u << 0u << 0x48;
        QTest::newRow("right Shift") << 0x36u << LLKHF_EXTENDED << 0xE5;
        QTest::newRow("keypad 7 / Home") << 0x47u << 0u << 0x5F;
        QTest::newRow("Home") << 0x47u << LLKHF_EXTENDED << 0x4A;
        QTest::newRow("F23") << 0x6Eu << 0u << 0x72;
        QTest::newRow("Alt does not change a letter") << 0x1Eu << LLKHF_ALTDOWN << 0x04;
        QTest::newRow("scan 255") << 0xFFu << 0u << 0;
        QTest::newRow("scan above 255 is not its low byte") << 0x11Eu << 0u << 0;
    }

    void keyUsage()
    {
        QFETCH(quint32, scan);
        QFETCH(quint32, flags);
        QFETCH(int, usage);
        QCOMPARE(int(InputHook::usageForKey(scan, flags)), usage);
        tap(scan, flags);
        const QList<Report> expected = usage ? QList<Report>{{quint8(usage), true, 0, 0, context},
                                                             {quint8(usage), false, 0, 0, context}}
                                             : QList<Report>{};
        QCOMPARE(reports, expected);
    }

    void heldKeyReportedOnce()
    {
        for (int i = 0; i < 4; ++i)
            QVERIFY(InputHook::processKeyboardEvent(HC_ACTION, WM_KEYDOWN, 0x1E, 0) == (i == 0));
        QVERIFY(InputHook::keyDownState(0x04));
        QVERIFY(InputHook::processKeyboardEvent(HC_ACTION, WM_KEYUP, 0x1E, 0));
        QVERIFY(!InputHook::processKeyboardEvent(HC_ACTION, WM_KEYUP, 0x1E, 0));
        QCOMPARE(reports,
                 (QList<Report>{{0x04, true, 0, 0, context}, {0x04, false, 0, 0, context}}));
    }

    void systemKeyMessagesAndOtherCodes()
    {
        // Keys held with Alt come as WM_SYSKEYDOWN; a call that is not an action releases.
        InputHook::processKeyboardEvent(HC_ACTION, WM_SYSKEYDOWN, 0x38, 0);
        InputHook::processKeyboardEvent(HC_ACTION, WM_SYSKEYDOWN, 0x3E, LLKHF_ALTDOWN);
        InputHook::processKeyboardEvent(HC_ACTION, WM_SYSKEYUP, 0x3E, LLKHF_ALTDOWN);
        InputHook::processKeyboardEvent(3, WM_KEYDOWN, 0x38, 0);
        QCOMPARE(reports, (QList<Report>{{0xE2, true, 0, 0, context},
                                         {0x3D, true, 0, 0, context},
                                         {0x3D, false, 0, 0, context},
                                         {0xE2, false, 0, 0, context}}));
    }

    void nonUsLayout()
    {
        hook.reset();
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^InputHook: no input capture: "));
        hook = std::make_unique<InputHook>(true);
        QCOMPARE(int(InputHook::usageForKey(0x2B, 0)), 0x32);
        QCOMPARE(int(InputHook::usageForKey(0x56, 0)), 0x64);
        hook.reset();
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^InputHook: no input capture: "));
        hook = std::make_unique<InputHook>(false);
        QCOMPARE(int(InputHook::usageForKey(0x2B, 0)), 0x31);
        // The destroyed hook took its callbacks along.
        tap(0x1E, 0);
        QVERIFY(reports.isEmpty());
        hook->setKeyboardCallback(onKey, context);
        hook->setMouseCallback(onMouse, context);
    }

    void mouseButtons()
    {
        const QList<quintptr> messages = {
            WM_LBUTTONDOWN, WM_LBUTTONUP,     WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN,
            WM_RBUTTONUP,   WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,   WM_MBUTTONUP, WM_MBUTTONDBLCLK,
            WM_MOUSEMOVE,   WM_MOUSEWHEEL,    WM_XBUTTONDOWN,   WM_XBUTTONUP};
        int x = 0;
        for (quintptr message : messages) {
            ++x;
            InputHook::processMouseEvent(message, x, -x);
        }
        QCOMPARE(reports, (QList<Report>{{0xF0, true, 1, -1, context},
                                         {0xF0, false, 2, -2, context},
                                         {0xF0, false, 4, -4, context},
                                         {0xF1, true, 5, -5, context},
                                         {0xF1, false, 6, -6, context},
                                         {0xF2, true, 8, -8, context},
                                         {0xF2, false, 9, -9, context}}));
    }

    void copyDataClaimedOnlyWithHandler()
    {
        qintptr result = 0;
        QVERIFY(!InputHook::processCopyData(WM_COPYDATA, 9487, "abc", 3, &result));
        static int calls = 0;
        hook->setCopyDataHandler(
            [](quintptr, const QByteArray &, quint32, void *ctx) { calls += ctx == context; },
            nullptr, context);
        QVERIFY(!InputHook::processCopyData(0x004B, 9487, "abc", 3, &result));
        QCOMPARE(result, qintptr(0));
        // Whatever it carries, a WM_COPYDATA is claimed with result 1.
        QVERIFY(InputHook::processCopyData(WM_COPYDATA, 1, QByteArray(), 0, &result));
        QCOMPARE(result, qintptr(1));
        QCOMPARE(calls, 1);
        hook->setCopyDataHandler(nullptr, nullptr, nullptr);
    }

    // Every key of the tables can be typed on an X11 display, and each X key
    // lands on the one key of the tables that a PC keyboard has in its place.
    void evdevCodesCoverTheScanTable()
    {
        const QHash<quint16, quint8> table = KeyTables::buildScanToVirtualKey();
        std::set<quint16> reached;
        for (int evdev = 0; evdev < 248; ++evdev) {
            const std::optional<PcScanCode> code = pcScanCodeForEvdev(evdev);
            if (!code)
                continue;
            const quint16 key = KeyTables::scanKey(code->scan, code->extended);
            QVERIFY2(reached.insert(key).second,
                     qPrintable(QString("evdev %1 repeats a scan code").arg(evdev)));
        }
        for (auto it = table.cbegin(); it != table.cend(); ++it)
            QVERIFY2(reached.count(it.key()), qPrintable(QString::number(it.key(), 16)));
    }

    void x11Keys_data()
    {
        QTest::addColumn<int>("evdev");
        QTest::addColumn<int>("usage");
        // Expected usages by what the key is, not by how the tables get there.
        QTest::newRow("A") << 30 << 0x04;
        QTest::newRow("backslash") << 43 << 0x31;
        QTest::newRow("key left of Z") << 86 << 0x64;
        QTest::newRow("right Shift") << 54 << 0xE5;
        QTest::newRow("keypad *") << 55 << 0x55;
        QTest::newRow("NumLock") << 69 << 0x53;
        QTest::newRow("Scroll Lock") << 70 << 0x47;
        QTest::newRow("keypad .") << 83 << 0x63;
        QTest::newRow("F12") << 88 << 0x45;
        QTest::newRow("keypad Enter") << 96 << 0x58;
        QTest::newRow("right Ctrl") << 97 << 0xE4;
        QTest::newRow("keypad /") << 98 << 0x54;
        QTest::newRow("Print Screen") << 99 << 0x46;
        QTest::newRow("right Alt") << 100 << 0xE6;
        QTest::newRow("Home") << 102 << 0x4A;
        QTest::newRow("Page Down") << 109 << 0x4E;
        QTest::newRow("Delete") << 111 << 0x4C;
        QTest::newRow("Pause") << 119 << 0x48;
        QTest::newRow("left Windows key") << 125 << 0xE3;
        QTest::newRow("right Windows key") << 126 << 0;
        QTest::newRow("Menu") << 127 << 0x65;
        QTest::newRow("F23") << 193 << 0x72;
        QTest::newRow("no PC key (Mute)") << 113 << 0;
        QTest::newRow("below the first X keycode") << -1 << 0;
    }

    void x11Keys()
    {
        QFETCH(int, evdev);
        QFETCH(int, usage);
        X11EventTranslator translator;
        translator.translate(X11EventType::KeyDown, evdev + 8, 5, 6);
        translator.translate(X11EventType::KeyDown, evdev + 8, 5, 6);
        translator.translate(X11EventType::KeyUp, evdev + 8, 5, 6);
        const QList<Report> expected = usage ? QList<Report>{{quint8(usage), true, 0, 0, context},
                                                             {quint8(usage), false, 0, 0, context}}
                                             : QList<Report>{};
        QCOMPARE(reports, expected);
    }

    void x11AltPrintScreen()
    {
        // Alt, then Print Screen, then Alt let go before Print Screen.
        X11EventTranslator translator;
        translator.translate(X11EventType::KeyDown, 56 + 8, 0, 0);
        QVERIFY(translator.altDown());
        QVERIFY(translator.translate(X11EventType::KeyDown, 99 + 8, 0, 0));
        translator.translate(X11EventType::KeyUp, 56 + 8, 0, 0);
        QVERIFY(!translator.altDown());
        QVERIFY(translator.translate(X11EventType::KeyUp, 99 + 8, 0, 0));
        QCOMPARE(reports, (QList<Report>{{0xE2, true, 0, 0, context},
                                         {0x46, true, 0, 0, context},
                                         {0xE2, false, 0, 0, context},
                                         {0x46, false, 0, 0, context}}));
    }

    void x11Buttons()
    {
        X11EventTranslator translator;
        for (int button = 1; button <= 9; ++button) {
            translator.translate(X11EventType::ButtonDown, button, 10 * button, 20 * button);
            translator.translate(X11EventType::ButtonUp, button, 10 * button, 20 * button);
        }
        QCOMPARE(reports, (QList<Report>{{0xF0, true, 10, 20, context},
                                         {0xF0, false, 10, 20, context},
                                         {0xF2, true, 20, 40, context},
                                         {0xF2, false, 20, 40, context},
                                         {0xF1, true, 30, 60, context},
                                         {0xF1, false, 30, 60, context}}));
    }

private:
    std::unique_ptr<InputHook> hook;
};

QTEST_GUILESS_MAIN(TestInputHook)
#include "tst_inputhook.moc"
