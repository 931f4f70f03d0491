// Checksum and scrambling of command frames, as the mouse's firmware does them.
#include "virtual_mouse.h"

namespace kvm {

namespace {

// The firmware's fixed table, "TaMiKeVo", added with each byte's nibbles swapped.
constexpr uint8_t codeTable[8] = {'T', 'a', 'M', 'i', 'K', 'e', 'V', 'o'};

uint8_t tableByte(int j)
{
    const uint8_t t = codeTable[j];
    return static_cast<uint8_t>((t << 4) | (t >> 4));
}

// Code character i (1..6); a short code reads as zeros past its end.
uint8_t codeByte(const std::string &code, int i)
{
    return i - 1 < static_cast<int>(code.size()) ? static_cast<uint8_t>(code[i - 1]) : 0;
}

void swapPairs(Block &b)
{
    std::swap(b[0], b[5]);
    std::swap(b[1], b[4]);
    std::swap(b[2], b[7]);
    std::swap(b[3], b[6]);
}

void mixCode(Block &b, const std::string &code)
{
    for (int i = 1; i <= 6; ++i)
        b[i] ^= codeByte(code, i);
}

uint64_t toNumber(const Block &b)
{
    uint64_t n = 0;
    for (uint8_t byte : b)
        n = (n << 8) | byte;
    return n;
}

void fromNumber(Block &b, uint64_t n)
{
    for (int k = 7; k >= 0; --k) {
        b[k] = static_cast<uint8_t>(n & 0xff);
        n >>= 8;
    }
}

} // namespace

uint8_t frameChecksum(const uint8_t *codeAndParams)
{
    unsigned sum = 0;
    for (int i = 0; i < 7; ++i)
        sum += codeAndParams[i];
    return static_cast<uint8_t>(~sum);
}

void scramble(Block &block, const std::string &code)
{
    swapPairs(block);
    mixCode(block, code);
    const uint64_t n = toNumber(block);
    fromNumber(block, (n << 3) | (n >> 61));
    for (int j = 0; j < 8; ++j)
        block[j] = static_cast<uint8_t>(block[j] + tableByte(j));
}

void unscramble(Block &block, const std::string &code)
{
    for (int j = 0; j < 8; ++j)
        block[j] = static_cast<uint8_t>(block[j] - tableByte(j));
    const uint64_t n = toNumber(block);
    fromNumber(block, (n >> 3) | (n << 61));
    mixCode(block, code);
    swapPairs(block);
}

} // namespace kvm
