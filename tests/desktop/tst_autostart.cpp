// The autostart entry behind the settings tab's check box: written, read and
// removed without a window, and reachable as operations of ui_View.
#include "desktop/autostart.h"
#include "view/operations.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TstAutostart : public QObject
{
    Q_OBJECT
private slots:
    void execArgument_data();
    void execArgument();
    void writesAValidEntryThatStartsHidden();
    void switchedOffByTheSessionCountsAsOff_data();
    void switchedOffByTheSessionCountsAsOff();
    void removingIsIdempotent();
    void unwritablePlaceReportsFailure();
    void operationsOfTheView();

private:
    QTemporaryDir m_dir;
};

void TstAutostart::execArgument_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain path") << "/usr/bin/kesta-config"
                                << "/usr/bin/kesta-config";
    QTest::newRow("blank: quoted") << "/opt/my apps/kesta-config"
                                   << "\"/opt/my apps/kesta-config\"";
    QTest::newRow("dollar: quoted and escaped") << "/opt/a$b/k"
                                                << "\"/opt/a\\\\$b/k\"";
    QTest::newRow("double quote") << "/opt/a\"b/k"
                                  << "\"/opt/a\\\\\"b/k\"";
    QTest::newRow("backslash: escaped twice") << "/opt/a\\b/k"
                                              << "\"/opt/a\\\\\\\\b/k\"";
    QTest::newRow("percent is not a field code") << "/opt/100%/k"
                                                 << "/opt/100%%/k";
    QTest::newRow("line break cannot be written") << "/opt/a\nb/k"
                                                  << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TstAutostart::execArgument()
{
    QFETCH(QString, argument);
    QTEST(Autostart::execArgument(argument), "exec");
}

void TstAutostart::writesAValidEntryThatStartsHidden()
{
    const QString path = m_dir.path() + "/fresh/autostart/kesta-config.desktop";
    Autostart autostart(path, "/opt/my apps/kesta-config");
    QVERIFY(!autostart.isAutostart());
    QVERIFY(autostart.setAutostart(true));
    QVERIFY(autostart.isAutostart());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.contains("\nExec=\"/opt/my apps/kesta-config\" --hidden\n"), qPrintable(text));
    // The session skips the entry once the program is gone.
    QVERIFY2(text.contains("\nTryExec=/opt/my apps/kesta-config\n"), qPrintable(text));

    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(validator, {path});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY2(p.exitCode() == 0, p.readAll().constData());
}

// cutAt: the entry is cut just before this text (a write that ran out of
// room), then the line is appended.
void TstAutostart::switchedOffByTheSessionCountsAsOff_data()
{
    QTest::addColumn<QByteArray>("cutAt");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("on");
    QTest::newRow("as written") << QByteArray() << QByteArray() << true;
    QTest::newRow("Hidden=true") << QByteArray() << QByteArray("Hidden=true\n") << false;
    QTest::newRow("Hidden=false") << QByteArray() << QByteArray("Hidden=false\n") << true;
    QTest::newRow("GNOME switch off")
        << QByteArray() << QByteArray("X-GNOME-Autostart-enabled=false\n") << false;
    QTest::newRow("empty") << QByteArray("[Desktop Entry]") << QByteArray() << false;
    QTest::newRow("cut before Exec") << QByteArray("Exec=") << QByteArray() << false;
}

void TstAutostart::switchedOffByTheSessionCountsAsOff()
{
    QFETCH(QByteArray, cutAt);
    QFETCH(QByteArray, line);
    const QString path = m_dir.path() + "/session/kesta-config.desktop";
    Autostart autostart(path, "/usr/bin/kesta-config");
    QVERIFY(autostart.setAutostart(true));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (!cutAt.isEmpty())
        QVERIFY(file.resize(file.readAll().indexOf(cutAt)));
    file.seek(file.size());
    file.write(line);
    file.close();
    QTEST(autostart.isAutostart(), "on");
    // Switching it on again writes a fresh entry.
    QVERIFY(autostart.setAutostart(true));
    QVERIFY(autostart.isAutostart());
}

void TstAutostart::removingIsIdempotent()
{
    const QString path = m_dir.path() + "/remove/kesta-config.desktop";
    Autostart autostart(path, "/usr/bin/kesta-config");
    QVERIFY(autostart.setAutostart(true));
    QVERIFY(autostart.setAutostart(false));
    QVERIFY(!QFile::exists(path));
    QVERIFY(!autostart.isAutostart());
    QVERIFY(autostart.setAutostart(false));
}

void TstAutostart::unwritablePlaceReportsFailure()
{
    // A file stands where the autostart folder should be.
    QFile blocker(m_dir.path() + "/blocked");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Autostart blocked(m_dir.path() + "/blocked/autostart/kesta-config.desktop",
                      "/usr/bin/kesta-config");
    QVERIFY(!blocked.setAutostart(true));
    QVERIFY(!blocked.isAutostart());
    // A program path that an Exec line cannot carry is refused, not mangled.
    Autostart odd(m_dir.path() + "/odd/kesta-config.desktop", "/opt/a\nb/kesta-config");
    QVERIFY(!odd.setAutostart(true));
    QVERIFY(!QFile::exists(odd.entryPath()));
}

void TstAutostart::operationsOfTheView()
{
    // The default place follows XDG_CONFIG_HOME; the program is the
    // kesta-config beside the running executable.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + "/config"));
    Operations ops(m_dir.path() + "/modules", nullptr);
    QVariant result;
    QString error;
    QVERIFY2(ops.call("setAutostart", {true}, &result, &error), qPrintable(error));
    QCOMPARE(result, QVariant(true));
    QVERIFY(ops.call("isAutostart", {}, &result, &error));
    QCOMPARE(result, QVariant(true));
    QFile file(m_dir.path() + "/config/autostart/kesta-config.desktop");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains(
        (QDir(QCoreApplication::applicationDirPath()).filePath("kesta-config") + " --hidden\n")
            .toUtf8()));
    QVERIFY(ops.call("setAutostart", {false}, &result, &error));
    QVERIFY(ops.call("isAutostart", {}, &result, &error));
    QCOMPARE(result, QVariant(false));
}

QTEST_GUILESS_MAIN(TstAutostart)
#include "tst_autostart.moc"
