#include "singleinstance/qtlocalpeer.h"
#include "singleinstance/qtlockedfile.h"
#include "singleinstance/sessionsuffix.h"

#include "helperprocess.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <qplatformdefs.h>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using QtLP_Private::QtLockedFile;

namespace {

QByteArray frame(quint32 length, const QByteArray &body)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian<quint32>(length, bytes.data());
    return bytes + body;
}

QByteArray frame(const QByteArray &body)
{
    return frame(quint32(body.size()), body);
}

QtLocalPeer::Names namesOf(const QString &id)
{
    return QtLocalPeer::deriveNames(id, QString(), sessionSuffix(),
                                    QtLocalPeer::privateRuntimeDir());
}

// Collects warnings and debug lines while it lives.
class MessageLines
{
public:
    MessageLines()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&MessageLines::handle);
    }
    ~MessageLines() { qInstallMessageHandler(m_previous); }
    QString text() const { return s_lines.join('\n'); }

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &line)
    {
        s_lines << line;
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace

class tst_QtLocalPeer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deriveNames_data();
    void deriveNames();
    void oneFirstInstancePerId();
    void receivedMessages_data();
    void receivedMessages();
    void silentClientIsDropped_data();
    void silentClientIsDropped();
    void slowClientsDoNotHoldTheEventLoop();
    void unreachableFirstInstance();
    void lockAndSocketLiveInAPrivateFolder_data();
    void lockAndSocketLiveInAPrivateFolder();
    void unusableLockFileIsNoRunningInstance();
    void secondInstanceHandsOverAndEnds_data();
    void secondInstanceHandsOverAndEnds();
    void firstStartRunsOn();
    void crashedInstanceDoesNotBlockLaterStarts();

private:
    QString m_id;
};

void tst_QtLocalPeer::init()
{
    // Unique per test and per run, so nothing collides with a running program.
    static int counter = 0;
    m_id = QStringLiteral("kesta-tst-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

void tst_QtLocalPeer::cleanup()
{
    for (const QString &id : {m_id, m_id + QStringLiteral("-other")}) {
        const auto names = namesOf(id);
        QLocalServer::removeServer(names.serverName);
        QDir().rmdir(names.lockFileName);
        QFile::remove(names.lockFileName);
    }
}

void tst_QtLocalPeer::deriveNames_data()
{
    QTest::addColumn<QString>("appId");
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("runtimeDir");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("socketName");
    QTest::addColumn<QString>("lockFileName");

    QTest::newRow("blanks, digits and dashes in the path")
        << QString() << "D:/Tools/My App 2/Setup-Tool.exe" << QString() << "/tmp"
        << "d:/tools/my app 2/setup-tool.exe"
        << "qtsingleapp-setupt-2c61"
        << "/tmp/qtsingleapp-setupt-2c61-lockfile";
    QTest::newRow("file name of digits only") << QString() << "C:/123.exe" << QString() << "/tmp"
                                              << "c:/123.exe"
                                              << "qtsingleapp-exe-594a"
                                              << "/tmp/qtsingleapp-exe-594a-lockfile";
    QTest::newRow("explicit id is its own prefix and keeps its case")
        << "Kesta-Config 2"
        << "/opt/ignored/Other" << QString() << "/tmp"
        << "Kesta-Config 2"
        << "qtsingleapp-KestaC-28ce"
        << "/tmp/qtsingleapp-KestaC-28ce-lockfile";
    QTest::newRow("id without letters leaves the prefix empty")
        << "2024" << QString() << QString() << "/tmp"
        << "2024"
        << "qtsingleapp--fd41"
        << "/tmp/qtsingleapp--fd41-lockfile";
    QTest::newRow("session suffix") << QString() << "/opt/kesta/kesta-config"
                                    << "3e8"
                                    << "/tmp"
                                    << "/opt/kesta/kesta-config"
                                    << "qtsingleapp-kestac-12f0-3e8"
                                    << "/tmp/qtsingleapp-kestac-12f0-3e8-lockfile";
    QTest::newRow("non-ASCII path checksums its UTF-8 bytes")
        << QString() << "/home/J\u00fcrgen/kesta-config" << QString() << "/var/tmp/"
        << "/home/j\u00fcrgen/kesta-config"
        << "qtsingleapp-kestac-15eb"
        << "/var/tmp/qtsingleapp-kestac-15eb-lockfile";
}

void tst_QtLocalPeer::deriveNames()
{
    QFETCH(QString, appId);
    QFETCH(QString, executable);
    QFETCH(QString, suffix);
    QFETCH(QString, runtimeDir);
    QFETCH(QString, lockFileName);

    const auto names = QtLocalPeer::deriveNames(appId, executable, suffix, runtimeDir);
    QTEST(names.id, "id");
    QTEST(names.socketName, "socketName");
    QCOMPARE(names.lockFileName, lockFileName);
    // The socket lies beside the lock file.
    QCOMPARE(names.serverName + "-lockfile", lockFileName);
}

void tst_QtLocalPeer::oneFirstInstancePerId()
{
    QtLocalPeer first(nullptr, m_id);
    QVERIFY(!first.isClient());
    QVERIFY(!first.isClient()); // asking again changes nothing
    QVERIFY(!first.sendMessage(QStringLiteral("to myself"), 1000));

    QtLocalPeer second(nullptr, m_id);
    QVERIFY(second.isClient());
    QtLocalPeer other(nullptr, m_id + QStringLiteral("-other"));
    QVERIFY(!other.isClient());

    // The socket is open to this user only.
    const QFileInfo socket(first.socketName());
    QVERIFY(socket.exists());
    const auto othersMay = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                           QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(socket.permissions() & othersMay, QFileDevice::Permissions());
}

void tst_QtLocalPeer::receivedMessages_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<bool>("closeAfterSending");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty message") << frame(QByteArray()) << false << QString();
    QTest::newRow("UTF-8 text") << frame(QStringLiteral("Gr\u00fc\u00dfe \u00e9t\u00e9").toUtf8())
                                << false << QStringLiteral("Gr\u00fc\u00dfe \u00e9t\u00e9");
    QTest::newRow("NUL ends the text") << frame(QByteArray("ab\0cd", 5)) << false << "ab";
    QTest::newRow("body shorter than its length")
        << frame(10, "hello") << true << QStringLiteral("hello");
    QTest::newRow("the longest message") << frame(QByteArray(QtLocalPeer::kMaxMessageLength, 'm'))
                                         << false << QString(QtLocalPeer::kMaxMessageLength, 'm');
}

void tst_QtLocalPeer::receivedMessages()
{
    QFETCH(QByteArray, wire);
    QFETCH(bool, closeAfterSending);
    QFETCH(QString, message);

    QtLocalPeer server(nullptr, m_id);
    QVERIFY(!server.isClient());
    QSignalSpy received(&server, &QtLocalPeer::messageReceived);

    QLocalSocket client;
    client.connectToServer(server.socketName());
    QVERIFY(client.waitForConnected(2000));
    client.write(wire);
    QVERIFY(client.waitForBytesWritten(2000));
    if (closeAfterSending)
        client.disconnectFromServer();

    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), message);
    if (!closeAfterSending) {
        QVERIFY(client.bytesAvailable() >= 3 || client.waitForReadyRead(2000));
        QCOMPARE(client.readAll(), QByteArray("ack"));
    }
}

void tst_QtLocalPeer::silentClientIsDropped_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<bool>("staysConnected");

    QTest::newRow("closes without sending") << QByteArray() << false;
    QTest::newRow("stays connected, sends nothing") << QByteArray() << true;
    QTest::newRow("stays connected after half a length") << QByteArray(2, '\0') << true;
    QTest::newRow("stays connected after part of the body") << frame(10, "hel") << true;
    QTest::newRow("announces 4 GiB") << frame(0xffffffffu, "abc") << true;
    QTest::newRow("announces one byte too many")
        << frame(quint32(QtLocalPeer::kMaxMessageLength + 1), "abc") << true;
}

void tst_QtLocalPeer::silentClientIsDropped()
{
    QFETCH(QByteArray, wire);
    QFETCH(bool, staysConnected);

    QtLocalPeer server(nullptr, m_id);
    QVERIFY(!server.isClient());
    server.setConnectionDeadline(200);
    QSignalSpy received(&server, &QtLocalPeer::messageReceived);

    {
        QLocalSocket silent;
        QSignalSpy dropped(&silent, &QLocalSocket::disconnected);
        silent.connectToServer(server.socketName());
        QVERIFY(silent.waitForConnected(2000));
        if (!wire.isEmpty()) {
            silent.write(wire);
            QVERIFY(silent.waitForBytesWritten(2000));
        }
        if (staysConnected)
            QTRY_COMPARE(dropped.count(), 1);
        else
            silent.disconnectFromServer();
        QTest::qWait(100);
    }
    QCOMPARE(received.count(), 0);

    // The server is not wedged by it.
    QLocalSocket client;
    client.connectToServer(server.socketName());
    QVERIFY(client.waitForConnected(2000));
    client.write(frame("next"));
    QVERIFY(client.waitForBytesWritten(2000));
    client.disconnectFromServer();
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("next"));
}

// A connection is read as its bytes come: one that stays silent or trickles
// bytes keeps neither the event loop nor other senders waiting, and is cut
// off at its deadline however it behaves.
void tst_QtLocalPeer::slowClientsDoNotHoldTheEventLoop()
{
    QtLocalPeer server(nullptr, m_id);
    QVERIFY(!server.isClient());
    server.setConnectionDeadline(1500);
    QSignalSpy received(&server, &QtLocalPeer::messageReceived);

    QLocalSocket silent;
    QSignalSpy silentDropped(&silent, &QLocalSocket::disconnected);
    silent.connectToServer(server.socketName());
    QVERIFY(silent.waitForConnected(2000));
    QLocalSocket trickler;
    QSignalSpy tricklerDropped(&trickler, &QLocalSocket::disconnected);
    trickler.connectToServer(server.socketName());
    QVERIFY(trickler.waitForConnected(2000));
    QTimer trickle;
    const QByteArray slow = frame(1000, QByteArray(1000, 't'));
    int sent = 0;
    connect(&trickle, &QTimer::timeout, &trickler, [&] {
        if (sent < slow.size() && trickler.state() == QLocalSocket::ConnectedState)
            trickler.write(slow.mid(sent++, 1));
    });
    trickle.start(20);

    QElapsedTimer clock;
    clock.start();
    QLocalSocket client;
    client.connectToServer(server.socketName());
    QVERIFY(client.waitForConnected(2000));
    client.write(frame("meanwhile"));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 1000);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("meanwhile"));

    QTRY_COMPARE_WITH_TIMEOUT(silentDropped.count(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(tricklerDropped.count(), 1, 5000);
    QCOMPARE(received.count(), 1);
}

void tst_QtLocalPeer::unreachableFirstInstance()
{
    // The lock is held but nobody listens: both connection attempts fail.
    const auto names = namesOf(m_id);
    QtLockedFile holder(names.lockFileName);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QVERIFY(holder.lock(QtLockedFile::WriteLock, false));

    QtLocalPeer peer(nullptr, m_id);
    QVERIFY(peer.isClient());
    QVERIFY(!peer.sendMessage(QStringLiteral("hello"), 200));
}

void tst_QtLocalPeer::secondInstanceHandsOverAndEnds_data()
{
    QTest::addColumn<QString>("message");

    QTest::newRow("empty message, as at start-up") << QString();
    QTest::newRow("non-ASCII text") << QStringLiteral("Gr\u00fc\u00dfe");
}

void tst_QtLocalPeer::secondInstanceHandsOverAndEnds()
{
    QFETCH(QString, message);

    QtLocalPeer first(nullptr, m_id);
    QVERIFY(!first.isClient());
    QSignalSpy received(&first, &QtLocalPeer::messageReceived);

    HelperProcess second({QStringLiteral("send"), m_id, message});
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 15000);
    QCOMPARE(received.at(0).at(0).toString(), message);
    QCOMPARE(second.readLine(), QByteArray("sent:1"));
    QCOMPARE(second.finish(), 1);
}

void tst_QtLocalPeer::firstStartRunsOn()
{
    HelperProcess start({QStringLiteral("send"), m_id});
    QCOMPARE(start.readLine(), QByteArray("first"));
    QCOMPARE(start.finish(), 0);
}

void tst_QtLocalPeer::crashedInstanceDoesNotBlockLaterStarts()
{
    const QString socketPath = namesOf(m_id).serverName;
    {
        HelperProcess crashed({QStringLiteral("serve"), m_id});
        QCOMPARE(crashed.readLine(), QByteArray("listening"));
        crashed.kill();
    }
    QVERIFY2(QFileInfo::exists(socketPath), "a killed instance leaves its socket behind");

    HelperProcess first({QStringLiteral("serve"), m_id});
    QCOMPARE(first.readLine(), QByteArray("listening"));

    HelperProcess second({QStringLiteral("send"), m_id, QStringLiteral("after the crash")});
    QCOMPARE(second.readLine(), QByteArray("sent:1"));
    QCOMPARE(second.finish(), 1);
    QCOMPARE(first.readLine(), QByteArray("message:after the crash"));

    HelperProcess quitter({QStringLiteral("send"), m_id, QStringLiteral("quit")});
    QCOMPARE(quitter.finish(), 1);
    QCOMPARE(first.finish(), 0);
    QVERIFY(!QFileInfo::exists(socketPath));
}

void tst_QtLocalPeer::lockAndSocketLiveInAPrivateFolder_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("used");
    QTest::newRow("private runtime folder is used") << 0700 << true;
    QTest::newRow("runtime folder open to others is not") << 0777 << false;
}

void tst_QtLocalPeer::lockAndSocketLiveInAPrivateFolder()
{
    QFETCH(int, mode);
    QFETCH(bool, used);
    QTemporaryDir runtime;
    QVERIFY(::chmod(QFile::encodeName(runtime.path()).constData(), mode_t(mode)) == 0);
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString folder = QtLocalPeer::privateRuntimeDir();
    {
        QtLocalPeer peer(nullptr, m_id);
        QVERIFY(!peer.isClient());
        QCOMPARE(QFileInfo(peer.socketName()).absolutePath(), folder);
        QVERIFY(QFileInfo(peer.socketName()).exists());
        QCOMPARE(QFileInfo::exists(runtime.filePath(QFileInfo(peer.socketName()).fileName())),
                 used);
    }
    qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(folder == QDir(runtime.path()).absolutePath(), used);
    // Whatever was chosen is closed to everybody else.
    QT_STATBUF info;
    QVERIFY(QT_LSTAT(QFile::encodeName(folder).constData(), &info) == 0);
    QCOMPARE(int(info.st_mode & 077), 0);
    QCOMPARE(info.st_uid, ::geteuid());
}

// Someone else's file (here a folder) where the lock file goes makes it
// impossible to open: that is said, and the program starts all the same.
void tst_QtLocalPeer::unusableLockFileIsNoRunningInstance()
{
    const auto names = namesOf(m_id);
    QVERIFY(QDir().mkpath(names.lockFileName));
    MessageLines lines;
    QtLocalPeer peer(nullptr, m_id);
    QVERIFY(!peer.isClient());
    QVERIFY2(lines.text().contains("cannot open the lock file " + names.lockFileName),
             qPrintable(lines.text()));

    HelperProcess start({QStringLiteral("send"), m_id});
    QCOMPARE(start.readLine(), QByteArray("first"));
    QCOMPARE(start.finish(), 0);
    QVERIFY(QDir().rmdir(names.lockFileName));
}

QTEST_MAIN(tst_QtLocalPeer)
#include "tst_qtlocalpeer.moc"
