#include "devicesettings/commandfamily.h"

#include "device/hid_thread.h"
#include "devicesettings/mousedevice.h"

#include <algorithm>

using namespace DeviceCoding;

namespace {

// Image 1, and images 2..4 as well on a weapon-capable mouse, each as the
// profile of its own number.
void sendProfileImages(MouseDevice &mouse)
{
    const uint last = mouse.isGun() ? 4 : 1;
    for (uint n = 1; n <= last; ++n)
        mouse.sendProfile(n);
}

class Family553 : public CommandFamily
{
public:
    QString name() const override { return QStringLiteral("553"); }

    void switchNotificationOn(Hid_Thread &hid) const override
    {
        uchar b1 = 0, b2 = 0, b3 = 0, b4 = 0;
        if (hid.hid553_83H_GetKeyboardoption(b1, b2, b3, b4))
            hid.hid553_03H_SetKeyboardoption(b1, b2, b3, uchar(b4 | 0x40));
    }

    std::vector<uint> profilesReadOnConnect(bool) const override { return {}; }
    bool keepsOnboardProfiles() const override { return false; }

    KeyEntry sniperEntry() const override { return {7, 0, 4, 1}; }

    void sendKeyLayer(MouseDevice &mouse, KeyMatrix &matrix, uchar layer) const override
    {
        mouse.hid().hid553_12H_SetKeyMatrix(matrix.bytes(), layer);
    }

    void applyWeaponKeys(WeaponLayers &set) const override { applyWeaponKeys553(set); }

    void sendWeaponLayers(MouseDevice &mouse, WeaponLayers &set) const override
    {
        Hid_Thread &hid = mouse.hid();
        hid.hid553_12H_SetKeyMatrix(set.main.bytes(), 1);
        for (int l = 0; l < 3; ++l)
            hid.hid553_12H_SetKeyMatrix(set.layers[l].matrix.bytes(), uchar(l + 2));
        hid.hid553_02H_SetCurrentKeyMatrix(1);
    }

    void switchKeyMatrix(MouseDevice &mouse, int indexNo) const override
    {
        mouse.hid().hid553_02H_SetCurrentKeyMatrix(uchar(indexNo - 1));
    }

    bool sendMacro(Hid_Thread &hid, uchar macroId, uchar *block) const override
    {
        return hid.hid553_13H_SetMacroKey(macroId, block);
    }

    void sendDpiStages(MouseDevice &mouse, const DpiCoding &coding, int,
                       const QVariantList &dpiEnableArray) const override
    {
        // The stage count is always 8 here; disabled stages carry 0x80.
        StageCodes codes = markDisabledStages(coding.codes, dpiEnableArray);
        mouse.hid().hid553_11H_SetDPISet(8, codes.data());
    }

    void setCurrentDpi(MouseDevice &mouse, uchar stage) const override
    {
        mouse.hid().hid553_0BH_SetCurrentDPI(stage);
    }

    uchar readCurrentDpi(MouseDevice &mouse) const override
    {
        uchar stage = 0;
        mouse.hid().hid553_8BH_GetCurrentDPI(stage);
        return stage;
    }

    void sendColorfulEffect(MouseDevice &mouse, const EffectTriple &triple) const override
    {
        mouse.hid().hid553_0DH_SetRGBLedEffect(triple[0], triple[1], triple[2]);
    }

    void sendPlainEffect(MouseDevice &mouse, const EffectTriple &triple) const override
    {
        mouse.hid().hid553_0DH_SetRGBLedEffect(triple[0], triple[1],
                                               mouse.is55328() ? triple[2] : 2);
    }

    void sendStageColours(MouseDevice &mouse, uchar type, ColourBlock &block) const override
    {
        Hid_Thread &hid = mouse.hid();
        if (!mouse.is55328()) {
            hid.hid553_10H_SetLED8StageColor(type, block.data());
            hid.hid553_10H_SetLED8StageColor(type, block.data());
            return;
        }
        // This model shows the eight stage colours only when the eighth is
        // lit; otherwise it takes one fixed colour, the first.
        if (eighthColourLit(block))
            hid.hid553_10H_SetLED8StageColor(0, block.data());
        else
            hid.hid553_0CH_SetFixLEDColor(block.data());
    }

    void setReportRate(MouseDevice &mouse, uchar rate) const override
    {
        mouse.hid().hid553_01H_SetReportRate(rate);
    }

    void setLiftOff(MouseDevice &mouse, uchar distance, uchar enable) const override
    {
        mouse.hid().hid553_07H_Lod(distance, enable);
    }

    void sendWeaponRecord(MouseDevice &mouse, int slot, uchar repeat, uchar x,
                          uchar y) const override
    {
        // A non-zero option byte 3 turns the mouse's Y axis round. A failed
        // read leaves the preset zeros, so Y then goes out unchanged.
        Hid_Thread &hid = mouse.hid();
        uchar b1 = 0, b2 = 0, b3 = 0, b4 = 0;
        hid.hid553_83H_GetKeyboardoption(b1, b2, b3, b4);
        hid.hid553_04H_SetGunData(repeat, x, recoilYByte(y, b3 != 0), uchar(slot - 1));
    }
};

class Family560 : public CommandFamily
{
public:
    QString name() const override { return QStringLiteral("560"); }

    void switchNotificationOn(Hid_Thread &hid) const override
    {
        uchar b1 = 0, b2 = 0;
        if (hid.hid560_81H_GetKeyboardoption(b1, b2))
            hid.hid560_01H_SetKeyboardoption(uchar(b1 | 0x08), b2);
    }

    std::vector<uint> profilesReadOnConnect(bool isGun) const override
    {
        if (isGun)
            return {0, 1, 2, 3, 4};
        return {0, 1};
    }

    bool keepsOnboardProfiles() const override { return true; }

    KeyEntry sniperEntry() const override { return {11, 0, 1, 1}; }

    void sendKeyLayer(MouseDevice &mouse, KeyMatrix &matrix, uchar layer) const override
    {
        mouse.hid().hid560_0DH_SetKeyMatrix(matrix.bytes(), layer);
    }

    void applyWeaponKeys(WeaponLayers &set) const override { applyWeaponKeys560(set); }

    void sendWeaponLayers(MouseDevice &mouse, WeaponLayers &set) const override
    {
        Hid_Thread &hid = mouse.hid();
        if (set.layerMask >= 0)
            mouse.images[0].layerMask = uchar(set.layerMask);
        mouse.sendProfile(0);
        hid.hid560_0DH_SetKeyMatrix(set.main.bytes(), 1);
        for (int l = 0; l < 3; ++l)
            hid.hid560_0DH_SetKeyMatrix(set.layers[l].matrix.bytes(), uchar(l + 2));
        hid.hid560_02H_SetCurrentProfile(1);
    }

    void switchKeyMatrix(MouseDevice &mouse, int indexNo) const override
    {
        mouse.hid().hid560_02H_SetCurrentProfile(uchar(indexNo));
    }

    bool sendMacro(Hid_Thread &hid, uchar macroId, uchar *block) const override
    {
        return hid.hid560_0FH_SetMacroKey(macroId, block);
    }

    void sendDpiStages(MouseDevice &mouse, const DpiCoding &coding, int dpiCount,
                       const QVariantList &) const override
    {
        const uchar mask = stageEnableMask(dpiCount);
        for (int n = 1; n <= 4; ++n)
            writeDpiStages(mouse.images[n], coding, mask);
        sendProfileImages(mouse);
    }

    void setCurrentDpi(MouseDevice &mouse, uchar stage) const override
    {
        mouse.hid().hid560_04H_SetCurrentDPI(stage);
    }

    uchar readCurrentDpi(MouseDevice &mouse) const override
    {
        uchar which = 1, stage = 0;
        mouse.hid().hid560_84H_GetCurrentDPI(which, stage);
        return stage;
    }

    void sendColorfulEffect(MouseDevice &mouse, const EffectTriple &triple) const override
    {
        for (int n = 1; n <= 4; ++n)
            writeEffect(mouse.images[n], triple);
        sendProfileImages(mouse);
    }

    void sendPlainEffect(MouseDevice &mouse, const EffectTriple &triple) const override
    {
        for (int n = 1; n <= 4; ++n)
            writeEffect(mouse.images[n], {triple[0], triple[1], 2});
        if (!mouse.isGun())
            mouse.images[1].effect[2] = 3;
        sendProfileImages(mouse);
    }

    void sendStageColours(MouseDevice &mouse, uchar, ColourBlock &block) const override
    {
        // Full-colour mice keep the stage colours in image 0, the others in image 1.
        const uint n = mouse.isColorful() ? 0 : 1;
        uchar *colours =
            mouse.isColorful() ? mouse.images[0].colourfulColours : mouse.images[1].plainColours;
        std::copy(block.begin(), block.end(), colours);
        mouse.sendProfile(n);
    }

    void setReportRate(MouseDevice &mouse, uchar rate) const override
    {
        mouse.hid().hid560_03H_SetReportRate(rate);
    }

    void setLiftOff(MouseDevice &mouse, uchar distance, uchar enable) const override
    {
        mouse.hid().hid560_09H_Lod(distance, enable);
    }

    void sendWeaponRecord(MouseDevice &mouse, int slot, uchar repeat, uchar x,
                          uchar y) const override
    {
        writeWeaponRecord(mouse.images[slot + 1], repeat, x, y);
        mouse.sendProfile(uint(slot + 1));
    }
};

} // namespace

const CommandFamily &CommandFamily::forType(const QString &icType)
{
    static const Family553 family553;
    static const Family560 family560;
    if (icType == QLatin1String("560"))
        return family560;
    return family553;
}
