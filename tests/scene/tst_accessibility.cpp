// What a screen reader finds in the real scene: every control shown on a
// page or overlay is in the accessibility tree with a role that says what it
// is and a name of its own within its panel; tabs tell which one is shown;
// the DPI sliders speak DPI; the macro tree and step list are a tree and a
// list with their items; tooltips and names follow the scene's theme and
// language.
#include "contrast.h"
#include "scenerig.h"

#include "macro/macrolibrary.h"
#include "model/dpimodel.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "view/operations.h"

#include <QAccessible>
#include <QQmlContext>
#include <QQmlExpression>

#include <functional>

namespace {

// One node of the tree as a screen reader gets it.
struct Node {
    QAccessibleInterface *iface;
    QAccessibleInterface *group; // the nearest panel, overlay, list or tree
};

bool isGroup(QAccessible::Role role)
{
    return role == QAccessible::Grouping || role == QAccessible::Dialog ||
           role == QAccessible::PageTabList || role == QAccessible::List ||
           role == QAccessible::Tree || role == QAccessible::PopupMenu;
}

void walk(QAccessibleInterface *iface, QAccessibleInterface *group, QList<Node> &out, int depth = 0)
{
    if (!iface || !iface->isValid() || depth > 64 || iface->state().invisible)
        return;
    out.append(Node{iface, group});
    const QAccessibleInterface *inner = isGroup(iface->role()) ? iface : group;
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), const_cast<QAccessibleInterface *>(inner), out, depth + 1);
}

// The role a control of this kind must report.
QAccessible::Role expectedRole(const QQuickItem *item)
{
    if (item->inherits("QQuickCheckBox"))
        return QAccessible::CheckBox;
    if (item->inherits("QQuickRadioButton"))
        return QAccessible::RadioButton;
    if (item->inherits("QQuickSlider"))
        return QAccessible::Slider;
    if (item->inherits("QQuickComboBox"))
        return QAccessible::ComboBox;
    if (item->inherits("QQuickTextField"))
        return QAccessible::EditableText;
    if (item->inherits("QQuickMenuItem"))
        return QAccessible::MenuItem;
    if (item->inherits("QQuickItemDelegate"))
        return QAccessible::ListItem;
    if (item->objectName().startsWith(QLatin1String("tab")))
        return QAccessible::PageTab;
    // A button that stays down (a mode, a preset) is a toggle.
    return item->property("checkable").toBool() ? QAccessible::CheckBox : QAccessible::Button;
}

// The name a screen reader gets. Without a platform bridge (offscreen) Qt
// does not copy a control's own text into its accessible name, as it does
// while a screen reader runs: read that text where no name was given.
QString spokenName(QAccessibleInterface *iface, const QQuickItem *item)
{
    const QString name = iface->text(QAccessible::Name).trimmed();
    if (!name.isEmpty())
        return name;
    const char *own = item->inherits("QQuickAbstractButton") ? "text"
                      : item->inherits("QQuickComboBox")     ? "displayText"
                      : item->inherits("QQuickTextField")    ? "placeholderText"
                                                             : nullptr;
    return own ? item->property(own).toString().trimmed() : QString();
}

bool isControl(const QQuickItem *item)
{
    return item->inherits("QQuickAbstractButton") || item->inherits("QQuickSlider") ||
           item->inherits("QQuickComboBox") || item->inherits("QQuickTextField");
}

// Every control the user can see, in the visual tree under `item`.
void shownControls(QQuickItem *item, QList<QQuickItem *> &out)
{
    if (!item->isVisible() || item->opacity() <= 0.0)
        return;
    if (isControl(item) && item->width() > 0 && item->height() > 0)
        out.append(item);
    for (QQuickItem *child : item->childItems())
        shownControls(child, out);
}

QString describe(QObject *o)
{
    QString path;
    for (; o; o = o->parent()) {
        if (!o->objectName().isEmpty())
            return o->objectName() + path;
        path = QLatin1Char('<') + QLatin1String(o->metaObject()->className()) + QLatin1Char('>') +
               path;
    }
    return path;
}

} // namespace

class TstAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_rig.stop(); }
    void everyControlNamed_data();
    void everyControlNamed();
    void tabsTellTheShownPage();
    void stagesSpeakDpiAndColour();
    void macroTreeAndSteps();
    void tooltipsThemed();
    void namesFollowTheLanguage();

private:
    // The offscreen platform has no accessibility bridge, so isActive() stays
    // false and controls made later (loaders, delegates) skip what they do
    // when a screen reader is running. Telling every control that one is now
    // running gives the tree a session with a screen reader has.
    QList<Node> tree() const
    {
        QAccessible::setActive(true);
        QList<Node> nodes;
        walk(QAccessible::queryAccessibleInterface(m_rig.view()), nullptr, nodes);
        return nodes;
    }
    const Node *find(const QList<Node> &nodes, const QString &objectName) const
    {
        for (const Node &n : nodes) {
            if (n.iface->object() && n.iface->object()->objectName() == objectName)
                return &n;
        }
        return nullptr;
    }
    void closeOverlays()
    {
        for (const char *name : {"keyAssign", "macroAssign", "inputAssign", "dpiAssign", "recoil",
                                 "profileManager", "warning", "confirm", "resetConfirm"}) {
            if (QObject *overlay = m_rig.page(QLatin1String(name)))
                SceneRig::call(overlay, "close");
        }
    }
    // A small library with a macro of key, button and delay steps selected.
    void showLibrary();

    SceneRig m_rig;
};

void TstAccessibility::initTestCase()
{
    QAccessible::setActive(true);
    SceneRig::FileValues values;
    values["setting/apConfig.bin"]["mouse/isColorful"] = true;
    values["setting/apConfig.bin"]["mouse/isGun"] = true;
    QVERIFY(m_rig.start(values));
}

void TstAccessibility::showLibrary()
{
    SceneRig::call(m_rig.root(), "showTab", {2});
    QObject *editor = m_rig.view()->models()->macroEditor();
    if (!m_rig.view()->operations()->macros()->getMacroNames().contains(QStringLiteral("Burst"))) {
        SceneRig::call(editor, "newFolder", {QStringLiteral("Rifles")});
        SceneRig::call(editor, "clearSelection");
        SceneRig::call(editor, "newMacro", {QStringLiteral("Burst")});
        m_rig.view()->operations()->macros()->saveMacroIni(
            0, QStringLiteral("Burst"), {"1,A", "0,50", "2,A", "3,MS-L", "0,30", "4,MS-L"}, 1);
    }
    SceneRig::call(editor, "selectByNames", {QStringLiteral("Burst")});
}

void TstAccessibility::everyControlNamed_data()
{
    QTest::addColumn<std::function<void(TstAccessibility *)>>("show");
    using Show = std::function<void(TstAccessibility *)>;
    const auto overlay = [](const char *name, QVariantList args = {},
                            const char *function = "open") -> Show {
        return [=](TstAccessibility *t) {
            SceneRig::call(t->m_rig.root(), "showTab", {0});
            SceneRig::call(t->m_rig.page(QLatin1String(name)), function, args);
        };
    };
    QTest::newRow("main page") << Show(
        [](TstAccessibility *t) { SceneRig::call(t->m_rig.root(), "showTab", {0}); });
    QTest::newRow("lighting") << Show(
        [](TstAccessibility *t) { SceneRig::call(t->m_rig.root(), "showTab", {1}); });
    QTest::newRow("settings and macros") << Show([](TstAccessibility *t) { t->showLibrary(); });
    QTest::newRow("DPI colour picker") << Show([](TstAccessibility *t) {
        SceneRig::call(t->m_rig.root(), "showTab", {0});
        const QList<Node> nodes = t->tree();
        const Node *block = t->find(nodes, QStringLiteral("dpiColour1"));
        QVERIFY(block);
        QMetaObject::invokeMethod(block->iface->object(), "clicked");
    });
    QTest::newRow("key assignment") << overlay("keyAssign", {3, QString()}, "openFor");
    QTest::newRow("macro assignment") << overlay("macroAssign", {2}, "openFor");
    QTest::newRow("key combination")
        << overlay("inputAssign", {4, QVariant(QVariantList{2, 1, 6, 0}), QVariant()}, "openFor");
    QTest::newRow("DPI assignment") << overlay("dpiAssign", {5}, "openFor");
    QTest::newRow("recoil editor") << overlay("recoil");
    QTest::newRow("profile manager") << overlay("profileManager");
    QTest::newRow("reset confirmation") << overlay("resetConfirm");
}

void TstAccessibility::everyControlNamed()
{
    QFETCH(std::function<void(TstAccessibility *)>, show);
    closeOverlays();
    show(this);
    QTest::qWait(50);

    const QList<Node> nodes = tree();
    QHash<QObject *, const Node *> reached;
    for (const Node &n : nodes)
        reached.insert(n.iface->object(), &n);

    QList<QQuickItem *> controls;
    shownControls(m_rig.view()->contentItem(), controls);
    QVERIFY(controls.size() > 5);

    // Every fault at once: one missing name rarely comes alone.
    QStringList faults;
    QHash<QAccessibleInterface *, QHash<QString, QString>> namesInGroup;
    for (QQuickItem *item : controls) {
        const QString what = describe(item);
        const Node *node = reached.value(item);
        if (!node) {
            faults << what + " is not in the accessibility tree";
            continue;
        }
        const QString name = spokenName(node->iface, item);
        if (name.isEmpty())
            faults << what + " has no name";
        if (node->iface->role() != expectedRole(item))
            faults << QStringLiteral("%1 (%2): role %3, expected %4")
                          .arg(what, name)
                          .arg(node->iface->role())
                          .arg(expectedRole(item));
        QHash<QString, QString> &names = namesInGroup[node->group];
        if (!name.isEmpty() && names.contains(name))
            faults << QStringLiteral("\"%1\" names both %2 and %3 in %4")
                          .arg(name, names.value(name), what,
                               node->group ? node->group->text(QAccessible::Name)
                                           : QStringLiteral("the window"));
        names.insert(name, what);
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String("\n  "))));
    closeOverlays();
}

void TstAccessibility::tabsTellTheShownPage()
{
    closeOverlays();
    for (int shown : {0, 2}) {
        SceneRig::call(m_rig.root(), "showTab", {shown});
        const QList<Node> nodes = tree();
        for (int tab : {0, 2}) {
            const Node *node = find(nodes, QStringLiteral("tab%1").arg(tab));
            QVERIFY(node);
            QCOMPARE(node->iface->role(), QAccessible::PageTab);
            QCOMPARE(node->group->role(), QAccessible::PageTabList);
            const QAccessible::State state = node->iface->state();
            QVERIFY(state.checkable);
            QCOMPARE(bool(state.checked), tab == shown);
            QCOMPARE(bool(state.selected), tab == shown);
        }
    }
}

void TstAccessibility::stagesSpeakDpiAndColour()
{
    closeOverlays();
    SceneRig::call(m_rig.root(), "showTab", {0});
    QObject *dpi = m_rig.view()->models()->dpi();
    SceneRig::call(dpi, "setColour", {1, QStringLiteral("#00c000")});
    const QVariantList values = dpi->property("values").toList();
    QVERIFY(values.size() >= 3);

    QList<Node> nodes = tree();
    const Node *slider = find(nodes, QStringLiteral("dpiSlider2"));
    QVERIFY(slider);
    QCOMPARE(slider->iface->text(QAccessible::Name),
             QStringLiteral("Stage 3: %1 DPI").arg(values.at(2).toInt()));
    const Node *colour = find(nodes, QStringLiteral("dpiColour1"));
    QVERIFY(colour);
    QCOMPARE(colour->iface->text(QAccessible::Name), QStringLiteral("Stage 2 colour: green"));

    // The name follows the value the keys set.
    SceneRig::call(dpi, "stepStage", {2, 1});
    const int moved = dpi->property("values").toList().at(2).toInt();
    QVERIFY(moved != values.at(2).toInt());
    QCOMPARE(slider->iface->text(QAccessible::Name), QStringLiteral("Stage 3: %1 DPI").arg(moved));

    // The function lists say whose function they show.
    const Node *list = find(nodes, QStringLiteral("keyFunction_0"));
    QVERIFY(list);
    QVERIFY2(list->iface->text(QAccessible::Name).startsWith(QLatin1String("Button 1: ")),
             qPrintable(list->iface->text(QAccessible::Name)));
}

void TstAccessibility::macroTreeAndSteps()
{
    closeOverlays();
    showLibrary();
    const QList<Node> nodes = tree();

    const Node *tree = find(nodes, QStringLiteral("macroTree"));
    QVERIFY(tree);
    QCOMPARE(tree->iface->role(), QAccessible::Tree);
    QStringList items;
    QStringList selected;
    for (const Node &n : nodes) {
        if (n.group == tree->iface && n.iface->role() == QAccessible::TreeItem) {
            items << n.iface->text(QAccessible::Name);
            if (n.iface->state().selected)
                selected << n.iface->text(QAccessible::Name);
        }
    }
    QVERIFY2(items.contains(QStringLiteral("Rifles")) && items.contains(QStringLiteral("Burst")),
             qPrintable(items.join(", ")));
    QCOMPARE(selected, QStringList{QStringLiteral("Burst")});

    const Node *steps = find(nodes, QStringLiteral("stepList"));
    QVERIFY(steps);
    QCOMPARE(steps->iface->role(), QAccessible::List);
    QStringList stepNames;
    for (const Node &n : nodes) {
        if (n.group == steps->iface && n.iface->role() == QAccessible::ListItem)
            stepNames << n.iface->text(QAccessible::Name);
    }
    QCOMPARE(stepNames, (QStringList{"Step 1: A pressed", "Step 2: delay of 50 ms",
                                     "Step 3: A released", "Step 4: MS-L pressed",
                                     "Step 5: delay of 30 ms", "Step 6: MS-L released"}));

    // The two Delete buttons and the Times field say what they are for.
    for (const auto &[object, name] :
         {std::pair{"deleteMacroButton", "Delete macro or folder"},
          std::pair{"deleteStepButton", "Delete step"}, std::pair{"repeatField", "Times"}}) {
        const Node *node = find(nodes, QLatin1String(object));
        QVERIFY2(node, object);
        QCOMPARE(node->iface->text(QAccessible::Name), QLatin1String(name));
    }
}

void TstAccessibility::tooltipsThemed()
{
    // The help button's tooltip, as the pointer resting on it shows it:
    // drawn in the scene's colours, not the style's light ones.
    closeOverlays();
    const Node *help = find(tree(), QStringLiteral("helpButton"));
    QVERIFY(help);
    auto *button = qobject_cast<QQuickItem *>(help->iface->object());
    auto *label = button->property("contentItem").value<QQuickItem *>();
    QVERIFY(label);
    // Evaluated where the button is defined, which imports the controls.
    QQmlExpression show(qmlContext(label), button,
                        QStringLiteral("ToolTip.show(\"Help\"), ToolTip.toolTip"));
    auto *tip = show.evaluate().value<QObject *>();
    QVERIFY2(tip, qPrintable(show.error().toString()));
    QTRY_VERIFY(tip->property("opened").toBool());
    auto *background = tip->property("background").value<QQuickItem *>();
    auto *text = tip->property("contentItem").value<QQuickItem *>();
    QVERIFY(background && text);
    const QColor base = background->property("color").value<QColor>();
    const QColor ink = text->property("color").value<QColor>();
    QMetaObject::invokeMethod(tip, "close");
    QVERIFY2(relativeLuminance(base) < 0.05, qPrintable(base.name()));
    QVERIFY2(contrast(ink, base) >= 4.5, qPrintable(ink.name() + " on " + base.name()));
}

void TstAccessibility::namesFollowTheLanguage()
{
    closeOverlays();
    SceneRig::call(m_rig.root(), "showTab", {0});
    SceneRig::call(m_rig.view()->models()->dpi(), "setColour", {1, QStringLiteral("#00c000")});
    const QStringList languages = m_rig.language()->property("names").toStringList();
    SceneRig::call(m_rig.language(), "change", {int(languages.indexOf(QStringLiteral("German")))});
    const QList<Node> nodes = tree();
    const Node *list = find(nodes, QStringLiteral("keyFunction_0"));
    const Node *colour = find(nodes, QStringLiteral("dpiColour1"));
    QVERIFY(list && colour);
    const QString listName = list->iface->text(QAccessible::Name);
    const QString colourName = colour->iface->text(QAccessible::Name);
    SceneRig::call(m_rig.language(), "change", {int(languages.indexOf(QStringLiteral("English")))});
    QVERIFY2(listName.startsWith(QLatin1String("Taste 1: ")), qPrintable(listName));
    QCOMPARE(colourName, QStringLiteral("Farbe der Stufe 2: grün"));
}

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
