// The command set of both firmware families, each command described once:
// its code, the parameter bytes of its frame (fixed, from the slot's
// arguments, or the length of its data phase), the data phase, whether it
// settles, what a query preloads and hands back, and the line written when
// the command interface stays busy. Hid_Thread's slots look their command up
// here (command<553, 0x12>() for hid553_12H_...) and add only what the table
// cannot say: argument checks and trace lines.
#pragma once

#include "device/hidcodec.h"

#include <array>
#include <cstddef>
#include <initializer_list>

namespace CommandSet {

using uchar = unsigned char;

// Commands that every device takes, whatever its family.
constexpr int kAnyFamily = 0;
// The largest data phase.
constexpr int kMaxDataLength = 128;

// One parameter byte of a frame (bytes 2 to 7); unused bytes are 0x00.
struct Param {
    enum Kind : uchar { Fixed, Arg, DataLength };
    Kind kind = Fixed;
    uchar value = 0; // the fixed byte, or which argument
};

constexpr Param fixed(uchar byte)
{
    return {Param::Fixed, byte};
}
constexpr Param arg(uchar position)
{
    return {Param::Arg, position};
}
// The length of the data phase that follows the frame.
constexpr Param lengthByte{Param::DataLength, 0};

enum class Exchange { Command, Query };

// What a query's reply holds before the exchange.
enum class Preload { Zeros, CallerValues };

struct Reply {
    int first = 2; // reply byte of the first result
    Preload preload = Preload::Zeros;
    // Whether a failed exchange still hands back the preloaded reply.
    bool afterFailure = true;
};

// Preloaded with the caller's values, which a failed exchange hands back.
constexpr Reply callerValues(int first)
{
    return {first, Preload::CallerValues, true};
}
// Preloaded with zeros, which a failed exchange hands back.
constexpr Reply zeros(int first)
{
    return {first, Preload::Zeros, true};
}
// Preloaded with zeros; results only after a completed exchange.
constexpr Reply answeredOnly(int first)
{
    return {first, Preload::Zeros, false};
}

struct Entry {
    int family = kAnyFamily; // 553, 560 or kAnyFamily
    uchar code = 0;
    Exchange exchange = Exchange::Command;
    std::array<Param, 6> params{};
    int dataLength = 0; // bytes of the data phase (10H sends fewer for type 2)
    bool pause = false; // settle after the frame and after the data phase
    const char *busyLine = "";
    Reply reply{}; // queries only
};

namespace detail {

constexpr Entry makeCommand(int family, uchar code, std::array<Param, 6> params, int dataLength,
                            bool pause, const char *busyLine)
{
    return {family, code, Exchange::Command, params, dataLength, pause, busyLine, Reply{}};
}

// Queries never settle: the reply is read at once.
constexpr Entry makeQuery(int family, uchar code, std::array<Param, 6> params, int dataLength,
                          Reply reply, const char *busyLine)
{
    return {family, code, Exchange::Query, params, dataLength, false, busyLine, reply};
}

} // namespace detail

// clang-format off
inline constexpr Entry kEntries[] = {
    // Queries (code of the matching write command with bit 7 set).
    //                  family      code  frame bytes 2..7                    data reply             busy-failure line
    detail::makeQuery(kAnyFamily, 0x00, {arg(0), arg(1), arg(2), arg(3)},    0, zeros(2),         "cmd Failed 00"),
    detail::makeQuery(553,        0x83, {},                                  0, callerValues(2),  "cmd Failed 83"),
    detail::makeQuery(553,        0x8B, {},                                  0, callerValues(2),  "cmd Failed 8BH"),
    detail::makeQuery(560,        0x81, {},                                  0, callerValues(2),  "cmd Failed 81"),
    detail::makeQuery(560,        0x82, {},                                  0, callerValues(2),  "cmd Failed 82"),
    detail::makeQuery(560,        0x84, {arg(0)},                            0, callerValues(2),  "cmd Failed 84"),
    detail::makeQuery(560,        0x8C, {arg(0)},                          128, callerValues(2),  "cmd Failed 8c"),
    detail::makeQuery(kAnyFamily, 0x87, {arg(0)},                            0, answeredOnly(3),  "cmd Failed"),

    // Commands.
    //                    family code  frame bytes 2..7                                  data pause  busy-failure line
    detail::makeCommand(553, 0x01, {arg(0)},                                            0, true,  "cmd Failed 01"),
    detail::makeCommand(553, 0x02, {arg(0)},                                            0, true,  "cmd Failed 02"),
    detail::makeCommand(553, 0x03, {arg(0), arg(1), arg(2), arg(3)},                    0, false, "cmd Failed 03"),
    detail::makeCommand(553, 0x04, {fixed(0x00), arg(0), arg(1), arg(2), arg(3)},      0, false, "cmd Failed 04"),
    detail::makeCommand(553, 0x07, {fixed(0x00), arg(0), fixed(0x7D), arg(1)},          0, true,  "hid553_07H_Lod"),
    detail::makeCommand(553, 0x0B, {arg(0)},                                            0, true,  "cmd Failed 0B"),
    detail::makeCommand(553, 0x0C, {arg(0), arg(1), arg(2)},                            0, true,  "cmd Failed 0C"),
    detail::makeCommand(553, 0x0D, {arg(0), arg(1), arg(2)},                            0, true,  "cmd Failed 0D"),
    detail::makeCommand(553, 0x10, {arg(0), lengthByte},                               24, true,  "cmd Failed 10"),
    detail::makeCommand(553, 0x11, {arg(0), lengthByte},                                8, true,  "cmd Failed 11"),
    detail::makeCommand(553, 0x12, {arg(0), lengthByte, fixed(0x08)},                  64, true,  "cmd Failed 12"),
    detail::makeCommand(553, 0x13, {arg(0), lengthByte},                              128, true,  "cmd Failed 13"),
    detail::makeCommand(553, 0x16, {fixed(0x00), lengthByte},                          64, true,  "cmd Failed 16"),
    detail::makeCommand(560, 0x01, {arg(0), arg(1)},                                    0, false, "cmd Failed 01"),
    detail::makeCommand(560, 0x02, {arg(0)},                                            0, false, "cmd Failed 02"),
    detail::makeCommand(560, 0x03, {fixed(0x01), arg(0)},                               0, true,  "cmd Failed 03"),
    detail::makeCommand(560, 0x04, {fixed(0x01), arg(0)},                               0, true,  "cmd Failed 04"),
    detail::makeCommand(560, 0x09, {arg(0), fixed(0x7D)},                               0, true,  "hid560_09H_Lod"),
    detail::makeCommand(560, 0x0C, {arg(0), lengthByte},                              128, true,  "cmd Failed 0C"),
    detail::makeCommand(560, 0x0D, {arg(0), lengthByte},                              128, true,  "cmd Failed 0D"),
    detail::makeCommand(560, 0x0F, {arg(0), lengthByte},                              128, true,  "cmd Failed 0F"),
};
// clang-format on

constexpr std::size_t kEntryCount = sizeof(kEntries) / sizeof(kEntries[0]);

// Position of a command in the table, -1 when it has none.
constexpr int indexOf(int family, uchar code, Exchange exchange)
{
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        const Entry &e = kEntries[i];
        if (e.family == family && e.code == code && e.exchange == exchange)
            return int(i);
    }
    return -1;
}

template <int Family, uchar Code> constexpr const Entry &command()
{
    constexpr int i = indexOf(Family, Code, Exchange::Command);
    static_assert(i >= 0, "not a command of the table");
    return kEntries[i];
}

template <int Family, uchar Code> constexpr const Entry &query()
{
    constexpr int i = indexOf(Family, Code, Exchange::Query);
    static_assert(i >= 0, "not a query of the table");
    return kEntries[i];
}

namespace detail {

// A device tells its commands apart by code alone; a command every family
// takes shares its code with none.
constexpr bool codesAreUnique()
{
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        for (std::size_t j = i + 1; j < kEntryCount; ++j) {
            const Entry &a = kEntries[i];
            const Entry &b = kEntries[j];
            const bool sameDevice =
                a.family == b.family || a.family == kAnyFamily || b.family == kAnyFamily;
            if (sameDevice && a.code == b.code)
                return false;
        }
    }
    return true;
}

// Every data phase fits the data buffer, and every command that has one
// carries its length in frame byte 3 (the query 8CH does not).
constexpr bool dataPhasesAreSound()
{
    for (const Entry &e : kEntries) {
        if (e.dataLength < 0 || e.dataLength > kMaxDataLength)
            return false;
        const bool carriesLength = e.params[1].kind == Param::DataLength;
        if (e.exchange == Exchange::Command && (e.dataLength > 0) != carriesLength)
            return false;
        if (e.exchange == Exchange::Query && carriesLength)
            return false;
    }
    return true;
}

} // namespace detail

static_assert(detail::codesAreUnique(), "two commands of one device share a code");
static_assert(detail::dataPhasesAreSound(), "a data phase does not match its frame");

// The frame of entry with its arguments (missing ones count as 0) and the
// length of the data phase that follows it.
HidCodec::Frame frame(const Entry &entry, std::initializer_list<uchar> args, int dataLength);

} // namespace CommandSet
