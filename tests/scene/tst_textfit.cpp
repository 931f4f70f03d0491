// Every page and overlay in every language: no text may be elided, wider
// than its box, outside the control or panel it belongs to, or on top of
// another text or control. One scene; the language changes live, as the
// selector changes it.
#include "scenerig.h"

#include "macro/macrolibrary.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "view/operations.h"

#include <QQuickWindow>
#include <QtQuickTest/quicktest.h>

#include <functional>

namespace {

// Layout rounding: a pixel either way is not a fault.
constexpr qreal kSlack = 1.0;

struct View {
    QString name;
    // Shows the view and returns the item whose texts are checked.
    std::function<QQuickItem *(SceneRig &)> show;
};

QQuickItem *asItem(QObject *object)
{
    return qobject_cast<QQuickItem *>(object);
}

// What a popup (menu, help menu, colour picker) draws in: the popup's own
// item, a child of the window's overlay layer.
QQuickItem *popupItem(QObject *popup)
{
    QQuickItem *content =
        asItem(popup ? popup->property("contentItem").value<QObject *>() : nullptr);
    return content ? content->parentItem() : nullptr;
}

qreal effectiveOpacity(const QQuickItem *item)
{
    qreal opacity = 1.0;
    for (; item; item = item->parentItem())
        opacity *= item->opacity();
    return opacity;
}

bool isAncestor(const QQuickItem *ancestor, const QQuickItem *item)
{
    for (const QQuickItem *p = item ? item->parentItem() : nullptr; p; p = p->parentItem())
        if (p == ancestor)
            return true;
    return false;
}

// A Rectangle that shows on the screen: a fill or a border.
bool isDrawnBox(const QQuickItem *item)
{
    if (!item->inherits("QQuickRectangle"))
        return false;
    if (item->property("color").value<QColor>().alpha() > 0)
        return true;
    const QObject *border = item->property("border").value<QObject *>();
    return border && border->property("width").toReal() > 0 &&
           border->property("color").value<QColor>().alpha() > 0;
}

// A control the user works, text fields among them; scroll bars and
// indicators lie over their lists by design.
bool isControl(const QQuickItem *item)
{
    if (item->inherits("QQuickTextInput"))
        return true;
    return item->inherits("QQuickControl") && !item->inherits("QQuickScrollBar") &&
           !item->inherits("QQuickScrollIndicator") && !item->inherits("QQuickPopupItem");
}

QRectF sceneRect(const QQuickItem *item)
{
    return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
}

bool overlaps(const QRectF &a, const QRectF &b)
{
    const QRectF common = a.intersected(b);
    return common.width() > kSlack && common.height() > kSlack;
}

bool contains(const QRectF &outer, const QRectF &inner)
{
    return inner.left() >= outer.left() - kSlack && inner.top() >= outer.top() - kSlack &&
           inner.right() <= outer.right() + kSlack && inner.bottom() <= outer.bottom() + kSlack;
}

// False for an item a clipping list has scrolled (partly) out of sight.
bool insideClips(const QQuickItem *item, const QQuickItem *root)
{
    const QRectF rect = sceneRect(item);
    for (const QQuickItem *p = item->parentItem(); p && p != root; p = p->parentItem())
        if (p->clip() && !contains(sceneRect(p), rect))
            return false;
    return true;
}

// Where a text's glyphs lie in its own coordinates: its content, placed by
// its alignment inside the padding.
QRectF paintedRect(const QQuickItem *text, qreal room, qreal height)
{
    const qreal w = text->property("contentWidth").toReal();
    const qreal h = text->property("contentHeight").toReal();
    const int hAlign = text->property("effectiveHorizontalAlignment").toInt();
    const int vAlign = text->property("verticalAlignment").toInt();
    qreal x = text->property("leftPadding").toReal();
    qreal y = text->property("topPadding").toReal();
    if (hAlign & Qt::AlignRight)
        x += room - w;
    else if (hAlign & Qt::AlignHCenter)
        x += (room - w) / 2;
    if (vAlign & Qt::AlignBottom)
        y += height - h;
    else if (vAlign & Qt::AlignVCenter)
        y += (height - h) / 2;
    return QRectF(x, y, w, h);
}

QString quoted(const QString &text)
{
    QString shown = text.simplified();
    shown.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// The offences of one view, as lines "<view>: "<text>" <what>".
QStringList offences(const QString &viewName, QQuickItem *root, int *checked)
{
    QList<QQuickItem *> texts;
    QList<QQuickItem *> controls;
    std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
        if (!item->isVisible() || effectiveOpacity(item) <= 0.01)
            return;
        if (item != root && !insideClips(item, root)) {
            // Scrolled out of sight; what it holds may still be in view.
        } else if (item->inherits("QQuickText")) {
            if (!item->property("text").toString().trimmed().isEmpty())
                texts << item;
        } else if (item != root && isControl(item) && item->width() > 0 && item->height() > 0) {
            controls << item;
        }
        for (QQuickItem *child : item->childItems())
            walk(child);
    };
    walk(root);
    *checked = int(texts.size());

    QStringList lines;
    const auto textOf = [](const QQuickItem *item) { return item->property("text").toString(); };
    const auto real = [](const QQuickItem *item, const char *name) {
        return item->property(name).toReal();
    };
    const auto report = [&](QQuickItem *text, const QString &what) {
        lines << QStringLiteral("%1: %2 %3").arg(viewName, quoted(textOf(text)), what);
    };
    const QRectF window = sceneRect(root->window()->contentItem());
    QList<QRectF> painted;
    for (QQuickItem *text : std::as_const(texts)) {
        const qreal room = text->width() - real(text, "leftPadding") - real(text, "rightPadding");
        const qreal height =
            text->height() - real(text, "topPadding") - real(text, "bottomPadding");
        const QRectF paint = text->mapRectToScene(paintedRect(text, room, height));
        painted << paint;
        const int lineCount = text->property("lineCount").toInt();
        if (text->property("truncated").toBool())
            report(text, QStringLiteral("is cut"));
        else if (real(text, "contentWidth") > room + kSlack)
            report(text, QStringLiteral("is %1 px wide in %2 px")
                             .arg(qRound(real(text, "contentWidth")))
                             .arg(qRound(room)));
        else if (lineCount > 1 && real(text, "contentHeight") > height + kSlack)
            report(text, QStringLiteral("has %1 lines that do not fit its height").arg(lineCount));
        if (!contains(window, paint)) {
            report(text, QStringLiteral("leaves the window"));
            continue;
        }
        for (QQuickItem *p = text->parentItem(); p && p != root->parentItem();
             p = p->parentItem()) {
            if ((isControl(p) || isDrawnBox(p)) && !contains(sceneRect(p), paint)) {
                report(text, QStringLiteral("leaves its %1")
                                 .arg(isControl(p) ? QStringLiteral("control")
                                                   : QStringLiteral("panel")));
                break;
            }
        }
    }
    for (int i = 0; i < texts.size(); ++i) {
        for (int k = i + 1; k < texts.size(); ++k)
            if (overlaps(painted[i], painted[k]))
                report(texts[i], QStringLiteral("overlaps ") + quoted(textOf(texts[k])));
        for (QQuickItem *control : std::as_const(controls))
            if (!isAncestor(control, texts[i]) && overlaps(painted[i], sceneRect(control)))
                report(texts[i], QStringLiteral("lies on a %1")
                                     .arg(QString::fromLatin1(control->metaObject()->className())
                                              .section(QLatin1Char('_'), 0, 0)));
    }
    // Controls on top of each other (a field under a button).
    for (int i = 0; i < controls.size(); ++i) {
        for (int k = i + 1; k < controls.size(); ++k) {
            QQuickItem *a = controls[i];
            QQuickItem *b = controls[k];
            if (isAncestor(a, b) || isAncestor(b, a) || !overlaps(sceneRect(a), sceneRect(b)))
                continue;
            lines << QStringLiteral("%1: %2 and %3 overlap")
                         .arg(viewName, quoted(a->property("text").toString()),
                              quoted(b->property("text").toString()));
        }
    }
    return lines;
}

// Any object of the scene by objectName, also a repeater's delegate (whose
// object parent is not the item it sits in).
QObject *findNamed(QObject *from, const QString &name)
{
    if (!from)
        return nullptr;
    if (from->objectName() == name)
        return from;
    QObjectList next = from->children();
    if (auto *item = qobject_cast<QQuickItem *>(from))
        for (QQuickItem *child : item->childItems())
            if (!next.contains(child))
                next << child;
    for (QObject *child : std::as_const(next))
        if (QObject *found = findNamed(child, name))
            return found;
    return nullptr;
}

// The button list's function lists.
QList<QObject *> functionLists(SceneRig &rig)
{
    QList<QObject *> found;
    std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
        if (item->objectName().startsWith(QLatin1String("keyFunction_")))
            found << item;
        for (QQuickItem *child : item->childItems())
            walk(child);
    };
    walk(rig.root());
    return found;
}

QObject *overlay(SceneRig &rig, const char *name)
{
    return rig.page(QLatin1String(name));
}

void closeEverything(SceneRig &rig)
{
    if (rig.root()->property("mouseMode").toInt() != 0)
        SceneRig::call(rig.session(), "setMouseMode", {0, false});
    SceneRig::call(rig.view()->models()->macroEditor(), "stopRecording");
    for (const char *name :
         {"keyAssign", "macroAssign", "inputAssign", "dpiAssign", "recoil", "profileManager",
          "warning", "confirm", "resetConfirm", "exitConfirm", "help"})
        SceneRig::call(overlay(rig, name), "close");
    for (const char *name :
         {"macroNameDialog", "keyCaptureDialog", "treeMenu", "stepMenu", "dpiColourPopup"})
        if (QObject *item = rig.item(QLatin1String(name)))
            SceneRig::call(item, "close");
    for (QObject *box : functionLists(rig))
        SceneRig::call(box->property("popup").value<QObject *>(), "close");
}

QQuickItem *frame(SceneRig &rig)
{
    return asItem(rig.root()->property("frame").value<QObject *>());
}

// A string of a section in the language shown.
QString text(SceneRig &rig, const char *section, int index)
{
    return rig.language()
        ->property("strings")
        .toMap()
        .value(QLatin1String(section))
        .toStringList()
        .value(index);
}

} // namespace

class TstTextFit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textsFitTheirBoxes_data();
    void textsFitTheirBoxes();
    void cleanupTestCase() { m_rig.stop(); }

private:
    QList<View> views();

    SceneRig m_rig;
};

void TstTextFit::initTestCase()
{
    SceneRig::FileValues values;
    values["setting/apConfig.bin"]["mouse/isColorful"] = true;
    values["setting/apConfig.bin"]["mouse/isGun"] = true;
    QVERIFY(m_rig.start(values));
    // At the design size: what is checked is the layout, not the scaling.
    m_rig.widget->resize(1280, 720);
    SceneRig::call(m_rig.root(), "setScreenRect", {1280, 720, false});
    // A small library with a recorded macro, as the editor shows it.
    SceneRig::call(m_rig.root(), "showTab", {2});
    QObject *editor = m_rig.view()->models()->macroEditor();
    SceneRig::call(editor, "newFolder", {QStringLiteral("Rifles")});
    SceneRig::call(editor, "clearSelection");
    SceneRig::call(editor, "newMacro", {QStringLiteral("Burst")});
    m_rig.view()->operations()->macros()->saveMacroIni(
        0, QStringLiteral("Burst"), {"1,A", "0,50", "2,A", "3,MS-L", "0,30", "4,MS-L"}, 1);
    SceneRig::call(m_rig.root(), "showTab", {0});
}

QList<View> TstTextFit::views()
{
    QList<View> list;
    const auto tab = [](int index) {
        return [index](SceneRig &rig) {
            SceneRig::call(rig.root(), "showTab", {index});
            if (index == 2)
                SceneRig::call(rig.view()->models()->macroEditor(), "selectByNames",
                               {QStringLiteral("Burst")});
            return frame(rig);
        };
    };
    list << View{QStringLiteral("main page"), tab(0)} << View{QStringLiteral("lighting"), tab(1)}
         << View{QStringLiteral("settings"), tab(2)};
    // A macro without steps shows how to add some.
    list << View{QStringLiteral("settings, empty macro"), [](SceneRig &rig) {
                     SceneRig::call(rig.root(), "showTab", {2});
                     SceneRig::call(rig.view()->models()->macroEditor(), "selectByNames",
                                    {QStringLiteral("Rifles/Single shot")});
                     return frame(rig);
                 }};
    // Recording: the record button says how to stop.
    list << View{QStringLiteral("settings, recording"), [](SceneRig &rig) {
                     SceneRig::call(rig.root(), "showTab", {2});
                     QObject *editor = rig.view()->models()->macroEditor();
                     SceneRig::call(editor, "selectByNames",
                                    {QStringLiteral("Rifles/Single shot")});
                     SceneRig::call(editor, "toggleRecording");
                     return editor->property("recording").toBool() ? frame(rig) : nullptr;
                 }};
    // The longest function list of the button list, opened.
    list << View{
        QStringLiteral("key function list"), [](SceneRig &rig) {
            SceneRig::call(rig.root(), "showTab", {0});
            QObject *longest = nullptr;
            for (QObject *box : functionLists(rig))
                if (!longest || box->property("count").toInt() > longest->property("count").toInt())
                    longest = box;
            QObject *popup = longest ? longest->property("popup").value<QObject *>() : nullptr;
            SceneRig::call(popup, "open");
            return popupItem(popup);
        }};

    // The key assignment, one view per function group the button offers,
    // in office mode and (the weapon keys) in game mode; and the button list
    // in game mode.
    QVariantList officeGroups;
    for (int mode : {0, 1}) {
        SceneRig::call(m_rig.session(), "setMouseMode", {mode, false});
        QObject *keys = overlay(m_rig, "keyAssign");
        SceneRig::call(keys, "openFor", {3, QString()});
        for (const QVariant &group : keys->property("shownGroups").toList()) {
            if (mode == 0)
                officeGroups << group;
            else if (officeGroups.contains(group))
                continue;
            SceneRig::call(keys, "selectGroup", {group});
            QVariant shown = keys->property("group");
            if (shown.userType() == qMetaTypeId<QJSValue>())
                shown = shown.value<QJSValue>().toVariant();
            list << View{QStringLiteral("key assignment, ") + shown.toMap().value("key").toString(),
                         [group, mode](SceneRig &rig) {
                             SceneRig::call(rig.session(), "setMouseMode", {mode, false});
                             QObject *keys = overlay(rig, "keyAssign");
                             SceneRig::call(keys, "openFor", {3, QString()});
                             SceneRig::call(keys, "selectGroup", {group});
                             return asItem(keys);
                         }};
        }
    }
    list << View{QStringLiteral("main page, game mode"), [](SceneRig &rig) {
                     SceneRig::call(rig.session(), "setMouseMode", {1, false});
                     SceneRig::call(rig.root(), "showTab", {0});
                     return frame(rig);
                 }};
    SceneRig::call(m_rig.session(), "setMouseMode", {0, false});
    const auto opened = [](const char *name, const char *function, QVariantList args) {
        return [=](SceneRig &rig) {
            SceneRig::call(overlay(rig, name), function, args);
            return asItem(overlay(rig, name));
        };
    };
    list << View{QStringLiteral("macro assignment"), opened("macroAssign", "openFor", {2})}
         << View{QStringLiteral("key combination"),
                 opened("inputAssign", "openFor",
                        {4, QVariant(QVariantList{2, 1, 6, 0}), QVariant()})}
         << View{QStringLiteral("DPI assignment"), opened("dpiAssign", "openFor", {5})}
         << View{QStringLiteral("recoil editor"), opened("recoil", "open", {})}
         << View{QStringLiteral("profile manager"), opened("profileManager", "open", {})}
         << View{QStringLiteral("reset confirmation"), opened("resetConfirm", "open", {})}
         << View{QStringLiteral("exit confirmation"), opened("exitConfirm", "open", {})};
    list << View{QStringLiteral("delete confirmation"),
                 [](SceneRig &rig) {
                     const QString question =
                         text(rig, "warningAssigment", 18).arg(QStringLiteral("Profile 1"));
                     SceneRig::call(overlay(rig, "confirm"), "ask", {question, QVariant()});
                     return asItem(overlay(rig, "confirm"));
                 }}
         << View{QStringLiteral("warning"), [](SceneRig &rig) {
                     SceneRig::call(rig.root(), "showWarning", {text(rig, "warningAssigment", 0)});
                     return asItem(overlay(rig, "warning"));
                 }};
    // The macro editor's dialogs, for each of the names it asks for.
    for (int request = 0; request < 3; ++request) {
        list << View{QStringLiteral("name dialog %1").arg(request), [request](SceneRig &rig) {
                         SceneRig::call(rig.root(), "showTab", {2});
                         QObject *dialog = rig.item(QStringLiteral("macroNameDialog"));
                         SceneRig::call(dialog, "ask", {request, QStringLiteral("Burst")});
                         return asItem(dialog);
                     }};
    }
    list << View{QStringLiteral("key capture"), [](SceneRig &rig) {
                     SceneRig::call(rig.root(), "showTab", {2});
                     QObject *dialog = rig.item(QStringLiteral("keyCaptureDialog"));
                     SceneRig::call(dialog, "open");
                     return asItem(dialog);
                 }};
    // Popups: the help menu, the macro editor's menus, a DPI stage's colour.
    list << View{QStringLiteral("help menu"), [](SceneRig &rig) {
                     SceneRig::call(rig.root(), "showTab", {0});
                     SceneRig::call(overlay(rig, "help"), "open");
                     return popupItem(overlay(rig, "help"));
                 }};
    for (const char *menu : {"treeMenu", "stepMenu"}) {
        list << View{QLatin1String(menu), [menu](SceneRig &rig) {
                         SceneRig::call(rig.root(), "showTab", {2});
                         SceneRig::call(rig.view()->models()->macroEditor(), "selectByNames",
                                        {QStringLiteral("Burst")});
                         QObject *popup = rig.item(QLatin1String(menu));
                         SceneRig::call(popup, "open");
                         return popupItem(popup);
                     }};
    }
    list << View{QStringLiteral("DPI colour"), [](SceneRig &rig) {
                     SceneRig::call(rig.root(), "showTab", {0});
                     QObject *popup = rig.item(QStringLiteral("dpiColourPopup"));
                     SceneRig::call(popup, "edit",
                                    {0, QVariant::fromValue(
                                            findNamed(rig.root(), QStringLiteral("dpiColour0")))});
                     return popupItem(popup);
                 }};
    closeEverything(m_rig);
    return list;
}

void TstTextFit::textsFitTheirBoxes_data()
{
    QTest::addColumn<int>("language");
    const QStringList names = LanguageModel::names();
    for (int i = 0; i < names.size(); ++i)
        QTest::newRow(qPrintable(names.at(i))) << i;
}

void TstTextFit::textsFitTheirBoxes()
{
    QFETCH(int, language);
    SceneRig::call(m_rig.language(), "change", {language});
    QCOMPARE(m_rig.language()->property("index").toInt(), language);

    QStringList all;
    for (const View &view : views()) {
        closeEverything(m_rig);
        QQuickItem *root = view.show(m_rig);
        QVERIFY2(root && root->window() && root->isVisible(),
                 qPrintable(view.name + QStringLiteral(" did not open")));
        QVERIFY(QQuickTest::qWaitForPolish(root->window()));
        int checked = 0;
        const QStringList lines = offences(view.name, root, &checked);
        QVERIFY2(checked > 0, qPrintable(view.name + QStringLiteral(" shows no text")));
        for (const QString &line : lines)
            if (!all.contains(line))
                all << line;
    }
    closeEverything(m_rig);
    SceneRig::call(m_rig.root(), "showTab", {0});
    QVERIFY2(all.isEmpty(), qPrintable(QStringLiteral("\n") + all.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TstTextFit)
#include "tst_textfit.moc"
