#include "platform/devicenotifier.h"

#include <QDebug>
#include <QMetaObject>
#include <QSocketNotifier>

#include <dlfcn.h>
#include <libudev.h>

namespace {

struct UdevDeleter {
    void operator()(udev *u) const { udev_unref(u); }
};
struct UdevMonitorDeleter {
    void operator()(udev_monitor *m) const { udev_monitor_unref(m); }
};
struct UdevDeviceDeleter {
    void operator()(udev_device *dev) const { udev_device_unref(dev); }
};

using SetChangeCallback = void (*)(void (*)(void *), void *);

SetChangeCallback virtualMouseSeam()
{
    // Present only when the virtual mouse library is loaded (linked or preloaded).
    return reinterpret_cast<SetChangeCallback>(dlsym(RTLD_DEFAULT, "kesta_vm_set_change_callback"));
}

} // namespace

struct DeviceChangeNotifier::Private {
    std::unique_ptr<udev, UdevDeleter> udevContext;
    std::unique_ptr<udev_monitor, UdevMonitorDeleter> monitor;
    std::unique_ptr<QSocketNotifier> socketNotifier;
    SetChangeCallback seam = nullptr;
};

static void onVirtualMouseChange(void *ctx)
{
    // Called on the virtual mouse's control thread: hop to the notifier's thread.
    auto *self = static_cast<DeviceChangeNotifier *>(ctx);
    QMetaObject::invokeMethod(self, &DeviceChangeNotifier::deviceChanged, Qt::QueuedConnection);
}

DeviceChangeNotifier::DeviceChangeNotifier(QObject *parent) : QObject(parent), d(new Private)
{
    d->udevContext.reset(udev_new());
    if (d->udevContext) {
        d->monitor.reset(udev_monitor_new_from_netlink(d->udevContext.get(), "udev"));
        if (d->monitor &&
            udev_monitor_filter_add_match_subsystem_devtype(d->monitor.get(), "hidraw", nullptr) ==
                0 &&
            udev_monitor_enable_receiving(d->monitor.get()) == 0) {
            const int fd = udev_monitor_get_fd(d->monitor.get());
            d->socketNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            connect(d->socketNotifier.get(), &QSocketNotifier::activated, this, [this] {
                bool any = false;
                while (std::unique_ptr<udev_device, UdevDeviceDeleter> dev{
                    udev_monitor_receive_device(d->monitor.get())}) {
                    const char *action = udev_device_get_action(dev.get());
                    if (action && (qstrcmp(action, "add") == 0 || qstrcmp(action, "remove") == 0))
                        any = true;
                }
                if (any)
                    emit deviceChanged();
            });
        } else {
            d->monitor.reset();
            qDebug() << "udev monitor unavailable: no device-change notices from the system";
        }
    }

    d->seam = virtualMouseSeam();
    if (d->seam)
        d->seam(&onVirtualMouseChange, this);
}

DeviceChangeNotifier::~DeviceChangeNotifier()
{
    if (d->seam)
        d->seam(nullptr, nullptr);
}
