// The key combination recorder's rule: each row starts from an entry, feeds
// key events ("+CODE" press, "-CODE" release, "clear") and checks the
// combination left.
#include "model/keycombination.h"

#include <QtTest>

class TestKeyCombination : public QObject
{
    Q_OBJECT

private slots:
    void events_data();
    void events();
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

QTEST_GUILESS_MAIN(TestKeyCombination)
#include "tst_keycombination.moc"
