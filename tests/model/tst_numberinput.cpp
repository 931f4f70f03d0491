// What the number fields take: the typed text against digits, sign and
// bounds, as the recoil editor's byte fields and the key overlay's fields
// use it.
#include "model/numberinput.h"

#include <QTest>

class TestNumberInput : public QObject
{
    Q_OBJECT

private slots:
    void wholeNumber_data();
    void wholeNumber();
};

void TestNumberInput::wholeNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("allowMinus");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QVariant>("number"); // invalid: refused

    const QVariant refused;
    // A stored byte: up to three digits, no sign.
    QTest::newRow("byte, lowest") << "0" << 3 << false << 0 << 255 << QVariant(0);
    QTest::newRow("byte, highest") << "255" << 3 << false << 0 << 255 << QVariant(255);
    QTest::newRow("byte, spaces around") << "  42 " << 3 << false << 0 << 255 << QVariant(42);
    QTest::newRow("byte, leading zeros") << "007" << 3 << false << 0 << 255 << QVariant(7);
    QTest::newRow("byte, over") << "256" << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, four digits") << "0100" << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, minus") << "-1" << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, empty") << "" << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, blank") << "   " << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, letters") << "1a" << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, fraction") << "1.5" << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, plus") << "+5" << 3 << false << 0 << 255 << refused;
    QTest::newRow("byte, other digits")
        << QString::fromUtf8("١٢") << 3 << false << 0 << 255 << refused;
    // A bounded field: up to four digits with a sign, within its range.
    QTest::newRow("bounded, negative in range")
        << "-20" << 4 << true << -100 << 100 << QVariant(-20);
    QTest::newRow("bounded, below") << "-101" << 4 << true << -100 << 100 << refused;
    QTest::newRow("bounded, minus alone") << "-" << 4 << true << -100 << 100 << refused;
    QTest::newRow("bounded, minus zero") << "-0" << 4 << true << 0 << 100 << QVariant(0);
    QTest::newRow("bounded, four digits") << "9999" << 4 << true << 0 << 9999 << QVariant(9999);
    QTest::newRow("bounded, five digits") << "10000" << 4 << true << 0 << 99999 << refused;
    QTest::newRow("digits beyond an int") << "99999999999" << 20 << false << 0 << 1000 << refused;
}

void TestNumberInput::wholeNumber()
{
    QFETCH(QString, text);
    QFETCH(int, digits);
    QFETCH(bool, allowMinus);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(QVariant, number);
    QCOMPARE(NumberInput::wholeNumber(text, digits, allowMinus, minimum, maximum), number);
}

QTEST_APPLESS_MAIN(TestNumberInput)
#include "tst_numberinput.moc"
