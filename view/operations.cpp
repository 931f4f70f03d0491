#include "view/operations.h"

#include "desktop/autostart.h"
#include "device/hid_thread.h"
#include "device/transfergate.h"
#include "devicesettings/devicesettings.h"
#include "devicesettings/mousedevice.h"
#include "devicesettings/recoildata.h"
#include "macro/macrolibrary.h"
#include "settings/langstrings.h"
#include "settings/settingsstore.h"
#include "view/operationtable.h"

#include <QCoreApplication>
#include <QMetaMethod>

#include <vector>

struct Operations::Private {
    Hid_Thread *hid = nullptr;
    std::unique_ptr<SettingsStore> settings;
    UserDialogs *dialogs = nullptr;
    std::unique_ptr<LangStrings> lang;
    std::unique_ptr<MouseDevice> device;
    std::unique_ptr<DeviceSettings> deviceSettings;
    std::unique_ptr<RecoilData> recoil;
    std::unique_ptr<MacroLibrary> macros;
    std::unique_ptr<Autostart> autostart;
};

Operations::Operations(const QString &modulesDir, UserDialogs *dialogs, QObject *parent)
    : QObject(parent), d(new Private)
{
    d->dialogs = dialogs;
    d->settings = std::make_unique<SettingsStore>(modulesDir, dialogs);
    // In the window, settings files are written on the store's own thread
    // while the GUI thread goes on painting, as during device transfers.
    // kesta-ctl has no window to keep alive: its writes stay on its thread.
    if (QCoreApplication::instance() && QCoreApplication::instance()->inherits("QGuiApplication"))
        d->settings->setWaiter(&TransferGate::waitUntil);
    d->lang = std::make_unique<LangStrings>(modulesDir);
    d->autostart = std::make_unique<Autostart>();
}

Operations::~Operations() = default;

void Operations::attachDevice(Hid_Thread *hid)
{
    d->hid = hid;
    // The users of the device go first.
    d->macros.reset();
    d->recoil.reset();
    d->deviceSettings.reset();
    d->device = std::make_unique<MouseDevice>(d->settings.get(), hid);
    d->deviceSettings = std::make_unique<DeviceSettings>(d->device.get());
    d->recoil = std::make_unique<RecoilData>(d->device.get());
    d->macros = std::make_unique<MacroLibrary>(d->settings.get(), d->device.get(), d->dialogs);
}

Hid_Thread *Operations::hid() const
{
    return d->hid;
}
SettingsStore *Operations::settings() const
{
    return d->settings.get();
}
LangStrings *Operations::lang() const
{
    return d->lang.get();
}
MouseDevice *Operations::device() const
{
    return d->device.get();
}
DeviceSettings *Operations::deviceSettings() const
{
    return d->deviceSettings.get();
}
RecoilData *Operations::recoil() const
{
    return d->recoil.get();
}
MacroLibrary *Operations::macros() const
{
    return d->macros.get();
}
Autostart *Operations::autostart() const
{
    return d->autostart.get();
}

QList<QObject *> Operations::objects() const
{
    QList<QObject *> out{d->settings.get(), d->lang.get(), d->autostart.get()};
    for (QObject *o :
         {static_cast<QObject *>(d->deviceSettings.get()), static_cast<QObject *>(d->recoil.get()),
          static_cast<QObject *>(d->macros.get())}) {
        if (o)
            out.append(o);
    }
    return out;
}

namespace {

// Public slots declared by the class itself (not QObject's own).
std::vector<QMetaMethod> operationMethods(const QObject *object)
{
    std::vector<QMetaMethod> out;
    const QMetaObject *mo = object->metaObject();
    for (int i = QObject::staticMetaObject.methodCount(); i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (m.access() == QMetaMethod::Public && m.methodType() == QMetaMethod::Slot)
            out.push_back(m);
    }
    return out;
}

} // namespace

QStringList Operations::signatures() const
{
    QStringList out;
    for (QObject *o : objects()) {
        for (const QMetaMethod &m : operationMethods(o))
            out.append(QString::fromLatin1(m.methodSignature()));
    }
    return out;
}

QStringList Operations::callableSignatures() const
{
    QStringList out;
    for (std::size_t i = 0; i < kOperationCount; ++i) {
        const OperationEntry &op = kOperationTable[i];
        if (op.object(*this))
            out.append(QString::fromLatin1(op.signature));
    }
    return out;
}

bool Operations::call(const QString &name, const QVariantList &args, QVariant *result,
                      QString *error)
{
    bool nameFound = false;
    for (std::size_t i = 0; i < kOperationCount; ++i) {
        const OperationEntry &op = kOperationTable[i];
        if (!op.object(*this) || name != QLatin1String(op.name))
            continue;
        nameFound = true;
        if (op.parameterCount == args.size())
            return op.invoke(*this, args, result, error);
    }
    if (error) {
        *error = nameFound ? QStringLiteral("%1 takes a different number of arguments").arg(name)
                           : QStringLiteral("unknown operation: %1").arg(name);
    }
    return false;
}
