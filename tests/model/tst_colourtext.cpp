// The colour pickers' text rules: channels read from "#rrggbb", a channel
// changed, and what a typed colour becomes.
#include "model/colourtext.h"

#include <QtTest>

class TestColourText : public QObject
{
    Q_OBJECT

private slots:
    void channels_data();
    void channels();
    void typed_data();
    void typed();
    void family_data();
    void family();
};

void TestColourText::channels_data()
{
    QTest::addColumn<QString>("colour");
    QTest::addColumn<int>("k");
    QTest::addColumn<double>("value");
    QTest::addColumn<QList<int>>("read");
    QTest::addColumn<QString>("changed");
    QTest::newRow("red set") << "#0a80ff" << 0 << 255.0 << QList<int>{10, 128, 255} << "#ff80ff";
    QTest::newRow("blue rounded from a slider")
        << "#000000" << 2 << 15.6 << QList<int>{0, 0, 0} << "#000010";
    QTest::newRow("out of range is clamped")
        << "#123456" << 1 << 300.0 << QList<int>{0x12, 0x34, 0x56} << "#12ff56";
    QTest::newRow("upper case is read, written lower")
        << "#ABCDEF" << 1 << -4.0 << QList<int>{171, 205, 239} << "#ab00ef";
    QTest::newRow("a short or broken text reads 0")
        << "#1z" << 0 << 1.0 << QList<int>{0, 0, 0} << "#010000";
}

void TestColourText::channels()
{
    QFETCH(QString, colour);
    QFETCH(int, k);
    QFETCH(double, value);
    QFETCH(QList<int>, read);
    QFETCH(QString, changed);
    const QList<int> got{ColourText::channel(colour, 0), ColourText::channel(colour, 1),
                         ColourText::channel(colour, 2)};
    QCOMPARE(got, read);
    QCOMPARE(ColourText::withChannel(colour, k, value), changed);
}

void TestColourText::typed_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("taken");
    QTest::newRow("full, upper case") << "#A0B1C2"
                                      << "#a0b1c2";
    QTest::newRow("too short") << "#a0b1c"
                               << "";
    QTest::newRow("no hash") << "a0b1c2"
                             << "";
    QTest::newRow("not hexadecimal") << "#a0b1cg"
                                     << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestColourText::typed()
{
    QFETCH(QString, typed);
    QFETCH(QString, taken);
    QCOMPARE(ColourText::normalised(typed), taken);
}

void TestColourText::family_data()
{
    QTest::addColumn<QString>("colour");
    QTest::addColumn<int>("family");
    // The picker's presets each get a name of their own.
    const QList<QPair<const char *, int>> presets{
        {"#ff0000", ColourText::Red},    {"#ff8000", ColourText::Orange},
        {"#ffff00", ColourText::Yellow}, {"#00ff00", ColourText::Green},
        {"#00ffff", ColourText::Cyan},   {"#0000ff", ColourText::Blue},
        {"#8000ff", ColourText::Purple}, {"#ff00ff", ColourText::Pink},
        {"#ffffff", ColourText::White}};
    for (const auto &[colour, family] : presets)
        QTest::newRow(colour) << colour << family;
    QTest::newRow("red just below 360 degrees") << "#ff0010" << int(ColourText::Red);
    QTest::newRow("dark but saturated keeps its hue") << "#004000" << int(ColourText::Green);
    QTest::newRow("too dark to tell") << "#200000" << int(ColourText::Black);
    QTest::newRow("a faint tint is grey") << "#8a8e99" << int(ColourText::Grey);
    QTest::newRow("a light tint is white") << "#f4f0ff" << int(ColourText::White);
    QTest::newRow("a broken text is black") << "#zz" << int(ColourText::Black);
}

void TestColourText::family()
{
    QFETCH(QString, colour);
    QFETCH(int, family);
    QCOMPARE(ColourText::family(colour), family);
}

QTEST_GUILESS_MAIN(TestColourText)
#include "tst_colourtext.moc"
