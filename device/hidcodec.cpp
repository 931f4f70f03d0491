#include "device/hidcodec.h"

#include <algorithm>

// Declared with Hid_Thread ("TaMiKeVo"); the scrambling adds it byte by byte.
extern const unsigned char USBCodeTable[8];
const unsigned char USBCodeTable[8] = {'T', 'a', 'M', 'i', 'K', 'e', 'V', 'o'};

namespace HidCodec {

namespace {

uchar swapNibbles(uchar b)
{
    return uchar((b << 4) | (b >> 4));
}

void swapPairs(uchar *b)
{
    std::swap(b[0], b[5]);
    std::swap(b[1], b[4]);
    std::swap(b[2], b[7]);
    std::swap(b[3], b[6]);
}

void xorCode(uchar *b, const uchar *code)
{
    for (int i = 1; i <= 6; ++i)
        b[i] ^= code[i];
}

// The eight bytes as one big-endian 64-bit number, rotated by three bits.
void rotateLeft3(uchar *b)
{
    const uchar first = b[0];
    for (int k = 0; k < 7; ++k)
        b[k] = uchar((b[k] << 3) | (b[k + 1] >> 5));
    b[7] = uchar((b[7] << 3) | (first >> 5));
}

void rotateRight3(uchar *b)
{
    const uchar last = b[7];
    for (int k = 7; k > 0; --k)
        b[k] = uchar((b[k] >> 3) | (b[k - 1] << 5));
    b[0] = uchar((b[0] >> 3) | (last << 5));
}

} // namespace

uchar checksum(const uchar *cmd)
{
    uchar sum = 0;
    for (int i = 0; i < 7; ++i)
        sum = uchar(sum + cmd[i]);
    return uchar(~sum);
}

void encrypt(uchar *block, const uchar *code)
{
    swapPairs(block);
    xorCode(block, code);
    rotateLeft3(block);
    for (int j = 0; j < 8; ++j)
        block[j] = uchar(block[j] + swapNibbles(USBCodeTable[j]));
}

void decipher(uchar *block, const uchar *code)
{
    for (int j = 0; j < 8; ++j)
        block[j] = uchar(block[j] - swapNibbles(USBCodeTable[j]));
    rotateRight3(block);
    xorCode(block, code);
    swapPairs(block);
}

Frame buildFrame(uchar code, const Params &params)
{
    Frame frame{};
    frame[1] = code;
    std::copy(params.begin(), params.end(), frame.begin() + 2);
    frame[8] = checksum(&frame[1]);
    return frame;
}

int reportCount(int payloadLength, int reportLength)
{
    if (payloadLength <= 0 || reportLength <= 0)
        return 0;
    const int chunk = std::min(payloadLength, reportLength);
    return (payloadLength + chunk - 1) / chunk;
}

std::vector<uchar> outputReport(const uchar *payload, int payloadLength, int reportLength,
                                int index)
{
    std::vector<uchar> report(std::size_t(std::max(reportLength, 0)) + 1, 0);
    if (payloadLength <= 0 || reportLength <= 0 || index < 0)
        return report;
    const int chunk = std::min(payloadLength, reportLength);
    const int begin = index * chunk;
    const int end = std::min(payloadLength, begin + chunk);
    if (begin < end)
        std::copy(payload + begin, payload + end, report.begin() + 1);
    return report;
}

} // namespace HidCodec
