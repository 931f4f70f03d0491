// The running program as the one writer: on a private session bus, kesta-ctl
// runs its commands in the program (which sends them; kesta-ctl itself has no
// mouse here), the program's properties show the stored values, bad
// arguments and operations called by name change nothing, and calls that
// arrive together are done one after the other.
#include "bus/busnames.h"

#include "desktopsession.h"

#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDirIterator>

using namespace KestaBusNames;

class TstBus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void commandsRunInTheProgram_data();
    void commandsRunInTheProgram();
    void callsArrivingTogetherAreAllDone();
    void filesAreNamedFromKestaCtlsFolder();
    void warningsComeBackOnStderr();
    void appProfileRulesInTheProgram();

private:
    // kesta-ctl beside the program, without the virtual mouse.
    int ctl(const QStringList &args, QString *output = nullptr);
    QVariant property(const QString &name);
    QMap<QString, QByteArray> settingsFiles() const;
    // The frames sent on the mouse's command interface so far (the
    // notification listener's reads go on all the time and do not count).
    int commandsSent() const;
    void waitForQuietCommands() const;

    DesktopSession m_s;
    QProcess m_bus;
    QString m_busName = QStringLiteral("tst_bus");
};

void TstBus::initTestCase()
{
    const QString missing = DesktopSession::missingTool({"Xvfb", "dbus-daemon"});
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
    m_bus.start(QStringLiteral("dbus-daemon"),
                {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    QVERIFY(m_bus.waitForStarted());
    QVERIFY(QTest::qWaitFor([this] { return m_bus.canReadLine(); }, 10000));
    m_s.busAddress = QString::fromLatin1(m_bus.readLine()).trimmed();
    QVERIFY(QDBusConnection::connectToBus(m_s.busAddress, m_busName).isConnected());

    QVERIFY(m_s.startDisplay());
    QVERIFY(m_s.stageProgram());
    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    QVERIFY(QFile::copy(bin + QStringLiteral("/kesta-ctl"), m_s.path("kesta-ctl")));
    QVERIFY(QFile(m_s.path("kesta-ctl"))
                .setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner));
    QVERIFY(m_s.startProgram());
    QDBusConnection bus(m_busName);
    QVERIFY2(
        QTest::qWaitFor(
            [&] { return bus.interface()->isServiceRegistered(QLatin1String(kService)).value(); },
            20000),
        qPrintable(m_s.output()));
    waitForQuietCommands(); // the first initialisation's sends
}

void TstBus::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(m_busName);
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.kill();
        m_bus.waitForFinished(3000);
    }
}

int TstBus::ctl(const QStringList &args, QString *output)
{
    QProcess p;
    QProcessEnvironment env = m_s.environment();
    env.remove(QStringLiteral("LD_PRELOAD"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    QDir().mkpath(m_s.path("elsewhere"));
    p.setWorkingDirectory(m_s.path("elsewhere"));
    p.start(m_s.path("kesta-ctl"), args);
    if (!p.waitForFinished(90000))
        return -1;
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QVariant TstBus::property(const QString &name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(kInterface) << name;
    const QDBusMessage reply = QDBusConnection(m_busName).call(get);
    const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        if (arg.currentSignature() == QLatin1String("ai"))
            return QVariant::fromValue(qdbus_cast<QList<int>>(arg));
    }
    return value;
}

QMap<QString, QByteArray> TstBus::settingsFiles() const
{
    QMap<QString, QByteArray> out;
    QDirIterator it(m_s.path("modules"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            out.insert(f.fileName(), f.readAll());
    }
    return out;
}

int TstBus::commandsSent() const
{
    return m_s.commandsSent();
}

void TstBus::waitForQuietCommands() const
{
    m_s.waitForQuietCommands();
}

void TstBus::commandsRunInTheProgram_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("property"); // empty: nothing may change
    QTest::addColumn<QVariant>("value");

    QTest::newRow("a DPI stage") << QStringList{"dpi", "set", "2=1500"} << 0
                                 << QStringLiteral("DpiStages")
                                 << QVariant::fromValue(QList<int>{500, 1500, 2000, 3000});
    QTest::newRow("the report rate")
        << QStringList{"rate", "500"} << 0 << QStringLiteral("ReportRate") << QVariant(500);
    QTest::newRow("a profile by its name") << QStringList{"profile", "switch", "Shooter"} << 0
                                           << QStringLiteral("Profile") << QVariant(3);
    QTest::newRow("a bad value changes nothing")
        << QStringList{"dpi", "set", "2=abc"} << 2 << QString() << QVariant();
    QTest::newRow("an operation by name is refused")
        << QStringList{"call", "setData", "\"mouse/reportRate\"", "0"} << 1 << QString()
        << QVariant();
}

void TstBus::commandsRunInTheProgram()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, property);
    QFETCH(QVariant, value);

    waitForQuietCommands();
    const auto filesBefore = settingsFiles();
    const int wireBefore = commandsSent();
    QString output;
    QCOMPARE(ctl(args, &output), exitCode);
    if (property.isEmpty()) {
        QCOMPARE(settingsFiles(), filesBefore);
        QCOMPARE(commandsSent(), wireBefore);
        return;
    }
    // The program stored it (the properties read the files) and sent it.
    QCOMPARE(this->property(property), value);
    QVERIFY2(commandsSent() > wireBefore, qPrintable(output));
    QVERIFY(settingsFiles() != filesBefore);
}

void TstBus::callsArrivingTogetherAreAllDone()
{
    // A profile switch sends every page; a DPI change sent meanwhile waits
    // for it and lands in the profile switched to.
    QProcess first;
    QProcessEnvironment env = m_s.environment();
    first.setProcessEnvironment(env);
    first.start(m_s.path("kesta-ctl"), {"profile", "switch", "Game"});
    QVERIFY(first.waitForStarted());
    QTest::qWait(300);
    QCOMPARE(ctl({"dpi", "set", "1=1000"}), 0);
    QVERIFY(first.waitForFinished(90000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(property(QStringLiteral("Profile")), QVariant(2));
    QCOMPARE(property(QStringLiteral("DpiStages")).value<QList<int>>().value(0), 1000);
}

// The program works in its own folder; a file kesta-ctl names is the one in
// kesta-ctl's folder, and an export never lands on the settings themselves.
void TstBus::filesAreNamedFromKestaCtlsFolder()
{
    QString output;
    QCOMPARE(ctl({"profile", "export", "0", "office.pf"}, &output), 0);
    QVERIFY2(QFile::exists(m_s.path("elsewhere/office.pf")), qPrintable(output));
    // The file is found where kesta-ctl runs (the six profiles are taken).
    QCOMPARE(ctl({"profile", "import", "office.pf"}, &output), 2);
    QVERIFY2(output.contains(QLatin1String("six")), qPrintable(output));

    const auto before = settingsFiles();
    QCOMPARE(ctl({"profile", "export", "0", m_s.path("modules/setting/name.bin")}, &output), 2);
    // Nor through a link.
    QVERIFY(QFile::link(m_s.path("modules/setting/name.bin"), m_s.path("elsewhere/evil.pf")));
    QCOMPARE(ctl({"profile", "export", "0", "evil.pf"}, &output), 2);
    QVERIFY2(output.contains(QLatin1String("inside the settings folder")), qPrintable(output));
    QCOMPARE(settingsFiles(), before);
}

// What a command that succeeded printed on stderr in the program comes back
// on kesta-ctl's stderr.
void TstBus::warningsComeBackOnStderr()
{
    QFile mc(m_s.path("elsewhere/Big.mc"));
    QVERIFY(mc.open(QIODevice::WriteOnly));
    mc.write("[config]\nrepeat=1\ntotal=100\n\n[macro]\n");
    for (int i = 0; i < 100; i += 2)
        mc.write(QStringLiteral("%1=\"1,A\"\n%2=\"2,A\"\n").arg(i).arg(i + 1).toLatin1());
    mc.close();

    QProcess p;
    QProcessEnvironment env = m_s.environment();
    env.remove(QStringLiteral("LD_PRELOAD"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_s.path("elsewhere"));
    p.start(m_s.path("kesta-ctl"), {"macro", "import", "Big.mc"});
    QVERIFY(p.waitForFinished(90000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(out.contains(QLatin1String("Big")), qPrintable(out));
    QVERIFY2(err.contains(QLatin1String("macro Big takes 204 bytes")) &&
                 err.contains(QLatin1String("the mouse will get its first 62 steps")),
             qPrintable(err));
    QVERIFY(!out.contains(QLatin1String("takes 204 bytes")));
}

// The rules of per-application profiles go through the program too (the
// method AppProfile for kesta-ctl's app-profile), and nothing is sent.
void TstBus::appProfileRulesInTheProgram()
{
    waitForQuietCommands();
    const int wireBefore = commandsSent();
    QString output;
    QCOMPARE(ctl({"app-profile", "set", "browser", "Game"}, &output), 0);
    QCOMPARE(output, QStringLiteral("browser  2 Game\n"));
    QFile global(m_s.path("modules/setting/apConfig.bin"));
    QVERIFY(global.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(global.readAll());
    QVERIFY2(text.contains(QLatin1String("classes=browser, loaderquiver")), qPrintable(text));
    QCOMPARE(ctl({"app-profile", "remove", "editor"}, &output), 2);
    QVERIFY2(output.contains(QLatin1String("no rule for \"editor\"")), qPrintable(output));
    QCOMPARE(commandsSent(), wireBefore);
}

QTEST_GUILESS_MAIN(TstBus)
#include "tst_bus.moc"
