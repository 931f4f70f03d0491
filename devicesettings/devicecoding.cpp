#include "devicesettings/devicecoding.h"

#include <algorithm>
#include <cmath>

namespace DeviceCoding {

uchar lowByte(const QVariant &value)
{
    bool ok = false;
    const qlonglong whole = value.toLongLong(&ok);
    if (ok)
        return uchar(whole & 0xFF);
    const double real = value.toDouble(&ok);
    if (ok && std::isfinite(real) && std::fabs(real) < 9.0e18)
        return uchar(qlonglong(real) & 0xFF);
    return 0;
}

uchar itemByte(const QVariantList &list, int i)
{
    return i >= 0 && i < list.size() ? lowByte(list.at(i)) : uchar(0);
}

int itemInt(const QVariantList &list, int i)
{
    if (i < 0 || i >= list.size())
        return 0;
    bool ok = false;
    const int whole = list.at(i).toInt(&ok);
    if (ok)
        return whole;
    const double real = list.at(i).toDouble(&ok);
    if (ok && std::isfinite(real) && std::fabs(real) < 2.0e9)
        return int(real);
    return 0;
}

// ---- DPI stages ----

namespace {

struct StageTable {
    const char *sensor;
    int firstThreshold;
    int step;
    int steps;
    uchar firstCode;
};

// Inclusive upper bounds: step k covers values up to firstThreshold + k * step.
constexpr StageTable kStageTables[] = {
    {"3050", 250, 250, 8, 1},
    {"3305", 400, 400, 8, 1},
    {"5050", 125, 125, 11, 1},
    {"3320", 500, 500, 14, 0x21},
};

uchar tableCode(const StageTable &table, int value)
{
    for (int k = 0; k < table.steps; ++k) {
        if (value <= table.firstThreshold + k * table.step)
            return uchar(table.firstCode + k);
    }
    return 0; // above the last step
}

} // namespace

uchar stageCode(const QString &sensor, int value, bool *highRange)
{
    if (highRange)
        *highRange = false;
    for (const StageTable &table : kStageTables) {
        if (sensor == QLatin1String(table.sensor))
            return tableCode(table, value);
    }
    if (sensor == QLatin1String("3360"))
        return uchar((value / 100 - 1) & 0xFF);
    if (sensor == QLatin1String("3389")) {
        // Code and mask bit together carry value / 50 as a nine-bit number.
        if (highRange)
            *highRange = value > 12799;
        return uchar((value / 50) & 0xFF);
    }
    // "4090" and every sensor not named above.
    if (value <= 5000)
        return uchar((value / 100 - 1) & 0xFF);
    return uchar(((value / 200) | 0x40) & 0xFF);
}

DpiCoding codeDpiStages(const QString &sensor, const QVariantList &values)
{
    DpiCoding coding;
    coding.writesHighRange = sensor == QLatin1String("3389");
    for (int i = 0; i < 8; ++i) {
        bool high = false;
        coding.codes[i] = stageCode(sensor, itemInt(values, i), &high);
        if (high)
            coding.highRangeMask |= uchar(1u << i);
    }
    return coding;
}

uchar stageEnableMask(int dpiCount)
{
    const int count = std::clamp(dpiCount, 0, 8);
    return uchar(((1u << count) - 1) & 0xFF);
}

StageCodes markDisabledStages(StageCodes codes, const QVariantList &enables)
{
    for (int i = 0; i < 8; ++i) {
        if (itemInt(enables, i) == 0)
            codes[i] = 0x80;
    }
    return codes;
}

void writeDpiStages(Image &image, const DpiCoding &coding, uchar enableMask)
{
    std::copy(coding.codes.begin(), coding.codes.end(), image.stageCodes);
    std::copy(coding.codes.begin(), coding.codes.end(), image.stageCodesAgain);
    image.stageEnableMask = enableMask;
    if (coding.writesHighRange)
        std::fill(std::begin(image.highRangeMask), std::end(image.highRangeMask),
                  coding.highRangeMask);
}

// ---- key matrices ----

KeyEntry entryFromItems(const QVariantList &items, int n)
{
    const int first = kItemsPerEntry * n;
    return {itemByte(items, first), itemByte(items, first + 1), itemByte(items, first + 2),
            itemByte(items, first + 3)};
}

KeyEntry translateEntry(KeyEntry entry, const KeyEntry &sniperEntry)
{
    switch (entry.type) {
    case 0: // mouse function; the special function keeps its bytes
        entry.type = (entry.data2 == 0x1E && entry.data3 == 2) ? 10 : 1;
        break;
    case 1: // fire
        entry.type = 10;
        break;
    case 2: // key combination
    case 6: // system function
    case 7: // shortcut
        entry.type = 0;
        break;
    case 3: // media
        break;
    case 4: // macro: the device counts its slots from 1
        entry.type = 9;
        entry.data2 = uchar(entry.data2 + 1);
        break;
    case 5: // DPI function
        if (entry.data2 == 4)
            entry = sniperEntry;
        else
            entry.type = 7;
        break;
    case 8: // weapon key
        break;
    case 0xFF: // further function
        entry.type = 4;
        break;
    default:
        break;
    }
    // The consumer usages 0x0221, 0x0223 and 0x0194 of the system functions.
    if (((entry.data2 == 0x21 || entry.data2 == 0x23) && entry.data3 == 2) ||
        (entry.data2 == 0x94 && entry.data3 == 1))
        entry.type = 3;
    return entry;
}

KeyMatrix buildMainMatrix(const QVariantList &src64, const KeyEntry &sniperEntry)
{
    KeyMatrix matrix;
    for (int n = 0; n < kButtons; ++n)
        matrix[n] = translateEntry(entryFromItems(src64, n), sniperEntry);
    std::swap(matrix[3], matrix[4]);
    matrix[6] = {11, 7, 0, 0};
    matrix[7] = {5, 0, 1, 0};
    return matrix;
}

bool hasWeaponKey(const KeyMatrix &matrix)
{
    return std::any_of(matrix.begin(), matrix.end(),
                       [](const KeyEntry &entry) { return entry.type == 8; });
}

KeyLayer firmwareLayer(const std::array<QVariantList, kButtons> &entries)
{
    KeyLayer layer;
    for (int n = 0; n < kButtons; ++n)
        layer.matrix[n] = entryFromItems(entries[std::size_t(n)]);
    return layer;
}

WeaponLayers startWeaponLayers(const KeyMatrix &main, const KeyLayer &firmware)
{
    WeaponLayers set;
    set.main = main;
    set.layers = {firmware, firmware, firmware};
    return set;
}

void applyWeaponKeys560(WeaponLayers &set)
{
    // data2 of layers 2, 3, 4 and the layer mask, for weapon choice 1, 2, 3.
    static constexpr uchar kLayerData2[3][3] = {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}};
    static constexpr uchar kMask[3] = {0x07, 0x0F, 0x1F};
    for (int n = 0; n < kButtons; ++n) {
        KeyEntry &key = set.main[n];
        if (key.type != 8)
            continue;
        const int p = key.data2;
        for (KeyLayer &layer : set.layers)
            layer.matrix[n].type = 8;
        key.data2 = 1;
        if (p >= 1 && p <= 3) {
            for (int l = 0; l < 3; ++l)
                set.layers[l].matrix[n].data2 = kLayerData2[p - 1][l];
            set.layerMask = kMask[p - 1];
        }
    }
}

void applyWeaponKeys553(WeaponLayers &set)
{
    // data3 of layers 2, 3, 4 for weapon choice 1, 2, 3.
    static constexpr uchar kLayerData3[3][3] = {{0, 0, 0}, {2, 0, 0}, {2, 3, 0}};
    for (int n = 0; n < kButtons; ++n) {
        KeyEntry &key = set.main[n];
        if (key.type != 8)
            continue;
        const int p = key.data2;
        for (KeyLayer &layer : set.layers)
            layer.matrix[n].type = 8;
        key.data3 = 1;
        if (p >= 1 && p <= 3) {
            for (int l = 0; l < 3; ++l)
                set.layers[l].matrix[n].data3 = kLayerData3[p - 1][l];
        }
        key.data1 = 0;
        key.data2 = 1;
        for (KeyLayer &layer : set.layers) {
            layer.matrix[n].data1 = 0;
            layer.matrix[n].data2 = 1;
        }
    }
}

void setFirePeriods(WeaponLayers &set, const QVariantList &otherParam)
{
    for (int l = 0; l < 3; ++l)
        set.layers[l].matrix[0] = {11, uchar(l), itemByte(otherParam, l), 0};
}

// ---- lighting ----

AttributeRecord lightAttributeRecord(uchar effect, uchar brightness, uchar speed, uchar direction,
                                     const QVariantList &rgb)
{
    constexpr uchar kEffectOff = 6;
    AttributeRecord record{};
    record[0] = 0x32;
    record[1] = effect == kEffectOff ? 0 : effect;
    record[2] = brightness;
    record[3] = speed;
    record[4] = direction;
    if (effect != kEffectOff) {
        for (int i = 0; i < 45; ++i)
            record[5 + i] = itemByte(rgb, i);
    }
    return record;
}

namespace {

uchar lookup(const uchar (&table)[5], uchar index)
{
    return index < 5 ? table[index] : uchar(0);
}

} // namespace

EffectTriple colorfulEffect(uchar effect, uchar option1, uchar option2)
{
    static constexpr uchar kBrightness[5] = {0, 64, 128, 192, 255}; // by option2
    static constexpr uchar kSpeedA[5] = {10, 7, 5, 3, 1};
    static constexpr uchar kSpeedB[5] = {20, 17, 15, 13, 11};
    static constexpr uchar kSpeedC[5] = {15, 13, 10, 7, 5};
    static constexpr uchar kSpeedD[5] = {30, 27, 24, 22, 20};
    const uchar b = lookup(kBrightness, option2);
    switch (effect) {
    case 0:
        return {1, b, 0};
    case 1:
        return {3, 0, lookup(kSpeedA, option1)};
    case 2:
        return {4, 0, lookup(kSpeedA, option1)};
    case 3:
        return {0, 0, 0};
    case 4:
        return {2, b, 0};
    case 5:
        return {5, b, lookup(kSpeedA, option1)};
    case 6:
        return {6, 0, 0};
    case 7:
        return {7, b, 0};
    case 8:
        return {8, b, lookup(kSpeedB, option1)};
    case 9:
        return {9, b, lookup(kSpeedC, option1)};
    case 10:
        return {10, b, lookup(kSpeedD, option1)};
    default:
        return {0, 0, 0};
    }
}

EffectTriple plainEffect(uchar effect, uchar option1, uchar option2)
{
    static constexpr uchar kStaticLevel[5] = {1, 3, 5, 7, 10}; // by option2
    static constexpr uchar kNeonSpeed[5] = {30, 24, 18, 12, 6};
    switch (effect) {
    case 0:
        return {1, lookup(kStaticLevel, option2), 1};
    case 1:
        return {2, uchar(option1 + 1), 1};
    case 2:
        return {3, lookup(kNeonSpeed, option1), 1};
    case 4:
        return {2, uchar(option1 + 1), 3};
    default:
        return {0, 0, 0};
    }
}

void writeEffect(Image &image, const EffectTriple &triple)
{
    std::copy(triple.begin(), triple.end(), image.effect);
}

ColourBlock colourBlock(const QVariantList &items)
{
    ColourBlock block{};
    for (int i = 0; i < 24; ++i)
        block[i] = itemByte(items, i);
    return block;
}

ColourBlock packStageNibbles(const ColourBlock &block)
{
    ColourBlock packed = block;
    for (int k = 0; k < 4; ++k)
        packed[k] = uchar((block[2 * k] & 0x0F) | (block[2 * k + 1] << 4));
    return packed;
}

bool eighthColourLit(const ColourBlock &block)
{
    return block[21] != 0 || block[22] != 0 || block[23] != 0;
}

// ---- recoil ----

void writeWeaponRecord(Image &image, uchar repeat, uchar x, uchar y)
{
    image.weaponRecord[0] = 0xF0;
    image.weaponRecord[1] = repeat;
    image.weaponRecord[2] = x;
    image.weaponRecord[3] = y;
    image.weaponFlags &= uchar(~0x04);
}

uchar recoilYByte(uchar y, bool negate)
{
    return negate ? uchar(-y & 0xFF) : y;
}

// ---- pointer settings ----

int pointerSpeed(uint cursorSpeed)
{
    if (cursorSpeed == 0)
        return 1;
    return cursorSpeed >= 10 ? 20 : int(2 * cursorSpeed);
}

int doubleClickMs(uint speed)
{
    return 900 - 70 * int(std::min(speed, 12u));
}

} // namespace DeviceCoding
