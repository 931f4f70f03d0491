// The view host and the window controller: window size rule, scene calls by
// name with their delivery, wheel steps, busy lock, and the forwarding of
// every operation to the QtCore classes.
#include "device/hid_thread.h"
#include "view/myqquickview.h"
#include "view/operations.h"
#include "view/screenrule.h"
#include "view/ui_controler.h"
#include "view/widgetdialogs.h"

#include "../scenecalls.h"
#include "../stagemodules.h"

#include <QApplication>
#include <QDialog>
#include <QMetaMethod>
#include <QQuickItem>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <memory>

class TstView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void screenRule_data();
    void screenRule();
    void wheelSteps_data();
    void wheelSteps();

    void setupPublishesTheSceneAndItsContext();
    void maximiseThenRestore();
    void resizeGripAddsTheOffset();
    void busyLockCallsTheScene();
    void wheelReachesTheSceneQueued();
    void horizontalWheelIsDropped();
    void currentDpiFromAnotherThreadArrivesOnTheGuiThread();
    void initThenRunArriveInOrder();
    void disabledViewTakesNoInput();
    void everyOperationIsForwarded();
    void everyOperationIsCallableByName();
    void dialogsTakeNoStyleFromTheWindow();

private:
    QQuickItem *root() const { return m_ctl->view()->rootObject(); }
    QString m_oldDir;
    QTemporaryDir m_dir;
    std::unique_ptr<QWidget> m_widget;
    std::unique_ptr<Ui_Controler> m_ctl;
    Hid_Thread m_hid;
};

void TstView::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(stageModules(m_dir.path()));
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
}

void TstView::init()
{
    m_widget = std::make_unique<QWidget>();
    m_ctl = std::make_unique<Ui_Controler>();
    m_ctl->setupUi(m_widget.get());
    m_ctl->view()->setHidThread(&m_hid);
    QVERIFY(root());
}

void TstView::cleanup()
{
    m_ctl.reset();
    m_widget.reset();
}

void TstView::screenRule_data()
{
    // The work area: the screen less its panels.
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::newRow("1920x1080, the design size") << QSize(1920, 1080) << QSize(1280, 720);
    QTest::newRow("3840x2160, no larger than the design") << QSize(3840, 2160) << QSize(1280, 720);
    QTest::newRow("1366x768 laptop") << QSize(1366, 768) << QSize(1280, 720);
    QTest::newRow("1366x728 laptop less its panel") << QSize(1366, 728) << QSize(1280, 720);
    QTest::newRow("1280x1024, 5:4") << QSize(1280, 1024) << QSize(1280, 720);
    QTest::newRow("1024x768, 4:3: the width decides") << QSize(1024, 768) << QSize(1024, 576);
    QTest::newRow("1024x560, the height decides") << QSize(1024, 560) << QSize(995, 560);
    QTest::newRow("portrait 1080x1920") << QSize(1080, 1920) << QSize(1080, 607);
    QTest::newRow("tiny 800x600") << QSize(800, 600) << QSize(800, 450);
    QTest::newRow("no work area known") << QSize(0, 0) << QSize(1280, 720);
}

void TstView::screenRule()
{
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    QCOMPARE(windowSizeForScreen(screen), window);
}

void TstView::wheelSteps_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("steps");
    QTest::newRow("one notch") << 120 << 1;
    QTest::newRow("two notches") << 240 << 2;
    QTest::newRow("one notch back") << -120 << -1;
    QTest::newRow("half a notch") << 60 << 0;
    QTest::newRow("just under a notch back") << -119 << 0;
}

void TstView::wheelSteps()
{
    QFETCH(int, delta);
    QFETCH(int, steps);
    QCOMPARE(::wheelSteps(delta), steps);
}

void TstView::setupPublishesTheSceneAndItsContext()
{
    QCOMPARE(m_widget->objectName(), QStringLiteral("Widget"));
    QCOMPARE(m_ctl->view()->objectName(), QStringLiteral("ui_View"));
    QVERIFY(m_widget->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(m_widget->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(m_widget->windowTitle(),
             QSettings(QStringLiteral("modules/setting/apConfig.bin"), QSettings::IniFormat)
                 .value(QStringLiteral("common/name"))
                 .toString());
    const QSize expected =
        windowSizeForScreen(QGuiApplication::primaryScreen()->availableGeometry().size());
    QCOMPARE(m_widget->size(), expected);
    QCOMPARE(root()->property("frameW").toInt(), expected.width());
    QCOMPARE(root()->property("frameH").toInt(), expected.height());
    QCOMPARE(root()->property("isFrameMax").toBool(), false);
}

void TstView::maximiseThenRestore()
{
    SceneCalls calls(root());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    m_widget->show();
    m_widget->resize(700, 500); // the user's own size does not matter on restore
    m_ctl->onMaxRestore();
    QVERIFY(m_ctl->isMaximised());
    QCOMPARE(root()->property("isFrameMax").toBool(), true);
    QCOMPARE(root()->property("frameW").toInt(), screen.width());
    m_ctl->onMaxRestore();
    QVERIFY(!m_ctl->isMaximised());
    const QSize normal =
        windowSizeForScreen(QGuiApplication::primaryScreen()->availableGeometry().size());
    QCOMPARE(root()->property("frameW").toInt(), normal.width());
    QCOMPARE(root()->property("frameH").toInt(), normal.height());
    QCOMPARE(root()->property("isFrameMax").toBool(), false);
    QCOMPARE(calls.names, QStringList({"setScreenRect", "setScreenRect"}));
}

void TstView::resizeGripAddsTheOffset()
{
    m_widget->resize(1280, 720);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
    QTRY_COMPARE(m_ctl->view()->size(), QSize(1280, 720));
    m_ctl->test(10, -5);
    QCOMPARE(m_widget->size(), QSize(1290, 715));
}

void TstView::busyLockCallsTheScene()
{
    SceneCalls calls(root());
    QTRY_VERIFY(!root()->property("busy").toBool()); // the start-up lock ran out
    m_ctl->setBusy();
    QCOMPARE(calls.names, QStringList{"setProtectUI"});
    // The lock disables the view until the protect timer runs out.
    m_ctl->setBusy(200);
    QVERIFY(!m_ctl->view()->isInputEnabled());
    QTRY_VERIFY(m_ctl->view()->isInputEnabled());
}

void TstView::wheelReachesTheSceneQueued()
{
    SceneCalls calls(root());
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(m_ctl->view(), &wheel);
    QVERIFY(wheel.isAccepted());
    QCOMPARE(calls.names.count(), 0); // queued: not yet
    QTRY_COMPARE(calls.names, QStringList{"scroll"});
    QCOMPARE(calls.values.at(0).toInt(), 2);
}

void TstView::horizontalWheelIsDropped()
{
    SceneCalls calls(root());
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(120, 0), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(m_ctl->view(), &wheel);
    QTest::qWait(50);
    QVERIFY(!calls.names.contains(QStringLiteral("scroll")));
}

void TstView::currentDpiFromAnotherThreadArrivesOnTheGuiThread()
{
    SceneCalls calls(root());
    std::unique_ptr<QThread> worker(QThread::create([this] { m_ctl->view()->setCurrentDPI(3); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QTRY_COMPARE(calls.names, QStringList{"setCurrentDPI"});
    QCOMPARE(root()->property("currentDpiStage").toInt(), 2);
    // Stage 0 reaches the scene, which ignores it.
    m_ctl->view()->setCurrentDPI(0);
    QCOMPARE(root()->property("currentDpiStage").toInt(), 2);
}

void TstView::initThenRunArriveInOrder()
{
    SceneCalls calls(root());
    QTRY_VERIFY(!root()->property("busy").toBool()); // the start-up lock ran out
    calls.names.clear();
    m_ctl->view()->initUI();
    m_ctl->view()->runUI();
    QCOMPARE(calls.names.count(), 0);
    // initUI locks the view first; run comes after it.
    QTRY_VERIFY(calls.names.contains(QStringLiteral("run")));
    QCOMPARE(calls.names.indexOf(QStringLiteral("setProtectUI")), 0);
    QVERIFY(calls.names.indexOf(QStringLiteral("run")) > 0);
}

void TstView::disabledViewTakesNoInput()
{
    myQQuickView *view = m_ctl->view();
    view->setEnabled(false);
    QVERIFY(!view->container()->isEnabled());
    SceneCalls calls(root());
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
    QTest::qWait(50);
    QVERIFY(!calls.names.contains(QStringLiteral("scroll")));
    view->setEnabled(true);
    QVERIFY(view->container()->isEnabled());
}

void TstView::everyOperationIsForwarded()
{
    // The scene finds every operation on ui_View with the same signature.
    const QMetaObject *mo = m_ctl->view()->metaObject();
    const QStringList signatures = m_ctl->view()->operations()->signatures();
    QVERIFY(signatures.size() > 60);
    for (const QString &signature : signatures) {
        const int index = mo->indexOfMethod(signature.toLatin1().constData());
        QVERIFY2(index >= 0, qPrintable(signature + QStringLiteral(" is not forwarded")));
        QCOMPARE(mo->method(index).methodType(), QMetaMethod::Slot);
    }
}

void TstView::everyOperationIsCallableByName()
{
    // kesta-ctl's calls go through the table the build writes (its rows carry
    // name, argument count and signature together): it must hold every
    // operation the classes declare, with the same signature, and no other.
    const Operations *ops = m_ctl->view()->operations();
    const QStringList signatures = ops->signatures();
    const QStringList callable = ops->callableSignatures();
    for (const QString &signature : signatures)
        QVERIFY2(callable.contains(signature),
                 qPrintable(signature + QStringLiteral(" is not callable")));
    QCOMPARE(callable.size(), signatures.size());
}

void TstView::dialogsTakeNoStyleFromTheWindow()
{
    // The window's transparent style sheet left its dialogs black on black.
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
    WidgetDialogs dialogs(m_widget.get());
    QStringList seen;
    // Whatever it finds, the dialog is closed, so a failure cannot hang the test.
    auto inspectAndCancel = [&] {
        QDialog *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            if (!dialog && w->isVisible())
                dialog = qobject_cast<QDialog *>(w);
        }
        if (!dialog) {
            seen << "no dialog";
            return;
        }
        QString line = QString::fromLatin1(dialog->metaObject()->className());
        if (dialog->style() != QApplication::style())
            line += " styled by the window";
        if (!dialog->windowHandle() ||
            dialog->windowHandle()->transientParent() != m_widget->windowHandle())
            line += " not over the window";
        dialog->reject();
        seen << line;
    };
    QTimer::singleShot(0, this, inspectAndCancel);
    QCOMPARE(dialogs.getSaveFileName("Save File", m_dir.path(), "Profile(*.pf)"), QString());
    QTimer::singleShot(0, this, inspectAndCancel);
    dialogs.warning("Save File", "text");
    QCOMPARE(seen, (QStringList{"QFileDialog", "QMessageBox"}));
}

QTEST_MAIN(TstView)
#include "tst_view.moc"
