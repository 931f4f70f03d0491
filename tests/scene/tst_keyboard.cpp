// Keyboard and wheel on the real window: an overlay keeps Tab inside, closes
// on Escape and gives the focus back to the control that opened it; while a
// key is captured, Escape is captured like any other key; the wheel scrolls
// an open drop-down list, and elsewhere the list under the pointer.
#include "../scenecalls.h"
#include "scenerig.h"

#include "model/macroeditormodel.h"

#include <QElapsedTimer>
#include <QQuickWindow>
#include <QWheelEvent>

#include <algorithm>

namespace {

// An item by object name, also among the items views and repeaters made.
QQuickItem *findNamed(QObject *from, const QString &name)
{
    return qobject_cast<QQuickItem *>(SceneRig::findNamed(from, name));
}

} // namespace

class TstKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void tabStaysInsideTheProfileManager();
    void escapeClosesAndTheOpenerGetsTheFocus_data();
    void escapeClosesAndTheOpenerGetsTheFocus();
    void popupsGiveTheFocusBack_data();
    void popupsGiveTheFocusBack();
    void menuEntryOpensADialog();
    void captureTakesEscape_data();
    void captureTakesEscape();
    void wheelScrollsAnOpenList();
    void wheelElsewhereScrollsTheListUnderThePointer();

private:
    QQuickItem *need(const QString &name) const
    {
        QQuickItem *item = findNamed(m_rig.root(), name);
        if (!item)
            qWarning("no item %s", qPrintable(name));
        return item;
    }
    QQuickItem *focused() const { return m_rig.view()->activeFocusItem(); }
    static bool inside(const QQuickItem *item, const QObject *ancestor)
    {
        for (; item; item = item->parentItem()) {
            if (item == ancestor)
                return true;
        }
        return false;
    }
    static bool shown(const QObject *o) { return o && o->property("visible").toBool(); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_rig.view(), key, modifiers);
    }
    // The hook's view of a key: press and release of a HID usage.
    void capture(int usage)
    {
        SceneRig::call(m_rig.root(), "detectKeyboard", {true, usage});
        SceneRig::call(m_rig.root(), "detectKeyboard", {false, usage});
    }
    static QPoint centre(const QQuickItem *item)
    {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }
    // One notch of a wheel at `at`, a while after the one before.
    void wheel(const QPoint &at, int delta)
    {
        QTest::mouseMove(m_rig.view(), at);
        QTest::qWait(60);
        QWheelEvent event(at, m_rig.view()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        event.setTimestamp(m_clock.elapsed());
        QCoreApplication::sendEvent(m_rig.view(), &event);
    }
    // Picks a function from a button's list with the keyboard, as a user does.
    void chooseFunction(QQuickItem *combo, const QString &text)
    {
        const QVariantList model = combo->property("model").toList();
        int at = -1;
        for (int i = 0; i < model.size(); ++i) {
            if (model.at(i).toMap().value("text").toString().trimmed() == text)
                at = i;
        }
        QVERIFY2(at >= 0, qPrintable(text));
        press(Qt::Key_Space);
        QObject *popup = combo->property("popup").value<QObject *>();
        QTRY_VERIFY(shown(popup));
        for (int i = combo->property("highlightedIndex").toInt(); i < at; ++i)
            press(Qt::Key_Down);
        for (int i = combo->property("highlightedIndex").toInt(); i > at; --i)
            press(Qt::Key_Up);
        QCOMPARE(combo->property("highlightedIndex").toInt(), at);
        press(Qt::Key_Return);
    }

    SceneRig m_rig;
    QElapsedTimer m_clock;
};

void TstKeyboard::initTestCase()
{
    QVERIFY(m_rig.start());
    m_clock.start();
}

void TstKeyboard::cleanupTestCase()
{
    m_rig.stop();
}

// Each test starts on the main page with nothing open.
void TstKeyboard::init()
{
    for (const char *name : {"keyAssign", "macroAssign", "inputAssign", "dpiAssign", "warning",
                             "profileManager", "confirm"})
        SceneRig::call(m_rig.page(QLatin1String(name)), "close");
    SceneRig::call(m_rig.page(QStringLiteral("help")), "close");
    SceneRig::call(m_rig.root(), "showTab", {0});
    QTRY_VERIFY(!m_rig.root()->property("busy").toBool());
}

void TstKeyboard::tabStaysInsideTheProfileManager()
{
    QQuickItem *opener = need(QStringLiteral("configButton"));
    QVERIFY(opener);
    opener->forceActiveFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    QObject *manager = m_rig.page(QStringLiteral("profileManager"));
    QTRY_VERIFY(shown(manager));
    QVERIFY(inside(focused(), manager));

    // Forwards and backwards the focus goes round the overlay's controls,
    // the profile list among them, and never behind the mask.
    for (Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
        QList<QQuickItem *> seen;
        for (int i = 0; i < 24; ++i) {
            press(modifiers ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
            QVERIFY2(inside(focused(), manager),
                     qPrintable(QStringLiteral("Tab %1 reached %2")
                                    .arg(i)
                                    .arg(focused() ? focused()->objectName() : QString())));
            if (!seen.contains(focused()))
                seen << focused();
        }
        QQuickItem *list = need(QStringLiteral("profileEntries"));
        QVERIFY(std::any_of(seen.begin(), seen.end(),
                            [list](QQuickItem *i) { return inside(i, list); }));
        QVERIFY(seen.contains(need(QStringLiteral("renameProfileButton"))));
        QVERIFY(seen.contains(need(QStringLiteral("appProfileClass"))));
        // The list, six controls, the rules' window and profile choices (Add
        // waits for a choice) and the close button.
        QCOMPARE(seen.size(), 10);
    }
    // A question over the manager holds the keyboard until it is answered,
    // then the manager's button that asked has it again.
    QQuickItem *list = need(QStringLiteral("profileEntries"));
    list->forceActiveFocus(Qt::TabFocusReason);
    press(Qt::Key_Down); // a profile not in use: Delete is offered
    QQuickItem *remove = need(QStringLiteral("deleteProfileButton"));
    QTRY_VERIFY(remove->isEnabled());
    remove->forceActiveFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    QObject *confirm = m_rig.page(QStringLiteral("confirm"));
    QTRY_VERIFY(shown(confirm));
    for (int i = 0; i < 4; ++i) {
        press(Qt::Key_Tab);
        QVERIFY(inside(focused(), confirm));
    }
    press(Qt::Key_Escape);
    QVERIFY(!shown(confirm));
    QVERIFY(shown(manager));
    QCOMPARE(focused(), remove);

    QObject *profileBox = need(QStringLiteral("profileList"));
    press(Qt::Key_Escape);
    QVERIFY(!shown(manager));
    QCOMPARE(focused(), opener);
    QVERIFY(!shown(profileBox->property("popup").value<QObject *>()));
}

void TstKeyboard::escapeClosesAndTheOpenerGetsTheFocus_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("function"); // picked from the opener's list; empty: Space
    QTest::addColumn<QString>("overlay");
    // The only left button cannot lose its left click: a warning.
    QTest::newRow("warning") << "keyFunction_0"
                             << "Right Key"
                             << "warning";
    QTest::newRow("macro assignment") << "keyFunction_2"
                                      << "Macro Function"
                                      << "macroAssign";
    QTest::newRow("key assignment") << "keyFunction_2"
                                    << "Media Function"
                                    << "keyAssign";
    QTest::newRow("help menu") << "helpButton" << QString() << "help";
    QTest::newRow("reset question") << "resetButton" << QString() << "resetConfirm";
}

void TstKeyboard::escapeClosesAndTheOpenerGetsTheFocus()
{
    QFETCH(QString, opener);
    QFETCH(QString, function);
    QFETCH(QString, overlay);
    QQuickItem *control = need(opener);
    QVERIFY(control);
    control->forceActiveFocus(Qt::TabFocusReason);
    QTRY_COMPARE(focused(), control);
    if (function.isEmpty())
        press(Qt::Key_Space);
    else
        chooseFunction(control, function);
    QObject *shownOverlay = m_rig.page(overlay);
    QTRY_VERIFY(shown(shownOverlay));
    QTRY_VERIFY(focused() != control);

    press(Qt::Key_Escape);
    QTRY_VERIFY(!shown(shownOverlay));
    QTRY_COMPARE(focused(), control);
    // The ring shows where the keyboard is again.
    QVERIFY(control->property("visualFocus").toBool());
}

void TstKeyboard::popupsGiveTheFocusBack_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("opener");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("popup");
    QTest::newRow("macro library menu") << 2 << "macroTree" << int(Qt::Key_Menu) << "treeMenu";
    QTest::newRow("macro step menu") << 2 << "stepList" << int(Qt::Key_Menu) << "stepMenu";
    QTest::newRow("stage colour") << 0 << "dpiColour1" << int(Qt::Key_Space) << "dpiColourPopup";
}

// Menus and popups take the keyboard while open, close on Escape and give
// the focus back.
void TstKeyboard::popupsGiveTheFocusBack()
{
    QFETCH(int, tab);
    QFETCH(QString, opener);
    QFETCH(int, key);
    QFETCH(QString, popup);
    SceneRig::call(m_rig.root(), "showTab", {tab});
    QTRY_VERIFY(!m_rig.root()->property("busy").toBool());
    QQuickItem *control = need(opener);
    QVERIFY(control);
    control->forceActiveFocus(Qt::TabFocusReason);
    QTRY_COMPARE(focused(), control);
    press(Qt::Key(key));
    QObject *shownPopup = m_rig.item(popup);
    QVERIFY(shownPopup);
    QTRY_VERIFY(shown(shownPopup));
    press(Qt::Key_Tab);
    QVERIFY(shown(shownPopup));
    press(Qt::Key_Escape);
    QTRY_VERIFY(!shown(shownPopup));
    QTRY_COMPARE(focused(), control);
}

// A dialog opened from a menu entry gives the focus back to where the menu
// was opened from, once the entry is gone.
void TstKeyboard::menuEntryOpensADialog()
{
    SceneRig::call(m_rig.root(), "showTab", {2});
    QTRY_VERIFY(!m_rig.root()->property("busy").toBool());
    QQuickItem *tree = need(QStringLiteral("macroTree"));
    tree->forceActiveFocus(Qt::TabFocusReason);
    press(Qt::Key_Menu);
    QObject *menu = m_rig.item(QStringLiteral("treeMenu"));
    QTRY_VERIFY(shown(menu));
    QQuickItem *newMacro = nullptr;
    QVERIFY(QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, newMacro),
                                      Q_ARG(int, 5)));
    QVERIFY(newMacro);
    newMacro->forceActiveFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    QObject *dialog = m_rig.item(QStringLiteral("macroNameDialog"));
    QTRY_VERIFY(shown(dialog));
    QTRY_VERIFY(!shown(menu));
    QVERIFY(inside(focused(), dialog));
    press(Qt::Key_Escape);
    QVERIFY(!shown(dialog));
    QTRY_COMPARE(focused(), tree);
}

void TstKeyboard::captureTakesEscape_data()
{
    QTest::addColumn<QString>("overlay");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("captured"); // the property that holds the key taken
    QTest::newRow("fire key") << "keyAssign"
                              << "keyAssignCancel"
                              << "fireKey";
    QTest::newRow("key combination") << "inputAssign"
                                     << "inputAssignCancel"
                                     << "key1";
    QTest::newRow("insert key") << "keyCaptureDialog"
                                << "keyCancelButton"
                                << "keyCode";
}

void TstKeyboard::captureTakesEscape()
{
    QFETCH(QString, overlay);
    QFETCH(QString, cancel);
    QFETCH(QString, captured);
    QQuickItem *opener = need(QStringLiteral("keyFunction_5"));
    opener->forceActiveFocus(Qt::TabFocusReason);
    QObject *dialog = nullptr;
    if (overlay == QLatin1String("keyAssign")) {
        dialog = m_rig.page(overlay);
        SceneRig::call(dialog, "openFor", {5, QStringLiteral("fire")});
        QVERIFY(dialog->property("waitingForKey").toBool());
    } else if (overlay == QLatin1String("inputAssign")) {
        dialog = m_rig.page(overlay);
        SceneRig::call(dialog, "openFor", {5, QVariantList{2, 0, 0, 0}, QVariant()});
    } else {
        SceneRig::call(m_rig.root(), "showTab", {2});
        QTRY_VERIFY(!m_rig.root()->property("busy").toBool());
        QObject *editor = m_rig.view()->models()->macroEditor();
        QVERIFY(SceneRig::call(editor, "newMacro", {"Keys"}).toBool());
        QVERIFY(SceneRig::call(editor, "selectByNames", {"Keys"}).toBool());
        opener = need(QStringLiteral("stepList"));
        opener->forceActiveFocus(Qt::TabFocusReason);
        SceneRig::call(editor, "askInsertKey");
        dialog = m_rig.item(overlay);
    }
    QVERIFY(shown(dialog));

    // Escape (and Space, Return, Tab) typed into the window operate nothing.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Space, Qt::Key_Return, Qt::Key_Tab}) {
        press(key);
        QVERIFY2(shown(dialog), qPrintable(QTest::toString(key)));
    }
    // The hook hands Escape over like any key.
    capture(0x29);
    QCOMPARE(dialog->property(qPrintable(captured)).toInt(), 0x29);
    press(Qt::Key_Escape); // the window's copy of the same key, late
    QVERIFY(shown(dialog));

    QQuickItem *cancelButton = need(cancel);
    QTest::mouseClick(m_rig.view(), Qt::LeftButton, {}, centre(cancelButton));
    QTRY_VERIFY(!shown(dialog));
    QTRY_COMPARE(focused(), opener);

    // Opened again on a choice that captures nothing, Escape closes it.
    if (overlay == QLatin1String("keyAssign")) {
        SceneRig::call(dialog, "openFor", {5, QStringLiteral("media")});
        QVERIFY(!dialog->property("waitingForKey").toBool());
        press(Qt::Key_Escape);
        QVERIFY(!shown(dialog));
    }
}

void TstKeyboard::wheelScrollsAnOpenList()
{
    QQuickItem *combo = need(QStringLiteral("keyFunction_2"));
    combo->forceActiveFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    QObject *popup = combo->property("popup").value<QObject *>();
    QTRY_VERIFY(shown(popup));
    auto *list = qobject_cast<QQuickItem *>(popup->property("contentItem").value<QObject *>());
    QVERIFY(list);
    QTRY_VERIFY(list->property("contentHeight").toReal() > list->height()); // not all shown
    SceneCalls calls(m_rig.root());

    // Down to the end of the list: its last entry comes into view.
    const QPoint over = centre(list);
    wheel(over, -120);
    QTRY_VERIFY(list->property("contentY").toReal() > 0);
    for (int i = 0; i < 5; ++i)
        wheel(over, -120);
    QTRY_VERIFY(list->property("atYEnd").toBool());
    QVERIFY(shown(popup));
    // And back up.
    for (int i = 0; i < 6; ++i)
        wheel(over, 120);
    QTRY_VERIFY(list->property("atYBeginning").toBool());
    QVERIFY(!calls.names.contains(QStringLiteral("scroll"))); // the scene behind stood still
    press(Qt::Key_Escape);
    QTRY_VERIFY(!shown(popup));
    QCOMPARE(focused(), combo);
}

void TstKeyboard::wheelElsewhereScrollsTheListUnderThePointer()
{
    // More macros than the macro assignment's list shows.
    myQQuickView *view = m_rig.view();
    for (int i = 0; i < 12; ++i) {
        const QString name = QStringLiteral("Wheel%1").arg(i, 2, 10, QLatin1Char('0'));
        view->createMacroIni(name, 0, 0, 0);
    }
    QObject *assign = m_rig.page(QStringLiteral("macroAssign"));
    SceneRig::call(assign, "openFor", {2});
    QVERIFY(shown(assign));
    QQuickItem *list = need(QStringLiteral("macroList"));
    QTRY_VERIFY(list->property("contentHeight").toReal() > list->height());
    SceneCalls calls(m_rig.root());

    wheel(centre(list), -240);
    QTRY_COMPARE(calls.names, QStringList{"scroll"});
    QCOMPARE(calls.values.at(0).toInt(), -2);
    QTRY_VERIFY(list->property("contentY").toReal() > 0);
    wheel(centre(list), 240);
    QTRY_VERIFY(list->property("atYBeginning").toBool());
}

QTEST_MAIN(TstKeyboard)
#include "tst_keyboard.moc"
