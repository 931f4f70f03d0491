// Recording a macro as a user does it: the real program under Xvfb with the
// virtual mouse, the pointer and keyboard driven by xdotool. The keys are
// typed outside our window and reach the page through the global capture;
// the clicks on the record button itself are not recorded.
#include "../stagemodules.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

class TstMacroRecord : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void recordTypedKeys();

private:
    QString xdotool(const QStringList &args) const;
    QPoint windowPosition() const;
    void click(int x, int y); // design coordinates of the scene
    QString output();
    QStringList storedSteps() const;
    QString dumpedMacro(int slot);

    QTemporaryDir m_dir;
    QString m_display;
    QProcess m_xvfb, m_app;
    QString m_log;
};

void TstMacroRecord::initTestCase()
{
    for (const char *tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    }
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
    QVERIFY(m_xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine(), 10000);
    m_display = QStringLiteral(":") + QString::fromLatin1(m_xvfb.readLine()).trimmed();

    const QString bin = qEnvironmentVariable("KESTA_BIN_DIR");
    QVERIFY(stageModules(m_dir.path()));
    // Button 4 (index 3) plays the macro "Rec" of the library.
    {
        QSettings p1(m_dir.filePath("modules/setting/p1.bin"), QSettings::IniFormat);
        p1.setValue("mouseKeyMatrix/3", QStringList{"4", "0", "3", "0"});
        p1.setValue("mouseMacroKey/3", "Rec");
    }
    QVERIFY(QFile::copy(bin + QStringLiteral("/kesta-config"), m_dir.filePath("kesta-config")));
    QFile(m_dir.filePath("kesta-config"))
        .setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("LD_PRELOAD"), bin + QStringLiteral("/libkesta-virtual-mouse.so"));
    env.insert(QStringLiteral("KESTA_VM_CONTROL"), m_dir.filePath("control"));
    env.insert(QStringLiteral("KESTA_VM_LOG"), m_dir.filePath("wire.log"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_app.setProcessEnvironment(env);
    m_app.setProcessChannelMode(QProcess::MergedChannels);
    m_app.setWorkingDirectory(m_dir.path());
    m_app.start(m_dir.filePath("kesta-config"), {});
    QVERIFY(m_app.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("scene: first frame")), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(windowPosition() != QPoint(-1, -1), 10000);
    QVERIFY2(!output().contains(QLatin1String("no input capture")), qPrintable(output()));
    // The start-up lock of the scene (one second) ends.
    QTest::qWait(1500);
}

void TstMacroRecord::cleanupTestCase()
{
    stop(m_app);
    stop(m_xvfb);
}

QString TstMacroRecord::xdotool(const QStringList &args) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The top-left corner of the program's 1280x720 window; (-1, -1) until it is shown.
QPoint TstMacroRecord::windowPosition() const
{
    const QStringList ids =
        xdotool({"search", "--onlyvisible", "--pid", QString::number(m_app.processId())})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &id : ids) {
        QMap<QString, int> g;
        for (const QString &line : xdotool({"getwindowgeometry", "--shell", id}).split('\n')) {
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq > 0)
                g[line.left(eq)] = line.mid(eq + 1).toInt();
        }
        if (g.value("WIDTH") == 1280 && g.value("HEIGHT") == 720)
            return QPoint(g.value("X"), g.value("Y"));
    }
    return QPoint(-1, -1);
}

void TstMacroRecord::click(int x, int y)
{
    const QPoint at = windowPosition() + QPoint(x, y);
    xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    QTest::qWait(400);
}

QString TstMacroRecord::output()
{
    m_log += QString::fromUtf8(m_app.readAll());
    return m_log;
}

QStringList TstMacroRecord::storedSteps() const
{
    QSettings ini(m_dir.filePath("modules/macro/Rec.bin"), QSettings::IniFormat);
    QStringList steps;
    const int total = ini.value(QStringLiteral("config/total")).toInt();
    for (int i = 0; i < total; ++i)
        steps << ini.value(QStringLiteral("macro/%1").arg(i)).toString();
    return steps;
}

// The block the virtual mouse holds for a macro slot (0-based), as hex without blanks.
QString TstMacroRecord::dumpedMacro(int slot)
{
    QFile fifo(m_dir.filePath("control"));
    if (!fifo.open(QIODevice::WriteOnly))
        return QString();
    fifo.write("dump\n");
    fifo.close();
    QString block;
    const bool dumped = QTest::qWaitFor(
        [&] {
            QFile log(m_dir.filePath("wire.log"));
            if (!log.open(QIODevice::ReadOnly))
                return false;
            for (const QByteArray &line : log.readAll().split('\n')) {
                const QJsonObject o = QJsonDocument::fromJson(line).object();
                if (o.value("call").toString() != QLatin1String("dump"))
                    continue;
                const QJsonArray macros = o.value("state").toObject().value("macros").toArray();
                block = macros.at(slot).toString().remove(QLatin1Char(' '));
            }
            return !block.isEmpty();
        },
        5000);
    return dumped ? block : QString();
}

void TstMacroRecord::recordTypedKeys()
{
    // Settings tab, New, a name, OK.
    click(727, 74);
    QTest::qWait(600);
    click(578, 639);
    xdotool({"type", "--delay", "60", "Rec"});
    xdotool({"key", "Return"});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath("modules/macro/Rec.bin")), 5000);

    // Select it, start recording, type into another window (the root window
    // under the pointer), stop.
    click(560, 153);
    click(861, 567);
    const QPoint window = windowPosition();
    const QPoint outside(window.x() > 400 ? 100 : 1700, window.y() > 200 ? 60 : 1000);
    xdotool({"mousemove", QString::number(outside.x()), QString::number(outside.y())});
    xdotool({"key", "--delay", "120", "a", "b"});
    QTest::qWait(300);
    click(861, 567);

    QTRY_COMPARE_WITH_TIMEOUT(storedSteps(), (QStringList{"1,A", "2,A", "1,B", "2,B"}), 5000);

    // The macro is bound to button 4: its block went to slot 4 with the steps.
    // Saving the steps re-sends the macro to every button bound to it; the
    // transfer takes its pauses, so ask the mouse until the block is there.
    const QString expected = QStringLiteral("000101048104010581050000");
    QString block;
    QTRY_VERIFY_WITH_TIMEOUT(!(block = dumpedMacro(3)).startsWith(QStringLiteral("0000")), 15000);
    QVERIFY2(block.startsWith(expected), qPrintable(block));
}

QTEST_GUILESS_MAIN(TstMacroRecord)
#include "tst_macrorecord.moc"
