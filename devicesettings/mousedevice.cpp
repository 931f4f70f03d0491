#include "devicesettings/mousedevice.h"

#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "devicesettings/commandfamily.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"

#include <QDebug>

MouseDevice::MouseDevice(SettingsStore *store, Hid_Thread *hid, QObject *parent)
    : QObject(parent), m_store(store), m_hid(hid), m_family(&CommandFamily::forType(store->icType))
{
    Q_ASSERT(store && hid);
    connect(hid, &Hid_Thread::dpiStageReported, this, &MouseDevice::dpiStageReported);
    connect(hid, &Hid_Thread::deviceRemoved, this, &MouseDevice::removed);
}

MouseDevice::~MouseDevice() = default;

bool MouseDevice::isGun() const
{
    return m_store->isGun;
}

bool MouseDevice::isColorful() const
{
    return m_store->isColorful;
}

bool MouseDevice::is55328() const
{
    return m_store->is55328;
}

void MouseDevice::sendProfile(uint n)
{
    if (n >= images.size())
        return; // there is no such image to send
    m_hid->hid560_0CH_setProfile(images[n].data(), uchar(n));
}

void MouseDevice::readProfile(uint n)
{
    if (n >= images.size())
        return; // nowhere to put it
    m_hid->hid560_8CH_readProfile(images[n].data(), uchar(n));
}

void MouseDevice::readProfilesOnConnect()
{
    for (uint n : m_family->profilesReadOnConnect(isGun()))
        readProfile(n);
}

void MouseDevice::check()
{
    // After a refused write the store's object holds the list's file put
    // back, unwritten: a new object on the file would write it unchecked.
    const QSettings *global = m_store->global();
    auto list = global && SettingsFile::holdsUnwritten(*global)
                    ? DevicePresence::readDeviceList(*global)
                    : DevicePresence::readDeviceList(
                          m_store->modulePath(QStringLiteral("setting/apConfig.bin")));
    DevicePresence::findInterfaces(list);
    // Some other device came or went (only mice without a notification
    // interface get here while connected): the connected one stays as it is.
    if (m_connected && DevicePresence::stillAdmitted(*m_hid, list)) {
        qDebug() << "Device still connected";
        return;
    }
    const DevicePresence::Finding finding = DevicePresence::admit(*m_hid, list);
    m_refusedNode = finding.refusedNode;
    if (finding.admitted()) {
        connectSequence();
        return;
    }
    qDebug() << "Device DisConnect";
    m_connected = false;
    emit absent();
}

void MouseDevice::connectSequence()
{
    qDebug() << "Device Connect";
    m_hid->hidIdle = true;
    m_connected = true;
    emit connecting();
    m_family->switchNotificationOn(*m_hid);
    m_hid->startDevice(uint(m_hid->deviceIndex));
    readProfilesOnConnect();
    emit connected();
}
