#include "model/appprofilefollower.h"

#include "device/transfergate.h"
#include "devicesettings/mousedevice.h"
#include "model/appprofilemodel.h"
#include "model/macroeditormodel.h"
#include "model/models.h"
#include "model/profilelistmodel.h"
#include "model/sessionmodel.h"
#include "view/operations.h"

#include <utility>

AppProfileFollower::AppProfileFollower(Models &models, QObject *parent)
    : QObject(parent), m_models(models)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &AppProfileFollower::settled);

    // A waiting switch is tried again whenever what held it back ends. Queued:
    // these are told from inside the flows themselves.
    SessionModel *session = m_models.session();
    for (auto signal : {&SessionModel::isPownOnChanged, &SessionModel::busyChanged,
                        &SessionModel::unsavedPagesChanged})
        connect(session, signal, this, &AppProfileFollower::tryPending, Qt::QueuedConnection);
    connect(m_models.macroEditor(), &MacroEditorModel::recordingChanged, this,
            &AppProfileFollower::tryPending, Qt::QueuedConnection);
    connect(session, &SessionModel::profileNoChanged, this, &AppProfileFollower::profileChanged);
    watchDevice(m_models.operations().device());
}

void AppProfileFollower::watchDevice(MouseDevice *device)
{
    if (!device)
        return;
    // Gone as soon as the listener sees it go, or a check finds it absent;
    // back once the connect sequence is over. Queued, so that what else the
    // connect brings about runs first.
    auto away = [this] { m_mouseAway = true; };
    connect(device, &MouseDevice::removed, this, away);
    connect(device, &MouseDevice::absent, this, away);
    connect(device, &MouseDevice::connected, this, [this] { m_mouseAway = false; });
    connect(device, &MouseDevice::connected, this, &AppProfileFollower::tryPending,
            Qt::QueuedConnection);
}

void AppProfileFollower::windowActivated(const QString &windowClass)
{
    m_front = windowClass;
    if (windowClass.isEmpty())
        m_settle.stop();
    else
        m_settle.start();
}

void AppProfileFollower::settled()
{
    AppProfileModel *rules = m_models.appProfiles();
    const int ruled = rules->profileFor(m_front);
    if (ruled < 0) {
        m_pending = rules->returnTo();
    } else {
        // Without a profile to return to, the one in use before the first
        // automatic switch is it.
        if (rules->returnTo() < 0 && m_models.session()->isPownOn())
            rules->setReturnTo(m_models.session()->profileNo());
        m_pending = ruled;
    }
    tryPending();
}

void AppProfileFollower::tryPending()
{
    if (m_pending < 0)
        return;
    SessionModel *session = m_models.session();
    if (TransferGate::busy()) {
        if (!m_waitingForTransfer) {
            m_waitingForTransfer = true;
            TransferGate::whenIdle(this, [this] {
                m_waitingForTransfer = false;
                tryPending();
            });
        }
        return;
    }
    // The signals connected above bring it back here.
    if (m_mouseAway || !session->isPownOn() || session->busy() ||
        m_models.macroEditor()->recording() || !session->unsavedPages().isEmpty())
        return;
    const int target = std::exchange(m_pending, -1);
    ProfileListModel *profiles = m_models.profiles();
    const int row = profiles->indexOfNumber(target);
    if (target == session->profileNo() || row < 0)
        return;
    m_switching = true;
    const bool done = session->changeProfile(target);
    m_switching = false;
    if (done)
        emit switched(target, profiles->nameAt(row));
    else
        emit notSwitched(target, session->notice());
}

void AppProfileFollower::profileChanged()
{
    SessionModel *session = m_models.session();
    if (m_switching || !session->isPownOn())
        return;
    // The user chose this profile: it is the one to return to, and it wins
    // over a switch still waiting.
    m_pending = -1;
    m_models.appProfiles()->setReturnTo(session->profileNo());
}
