// The key matrix model without a window: the left-click rule over edit
// sequences, the stored mode, which macros the buttons of a mode play, the
// page protocol against the virtual mouse (stored file and wire compared
// with the operation the page stands for), a save the full disk refuses,
// and the function lists following every input they are built from.
#include "model/keymatrixmodel.h"
#include "model/recoilmodel.h"

#include "../filesizelimit.h"
#include "modelrig.h"
#include "settings/settingsstore.h"

#include <QSignalSpy>

namespace {

KeyMatrixModel::Entry entryFrom(const QString &text) // "t,b1,b2,b3"
{
    const QStringList items = text.split(QLatin1Char(','));
    return {items.value(0).toInt(), items.value(1).toInt(), items.value(2).toInt(),
            items.value(3).toInt()};
}

// The shipped matrix (both modes hold it), with changes "index=t,b1,b2,b3".
QString shipped(const QStringList &changes = {})
{
    QList<QString> m = {"0,0,240,0", "0,0,241,0", "0,0,242,0", "0,0,243,0",
                        "0,0,244,0", "5,0,3,0",   "5,0,1,0",   "5,0,2,0",
                        "5,0,1,0",   "5,0,2,0",   "3,0,233,0", "3,0,234,0",
                        "3,0,205,0", "3,0,226,0", "255,0,1,0", "255,0,2,0"};
    for (const QString &c : changes) {
        const QStringList parts = c.split(QLatin1Char('='));
        m[parts.at(0).toInt()] = parts.at(1);
    }
    return QLatin1Char('[') + m.join(QLatin1Char(',')) + QLatin1Char(']');
}

// A model on the rig's operations, loaded and in the stored mode, as
// kesta-ctl and the window's first init leave it.
struct LoadedModel {
    explicit LoadedModel(Operations &ops) : periods(ops), model(ops, periods)
    {
        periods.init(false, false);
        model.init(false, false);
        model.initMode(model.storedMode());
    }
    RecoilModel periods;
    KeyMatrixModel model;
};

// "assign I t,b1,b2,b3", "macro I NAME PLAYMODE", "mode M"; the last result.
bool applyEdits(KeyMatrixModel &model, const QStringList &edits)
{
    bool accepted = true;
    for (const QString &edit : edits) {
        const QStringList w = edit.split(QLatin1Char(' '));
        if (w.first() == QLatin1String("assign"))
            accepted = model.assignEntry(w.at(1).toInt(), entryFrom(w.at(2)));
        else if (w.first() == QLatin1String("macro"))
            accepted = model.bindMacroUnsent(w.at(1).toInt(), w.at(2), w.at(3).toInt());
        else
            model.initMode(w.at(1).toInt());
    }
    return accepted;
}

} // namespace

class TestKeyMatrixModel : public QObject
{
    Q_OBJECT

private slots:
    void leftClickRule_data();
    void leftClickRule();
    void storedMode_data();
    void storedMode();
    void boundMacros_data();
    void boundMacros();
    void storesAndSendsAsTheOperations_data();
    void storesAndSendsAsTheOperations();
    void nothingSentWhenTheFileIsNotWritten();
    void functionListsFollowTheirInputs_data();
    void functionListsFollowTheirInputs();
};

void TestKeyMatrixModel::leftClickRule_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<bool>("lastAccepted");
    QTest::addColumn<int>("kept"); // how often leftButtonKept was emitted

    QTest::newRow("first button takes the right click")
        << QStringList{} << QStringList{"assign 0 0,0,241,0"} << false << 1;
    QTest::newRow("first button takes a macro")
        << QStringList{} << QStringList{"macro 0 Burst 0"} << false << 1;
    QTest::newRow("sole holder takes a key")
        << QStringList{} << QStringList{"assign 0 3,0,226,0"} << false << 1;
    QTest::newRow("first button takes a key once another holds the left click")
        << QStringList{} << QStringList{"assign 1 0,0,240,0", "assign 0 3,0,226,0"} << true << 0;
    QTest::newRow("second holder gives the left click up")
        << QStringList{} << QStringList{"assign 1 0,0,240,0", "assign 1 3,0,226,0"} << true << 0;
    QTest::newRow("first button still takes no other mouse button with a second holder")
        << QStringList{} << QStringList{"assign 1 0,0,240,0", "assign 0 0,0,244,0"} << false << 1;
    QTest::newRow("a fixed position holding the left click does not count")
        << QStringList{R"(setDataList|"mouseKeyMatrix/6"|[0,0,240,0])"}
        << QStringList{"assign 0 3,0,226,0"} << false << 1;
    QTest::newRow("a fixed position cannot be assigned")
        << QStringList{} << QStringList{"assign 6 3,0,226,0"} << false << 0;
    QTest::newRow("the rule applies to the game matrix in game mode")
        << QStringList{R"(setData|"mouse/mouseMode"|1)",
                       R"(setDataList|"mouseKeyMatrix/1"|[0,0,240,0])"}
        << QStringList{"assign 0 3,0,226,0"} << false << 1;
    QTest::newRow("a macro on a button without a slot")
        << QStringList{} << QStringList{"macro 12 Burst 0"} << false << 0;
}

void TestKeyMatrixModel::leftClickRule()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, edits);
    QFETCH(bool, lastAccepted);
    QFETCH(int, kept);

    ModelRig rig;
    QVERIFY(rig.open());
    for (const QString &step : setup)
        QVERIFY2(rig.call(step), qPrintable(step));
    LoadedModel loaded(*rig.ops);
    QSignalSpy keptSpy(&loaded.model, &KeyMatrixModel::leftButtonKept);
    const KeyMatrixModel::Matrix before = loaded.model.matrix(loaded.model.mode());
    const int last = int(edits.size()) - 1;
    QVERIFY(applyEdits(loaded.model, edits.mid(0, last)));
    QCOMPARE(applyEdits(loaded.model, edits.mid(last)), lastAccepted);
    QCOMPARE(keptSpy.count(), kept);
    if (edits.size() == 1 && !lastAccepted)
        QVERIFY(loaded.model.matrix(loaded.model.mode()) == before);
}

void TestKeyMatrixModel::storedMode_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("mode");

    QTest::newRow("0 office") << QVariant(QStringLiteral("0")) << 0;
    QTest::newRow("1 game") << QVariant(QStringLiteral("1")) << 1;
    QTest::newRow("2 is not office, the game matrix is sent") << QVariant(QStringLiteral("2")) << 1;
    QTest::newRow("blanks around the number") << QVariant(QStringLiteral(" 1 ")) << 1;
    QTest::newRow("not a number is office") << QVariant(QStringLiteral("x")) << 0;
    QTest::newRow("missing is office") << QVariant() << 0;
}

void TestKeyMatrixModel::storedMode()
{
    QFETCH(QVariant, stored);
    QFETCH(int, mode);
    QCOMPARE(KeyMatrixModel::modeOf(stored), mode);
}

void TestKeyMatrixModel::boundMacros_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("office"); // "slot=name"
    QTest::addColumn<QStringList>("game");

    const QString burstOn5 = QStringLiteral(R"(setDataList|"mouseKeyMatrix/5"|[4,0,5,0])");
    const QString named5 = QStringLiteral(R"(setData|"mouseMacroKey/5"|"Burst")");
    QTest::newRow("a binding of the office matrix")
        << QStringList{burstOn5, named5} << QStringList{"5=Burst"} << QStringList{};
    QTest::newRow("the game matrix reads its own names")
        << QStringList{R"(setDataList|"mouseKeyMatrix2/5"|[4,2,5,0])", named5,
                       R"(setData|"mouseMacroKey2/5"|"Spray")"}
        << QStringList{} << QStringList{"5=Spray"};
    QTest::newRow("two buttons on one slot give one binding")
        << QStringList{burstOn5, R"(setDataList|"mouseKeyMatrix/4"|[4,1,5,0])", named5}
        << QStringList{"5=Burst"} << QStringList{};
    QTest::newRow("slot 11 is the last")
        << QStringList{R"(setDataList|"mouseKeyMatrix/13"|[4,0,11,0])",
                       R"(setDataList|"mouseKeyMatrix/12"|[4,0,12,0])",
                       R"(setData|"mouseMacroKey/11"|"Last")",
                       R"(setData|"mouseMacroKey/12"|"Past")"}
        << QStringList{"11=Last"} << QStringList{};
    QTest::newRow("a binding without a name plays nothing")
        << QStringList{burstOn5} << QStringList{} << QStringList{};
}

void TestKeyMatrixModel::boundMacros()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, office);
    QFETCH(QStringList, game);

    ModelRig rig;
    QVERIFY(rig.open());
    for (const QString &step : setup)
        QVERIFY2(rig.call(step), qPrintable(step));
    LoadedModel loaded(*rig.ops);
    const QStringList expected[2] = {office, game};
    for (int mode = 0; mode < 2; ++mode) {
        QStringList found;
        for (const KeyMatrixModel::Binding &b : loaded.model.boundMacros(mode))
            found.append(QString::number(b.slot) + QLatin1Char('=') + b.name);
        QCOMPARE(found, expected[mode]);
    }
    // The scene's list is the same one, for the mode shown.
    QCOMPARE(loaded.model.macroSlots().size(), office.size());
}

void TestKeyMatrixModel::storesAndSendsAsTheOperations_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("reference");

    auto keyMatrix = [](int mode, const QStringList &office, const QStringList &game) {
        // The weapons in the three recoil slots have the period 10.
        return QStringLiteral("mouseSetKeyMatrix|%1|%2|%3|true|[10,10,10]")
            .arg(mode)
            .arg(shipped(office), shipped(game));
    };
    QTest::newRow("office button 4 mutes") << QStringList{} << QStringList{"assign 3 3,0,226,0"}
                                           << QStringList{keyMatrix(0, {"3=3,0,226,0"}, {})};
    QTest::newRow("stored game mode edits and sends the game matrix")
        << QStringList{R"(setData|"mouse/mouseMode"|1)"} << QStringList{"assign 4 8,0,3,0"}
        << QStringList{keyMatrix(1, {}, {"4=8,0,3,0"})};
    QTest::newRow("stored mode 2 is stored back as game mode")
        << QStringList{R"(setData|"mouse/mouseMode"|2)"} << QStringList{"assign 4 3,0,226,0"}
        << QStringList{keyMatrix(1, {}, {"4=3,0,226,0"})};
    QTest::newRow("both matrices edited, office in use")
        << QStringList{} << QStringList{"mode 1", "assign 9 3,0,205,0", "mode 0"}
        << QStringList{keyMatrix(0, {}, {"9=3,0,205,0"})};
    QTest::newRow("a macro binding is stored with the matrix, sent apart")
        << QStringList{} << QStringList{"macro 5 Burst 2"}
        << QStringList{R"(setData|"mouseMacroKey/5"|"Burst")", keyMatrix(0, {"5=4,2,5,0"}, {})};
    // 482 would reach the mouse as 226 (mute): the shipped entry is used.
    QTest::newRow("a stored entry beyond a byte is the defaults' entry")
        << QStringList{R"(setDataList|"mouseKeyMatrix/3"|["3","0","482","0"])"} << QStringList{}
        << QStringList{keyMatrix(0, {}, {})};
}

void TestKeyMatrixModel::storesAndSendsAsTheOperations()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, reference);
    compareWithOperations(
        setup,
        [&](Operations &ops) {
            RecoilModel periods(ops);
            periods.init(false, false);
            KeyMatrixModel model(ops, periods);
            QVERIFY(!model.saveData(true)); // placeholders are never stored or sent
            QVERIFY(sentToMouse().isEmpty());
            model.init(false, false);
            model.initMode(model.storedMode());
            QVERIFY(applyEdits(model, edits));
            // The two halves one after the other send what saveData sends.
            QVERIFY(model.storeData());
            model.sendData();
        },
        reference);
}

void TestKeyMatrixModel::nothingSentWhenTheFileIsNotWritten()
{
    ModelRig rig;
    QVERIFY(rig.open());
    LoadedModel loaded(*rig.ops);
    const QString profile = rig.ops->settings()->currentProfile()->fileName();
    const QByteArray before = rig.files().value(profile.mid(rig.modules().size()));
    QVERIFY(!before.isEmpty());
    QVERIFY(loaded.model.assignEntry(3, {3, 0, 226, 0}));
    kvm::clearWireLog();
    {
        FileSizeLimit full(16);
        QVERIFY(full.active());
        QVERIFY(!loaded.model.saveData(true));
    }
    QVERIFY(sentToMouse().isEmpty());
    QCOMPARE(rig.files().value(profile.mid(rig.modules().size())), before);
    // The edit is kept, and stored and sent once the disk takes it again.
    QCOMPARE(loaded.model.entryOf(3), (QVariantList{3, 0, 226, 0}));
    QVERIFY(loaded.model.saveData(true));
    QVERIFY(!sentToMouse().isEmpty());
    QVERIFY(rig.files().value(profile.mid(rig.modules().size())) != before);
}

void TestKeyMatrixModel::functionListsFollowTheirInputs_data()
{
    // applyEdits' words, and "count N", "captions|loaded|matrix I TEXT" for
    // the scene's texts.
    QTest::addColumn<QStringList>("edits");

    QTest::newRow("nothing changed") << QStringList{};
    QTest::newRow("a button changed") << QStringList{"assign 3 3,0,226,0"};
    QTest::newRow("game mode lists the weapon keys") << QStringList{"mode 1"};
    QTest::newRow("back to office after an edit in game mode")
        << QStringList{"mode 1", "assign 4 8,0,3,0", "mode 0"};
    QTest::newRow("a macro bound, then the same button a key")
        << QStringList{"macro 5 Burst 0", "assign 5 3,0,226,0"};
    QTest::newRow("fewer buttons shown") << QStringList{"count 5"};
    QTest::newRow("translated function names") << QStringList{"loaded 3 Stumm", "matrix 0 Links"};
    // The fixed positions show their entry's own text, which the captions name.
    QTest::newRow("translated captions") << QStringList{"captions 0 Taste", "captions 1 Keine"};
}

void TestKeyMatrixModel::functionListsFollowTheirInputs()
{
    QFETCH(QStringList, edits);

    auto setText = [](QStringList texts, const QStringList &w) {
        const int at = w.at(1).toInt();
        while (texts.size() <= at)
            texts.append(QString());
        texts[at] = w.at(2);
        return texts;
    };
    auto apply = [&](KeyMatrixModel &model, const QString &edit) {
        const QStringList w = edit.split(QLatin1Char(' '));
        if (w.first() == QLatin1String("count"))
            model.setKeyCount(w.at(1).toInt());
        else if (w.first() == QLatin1String("captions"))
            model.setCaptions(setText(model.captions(), w));
        else if (w.first() == QLatin1String("loaded"))
            model.setLoadedCaptions(setText(model.loadedCaptions(), w));
        else if (w.first() == QLatin1String("matrix"))
            model.setMatrixStrings(setText(model.matrixStrings(), w));
        else
            QVERIFY(applyEdits(model, {edit}));
    };

    ModelRig rig;
    QVERIFY(rig.open());
    LoadedModel read(*rig.ops);
    QSignalSpy listsSpy(&read.model, &KeyMatrixModel::functionListsChanged);
    QSignalSpy textsSpy(&read.model, &KeyMatrixModel::textsChanged);
    QVariantList models = read.model.functionModels();
    QStringList captions = read.model.functionCaptions();
    QCOMPARE(models.size(), 16);
    // Read after every edit, as the page does: what is read last must be
    // what a model that never read before gives, and every list that
    // changed must have been announced.
    for (const QString &edit : edits) {
        const int listsBefore = int(listsSpy.count());
        const int textsBefore = int(textsSpy.count());
        apply(read.model, edit);
        const QVariantList nowModels = read.model.functionModels();
        const QStringList nowCaptions = read.model.functionCaptions();
        read.model.functionIndexes();
        if (nowModels != models)
            QVERIFY2(listsSpy.count() > listsBefore, qPrintable(edit));
        if (nowCaptions != captions)
            QVERIFY2(textsSpy.count() > textsBefore, qPrintable(edit));
        models = nowModels;
        captions = nowCaptions;
    }
    LoadedModel fresh(*rig.ops);
    for (const QString &edit : edits)
        apply(fresh.model, edit);

    QCOMPARE(read.model.functionModels(), fresh.model.functionModels());
    QCOMPARE(read.model.functionIndexes(), fresh.model.functionIndexes());
    QCOMPARE(read.model.functionCaptions(), fresh.model.functionCaptions());
    QCOMPARE(read.model.functionTexts(), fresh.model.functionTexts());
    for (int j = 0; j < 16; ++j) {
        QCOMPARE(read.model.functionModel(j), fresh.model.functionModels().at(j).toList());
        QCOMPARE(read.model.functionIndex(j), fresh.model.functionIndexes().at(j).toInt());
        QCOMPARE(read.model.functionCaption(j), fresh.model.functionCaptions().at(j));
    }
}

QTEST_GUILESS_MAIN(TestKeyMatrixModel)
#include "tst_keymatrixmodel.moc"
