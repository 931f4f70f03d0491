// The real program follows the window in front: on a bare Xvfb a helper plays
// the window manager (the root's _NET_SUPPORTING_WM_CHECK and
// _NET_ACTIVE_WINDOW, windows with the classes of the rules), and the program
// against the virtual mouse switches to a rule's profile (the profile-change
// sends on the wire, profileNo in the global file), returns to the profile
// before it, ignores a window in front for less than half a second, and lets
// a running transfer end first (the last request winning).
#include "desktopsession.h"

#include <QRegularExpression>

class TstAppProfiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void switchesAndReturns();
    void aShortVisitChangesNothing();
    void aRunningTransferEndsFirst();

private:
    bool front(const QString &command);
    int profileNo() const;
    int commandsSent() const;
    void waitForQuietCommands() const;
    // Waits for profile `number`, noting every profile seen on the way.
    bool waitForProfile(int number, QList<int> *seen = nullptr, int ms = 30000) const;

    DesktopSession m_s;
    QProcess m_windows;
};

void TstAppProfiles::initTestCase()
{
    const QString missing = DesktopSession::missingTool({"Xvfb"});
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
    // The program keeps off any session bus of the machine running the test.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QVERIFY(m_s.startDisplay());
    QVERIFY(m_s.stageProgram());
    QFile global(m_s.path("modules/setting/apConfig.bin"));
    QVERIFY(global.open(QIODevice::Append));
    global.write("\n[appProfiles]\nclasses=Shooter, Game\nprofiles=3, 2\n");
    global.close();

    m_windows.setProcessEnvironment(m_s.environment());
    m_windows.start(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/kesta-test-frontwindows"));
    QVERIFY(m_windows.waitForStarted());
    for (const char *command :
         {"wm", "map browser Browser", "map shooter Shooter", "map game Game", "map plain X"})
        QVERIFY2(front(QString::fromLatin1(command)), command);

    QVERIFY(m_s.startProgram());
    // The first initialisation's sends.
    QVERIFY2(QTest::qWaitFor([this] { return commandsSent() > 0; }, 30000),
             qPrintable(m_s.output()));
    waitForQuietCommands();
    QCOMPARE(profileNo(), 0);
}

void TstAppProfiles::cleanupTestCase()
{
    if (m_windows.state() != QProcess::NotRunning) {
        m_windows.closeWriteChannel();
        if (!m_windows.waitForFinished(3000))
            m_windows.kill();
    }
}

bool TstAppProfiles::front(const QString &command)
{
    m_windows.write(command.toLatin1() + '\n');
    return QTest::qWaitFor([this] { return m_windows.canReadLine(); }, 5000) &&
           m_windows.readLine().trimmed() == "ok";
}

int TstAppProfiles::profileNo() const
{
    QFile f(m_s.path("modules/setting/apConfig.bin"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const auto match = QRegularExpression(QStringLiteral("\nprofileNo=(\\d+)"))
                           .match(QString::fromUtf8(f.readAll()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

int TstAppProfiles::commandsSent() const
{
    return m_s.commandsSent();
}

void TstAppProfiles::waitForQuietCommands() const
{
    m_s.waitForQuietCommands();
}

bool TstAppProfiles::waitForProfile(int number, QList<int> *seen, int ms) const
{
    return QTest::qWaitFor(
        [&] {
            const int now = profileNo();
            if (seen && now >= 0 && (seen->isEmpty() || seen->last() != now))
                seen->append(now);
            return now == number;
        },
        ms);
}

void TstAppProfiles::switchesAndReturns()
{
    const int before = commandsSent();
    QVERIFY(front(QStringLiteral("activate shooter")));
    QVERIFY2(waitForProfile(3), qPrintable(m_s.output()));
    waitForQuietCommands();
    // Every page of the profile went to the mouse.
    QVERIFY(commandsSent() > before + 5);

    // A window without a class changes nothing; one without a rule brings
    // back the profile in use before.
    QVERIFY(front(QStringLiteral("activate none")));
    QTest::qWait(1000);
    QCOMPARE(profileNo(), 3);
    const int atShooter = commandsSent();
    QVERIFY(front(QStringLiteral("activate browser")));
    QVERIFY(waitForProfile(0));
    waitForQuietCommands();
    QVERIFY(commandsSent() > atShooter + 5);
}

void TstAppProfiles::aShortVisitChangesNothing()
{
    waitForQuietCommands();
    const int before = commandsSent();
    QVERIFY(front(QStringLiteral("activate shooter")));
    QTest::qWait(200);
    QVERIFY(front(QStringLiteral("activate plain")));
    QTest::qWait(2000);
    QCOMPARE(profileNo(), 0);
    QCOMPARE(commandsSent(), before);
}

void TstAppProfiles::aRunningTransferEndsFirst()
{
    waitForQuietCommands();
    const int before = commandsSent();
    QVERIFY(front(QStringLiteral("activate game")));
    // The switch to the game's profile is under way...
    QVERIFY(QTest::qWaitFor([&] { return commandsSent() > before; }, 10000));
    // ...while the browser holds the front long enough to ask for its
    // profile, and then the shooter asks for its own: the last one wins.
    QVERIFY(front(QStringLiteral("activate browser")));
    QTest::qWait(700);
    QVERIFY(front(QStringLiteral("activate shooter")));
    QList<int> seen;
    QVERIFY2(waitForProfile(3, &seen), qPrintable(m_s.output()));
    QCOMPARE(seen, (QList<int>{2, 3}));
    waitForQuietCommands();
    QCOMPARE(profileNo(), 3);
}

QTEST_GUILESS_MAIN(TstAppProfiles)
#include "tst_appprofiles.moc"
