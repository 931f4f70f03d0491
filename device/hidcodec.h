// Pure pieces of the command link: frame checksum, frame scrambling, frame
// building and the split of a payload into reports. Hid_Thread only moves the
// bytes these functions produce.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace HidCodec {

using uchar = unsigned char;

constexpr int kFrameSize = 9;
using Frame = std::array<uchar, kFrameSize>;
using Params = std::array<uchar, 6>;

// Complement of the 8-bit sum of the seven bytes at cmd (code and parameters).
uchar checksum(const uchar *cmd);

// Scrambles the eight bytes at block (frame bytes 1 to 8) in place with
// code[1..6] and the fixed code table; decipher() is its exact inverse.
void encrypt(uchar *block, const uchar *code);
void decipher(uchar *block, const uchar *code);

// Report id 0, command code, six parameters, checksum over bytes 1 to 7.
Frame buildFrame(uchar code, const Params &params = {});

// Number of reports that carry a payload of payloadLength bytes at
// reportLength data bytes per report (0 when there is nothing to carry).
int reportCount(int payloadLength, int reportLength);

// Output report number index of a payload: report id 0, its piece of the
// payload, zeros up to reportLength + 1 bytes.
std::vector<uchar> outputReport(const uchar *payload, int payloadLength, int reportLength,
                                int index);

} // namespace HidCodec
