#include "singleinstance/qtlockedfile.h"

#include "helperprocess.h"

#include <QTemporaryDir>
#include <QtTest>

#include <future>

using QtLP_Private::QtLockedFile;

Q_DECLARE_METATYPE(QtLockedFile::LockMode)

class tst_QtLockedFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void openRefusesTruncation_data();
    void openRefusesTruncation();
    void lockingNeedsAnOpenFile();
    void twoHoldersInOneProcess_data();
    void twoHoldersInOneProcess();
    void modeChangesAndRelease();
    void otherProcessHoldsTheLock_data();
    void otherProcessHoldsTheLock();
    void blockingLockWaitsForTheHolder();

private:
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_QtLockedFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("app-lockfile"));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("kept");
}

void tst_QtLockedFile::openRefusesTruncation_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("opens");

    QTest::newRow("truncate flag") << int(QIODevice::ReadWrite | QIODevice::Truncate) << false;
    QTest::newRow("write-only truncates implicitly") << int(QIODevice::WriteOnly) << false;
    QTest::newRow("read-write keeps the content") << int(QIODevice::ReadWrite) << true;
    QTest::newRow("write-only append keeps the content")
        << int(QIODevice::WriteOnly | QIODevice::Append) << true;
}

void tst_QtLockedFile::openRefusesTruncation()
{
    QFETCH(int, mode);
    QFETCH(bool, opens);

    QtLockedFile file(m_path);
    if (!opens)
        QTest::ignoreMessage(QtWarningMsg, "QtLockedFile::open(): Truncate mode not allowed.");
    QCOMPARE(file.open(QIODevice::OpenMode(mode)), opens);
    QCOMPARE(file.isOpen(), opens);
    file.close();

    QFile check(m_path);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("kept"));
}

void tst_QtLockedFile::lockingNeedsAnOpenFile()
{
    QtLockedFile file(m_path);
    QTest::ignoreMessage(QtWarningMsg, "QtLockedFile::lock(): file is not opened");
    QVERIFY(!file.lock(QtLockedFile::WriteLock, false));
    QTest::ignoreMessage(QtWarningMsg, "QtLockedFile::unlock(): file is not opened");
    QVERIFY(!file.unlock());
    QVERIFY(!file.isLocked());
}

void tst_QtLockedFile::twoHoldersInOneProcess_data()
{
    QTest::addColumn<QtLockedFile::LockMode>("held");
    QTest::addColumn<QtLockedFile::LockMode>("wanted");
    QTest::addColumn<bool>("granted");

    QTest::newRow("readers share") << QtLockedFile::ReadLock << QtLockedFile::ReadLock << true;
    QTest::newRow("reader keeps writer out")
        << QtLockedFile::ReadLock << QtLockedFile::WriteLock << false;
    QTest::newRow("writer keeps reader out")
        << QtLockedFile::WriteLock << QtLockedFile::ReadLock << false;
    QTest::newRow("writer keeps writer out")
        << QtLockedFile::WriteLock << QtLockedFile::WriteLock << false;
}

void tst_QtLockedFile::twoHoldersInOneProcess()
{
    QFETCH(QtLockedFile::LockMode, held);
    QFETCH(QtLockedFile::LockMode, wanted);
    QFETCH(bool, granted);

    QtLockedFile holder(m_path);
    QtLockedFile other(m_path);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QVERIFY(other.open(QIODevice::ReadWrite));

    QVERIFY(holder.lock(held, false));
    QCOMPARE(holder.lockMode(), held);
    QCOMPARE(other.lock(wanted, false), granted);
    QCOMPARE(other.isLocked(), granted);
    QCOMPARE(other.lockMode(), granted ? wanted : QtLockedFile::NoLock);

    // Once the holder lets go, every request succeeds.
    QVERIFY(other.unlock());
    QVERIFY(holder.unlock());
    QVERIFY(!holder.isLocked());
    QVERIFY(other.lock(wanted, false));
}

void tst_QtLockedFile::modeChangesAndRelease()
{
    QtLockedFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.lock(QtLockedFile::ReadLock, false));
    QVERIFY(file.lock(QtLockedFile::ReadLock, false)); // already held
    QVERIFY(file.lock(QtLockedFile::WriteLock, false));
    QCOMPARE(file.lockMode(), QtLockedFile::WriteLock);

    QtLockedFile other(m_path);
    QVERIFY(other.open(QIODevice::ReadWrite));
    QVERIFY(!other.lock(QtLockedFile::ReadLock, false));

    QVERIFY(file.lock(QtLockedFile::NoLock, false));
    QCOMPARE(file.lockMode(), QtLockedFile::NoLock);
    QVERIFY(other.lock(QtLockedFile::WriteLock, false));
    QVERIFY(other.unlock());

    {
        QtLockedFile scoped(m_path);
        QVERIFY(scoped.open(QIODevice::ReadWrite));
        QVERIFY(scoped.lock(QtLockedFile::WriteLock, false));
        QVERIFY(!other.lock(QtLockedFile::WriteLock, false));
    }
    QVERIFY(other.lock(QtLockedFile::WriteLock, false)); // destruction released it
}

void tst_QtLockedFile::otherProcessHoldsTheLock_data()
{
    QTest::addColumn<QString>("helperMode");
    QTest::addColumn<bool>("readGranted");

    QTest::newRow("writer") << QStringLiteral("write") << false;
    QTest::newRow("reader") << QStringLiteral("read") << true;
}

void tst_QtLockedFile::otherProcessHoldsTheLock()
{
    QFETCH(QString, helperMode);
    QFETCH(bool, readGranted);

    HelperProcess holder({QStringLiteral("lock"), m_path, helperMode});
    QCOMPARE(holder.readLine(), QByteArray("locked"));

    QtLockedFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(!file.lock(QtLockedFile::WriteLock, false));
    QCOMPARE(file.lock(QtLockedFile::ReadLock, false), readGranted);
    if (readGranted) {
        // Two readers now: a writer elsewhere stays out, one more reader gets in.
        HelperProcess writer({QStringLiteral("trylock"), m_path, QStringLiteral("write")});
        QCOMPARE(writer.finish(), 2);
        HelperProcess reader({QStringLiteral("trylock"), m_path, QStringLiteral("read")});
        QCOMPARE(reader.finish(), 0);
        QVERIFY(file.unlock());
    }

    // A holder that dies gives its lock up.
    holder.kill();
    QVERIFY(file.lock(QtLockedFile::WriteLock, false));
}

void tst_QtLockedFile::blockingLockWaitsForTheHolder()
{
    HelperProcess holder({QStringLiteral("lock"), m_path, QStringLiteral("write")});
    QCOMPARE(holder.readLine(), QByteArray("locked"));

    QtLockedFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    auto waiting = std::async(std::launch::async,
                              [&file] { return file.lock(QtLockedFile::WriteLock, true); });
    QCOMPARE(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);

    holder.kill();
    QVERIFY(waiting.get());
    QCOMPARE(file.lockMode(), QtLockedFile::WriteLock);
}

QTEST_GUILESS_MAIN(tst_QtLockedFile)
#include "tst_qtlockedfile.moc"
