// The two firmware command families behind one interface. Every device
// operation asks CommandFamily::of(store) for the family of the connected
// mouse and lets it pick the commands; nothing else tests the family.
#pragma once

#include "devicesettings/devicecoding.h"

class Hid_Thread;
class SettingsStore;

class CommandFamily
{
public:
    virtual ~CommandFamily() = default;

    // The family selected by the store's icType ("560" or anything else).
    static const CommandFamily &of(const SettingsStore &store);

    // What DPI function 4 (sniper key) becomes on the device.
    virtual DeviceCoding::KeyEntry sniperEntry() const = 0;

    // Key matrices.
    virtual void sendKeyLayer(Hid_Thread &hid, uchar *matrix, uchar layer) const = 0;
    virtual void applyWeaponKeys(DeviceCoding::WeaponLayers &set) const = 0;
    // Sends the main matrix and layers 2..4 and switches to the layered set.
    virtual void sendWeaponLayers(Hid_Thread &hid, SettingsStore &store,
                                  DeviceCoding::WeaponLayers &set) const = 0;
    virtual void switchKeyMatrix(Hid_Thread &hid, int indexNo) const = 0;

    // DPI.
    virtual void sendDpiStages(Hid_Thread &hid, SettingsStore &store,
                               const DeviceCoding::DpiCoding &coding, int dpiCount,
                               const QVariantList &dpiEnableArray) const = 0;
    virtual void setCurrentDpi(Hid_Thread &hid, uchar stage) const = 0;
    virtual uchar readCurrentDpi(Hid_Thread &hid) const = 0;

    // Lighting; the triple comes from the table of the mouse's colour kind.
    virtual void sendColorfulEffect(Hid_Thread &hid, SettingsStore &store,
                                    const DeviceCoding::EffectTriple &triple) const = 0;
    virtual void sendPlainEffect(Hid_Thread &hid, SettingsStore &store,
                                 const DeviceCoding::EffectTriple &triple) const = 0;
    virtual void sendStageColours(Hid_Thread &hid, SettingsStore &store, uchar type,
                                  DeviceCoding::ColourBlock &block) const = 0;

    // Rates.
    virtual void setReportRate(Hid_Thread &hid, uchar rate) const = 0;
    virtual void setLiftOff(Hid_Thread &hid, uchar distance, uchar enable) const = 0;

    // Recoil record of weapon slot 1..3.
    virtual void sendWeaponRecord(Hid_Thread &hid, SettingsStore &store, int slot, uchar repeat,
                                  uchar x, uchar y) const = 0;
};
