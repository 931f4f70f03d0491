// The operation set that the scene calls on ui_View, gathered from the
// QtCore-only classes that implement it. The view host forwards its slots
// here; kesta-ctl calls the same objects by name.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <memory>

class Hid_Thread;
class UserDialogs;
class SettingsStore;
class LangStrings;
class DeviceSettings;
class RecoilData;
class MacroLibrary;
class MouseDevice;
class Autostart;

class Operations : public QObject
{
    Q_OBJECT
public:
    Operations(const QString &modulesDir, UserDialogs *dialogs, QObject *parent = nullptr);
    ~Operations() override;

    // Creates the device-bound parts; called once the protocol object exists.
    void attachDevice(Hid_Thread *hid);
    Hid_Thread *hid() const;

    SettingsStore *settings() const;
    LangStrings *lang() const;
    MouseDevice *device() const;            // null until attachDevice
    DeviceSettings *deviceSettings() const; // null until attachDevice
    RecoilData *recoil() const;             // null until attachDevice
    MacroLibrary *macros() const;           // null until attachDevice
    Autostart *autostart() const;

    // The objects whose public slots are operations, in lookup order.
    QList<QObject *> objects() const;
    // Every operation name with its signature, e.g. "getData(QVariant,bool)".
    QStringList signatures() const;

    // Calls the operation `name` with the given arguments, converted to the
    // parameter types. On failure returns false and explains why in *error.
    bool call(const QString &name, const QVariantList &args, QVariant *result, QString *error);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
