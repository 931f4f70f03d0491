// The steps of a macro without a window: a macro with three steps loaded
// from its file, then each row's commands, checked in the steps, the repeat
// count and the file the steps are saved back to.
#include "model/macrostepsmodel.h"

#include "../stagemodules.h"
#include "device/hid_thread.h"
#include "macro/macrolibrary.h"
#include "settings/userdialogs.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/operations.h"

#include <QTemporaryDir>
#include <QtTest>

class TestMacroStepsModel : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
};

void TestMacroStepsModel::commands_data()
{
    // "verb arguments=result": pair CURRENT NAME key|button, delay AT,
    // remove AT, setdelay AT TEXT, repeat TEXT, record down|up NAME
    // key|button PAUSE, clear, fill N (N key steps recorded).
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("repeat");

    const QStringList three{"1,A", "0,50", "2,A"};
    QTest::newRow("loaded as stored") << QStringList{} << three << 3;
    QTest::newRow("left key on the first of three goes after it")
        << QStringList{"pair 0 MS-L button=1"}
        << QStringList{"1,A", "3,MS-L", "4,MS-L", "0,50", "2,A"} << 3;
    QTest::newRow("key before the current step")
        << QStringList{"pair 1 B key=1"} << QStringList{"1,A", "1,B", "2,B", "0,50", "2,A"} << 3;
    QTest::newRow("key on the last step: appended")
        << QStringList{"pair 2 B key=1"} << QStringList{"1,A", "0,50", "2,A", "1,B", "2,B"} << 3;
    QTest::newRow("middle key with none current: appended")
        << QStringList{"pair -1 MS-M button=1"}
        << QStringList{"1,A", "0,50", "2,A", "3,MS-M", "4,MS-M"} << 3;
    QTest::newRow("delay before the current step, none: appended")
        << QStringList{"delay 1=1", "delay -1=1"}
        << QStringList{"1,A", "0,50", "0,50", "2,A", "0,50"} << 3;
    QTest::newRow("remove the current step; none is refused")
        << QStringList{"remove 1=1", "remove -1=0", "remove 2=0"} << QStringList{"1,A", "2,A"} << 3;
    QTest::newRow("delay edited: leading zeros go, 0 and 65535 are kept")
        << QStringList{"setdelay 1 0070=1"} << QStringList{"1,A", "0,70", "2,A"} << 3;
    QTest::newRow("delay edits refused: 65536, not a number, negative, a key step")
        << QStringList{"setdelay 1 65536=0", "setdelay 1 5x=0", "setdelay 1 -5=0", "setdelay 0 5=0",
                       "setdelay 1 65535=1"}
        << QStringList{"1,A", "0,65535", "2,A"} << 3;
    QTest::newRow("repeat 1..65535; 0 and 65536 keep the count")
        << QStringList{"repeat 0=0", "repeat 65536=0", "repeat 65535=1"} << three << 65535;
    QTest::newRow("recording: the pause before the first key is not stored")
        << QStringList{"clear", "record down A key 500=1", "record up A key 30=1",
                       "record down MS-L button -1=1"}
        << QStringList{"1,A", "0,30", "2,A", "3,MS-L"} << 3;
    QTest::newRow("recording: a pause beyond 65535 ms takes two delays")
        << QStringList{"clear", "record down A key 0=1", "record up A key 70000=1"}
        << QStringList{"1,A", "0,65535", "0,4465", "2,A"} << 3;
    QStringList full;
    for (int i = 0; i < 61; ++i)
        full << (i % 2 == 0 ? "1,A" : "2,A");
    QTest::newRow("61 key steps fill the macro: nothing more is added")
        << QStringList{"clear", "fill 61", "pair -1 MS-L button=0", "delay -1=0"} << full << 3;
    // 61 actions end on a press: the refused event leaves the steps ending
    // after the release before it, so the mouse never keeps A held.
    QTest::newRow("recording refused when full ends after the last release")
        << QStringList{"clear", "fill 61", "record up A key -1=0"} << full.mid(0, 60) << 3;
    // 124 bytes: a 2 s pause makes the last word six bytes, and the press two
    // more, past the block; a pair of two plain words still fits.
    QTest::newRow("recording refused below the limit when the block would overflow")
        << QStringList{"clear", "fill 60", "record down B key 2000=0", "pair -1 MS-L button=1",
                       "delay -1=0"}
        << full.mid(0, 60) + QStringList{"3,MS-L", "4,MS-L"} << 3;
    // 122 bytes ending on press A and a trailing 2 s delay: a pair after it
    // turns that delay into six bytes, 130 in all.
    QTest::newRow("a pair that would overflow the block is refused")
        << QStringList{"clear", "fill 59", "delay -1=1", "setdelay 59 2000=1", "pair -1 B key=0"}
        << full.mid(0, 59) + QStringList{"0,2000"} << 3;
}

void TestMacroStepsModel::commands()
{
    QFETCH(QStringList, commands);
    QFETCH(QStringList, steps);
    QFETCH(int, repeat);

    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    kvm::configure(kvm::defaultConfig());
    ScriptedDialogs dialogs;
    Operations ops(dir.path() + QStringLiteral("/modules"), &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);
    MacroLibrary *library = ops.macros();
    QVERIFY(library);
    library->setMacroSelectName({}, {}, {}, {}, {});
    QVERIFY(library->createMacroIni(QStringLiteral("Steps"), 0, 0, 0));
    QVERIFY(library->saveMacroIni(0, QStringLiteral("Steps"), {"1,A", "0,50", "2,A"}, 3));

    MacroStepsModel model(ops);
    model.load(0, QStringLiteral("Steps"), 0);
    for (const QString &command : commands) {
        const int eq = command.lastIndexOf(QLatin1Char('='));
        const QStringList w = command.left(eq < 0 ? command.size() : eq).split(QLatin1Char(' '));
        bool result = true;
        if (w[0] == QLatin1String("pair"))
            result = model.insertPair(w[1].toInt(), w[2], w[3] == QLatin1String("button"));
        else if (w[0] == QLatin1String("delay"))
            result = model.insertDelay(w[1].toInt());
        else if (w[0] == QLatin1String("remove"))
            result = model.removeStep(w[1].toInt());
        else if (w[0] == QLatin1String("setdelay"))
            result = model.setDelay(w[1].toInt(), w[2]);
        else if (w[0] == QLatin1String("repeat"))
            result = model.setRepeat(w[1]);
        else if (w[0] == QLatin1String("record"))
            result = model.record(w[1] == QLatin1String("down"), w[2],
                                  w[3] == QLatin1String("button"), w[4].toInt());
        else if (w[0] == QLatin1String("clear"))
            model.clear();
        else if (w[0] == QLatin1String("fill"))
            for (int i = 0; i < w[1].toInt(); ++i)
                QVERIFY(model.record(i % 2 == 0, QStringLiteral("A"), false, -1));
        if (eq >= 0)
            QVERIFY2(result == (command.mid(eq + 1) == QLatin1String("1")), qPrintable(command));
    }

    QCOMPARE(model.stepStrings(), steps);
    QCOMPARE(model.rowCount(), steps.size());
    QCOMPARE(model.repeat(), repeat);
    QCOMPARE(model.steps().value(0).toMap().value(QStringLiteral("info")).toString(),
             steps.value(0).mid(2));
    // What is saved loads back alike.
    QVERIFY(model.save(0, QStringLiteral("Steps")));
    QCOMPARE(library->loadMacroIni(0, QStringLiteral("Steps")),
             steps + QStringList{QString::number(repeat)});
}

QTEST_GUILESS_MAIN(TestMacroStepsModel)
#include "tst_macrostepsmodel.moc"
