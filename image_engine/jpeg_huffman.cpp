// Canonical Huffman codes from the counts per length of a table, both ways.
#include <algorithm>
#include <cstring>

#include "jpeg.h"

namespace vantor::jpeg {

void HuffEncoder::Build(const HuffSpec& spec)
{
    uint32_t code = 0;
    int k = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < spec.counts[length - 1]; ++i, ++k, ++code) {
            const uint8_t symbol = spec.values[k];
            this->code[symbol] = uint16_t(code);
            size[symbol] = uint8_t(length);
        }
        code <<= 1;
    }
}

namespace {

int32_t Extend(int32_t v, int bits)
{
    return v < (1 << (bits - 1)) ? v - (1 << bits) + 1 : v;
}

}   // namespace

bool HuffDecoder::Build(const uint8_t counts[16], const uint8_t* symbols, int n)
{
    if (n > 256)
        return false;
    count = n;
    std::memcpy(values, symbols, size_t(n));
    std::memset(fast, 0, sizeof fast);
    std::memset(fastAc, 0, sizeof fastAc);
    int32_t code = 0;
    int k = 0;
    fewestBits = 32;
    for (int length = 1; length <= 16; ++length) {
        const int c = counts[length - 1];
        for (int i = 0; i < c && k + i < n; ++i)
            fewestBits = std::min(fewestBits, length + (values[k + i] & 15));
        // Codes of this length must fit in it: more would overlap others.
        if (code + c > (1 << length))
            return false;
        firstIndex[length] = k;
        minCode[length] = code;
        maxCode[length] = c ? code + c - 1 : -1;
        for (int i = 0; i < c; ++i, ++k, ++code) {
            if (length > kLookBits)
                continue;
            const int shift = kLookBits - length;
            const uint8_t symbol = values[k];
            const int run = symbol >> 4, bits = symbol & 15;
            for (int fill = 0; fill < 1 << shift; ++fill) {
                const int index = (code << shift) | fill;
                fast[index] = uint16_t(length << 8 | symbol);
                if (bits && length + bits <= kLookBits) {
                    const int32_t raw = (index >> (shift - bits)) & ((1 << bits) - 1);
                    fastAc[index] = int32_t(uint32_t(Extend(raw, bits)) << 16) | run << 8 | (length + bits);
                }
            }
        }
        code <<= 1;
    }
    defined = true;
    return k == n;
}

}   // namespace vantor::jpeg
