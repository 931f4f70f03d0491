#include "device/devicepresence.h"

#include "device/hid_thread.h"
#include "device/hidapilock.h"

#include <hidapi.h>

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSettings>

#include <cerrno>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

struct EnumerationDeleter {
    void operator()(hid_device_info *list) const
    {
        QMutexLocker locker(&HidApiLock::mutex());
        hid_free_enumeration(list);
    }
};
using Enumeration = std::unique_ptr<hid_device_info, EnumerationDeleter>;

// Ids are stored as base-16 text ("04d9"); text that does not convert gives 0.
// The list names the few mice this program knows; a count far beyond that
// comes from a damaged file and would keep the device check busy for hours.
constexpr int kMaxDeviceCount = 64;

uint16_t hexValue(const QSettings &settings, const QString &key)
{
    return settings.value(key, 0).toString().toUShort(nullptr, 16);
}

} // namespace

namespace DevicePresence {

QList<std::shared_ptr<DeviceEntry>> readDeviceList(const QString &apConfigPath)
{
    if (!QFileInfo(apConfigPath).isFile())
        return {};
    const QSettings settings(apConfigPath, QSettings::IniFormat);
    return readDeviceList(settings);
}

QList<std::shared_ptr<DeviceEntry>> readDeviceList(const QSettings &settings)
{
    QList<std::shared_ptr<DeviceEntry>> list;
    int count = settings.value(QStringLiteral("common/deviceCount"), 0).toInt();
    if (count > kMaxDeviceCount) {
        qDebug() << "device list: deviceCount" << count << "is more than" << kMaxDeviceCount
                 << "- only the first" << kMaxDeviceCount << "are read";
        count = kMaxDeviceCount;
    }
    for (int n = 0; n < count; ++n) {
        const QString group = QString::number(n) + QLatin1Char('/');
        auto entry = std::make_shared<DeviceEntry>();
        const QVariant type = settings.value(group + QLatin1String("type"));
        entry->type = type.isValid() ? type.toString().toInt(nullptr, 16) : -1;
        entry->vid = hexValue(settings, group + QLatin1String("vid"));
        entry->pid = hexValue(settings, group + QLatin1String("pid"));
        entry->usagePage = hexValue(settings, group + QLatin1String("usagePage"));
        entry->usage = hexValue(settings, group + QLatin1String("usage"));
        entry->usagePage2 = hexValue(settings, group + QLatin1String("usagePage2"));
        entry->usage2 = hexValue(settings, group + QLatin1String("usage2"));
        entry->reportLength = settings.value(group + QLatin1String("reportLength"), 32).toInt();
        if (entry->reportLength < 1 || entry->reportLength > DeviceEntry::kMaxReportLength) {
            qDebug() << "device list: entry" << n << "has a report length of"
                     << settings.value(group + QLatin1String("reportLength")).toString()
                     << "- not a HID report length; the entry is not used";
            entry->reportLength = 0;
        }
        entry->isEncode = settings.value(group + QLatin1String("isEncode"), false).toBool();
        entry->sCode =
            settings.value(group + QLatin1String("sCode"), QStringLiteral("417306")).toString();
        list.append(entry);
    }
    return list;
}

void findInterfaces(QList<std::shared_ptr<DeviceEntry>> &list)
{
    for (const auto &entry : list) {
        entry->path.clear();
        entry->path2.clear();
        if (!entry->usable())
            continue;
        Enumeration found;
        {
            QMutexLocker locker(&HidApiLock::mutex());
            found.reset(hid_enumerate(entry->vid, entry->pid));
        }
        for (const hid_device_info *info = found.get(); info; info = info->next) {
            if (!info->path)
                continue;
            if (info->usage_page == entry->usagePage && info->usage == entry->usage)
                entry->path = QString::fromLocal8Bit(info->path);
            if (info->usage_page == entry->usagePage2 && info->usage == entry->usage2)
                entry->path2 = QString::fromLocal8Bit(info->path);
        }
    }
}

bool isRefusal(int error, const QString &node)
{
    if (error == EACCES || error == EPERM)
        return true;
    // hidapi's error text is built after open(2) failed; should that have
    // changed errno, the node itself still tells.
    if (error == ENOENT || error == ENODEV || node.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(node).constData(), R_OK | W_OK) != 0 &&
           (errno == EACCES || errno == EPERM);
#else
    return false;
#endif
}

Finding admit(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &list)
{
    hid.deviceList = list;
    Finding finding;
    for (int j = 0; j < list.size(); ++j) {
        // The failed open clears the entry's path: keep it for the message.
        const QString node = list.at(j)->path;
        if (node.isEmpty())
            continue;
        hid.openError = 0;
        if (hid.chkDeviceIsEnCode(j)) {
            finding.index = j;
            finding.refusedNode.clear();
            return finding;
        }
        if (finding.refusedNode.isEmpty() && isRefusal(hid.openError, node)) {
            qInfo().noquote() << "device:" << node
                              << "is present, but this user may not open it: install "
                                 "70-kesta.rules and plug the mouse in again";
            finding.refusedNode = node;
        }
    }
    return finding;
}

int admitFirst(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &list)
{
    return admit(hid, list).index;
}

bool stillAdmitted(Hid_Thread &hid, const QList<std::shared_ptr<DeviceEntry>> &fresh)
{
    const int index = hid.deviceIndex;
    const DeviceEntry *admitted = hid.currentEntry();
    if (!admitted || admitted->path.isEmpty() || index < 0 || index >= fresh.size())
        return false;
    const DeviceEntry &now = *fresh.at(index);
    if (now.path != admitted->path || now.vid != admitted->vid || now.pid != admitted->pid)
        return false;
    // A mouse with a notification interface is watched by the listener; once
    // that has ended (the mouse went away) it has to be connected anew.
    if (!now.path2.isEmpty() && !hid.listening)
        return false;
    return hid.chkDeviceIsEnCode(index);
}

} // namespace DevicePresence
