// The scene in a window of any size: scaled by the smaller of the two ratios
// to its design size and centred, with the bottom bar's Save and OK inside the
// window, however the window got its size; drop-downs and menus drawn at the
// scene's scale inside their boxes; sliders keep design-unit positions.
#include "scenerig.h"

#include <QQuickItem>
#include <QQmlContext>
#include <QScreen>

namespace {

const QSizeF kDesign(1280, 720);

QObject *findNamed(QObject *from, const QString &name)
{
    return SceneRig::findNamed(from, name);
}

// Where an item is drawn, in window units.
QRectF drawn(QObject *object)
{
    auto *item = qobject_cast<QQuickItem *>(object);
    return item ? item->mapRectToScene(item->boundingRect()) : QRectF();
}

bool inside(const QRectF &inner, const QRectF &outer)
{
    return outer.adjusted(-0.5, -0.5, 0.5, 0.5).contains(inner);
}

QString text(const QRectF &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class TstWindowSize : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_rig.stop(); }
    void init();

    void sceneFitsTheWindow_data();
    void sceneFitsTheWindow();
    void maximisedSceneFitsTheScreen();
    void popupsAtTheScenesScale_data();
    void popupsAtTheScenesScale();
    void menuAtTheScenesScale();
    void sliderStoresDesignPositions_data();
    void sliderStoresDesignPositions();
    void dragMovesTheWindowWithThePointer_data();
    void dragMovesTheWindowWithThePointer();

private:
    QObject *ctl() const
    {
        return m_rig.view()
            ->rootContext()
            ->contextProperty(QStringLiteral("ui_Ctl"))
            .value<QObject *>();
    }
    bool resizeTo(const QSize &size)
    {
        m_rig.widget->resize(size);
        return QTest::qWaitFor(
            [&] {
                return m_rig.view()->size() == size &&
                       m_rig.root()->property("frameW").toInt() == size.width() &&
                       m_rig.root()->property("frameH").toInt() == size.height();
            },
            5000);
    }

    SceneRig m_rig;
};

void TstWindowSize::initTestCase()
{
    QVERIFY(m_rig.start());
    QVERIFY(QTest::qWaitForWindowExposed(m_rig.widget.get()));
}

void TstWindowSize::init()
{
    SceneRig::call(m_rig.root(), "showTab", {0});
    QVERIFY(resizeTo(kDesign.toSize()));
}

void TstWindowSize::sceneFitsTheWindow_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<bool>("grip");
    QTest::newRow("design size") << QSize(1280, 720) << false;
    QTest::newRow("4:3, bands above and below") << QSize(1024, 768) << false;
    QTest::newRow("wide, bands left and right") << QSize(1600, 600) << false;
    QTest::newRow("small") << QSize(700, 500) << false;
    QTest::newRow("larger than the design") << QSize(1920, 1080) << false;
    QTest::newRow("resize grip, narrower") << QSize(1000, 720) << true;
    QTest::newRow("resize grip, taller") << QSize(1280, 900) << true;
}

void TstWindowSize::sceneFitsTheWindow()
{
    QFETCH(QSize, window);
    QFETCH(bool, grip);
    if (grip) {
        QVERIFY(QMetaObject::invokeMethod(ctl(), "test", Q_ARG(int, window.width() - 1280),
                                          Q_ARG(int, window.height() - 720)));
        QTRY_COMPARE(m_rig.view()->size(), window);
    }
    QVERIFY(resizeTo(window));

    const double zoom = qMin(window.width() / kDesign.width(), window.height() / kDesign.height());
    QTRY_VERIFY(qAbs(m_rig.root()->property("zoomInRate_min").toDouble() - zoom) < 1e-9);

    // The scene at that scale, centred: equal bands on either side, none on
    // the other axis.
    const QRectF scene = drawn(m_rig.root()->property("frame").value<QObject *>());
    const QRectF whole(QPointF(0, 0), QSizeF(window));
    QVERIFY2(qAbs(scene.width() - kDesign.width() * zoom) < 0.5, qPrintable(text(scene)));
    QVERIFY2(qAbs(scene.height() - kDesign.height() * zoom) < 0.5, qPrintable(text(scene)));
    QVERIFY2(qAbs(scene.left() - (whole.right() - scene.right())) < 2, qPrintable(text(scene)));
    QVERIFY2(qAbs(scene.top() - (whole.bottom() - scene.bottom())) < 2, qPrintable(text(scene)));
    QVERIFY2(scene.left() < 1 || scene.top() < 1, qPrintable(text(scene)));

    for (const char *name : {"saveButton", "okButton", "resetButton"}) {
        const QRectF button = drawn(m_rig.item(QLatin1String(name)));
        QVERIFY2(!button.isEmpty() && inside(button, whole),
                 qPrintable(QStringLiteral("%1 at %2").arg(QLatin1String(name), text(button))));
    }
}

void TstWindowSize::maximisedSceneFitsTheScreen()
{
    QVERIFY(QMetaObject::invokeMethod(ctl(), "onMaxRestore"));
    const QSize area = m_rig.widget->screen()->availableGeometry().size();
    QTRY_COMPARE(m_rig.view()->size(), area);
    QTRY_COMPARE(m_rig.root()->property("frameW").toInt(), area.width());
    QCOMPARE(m_rig.root()->property("isFrameMax").toBool(), true);
    const QRectF whole(QPointF(0, 0), QSizeF(area));
    QVERIFY(inside(drawn(m_rig.item(QStringLiteral("okButton"))), whole));
    QVERIFY(QMetaObject::invokeMethod(ctl(), "onMaxRestore"));
    QTRY_VERIFY(!m_rig.widget->isMaximized());
    QCOMPARE(m_rig.root()->property("isFrameMax").toBool(), false);
}

void TstWindowSize::popupsAtTheScenesScale_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("DPI stage count") << QStringLiteral("dpiCountBox");
    QTest::newRow("profile list in the top bar") << QStringLiteral("profileList");
    QTest::newRow("a button's function") << QStringLiteral("keyFunction_0");
    QTest::newRow("the last button's function, near the bottom")
        << QStringLiteral("keyFunction_13");
}

// At a scale below 1 (a small screen), an open drop-down is as wide as its
// box, starts at its left edge, opens right under (or over) it and stays in
// the window.
void TstWindowSize::popupsAtTheScenesScale()
{
    QFETCH(QString, box);
    const QSize window(800, 450);
    QVERIFY(resizeTo(window));
    const double zoom = window.width() / kDesign.width();

    QObject *combo = findNamed(m_rig.root(), box);
    QVERIFY(combo);
    auto *popup = combo->property("popup").value<QObject *>();
    QVERIFY(popup);
    QVERIFY(QMetaObject::invokeMethod(popup, "open"));
    QTRY_VERIFY(popup->property("opened").toBool());
    const QRectF field = drawn(combo);
    const QRectF list = drawn(popup->property("background").value<QObject *>());
    QVERIFY(QMetaObject::invokeMethod(popup, "close"));

    const QString where = text(list) + QStringLiteral(" for a box at ") + text(field);
    QVERIFY2(qAbs(list.width() - field.width()) <= 1, qPrintable(where));
    QVERIFY2(qAbs(list.left() - field.left()) <= 1, qPrintable(where));
    const bool below = qAbs(list.top() - field.bottom()) <= 4 * zoom + 1;
    const bool above = qAbs(list.bottom() - field.top()) <= 4 * zoom + 1;
    QVERIFY2(below || above, qPrintable(where));
    QVERIFY2(inside(list, QRectF(QPointF(0, 0), QSizeF(window))), qPrintable(where));
}

// A context menu opens where it is asked to, at the scene's scale.
void TstWindowSize::menuAtTheScenesScale()
{
    const QSize window(800, 450);
    QVERIFY(resizeTo(window));
    const double zoom = window.width() / kDesign.width();
    SceneRig::call(m_rig.root(), "showTab", {2});
    QObject *menu = findNamed(m_rig.root(), QStringLiteral("treeMenu"));
    QVERIFY(menu);
    QTRY_VERIFY(m_rig.view()->isInputEnabled());
    QVERIFY(QMetaObject::invokeMethod(menu, "open"));
    QTRY_VERIFY(menu->property("opened").toBool());
    auto *over = menu->property("parent").value<QQuickItem *>();
    QVERIFY(over);
    const QPointF at = over->mapToScene(QPointF(0, 0));
    const QRectF drawnMenu = drawn(menu->property("background").value<QObject *>());
    QVERIFY(QMetaObject::invokeMethod(menu, "close"));
    SceneRig::call(m_rig.root(), "showTab", {0});

    const QString where =
        text(drawnMenu) + QStringLiteral(" opened at %1,%2").arg(at.x()).arg(at.y());
    QVERIFY2(qAbs(drawnMenu.width() - menu->property("implicitWidth").toDouble() * zoom) <= 1,
             qPrintable(where));
    QVERIFY2(qAbs(drawnMenu.left() - at.x()) <= 1 && qAbs(drawnMenu.top() - at.y()) <= 1,
             qPrintable(where));
    QVERIFY2(inside(drawnMenu, QRectF(QPointF(0, 0), QSizeF(window))), qPrintable(where));
}

void TstWindowSize::sliderStoresDesignPositions_data()
{
    QTest::addColumn<double>("at"); // along the drawn groove, 0 .. 1
    QTest::addColumn<bool>("last");
    QTest::newRow("left end") << 0.0 << false;
    QTest::newRow("right end") << 1.0 << true;
}

// However wide a slider is drawn, it stores the positions of its design width.
void TstWindowSize::sliderStoresDesignPositions()
{
    QFETCH(double, at);
    QFETCH(bool, last);
    QVERIFY(resizeTo(QSize(800, 450)));
    SceneRig::call(m_rig.root(), "showTab", {2});
    QObject *model = m_rig.pageState(QStringLiteral("system"));
    auto *slider =
        qobject_cast<QQuickItem *>(findNamed(m_rig.root(), QStringLiteral("pointerSlider")));
    QVERIFY(model);
    QVERIFY(slider);
    QTRY_VERIFY(slider->isVisible() && slider->isEnabled());
    QTRY_VERIFY(m_rig.view()->isInputEnabled()); // opening the tab locks input a moment
    const int first = model->property("firstPosition").toInt();
    const int lastPosition = model->property("lastPosition").toInt();
    // Move away from the end the test goes to first.
    SceneRig::call(model, "setPointer", {last ? first : lastPosition});

    const QRectF groove = drawn(slider);
    const QPointF point(groove.left() + 1 + at * (groove.width() - 2), groove.center().y());
    QTest::mouseClick(m_rig.view(), Qt::LeftButton, {}, point.toPoint());
    QTRY_COMPARE(model->property("mouseRate").toInt(), last ? lastPosition : first);
    SceneRig::call(m_rig.root(), "showTab", {0});
}

void TstWindowSize::dragMovesTheWindowWithThePointer_data()
{
    QTest::addColumn<QSize>("window");
    QTest::newRow("design size") << QSize(1280, 720);
    QTest::newRow("scaled down") << QSize(800, 450);
    QTest::newRow("scaled up") << QSize(1920, 1080);
}

// Dragging an empty area moves the window as far as the pointer moved, at
// any scale (a window that ran ahead of the pointer kept running away).
void TstWindowSize::dragMovesTheWindowWithThePointer()
{
    QFETCH(QSize, window);
    QVERIFY(resizeTo(window));
    auto *frame = m_rig.root()->property("frame").value<QQuickItem *>();
    QVERIFY(frame);
    // Between the mode button and the key list: nothing there but the frame.
    const QPoint grab = frame->mapToScene(QPointF(300, 122)).toPoint();
    const QPoint start = m_rig.widget->pos();
    QTest::mousePress(m_rig.view(), Qt::LeftButton, {}, grab);
    QTest::mouseMove(m_rig.view(), grab + QPoint(40, 24));
    QTRY_VERIFY(m_rig.widget->pos() != start);
    // The pointer stays where it is on the screen; the window moved under it.
    const QPoint moved = m_rig.widget->pos() - start;
    QTest::mouseRelease(m_rig.view(), Qt::LeftButton, {}, grab + QPoint(40, 24) - moved);
    QCOMPARE(moved, QPoint(40, 24));
    m_rig.widget->move(start);
    QTRY_COMPARE(m_rig.widget->pos(), start);
}

QTEST_MAIN(TstWindowSize)
#include "tst_windowsize.moc"
