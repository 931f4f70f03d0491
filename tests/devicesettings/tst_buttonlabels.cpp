// The labels a user sees for the matrix positions, and the way back.
#include "devicesettings/buttonlabels.h"

#include <QTest>

class TstButtonLabels : public QObject
{
    Q_OBJECT
private slots:
    void labelOfPosition_data();
    void labelOfPosition();
    void macroSlots();
};

void TstButtonLabels::labelOfPosition_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("label");
    QTest::newRow("first button") << 0 << QStringLiteral("①");
    QTest::newRow("last before the fixed pair") << 5 << QStringLiteral("⑥");
    QTest::newRow("fixed 6") << 6 << QString();
    QTest::newRow("fixed 7") << 7 << QString();
    QTest::newRow("first after the fixed pair") << 8 << QStringLiteral("⑦");
    QTest::newRow("last position") << 15 << QStringLiteral("⑭");
    QTest::newRow("below the matrix") << -1 << QString();
    QTest::newRow("past the matrix") << 16 << QString();
}

void TstButtonLabels::labelOfPosition()
{
    QFETCH(int, index);
    QFETCH(QString, label);
    QCOMPARE(ButtonLabels::label(index), label);
    if (!label.isEmpty()) {
        QCOMPARE(ButtonLabels::indexOf(label), index);
        QCOMPARE(ButtonLabels::labels().at(index), label);
    }
}

void TstButtonLabels::macroSlots()
{
    QVERIFY(ButtonLabels::hasMacroSlot(0));
    QVERIFY(ButtonLabels::hasMacroSlot(11));
    QVERIFY(!ButtonLabels::hasMacroSlot(12));
    QVERIFY(!ButtonLabels::hasMacroSlot(-1));
    QCOMPARE(ButtonLabels::indexOf(QString()), -1);
    QCOMPARE(ButtonLabels::indexOf(QStringLiteral("⑮")), -1);
    QCOMPARE(ButtonLabels::labels().size(), 16);
}

QTEST_GUILESS_MAIN(TstButtonLabels)
#include "tst_buttonlabels.moc"
