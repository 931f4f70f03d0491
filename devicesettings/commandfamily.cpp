#include "devicesettings/commandfamily.h"

#include "device/hid_thread.h"
#include "settings/settingsstore.h"

#include <algorithm>

using namespace DeviceCoding;

namespace {

// Image 1, and images 2..4 as well on a weapon-capable mouse, each as the
// profile of its own number.
void sendProfileImages(Hid_Thread &hid, SettingsStore &store)
{
    const int last = store.isGun ? 4 : 1;
    for (int n = 1; n <= last; ++n)
        hid.hid560_0CH_setProfile(store.profileImages[n].data(), uchar(n));
}

class Family553 : public CommandFamily
{
public:
    KeyEntry sniperEntry() const override { return {7, 0, 4, 1}; }

    void sendKeyLayer(Hid_Thread &hid, uchar *matrix, uchar layer) const override
    {
        hid.hid553_12H_SetKeyMatrix(matrix, layer);
    }

    void applyWeaponKeys(WeaponLayers &set) const override { applyWeaponKeys553(set); }

    void sendWeaponLayers(Hid_Thread &hid, SettingsStore &, WeaponLayers &set) const override
    {
        hid.hid553_12H_SetKeyMatrix(set.main.bytes(), 1);
        for (int l = 0; l < 3; ++l)
            hid.hid553_12H_SetKeyMatrix(set.layers[l].matrix.bytes(), uchar(l + 2));
        hid.hid553_02H_SetCurrentKeyMatrix(1);
    }

    void switchKeyMatrix(Hid_Thread &hid, int indexNo) const override
    {
        hid.hid553_02H_SetCurrentKeyMatrix(uchar(indexNo - 1));
    }

    void sendDpiStages(Hid_Thread &hid, SettingsStore &, const DpiCoding &coding, int,
                       const QVariantList &dpiEnableArray) const override
    {
        // The stage count is always 8 here; disabled stages carry 0x80.
        StageCodes codes = markDisabledStages(coding.codes, dpiEnableArray);
        hid.hid553_11H_SetDPISet(8, codes.data());
    }

    void setCurrentDpi(Hid_Thread &hid, uchar stage) const override
    {
        hid.hid553_0BH_SetCurrentDPI(stage);
    }

    uchar readCurrentDpi(Hid_Thread &hid) const override
    {
        uchar stage = 0;
        hid.hid553_8BH_GetCurrentDPI(stage);
        return stage;
    }

    void sendColorfulEffect(Hid_Thread &hid, SettingsStore &,
                            const EffectTriple &triple) const override
    {
        hid.hid553_0DH_SetRGBLedEffect(triple[0], triple[1], triple[2]);
    }

    void sendPlainEffect(Hid_Thread &hid, SettingsStore &store,
                         const EffectTriple &triple) const override
    {
        hid.hid553_0DH_SetRGBLedEffect(triple[0], triple[1], store.is55328 ? triple[2] : 2);
    }

    void sendStageColours(Hid_Thread &hid, SettingsStore &store, uchar type,
                          ColourBlock &block) const override
    {
        if (!store.is55328) {
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

    void setReportRate(Hid_Thread &hid, uchar rate) const override
    {
        hid.hid553_01H_SetReportRate(rate);
    }

    void setLiftOff(Hid_Thread &hid, uchar distance, uchar enable) const override
    {
        hid.hid553_07H_Lod(distance, enable);
    }

    void sendWeaponRecord(Hid_Thread &hid, SettingsStore &, int slot, uchar repeat, uchar x,
                          uchar y) const override
    {
        // A non-zero option byte 3 turns the mouse's Y axis round. A failed
        // read leaves the preset zeros, so Y then goes out unchanged.
        uchar b1 = 0, b2 = 0, b3 = 0, b4 = 0;
        hid.hid553_83H_GetKeyboardoption(b1, b2, b3, b4);
        hid.hid553_04H_SetGunData(repeat, x, recoilYByte(y, b3 != 0), uchar(slot - 1));
    }
};

class Family560 : public CommandFamily
{
public:
    KeyEntry sniperEntry() const override { return {11, 0, 1, 1}; }

    void sendKeyLayer(Hid_Thread &hid, uchar *matrix, uchar layer) const override
    {
        hid.hid560_0DH_SetKeyMatrix(matrix, layer);
    }

    void applyWeaponKeys(WeaponLayers &set) const override { applyWeaponKeys560(set); }

    void sendWeaponLayers(Hid_Thread &hid, SettingsStore &store, WeaponLayers &set) const override
    {
        Image &image0 = store.profileImages[0];
        if (set.layerMask >= 0)
            image0[ImageByte::LayerMask] = uchar(set.layerMask);
        hid.hid560_0CH_setProfile(image0.data(), 0);
        hid.hid560_0DH_SetKeyMatrix(set.main.bytes(), 1);
        for (int l = 0; l < 3; ++l)
            hid.hid560_0DH_SetKeyMatrix(set.layers[l].matrix.bytes(), uchar(l + 2));
        hid.hid560_02H_SetCurrentProfile(1);
    }

    void switchKeyMatrix(Hid_Thread &hid, int indexNo) const override
    {
        hid.hid560_02H_SetCurrentProfile(uchar(indexNo));
    }

    void sendDpiStages(Hid_Thread &hid, SettingsStore &store, const DpiCoding &coding, int dpiCount,
                       const QVariantList &) const override
    {
        const uchar mask = stageEnableMask(dpiCount);
        for (int n = 1; n <= 4; ++n)
            writeDpiStages(store.profileImages[n], coding, mask);
        sendProfileImages(hid, store);
    }

    void setCurrentDpi(Hid_Thread &hid, uchar stage) const override
    {
        hid.hid560_04H_SetCurrentDPI(stage);
    }

    uchar readCurrentDpi(Hid_Thread &hid) const override
    {
        uchar which = 1, stage = 0;
        hid.hid560_84H_GetCurrentDPI(which, stage);
        return stage;
    }

    void sendColorfulEffect(Hid_Thread &hid, SettingsStore &store,
                            const EffectTriple &triple) const override
    {
        for (int n = 1; n <= 4; ++n)
            writeEffect(store.profileImages[n], triple);
        sendProfileImages(hid, store);
    }

    void sendPlainEffect(Hid_Thread &hid, SettingsStore &store,
                         const EffectTriple &triple) const override
    {
        for (int n = 1; n <= 4; ++n)
            writeEffect(store.profileImages[n], {triple[0], triple[1], 2});
        if (!store.isGun)
            store.profileImages[1][ImageByte::Effect + 2] = 3;
        sendProfileImages(hid, store);
    }

    void sendStageColours(Hid_Thread &hid, SettingsStore &store, uchar,
                          ColourBlock &block) const override
    {
        const int image = store.isColorful ? 0 : 1;
        const int offset = store.isColorful ? ImageByte::ColourfulColours : ImageByte::PlainColours;
        std::copy(block.begin(), block.end(), store.profileImages[image].begin() + offset);
        hid.hid560_0CH_setProfile(store.profileImages[image].data(), uchar(image));
    }

    void setReportRate(Hid_Thread &hid, uchar rate) const override
    {
        hid.hid560_03H_SetReportRate(rate);
    }

    void setLiftOff(Hid_Thread &hid, uchar distance, uchar enable) const override
    {
        hid.hid560_09H_Lod(distance, enable);
    }

    void sendWeaponRecord(Hid_Thread &hid, SettingsStore &store, int slot, uchar repeat, uchar x,
                          uchar y) const override
    {
        Image &image = store.profileImages[slot + 1];
        writeWeaponRecord(image, repeat, x, y);
        hid.hid560_0CH_setProfile(image.data(), uchar(slot + 1));
    }
};

} // namespace

const CommandFamily &CommandFamily::of(const SettingsStore &store)
{
    static const Family553 family553;
    static const Family560 family560;
    if (store.is560())
        return family560;
    return family553;
}
