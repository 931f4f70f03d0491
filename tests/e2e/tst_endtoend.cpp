// kesta-config as a user meets it: a private Xvfb with a tray, the program
// preloaded with the virtual mouse, driven through the mouse's control FIFO.
#include "../stagemodules.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QString run(const QString &program, const QStringList &args, const QString &display)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

void stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(3000);
    }
}

} // namespace

class TstEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void trayIconDocksWithItsToolTip();
    void connectsAndStartsTheScene();
    void profileListChangesTheProfile();
    void dpiSliderDragThenSave();
    void dpiButtonReachesTheScene();
    void unplugDisablesAndPlugReconnectsAfterTheTimer();
    void secondStartHandsOverAndEnds();
    void closeHidesToTheTray();

private:
    // The main window's position on the screen, and a click at a point of the
    // scene's design coordinates (the window is 1280x720 on a 1920x1080
    // screen, so design and window pixels are the same).
    QPoint windowPosition() const;
    void clickScene(int x, int y);
    void key(const QString &keys);
    // Waits until nothing has crossed the wire for 1.5 s (at most 30 s).
    void waitForQuietWire();
    QString tree() const { return run(QStringLiteral("xwininfo"), {"-root", "-tree"}, m_display); }
    int topLevelWindowsOfTheProgram() const;
    bool dockedIcon(QPoint *position) const;
    QString wireLog() const;
    void control(const QByteArray &line);
    QString output();

    QTemporaryDir m_dir;
    QString m_display;
    QProcess m_xvfb, m_tray, m_app;
    QString m_log; // everything the program wrote so far
};

void TstEndToEnd::initTestCase()
{
    for (const char *tool : {"Xvfb", "trayer", "xwininfo", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    }
    // Xvfb picks a free display and writes its number to the given fd (stdout).
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
    QVERIFY(m_xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine(), 10000);
    m_display = QStringLiteral(":") + QString::fromLatin1(m_xvfb.readLine()).trimmed();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    m_tray.setProcessEnvironment(env);
    m_tray.start(QStringLiteral("trayer"),
                 {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24"});
    QVERIFY(m_tray.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(tree().contains(QLatin1String("\"panel\"")), 10000);

    // The program takes ./modules beside itself: run a copy from a staged folder.
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    QVERIFY(stageModules(m_dir.path()));
    QVERIFY(QFile::copy(bin + QStringLiteral("/kesta-config"),
                        m_dir.path() + QStringLiteral("/kesta-config")));
    QFile(m_dir.path() + QStringLiteral("/kesta-config"))
        .setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);

    env.insert(QStringLiteral("LD_PRELOAD"), bin + QStringLiteral("/libkesta-virtual-mouse.so"));
    env.insert(QStringLiteral("KESTA_VM_CONTROL"), m_dir.path() + QStringLiteral("/control"));
    env.insert(QStringLiteral("KESTA_VM_LOG"), m_dir.path() + QStringLiteral("/wire.log"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_app.setProcessEnvironment(env);
    m_app.setProcessChannelMode(QProcess::MergedChannels);
    m_app.start(m_dir.path() + QStringLiteral("/kesta-config"), {});
    QVERIFY(m_app.waitForStarted());
}

void TstEndToEnd::cleanupTestCase()
{
    stop(m_app);
    stop(m_tray);
    stop(m_xvfb);
}

QString TstEndToEnd::output()
{
    m_log += QString::fromUtf8(m_app.readAll());
    return m_log;
}

int TstEndToEnd::topLevelWindowsOfTheProgram() const
{
    // Top-level windows are indented by five blanks in xwininfo's tree.
    static const QRegularExpression topLevel(
        QStringLiteral("^     0x[0-9a-f]+ .*\\(\"kesta-config\""),
        QRegularExpression::MultilineOption);
    return int(tree().count(topLevel));
}

bool TstEndToEnd::dockedIcon(QPoint *position) const
{
    // In xwininfo's tree, a window of ours indented below the tray's panel.
    const QStringList lines = tree().split(QLatin1Char('\n'));
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

QString TstEndToEnd::wireLog() const
{
    QFile log(m_dir.path() + QStringLiteral("/wire.log"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

void TstEndToEnd::control(const QByteArray &line)
{
    QFile fifo(m_dir.path() + QStringLiteral("/control"));
    QVERIFY(fifo.open(QIODevice::WriteOnly));
    fifo.write(line + '\n');
}

QPoint TstEndToEnd::windowPosition() const
{
    const QString id = run(QStringLiteral("xdotool"),
                           {"search", "--onlyvisible", "--name", "^KESTA R218$"}, m_display)
                           .section(QLatin1Char('\n'), 0, 0)
                           .trimmed();
    if (id.isEmpty())
        return QPoint(-1, -1);
    const QString geometry = run(QStringLiteral("xdotool"), {"getwindowgeometry", id}, m_display);
    static const QRegularExpression position(QStringLiteral("Position: (-?\\d+),(-?\\d+)"));
    const auto m = position.match(geometry);
    return m.hasMatch() ? QPoint(m.captured(1).toInt(), m.captured(2).toInt()) : QPoint(-1, -1);
}

void TstEndToEnd::clickScene(int x, int y)
{
    const QPoint origin = windowPosition();
    QVERIFY2(origin.x() >= 0, "the main window is not on screen");
    run(QStringLiteral("xdotool"),
        {"mousemove", QString::number(origin.x() + x), QString::number(origin.y() + y), "click",
         "1"},
        m_display);
}

void TstEndToEnd::key(const QString &keys)
{
    run(QStringLiteral("xdotool"), {"key", keys}, m_display);
}

void TstEndToEnd::waitForQuietWire()
{
    qsizetype seen = wireLog().size();
    QElapsedTimer quiet;
    quiet.start();
    QElapsedTimer waited;
    waited.start();
    while (quiet.elapsed() < 1500 && waited.elapsed() < 30000) {
        QTest::qWait(100);
        const qsizetype size = wireLog().size();
        if (size != seen) {
            seen = size;
            quiet.restart();
        }
    }
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
    QVERIFY2(docked, qPrintable(tree() + output()));
    const int x = icon.x() + 8;
    const int y = icon.y() + 8;

    // Hovering it brings up its tool tip: one more top-level window of ours.
    QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("Device Connect")), 15000);
    QTest::qWait(500);
    const int before = topLevelWindowsOfTheProgram();
    run(QStringLiteral("xdotool"), {"mousemove", QString::number(x), QString::number(y)},
        m_display);
    QTRY_VERIFY_WITH_TIMEOUT(topLevelWindowsOfTheProgram() > before, 10000);
    run(QStringLiteral("xdotool"), {"mousemove", "900", "900"}, m_display);
}

void TstEndToEnd::connectsAndStartsTheScene()
{
    QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("chkDeviceIsEnCode =  true")), 15000);
    QVERIFY(output().contains(QLatin1String("Device Connect")));
    // The scene's first initialisation reads the current DPI stage: query 8BH
    // goes out after the connect.
    QTRY_VERIFY_WITH_TIMEOUT(wireLog().contains(QLatin1String("\"plain\":\"00 8b")), 15000);
}

void TstEndToEnd::profileListChangesTheProfile()
{
    // The start-up lock has run out once the frame shows and the first
    // initialisation has nothing more to send.
    QTest::qWait(1500);
    waitForQuietWire();
    const int before = int(wireLog().count(QLatin1Char('\n')));
    auto sentSince = [this, before] { return wireLog().section(QLatin1Char('\n'), before); };
    // The profile list sits in the top bar, left of the window buttons: open
    // it with the pointer, move to the next profile with the keyboard.
    clickScene(1030, 28);
    QTest::qWait(400);
    key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
    // Every page of the new profile is sent: the key matrix (12H), the report
    // rate (01H), the lift-off (07H) and the DPI stages (11H).
    QTRY_VERIFY_WITH_TIMEOUT(sentSince().contains(QLatin1String("\"plain\":\"00 11")), 20000);
    for (const char *code : {"00 12", "00 01", "00 07", "00 11"}) {
        QVERIFY2(sentSince().contains(QStringLiteral("\"plain\":\"%1").arg(QLatin1String(code))),
                 code);
    }
    QFile global(m_dir.path() + QStringLiteral("/modules/setting/apConfig.bin"));
    QVERIFY(global.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(global.readAll()).contains(QLatin1String("profileNo=1")));
}

void TstEndToEnd::dpiSliderDragThenSave()
{
    // After the profile change above, profile 2 (p2.bin) is current.
    const QString profile = m_dir.path() + QStringLiteral("/modules/setting/p2.bin");
    auto storedValues = [&profile] {
        QFile f(profile);
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        static const QRegularExpression values(QStringLiteral("dpiValueArray=([^\\n]*)"));
        return values.match(QString::fromUtf8(f.readAll())).captured(1);
    };
    // The profile change's transfers are over (input during one is dropped).
    waitForQuietWire();
    const QString before = storedValues();
    const int lines = int(wireLog().count(QLatin1Char('\n')));
    // Press on stage 3's slider track, right of its handle, and drag further.
    const QPoint origin = windowPosition();
    QVERIFY(origin.x() >= 0);
    const int y = origin.y() + 256;
    run(QStringLiteral("xdotool"),
        {"mousemove", QString::number(origin.x() + 1060), QString::number(y), "mousedown", "1"},
        m_display);
    for (int x = 1070; x <= 1120; x += 10) {
        run(QStringLiteral("xdotool"),
            {"mousemove", QString::number(origin.x() + x), QString::number(y)}, m_display);
    }
    run(QStringLiteral("xdotool"), {"mouseup", "1"}, m_display);
    QTest::qWait(300);
    clickScene(1104, 692); // Save
    const auto sentSince = [this, lines] { return wireLog().section(QLatin1Char('\n'), lines); };
    QTRY_VERIFY_WITH_TIMEOUT(sentSince().contains(QLatin1String("\"plain\":\"00 11")), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(storedValues() != before, 5000);
    QVERIFY2(!storedValues().isEmpty(), qPrintable(before));
}

void TstEndToEnd::dpiButtonReachesTheScene()
{
    control("dpi 2");
    QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("scene: DPI stage 2")), 10000);
}

void TstEndToEnd::unplugDisablesAndPlugReconnectsAfterTheTimer()
{
    const int connects = int(output().count(QLatin1String("Device Connect")));
    const int disabled = int(output().count(QLatin1String("view: input disabled")));
    control("unplug");
    QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("Device removed")), 10000);
    // The window stops taking input as soon as the listener sees the removal.
    QTRY_VERIFY_WITH_TIMEOUT(output().count(QLatin1String("view: input disabled")) > disabled,
                             10000);
    QElapsedTimer sincePlug;
    control("plug");
    sincePlug.start();
    QTRY_VERIFY_WITH_TIMEOUT(output().count(QLatin1String("Device Connect")) > connects, 15000);
    // The check waits for the timer (2048 ms after the notice).
    QVERIFY2(sincePlug.elapsed() >= 1900, qPrintable(QString::number(sincePlug.elapsed())));
    QVERIFY(m_app.state() == QProcess::Running);
}

void TstEndToEnd::secondStartHandsOverAndEnds()
{
    QProcess second;
    second.setProcessEnvironment(m_app.processEnvironment());
    second.start(m_dir.path() + QStringLiteral("/kesta-config"), {});
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String(
                                 "------------------------- receiveMessage---------------------")),
                             10000);
    QVERIFY(m_app.state() == QProcess::Running);
}

void TstEndToEnd::closeHidesToTheTray()
{
    QTRY_VERIFY_WITH_TIMEOUT(windowPosition().x() >= 0, 10000);
    QTest::qWait(1500); // the restore's lock runs out
    // The close button is the last of the top bar's buttons.
    clickScene(1280 - 12 - 17, 28);
    QTRY_VERIFY_WITH_TIMEOUT(windowPosition().x() < 0, 10000);
    QPoint icon;
    QVERIFY(dockedIcon(&icon));
    QVERIFY(m_app.state() == QProcess::Running);
}

QTEST_GUILESS_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
