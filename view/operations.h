// The operation set that the scene calls on ui_View, gathered from the
// QtCore-only classes that implement it. The view host's slots (its base
// class ViewOperations) and call(), which kesta-ctl uses, are both written
// at build time from the classes' public slots (view/gen_operations.py).
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
    // Every operation name with its signature, e.g. "getData(QVariant,bool)",
    // read from the classes' own meta-objects (the public slots they declare).
    QStringList signatures() const;

    // The operations call() reaches, as signatures: the build writes its
    // table from the same classes (tests compare the two lists).
    QStringList callableSignatures() const;

    // Calls the operation `name` with the given arguments, converted to the
    // parameter types, through the table written at build time (a direct
    // call of the member function). On failure returns false and explains
    // why in *error.
    bool call(const QString &name, const QVariantList &args, QVariant *result, QString *error);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
