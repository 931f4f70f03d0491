// One on-board profile of a 560-family mouse as it travels whole in the
// profile commands (0CH out, 8CH in): 128 bytes. The program owns the fields
// named here; every other byte keeps what the mouse sent.
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <type_traits>

struct ProfileImage {
    uchar reserved00[2];
    uchar layerMask; // image 0: the weapon layers in use, 0x07, 0x0F or 0x1F
    uchar reserved03[0x15];
    uchar colourfulColours[24]; // image 0: eight stage colours, R G B (full-colour mice)
    uchar reserved30[0x11];
    uchar weaponFlags; // images 2..4: bit 2 cleared once a weapon record is written
    uchar reserved42[5];
    uchar effect[3]; // images 1..4: the lighting effect triple
    uchar reserved4A[4];
    uchar weaponRecord[4];    // images 2..4: 0xF0, repeat count, X, Y
    uchar highRangeMask[2];   // images 1..4: ninth code bit of each stage, twice
    uchar stageCodes[8];      // images 1..4: DPI stage codes 1..8
    uchar stageCodesAgain[8]; // images 1..4: the same codes again
    uchar stageEnableMask;    // images 1..4
    uchar reserved65[3];
    uchar plainColours[24]; // image 1: eight stage colours, R G B (other mice)

    static constexpr std::size_t size() { return 128; }
    uchar *data() { return reinterpret_cast<uchar *>(this); }
    const uchar *data() const { return reinterpret_cast<const uchar *>(this); }
    uchar *begin() { return data(); }
    uchar *end() { return data() + size(); }
    const uchar *begin() const { return data(); }
    const uchar *end() const { return data() + size(); }
    uchar &operator[](std::size_t i) { return data()[i]; }
    uchar operator[](std::size_t i) const { return data()[i]; }
    void fill(uchar value) { std::fill(begin(), end(), value); }

    friend bool operator==(const ProfileImage &a, const ProfileImage &b)
    {
        return std::memcmp(a.data(), b.data(), size()) == 0;
    }
    friend bool operator!=(const ProfileImage &a, const ProfileImage &b) { return !(a == b); }
    friend bool operator==(const ProfileImage &a, const std::array<uchar, 128> &b)
    {
        return std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator==(const std::array<uchar, 128> &a, const ProfileImage &b)
    {
        return b == a;
    }
};

// The five images, numbered like the profiles they mirror.
using ProfileImages = std::array<ProfileImage, 5>;

static_assert(sizeof(ProfileImage) == 128, "a profile image is 128 bytes");
static_assert(std::is_standard_layout_v<ProfileImage> && std::is_trivially_copyable_v<ProfileImage>,
              "profile images are copied as bytes");
static_assert(offsetof(ProfileImage, layerMask) == 0x02);
static_assert(offsetof(ProfileImage, colourfulColours) == 0x18);
static_assert(offsetof(ProfileImage, weaponFlags) == 0x41);
static_assert(offsetof(ProfileImage, effect) == 0x47);
static_assert(offsetof(ProfileImage, weaponRecord) == 0x4E);
static_assert(offsetof(ProfileImage, highRangeMask) == 0x52);
static_assert(offsetof(ProfileImage, stageCodes) == 0x54);
static_assert(offsetof(ProfileImage, stageCodesAgain) == 0x5C);
static_assert(offsetof(ProfileImage, stageEnableMask) == 0x64);
static_assert(offsetof(ProfileImage, plainColours) == 0x68);
static_assert(sizeof(ProfileImages) == 5 * 128);
