// The system settings, lift-off and report-rate models without a window:
// slider positions to speed indexes, lift-off positions to distance bytes
// and labels, rate indexes to rate bytes, each at its ends; and the page
// protocol against the virtual mouse (stored file, desktop calls and wire
// compared with the operations the pages stand for).
#include "model/interfacetexts.h"
#include "model/languagemodel.h"
#include "model/lodmodel.h"
#include "model/models.h"
#include "model/reportratemodel.h"
#include "model/systemsettingsmodel.h"

#include "modelrig.h"
#include "tools/kesta-ctl/tasks.h"

#include <QSignalSpy>
#include <QTextStream>

class TestSystemSettingsModel : public QObject
{
    Q_OBJECT

private slots:
    void speedIndex_data();
    void speedIndex();
    void liftOff_data();
    void liftOff();
    void reportRate();
    void storesAndSendsAsTheOperations_data();
    void storesAndSendsAsTheOperations();
    void settingsTheDesktopLacks_data();
    void settingsTheDesktopLacks();
    void pointerNoteSpeaksTheLanguage();
};

void TestSystemSettingsModel::speedIndex_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("index");
    QTest::newRow("first position") << 3 << 0;
    QTest::newRow("on the first threshold") << 4 << 1;
    QTest::newRow("just below the second threshold") << 36 << 1;
    QTest::newRow("one short of the far end") << 337 << 10;
    QTest::newRow("the far end is the fastest") << 338 << 10;
    QTest::newRow("past the far end") << 400 << 10;
}

void TestSystemSettingsModel::speedIndex()
{
    QFETCH(int, x);
    QFETCH(int, index);
    QCOMPARE(SystemSettingsModel::speedIndex(x), index);
    // The position kesta-ctl sets for an index gives that index back.
    QCOMPARE(SystemSettingsModel::speedIndex(SystemSettingsModel::positionForIndex(index)), index);
}

void TestSystemSettingsModel::liftOff_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("distance");
    QTest::addColumn<QString>("level");
    QTest::newRow("lowest") << QVariant(3) << 3 << 125 << "L";
    QTest::newRow("one pixel up is still 0.3 mm") << QVariant(20) << 20 << 124 << "L";
    QTest::newRow("medium") << QVariant(164) << 164 << 108 << "M";
    QTest::newRow("highest") << QVariant(325) << 325 << 90 << "H";
    QTest::newRow("above the slider") << QVariant(QStringLiteral("400")) << 325 << 90 << "H";
    QTest::newRow("unreadable") << QVariant(QStringLiteral("far")) << 3 << 125 << "L";
    QTest::newRow("missing") << QVariant() << 3 << 125 << "L";
}

void TestSystemSettingsModel::liftOff()
{
    QFETCH(QVariant, stored);
    QFETCH(int, position);
    QFETCH(int, distance);
    QFETCH(QString, level);
    QCOMPARE(LodModel::clampPosition(stored), position);
    QCOMPARE(LodModel::distanceFor(position), distance);
    QCOMPARE(LodModel::levelFor(position), level);
}

void TestSystemSettingsModel::reportRate()
{
    const int hertz[] = {125, 250, 500, 1000};
    const int bytes[] = {8, 4, 2, 1};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(ReportRateModel::hertz(i), hertz[i]);
        QCOMPARE(ReportRateModel::indexOfHertz(hertz[i]), i);
        QCOMPARE(ReportRateModel::rateByte(i), bytes[i]);
    }
    QCOMPARE(ReportRateModel::indexOfHertz(300), -1);
    QCOMPARE(ReportRateModel::rateByte(4), 0);
}

void TestSystemSettingsModel::storesAndSendsAsTheOperations_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("run"); // what the model does
    QTest::addColumn<QStringList>("reference");

    const QStringList lodStore{"setData|\"mouse/lod\"|3", "setData|\"mouse/reportRateLod\"|3",
                               "setData|\"mouse/lodEn\"|1"};
    QTest::newRow("whole-screen scrolling sends 1000 lines")
        << QStringList{R"(setData|"mouse/scrollRate"|1000)", R"(setData|"mouse/mouseRate"|174)"}
        << "system init"
        << QStringList{"setData|\"mouse/mouseRate\"|163", "setData|\"mouse/doubleRate\"|161",
                       "setData|\"mouse/scrollRate\"|1000"} +
               lodStore +
               QStringList{"mouseSetCursorSpeed|5", "mouseSetDoubleClickSpeed|5",
                           "mouseSetVerticalScrollLines|1000", "mouseSetLodValue|125|1"};
    QTest::newRow("the pointer step sends the pointer and the lift-off")
        << QStringList{} << "system pointer 338"
        << QStringList{"setData|\"mouse/mouseRate\"|338", "setData|\"mouse/doubleRate\"|161",
                       "setData|\"mouse/scrollRate\"|3"} +
               lodStore + QStringList{"mouseSetCursorSpeed|10", "mouseSetLodValue|125|1"};
    QTest::newRow("lift-off high and off")
        << QStringList{} << "lod 325 off"
        << QStringList{"setData|\"mouse/lod\"|325", "setData|\"mouse/reportRateLod\"|325",
                       "setData|\"mouse/lodEn\"|0", "mouseSetLodValue|90|0"};
    QTest::newRow("lift-off reset takes the defaults")
        << QStringList{R"(setData|"mouse/lod"|200)"} << "lod reset"
        << lodStore + QStringList{"mouseSetLodValue|125|1"};
    QTest::newRow("report rate 250 Hz")
        << QStringList{} << "rate 1"
        << QStringList{"setData|\"mouse/reportRate\"|1", "mouseSetReportRate|4"};
    QTest::newRow("an unreadable report rate reads as 1000 Hz")
        << QStringList{R"(setData|"mouse/reportRate"|"2.5")"} << "rate init"
        << QStringList{"setData|\"mouse/reportRate\"|3", "mouseSetReportRate|1"};
}

void TestSystemSettingsModel::storesAndSendsAsTheOperations()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, run);
    QFETCH(QStringList, reference);
    const QStringList w = run.split(QLatin1Char(' '));
    compareWithOperations(
        setup,
        [&](Operations &ops) {
            LodModel lod(ops);
            SystemSettingsModel system(ops, lod);
            ReportRateModel rate(ops);
            // Placeholders are never stored or sent.
            system.saveData(true, 0);
            lod.saveData(true);
            rate.saveData(true);
            if (w.at(0) == QLatin1String("system")) {
                system.init(w.at(1) == QLatin1String("init"), false);
                if (w.at(1) == QLatin1String("pointer")) {
                    system.setPointer(w.at(2).toInt());
                    system.saveData(true, 1);
                }
            } else if (w.at(0) == QLatin1String("lod")) {
                if (w.at(1) == QLatin1String("reset")) {
                    lod.reset();
                } else {
                    lod.init(false);
                    lod.change(w.at(1).toInt(), w.at(2) == QLatin1String("on"));
                    lod.saveData(true);
                }
            } else if (w.at(1) == QLatin1String("init")) {
                rate.init(true);
            } else {
                rate.init(false);
                rate.choose(w.at(1).toInt());
                QVERIFY(rate.isSave());
                rate.saveData(true);
            }
        },
        reference);
}

// A desktop that offers only some pointer settings: the page offers only
// those and says why; kesta-ctl refuses the others and stores nothing.
void TestSystemSettingsModel::settingsTheDesktopLacks_data()
{
    QTest::addColumn<bool>("speed");
    QTest::addColumn<bool>("scroll");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("no scroll lines: scroll refused")
        << true << false << QStringList{"set", "--scroll", "5"} << 1;
    QTest::newRow("no scroll lines: speed goes")
        << true << false << QStringList{"set", "--speed", "6"} << 0;
    QTest::newRow("nothing: speed and scroll refused together")
        << false << false << QStringList{"set", "--speed", "6", "--scroll", "5"} << 1;
}

void TestSystemSettingsModel::settingsTheDesktopLacks()
{
    QFETCH(bool, speed);
    QFETCH(bool, scroll);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);

    struct Partial : RecordedPointer {
        Support offered;
        Support support() override { return offered; }
    };
    ModelRig rig;
    QVERIFY(rig.open());
    auto pointer = std::make_unique<Partial>();
    pointer->calls = &rig.pointerCalls;
    pointer->offered.speed = pointer->offered.doubleClick = speed;
    pointer->offered.scrollLines = scroll;
    pointer->offered.reason = QStringLiteral("Not on this desktop.");
    rig.ops->deviceSettings()->setPointerSettings(std::move(pointer));

    LodModel lod(*rig.ops);
    SystemSettingsModel page(*rig.ops, lod);
    page.init(false, false);
    page.readSupport();
    QCOMPARE(page.speedAvailable(), speed);
    QCOMPARE(page.scrollAvailable(), scroll);
    QCOMPARE(page.pointerNote(), QStringLiteral("Not on this desktop."));

    const auto before = rig.files();
    QString out, err;
    QTextStream o(&out), e(&err);
    Ctl::Tasks tasks(*rig.ops, &rig.dialogs, nullptr);
    QCOMPARE(tasks.run(QStringLiteral("pointer"), args, o, e), exitCode);
    if (exitCode != 0) {
        QCOMPARE(rig.files(), before);
        QVERIFY(rig.pointerCalls.isEmpty());
        e.flush();
        QVERIFY2(err.contains(QLatin1String("Not on this desktop.")), qPrintable(err));
    } else {
        QVERIFY(rig.files() != before);
    }
}

// The desktop layer says why in English; the page says it in the window's
// language, and again when the language changes.
void TestSystemSettingsModel::pointerNoteSpeaksTheLanguage()
{
    struct NoScrollLines : RecordedPointer {
        Support support() override
        {
            Support s;
            s.scrollLines = false;
            s.reason = InterfaceTexts::english(InterfaceTexts::NoScrollLines);
            return s;
        }
    };
    ModelRig rig;
    QVERIFY(rig.open());
    auto pointer = std::make_unique<NoScrollLines>();
    pointer->calls = &rig.pointerCalls;
    rig.ops->deviceSettings()->setPointerSettings(std::move(pointer));
    Models models(*rig.ops);
    SystemSettingsModel *page = models.systemSettings();
    page->readSupport();
    QCOMPARE(page->pointerNote(), InterfaceTexts::english(InterfaceTexts::NoScrollLines));

    QSignalSpy changed(page, &SystemSettingsModel::supportChanged);
    models.language()->load(QStringLiteral("German"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(page->pointerNote(),
             QStringLiteral("Diese Arbeitsumgebung hat keine Einstellung für die Zeilen pro "
                            "Mausradschritt."));
}

QTEST_GUILESS_MAIN(TestSystemSettingsModel)
#include "tst_systemsettingsmodel.moc"
