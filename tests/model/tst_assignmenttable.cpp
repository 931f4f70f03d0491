// The assignment table's rules without a window: choice words and the
// entries they make, what a matrix position allows, macro entries, and the
// table as the scene reaches it through the QML engine.
#include "model/assignmenttable.h"
#include "model/registration.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest>

using Entry = AssignmentTable::Entry;
Q_DECLARE_METATYPE(Entry)

class TestAssignmentTable : public QObject
{
    Q_OBJECT

private slots:
    void wordRoundTrip_data();
    void wordRoundTrip();
    void everyFixedChoiceIsDistinct();
    void refusedWords_data();
    void refusedWords();
    void entriesWithoutChoice();
    void positionAllows_data();
    void positionAllows();
    void macroEntries();
    void sceneCalls();
};

void TestAssignmentTable::wordRoundTrip_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("gameMode");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("printed"); // the word an entry prints back
    QTest::addColumn<int>("function");    // its place in the function list

    QTest::newRow("mouse first") << "mouse:left" << false << Entry{0, 0, 0xF0, 0} << "mouse:left"
                                 << 0;
    QTest::newRow("mouse double fire has no list item")
        << "Mouse:Double-Fire" << false << Entry{0, 0xF0, 0x1E, 2} << "mouse:double-fire" << -1;
    QTest::newRow("media first") << "media:player" << false << Entry{3, 0, 0x83, 1}
                                 << "media:player" << 8;
    QTest::newRow("media") << "media:mute" << false << Entry{3, 0, 0xE2, 0} << "media:mute" << 8;
    QTest::newRow("dpi last") << "dpi:sniper" << false << Entry{5, 0, 4, 0} << "dpi:sniper" << 5;
    QTest::newRow("windows with modifier")
        << "windows:max" << false << Entry{6, 4, 0x2C, 0x1B} << "windows:max" << 10;
    QTest::newRow("shortcut last")
        << "shortcut:select-all" << false << Entry{7, 0, 0xE0, 4} << "shortcut:select-all" << 11;
    QTest::newRow("gun in game mode") << "gun:3" << true << Entry{8, 0, 3, 0} << "gun:3" << 12;
    QTest::newRow("keys: left ctrl")
        << "keys:ctrl+c" << false << Entry{2, 1, 0x06, 0} << "keys:ctrl+c" << 7;
    QTest::newRow("keys: right modifier and KP+")
        << "keys:RShift+lalt+KP++A" << false << Entry{2, 0x24, 0x57, 0x04}
        << "keys:alt+rshift+kp++a" << 7;
    QTest::newRow("fire with its options")
        << "fire:A" << false << Entry{1, 0x04, 30, 5} << "fire:A" << 6;
}

void TestAssignmentTable::wordRoundTrip()
{
    QFETCH(QString, word);
    QFETCH(bool, gameMode);
    QFETCH(Entry, entry);
    QFETCH(QString, printed);
    QFETCH(int, function);

    AssignmentTable::Choice choice;
    QString error;
    QVERIFY2(AssignmentTable::parse(word, {30, 5}, gameMode, &choice, &error), qPrintable(error));
    QCOMPARE(choice.entry, entry);
    QVERIFY(!choice.isMacro);
    QCOMPARE(AssignmentTable::word(entry, QString()), printed);
    QVERIFY(AssignmentTable::parse(printed, {30, 5}, gameMode, &choice, &error));
    QCOMPARE(choice.entry, entry);
    QCOMPARE(AssignmentTable::functionOf(entry), function);
}

void TestAssignmentTable::everyFixedChoiceIsDistinct()
{
    // Each fixed word makes its own entry, which prints back as that word and
    // shows its own caption in the window.
    const QStringList captions = AssignmentTable().captionDefaults();
    const auto none = [](int) { return QString(); };
    QSet<QString> texts;
    for (const QString &word : AssignmentTable::fixedWords()) {
        AssignmentTable::Choice choice;
        QString error;
        QVERIFY2(AssignmentTable::parse(word, {}, true, &choice, &error), qPrintable(error));
        QCOMPARE(AssignmentTable::word(choice.entry, {}), word);
        texts.insert(AssignmentTable::entryText(choice.entry, captions, none, none));
    }
    QCOMPARE(texts.size(), AssignmentTable::fixedWords().size());
}

void TestAssignmentTable::refusedWords_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("message");

    QTest::newRow("gun in office mode") << "gun:1"
                                        << "only in game mode";
    QTest::newRow("three keys") << "keys:a+b+c"
                                << "at most two keys";
    QTest::newRow("modifier as key") << "keys:ctrl+LCtrl2"
                                     << "unknown key \"LCtrl2\"";
    QTest::newRow("unknown fixed word") << "media:louder"
                                        << "unknown choice";
    QTest::newRow("macro without name") << "macro:"
                                        << "needs the macro's name";
}

void TestAssignmentTable::refusedWords()
{
    QFETCH(QString, word);
    QFETCH(QString, message);
    AssignmentTable::Choice choice;
    QString error;
    QVERIFY(!AssignmentTable::parse(word, {}, false, &choice, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestAssignmentTable::entriesWithoutChoice()
{
    // A fixed group's type with bytes no choice has: a raw word, the group's
    // function item, and the group's caption in the window.
    const QStringList captions = AssignmentTable().captionDefaults();
    const auto name = [](int code) { return QStringLiteral("K%1").arg(code); };
    const auto noMacro = [](int) { return QString(); };
    QCOMPARE(AssignmentTable::word({3, 0, 0x99, 0}, {}), QStringLiteral("raw:3,0,153,0"));
    QCOMPARE(AssignmentTable::text({3, 0, 0x99, 0}, {}), QStringLiteral("Unknown (3 0 153 0)"));
    QCOMPARE(AssignmentTable::functionOf({3, 0, 0x99, 0}), 8);
    QCOMPARE(AssignmentTable::entryText({3, 0, 0x99, 0}, captions, name, noMacro),
             QStringLiteral("Media Function"));
    // A type no group knows: shown as its bytes, no function item.
    QCOMPARE(AssignmentTable::word({0x0A, 1, 0xB, 0xFF}, {}), QStringLiteral("raw:10,1,11,255"));
    QCOMPARE(AssignmentTable::entryText({0x0A, 1, 0xB, 0xFF}, captions, name, noMacro),
             QStringLiteral("0A 01 0B FF"));
    QCOMPARE(AssignmentTable::functionOf({0x0A, 1, 0xB, 0xFF}), -1);
    // The built-in further functions.
    QCOMPARE(AssignmentTable::word({0xFF, 0, 7, 0}, {}), QStringLiteral("further:7"));
    QCOMPARE(AssignmentTable::functionOf({0xFF, 0, 7, 0}), -1);
    // Empty combinations fall back to the group's caption.
    QCOMPARE(AssignmentTable::entryText({2, 0, 0, 0}, captions, name, noMacro),
             QStringLiteral("Group Function"));
    QCOMPARE(AssignmentTable::entryText({7, 3, 0, 0}, captions, name, noMacro),
             QStringLiteral("Shortcut Function"));
    QCOMPARE(AssignmentTable::entryText({6, 3, 0, 0}, captions, name, noMacro),
             QStringLiteral("K224 + K225"));
}

void TestAssignmentTable::positionAllows_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("group"); // the overlay group of the same choice
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("gun, office") << 12 << 8 << 0 << 0 << false;
    QTest::newRow("gun, game") << 12 << 8 << 0 << 1 << true;
    QTest::newRow("macro, last slot") << 9 << 4 << 11 << 0 << true;
    QTest::newRow("macro, no slot") << 9 << 4 << 12 << 1 << false;
    QTest::newRow("media, no slot") << 8 << 3 << 15 << 0 << true;
    QTest::newRow("past the lists") << 13 << 9 << 0 << 1 << false;
}

void TestAssignmentTable::positionAllows()
{
    QFETCH(int, function);
    QFETCH(int, group);
    QFETCH(int, index);
    QFETCH(int, mode);
    QFETCH(bool, allowed);
    QCOMPARE(AssignmentTable::allowedAt(function, index, mode), allowed);
    QCOMPARE(AssignmentTable::groupAllowedAt(group, index, mode), allowed);
}

void TestAssignmentTable::macroEntries()
{
    const struct {
        const char *mode;
        int slot;
        Entry entry;
    } rows[] = {{"once", 0, {4, 0, 0, 0}},
                {"loop-until-press", 5, {4, 1, 5, 0}},
                {"loop-until-release", 11, {4, 2, 11, 0}}};
    for (const auto &row : rows) {
        const int mode = AssignmentTable::playMode(QLatin1String(row.mode));
        QCOMPARE(AssignmentTable::macroEntry(mode, row.slot), row.entry);
        QCOMPARE(AssignmentTable::playModeWord(mode), QLatin1String(row.mode));
        QCOMPARE(AssignmentTable::word(row.entry, QStringLiteral("Burst")),
                 QStringLiteral("macro:Burst"));
        QCOMPARE(AssignmentTable::functionOf(row.entry), 9);
    }
    QCOMPARE(AssignmentTable::playMode(QStringLiteral("loop")), -1);
    QCOMPARE(AssignmentTable::text({4, 1, 3, 0}, QStringLiteral("Burst")),
             QStringLiteral("Macro: Burst (loop-until-press)"));

    AssignmentTable::Choice choice;
    QString error;
    QVERIFY(AssignmentTable::parse(QStringLiteral("MACRO:Burst:2"), {}, false, &choice, &error));
    QVERIFY(choice.isMacro);
    QCOMPARE(choice.macroName, QStringLiteral("Burst:2"));

    // The window names the macro bound to the slot, or the group when none is.
    const QStringList captions = AssignmentTable().captionDefaults();
    const auto name = [](int) { return QString(); };
    QCOMPARE(AssignmentTable::entryText({4, 2, 11, 0}, captions, name,
                                        [](int slot) { return QStringLiteral("M%1").arg(slot); }),
             QStringLiteral("M11"));
    QCOMPARE(AssignmentTable::entryText({4, 2, 11, 0}, captions, name, name),
             QStringLiteral("Macro Function"));
}

void TestAssignmentTable::sceneCalls()
{
    // The scene's calls with JavaScript arrays and functions.
    KestaModel::registerTypes();
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(R"(
import QtQml
import Kesta.Model
QtObject {
    readonly property var results: {
        var name = function (code) { return "K" + code; };
        var caps = AssignmentTable.captionDefaults;
        var groups = AssignmentTable.groups;
        var fns = AssignmentTable.functions;
        var found = AssignmentTable.findChoice([3, 0, 0xE2, 0]);
        return [
            AssignmentTable.entryText([1, 4, 50, 0], caps, name, name),
            AssignmentTable.entryText([1, 4, 50, 3], caps, name, name),
            AssignmentTable.entryText([3, 0, 0xE2, 0], caps, name, name),
            AssignmentTable.comboText(0x81, 4, 0, name),
            found.group + "/" + found.choice + "/" + found.caption,
            AssignmentTable.findChoice([9, 9, 9, 9]) === null,
            AssignmentTable.sameEntry([5, 0, 1, 0], ["5", 0, 1, 0]),
            AssignmentTable.sameEntry([5, 0, 1], [5, 0, 1, 0]),
            AssignmentTable.groupOf([6, 0, 0, 0]) + "," + AssignmentTable.groupOf([0, 0xF0, 0x1E, 2]),
            groups[AssignmentTable.groupIndex("gun")].gameOnly === true
                && groups[AssignmentTable.groupIndex("dpi")].gameOnly === undefined,
            groups[AssignmentTable.groupIndex("dpi")].choices[3].entry.join(","),
            fns[0].entry.join(",") + "|" + (fns[5].entry === undefined) + "|" + fns[5].open,
            fns[12].matrixCaption + "|" + (fns[12].caption === undefined),
            AssignmentTable.functionOf([8, 0, 2, 0]),
            AssignmentTable.playModeCaptions.join(","),
            AssignmentTable.hex(10) + AssignmentTable.hex(0xAB),
            AssignmentTable.allows(9, 12, 1)
        ];
    }
})",
                      QUrl::fromLocalFile(QDir::temp().filePath(QStringLiteral("SceneCalls.qml"))));
    QTRY_VERIFY2(!component.isLoading(), qPrintable(component.errorString()));
    std::unique_ptr<QObject> object(component.create());
    QVERIFY2(object, qPrintable(component.errorString()));
    const QStringList got = object->property("results").toStringList();
    const QStringList want = {
        QStringLiteral("K4 · 50 ms · ∞"), QStringLiteral("K4 · 50 ms · ×3"),
        QStringLiteral("Mute"),           QStringLiteral("K224 + K231 + K4"),
        QStringLiteral("3/4/31"),         QStringLiteral("true"),
        QStringLiteral("true"),           QStringLiteral("false"),
        QStringLiteral("windows,mouse"),  QStringLiteral("true"),
        QStringLiteral("5,0,4,0"),        QStringLiteral("0,0,240,0|true|dpi"),
        QStringLiteral("4|true"),         QStringLiteral("12"),
        QStringLiteral("18,19,20"),       QStringLiteral("0AAB"),
        QStringLiteral("false")};
    QCOMPARE(got, want);
}

QTEST_GUILESS_MAIN(TestAssignmentTable)
#include "tst_assignmenttable.moc"
