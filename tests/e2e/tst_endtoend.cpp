// kesta-config as a user meets it: a private Xvfb with a tray, the program
// preloaded with the virtual mouse, driven through the mouse's control FIFO.
#include "desktopsession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

class TstEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void trayIconDocksWithItsToolTip();
    void connectsAndStartsTheScene();
    void profileListChangesTheProfile();
    void dpiSliderDragThenSave();
    void dpiButtonReachesTheScene();
    void unplugDisablesAndPlugReconnectsAfterTheTimer();
    void secondStartHandsOverAndEnds();
    void closeHidesToTheTray();

private:
    int topLevelWindowsOfTheProgram() const;
    bool dockedIcon(QPoint *position) const;
    // A click at a point of the scene (design coordinates).
    void clickScene(int x, int y) { QVERIFY2(m_s.click(x, y), "the main window is not on screen"); }

    DesktopSession m_s;
};

void TstEndToEnd::initTestCase()
{
    const QString missing = DesktopSession::missingTool({"Xvfb", "trayer", "xwininfo", "xdotool"});
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
    QVERIFY(m_s.startDisplay());
    QVERIFY(m_s.startTray());
    QVERIFY(m_s.stageProgram());
    QVERIFY(m_s.startProgram());
}

int TstEndToEnd::topLevelWindowsOfTheProgram() const
{
    // Top-level windows are indented by five blanks in xwininfo's tree.
    static const QRegularExpression topLevel(
        QStringLiteral("^     0x[0-9a-f]+ .*\\(\"kesta-config\""),
        QRegularExpression::MultilineOption);
    return int(m_s.tree().count(topLevel));
}

bool TstEndToEnd::dockedIcon(QPoint *position) const
{
    // In xwininfo's tree, a window of ours indented below the tray's panel.
    const QStringList lines = m_s.tree().split(QLatin1Char('\n'));
    static const QRegularExpression absolute(QStringLiteral("\\+(-?\\d+)\\+(-?\\d+)\\s*$"));
    auto indent = [](const QString &line) { return line.size() - line.trimmed().size(); };
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).contains(QLatin1String("\"panel\"")))
            continue;
        for (int j = i + 1; j < lines.size() && indent(lines.at(j)) > indent(lines.at(i)); ++j) {
            if (!lines.at(j).contains(QLatin1String("\"kesta-config\"")))
                continue;
            const QRegularExpressionMatch m = absolute.match(lines.at(j));
            if (m.hasMatch()) {
                *position = QPoint(m.captured(1).toInt(), m.captured(2).toInt());
                return true;
            }
        }
    }
    return false;
}

void TstEndToEnd::trayIconDocksWithItsToolTip()
{
    // The icon's window sits inside the tray's panel.
    QPoint icon;
    QElapsedTimer waited;
    waited.start();
    bool docked = false;
    while (!(docked = dockedIcon(&icon)) && waited.elapsed() < 15000)
        QTest::qWait(100);
    QVERIFY2(docked, qPrintable(m_s.tree() + m_s.output()));
    const int x = icon.x() + 8;
    const int y = icon.y() + 8;

    // Hovering it brings up its tool tip: one more top-level window of ours.
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().contains(QLatin1String("Device Connect")), 15000);
    QTest::qWait(500);
    const int before = topLevelWindowsOfTheProgram();
    // A busy machine may map the icon's window after the pointer arrived and
    // lose that hover: the pointer moves within the icon until the tip shows.
    bool shown = false;
    waited.restart();
    for (int step = 0; !shown && waited.elapsed() < 20000; ++step) {
        m_s.xdotool({"mousemove", QString::number(x + step % 3), QString::number(y + step % 2)});
        shown = QTest::qWaitFor([&] { return topLevelWindowsOfTheProgram() > before; }, 1500);
    }
    QVERIFY(shown);
    m_s.xdotool({"mousemove", "900", "900"});
}

void TstEndToEnd::connectsAndStartsTheScene()
{
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().contains(QLatin1String("chkDeviceIsEnCode =  true")),
                             15000);
    QVERIFY(m_s.output().contains(QLatin1String("Device Connect")));
    // The scene's first initialisation reads the current DPI stage: query 8BH
    // goes out after the connect.
    QTRY_VERIFY_WITH_TIMEOUT(m_s.wireLog().contains(QLatin1String("\"plain\":\"00 8b")), 15000);
}

void TstEndToEnd::profileListChangesTheProfile()
{
    // The start-up lock has run out once the frame shows and the first
    // initialisation has nothing more to send.
    QTest::qWait(1500);
    m_s.waitForQuietWire();
    const int before = int(m_s.wireLog().count(QLatin1Char('\n')));
    auto sentSince = [this, before] { return m_s.wireLog().section(QLatin1Char('\n'), before); };
    // The profile list sits in the top bar, left of the window buttons: open
    // it with the pointer, move to the next profile with the keyboard.
    clickScene(1030, 28);
    QTest::qWait(400);
    m_s.key(QStringLiteral("Down"));
    m_s.key(QStringLiteral("Return"));
    // Every page of the new profile is sent: the key matrix (12H), the report
    // rate (01H), the lift-off (07H) and the DPI stages (11H).
    QTRY_VERIFY_WITH_TIMEOUT(sentSince().contains(QLatin1String("\"plain\":\"00 11")), 20000);
    for (const char *code : {"00 12", "00 01", "00 07", "00 11"}) {
        QVERIFY2(sentSince().contains(QStringLiteral("\"plain\":\"%1").arg(QLatin1String(code))),
                 code);
    }
    QFile global(m_s.path("modules/setting/apConfig.bin"));
    QVERIFY(global.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(global.readAll()).contains(QLatin1String("profileNo=1")));
}

void TstEndToEnd::dpiSliderDragThenSave()
{
    // After the profile change above, profile 2 (p2.bin) is current.
    const QString profile = m_s.path("modules/setting/p2.bin");
    auto storedValues = [&profile] {
        QFile f(profile);
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        static const QRegularExpression values(QStringLiteral("dpiValueArray=([^\\n]*)"));
        return values.match(QString::fromUtf8(f.readAll())).captured(1);
    };
    // The profile change's transfers are over (input during one is dropped).
    m_s.waitForQuietWire();
    const QString before = storedValues();
    const int lines = int(m_s.wireLog().count(QLatin1Char('\n')));
    // Press on stage 3's slider track, right of its handle, and drag further.
    const QPoint origin = m_s.windowPosition();
    QVERIFY(origin.x() >= 0);
    const int y = origin.y() + 256;
    m_s.xdotool(
        {"mousemove", QString::number(origin.x() + 1060), QString::number(y), "mousedown", "1"});
    for (int x = 1070; x <= 1120; x += 10) {
        m_s.xdotool({"mousemove", QString::number(origin.x() + x), QString::number(y)});
    }
    m_s.xdotool({"mouseup", "1"});
    QTest::qWait(300);
    clickScene(1104, 692); // Save
    const auto sentSince = [this, lines] {
        return m_s.wireLog().section(QLatin1Char('\n'), lines);
    };
    QTRY_VERIFY_WITH_TIMEOUT(sentSince().contains(QLatin1String("\"plain\":\"00 11")), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(storedValues() != before, 5000);
    QVERIFY2(!storedValues().isEmpty(), qPrintable(before));
}

void TstEndToEnd::dpiButtonReachesTheScene()
{
    QVERIFY(m_s.control("dpi 2"));
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().contains(QLatin1String("scene: DPI stage 2")), 10000);
}

void TstEndToEnd::unplugDisablesAndPlugReconnectsAfterTheTimer()
{
    const int connects = int(m_s.output().count(QLatin1String("Device Connect")));
    const int disabled = int(m_s.output().count(QLatin1String("view: input disabled")));
    QVERIFY(m_s.control("unplug"));
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().contains(QLatin1String("Device removed")), 10000);
    // The window stops taking input as soon as the listener sees the removal.
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().count(QLatin1String("view: input disabled")) > disabled,
                             10000);
    QElapsedTimer sincePlug;
    QVERIFY(m_s.control("plug"));
    sincePlug.start();
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().count(QLatin1String("Device Connect")) > connects, 15000);
    // The check waits for the timer (2048 ms after the notice).
    QVERIFY2(sincePlug.elapsed() >= 1900, qPrintable(QString::number(sincePlug.elapsed())));
    QVERIFY(m_s.app.state() == QProcess::Running);
}

void TstEndToEnd::secondStartHandsOverAndEnds()
{
    QProcess second;
    second.setProcessEnvironment(m_s.app.processEnvironment());
    second.start(m_s.path("kesta-config"), {});
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().contains(QLatin1String(
                                 "------------------------- receiveMessage---------------------")),
                             10000);
    QVERIFY(m_s.app.state() == QProcess::Running);
}

void TstEndToEnd::closeHidesToTheTray()
{
    QTRY_VERIFY_WITH_TIMEOUT(m_s.windowPosition().x() >= 0, 10000);
    QTest::qWait(1500); // the restore's lock runs out
    // The close button is the last of the top bar's buttons.
    clickScene(1280 - 12 - 17, 28);
    QTRY_VERIFY_WITH_TIMEOUT(m_s.windowPosition().x() < 0, 10000);
    QPoint icon;
    QVERIFY(dockedIcon(&icon));
    QVERIFY(m_s.app.state() == QProcess::Running);
}

QTEST_GUILESS_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
