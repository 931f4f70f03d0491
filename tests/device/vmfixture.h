// Shared helpers of the device tests that run against the virtual mouse.
#pragma once

#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "tools/virtual-mouse/virtual_mouse.h"

#include <QByteArray>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <string>
#include <vector>

namespace vmtest {

// The configured entry for the virtual mouse as the device list would give it.
inline std::shared_ptr<DeviceEntry> entryFor(const kvm::Config &config)
{
    auto entry = std::make_shared<DeviceEntry>();
    entry->type = 1;
    entry->vid = config.vid;
    entry->pid = config.pid;
    entry->usagePage = config.usagePage;
    entry->usage = config.usage;
    entry->usagePage2 = config.usagePage2;
    entry->usage2 = config.usage2;
    entry->reportLength = config.reportLength;
    entry->isEncode = config.encoded;
    entry->sCode = QString::fromStdString(config.secrecyCode);
    return entry;
}

inline kvm::Config config(int family, bool encoded = false, int reportLength = 32)
{
    kvm::Config c = kvm::defaultConfig();
    c.family = family;
    c.encoded = encoded;
    c.reportLength = reportLength;
    return c;
}

// Plugs a fresh virtual mouse, finds it and admits it through the handshake;
// the wire log starts empty afterwards.
inline bool admit(Hid_Thread &hid, const kvm::Config &c)
{
    kvm::configure(c);
    QList<std::shared_ptr<DeviceEntry>> list{entryFor(c)};
    DevicePresence::findInterfaces(list);
    const bool ok = DevicePresence::admitFirst(hid, list) == 0;
    kvm::clearWireLog();
    return ok;
}

inline QByteArray bytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size()));
}

inline std::vector<kvm::WireEntry> entries(const std::string &call,
                                           const std::string &iface = "command")
{
    std::vector<kvm::WireEntry> out;
    for (const auto &e : kvm::wireLog())
        if (e.call == call && e.iface == iface)
            out.push_back(e);
    return out;
}

// Collects debug output while alive.
class MessageCapture
{
public:
    MessageCapture()
    {
        QMutexLocker locker(&lock());
        lines().clear();
        m_previous = qInstallMessageHandler(&MessageCapture::handler);
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    static QStringList captured()
    {
        QMutexLocker locker(&lock());
        return lines();
    }

private:
    static QMutex &lock()
    {
        static QMutex m;
        return m;
    }
    static QStringList &lines()
    {
        static QStringList l;
        return l;
    }
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        QMutexLocker locker(&lock());
        lines().append(message);
    }
    QtMessageHandler m_previous = nullptr;
};

} // namespace vmtest
