// The task commands against the page operations they stand for: each case
// runs the command on one staged modules copy and the operations a page
// calls on another, both against the linked virtual mouse, and compares the
// stored files and the frames on the wire. Bad arguments must leave the
// modules folder byte-identical and the wire silent.
#include "model/assignmenttable.h"
#include "model/lightingmodel.h"
#include "devicesettings/buttonlabels.h"
#include "tools/kesta-ctl/ctl.h"
#include "tools/kesta-ctl/tasks.h"

#include "../filesizelimit.h"
#include "../model/modelrig.h"
#include "../replacementcounter.h"
#include "../stagemodules.h"
#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "devicesettings/devicesettings.h"
#include "platform/pointersettings.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/operations.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLockFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// One staged modules folder with the operations connected to the virtual
// mouse, where task commands run too.
struct Side : ModelRig {
    int task(const QStringList &argv, QString *out, QString *errText = nullptr)
    {
        QString err;
        QTextStream outStream(out);
        QTextStream errStream(&err);
        Ctl::Tasks tasks(*ops, &dialogs, [] { return true; });
        QStringList args;
        for (const QString &a : argv.mid(1))
            args.append(expand(a));
        const int code = tasks.run(argv.first(), args, outStream, errStream);
        errStream.flush();
        if (errText)
            *errText = err;
        else if (code != 0)
            qWarning() << err;
        return code;
    }
};

// The shipped matrices, with changes: "index=t,b1,b2,b3".
QString matrix(const QStringList &changes = {})
{
    QList<QList<int>> m = {{0, 0, 240, 0}, {0, 0, 241, 0}, {0, 0, 242, 0}, {0, 0, 243, 0},
                           {0, 0, 244, 0}, {5, 0, 3, 0},   {5, 0, 1, 0},   {5, 0, 2, 0},
                           {5, 0, 1, 0},   {5, 0, 2, 0},   {3, 0, 233, 0}, {3, 0, 234, 0},
                           {3, 0, 205, 0}, {3, 0, 226, 0}, {255, 0, 1, 0}, {255, 0, 2, 0}};
    for (const QString &c : changes) {
        const QStringList parts = c.split(QLatin1Char('='));
        QList<int> entry;
        for (const QString &v : parts.at(1).split(QLatin1Char(',')))
            entry.append(v.toInt());
        m[parts.at(0).toInt()] = entry;
    }
    QStringList items;
    for (const auto &entry : m) {
        for (int v : entry)
            items.append(QString::number(v));
    }
    return QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString keyMatrixStep(const QStringList &officeChanges)
{
    // The weapons in the three recoil slots have the period 10.
    return QStringLiteral("mouseSetKeyMatrix|0|%1|%2|true|[10,10,10]")
        .arg(matrix(officeChanges), matrix());
}

const char *const kDpiColours = R"(["#ff0000","#00ff00","#0000ff","#ffff00","#00ffff","#ff00ff"])";
const char *const kDpiRgb =
    "[255,0,0,0,255,0,0,0,255,255,255,0,0,255,255,255,0,255,255,255,255,255,255,255]";

QStringList dpiSave(const QString &values, int count, const QString &enables,
                    const QString &sentEnables, const QString &colours = QLatin1String(kDpiColours),
                    const QString &rgb = QLatin1String(kDpiRgb))
{
    return {QStringLiteral("setDataList|\"mouse/dpiValueArray\"|") + values,
            QStringLiteral("setData|\"mouse/currentDpiCount\"|%1").arg(count),
            QStringLiteral("setDataList|\"mouse/dpiEnableArray\"|") + enables,
            QStringLiteral("setDataList|\"mouse/dpiColorArray\"|") + colours,
            QStringLiteral("mouseSetDpi|%1|\"3320\"|%2|%3").arg(count).arg(values, sentEnables),
            QStringLiteral("mouseSetRGBColor|1|") + rgb};
}

const char *const kShippedValues = "[500,1000,2000,3000,4000,5000,6000,7000]";
const char *const kColorValue = "[255,0,0,255,128,0,255,255,0,128,255,0,0,255,0,0,255,128,0,255,"
                                "255,0,128,255,0,0,255,128,0,255,255,0,255,255,0,128,255,255,255,"
                                "255,64,64,64,64,255]";

QString repeated(const QString &rgb, int times)
{
    QStringList out;
    for (int i = 0; i < times; ++i)
        out.append(rgb);
    return QLatin1Char('[') + out.join(QLatin1Char(',')) + QLatin1Char(']');
}

QStringList lightSave(int number, const QString &value, const QString &colours, int effect,
                      int brightness, int speed, int direction, const QString &rgb)
{
    const QString suffix = number == 0 ? QString() : QString::number(number);
    return {QStringLiteral("setData|\"mouseLight/lightNo\"|%1").arg(number),
            QStringLiteral("setData|\"mouseLight/lightCount\"|4"),
            QStringLiteral("setData|\"mouseLight/colorIndex%1\"|0").arg(suffix),
            QStringLiteral("setDataList|\"mouseLight/lightValue%1\"|%2").arg(suffix, value),
            QStringLiteral("setDataList|\"mouseLight/colorValue%1\"|%2").arg(suffix, colours),
            QStringLiteral(
                R"(setDataList|"mouseLight/lightName"|["Light 1","Light 2","Light 3","Light 4"])"),
            QStringLiteral("mouseSetLedType|%1|%2|%3|%4|%5")
                .arg(effect)
                .arg(brightness)
                .arg(speed)
                .arg(direction)
                .arg(repeated(rgb, 15))};
}

QStringList systemSave(int mouseRate, int scroll, const QStringList &sends, int lod = 3,
                       int lodEn = 1)
{
    QStringList out{QStringLiteral("setData|\"mouse/mouseRate\"|%1").arg(mouseRate),
                    QStringLiteral("setData|\"mouse/doubleRate\"|161"),
                    QStringLiteral("setData|\"mouse/lod\"|%1").arg(lod),
                    QStringLiteral("setData|\"mouse/reportRateLod\"|%1").arg(lod),
                    QStringLiteral("setData|\"mouse/lodEn\"|%1").arg(lodEn),
                    QStringLiteral("setData|\"mouse/scrollRate\"|%1").arg(scroll)};
    return out + sends;
}

const QStringList kBurst{QStringLiteral(R"(createMacroIni|"Burst"|0|0|0)"),
                         QStringLiteral(R"(saveMacroIni|0|"Burst"|["1,A","0,50","2,A"]|3)")};

} // namespace

class TstTasks : public QObject
{
    Q_OBJECT
private slots:
    void buttonLabels_data();
    void buttonLabels();
    void choiceWords_data();
    void choiceWords();
    void storesAndSendsAsThePageDoes_data();
    void storesAndSendsAsThePageDoes();
    void profileSwitchSendsEveryPage();
    void lightInTheWindowsUnits();
    void unplugDuringTheTransferIsReported_data();
    void unplugDuringTheTransferIsReported();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void exportsIntoTheSettingsFolderAreRefused_data();
    void exportsIntoTheSettingsFolderAreRefused();
    void exportsThatCannotBeWrittenFail_data();
    void exportsThatCannotBeWrittenFail();
    void tooLongMacroIsSentCutWithAWarning_data();
    void tooLongMacroIsSentCutWithAWarning();
    void tooLongMacroIsNamedOnShowAndImport();
    void mouseThisUserMayNotOpenIsNamed_data();
    void mouseThisUserMayNotOpenIsNamed();
    void sharedListSetsAreNamed();
    void exportsNameTheirFilesAsTheWindowDoes();
    void appProfileRules_data();
    void appProfileRules();
    void writesEachFileOnce_data();
    void writesEachFileOnce();
    void profileSwitchThatCannotBeStoredSendsNothing();
    void refusedRateIsNeitherShownNorStoredLater();
};

void TstTasks::buttonLabels_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("index");
    QTest::newRow("first") << "1" << 0;
    QTest::newRow("circled first") << "①" << 0;
    QTest::newRow("sixth") << "⑥" << 5;
    QTest::newRow("seventh skips the fixed two") << "7" << 8;
    QTest::newRow("last") << "⑭" << 15;
    QTest::newRow("zero") << "0" << -1;
    QTest::newRow("fifteen") << "15" << -1;
    QTest::newRow("leading zero") << "04" << -1;
    QTest::newRow("word") << "left" << -1;
}

void TstTasks::buttonLabels()
{
    QFETCH(QString, label);
    QFETCH(int, index);
    QCOMPARE(ButtonLabels::matrixIndex(label), index);
    if (index >= 0)
        QCOMPARE(ButtonLabels::matrixIndex(ButtonLabels::label(index)), index);
}

void TstTasks::choiceWords_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("gameMode");
    QTest::addColumn<QList<int>>("entry"); // empty: refused
    QTest::newRow("media") << "media:mute" << false << QList<int>{3, 0, 0xE2, 0};
    QTest::newRow("case") << "Media:Volume-Up" << false << QList<int>{3, 0, 0xE9, 0};
    QTest::newRow("combination") << "keys:ctrl+c" << false << QList<int>{2, 0x01, 0x06, 0};
    QTest::newRow("right-hand modifiers and two keys")
        << "keys:rctrl+ralt+del+end" << false << QList<int>{2, 0x50, 0x4C, 0x4D};
    QTest::newRow("keypad plus") << "keys:shift+kp+" << false << QList<int>{2, 0x02, 0x57, 0};
    QTest::newRow("three keys") << "keys:a+b+c" << false << QList<int>{};
    QTest::newRow("unknown key") << "keys:ctrl+foo" << false << QList<int>{};
    QTest::newRow("fire") << "fire:Space" << false << QList<int>{1, 0x2C, 50, 0};
    QTest::newRow("windows max") << "windows:max" << false << QList<int>{6, 0x04, 0x2C, 0x1B};
    QTest::newRow("sniper") << "dpi:sniper" << false << QList<int>{5, 0, 4, 0};
    QTest::newRow("weapon in game mode") << "gun:3" << true << QList<int>{8, 0, 3, 0};
    QTest::newRow("weapon in office mode") << "gun:3" << false << QList<int>{};
    QTest::newRow("no group") << "mute" << false << QList<int>{};
}

void TstTasks::choiceWords()
{
    QFETCH(QString, word);
    QFETCH(bool, gameMode);
    QFETCH(QList<int>, entry);
    AssignmentTable::Choice choice;
    QString error;
    const bool ok = AssignmentTable::parse(word, {}, gameMode, &choice, &error);
    QCOMPARE(ok, !entry.isEmpty());
    if (!ok) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE((QList<int>{choice.entry[0], choice.entry[1], choice.entry[2], choice.entry[3]}),
             entry);
    // The word shown for the entry reads back as the same entry.
    AssignmentTable::Choice again;
    QVERIFY(AssignmentTable::parse(AssignmentTable::word(choice.entry, {}), {}, gameMode, &again,
                                   &error));
    QCOMPARE(again.entry, choice.entry);
}

void TstTasks::storesAndSendsAsThePageDoes_data()
{
    QTest::addColumn<QStringList>("setup");     // on both sides first
    QTest::addColumn<QStringList>("command");   // the task command
    QTest::addColumn<QStringList>("reference"); // what the page calls
    QTest::addColumn<QStringList>("stored");    // key=value in the current profile

    QTest::newRow("rate 1000") << QStringList{} << QStringList{"rate", "1000"}
                               << QStringList{"setData|\"mouse/reportRate\"|3",
                                              "mouseSetReportRate|1"}
                               << QStringList{"mouse/reportRate=3"};
    QTest::newRow("rate 125") << QStringList{} << QStringList{"rate", "125Hz"}
                              << QStringList{"setData|\"mouse/reportRate\"|0",
                                             "mouseSetReportRate|8"}
                              << QStringList{"mouse/reportRate=0"};
    QTest::newRow("lod low") << QStringList{} << QStringList{"lod", "low"}
                             << QStringList{"setData|\"mouse/lod\"|3",
                                            "setData|\"mouse/reportRateLod\"|3",
                                            "setData|\"mouse/lodEn\"|1", "mouseSetLodValue|125|1"}
                             << QStringList{"mouse/lod=3", "mouse/lodEn=1"};
    QTest::newRow("lod medium") << QStringList{} << QStringList{"lod", "medium"}
                                << QStringList{"setData|\"mouse/lod\"|164",
                                               "setData|\"mouse/reportRateLod\"|164",
                                               "setData|\"mouse/lodEn\"|1",
                                               "mouseSetLodValue|108|1"}
                                << QStringList{"mouse/lod=164"};
    QTest::newRow("lod high, off")
        << QStringList{} << QStringList{"lod", "high", "off"}
        << QStringList{"setData|\"mouse/lod\"|325", "setData|\"mouse/reportRateLod\"|325",
                       "setData|\"mouse/lodEn\"|0", "mouseSetLodValue|90|0"}
        << QStringList{"mouse/lod=325", "mouse/lodEn=0"};
    QTest::newRow("dpi value on the grid")
        << QStringList{} << QStringList{"dpi", "set", "2=1500", "8=500"}
        << dpiSave("[500,1500,2000,3000,4000,5000,6000,500]", 4, "[1,1,1,1,0,0,0,0]",
                   "[1,1,1,1,0,0,0,0]")
        << QStringList{"mouse/dpiValueArray=500, 1500, 2000, 3000, 4000, 5000, 6000, 500"};
    QTest::newRow("dpi stages 2 and 5 disabled")
        << QStringList{R"(setData|"mouse/currentDpiCount"|8)"}
        << QStringList{"dpi", "disable", "2", "5"}
        << dpiSave(kShippedValues, 6, "[1,0,1,1,0,1,1,1]", "[1,0,1,1,0,1,1,1]")
        << QStringList{"mouse/currentDpiCount=6", "mouse/dpiEnableArray=1, 0, 1, 1, 0, 1, 1, 1"};
    QTest::newRow("dpi count") << QStringList{} << QStringList{"dpi", "count", "7"}
                               << dpiSave(kShippedValues, 7, "[1,1,1,1,1,1,1,0]",
                                          "[1,1,1,1,1,1,1,0]")
                               << QStringList{"mouse/currentDpiCount=7"};
    QTest::newRow("dpi colour, stages 7 and 8 white")
        << QStringList{} << QStringList{"dpi", "colour", "6", "#123ABC"}
        << dpiSave(kShippedValues, 4, "[1,1,1,1,0,0,0,0]", "[1,1,1,1,0,0,0,0]",
                   R"(["#ff0000","#00ff00","#0000ff","#ffff00","#00ffff","#123abc"])",
                   "[255,0,0,0,255,0,0,0,255,255,255,0,0,255,255,18,58,188,255,255,255,255,255,"
                   "255]")
        << QStringList{"mouse/dpiColorArray=#ff0000, #00ff00, #0000ff, #ffff00, #00ffff, #123abc"};
    QTest::newRow("light entry 4 is effect 5")
        << QStringList{} << QStringList{"light", "set", "--effect", "symmetric"}
        << lightSave(0, "[5,2,51,0]", kColorValue, 5, 255, 2, 0, "255,0,0")
        << QStringList{"mouseLight/lightValue=5, 2, 51, 0"};
    QTest::newRow("light entry 5 is effect 6, brightness times five")
        << QStringList{}
        << QStringList{"light", "set",     "--effect", "off",         "--brightness",
                       "20",    "--speed", "5",        "--direction", "ccw"}
        << lightSave(0, "[6,4,10,1]", kColorValue, 6, 50, 4, 1, "255,0,0")
        << QStringList{"mouseLight/lightValue=6, 4, 10, 1"};
    QString blue = QString::fromLatin1(kColorValue);
    blue.replace(0, 9, QStringLiteral("[0,128,255,"));
    QTest::newRow("light preset and colour")
        << QStringList{} << QStringList{"light", "set", "--preset", "3", "--colour", "#0080ff"}
        << lightSave(2, "[2,2,51,0]", blue, 2, 255, 2, 0, "0,128,255")
        << QStringList{"mouseLight/lightNo=2", "mouseLight/colorValue2=0, 128, 255, 255, 128, 0"};
    QTest::newRow("scroll lines above 100 scroll a page")
        << QStringList{} << QStringList{"pointer", "set", "--scroll", "150"}
        << systemSave(163, 1000, {"mouseSetVerticalScrollLines|1000", "mouseSetLodValue|125|1"})
        << QStringList{"mouse/scrollRate=1000"};
    QTest::newRow("pointer speed and double-click")
        << QStringList{} << QStringList{"pointer", "set", "--speed", "1", "--double-click", "5"}
        << QStringList{"setData|\"mouse/mouseRate\"|4", "setData|\"mouse/doubleRate\"|138",
                       "setData|\"mouse/lod\"|3",       "setData|\"mouse/reportRateLod\"|3",
                       "setData|\"mouse/lodEn\"|1",     "setData|\"mouse/scrollRate\"|3",
                       "mouseSetCursorSpeed|1",         "mouseSetDoubleClickSpeed|5",
                       "mouseSetVerticalScrollLines|3", "mouseSetLodValue|125|1"}
        << QStringList{"mouse/mouseRate=4", "mouse/doubleRate=138"};
    QTest::newRow("button to a media key")
        << QStringList{} << QStringList{"button", "set", "4", "media:mute"}
        << QStringList{keyMatrixStep({"3=3,0,226,0"})}
        << QStringList{"mouseKeyMatrix/3=3, 0, 226, 0"};
    QTest::newRow("button to a key combination")
        << QStringList{} << QStringList{"button", "set", "⑤", "keys:ctrl+c"}
        << QStringList{keyMatrixStep({"4=2,1,6,0"})} << QStringList{"mouseKeyMatrix/4=2, 1, 6, 0"};
    QTest::newRow("button to a fire key")
        << QStringList{}
        << QStringList{"button", "set", "12", "fire:A", "--rate", "30", "--times", "5"}
        << QStringList{keyMatrixStep({"13=1,4,30,5"})}
        << QStringList{"mouseKeyMatrix/13=1, 4, 30, 5"};
    QTest::newRow("button to a macro, looping until released")
        << kBurst
        << QStringList{"button", "set", "6", "macro:Burst", "--mode", "loop-until-release"}
        << QStringList{"setData|\"mouseMacroKey/5\"|\"Burst\"", keyMatrixStep({"5=4,2,5,0"}),
                       "mouseSendMacroData|[0,3,5,4,129,4,0,0]|5"}
        << QStringList{"mouseKeyMatrix/5=4, 2, 5, 0", "mouseMacroKey/5=Burst"};
    QTest::newRow("macro created at the top of the library")
        << QStringList{} << QStringList{"macro",    "create",    "Burst",    "press:a",
                                        "delay:50", "release:A", "--repeat", "3"}
        << QStringList{kBurst.at(0),
                       R"(updataMacroList|0|0|""|["Burst"]|["0"]|["false"]|["5"]|["0"]|["-1"]|["-1"]|["-1"]|["-1"]|["-1"])",
                       kBurst.at(1)}
        << QStringList{};
    QTest::newRow("macro sent to a button's slot")
        << kBurst << QStringList{"macro", "send", "Burst", "10"}
        << QStringList{"mouseSendMacroData|[0,3,5,4,129,4,0,0]|11"} << QStringList{};
    const QString games = QStringLiteral(
        R"(updataMacroList|0|0|""|["Games"]|["1"]|["true"]|["25"]|["0"]|["-1"]|["-1"]|["-1"]|["-1"]|["-1"])");
    const QStringList madeGames{QStringLiteral(R"(createMacroIni|"Games"|0|0|1)"), games};
    QTest::newRow("macro folder created at the top of the library")
        << QStringList{} << QStringList{"macro", "create-folder", "Games"} << madeGames
        << QStringList{};
    QTest::newRow("macro folder renamed, its directory with it")
        << madeGames << QStringList{"macro", "rename-folder", "Games", "Fps"}
        << QStringList{R"(setMacroSelectName|"Games"|""|""|""|"")",
                       R"(searchMacroFile_sub_batch|"Games"|0|0)",
                       R"(updataMacroList|1|0|"Fps"|["Fps"]|["1"]|["true"]|["25"]|["0"]|["-1"]|["-1"]|["-1"]|["-1"]|["-1"])",
                       R"(modifyMacroNameUpdateProfile|0|1|"Games"|"Fps")"}
        << QStringList{};
    QTest::newRow("macro folder deleted with its macro")
        << (madeGames +
            QStringList{
                R"(setMacroSelectName|"Games"|""|""|""|"")", R"(createMacroIni|"Burst"|0|1|0)",
                R"(updataMacroList|0|1|"Games"|["Burst"]|["0"]|["false"]|["25"]|["1"]|["0"]|["-1"]|["-1"]|["-1"]|["-1"])"})
        << QStringList{"macro", "delete-folder", "Games"}
        << QStringList{R"(setMacroSelectName|"Games"|""|""|""|"")",
                       R"(updataMacroList_delOld|"Games")", R"(deleteMacroUpdateProfile|"Burst")",
                       R"(deleteMacroIni|0|1|"Games")",
                       R"(updataMacroList|1|0|"Games"|[]|[]|[]|[]|[]|[]|[]|[]|[]|[])"}
        << QStringList{};
    QTest::newRow("profile imported under the first free name and number")
        << QStringList{R"(updataNameList|2|["Default0","profile_01"])", "answer|$DIR/x.pf",
                       "saveProfile|1"}
        << QStringList{"profile", "import", "$DIR/x.pf"}
        << QStringList{"answer|$DIR/x.pf", "loadProfile|2",
                       R"(updataNameList|2|["Default0","profile_01","profile_12"])"}
        << QStringList{};
}

void TstTasks::storesAndSendsAsThePageDoes()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, command);
    QFETCH(QStringList, reference);
    QFETCH(QStringList, stored);

    Side tool;
    QVERIFY(tool.open());
    for (const QString &step : setup)
        QVERIFY2(tool.call(step), qPrintable(step));
    kvm::clearWireLog();
    QString out;
    QCOMPARE(tool.task(command, &out), 0);
    QVERIFY(!out.isEmpty());
    const QStringList toolWire = sentToMouse();
    QCOMPARE(kvm::state().errors, 0);

    Side page;
    QVERIFY(page.open());
    for (const QString &step : setup)
        QVERIFY2(page.call(step), qPrintable(step));
    kvm::clearWireLog();
    for (const QString &step : reference)
        QVERIFY2(page.call(step), qPrintable(step));
    const QStringList pageWire = sentToMouse();

    QCOMPARE(toolWire, pageWire);
    QCOMPARE(tool.pointerCalls, page.pointerCalls);
    auto toolFiles = tool.files();
    auto pageFiles = page.files();
    QCOMPARE(toolFiles.keys(), pageFiles.keys());
    for (const QString &name : toolFiles.keys())
        QVERIFY2(toolFiles.value(name) == pageFiles.value(name), qPrintable(name));

    QSettings profile(tool.modules() + QStringLiteral("/setting/p1.bin"), QSettings::IniFormat);
    for (const QString &pair : stored) {
        const int eq = pair.indexOf(QLatin1Char('='));
        const QVariant v = profile.value(pair.left(eq));
        const QString text =
            v.typeId() == QMetaType::QStringList ? v.toStringList().join(", ") : v.toString();
        QVERIFY2(text.startsWith(pair.mid(eq + 1)), qPrintable(pair + " but " + text));
    }
}

void TstTasks::profileSwitchSendsEveryPage()
{
    Side tool;
    QVERIFY(tool.open());
    QVERIFY(tool.call(R"(setCurrentProfile|1)"));
    QVERIFY(tool.call(R"(setData|"mouse/reportRate"|1)"));
    QVERIFY(tool.call(R"(setCurrentProfile|0)"));
    kvm::clearWireLog();
    QString out;
    QCOMPARE(tool.task({"profile", "switch", "Office"}, &out), 0);
    QCOMPARE(kvm::state().errors, 0);
    const QStringList tool1 = sentToMouse();

    Side page;
    QVERIFY(page.open());
    QVERIFY(page.call(R"(setCurrentProfile|1)"));
    QVERIFY(page.call(R"(setData|"mouse/reportRate"|1)"));
    QVERIFY(page.call(R"(setCurrentProfile|0)"));
    kvm::clearWireLog();
    QStringList reference{"setGlobalData|\"mouse/profileNo\"|1",
                          "setCurrentProfile|1",
                          keyMatrixStep({}),
                          "setData|\"mouse/reportRate\"|1",
                          "mouseSetReportRate|4",
                          "setData|\"mouse/lod\"|3",
                          "setData|\"mouse/reportRateLod\"|3",
                          "setData|\"mouse/lodEn\"|1",
                          "mouseSetLodValue|125|1"};
    reference += dpiSave(kShippedValues, 4, "[1,1,1,1,0,0,0,0]", "[1,1,1,1,0,0,0,0]");
    reference += lightSave(0, "[0,2,51,0]", kColorValue, 0, 255, 2, 0, "255,0,0");
    reference += systemSave(163, 3,
                            {"mouseSetCursorSpeed|5", "mouseSetDoubleClickSpeed|5",
                             "mouseSetVerticalScrollLines|3", "mouseSetLodValue|125|1"});
    for (const QString &step : reference)
        QVERIFY2(page.call(step), qPrintable(step));
    QCOMPARE(tool1, sentToMouse());
    QCOMPARE(tool.pointerCalls, page.pointerCalls);
    QSettings ap(tool.modules() + QStringLiteral("/setting/apConfig.bin"), QSettings::IniFormat);
    QCOMPARE(ap.value("mouse/profileNo").toString(), QStringLiteral("1"));

    // The profile in use again: nothing happens.
    kvm::clearWireLog();
    QCOMPARE(tool.task({"profile", "switch", "1"}, &out), 0);
    QVERIFY(sentToMouse().isEmpty());
}

// What kesta-ctl takes and prints is what the window shows.
void TstTasks::lightInTheWindowsUnits()
{
    Side tool;
    QVERIFY(tool.open());
    QString out;
    QCOMPARE(tool.task({"light", "set", "--speed", "3", "--brightness", "40", "--direction", "ccw"},
                       &out),
             0);
    LightingModel window(*tool.ops);
    window.init(false, false);
    QCOMPARE(window.shownSpeed(), 3);
    QCOMPARE(window.brightnessPercent(), 39); // no step shows 40%: the nearest does
    QCOMPARE(window.direction(), 1);
    out.clear();
    QCOMPARE(tool.task({"light", "show"}, &out), 0);
    QVERIFY2(out.contains("speed:      3\nbrightness: 39%\ndirection:  ccw\n"), qPrintable(out));
    out.clear();
    QCOMPARE(tool.task({"light", "show", "--json"}, &out), 0);
    QVERIFY2(out.contains("\"direction\": \"ccw\""), qPrintable(out));
}

void TstTasks::unplugDuringTheTransferIsReported_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("unplugAfterCalls");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored"); // key=value in p1.bin, stored all the same
    QTest::newRow("before the first frame")
        << QStringList{"dpi", "set", "2=1500"} << 0 << "nothing reached it"
        << "mouse/dpiValueArray=500, 1500";
    QTest::newRow("in the stages' data phase")
        << QStringList{"dpi", "set", "2=1500"} << 4 << "nothing reached it"
        << "mouse/dpiValueArray=500, 1500";
    QTest::newRow("between the stages and their colours")
        << QStringList{"dpi", "set", "2=1500"} << 8 << "it got only the DPI stages"
        << "mouse/dpiValueArray=500, 1500";
    QTest::newRow("rate") << QStringList{"rate", "250"} << 1 << "the report rate did not reach"
                          << "mouse/reportRate=1";
}

void TstTasks::unplugDuringTheTransferIsReported()
{
    QFETCH(QStringList, command);
    QFETCH(int, unplugAfterCalls);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    Side tool;
    QVERIFY(tool.open());
    kvm::Faults faults;
    faults.unplugAfterCalls = unplugAfterCalls;
    kvm::setFaults(faults);
    QString out;
    QString err;
    QCOMPARE(tool.task(command, &out, &err), 1);
    QVERIFY(out.isEmpty());
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QCOMPARE(kvm::state().errors, 0);
    kvm::clearFaults();
    QSettings profile(tool.modules() + QStringLiteral("/setting/p1.bin"), QSettings::IniFormat);
    const int eq = stored.indexOf(QLatin1Char('='));
    const QVariant v = profile.value(stored.left(eq));
    const QString text =
        v.typeId() == QMetaType::QStringList ? v.toStringList().join(", ") : v.toString();
    QVERIFY2(text.startsWith(stored.mid(eq + 1)), qPrintable(text));
}

void TstTasks::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("dpi off the grid") << QStringList{"dpi", "set", "2=1250"} << "in steps of 500";
    QTest::newRow("dpi above the maximum") << QStringList{"dpi", "set", "1=7500"} << "500..7000";
    QTest::newRow("dpi stage 9") << QStringList{"dpi", "set", "9=800"} << "1..8";
    QTest::newRow("dpi not a pair") << QStringList{"dpi", "set", "800"} << "STAGE=DPI";
    QTest::newRow("dpi count 0") << QStringList{"dpi", "count", "0"} << "1..8";
    QTest::newRow("dpi all disabled")
        << QStringList{"dpi", "disable", "1", "2", "3", "4", "5", "6", "7", "8"} << "at least one";
    QTest::newRow("dpi colour of stage 7")
        << QStringList{"dpi", "colour", "7", "#ffffff"} << "1..6";
    QTest::newRow("dpi colour by name") << QStringList{"dpi", "colour", "1", "red"} << "#rrggbb";
    QTest::newRow("dpi unknown") << QStringList{"dpi", "fly"} << "unknown sub-command";
    QTest::newRow("rate 300") << QStringList{"rate", "300"} << "125, 250, 500 and 1000";
    QTest::newRow("lod word") << QStringList{"lod", "higher"} << "low, medium, high";
    QTest::newRow("light effect") << QStringList{"light", "set", "--effect", "rainbow"} << "static";
    QTest::newRow("light brightness")
        << QStringList{"light", "set", "--brightness", "101"} << "0..100";
    QTest::newRow("light speed") << QStringList{"light", "set", "--speed", "x"} << "1..5";
    QTest::newRow("light preset") << QStringList{"light", "set", "--preset", "5"} << "1..4";
    QTest::newRow("light colour") << QStringList{"light", "set", "--colour", "#12345"} << "#rrggbb";
    QTest::newRow("light nothing to set") << QStringList{"light", "set"} << "at least one";
    QTest::newRow("light option without value")
        << QStringList{"light", "set", "--speed"} << "needs a value";
    QTest::newRow("light option twice")
        << QStringList{"light", "set", "--speed", "3", "--speed", "4"} << "more than once";
    QTest::newRow("pointer speed") << QStringList{"pointer", "set", "--speed", "11"} << "0..10";
    QTest::newRow("pointer scroll") << QStringList{"pointer", "set", "--scroll", "0"} << "1..100";
    QTest::newRow("button 15") << QStringList{"button", "set", "15", "media:mute"} << "1..14";
    QTest::newRow("button choice")
        << QStringList{"button", "set", "4", "media:loud"} << "unknown choice";
    QTest::newRow("first button keeps the left click")
        << QStringList{"button", "set", "1", "mouse:right"} << "left button function";
    QTest::newRow("macro on a button without a slot")
        << QStringList{"button", "set", "13", "macro:Burst"} << "cannot hold a macro";
    QTest::newRow("unknown macro") << QStringList{"button", "set", "6", "macro:Nope"} << "no macro";
    QTest::newRow("play mode") << QStringList{"button",      "set",    "6",
                                              "macro:Burst", "--mode", "twice"}
                               << "loop-until-release";
    QTest::newRow("mode without macro")
        << QStringList{"button", "set", "4", "media:mute", "--mode", "once"} << "macro:NAME";
    QTest::newRow("weapon key in office mode")
        << QStringList{"button", "set", "4", "gun:1"} << "game mode";
    QTest::newRow("profile unknown") << QStringList{"profile", "switch", "9"} << "no profile";
    QTest::newRow("profile list full")
        << QStringList{"profile", "import", "$MODULES/setting/p1.bin"} << "six profiles";
    QTest::newRow("profile not a profile")
        << QStringList{"profile", "import", "$MODULES/setting/name.bin"} << "not a profile";
    QTest::newRow("macro step") << QStringList{"macro", "create", "X", "press:Nokey"}
                                << "unknown key";
    QTest::newRow("macro delay") << QStringList{"macro", "create", "X", "delay:70000"}
                                 << "0..65535";
    QTest::newRow("macro folder") << QStringList{"macro", "create", "F/X", "press:A"}
                                  << "no folder";
    QTest::newRow("macro path") << QStringList{"macro", "create", "../X", "press:A"}
                                << "not a macro path";
    QTest::newRow("macro folder inside a missing folder")
        << QStringList{"macro", "create-folder", "F/G"} << "no folder \"F\"";
    QTest::newRow("macro folder rename of a missing folder")
        << QStringList{"macro", "rename-folder", "F", "G"} << "no folder \"F\"";
    QTest::newRow("macro folder delete of a missing folder")
        << QStringList{"macro", "delete-folder", "F"} << "no folder \"F\"";
    QTest::newRow("macro folder whose items would be the top's")
        << QStringList{"macro", "create-folder", "macro"} << "together with those of /";
    QTest::newRow("macro named as the list padding")
        << QStringList{"macro", "create", "loaderquiver", "press:A"} << "reserved";
    QTest::newRow("macro send to button 13") << QStringList{"macro", "send", "X", "13"} << "1..10";
    QStringList tooLong{"macro", "create", "X"};
    for (int i = 0; i < 32; ++i)
        tooLong << "press:A"
                << "release:A";
    QTest::newRow("macro longer than a slot") << tooLong << "the steps take 132 bytes";
    QTest::newRow("status argument") << QStringList{"status", "now"} << "no arguments";
    QTest::newRow("unknown option") << QStringList{"rate", "--fast"} << "unknown option";
}

void TstTasks::refusesBadArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    for (QString &a : args)
        a.replace(QLatin1String("$MODULES"), modules);
    kvm::configure(kvm::defaultConfig());
    const auto before = filesUnder(modules);

    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = Ctl::run(QStringList{"--modules-dir", modules} + args, outStream, errStream);
    errStream.flush();
    QCOMPARE(code, 2);
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY2(err.count(QLatin1Char('\n')) <= 2, qPrintable(err)); // the error and a hint
    QVERIFY(out.isEmpty());
    QVERIFY(filesUnder(modules) == before);
    QVERIFY(kvm::wireLog().empty()); // the mouse was not even looked for
}

void TstTasks::exportsIntoTheSettingsFolderAreRefused_data()
{
    QTest::addColumn<QStringList>("args"); // $OUT: the file named on the line
    QTest::addColumn<QString>("linkTo");   // $OUT is a link to this ($MODULES/...); none: a file
    const QStringList profile{"profile", "export", "0", "$OUT"};
    const QStringList macro{"macro", "export", "Burst", "$OUT"};
    QTest::newRow("profile, a file of the folder") << profile << QString();
    QTest::newRow("profile, a link to another profile") << profile << "$MODULES/setting/p2.bin";
    QTest::newRow("macro, a link to the library index") << macro << "$MODULES/setting/name.bin";
    QTest::newRow("macro, a dangling link into the folder") << macro << "$MODULES/macro/New.bin";
    QTest::newRow("profile, a link to a link into the folder") << profile << "$WORK/again.pf";
}

void TstTasks::exportsIntoTheSettingsFolderAreRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, linkTo);
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    kvm::configure(kvm::defaultConfig());
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QCOMPARE(Ctl::run({"--modules-dir", modules, "macro", "create", "Burst", "press:A"}, outStream,
                      errStream),
             0);
    out.clear();
    const QString named =
        linkTo.isEmpty() ? modules + QStringLiteral("/setting/p3.bin")
                         : dir.path() + QStringLiteral("/out") +
                               (args.first() == QLatin1String("profile") ? QStringLiteral(".pf")
                                                                         : QStringLiteral(".mc"));
    if (linkTo.startsWith(QLatin1String("$WORK"))) {
        // A chain: out.pf -> again.pf -> p2.bin.
        QVERIFY(QFile::link(modules + QStringLiteral("/setting/p2.bin"),
                            dir.path() + QStringLiteral("/again.pf")));
    }
    linkTo.replace(QLatin1String("$MODULES"), modules).replace(QLatin1String("$WORK"), dir.path());
    if (!linkTo.isEmpty())
        QVERIFY(QFile::link(linkTo, named));
    args.replaceInStrings(QStringLiteral("$OUT"), named);
    const auto before = filesUnder(modules);

    const int code = Ctl::run(QStringList{"--modules-dir", modules} + args, outStream, errStream);
    errStream.flush();
    QCOMPARE(code, 2);
    QVERIFY2(err.contains(QLatin1String("inside the settings folder")), qPrintable(err));
    QVERIFY(out.isEmpty());
    QVERIFY(filesUnder(modules) == before);
}

void TstTasks::exportsThatCannotBeWrittenFail_data()
{
    QTest::addColumn<QStringList>("args"); // $OUT: a device that is always full
    QTest::newRow("profile") << QStringList{"profile", "export", "0", "$OUT"};
    QTest::newRow("macro") << QStringList{"macro", "export", "Burst", "$OUT"};
}

void TstTasks::exportsThatCannotBeWrittenFail()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    // A full device of the test's own where it may make one (a run that
    // replaced it would harm nothing else); /dev/full otherwise.
    QString full = dir.path() + QStringLiteral("/full");
    if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        full = QStringLiteral("/dev/full");
    if (!QFileInfo(full).exists() || QFileInfo(full).isFile())
        QSKIP("no full device here");
    kvm::configure(kvm::defaultConfig());
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QCOMPARE(Ctl::run({"--modules-dir", modules, "macro", "create", "Burst", "press:A"}, outStream,
                      errStream),
             0);
    out.clear();
    args.replaceInStrings(QStringLiteral("$OUT"), full);

    const int code = Ctl::run(QStringList{"--modules-dir", modules} + args, outStream, errStream);
    errStream.flush();
    QCOMPARE(code, 1);
    QVERIFY2(err.contains(QLatin1String("could not write")), qPrintable(err));
    QVERIFY(out.isEmpty());
    // Written into, not replaced.
    QVERIFY(!QFileInfo(full).isFile());
}

void TstTasks::tooLongMacroIsSentCutWithAWarning_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QStringList>("reference");

    // 100 actions (204 bytes): the slot holds the first 62, ending on a release.
    QStringList steps;
    for (int i = 0; i < 50; ++i)
        steps << QStringLiteral("\"1,A\"") << QStringLiteral("\"2,A\"");
    const QStringList longMacro{
        QStringLiteral(R"(createMacroIni|"Long"|0|0|0)"),
        QStringLiteral(R"(saveMacroIni|0|"Long"|[%1]|1)").arg(steps.join(QLatin1Char(',')))};
    QString words = QStringLiteral("[0,1");
    for (int i = 0; i < 31; ++i)
        words += QStringLiteral(",1,4,129,4");
    words += QStringLiteral(",0,0]");
    const QString cutWarning = QStringLiteral("Long takes 204 bytes, a slot holds 128: sent cut "
                                              "after step 62 of 100");
    QTest::newRow("macro send") << longMacro << QStringList{"macro", "send", "Long", "10"} << 0
                                << cutWarning
                                << QStringList{
                                       QStringLiteral("mouseSendMacroData|%1|11").arg(words)};
    QTest::newRow("button bound to the macro")
        << longMacro << QStringList{"button", "set", "6", "macro:Long"} << 0 << cutWarning
        << QStringList{"setData|\"mouseMacroKey/5\"|\"Long\"", keyMatrixStep({"5=4,0,5,0"}),
                       QStringLiteral("mouseSendMacroData|%1|5").arg(words)};
    // A stays held under 35 presses of B: no part that fits releases it.
    QStringList held{QStringLiteral("\"1,A\"")};
    for (int i = 0; i < 35; ++i)
        held << QStringLiteral("\"1,B\"") << QStringLiteral("\"2,B\"");
    held << QStringLiteral("\"2,A\"");
    QTest::newRow("macro send, nothing fits")
        << QStringList{QStringLiteral(R"(createMacroIni|"Held"|0|0|0)"),
                       QStringLiteral(R"(saveMacroIni|0|"Held"|[%1]|1)")
                           .arg(held.join(QLatin1Char(',')))}
        << QStringList{"macro", "send", "Held", "10"} << 1 << "the slot got none of its steps"
        << QStringList{"mouseSendMacroData|[0,1]|11"};
}

void TstTasks::tooLongMacroIsSentCutWithAWarning()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, command);
    QFETCH(int, code);
    QFETCH(QString, warning);
    QFETCH(QStringList, reference);

    Side tool;
    QVERIFY(tool.open());
    for (const QString &step : setup)
        QVERIFY2(tool.call(step), qPrintable(step));
    kvm::clearWireLog();
    QString out;
    QString err;
    QCOMPARE(tool.task(command, &out, &err), code);
    QVERIFY2(err.contains(warning), qPrintable(err));
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    const QStringList toolWire = sentToMouse();

    Side page;
    QVERIFY(page.open());
    for (const QString &step : setup)
        QVERIFY2(page.call(step), qPrintable(step));
    kvm::clearWireLog();
    for (const QString &step : reference)
        QVERIFY2(page.call(step), qPrintable(step));
    QCOMPARE(toolWire, sentToMouse());
}

void TstTasks::tooLongMacroIsNamedOnShowAndImport()
{
    Side tool;
    QVERIFY(tool.open());
    QStringList steps;
    for (int i = 0; i < 50; ++i)
        steps << QStringLiteral("\"1,A\"") << QStringLiteral("\"2,A\"");
    QVERIFY(tool.call(QStringLiteral(R"(createMacroIni|"Long"|0|0|0)")));
    QVERIFY(tool.call(
        QStringLiteral(R"(saveMacroIni|0|"Long"|[%1]|1)").arg(steps.join(QLatin1Char(',')))));

    QString out, err;
    QCOMPARE(tool.task({"macro", "show", "Long"}, &out, &err), 0);
    QVERIFY2(out.endsWith(QLatin1String("too long for the mouse (204 bytes, a slot holds 128): it "
                                        "gets the first 62 steps\n")),
             qPrintable(out));
    out.clear();
    QCOMPARE(tool.task({"macro", "show", "Long", "--json"}, &out), 0);
    QVERIFY2(out.contains(QLatin1String("\"bytes\": 204")) &&
                 out.contains(QLatin1String("\"sentSteps\": 62")),
             qPrintable(out));

    // The same file imported under another name: stored whole, named cut.
    QVERIFY(QFile::copy(tool.modules() + QStringLiteral("/macro/Long.bin"),
                        tool.dir.path() + QStringLiteral("/Copy.mc")));
    out.clear();
    QCOMPARE(tool.task({"macro", "import", "$DIR/Copy.mc"}, &out, &err), 0);
    QVERIFY2(err.contains(QLatin1String("macro Copy takes 204 bytes, a slot holds 128: the mouse "
                                        "will get its first 62 steps")),
             qPrintable(err));
}

void TstTasks::mouseThisUserMayNotOpenIsNamed_data()
{
    QTest::addColumn<QString>("mouse"); // "there", "gone" or "refused"
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString advice = QStringLiteral(
        "found, no permission (/dev/hidraw-kesta-0): install 70-kesta.rules and plug the mouse "
        "in again");
    QTest::newRow("status, open to this user")
        << "there" << QStringList{"status"} << 0 << "device:       found\n"
        << "";
    QTest::newRow("status, not there")
        << "gone" << QStringList{"status"} << 0 << "device:       not found\n"
        << "";
    QTest::newRow("status, nodes of root only")
        << "refused" << QStringList{"status"} << 0 << "device:       " + advice + "\n"
        << "";
    QTest::newRow("status --json, nodes of root only")
        << "refused" << QStringList{"status", "--json"} << 0
        << "\"noPermission\": \"/dev/hidraw-kesta-0\""
        << "";
    QTest::newRow("a change, not there") << "gone" << QStringList{"rate", "500"} << 1 << ""
                                         << "was stored, but no device answered: nothing was sent";
    QTest::newRow("a change, nodes of root only")
        << "refused" << QStringList{"rate", "500"} << 1 << ""
        << "was stored, but the mouse was " + advice + "; nothing was sent";
    QTest::newRow("dpi current, nodes of root only")
        << "refused" << QStringList{"dpi", "current", "2"} << 1 << ""
        << "kesta-ctl dpi: the mouse was " + advice + "\n";
}

void TstTasks::mouseThisUserMayNotOpenIsNamed()
{
    QFETCH(QString, mouse);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    kvm::configure(kvm::defaultConfig());
    kvm::Faults faults;
    faults.openDenied = mouse == QLatin1String("refused");
    kvm::setFaults(faults);
    if (mouse == QLatin1String("gone"))
        kvm::unplug();
    // --verbose lets the presence check's own line through as well.
    if (mouse == QLatin1String("refused"))
        QTest::ignoreMessage(QtInfoMsg,
                             QRegularExpression("/dev/hidraw-kesta-0 is present, but this user "
                                                "may not open it: install 70-kesta.rules"));

    QString output;
    QString error;
    QTextStream outStream(&output);
    QTextStream errStream(&error);
    const int result = Ctl::run(
        QStringList{"--modules-dir", dir.path() + QStringLiteral("/modules"), "--verbose"} + args,
        outStream, errStream);
    outStream.flush();
    errStream.flush();
    kvm::clearFaults();
    QCOMPARE(result, code);
    QVERIFY2(output.contains(out), qPrintable(output));
    QVERIFY2(error.contains(err), qPrintable(error));
    if (mouse != QLatin1String("there"))
        QVERIFY2(!output.contains(QLatin1String("DPI stage:")), qPrintable(output));
}

// A library from before such folders were refused: the tree names them on
// stderr and changes nothing.
void TstTasks::sharedListSetsAreNamed()
{
    QTemporaryDir dir;
    QVERIFY(stageModules(dir.path()));
    const QString modules = dir.path() + QStringLiteral("/modules");
    {
        QSettings names(modules + QStringLiteral("/setting/name.bin"), QSettings::IniFormat);
        names.setValue("macro/macroName", QStringList{"macro", "M"});
        names.setValue("macro/macroType", QStringList{"1", "0"});
    }
    kvm::configure(kvm::defaultConfig());
    const auto before = filesUnder(modules);
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = Ctl::run(QStringList{"--modules-dir", modules, "--no-device", "macro", "tree"},
                              outStream, errStream);
    errStream.flush();
    QCOMPARE(code, 0);
    QCOMPARE(err, QStringLiteral("kesta-ctl macro: these folders share one stored list of items "
                                 "(\"/\" is the top of the library): macro = /; nothing was "
                                 "changed\n"));
    QVERIFY(filesUnder(modules) == before);
}

void TstTasks::exportsNameTheirFilesAsTheWindowDoes()
{
    Side tool;
    QVERIFY(tool.open());
    const QString dir = tool.dir.path();
    QString out, err;
    QCOMPARE(tool.task({"profile", "export", "0", "$DIR/office"}, &out, &err), 0);
    QVERIFY(QFile::exists(dir + QStringLiteral("/office.pf")));
    QVERIFY(!QFile::exists(dir + QStringLiteral("/office")));
    QVERIFY2(out.endsWith(QStringLiteral(" exported to %1/office.pf\n").arg(dir)), qPrintable(out));

    // Only the full name replaces a file the appended suffix would hit.
    QFile::remove(dir + QStringLiteral("/office.pf"));
    QFile own(dir + QStringLiteral("/office.pf"));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("own");
    own.close();
    QCOMPARE(tool.task({"profile", "export", "0", "$DIR/office"}, &out, &err), 2);
    QVERIFY2(err.contains(QLatin1String("\"office.pf\" already exists")), qPrintable(err));
    QVERIFY(own.open(QIODevice::ReadOnly));
    QCOMPARE(own.readAll(), QByteArray("own"));
    own.close();
    QCOMPARE(tool.task({"profile", "export", "0", "$DIR/office.pf"}, &out, &err), 0);

    QVERIFY(tool.call(QStringLiteral(R"(createMacroIni|"Burst"|0|0|0)")));
    QVERIFY(tool.call(QStringLiteral(R"(saveMacroIni|0|"Burst"|["1,A","2,A"]|1)")));
    QCOMPARE(tool.task({"macro", "export", "Burst", "$DIR/burst"}, &out, &err), 0);
    QVERIFY(QFile::exists(dir + QStringLiteral("/burst.mc")));
    QCOMPARE(tool.task({"macro", "import", "$DIR/burst.mc"}, &out, &err), 0);
}

// The rules of per-application profiles: stored without the mouse, listed
// with their profiles' names, refused with exit 2 and no change; a profile
// switch is the profile other windows bring back.
void TstTasks::appProfileRules_data()
{
    QTest::addColumn<QList<QStringList>>("commands"); // the last one is checked
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("output");

    const QStringList list{"app-profile", "list"};
    QTest::newRow("set by name and number, then list")
        << QList<QStringList>{{"app-profile", "set", "shooter_game", "Shooter"},
                              {"app-profile", "set", "browser", "1"},
                              list}
        << 0 << "shooter_game  3 Shooter\nbrowser  1 Office\n";
    QTest::newRow("remove") << QList<QStringList>{{"app-profile", "set", "a", "1"},
                                                  {"app-profile", "remove", "a"},
                                                  list}
                            << 0 << "";
    QTest::newRow("a switch is the profile to return to")
        << QList<QStringList>{{"profile", "switch", "Game"}, list} << 0
        << "other windows  2 Game\n";
    QTest::newRow("json") << QList<QStringList>{{"app-profile", "set", "a", "Game"},
                                                {"app-profile", "--json"}}
                          << 0
                          << "{\n    \"returnTo\": -1,\n    \"rules\": [\n        {\n"
                             "            \"class\": \"a\",\n            \"profile\": 2,\n"
                             "            \"profileName\": \"Game\"\n        }\n    ]\n}\n";
    QTest::newRow("no such profile")
        << QList<QStringList>{{"app-profile", "set", "a", "7"}} << 2 << "no profile \"7\"";
    QTest::newRow("no such rule") << QList<QStringList>{{"app-profile", "remove", "a"}} << 2
                                  << "no rule for \"a\"";
    QTest::newRow("set needs two words")
        << QList<QStringList>{{"app-profile", "set", "a"}} << 2 << "set needs";
    QTest::newRow("the padding is no class")
        << QList<QStringList>{{"app-profile", "set", "loaderquiver", "1"}} << 2 << "reserved";
}

void TstTasks::appProfileRules()
{
    QFETCH(QList<QStringList>, commands);
    QFETCH(int, code);
    QFETCH(QString, output);

    Side side;
    QVERIFY(side.open());
    for (const QStringList &command : commands.mid(0, commands.size() - 1)) {
        QString out;
        QCOMPARE(side.task(command, &out), 0);
    }
    const auto before = side.files();
    kvm::clearWireLog();
    QString out;
    QString err;
    QCOMPARE(side.task(commands.last(), &out, &err), code);
    QVERIFY(sentToMouse().isEmpty());
    if (code == 0) {
        QCOMPARE(out, output);
        return;
    }
    QVERIFY2(err.contains(output), qPrintable(err));
    QCOMPARE(side.files(), before);
}

void TstTasks::writesEachFileOnce_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QStringList>("mostWrites"); // "FILE N"; any other file: none

    QTest::newRow("dpi set") << QStringList{"dpi", "set", "1=1000", "2=1500"}
                             << QStringList{"p1.bin 1"};
    QTest::newRow("light set") << QStringList{"light", "set", "--speed", "3", "--brightness", "50"}
                               << QStringList{"p1.bin 1"};
    QTest::newRow("pointer set") << QStringList{"pointer", "set", "--speed", "3"}
                                 << QStringList{"p1.bin 1"};
    // The choice with the profile to return to, then the profile (whose
    // colours it brings into form).
    QTest::newRow("profile switch")
        << QStringList{"profile", "switch", "2"} << QStringList{"apConfig.bin 1", "p3.bin 1"};
    // The copy of the defaults, then the pages' values.
    QTest::newRow("profile reset") << QStringList{"profile", "reset"} << QStringList{"p1.bin 2"};
}

void TstTasks::writesEachFileOnce()
{
    QFETCH(QStringList, command);
    QFETCH(QStringList, mostWrites);

    Side side;
    QVERIFY(side.open());
    QVERIFY(side.call(R"(setCurrentProfile|2)"));
    QVERIFY(side.call(R"(setDataList|"mouse/dpiColorArray"|["red","blue"])"));
    QVERIFY(side.call(R"(setCurrentProfile|0)"));
    ReplacementCounter counter(side.modules() + QStringLiteral("/setting"));
    QVERIFY(counter.valid());
    kvm::clearWireLog();
    QString out;
    QCOMPARE(side.task(command, &out), 0);
    QVERIFY(!sentToMouse().isEmpty());
    const QMap<QByteArray, int> writes = counter.takeAll();
    QMap<QByteArray, int> most;
    for (const QString &limit : mostWrites)
        most.insert(limit.section(QLatin1Char(' '), 0, 0).toUtf8(),
                    limit.section(QLatin1Char(' '), 1).toInt());
    for (auto it = writes.cbegin(); it != writes.cend(); ++it) {
        if (it.key().endsWith(".bin"))
            QVERIFY2(it.value() <= most.value(it.key()),
                     qPrintable(QStringLiteral("%1 written %2 times")
                                    .arg(QString::fromUtf8(it.key()))
                                    .arg(it.value())));
    }
}

void TstTasks::profileSwitchThatCannotBeStoredSendsNothing()
{
    // The profile switched to holds colours in a form its DPI page mends,
    // and its file cannot grow: the pages before the DPI page could be
    // rewritten as they are, but the mouse gets none of them, and the
    // profile in use stays.
    Side side;
    QVERIFY(side.open());
    QVERIFY(side.call(R"(setCurrentProfile|2)"));
    QVERIFY(side.call(R"(setDataList|"mouse/dpiColorArray"|["red","blue"])"));
    QVERIFY(side.call(R"(setCurrentProfile|0)"));
    const QString p3 = side.modules() + QStringLiteral("/setting/p3.bin");
    const auto before = side.files();
    kvm::clearWireLog();
    QString out;
    QString err;
    int code = 0;
    {
        FileSizeLimit full(FileSizeLimit::justAbove(p3));
        QVERIFY(full.active());
        code = side.task({"profile", "switch", "2"}, &out, &err);
    }
    QCOMPARE(code, 1);
    QCOMPARE(sentToMouse(), QStringList());
    QVERIFY2(err.contains(QDir::toNativeSeparators(p3)) && err.contains("nothing was sent"),
             qPrintable(err));
    // Neither the profile nor the choice (nor the profile to return to) changed.
    const auto after = side.files();
    for (const QString name : {"/setting/p3.bin", "/setting/apConfig.bin"})
        QVERIFY2(after.value(name) == before.value(name), qPrintable(name));
}

void TstTasks::refusedRateIsNeitherShownNorStoredLater()
{
    // Another writer holds the profile: the rate is refused, and neither the
    // status nor the next change of another setting takes it up.
    Side side;
    QVERIFY(side.open());
    const QString p1 = side.modules() + QStringLiteral("/setting/p1.bin");
    const QByteArray before = side.files().value(QStringLiteral("/setting/p1.bin"));
    QVERIFY(before.contains("\nreportRate=3\n"));
    QString out;
    QString err;
    {
        QLockFile turn(p1 + QStringLiteral(".wlock"));
        QVERIFY(turn.tryLock(0));
        kvm::clearWireLog();
        QCOMPARE(side.task({"rate", "250"}, &out, &err), 1);
        QCOMPARE(sentToMouse(), QStringList());
        QVERIFY2(err.contains("nothing was sent"), qPrintable(err));
    }
    out.clear();
    QCOMPARE(side.task({"status"}, &out), 0);
    QVERIFY2(out.contains("report rate:  1000 Hz (stored)"), qPrintable(out));
    QCOMPARE(side.task({"lod", "high"}, &out), 0);
    const QByteArray after = side.files().value(QStringLiteral("/setting/p1.bin"));
    QVERIFY2(after.contains("\nreportRate=3\n") && after != before, after.constData());
}

QTEST_GUILESS_MAIN(TstTasks)
#include "tst_tasks.moc"
