// What the key-assignment overlays take from the keyboard: each row starts
// from a button's entry, feeds key events ("+CODE" press, "-CODE" release,
// and a few commands) and checks the entry the overlay would assign.
#include "model/firekey.h"
#include "model/keycombination.h"

#include <QtTest>

class TestKeyCombination : public QObject
{
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void fireKey_data();
    void fireKey();
};

void TestKeyCombination::events_data()
{
    QTest::addColumn<QVariantList>("entry");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QVariantList>("result");
    const QVariantList none{2, 0, 0, 0};

    QTest::newRow("a combination entry is shown, another entry is not")
        << QVariantList{2, 3, 4, 5} << QStringList{} << QVariantList{2, 3, 4, 5};
    QTest::newRow("a fire-key entry starts empty")
        << QVariantList{1, 4, 10, 3} << QStringList{} << none;
    QTest::newRow("modifiers collect as bits, the first two keys are the keys")
        << QVariantList{} << QStringList{"+224", "+226", "+4", "+4", "+5", "+6"}
        << QVariantList{2, 0x05, 4, 5};
    QTest::newRow("a key pressed again after its release starts anew")
        << QVariantList{} << QStringList{"+4", "-4", "+4"} << QVariantList{2, 0, 4, 0};
    QTest::newRow("a press while keys are held adds, after all are released starts anew")
        << QVariantList{2, 1, 9, 10} << QStringList{"+225", "+4", "-225", "+5", "-4", "-5", "+231"}
        << QVariantList{2, 0x80, 0, 0};
    QTest::newRow("codes outside 1..255 are not keys")
        << QVariantList{} << QStringList{"+0", "+256", "+-3"} << none;
    QTest::newRow("clear keeps the held keys: the next press adds to nothing")
        << QVariantList{} << QStringList{"+4", "clear", "+5"} << QVariantList{2, 0, 5, 0};
}

void TestKeyCombination::events()
{
    QFETCH(QVariantList, entry);
    QFETCH(QStringList, events);
    QFETCH(QVariantList, result);

    KeyCombination combination;
    combination.reset(entry);
    for (const QString &e : events) {
        if (e == QLatin1String("clear"))
            combination.clear();
        else
            combination.keyEvent(e.startsWith(QLatin1Char('+')), e.mid(1).toInt());
    }
    QCOMPARE(combination.entry(), result);
    QCOMPARE(combination.isEmpty(), result.at(1).toInt() == 0 && result.at(2).toInt() == 0);
    combination.releaseAll();
    QVERIFY(!combination.holding());
}

void TestKeyCombination::fireKey_data()
{
    // Commands: "shown" (the fire group shows), "hidden", "wait" (the key
    // button clicked), "endless" (its box clicked).
    QTest::addColumn<QVariantList>("entry");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QVariantList>("result");

    QTest::newRow("a fire entry is shown; a rate below 1 as the default")
        << QVariantList{1, 4, 0, 7} << QStringList{} << QVariantList{1, 4, 10, 7};
    QTest::newRow("without a key the shown group takes the next press, not a release")
        << QVariantList{2, 1, 4, 0} << QStringList{"-5", "+0", "+256", "+6", "+7"}
        << QVariantList{};
    QTest::newRow("shown without a key: the first valid press is the key, with the defaults")
        << QVariantList{2, 1, 4, 0} << QStringList{"shown", "-5", "+0", "+256", "+6", "+7"}
        << QVariantList{1, 6, 10, 3};
    QTest::newRow("a set key waits only when asked to")
        << QVariantList{1, 4, 20, 3} << QStringList{"shown", "+5", "wait", "+6"}
        << QVariantList{1, 6, 20, 3};
    QTest::newRow("leaving the group stops waiting")
        << QVariantList{} << QStringList{"shown", "hidden", "+5"} << QVariantList{};
    QTest::newRow("endless is a count of 0, and back to once")
        << QVariantList{1, 4, 20, 3} << QStringList{"endless"} << QVariantList{1, 4, 20, 0};
    QTest::newRow("endless twice") << QVariantList{1, 4, 20, 3} << QStringList{"endless", "endless"}
                                   << QVariantList{1, 4, 20, 1};
}

void TestKeyCombination::fireKey()
{
    QFETCH(QVariantList, entry);
    QFETCH(QStringList, events);
    QFETCH(QVariantList, result);

    FireKey fire;
    fire.reset(entry);
    for (const QString &e : events) {
        if (e == QLatin1String("shown") || e == QLatin1String("hidden"))
            fire.setShown(e == QLatin1String("shown"));
        else if (e == QLatin1String("wait"))
            fire.setWaiting(true);
        else if (e == QLatin1String("endless"))
            fire.toggleEndless();
        else
            fire.keyEvent(e.startsWith(QLatin1Char('+')), e.mid(1).toInt());
    }
    QCOMPARE(fire.entry(), result);
    QVERIFY(!fire.waiting() || result.isEmpty());
}

QTEST_GUILESS_MAIN(TestKeyCombination)
#include "tst_keycombination.moc"
