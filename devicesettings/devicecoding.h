// Pure byte work of the device settings: DPI stage codes per sensor, key
// matrix translation and weapon layers, lighting records and tables, colour
// blocks, weapon records and the pointer-setting values. Nothing here talks
// to the mouse or to a file.
#pragma once

#include "device/profileimage.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <array>
#include <cstddef>
#include <type_traits>

namespace DeviceCoding {

using StageCodes = std::array<uchar, 8>;
using ColourBlock = std::array<uchar, 24>; // 8 colours of R, G, B
using EffectTriple = std::array<uchar, 3>;
using AttributeRecord = std::array<uchar, 64>;
using Image = ProfileImage;

// A value converted to an integer and kept to its low byte (numbers, numeric
// text; anything else counts as 0).
uchar lowByte(const QVariant &value);
// Item i of a list as a byte, 0 when the list is shorter.
uchar itemByte(const QVariantList &list, int i);
// Item i of a list as an integer, 0 when the list is shorter.
int itemInt(const QVariantList &list, int i);

// ---- DPI stages ----

struct DpiCoding {
    StageCodes codes{};
    uchar highRangeMask = 0;
    bool writesHighRange = false; // only the sensor with a ninth code bit
};

// Code of one stage value for a sensor; sets *highRange when the value needs
// the ninth bit. Unknown sensor texts are coded like "4090".
uchar stageCode(const QString &sensor, int value, bool *highRange = nullptr);
// The eight stages of a list (missing values count as 0).
DpiCoding codeDpiStages(const QString &sensor, const QVariantList &values);
// Bits 0..dpiCount-1 (dpiCount clamped to 0..8).
uchar stageEnableMask(int dpiCount);
// 553 family: a stage whose enable flag is 0 (or missing) is sent as 0x80.
StageCodes markDisabledStages(StageCodes codes, const QVariantList &enables);
void writeDpiStages(Image &image, const DpiCoding &coding, uchar enableMask);

// ---- key matrices ----

// One button's assignment: a type and three bytes whose meaning depends on
// it (a key combination: modifier bits and two key codes; a macro: play mode
// and slot; a weapon key: its choice in data2). The pages use the same four
// bytes with their own types, which translateEntry() turns into the
// device's.
struct KeyEntry {
    uchar type = 0;
    uchar data1 = 0;
    uchar data2 = 0;
    uchar data3 = 0;
};

constexpr int kButtons = 16;

// The sixteen buttons in device order, 64 bytes as the key-matrix commands
// carry them.
struct KeyMatrix {
    std::array<KeyEntry, kButtons> entries{};

    KeyEntry &operator[](int n) { return entries[std::size_t(n)]; }
    const KeyEntry &operator[](int n) const { return entries[std::size_t(n)]; }
    auto begin() { return entries.begin(); }
    auto end() { return entries.end(); }
    auto begin() const { return entries.begin(); }
    auto end() const { return entries.end(); }

    // What the key-matrix commands take.
    uchar *bytes() { return reinterpret_cast<uchar *>(entries.data()); }
    const uchar *bytes() const { return reinterpret_cast<const uchar *>(entries.data()); }
};

// A weapon layer (and the reset buffer): 128 bytes, a matrix and zeros.
struct KeyLayer {
    KeyMatrix matrix{};
    std::array<uchar, 64> zeros{};
};

static_assert(sizeof(KeyEntry) == 4 && alignof(KeyEntry) == 1, "an entry is four bytes");
static_assert(offsetof(KeyEntry, type) == 0 && offsetof(KeyEntry, data1) == 1 &&
                  offsetof(KeyEntry, data2) == 2 && offsetof(KeyEntry, data3) == 3,
              "type first, then the data bytes in order");
static_assert(sizeof(KeyMatrix) == 64 && offsetof(KeyMatrix, entries) == 0,
              "entry n at bytes 4n to 4n + 3");
static_assert(sizeof(KeyLayer) == 128 && offsetof(KeyLayer, matrix) == 0 &&
                  offsetof(KeyLayer, zeros) == 64,
              "a layer is its matrix followed by 64 bytes");
static_assert(std::is_standard_layout_v<KeyEntry> && std::is_standard_layout_v<KeyMatrix> &&
                  std::is_standard_layout_v<KeyLayer>,
              "laid out as declared");
static_assert(std::is_trivially_copyable_v<KeyEntry> && std::is_trivially_copyable_v<KeyMatrix> &&
                  std::is_trivially_copyable_v<KeyLayer>,
              "handed to the device as bytes");

// The pages pass a matrix as one list of 64 items: button n in items
// kItemsPerEntry * n onwards, in the order of KeyEntry's fields.
constexpr int kItemsPerEntry = 4;
// Button n of such a list (n = 0 for a list of one entry); missing items
// count as 0.
KeyEntry entryFromItems(const QVariantList &items, int n = 0);

// One entry from the interface's coding to the device's; sniperEntry is what
// DPI function 4 becomes on this command family.
KeyEntry translateEntry(KeyEntry entry, const KeyEntry &sniperEntry);
// The main matrix from 64 interface items (missing items count as 0):
// translated, entries 3 and 4 exchanged, entries 6 and 7 fixed.
KeyMatrix buildMainMatrix(const QVariantList &src64, const KeyEntry &sniperEntry);
bool hasWeaponKey(const KeyMatrix &matrix);
// The factory matrix: 16 lists of 4 items taken as they are (missing items 0).
KeyLayer firmwareLayer(const std::array<QVariantList, kButtons> &entries);

struct WeaponLayers {
    KeyMatrix main{};
    std::array<KeyLayer, 3> layers{}; // layers 2, 3, 4
    int layerMask = -1;               // 560 family: image 0 byte 2, -1 when unset
};

// Starts from the main matrix and the factory matrix copied into layers 2..4.
WeaponLayers startWeaponLayers(const KeyMatrix &main, const KeyLayer &firmware);
// Marks every weapon key in the layers, one rule per command family.
void applyWeaponKeys560(WeaponLayers &set);
void applyWeaponKeys553(WeaponLayers &set);
// Entry 0 of layers 2..4 carries the fire period of weapon slot 1..3.
void setFirePeriods(WeaponLayers &set, const QVariantList &otherParam);

// ---- lighting ----

// The 64-byte payload of the light attribute command (bytes 50..63 zero);
// colours beyond the 45th are ignored, missing ones are 0.
AttributeRecord lightAttributeRecord(uchar effect, uchar brightness, uchar speed, uchar direction,
                                     const QVariantList &rgb);
// Effect triples of mice with full colour (M, brightness, speed) and without (M, P, Q).
EffectTriple colorfulEffect(uchar effect, uchar option1, uchar option2);
EffectTriple plainEffect(uchar effect, uchar option1, uchar option2);
void writeEffect(Image &image, const EffectTriple &triple);

// Up to 24 items (more are ignored), zero-filled.
ColourBlock colourBlock(const QVariantList &items);
// Stage colours of type 2: byte k = item 2k in the low nibble, item 2k+1 in
// the high one, for k = 0..3; bytes 4..23 stay as they are.
ColourBlock packStageNibbles(const ColourBlock &block);
// Whether the eighth colour (bytes 21..23) is not black.
bool eighthColourLit(const ColourBlock &block);

// ---- recoil ----

void writeWeaponRecord(Image &image, uchar repeat, uchar x, uchar y);
uchar recoilYByte(uchar y, bool negate);

// ---- pointer settings ----

// Slider index to pointer speed: 2 x index, 1 for index 0, at most 20.
int pointerSpeed(uint cursorSpeed);
// Slider index to double-click time: 900 - 70 x index ms, never below the
// 60 ms that index 12 gives.
int doubleClickMs(uint speed);

} // namespace DeviceCoding
