// The DPI model without a window: the slider formula both ways at its ends,
// what counting and ticking stages does to the count in use and to what the
// mouse gets, and the page protocol against the virtual mouse (stored file
// and wire compared with the operations the page stands for).
#include "model/dpimodel.h"

#include "settings/settingsstore.h"

#include "modelrig.h"

class TestDpiModel : public QObject
{
    Q_OBJECT

private slots:
    void sliderFormula_data();
    void sliderFormula();
    void keyboardSteps_data();
    void keyboardSteps();
    void stepStageEditsTheStage();
    void stageEdits_data();
    void stageEdits();
    void storesAndSendsAsTheOperations_data();
    void storesAndSendsAsTheOperations();
    void storedValuesBroughtIntoRange_data();
    void storedValuesBroughtIntoRange();
};

void TestDpiModel::sliderFormula_data()
{
    QTest::addColumn<int>("minDpi");
    QTest::addColumn<int>("maxDpi");
    QTest::addColumn<int>("base");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("value");       // the value at x
    QTest::addColumn<double>("position"); // where `value` puts the slider

    QTest::newRow("first position gives the minimum") << 500 << 7000 << 500 << 3.0 << 500 << 3.0;
    QTest::newRow("last position gives the maximum")
        << 500 << 7000 << 500 << 420.0 << 7000 << 420.0;
    QTest::newRow("middle rounds down to the step")
        << 500 << 7000 << 500 << 200.0 << 3500 << 3.0 + 3000.0 / 6500 * 417;
    QTest::newRow("one pixel short of the end")
        << 500 << 7000 << 500 << 419.0 << 6500 << 3.0 + 6000.0 / 6500 * 417;
    QTest::newRow("minimum off the step rounds below it")
        << 100 << 16000 << 50 << 3.0 << 100 << 3.0;
    QTest::newRow("empty range stays at the start") << 800 << 800 << 100 << 3.0 << 800 << 3.0;
}

void TestDpiModel::sliderFormula()
{
    QFETCH(int, minDpi);
    QFETCH(int, maxDpi);
    QFETCH(int, base);
    QFETCH(double, x);
    QFETCH(int, value);
    QFETCH(double, position);
    QCOMPARE(DpiModel::valueAt(x, minDpi, maxDpi, base), value);
    QVERIFY(qAbs(DpiModel::positionOf(value, minDpi, maxDpi) - position) < 1e-9);
    // Values outside the range stay on the slider.
    QCOMPARE(DpiModel::positionOf(maxDpi + 5000, minDpi, maxDpi), maxDpi > minDpi ? 420.0 : 3.0);
    QCOMPARE(DpiModel::positionOf(minDpi - 5000, minDpi, maxDpi), 3.0);
}

void TestDpiModel::keyboardSteps_data()
{
    QTest::addColumn<int>("minDpi");
    QTest::addColumn<int>("maxDpi");
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("expected");

    QTest::newRow("up from the minimum") << 500 << 7000 << 500 << 500 << 1 << 1000;
    QTest::newRow("down from the maximum") << 500 << 7000 << 500 << 7000 << -1 << 6500;
    QTest::newRow("up at the maximum stays") << 500 << 7000 << 500 << 7000 << 1 << 7000;
    QTest::newRow("down at the minimum stays") << 500 << 7000 << 500 << 500 << -1 << 500;
    QTest::newRow("page up stops at the maximum") << 500 << 7000 << 500 << 6000 << 2 << 7000;
    QTest::newRow("page down by ten") << 100 << 16000 << 50 << 8000 << -10 << 7500;
    QTest::newRow("off the step, up goes to the next") << 100 << 16000 << 50 << 1025 << 1 << 1050;
    QTest::newRow("off the step, down goes to the previous")
        << 100 << 16000 << 50 << 1025 << -1 << 1000;
    QTest::newRow("below the range, down comes up to it") << 500 << 7000 << 500 << 250 << -1 << 500;
    QTest::newRow("empty range") << 800 << 800 << 100 << 800 << 1 << 800;
}

// The given case, and one step each way from every value the slider gives.
void TestDpiModel::keyboardSteps()
{
    QFETCH(int, minDpi);
    QFETCH(int, maxDpi);
    QFETCH(int, base);
    QFETCH(int, value);
    QFETCH(int, steps);
    QFETCH(int, expected);
    QCOMPARE(DpiModel::steppedValue(value, steps, minDpi, maxDpi, base), expected);

    const int lowest = DpiModel::valueAt(DpiModel::kFirstPosition, minDpi, maxDpi, base);
    const int highest = DpiModel::valueAt(DpiModel::kLastPosition, minDpi, maxDpi, base);
    for (int v = lowest; v <= highest; v += base) {
        QCOMPARE(DpiModel::steppedValue(v, 1, minDpi, maxDpi, base), qMin(v + base, highest));
        QCOMPARE(DpiModel::steppedValue(v, -1, minDpi, maxDpi, base), qMax(v - base, lowest));
    }
    QVERIFY(DpiModel::pageStepsFor(minDpi, maxDpi, base) >= 2);
}

void TestDpiModel::stepStageEditsTheStage()
{
    ModelRig rig;
    QVERIFY(rig.open());
    DpiModel model(*rig.ops);
    model.init(false, false);
    const int first = model.values().at(1);
    model.stepStage(1, 1);
    QCOMPARE(model.values().at(1), first + model.dpiBase());
    QVERIFY(model.isSave());
    model.stepStage(1, -model.pageSteps());
    QCOMPARE(model.values().at(1), qMax(model.valueForPosition(DpiModel::kFirstPosition),
                                        first + model.dpiBase() * (1 - model.pageSteps())));
    model.stepStage(8, 1); // no such stage
    QCOMPARE(model.values().size(), 8);
}

void TestDpiModel::stageEdits_data()
{
    QTest::addColumn<QStringList>("edits"); // "count N", "on I", "off I" (stages from 0)
    QTest::addColumn<bool>("lastAccepted");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QList<int>>("sent");

    QTest::newRow("stages 2 and 5 of 8 unticked")
        << QStringList{"count 8", "off 1", "off 4"} << true << 6 << 8
        << QList<int>{1, 0, 1, 1, 0, 1, 1, 1};
    QTest::newRow("count 3 hides the rest")
        << QStringList{"count 3"} << true << 3 << 3 << QList<int>{1, 1, 1, 0, 0, 0, 0, 0};
    QTest::newRow("count above the slots is the last slot")
        << QStringList{"count 12"} << true << 8 << 8 << QList<int>{1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("the last enabled stage stays on")
        << QStringList{"count 2", "off 0", "off 1"} << false << 1 << 2
        << QList<int>{0, 1, 0, 0, 0, 0, 0, 0};
    QTest::newRow("a stage that is not shown cannot be ticked")
        << QStringList{"count 2", "on 5"} << false << 2 << 2 << QList<int>{1, 1, 0, 0, 0, 0, 0, 0};
    QTest::newRow("ticking again counts again") << QStringList{"count 4", "off 2", "on 2"} << true
                                                << 4 << 4 << QList<int>{1, 1, 1, 1, 0, 0, 0, 0};
}

void TestDpiModel::stageEdits()
{
    QFETCH(QStringList, edits);
    QFETCH(bool, lastAccepted);
    QFETCH(int, count);
    QFETCH(int, shown);
    QFETCH(QList<int>, sent);

    ModelRig rig;
    QVERIFY(rig.open());
    DpiModel model(*rig.ops);
    model.init(false, false);
    QVERIFY(!model.isSave());
    bool accepted = true;
    for (const QString &edit : edits) {
        const QStringList words = edit.split(QLatin1Char(' '));
        const int n = words.at(1).toInt();
        if (words.first() == QLatin1String("count"))
            model.chooseCount(n);
        else
            accepted = model.setStageEnabled(n, words.first() == QLatin1String("on"));
    }
    QCOMPARE(accepted, lastAccepted);
    QCOMPARE(model.currentDpiCount(), count);
    QCOMPARE(model.shownCount(), shown);
    QCOMPARE(model.sentEnables(), sent);
    QVERIFY(model.isSave());
}

void TestDpiModel::storesAndSendsAsTheOperations_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("edits"); // "count N", "off I", "value I V", "colour I #hex"
    QTest::addColumn<QStringList>("reference");

    const QString values = QStringLiteral("[500,1000,2000,3000,4000,5000,6000,7000]");
    const QString colours =
        QStringLiteral(R"(["#ff0000","#00ff00","#0000ff","#ffff00","#00ffff","#ff00ff"])");
    const QString rgb = QStringLiteral(
        "[255,0,0,0,255,0,0,0,255,255,255,0,0,255,255,255,0,255,255,255,255,255,255,255]");
    auto save = [&](const QString &v, int count, const QString &enables, const QString &c,
                    const QString &r) {
        return QStringList{
            QStringLiteral("setDataList|\"mouse/dpiValueArray\"|") + v,
            QStringLiteral("setData|\"mouse/currentDpiCount\"|%1").arg(count),
            QStringLiteral("setDataList|\"mouse/dpiEnableArray\"|") + enables,
            QStringLiteral("setDataList|\"mouse/dpiColorArray\"|") + c,
            QStringLiteral("mouseSetDpi|%1|\"3320\"|%2|%3").arg(count).arg(v, enables),
            QStringLiteral("mouseSetRGBColor|1|") + r};
    };
    // The shipped profile enables all eight and uses four: the four shown
    // are stored and sent as enabled, the hidden ones as off.
    QTest::newRow("init with sending, stages beyond the count stored off")
        << QStringList{} << QStringList{} << save(values, 4, "[1,1,1,1,0,0,0,0]", colours, rgb);
    QTest::newRow("stages 2 and 5 of 8 unticked, a value and a colour")
        << QStringList{}
        << QStringList{"count 8", "off 1", "off 4", "value 7 500", "colour 5 #123ABC"}
        << save("[500,1000,2000,3000,4000,5000,6000,500]", 6, "[1,0,1,1,0,1,1,1]",
                R"(["#ff0000","#00ff00","#0000ff","#ffff00","#00ffff","#123abc"])",
                "[255,0,0,0,255,0,0,0,255,255,255,0,0,255,255,18,58,188,255,255,255,255,255,255]");
    QTest::newRow("unreadable stored items fall back")
        << QStringList{R"(setDataList|"mouse/dpiColorArray"|["red","#00FF00"])",
                       R"(setData|"mouse/currentDpiCount"|"x")"}
        << QStringList{}
        << save(values, 1, "[1,0,0,0,0,0,0,0]",
                R"(["#ff0000","#00ff00","#ff0000","#ff0000","#ff0000","#ff0000"])",
                "[255,0,0,0,255,0,255,0,0,255,0,0,255,0,0,255,0,0,255,255,255,255,255,255]");
}

void TestDpiModel::storesAndSendsAsTheOperations()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, reference);
    compareWithOperations(
        setup,
        [&](Operations &ops) {
            DpiModel model(ops);
            model.saveData(true); // placeholders are never stored or sent
            model.init(edits.isEmpty(), false);
            for (const QString &edit : edits) {
                const QStringList w = edit.split(QLatin1Char(' '));
                if (w.first() == QLatin1String("count"))
                    model.chooseCount(w.at(1).toInt());
                else if (w.first() == QLatin1String("off"))
                    QVERIFY(model.setStageEnabled(w.at(1).toInt(), false));
                else if (w.first() == QLatin1String("value"))
                    model.setStageFromPosition(w.at(1).toInt(),
                                               model.positionForValue(w.at(2).toInt()));
                else
                    QVERIFY(model.setColour(w.at(1).toInt(), w.at(2)));
            }
            if (!edits.isEmpty())
                model.saveData(true);
        },
        reference);
}

void TestDpiModel::storedValuesBroughtIntoRange_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("enables"); // as stored and sent

    const QString values = QStringLiteral(R"(setDataList|"mouse/dpiValueArray"|)");
    const QString count = QStringLiteral(R"(setData|"mouse/currentDpiCount"|)");
    // The sensor offers 500..7000 in steps of 500; the defaults are
    // 500, 1000, 2000, ... 7000.
    QTest::newRow("values off the sensor, unreadable, off its steps; count above eight")
        << QStringList{values + R"(["99999","-5","abc","3000","750","5000","6000","7000"])",
                       count + R"("40")"}
        << QList<int>{7000, 500, 2000, 3000, 500, 5000, 6000, 7000} << 8 << "[1,1,1,1,1,1,1,1]";
    QTest::newRow("a short list takes the defaults; a count below one")
        << QStringList{values + R"(["1234","0"])", count + R"("-3")"}
        << QList<int>{1000, 500, 2000, 3000, 4000, 5000, 6000, 7000} << 1 << "[1,0,0,0,0,0,0,0]";
    QTest::newRow("a count above the enabled stages")
        << QStringList{R"(setDataList|"mouse/dpiEnableArray"|["1","0","1","0","0","0","0","0"])",
                       count + R"("5")"}
        << QList<int>{500, 1000, 2000, 3000, 4000, 5000, 6000, 7000} << 2 << "[1,0,1,0,0,0,0,0]";
}

// What the page shows is what a save stores and sends; reading alone
// writes nothing.
void TestDpiModel::storedValuesBroughtIntoRange()
{
    QFETCH(QStringList, setup);
    QFETCH(QList<int>, shown);
    QFETCH(int, count);
    QFETCH(QString, enables);

    QStringList sentValues;
    for (int v : shown)
        sentValues.append(QString::number(v));
    const QString v = QLatin1Char('[') + sentValues.join(QLatin1Char(',')) + QLatin1Char(']');
    const QString colours =
        QStringLiteral(R"(["#ff0000","#00ff00","#0000ff","#ffff00","#00ffff","#ff00ff"])");
    const QString rgb = QStringLiteral(
        "[255,0,0,0,255,0,0,0,255,255,255,0,0,255,255,255,0,255,255,255,255,255,255,255]");
    const QStringList reference{
        QStringLiteral("setDataList|\"mouse/dpiValueArray\"|") + v,
        QStringLiteral("setData|\"mouse/currentDpiCount\"|%1").arg(count),
        QStringLiteral("setDataList|\"mouse/dpiEnableArray\"|") + enables,
        QStringLiteral("setDataList|\"mouse/dpiColorArray\"|") + colours,
        QStringLiteral("mouseSetDpi|%1|\"3320\"|%2|%3").arg(count).arg(v, enables),
        QStringLiteral("mouseSetRGBColor|1|") + rgb};
    compareWithOperations(
        setup,
        [&](Operations &ops) {
            QFile file(ops.settings()->currentProfile()->fileName());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray before = file.readAll();
            file.close();
            DpiModel model(ops);
            model.init(false, false);
            QCOMPARE(model.values(), shown);
            QCOMPARE(model.currentDpiCount(), count);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
            QVERIFY(model.saveData(true));
        },
        reference);
}

QTEST_GUILESS_MAIN(TestDpiModel)
#include "tst_dpimodel.moc"
