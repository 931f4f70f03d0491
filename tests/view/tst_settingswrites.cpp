// Settings writes made in the window: the file is written off the GUI
// thread, which goes on handling events meanwhile, and the caller still gets
// the write's own answer.
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "view/operations.h"

#include "../filesizelimit.h"
#include "../replacementcounter.h"
#include "../stagemodules.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// How long another writer holds the file in these tests.
constexpr int kHeldMs = 200;

} // namespace

class TstSettingsWrites : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString settingFolder() const { return m_dir.path() + QStringLiteral("/modules/setting"); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(stageModules(m_dir.path()));
    }

    // Another writer holds the file for a while (as a slow disk would keep
    // the write going): the window's timers keep firing, nothing writes the
    // file before its turn, it is written once, and the answer is the
    // write's, also on a full disk.
    void writesLetTheWindowRun_data()
    {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<bool>("full");
        QTest::newRow("one value") << false << false;
        QTest::newRow("batch") << true << false;
        QTest::newRow("one value, disk full") << false << true;
        QTest::newRow("batch, disk full") << true << true;
    }

    void writesLetTheWindowRun()
    {
        QFETCH(bool, batch);
        QFETCH(bool, full);
        ScriptedDialogs dialogs;
        Operations ops(m_dir.path() + QStringLiteral("/modules"), &dialogs);
        SettingsStore *store = ops.settings();
        const QString path = settingFolder() + QStringLiteral("/p1.bin");
        const QByteArray before = readAll(path);
        const QString big = QString(300, QLatin1Char('9'));
        const QVariantList dpi{400, 800, full ? QVariant(big) : QVariant(1600)};

        QLockFile held(path + QStringLiteral(".wlock"));
        QVERIFY(held.tryLock(0));
        ReplacementCounter replaced(settingFolder());
        QVERIFY(replaced.valid());
        int ticks = 0;
        QTimer ticker;
        ticker.setInterval(10);
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        QByteArray whileHeld;
        QTimer::singleShot(kHeldMs, this, [&] {
            whileHeld = readAll(path);
            held.unlock();
        });
        if (full)
            QTest::ignoreMessage(QtDebugMsg,
                                 QRegularExpression("failed.*" + QRegularExpression::escape(path)));

        bool ok = false;
        {
            FileSizeLimit limit(full ? FileSizeLimit::justAbove(path) : RLIM_INFINITY);
            QVERIFY(limit.active());
            ticker.start();
            if (batch) {
                SettingsStore::WriteBatch writes(store);
                store->setData(QStringLiteral("mouse/lod"), full ? QVariant(big) : QVariant(5));
                store->setDataList(QStringLiteral("mouse/dpiValueArray"), dpi);
                ok = writes.commit();
            } else {
                ok = store->setProfileDataList(0, QStringLiteral("mouse/dpiValueArray"), dpi);
            }
            ticker.stop();
        }
        QVERIFY2(ticks >= 3, QByteArray::number(ticks).constData());
        QCOMPARE(ok, !full);
        QCOMPARE(whileHeld, before);
        QTest::qWait(50); // requests to write held back meanwhile are handled
        const QByteArray after = readAll(path);
        if (full) {
            // (A cut file may have been renamed in and the old one back.)
            QCOMPARE(after, before);
            QCOMPARE(store->getData(QStringLiteral("mouse/lod"), false).toString(),
                     QStringLiteral("3"));
            QCOMPARE(store->getDataList(QStringLiteral("mouse/dpiValueArray"), false).size(), 8);
        } else {
            QCOMPARE(replaced.take("p1.bin"), 1);
            QVERIFY(after.contains("\ndpiValueArray=400, 800, 1600\n"));
            QCOMPARE(after.contains("\nlod=5\n"), batch);
        }
        QCOMPARE(QDir(settingFolder()).entryList({"p1.bin*"}, QDir::Files), QStringList{"p1.bin"});
    }

    // A write asked for while another waits (here from a timer) goes after
    // it: both reach the file, one after the other, and both are told so.
    void aWriteAskedForDuringAnotherGoesAfterIt()
    {
        ScriptedDialogs dialogs;
        Operations ops(m_dir.path() + QStringLiteral("/modules"), &dialogs);
        SettingsStore *store = ops.settings();
        const QString path = settingFolder() + QStringLiteral("/p1.bin");
        QLockFile held(path + QStringLiteral(".wlock"));
        QVERIFY(held.tryLock(0));
        ReplacementCounter replaced(settingFolder());
        QVERIFY(replaced.valid());
        bool nestedOk = false;
        bool nestedRan = false;
        QTimer::singleShot(kHeldMs / 4, this, [&] {
            nestedRan = true;
            nestedOk =
                store->setProfileDataList(0, QStringLiteral("mouse/dpiEnableArray"), {1, 0, 1});
            // Written after the first one, which is done by now.
            QVERIFY(readAll(path).contains("\ndpiValueArray=400, 800\n"));
        });
        QTimer::singleShot(kHeldMs, this, [&] { held.unlock(); });
        QVERIFY(store->setProfileDataList(0, QStringLiteral("mouse/dpiValueArray"), {400, 800}));
        QVERIFY(nestedRan);
        QVERIFY(nestedOk);
        const QByteArray after = readAll(path);
        QVERIFY(after.contains("\ndpiValueArray=400, 800\n"));
        QVERIFY(after.contains("\ndpiEnableArray=1, 0, 1\n"));
        QCOMPARE(replaced.take("p1.bin"), 2);
    }
};

QTEST_MAIN(TstSettingsWrites)
#include "tst_settingswrites.moc"
