// The scene's root under Qt Quick Test with the real context objects: the
// view host with its operations on a staged modules folder, the protocol
// object admitted to the linked virtual mouse, and the window controller.
// `fixture` gives the tests the wire and the staged files.
#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "model/models.h"
#include "model/sessionmodel.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/myqquickview.h"
#include "view/ui_controler.h"

#include "../stagemodules.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <memory>

class Fixture : public QObject
{
    Q_OBJECT
public:
    explicit Fixture(myQQuickView *view) : m_view(view) {}

    // Commands that reached the mouse since the last clearWire(), as codes.
    Q_INVOKABLE QVariantList wireCodes() const
    {
        QVariantList codes;
        for (const kvm::WireEntry &e : kvm::wireLog()) {
            if (e.iface == "command" && e.call == "send_feature" && e.plain.size() > 1)
                codes << int(e.plain[1]);
        }
        return codes;
    }
    Q_INVOKABLE void clearWire() { kvm::clearWireLog(); }
    Q_INVOKABLE bool inputEnabled() const { return m_view->isInputEnabled(); }
    // Each test builds the scene anew, as a program start does.
    Q_INVOKABLE void newSession() { m_view->models()->session()->forgetInit(); }

private:
    myQQuickView *m_view;
};

class Setup : public QObject
{
    Q_OBJECT
public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        if (!m_view && !build())
            qFatal("tst_qml: the virtual mouse could not be admitted");
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("ui_View"), m_view.get());
        context->setContextProperty(QStringLiteral("ui_Ctl"), &m_ctl);
        context->setContextProperty(QStringLiteral("hid"), &m_hid);
        context->setContextProperty(QStringLiteral("fixture"), m_fixture.get());
        context->setContextProperty(QStringLiteral("sceneUrl"),
                                    QUrl(QStringLiteral("qrc:/modules/qml/main.qml")));
    }

private:
    bool build()
    {
        if (!m_dir.isValid() || !stageModules(m_dir.path()))
            return false;
        QDir::setCurrent(m_dir.path());
        kvm::configure(kvm::defaultConfig());
        auto list = DevicePresence::readDeviceList(QStringLiteral("modules/setting/apConfig.bin"));
        DevicePresence::findInterfaces(list);
        if (DevicePresence::admitFirst(m_hid, list) < 0)
            return false;
        // No main window: Qt Quick Test runs a QGuiApplication, and these
        // tests open no file dialogs.
        m_view = std::make_unique<myQQuickView>(nullptr);
        m_view->setHidThread(&m_hid);
        m_fixture = std::make_unique<Fixture>(m_view.get());
        return true;
    }

    QTemporaryDir m_dir;
    Hid_Thread m_hid;
    Ui_Controler m_ctl;
    std::unique_ptr<myQQuickView> m_view;
    std::unique_ptr<Fixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(scene, Setup)
#include "tst_qml.moc"
