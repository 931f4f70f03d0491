// The button side of the main page on the real program: every choice of the
// key-assignment overlay, picked with its controls, reaches the profile file
// and the mouse; fire keys and combinations captured through the input relay;
// the left-button guard; binding a macro sends it to the button's slot.
#include "scenerig.h"

#include <QQuickItem>

namespace {

QObject *findNamed(QObject *from, const QString &name)
{
    return SceneRig::findNamed(from, name);
}

QString listText(const QList<int> &entry)
{
    QStringList parts;
    for (int v : entry)
        parts.append(QString::number(v));
    return parts.join(QStringLiteral(", "));
}

} // namespace

class TstKeyMatrix : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_rig.stop(); }
    void init();

    void choiceReachesFileAndWire_data();
    void choiceReachesFileAndWire();
    void fireKeyCapturedWithRateAndTimes();
    void fireFieldsRestoreOnBadInput_data();
    void fireFieldsRestoreOnBadInput();
    void combinationCapturedThroughInputRelay();
    void leftButtonGuardChangesNothing_data();
    void leftButtonGuardChangesNothing();
    void pictureKeepsSoleLeftHolderClosed();
    void functionListOpensOnTheButtonsFunction_data();
    void functionListOpensOnTheButtonsFunction();
    void macroBindingSendsEncodedMacro_data();
    void macroBindingSendsEncodedMacro();
    void macroOfferedOnlyWithASlot();
    void labelsSkipFixedPositions();

private:
    QObject *find(const QString &name) { return findNamed(m_rig.root(), name); }
    QObject *need(const QString &name)
    {
        QObject *o = find(name);
        if (!o)
            qWarning("no item %s", qPrintable(name));
        return o;
    }
    void click(const QString &name)
    {
        QObject *o = need(name);
        QVERIFY(o);
        QVERIFY(o->property("enabled").toBool());
        QVERIFY(QMetaObject::invokeMethod(o, "clicked"));
    }
    void setMode(int mode)
    {
        SceneRig::call(m_rig.session(), "setMouseMode", {mode, false});
        QCOMPARE(m_rig.root()->property("mouseMode").toInt(), mode);
    }
    void key(bool down, int usage)
    {
        SceneRig::call(m_rig.root(), "detectKeyboard", {down, usage});
    }
    // Layer 1 of the last key matrix sent (553 family: 12H, parameter 1).
    static QByteArray sentLayerOne()
    {
        QByteArray data;
        for (const SceneCommand &c : SceneRig::wireCommands()) {
            if (c.code() == 0x12 && c.param(2) == 1)
                data =
                    QByteArray(reinterpret_cast<const char *>(c.data.data()), int(c.data.size()));
        }
        return data;
    }
    static QList<int> sentEntry(int button)
    {
        // The mouse has buttons 3 and 4 the other way round.
        const int at = button == 3 ? 4 : (button == 4 ? 3 : button);
        const QByteArray data = sentLayerOne();
        QList<int> entry;
        for (int i = 0; i < 4 && 4 * at + i < data.size(); ++i)
            entry.append(uchar(data.at(4 * at + i)));
        return entry;
    }
    bool overlayOpen(const QString &name) { return m_rig.page(name)->property("visible").toBool(); }

    SceneRig m_rig;
};

void TstKeyMatrix::initTestCase()
{
    QVERIFY(m_rig.start());
}

// Each test starts in office mode from the shipped profile, nothing open.
void TstKeyMatrix::init()
{
    for (const char *name : {"keyAssign", "macroAssign", "inputAssign", "dpiAssign", "warning"})
        SceneRig::call(m_rig.page(QLatin1String(name)), "close");
    m_rig.view()->resetProfile(m_rig.root()->property("profileNo").toInt());
    setMode(0);
    SceneRig::call(m_rig.pageState("keyMatrix"), "init", {false, false});
    m_rig.pageState("keyMatrix")->setProperty("isSave", false);
    kvm::clearWireLog();
}

void TstKeyMatrix::choiceReachesFileAndWire_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("caption");
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<QList<int>>("sent");

    using L = QList<int>;
    QTest::newRow("left key") << 0 << 1 << "mouse" << 2 << L{0, 0, 0xF0, 0} << L{1, 0, 0xF0, 0};
    QTest::newRow("middle key") << 0 << 1 << "mouse" << 3 << L{0, 0, 0xF2, 0} << L{1, 0, 0xF2, 0};
    QTest::newRow("right key") << 0 << 8 << "mouse" << 4 << L{0, 0, 0xF1, 0} << L{1, 0, 0xF1, 0};
    QTest::newRow("forward key") << 0 << 1 << "mouse" << 5 << L{0, 0, 0xF4, 0} << L{1, 0, 0xF4, 0};
    QTest::newRow("back key on button 3 arrives as entry 4")
        << 0 << 3 << "mouse" << 6 << L{0, 0, 0xF3, 0} << L{1, 0, 0xF3, 0};
    QTest::newRow("double fire") << 0 << 1 << "mouse" << 7 << L{0, 0xF0, 0x1E, 2}
                                 << L{10, 0xF0, 0x1E, 2};
    QTest::newRow("media player") << 0 << 1 << "media" << 27 << L{3, 0, 0x83, 1}
                                  << L{3, 0, 0x83, 1};
    QTest::newRow("media next") << 0 << 1 << "media" << 28 << L{3, 0, 0xB5, 0} << L{3, 0, 0xB5, 0};
    QTest::newRow("media previous")
        << 0 << 1 << "media" << 29 << L{3, 0, 0xB6, 0} << L{3, 0, 0xB6, 0};
    QTest::newRow("media stop") << 0 << 1 << "media" << 30 << L{3, 0, 0xB7, 0} << L{3, 0, 0xB7, 0};
    QTest::newRow("media mute") << 0 << 1 << "media" << 31 << L{3, 0, 0xE2, 0} << L{3, 0, 0xE2, 0};
    QTest::newRow("media play/pause")
        << 0 << 1 << "media" << 32 << L{3, 0, 0xCD, 0} << L{3, 0, 0xCD, 0};
    QTest::newRow("media volume up")
        << 0 << 1 << "media" << 33 << L{3, 0, 0xE9, 0} << L{3, 0, 0xE9, 0};
    QTest::newRow("media volume down")
        << 0 << 15 << "media" << 34 << L{3, 0, 0xEA, 0} << L{3, 0, 0xEA, 0};
    QTest::newRow("dpi up") << 0 << 1 << "dpi" << 22 << L{5, 0, 1, 0} << L{7, 0, 1, 0};
    QTest::newRow("dpi down") << 0 << 1 << "dpi" << 23 << L{5, 0, 2, 0} << L{7, 0, 2, 0};
    QTest::newRow("dpi loop") << 0 << 1 << "dpi" << 24 << L{5, 0, 3, 0} << L{7, 0, 3, 0};
    QTest::newRow("sniper key (553)") << 0 << 1 << "dpi" << 56 << L{5, 0, 4, 0} << L{7, 0, 4, 1};
    QTest::newRow("my pc is a consumer usage")
        << 0 << 1 << "windows" << 35 << L{6, 0, 0x94, 1} << L{3, 0, 0x94, 1};
    QTest::newRow("homepage is a consumer usage")
        << 0 << 1 << "windows" << 36 << L{6, 0, 0x23, 2} << L{3, 0, 0x23, 2};
    QTest::newRow("search is a consumer usage")
        << 0 << 1 << "windows" << 37 << L{6, 0, 0x21, 2} << L{3, 0, 0x21, 2};
    QTest::newRow("maximise") << 0 << 1 << "windows" << 38 << L{6, 4, 0x2C, 0x1B}
                              << L{0, 4, 0x2C, 0x1B};
    QTest::newRow("minimise") << 0 << 1 << "windows" << 39 << L{6, 4, 0x2C, 0x11}
                              << L{0, 4, 0x2C, 0x11};
    QTest::newRow("desktop") << 0 << 1 << "windows" << 40 << L{6, 0, 0xE3, 0x07}
                             << L{0, 0, 0xE3, 0x07};
    QTest::newRow("run") << 0 << 1 << "windows" << 41 << L{6, 0, 0xE3, 0x15} << L{0, 0, 0xE3, 0x15};
    const int shortcuts[][2] = {{42, 0x11}, {43, 0x1B}, {44, 0x06}, {45, 0x19}, {46, 0x16},
                                {47, 0x13}, {48, 0x09}, {49, 0x1C}, {50, 0x1D}, {51, 0x04}};
    for (const auto &s : shortcuts) {
        QTest::addRow("shortcut %d", s[0])
            << 0 << 1 << "shortcut" << s[0] << L{7, 0, 0xE0, s[1]} << L{0, 0, 0xE0, s[1]};
    }
    // Weapon keys exist in game mode only; the main entry gets b1 0, b2 1, b3 1.
    QTest::newRow("one gun") << 1 << 1 << "gun" << 53 << L{8, 0, 1, 0} << L{8, 0, 1, 1};
    QTest::newRow("two gun") << 1 << 1 << "gun" << 54 << L{8, 0, 2, 0} << L{8, 0, 1, 1};
    QTest::newRow("three gun") << 1 << 12 << "gun" << 55 << L{8, 0, 3, 0} << L{8, 0, 1, 1};
}

void TstKeyMatrix::choiceReachesFileAndWire()
{
    QFETCH(int, mode);
    QFETCH(int, button);
    QFETCH(QString, group);
    QFETCH(int, caption);
    QFETCH(QList<int>, stored);
    QFETCH(QList<int>, sent);

    setMode(mode);
    QObject *overlay = m_rig.page("keyAssign");
    SceneRig::call(overlay, "openFor", {button, QString()});
    QVERIFY(overlayOpen("keyAssign"));
    click(QStringLiteral("keyGroup_") + group);
    click(QStringLiteral("keyChoice_%1").arg(caption));
    click(QStringLiteral("keyAssignOk"));
    QVERIFY(!overlayOpen("keyAssign"));
    QVERIFY(m_rig.page("keyMatrix")->property("isSave").toBool());

    SceneRig::call(m_rig.session(), "saveAll");
    const QString key = QLatin1String(mode == 1 ? "mouseKeyMatrix2/%1" : "mouseKeyMatrix/%1");
    QCOMPARE(m_rig.profileValue(key.arg(button)), listText(stored));
    QCOMPARE(sentEntry(button), sent);
}

void TstKeyMatrix::fireKeyCapturedWithRateAndTimes()
{
    SceneRig::call(m_rig.page("keyAssign"), "openFor", {5, QStringLiteral("fire")});
    // The group waits for a key as soon as it shows.
    key(true, 0x04);
    key(false, 0x04);
    QObject *rate = need(QStringLiteral("fireRate"));
    QObject *times = need(QStringLiteral("fireTimes"));
    rate->setProperty("text", QStringLiteral("25"));
    QMetaObject::invokeMethod(rate, "editingFinished");
    times->setProperty("text", QStringLiteral("255"));
    QMetaObject::invokeMethod(times, "editingFinished");
    click(QStringLiteral("keyAssignOk"));
    SceneRig::call(m_rig.session(), "saveAll");
    QCOMPARE(m_rig.profileValue("mouseKeyMatrix/5"), QStringLiteral("1, 4, 25, 255"));
    QCOMPARE(sentEntry(5), (QList<int>{10, 4, 25, 255}));

    // Endless is a count of 0.
    SceneRig::call(m_rig.page("keyAssign"), "openFor", {5, QString()});
    click(QStringLiteral("fireEndless"));
    click(QStringLiteral("keyAssignOk"));
    SceneRig::call(m_rig.session(), "saveAll");
    QCOMPARE(m_rig.profileValue("mouseKeyMatrix/5"), QStringLiteral("1, 4, 25, 0"));
}

void TstKeyMatrix::fireFieldsRestoreOnBadInput_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("rate 0 is below 1 ms") << "fireRate"
                                          << "0"
                                          << "10";
    QTest::newRow("rate 256 does not fit a byte") << "fireRate"
                                                  << "256"
                                                  << "10";
    QTest::newRow("rate 1 is the least") << "fireRate"
                                         << "1"
                                         << "1";
    QTest::newRow("rate text") << "fireRate"
                               << "fast"
                               << "10";
    QTest::newRow("rate negative") << "fireRate"
                                   << "-5"
                                   << "10";
    QTest::newRow("times 255 is the most") << "fireTimes"
                                           << "255"
                                           << "255";
    QTest::newRow("times 300") << "fireTimes"
                               << "300"
                               << "3";
    QTest::newRow("times fraction") << "fireTimes"
                                    << "2.5"
                                    << "3";
    QTest::newRow("times empty") << "fireTimes"
                                 << ""
                                 << "3";
}

void TstKeyMatrix::fireFieldsRestoreOnBadInput()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    SceneRig::call(m_rig.page("keyAssign"), "openFor", {1, QStringLiteral("fire")});
    key(true, 0x1E);
    key(false, 0x1E);
    QObject *edit = need(field);
    QVERIFY(edit);
    edit->setProperty("text", typed);
    QMetaObject::invokeMethod(edit, "editingFinished");
    QCOMPARE(edit->property("text").toString(), shown);
    click(QStringLiteral("keyAssignOk"));
    SceneRig::call(m_rig.session(), "saveAll");
    const QStringList stored = m_rig.profileValue("mouseKeyMatrix/1").split(QStringLiteral(", "));
    QCOMPARE(stored.value(field == QLatin1String("fireRate") ? 2 : 3), shown);
}

void TstKeyMatrix::combinationCapturedThroughInputRelay()
{
    SceneRig::call(m_rig.page("keyAssign"), "openFor", {2, QStringLiteral("combo")});
    click(QStringLiteral("comboRecord"));
    QVERIFY(overlayOpen("inputAssign"));
    key(true, 0xE0); // LCtrl
    key(true, 0xE5); // RShift
    key(true, 0x06); // C
    key(true, 0x19); // V
    key(true, 0x1B); // X: a third key does not fit
    for (int k : {0x1B, 0x19, 0x06, 0xE5, 0xE0})
        key(false, k);
    QCOMPARE(need(QStringLiteral("inputCombination"))->property("text").toString(),
             QStringLiteral("LCtrl + RShift + C + V"));
    click(QStringLiteral("inputAssignOk"));
    QVERIFY(!overlayOpen("inputAssign"));
    click(QStringLiteral("keyAssignOk"));
    SceneRig::call(m_rig.session(), "saveAll");
    QCOMPARE(m_rig.profileValue("mouseKeyMatrix/2"), QStringLiteral("2, 33, 6, 25"));
    QCOMPARE(sentEntry(2), (QList<int>{0, 0x21, 0x06, 0x19}));
    QCOMPARE(need(QStringLiteral("keyText_2"))->property("text").toString(),
             QStringLiteral("LCtrl + RShift + C + V"));
}

void TstKeyMatrix::leftButtonGuardChangesNothing_data()
{
    QTest::addColumn<int>("function"); // position in the function list
    QTest::newRow("right key") << 1;
    QTest::newRow("middle key") << 2;
    QTest::newRow("forward key") << 3;
    QTest::newRow("back key") << 4;
}

void TstKeyMatrix::leftButtonGuardChangesNothing()
{
    QFETCH(int, function);
    const QString before = m_rig.profileValue("mouseKeyMatrix/0");
    QObject *combo = need(QStringLiteral("keyFunction_0"));
    QVERIFY(combo);
    QVERIFY(QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, function)));
    QVERIFY(overlayOpen("warning"));
    QCOMPARE(need(QStringLiteral("warningText"))->property("text").toString(),
             QStringLiteral("Please keep a key at least for the left button function."));
    QVERIFY(!m_rig.page("keyMatrix")->property("isSave").toBool());
    QCOMPARE(need(QStringLiteral("keyText_0"))->property("text").toString(),
             QStringLiteral("Left Key"));
    SceneRig::call(m_rig.pageState("keyMatrix"), "saveData", {true});
    QCOMPARE(m_rig.profileValue("mouseKeyMatrix/0"), before);
    QCOMPARE(sentEntry(0), (QList<int>{1, 0, 0xF0, 0}));
}

void TstKeyMatrix::pictureKeepsSoleLeftHolderClosed()
{
    // What a click on the picture's button calls.
    SceneRig::call(m_rig.pageState("keyMatrix"), "openAssignment", {0});
    QVERIFY(!overlayOpen("keyAssign"));
    QVERIFY(overlayOpen("warning"));

    // Taking the left click away through the overlay is refused as well.
    SceneRig::call(m_rig.page("warning"), "close");
    SceneRig::call(m_rig.page("keyAssign"), "openFor", {0, QStringLiteral("dpi")});
    click(QStringLiteral("keyChoice_22"));
    click(QStringLiteral("keyAssignOk"));
    QVERIFY(overlayOpen("warning"));
    QVERIFY(!m_rig.page("keyMatrix")->property("isSave").toBool());

    // With a second left button, the first may take another function.
    SceneRig::call(m_rig.page("keyAssign"), "close");
    SceneRig::call(m_rig.page("warning"), "close");
    SceneRig::call(m_rig.page("keyAssign"), "openFor", {1, QStringLiteral("mouse")});
    click(QStringLiteral("keyChoice_2"));
    click(QStringLiteral("keyAssignOk"));
    SceneRig::call(m_rig.pageState("keyMatrix"), "openAssignment", {0});
    QVERIFY(overlayOpen("keyAssign"));
    click(QStringLiteral("keyGroup_dpi"));
    click(QStringLiteral("keyChoice_22"));
    click(QStringLiteral("keyAssignOk"));
    QVERIFY(!overlayOpen("warning"));
    QCOMPARE(need(QStringLiteral("keyText_0"))->property("text").toString(),
             QStringLiteral("DPI+"));
}

void TstKeyMatrix::functionListOpensOnTheButtonsFunction_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("function"); // what the list highlights
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("opens"); // the overlay the keys lead to, if any
    const QList<int> spaceEnter{Qt::Key_Space, Qt::Key_Return};
    // Shipped profile: button 2 middle key, 5 DPI loop, 10 volume up.
    QTest::newRow("middle key: Space, Enter") << 2 << "Middle Key" << spaceEnter << "";
    QTest::newRow("DPI loop: Space, Enter") << 5 << "DPI Function" << spaceEnter << "dpiAssign";
    QTest::newRow("volume up: Space, Enter") << 10 << "Media Function" << spaceEnter << "keyAssign";
    // Down on the closed list moves on from the button's own function.
    QTest::newRow("DPI loop: one Down")
        << 5 << "DPI Function" << QList<int>{Qt::Key_Down} << "keyAssign";
}

// Opening a button's list and confirming it, or one arrow key, never swaps
// the button's function for another: the list starts on its own function.
void TstKeyMatrix::functionListOpensOnTheButtonsFunction()
{
    QFETCH(int, button);
    QFETCH(QString, function);
    QFETCH(QList<int>, keys);
    QFETCH(QString, opens);
    const QString before = m_rig.profileValue(QStringLiteral("mouseKeyMatrix/%1").arg(button));
    QObject *combo = need(QStringLiteral("keyFunction_%1").arg(button));
    QVERIFY(combo);
    const QVariantList model = combo->property("model").toList();
    const int current = combo->property("currentIndex").toInt();
    QCOMPARE(model.value(current).toMap().value("text").toString(), function);

    QVERIFY(QMetaObject::invokeMethod(combo, "forceActiveFocus"));
    QTRY_VERIFY(combo->property("activeFocus").toBool());
    for (int key : keys) {
        QTest::keyClick(m_rig.view(), Qt::Key(key));
        if (key == Qt::Key_Space) {
            QObject *popup = combo->property("popup").value<QObject *>();
            QTRY_VERIFY(popup && popup->property("visible").toBool());
            QCOMPARE(combo->property("highlightedIndex").toInt(), current);
        }
    }
    if (!opens.isEmpty())
        QTRY_VERIFY(overlayOpen(opens));
    for (const char *name : {"keyAssign", "dpiAssign"})
        SceneRig::call(m_rig.page(QLatin1String(name)), "close");
    // Still the button's own function, shown, stored and sent.
    QCOMPARE(model.value(combo->property("currentIndex").toInt()).toMap().value("text").toString(),
             function);
    SceneRig::call(m_rig.pageState("keyMatrix"), "saveData", {true});
    QCOMPARE(m_rig.profileValue(QStringLiteral("mouseKeyMatrix/%1").arg(button)), before);
}

// The program runs on "./modules" (the rig made the folder above it current),
// so a macro in a folder is found through a relative library root.
void TstKeyMatrix::macroBindingSendsEncodedMacro_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::newRow("at the top") << QString() << QStringLiteral("Reload");
    QTest::newRow("in a folder") << QStringLiteral("Games") << QStringLiteral("Burst");
}

void TstKeyMatrix::macroBindingSendsEncodedMacro()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    myQQuickView *view = m_rig.view();
    const QStringList steps{QStringLiteral("1,A"), QStringLiteral("0,50"), QStringLiteral("2,A")};
    const int level = folder.isEmpty() ? 0 : 1;
    view->setMacroSelectName(folder, QString(), QString(), QString(), QString());
    if (level == 1)
        QVERIFY(view->createMacroIni(folder, 0, 0, 1));
    QVERIFY(view->createMacroIni(name, 0, level, 0));
    QVERIFY(view->saveMacroIni(level, name, steps, 2));
    view->setMacroSelectName(QString(), QString(), QString(), QString(), QString());
    const QVariantList encoded = view->encodeMacro(steps, 2);
    QVERIFY(!encoded.isEmpty());

    // Through the function list: "Macro Function" opens the overlay.
    QObject *combo = need(QStringLiteral("keyFunction_2"));
    const QVariantList model = combo->property("model").toList();
    int macroAt = -1;
    for (int i = 0; i < model.size(); ++i) {
        if (model.at(i).toMap().value("text").toString().startsWith(QLatin1String("Macro")))
            macroAt = i;
    }
    QVERIFY(macroAt >= 0);
    QVERIFY(QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, macroAt)));
    QVERIFY(overlayOpen("macroAssign"));
    click(QStringLiteral("macroItem_") + name);
    click(QStringLiteral("macroMode_2"));
    click(QStringLiteral("macroAssignOk"));
    QVERIFY(!overlayOpen("macroAssign"));

    QByteArray sent;
    int macroCommands = 0;
    for (const SceneCommand &c : SceneRig::wireCommands()) {
        if (c.code() != 0x13)
            continue;
        ++macroCommands;
        QCOMPARE(int(c.param(2)), 3); // slot 2 is macro number 3
        sent = QByteArray(reinterpret_cast<const char *>(c.data.data()), int(c.data.size()));
    }
    QCOMPARE(macroCommands, 1);
    for (int i = 0; i < encoded.size(); ++i)
        QCOMPARE(int(uchar(sent.at(i))), encoded.at(i).toInt());
    QCOMPARE(m_rig.profileValue("mouseMacroKey/2"), name);
    QCOMPARE(need(QStringLiteral("keyText_2"))->property("text").toString(), name);

    SceneRig::call(m_rig.session(), "saveAll");
    QCOMPARE(m_rig.profileValue("mouseKeyMatrix/2"), QStringLiteral("4, 2, 2, 0"));
    QCOMPARE(sentEntry(2), (QList<int>{9, 2, 3, 0}));
    const QVariantList bound = SceneRig::call(m_rig.pageState("keyMatrix"), "macroSlots").toList();
    QCOMPARE(bound.size(), 1);
    QCOMPARE(bound.at(0).toMap().value("slot").toInt(), 2);

    // The first button keeps its left click: no macro for it, nothing sent.
    kvm::clearWireLog();
    SceneRig::call(m_rig.page("macroAssign"), "openFor", {0});
    click(QStringLiteral("macroItem_") + name);
    click(QStringLiteral("macroAssignOk"));
    QVERIFY(overlayOpen("warning"));
    QVERIFY(SceneRig::wireCommands().empty());
    QCOMPARE(m_rig.profileValue("mouseMacroKey/0"), QString());

    // Deleting the macro gives button 2 back what it had (middle key).
    SceneRig::call(m_rig.page("warning"), "close");
    SceneRig::call(m_rig.page("macroAssign"), "close");
    SceneRig::call(m_rig.session(), "macroDeleted", {name});
    QCOMPARE(m_rig.profileValue("mouseKeyMatrix/2"), QStringLiteral("0, 0, 242, 0"));
    QCOMPARE(sentEntry(2), (QList<int>{1, 0, 0xF2, 0}));
}

void TstKeyMatrix::macroOfferedOnlyWithASlot()
{
    for (int button : {11, 12, 15}) {
        QObject *combo = need(QStringLiteral("keyFunction_%1").arg(button));
        QVERIFY(combo);
        bool offered = false;
        for (const QVariant &item : combo->property("model").toList())
            offered = offered || item.toMap().value("text").toString().startsWith("Macro");
        QCOMPARE(offered, button < 12);
    }
    // Weapon keys only in game mode.
    auto hasGun = [this] {
        for (const QVariant &item : need("keyFunction_1")->property("model").toList()) {
            if (item.toMap().value("text").toString() == QLatin1String("Gun Editor"))
                return true;
        }
        return false;
    };
    QVERIFY(!hasGun());
    setMode(1);
    QVERIFY(hasGun());
}

void TstKeyMatrix::labelsSkipFixedPositions()
{
    const QStringList labels = m_rig.view()->getButtonLabels();
    QCOMPARE(labels.size(), 16);
    QCOMPARE(labels.at(0), QStringLiteral("①"));
    QCOMPARE(labels.at(5), QStringLiteral("⑥"));
    QVERIFY(labels.at(6).isEmpty());
    QVERIFY(labels.at(7).isEmpty());
    QCOMPARE(labels.at(8), QStringLiteral("⑦"));
    QCOMPARE(labels.at(15), QStringLiteral("⑭"));
    QVERIFY(!find(QStringLiteral("keyRow_6")));
    QVERIFY(!find(QStringLiteral("keyRow_7")));
    QVERIFY(find(QStringLiteral("keyRow_15")));
    QVERIFY(find(QStringLiteral("pictureButton_15")));
    QVERIFY(!find(QStringLiteral("pictureButton_6")));
}

QTEST_MAIN(TstKeyMatrix)
#include "tst_keymatrix.moc"
