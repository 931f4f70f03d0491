// The window during a device transfer: it keeps painting; input that arrives
// meanwhile is dropped for good; notices, checks, messages, captured-input
// relays and the scene's timers wait for the end of the transfer and are then
// handled once.
#include "app/widget.h"
#include "device/transfergate.h"
#include "platform/devicenotifier.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/myqquickview.h"

#include "../stagemodules.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace {

QVariantList macroBlock()
{
    QVariantList block;
    for (int k = 0; k < 128; ++k)
        block << k;
    return block;
}

int handshakes()
{
    int n = 0;
    for (const kvm::WireEntry &e : kvm::wireLog())
        if (e.call == "send_feature" && e.plain.size() > 1 && e.plain[1] == 0x00)
            ++n;
    return n;
}

} // namespace

class TstTransfer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowPaintsDuringTransfer();
    void arrivalsWaitForTheEnd_data();
    void arrivalsWaitForTheEnd();
    void inputDuringTransferIsDropped();
    void commandDuringTransferIsRefused();

private:
    void connectWidget();
    // Sends a macro (about 740 ms on the wire) from an event, as a page's
    // handler does, and calls `during` at the given times while it runs.
    // Returns false when the transfer was not running at one of them.
    bool transfer(const QList<QPair<int, std::function<void()>>> &during);
    QQuickItem *root() const { return m_widget->view()->rootObject(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Widget> m_widget;
    QString m_oldDir;
    bool m_running = false;
};

void TstTransfer::init()
{
    kvm::configure(kvm::defaultConfig());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(stageModules(m_dir->path()));
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
}

void TstTransfer::cleanup()
{
    m_widget.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void TstTransfer::connectWidget()
{
    m_widget = std::make_unique<Widget>();
    m_widget->showNormal();
    m_widget->checkDevice();
    QVERIFY(m_widget->isDeviceConnected());
    // "initUI" protects the scene for a second (the view takes no input);
    // then the view takes input again.
    QTRY_VERIFY(!m_widget->view()->isInputEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(m_widget->view()->isInputEnabled(), 5000);
    QTest::qWait(50);
    kvm::clearWireLog();
}

bool TstTransfer::transfer(const QList<QPair<int, std::function<void()>>> &during)
{
    QObject guard; // no timer below outlives this function
    bool done = false;
    bool allDuring = true;
    QTimer::singleShot(0, &guard, [this, &done] {
        m_running = true;
        m_widget->view()->mouseSendMacroData(macroBlock(), 2);
        m_running = false;
        done = true;
    });
    for (const auto &step : during) {
        QTimer::singleShot(step.first, &guard, [this, step, &allDuring] {
            allDuring = allDuring && m_running;
            step.second();
        });
    }
    const bool finished = QTest::qWaitFor([&done] { return done; }, 10000);
    // Whatever waited runs in the passes after the transfer.
    QTest::qWait(100);
    return finished && allDuring;
}

void TstTransfer::windowPaintsDuringTransfer()
{
    connectWidget();
    if (QTest::currentTestFailed())
        return;
    // Something that moves, like the scene's busy indicator.
    QQmlComponent component(m_widget->view()->engine());
    component.setData("import QtQuick\n"
                      "Rectangle {\n"
                      "  width: 40; height: 40; color: 'red'\n"
                      "  RotationAnimation on rotation {\n"
                      "    from: 0; to: 360; duration: 600; loops: Animation.Infinite\n"
                      "  }\n"
                      "}\n",
                      QUrl());
    std::unique_ptr<QQuickItem> spinner(qobject_cast<QQuickItem *>(component.create()));
    QVERIFY2(spinner, qPrintable(component.errorString()));
    spinner->setParentItem(m_widget->view()->contentItem());
    int frames = 0;
    const QMetaObject::Connection counting =
        connect(m_widget->view(), &QQuickWindow::frameSwapped, this, [this, &frames] {
            if (m_running)
                ++frames;
        });
    const bool ran = transfer({});
    disconnect(counting);
    QVERIFY(ran);
    // A frame every 16 ms would be about 45; a window that stands still has none.
    QVERIFY2(frames >= 5, qPrintable(QString::number(frames)));
    QVERIFY(kvm::state().errors == 0);
}

void TstTransfer::arrivalsWaitForTheEnd_data()
{
    QTest::addColumn<QString>("what");
    for (const char *what : {"dpi notice", "device-change notice", "device check", "second start",
                             "captured input", "busy timer"})
        QTest::newRow(what) << QString::fromLatin1(what);
}

void TstTransfer::arrivalsWaitForTheEnd()
{
    QFETCH(QString, what);
    connectWidget();
    if (QTest::currentTestFailed())
        return;
    myQQuickView *view = m_widget->view();
    Hid_Thread *hid = m_widget->hidThread();
    // What the scene makes of the host's calls.
    QSignalSpy stages(root(), SIGNAL(currentDpiStageChanged()));
    QSignalSpy keys(root(), SIGNAL(msg_KB(bool, int, double)));
    QSignalSpy buttons(root(), SIGNAL(msg_MS(bool, int, int, int, bool, double)));
    QVERIFY(stages.isValid() && keys.isValid() && buttons.isValid());
    // A stage the scene does not show yet (it counts from 0, the mouse from 1).
    const int stage = (root()->property("currentDpiStage").toInt() + 2) % 8 + 1;
    bool arrivedDuring = false;
    bool quietDuring = true;
    QObject guard; // ends the connections below with this function
    std::function<void()> during;
    std::function<void()> check; // at the last step, still during the transfer
    int lastStep = 600;

    if (what == "dpi notice") {
        connect(hid, &Hid_Thread::dpiStageReported, &guard,
                [this, &arrivedDuring] { arrivedDuring = arrivedDuring || m_running; });
        during = [stage] { kvm::pressDpiButton(stage); };
        // The listener reads in cycles of 500 ms: send a longer transfer's worth.
        lastStep = 0;
    } else if (what == "device-change notice") {
        hid->stopListen();
        QTRY_VERIFY_WITH_TIMEOUT(hid->listenFuture.isFinished(), 3000);
        auto *notifier = m_widget->findChild<DeviceChangeNotifier *>();
        QVERIFY(notifier);
        during = [notifier, &arrivedDuring] {
            emit notifier->deviceChanged();
            arrivedDuring = TransferGate::deferredCount() > 0;
        };
        check = [this, &quietDuring] { quietDuring = !m_widget->deviceCheckTimer()->isActive(); };
    } else if (what == "device check") {
        during = [this, &arrivedDuring] {
            m_widget->checkDevice();
            arrivedDuring = TransferGate::deferredCount() > 0;
        };
        check = [&quietDuring] { quietDuring = handshakes() == 0; };
    } else if (what == "second start") {
        m_widget->hide();
        during = [this, &arrivedDuring] {
            m_widget->receiveMessage(QString());
            arrivedDuring = TransferGate::deferredCount() > 0;
        };
        check = [this, &quietDuring] { quietDuring = !m_widget->isVisible(); };
    } else if (what == "captured input") {
        during = [view, &arrivedDuring] {
            view->detectKeyboard(true, 0x04);
            view->detectMouse(true, 0xF0, 10, 20);
            arrivedDuring = true;
        };
        check = [&quietDuring, &keys, &buttons] {
            quietDuring = keys.isEmpty() && buttons.isEmpty();
        };
    } else if (what == "busy timer") {
        // Runs out 200 ms into the transfer; its end enables the view.
        during = [view, &arrivedDuring] {
            view->setBusy(200);
            arrivedDuring = !view->isInputEnabled();
        };
        check = [view, &quietDuring] { quietDuring = !view->isInputEnabled(); };
    }

    if (what == "dpi notice") {
        // A key-matrix save with a weapon key takes about 2.1 s.
        bool done = false;
        QVariantList game;
        for (int n = 0; n < 16; ++n)
            game << 0 << 0 << 0xF0 << 0;
        game[36] = 8;
        game[38] = 3;
        QTimer::singleShot(0, &guard, [&] {
            m_running = true;
            view->mouseSetKeyMatrix(1, QVariantList(64, 0), game, true, {12, 34});
            quietDuring = stages.isEmpty();
            m_running = false;
            done = true;
        });
        QTimer::singleShot(100, &guard, [&] { during(); });
        QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
        QVERIFY(arrivedDuring);
        QVERIFY(quietDuring);
        QTRY_COMPARE(stages.size(), 1);
        QCOMPARE(root()->property("currentDpiStage").toInt(), stage - 1);
        QTest::qWait(200);
        QCOMPARE(stages.size(), 1);
        QCOMPARE(kvm::state().errors, 0);
        return;
    }

    QVERIFY(transfer({{100, during}, {lastStep, check}}));
    QVERIFY(arrivedDuring);
    QVERIFY2(quietDuring, "handled during the transfer");
    // After the transfer: handled, once.
    if (what == "device-change notice") {
        QTRY_VERIFY(m_widget->deviceCheckTimer()->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(handshakes(), 1, 5000);
    } else if (what == "device check") {
        QTRY_COMPARE(handshakes(), 1);
    } else if (what == "second start") {
        QTRY_VERIFY(m_widget->isVisible());
    } else if (what == "captured input") {
        QTRY_COMPARE(keys.size(), 1);
        QTRY_COMPARE(buttons.size(), 1);
        QCOMPARE(keys.first().at(1).toInt(), 0x04);
    } else if (what == "busy timer") {
        QTRY_VERIFY(view->isInputEnabled());
    }
    QTest::qWait(200);
    if (what != "device-change notice")
        QCOMPARE(handshakes(), what == "device check" ? 1 : 0);
    QCOMPARE(kvm::state().errors, 0);
}

void TstTransfer::inputDuringTransferIsDropped()
{
    connectWidget();
    if (QTest::currentTestFailed())
        return;
    myQQuickView *view = m_widget->view();
    // A pad of our own over the scene that counts what reaches it.
    QQmlComponent component(view->engine());
    component.setData("import QtQuick\n"
                      "Rectangle {\n"
                      "  property int clicks: 0\n"
                      "  property int keys: 0\n"
                      "  width: 200; height: 200; z: 1000; color: 'green'\n"
                      "  focus: true\n"
                      "  Keys.onPressed: keys++\n"
                      "  MouseArea { anchors.fill: parent; onClicked: parent.clicks++ }\n"
                      "}\n",
                      QUrl());
    std::unique_ptr<QQuickItem> pad(qobject_cast<QQuickItem *>(component.create()));
    QVERIFY2(pad, qPrintable(component.errorString()));
    pad->setParentItem(view->contentItem());
    pad->forceActiveFocus();
    view->requestActivate();
    QTRY_VERIFY(pad->hasActiveFocus());
    const QPoint centre(100, 100);

    // Outside a transfer both reach it.
    QTest::mouseClick(view, Qt::LeftButton, {}, centre);
    QTest::keyClick(view, Qt::Key_A);
    QTRY_COMPARE(pad->property("clicks").toInt(), 1);
    QTRY_COMPARE(pad->property("keys").toInt(), 1);

    // During one, neither: not then, not afterwards.
    auto input = [view, centre] {
        QTest::mouseClick(view, Qt::LeftButton, {}, centre);
        QTest::keyClick(view, Qt::Key_B);
        // Also as events waiting in the queue.
        QCoreApplication::postEvent(view, new QKeyEvent(QEvent::KeyPress, Qt::Key_C, {}, "c"));
        QCoreApplication::postEvent(view, new QKeyEvent(QEvent::KeyRelease, Qt::Key_C, {}, "c"));
    };
    QVERIFY(transfer({{100, input}, {400, input}}));
    QTest::qWait(300);
    QCOMPARE(pad->property("clicks").toInt(), 1);
    QCOMPARE(pad->property("keys").toInt(), 1);

    // And the pad still works afterwards.
    QTest::mouseClick(view, Qt::LeftButton, {}, centre);
    QTRY_COMPARE(pad->property("clicks").toInt(), 2);
}

void TstTransfer::commandDuringTransferIsRefused()
{
    connectWidget();
    if (QTest::currentTestFailed())
        return;
    // Something started from an event handled while the macro goes out: it
    // must not run between the macro's steps, nor after them as if queued.
    bool refusedDuring = false;
    auto nested = [this, &refusedDuring] {
        m_widget->view()->mouseSetCurrentDPI(2);
        refusedDuring = m_running;
    };
    QVERIFY(transfer({{100, nested}}));
    QVERIFY(refusedDuring);
    QTest::qWait(200);
    std::vector<int> codes;
    for (const kvm::WireEntry &e : kvm::wireLog())
        if (e.call == "send_feature" && e.plain.size() > 1)
            codes.push_back(e.plain[1]);
    QCOMPARE(codes, std::vector<int>{0x13});
    QCOMPARE(kvm::state().errors, 0);
    // Afterwards the link takes commands again.
    m_widget->view()->mouseSetCurrentDPI(2);
    QCOMPARE(int(kvm::state().currentDpi), 2);
}

QTEST_MAIN(TstTransfer)
#include "tst_transfer.moc"
