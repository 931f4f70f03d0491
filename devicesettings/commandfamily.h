// The two firmware command families behind one table. Everything that
// differs between a 553-family and a 560-family mouse is decided here: the
// commands of each setting, the notification option switched on at connect,
// the on-board profiles read then and the macro slot command. The family is
// chosen once, from the global file's icType, by the MouseDevice; nothing
// else asks which family a mouse speaks.
#pragma once

#include "devicesettings/devicecoding.h"

#include <QString>

#include <vector>

class Hid_Thread;
class MouseDevice;

class CommandFamily
{
public:
    virtual ~CommandFamily() = default;

    // "560" selects the 560 family, any other text the 553 family.
    static const CommandFamily &forType(const QString &icType);

    // "553" or "560" (logs and tests).
    virtual QString name() const = 0;

    // ---- connect sequence ----

    // Read-modify-write of the keyboard options that makes the mouse report
    // its DPI button. When the read fails nothing is written back: there is
    // nothing sound to write.
    virtual void switchNotificationOn(Hid_Thread &hid) const = 0;
    // The on-board profiles whose images are read when the mouse connects.
    virtual std::vector<uint> profilesReadOnConnect(bool isGun) const = 0;
    // Whether the mouse keeps on-board profiles (and a current one to ask
    // for) rather than the four keyboard-option bytes.
    virtual bool keepsOnboardProfiles() const = 0;

    // ---- button assignment ----

    // What DPI function 4 (sniper key) becomes on the device.
    virtual DeviceCoding::KeyEntry sniperEntry() const = 0;
    virtual void sendKeyLayer(MouseDevice &mouse, DeviceCoding::KeyMatrix &matrix,
                              uchar layer) const = 0;
    virtual void applyWeaponKeys(DeviceCoding::WeaponLayers &set) const = 0;
    // Sends the main matrix and layers 2..4 and switches to the layered set.
    virtual void sendWeaponLayers(MouseDevice &mouse, DeviceCoding::WeaponLayers &set) const = 0;
    virtual void switchKeyMatrix(MouseDevice &mouse, int indexNo) const = 0;

    // ---- macros ----

    // The encoded block of macro slot macroId (1-based); false when it was
    // not delivered.
    virtual bool sendMacro(Hid_Thread &hid, uchar macroId, uchar *block) const = 0;

    // ---- DPI ----

    virtual void sendDpiStages(MouseDevice &mouse, const DeviceCoding::DpiCoding &coding,
                               int dpiCount, const QVariantList &dpiEnableArray) const = 0;
    virtual void setCurrentDpi(MouseDevice &mouse, uchar stage) const = 0;
    virtual uchar readCurrentDpi(MouseDevice &mouse) const = 0;

    // ---- lighting; the triple comes from the table of the mouse's colour kind ----

    virtual void sendColorfulEffect(MouseDevice &mouse,
                                    const DeviceCoding::EffectTriple &triple) const = 0;
    virtual void sendPlainEffect(MouseDevice &mouse,
                                 const DeviceCoding::EffectTriple &triple) const = 0;
    virtual void sendStageColours(MouseDevice &mouse, uchar type,
                                  DeviceCoding::ColourBlock &block) const = 0;

    // ---- rates ----

    virtual void setReportRate(MouseDevice &mouse, uchar rate) const = 0;
    virtual void setLiftOff(MouseDevice &mouse, uchar distance, uchar enable) const = 0;

    // ---- recoil record of weapon slot 1..3 ----

    virtual void sendWeaponRecord(MouseDevice &mouse, int slot, uchar repeat, uchar x,
                                  uchar y) const = 0;
};
