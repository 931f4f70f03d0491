// Capture on a real X server: a private Xvfb, input injected with xdotool.

#include "inputhook/inputhook.h"
#include "platform/x11record.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

// Xlib's macros clash with Qt: last.
#include <X11/Xlib.h>

namespace {

struct Report {
    uchar code;
    bool isDown;
    int x;
    int y;
    bool operator==(const Report &o) const
    {
        return code == o.code && isDown == o.isDown && x == o.x && y == o.y;
    }
};

QList<Report> reports;
// What the capture told of each reported event, and whether its window is ours.
QList<InputHook::EventDetails> details;
QList<bool> ownWindow;
int contextObject = 0;
int wrongContexts = 0;

void onKey(uchar usage, bool isDown, void *ctx)
{
    wrongContexts += ctx != &contextObject;
    reports.append({usage, isDown, -1, -1});
    details.append(InputHook::currentEvent());
    ownWindow.append(false);
}

void onMouse(uchar code, bool isDown, int x, int y, void *ctx)
{
    wrongContexts += ctx != &contextObject;
    reports.append({code, isDown, x, y});
    details.append(InputHook::currentEvent());
    ownWindow.append(InputHook::isOwnWindow(InputHook::currentEvent().window));
}

// Lists compared as text show every event when they differ.
QString describe(const QList<Report> &list)
{
    QStringList lines;
    for (const Report &r : list)
        lines << QStringLiteral("0x%1 %2 %3,%4")
                     .arg(r.code, 2, 16, QLatin1Char('0'))
                     .arg(r.isDown ? "down" : "up")
                     .arg(r.x)
                     .arg(r.y);
    return lines.join(QStringLiteral("; "));
}

Report key(uchar usage, bool isDown)
{
    return {usage, isDown, -1, -1};
}

// An Xvfb on a display number it picks itself, ended with this object.
class Xvfb
{
public:
    ~Xvfb() { stop(); }

    bool start(const QStringList &extraArguments)
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty()) {
            m_error = QStringLiteral("Xvfb is not installed");
            return false;
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process->start(program, QStringList{"-displayfd", "1", "-screen", "0", "640x480x24",
                                              "-nolisten", "tcp"} +
                                      extraArguments);
        while (m_process->waitForReadyRead(10000)) {
            m_buffer += m_process->readAllStandardOutput();
            if (m_buffer.contains('\n')) {
                m_display = ':' + m_buffer.trimmed();
                return true;
            }
        }
        m_error = QStringLiteral("Xvfb did not start");
        stop();
        return false;
    }

    void stop()
    {
        if (!m_process)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(5000))
            m_process->kill();
        m_process->waitForFinished(5000);
        m_process.reset();
    }

    QByteArray display() const { return m_display; }
    QString error() const { return m_error; }

private:
    std::unique_ptr<QProcess> m_process;
    QByteArray m_buffer;
    QByteArray m_display;
    QString m_error;
};

Xvfb *server = nullptr;

bool xdotool(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

class TestX11Capture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!server)
            QSKIP("Xvfb is not installed");
        QVERIFY2(!server->display().isEmpty(), qPrintable(server->error()));
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed");
        hook = std::make_unique<InputHook>(false);
        QVERIFY(InputHook::hooksInstalled());
        hook->setKeyboardCallback(onKey, &contextObject);
        hook->setMouseCallback(onMouse, &contextObject);
    }

    void init()
    {
        reports.clear();
        details.clear();
        ownWindow.clear();
        wrongContexts = 0;
    }

    void cleanup() { QCOMPARE(wrongContexts, 0); }

    void keys_data()
    {
        // Sent by X keycode (evdev code + 8): what the keyboard itself produces,
        // whatever the display's keymap makes of it.
        QTest::addColumn<int>("evdev");
        QTest::addColumn<int>("usage");
        QTest::newRow("letter A") << 30 << 0x04;
        QTest::newRow("main Enter") << 28 << 0x28;
        QTest::newRow("keypad Enter") << 96 << 0x58;
        QTest::newRow("backslash") << 43 << 0x31;
        QTest::newRow("left Windows key") << 125 << 0xE3;
        QTest::newRow("right Windows key") << 126 << 0;
        QTest::newRow("right Shift") << 54 << 0xE5;
        QTest::newRow("right Ctrl") << 97 << 0xE4;
        QTest::newRow("NumLock") << 69 << 0x53;
        QTest::newRow("Pause") << 119 << 0x48;
        QTest::newRow("Scroll Lock") << 70 << 0x47;
        QTest::newRow("Print Screen") << 99 << 0x46;
        QTest::newRow("keypad /") << 98 << 0x54;
        QTest::newRow("keypad 7") << 71 << 0x5F;
        QTest::newRow("Page Up") << 104 << 0x4B;
        QTest::newRow("F12") << 88 << 0x45;
        QTest::newRow("Mute, no PC key") << 113 << 0;
    }

    // Each key is followed by 'z', which marks the end of what it produced.
    void keys()
    {
        QFETCH(int, evdev);
        QFETCH(int, usage);
        QVERIFY(xdotool({"key", QString::number(evdev + 8), "z"}));
        QList<Report> expected;
        if (usage)
            expected << key(usage, true) << key(usage, false);
        expected << key(0x1D, true) << key(0x1D, false);
        QTRY_COMPARE(describe(reports), describe(expected));
    }

    void heldKeyReportedOnce()
    {
        QVERIFY(xdotool({"keydown", "a", "keydown", "a", "keydown", "a", "keyup", "a"}));
        QTRY_COMPARE(describe(reports),
                     describe((QList<Report>{key(0x04, true), key(0x04, false)})));
    }

    void altPrintScreen()
    {
        QVERIFY(
            xdotool({"keydown", "Alt_L", "keydown", "Print", "keyup", "Print", "keyup", "Alt_L"}));
        QTRY_COMPARE(describe(reports),
                     describe((QList<Report>{key(0xE2, true), key(0x46, true), key(0x46, false),
                                             key(0xE2, false)})));
    }

    void clicksAndKeysInOrder()
    {
        QVERIFY(
            xdotool({"mousemove", "100",   "120", "click", "1", "key",   "b", "mousemove", "300",
                     "200",       "click", "3",   "click", "4", "click", "5", "click",     "2",
                     "mousemove", "7",     "9",   "click", "1"}));
        QTRY_COMPARE(describe(reports), describe((QList<Report>{{0xF0, true, 100, 120},
                                                                {0xF0, false, 100, 120},
                                                                key(0x05, true),
                                                                key(0x05, false),
                                                                {0xF1, true, 300, 200},
                                                                {0xF1, false, 300, 200},
                                                                {0xF2, true, 300, 200},
                                                                {0xF2, false, 300, 200},
                                                                {0xF0, true, 7, 9},
                                                                {0xF0, false, 7, 9}})));
    }

    // Capture only watches: the window under it still gets its keys and clicks.
    void inputStillReachesWindows()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new QLineEdit(&window);
        auto *button = new QPushButton(QStringLiteral("Press"), &window);
        layout->addWidget(edit);
        layout->addWidget(button);
        window.setGeometry(0, 0, 300, 120);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());

        QVERIFY(xdotool({"type", "hi"}));
        QTRY_COMPARE(edit->text(), QStringLiteral("hi"));
        QTRY_COMPARE(describe(reports),
                     describe((QList<Report>{key(0x0B, true), key(0x0B, false), key(0x0C, true),
                                             key(0x0C, false)})));

        reports.clear();
        QSignalSpy clicked(button, &QPushButton::clicked);
        const QPoint centre = button->mapToGlobal(button->rect().center());
        QVERIFY(xdotool(
            {"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}));
        QTRY_COMPARE(clicked.count(), 1);
        QTRY_COMPARE(describe(reports),
                     describe((QList<Report>{{0xF0, true, centre.x(), centre.y()},
                                             {0xF0, false, centre.x(), centre.y()}})));
    }

    // A click is ours by the window it went to: another program's window
    // lying over ours takes its clicks, and events carry the server's time.
    void clicksToldByTheirWindow()
    {
        QWidget window;
        window.setGeometry(0, 0, 300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        std::unique_ptr<Display, int (*)(Display *)> other(XOpenDisplay(server->display()),
                                                           XCloseDisplay);
        QVERIFY(other);
        const Window foreign = XCreateSimpleWindow(other.get(), DefaultRootWindow(other.get()), 100,
                                                   50, 150, 100, 0, 0, 0);
        XMapRaised(other.get(), foreign);
        XSync(other.get(), False);
        QTest::qWait(100);

        QVERIFY(xdotool({"mousemove", "150", "100", "click", "1", "mousemove", "20", "20", "click",
                         "1", "mousemove", "500", "400", "click", "3", "key", "a"}));
        QTRY_COMPARE(reports.size(), 8);
        QCOMPARE(details.size(), 8);
        QCOMPARE(ownWindow, (QList<bool>{false, false, true, true, false, false, false, false}));
        QCOMPARE(details.at(0).window, quintptr(foreign));
        QCOMPARE(details.at(2).window, quintptr(window.winId()));
        QVERIFY(details.at(4).window != 0);
        QCOMPARE(details.at(6).window, quintptr(0));
        // Server times in order; keys carry them as well.
        for (int i = 0; i < details.size(); ++i) {
            QVERIFY2(details.at(i).time >= 0, qPrintable(QString::number(i)));
            if (i > 0)
                QVERIFY(details.at(i).time >= details.at(i - 1).time);
        }
        XDestroyWindow(other.get(), foreign);
        XSync(other.get(), False);
    }

    void reinstallAfterRemoval()
    {
        hook->removeHooks();
        hook->removeHooks();
        QVERIFY(!InputHook::hooksInstalled());
        QVERIFY(xdotool({"key", "c"}));
        QVERIFY(hook->installHooks());
        QVERIFY(xdotool({"key", "z"}));
        QTRY_COMPARE(describe(reports),
                     describe((QList<Report>{key(0x1D, true), key(0x1D, false)})));
    }

    void displayWithoutRecord()
    {
        Xvfb plain;
        QVERIFY2(plain.start({"-extension", "RECORD"}), qPrintable(plain.error()));
        X11Record record([](const X11RecordedEvent &) {});
        QVERIFY(!record.start(plain.display()));
        QVERIFY(!record.isActive());
        QVERIFY2(record.errorString().contains("RECORD"), qPrintable(record.errorString()));
    }

    void cleanupTestCase() { hook.reset(); }

private:
    std::unique_ptr<InputHook> hook;
};

int main(int argc, char **argv)
{
    // The X server has to run before the application connects to it.
    Xvfb xvfb;
    const bool haveXvfb = !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty();
    int result = 0;
    {
        if (haveXvfb && xvfb.start({"+extension", "RECORD"})) {
            qputenv("DISPLAY", xvfb.display());
            qputenv("QT_QPA_PLATFORM", "xcb");
        } else {
            qunsetenv("DISPLAY");
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        server = haveXvfb ? &xvfb : nullptr;
        QApplication app(argc, argv);
        TestX11Capture test;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }
    xvfb.stop();
    return result;
}

#include "tst_x11capture.moc"
