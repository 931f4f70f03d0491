// Recording a macro as a user does it: the real program under Xvfb with the
// virtual mouse, the pointer and keyboard driven by xdotool. The keys are
// typed outside our window and reach the page through the global capture;
// the clicks on the record button itself are not recorded.
#include "desktopsession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTest>

class TstMacroRecord : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void recordTypedKeys();

private:
    void click(int x, int y); // design coordinates of the scene
    QStringList storedSteps() const;
    QString dumpedMacro(int slot);

    DesktopSession m_s;
};

void TstMacroRecord::initTestCase()
{
    const QString missing = DesktopSession::missingTool({"Xvfb", "xdotool"});
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
    QVERIFY(m_s.startDisplay());
    QVERIFY(m_s.stageProgram());
    // Button 4 (index 3) plays the macro "Rec" of the library.
    {
        QSettings p1(m_s.path("modules/setting/p1.bin"), QSettings::IniFormat);
        p1.setValue("mouseKeyMatrix/3", QStringList{"4", "0", "3", "0"});
        p1.setValue("mouseMacroKey/3", "Rec");
    }
    QVERIFY(m_s.startProgram());
    QTRY_VERIFY_WITH_TIMEOUT(m_s.output().contains(QLatin1String("scene: first frame")), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(m_s.windowPosition() != QPoint(-1, -1), 10000);
    QVERIFY2(!m_s.output().contains(QLatin1String("no input capture")), qPrintable(m_s.output()));
    // The start-up lock of the scene (one second) ends.
    QTest::qWait(1500);
}

void TstMacroRecord::click(int x, int y)
{
    QVERIFY2(m_s.click(x, y), "the main window is not on screen");
    QTest::qWait(400);
}

QStringList TstMacroRecord::storedSteps() const
{
    QSettings ini(m_s.path("modules/macro/Rec.bin"), QSettings::IniFormat);
    QStringList steps;
    const int total = ini.value(QStringLiteral("config/total")).toInt();
    for (int i = 0; i < total; ++i)
        steps << ini.value(QStringLiteral("macro/%1").arg(i)).toString();
    return steps;
}

// The block the virtual mouse holds for a macro slot (0-based), as hex without blanks.
QString TstMacroRecord::dumpedMacro(int slot)
{
    if (!m_s.control("dump"))
        return QString();
    QString block;
    const bool dumped = QTest::qWaitFor(
        [&] {
            for (const QString &line : m_s.wireLog().split(QLatin1Char('\n'))) {
                const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
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
    m_s.xdotool({"type", "--delay", "60", "Rec"});
    m_s.xdotool({"key", "Return"});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_s.path("modules/macro/Rec.bin")), 5000);

    // Select it, start recording, type into another window (the root window
    // under the pointer), stop.
    click(560, 153);
    click(861, 567);
    const QPoint window = m_s.windowPosition();
    const QPoint outside(window.x() > 400 ? 100 : 1700, window.y() > 200 ? 60 : 1000);
    m_s.xdotool({"mousemove", QString::number(outside.x()), QString::number(outside.y())});
    m_s.xdotool({"key", "--delay", "120", "a", "b"});
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
