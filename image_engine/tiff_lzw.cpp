// TIFF's LZW: codes packed most significant bit first, 9 to 12 bits wide, the
// width growing one code early (when the next free code reaches 511, 1023,
// 2047), Clear 256, EndOfInformation 257.
#include <algorithm>
#include <cstring>

#include "tiff.h"

namespace vantor::tiff {

namespace {

constexpr uint32_t kClear = 256, kEoi = 257, kFirstFree = 258, kTableSize = 4096;
// The writer starts a new table before the decoder's would run one code past 4093.
constexpr uint32_t kWriterLimit = 4094;

struct DecodeTable {
    uint16_t prefix[kTableSize];
    uint16_t length[kTableSize];
    uint8_t suffix[kTableSize];
    uint8_t first[kTableSize];
};

class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t code, int width)
    {
        acc_ = acc_ << width | code;
        n_ += width;
        while (n_ >= 8) {
            n_ -= 8;
            out_.push_back(uint8_t(acc_ >> n_));
        }
    }
    void Finish()
    {
        if (n_)
            out_.push_back(uint8_t(acc_ << (8 - n_)));
        n_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int n_ = 0;
};

}   // namespace

int DecodeLzw(const uint8_t* in, size_t n, uint8_t* out, size_t want)
{
    // The engine runs on one thread; one table serves every strip.
    static DecodeTable table;
    DecodeTable& t = table;
    for (uint32_t i = 0; i < 256; ++i) {
        t.prefix[i] = 0;
        t.length[i] = 1;
        t.suffix[i] = t.first[i] = uint8_t(i);
    }
    uint64_t bits = 0;
    int have = 0, width = 9;
    size_t ip = 0, pos = 0;
    uint32_t next = kFirstFree;
    int32_t old = -1;
    while (pos < want) {
        while (have < width && ip < n) {
            bits = bits << 8 | in[ip++];
            have += 8;
        }
        if (have < width)
            break;
        const uint32_t code = uint32_t(bits >> (have - width)) & ((1u << width) - 1);
        have -= width;
        if (code == kEoi)
            break;
        if (code == kClear) {
            next = kFirstFree;
            width = 9;
            old = -1;
            continue;
        }
        if (old < 0) {
            if (code >= 256)
                return IMG_ERR_CONTENT;
            out[pos++] = uint8_t(code);
            old = int32_t(code);
            continue;
        }
        if (code > next || (code == next && next >= kTableSize))
            return IMG_ERR_CONTENT;
        if (next < kTableSize) {
            t.prefix[next] = uint16_t(old);
            t.suffix[next] = code < next ? t.first[code] : t.first[old];
            t.first[next] = t.first[old];
            t.length[next] = uint16_t(t.length[old] + 1);
            ++next;
            if (next + 1 >= (1u << width) && width < 12)
                ++width;
        }
        // The string is written back to front along its prefixes.
        const size_t len = t.length[code];
        uint32_t c = code;
        if (pos + len <= want) {
            for (size_t k = len; k-- > 0; c = t.prefix[c])
                out[pos + k] = t.suffix[c];
        } else {
            for (size_t k = len; k-- > 0; c = t.prefix[c])
                if (pos + k < want)
                    out[pos + k] = t.suffix[c];
        }
        pos = std::min(pos + len, want);
        old = int32_t(code);
    }
    return pos == want ? IMG_OK : IMG_ERR_CONTENT;
}

void EncodeLzw(const uint8_t* in, size_t n, std::vector<uint8_t>& out)
{
    constexpr int kHashBits = 13;
    constexpr uint32_t kSlots = 1u << kHashBits;
    static uint32_t keys[kSlots];
    static uint16_t codes[kSlots];
    CodeWriter w(out);
    out.reserve(out.size() + n / 2 + 16);
    int width = 9;
    uint32_t next = kFirstFree;
    std::memset(keys, 0, sizeof keys);
    w.Put(kClear, width);
    if (n == 0) {
        w.Put(kEoi, width);
        w.Finish();
        return;
    }
    uint32_t ent = in[0];
    for (size_t i = 1; i < n; ++i) {
        const uint32_t key = (ent << 8 | in[i]) + 1;
        uint32_t slot = (key * 2654435761u) >> (32 - kHashBits);
        while (keys[slot] && keys[slot] != key)
            slot = (slot + 1) & (kSlots - 1);
        if (keys[slot]) {
            ent = codes[slot];
            continue;
        }
        w.Put(ent, width);
        keys[slot] = key;
        codes[slot] = uint16_t(next++);
        if (next == kWriterLimit) {
            w.Put(kClear, width);
            width = 9;
            next = kFirstFree;
            std::memset(keys, 0, sizeof keys);
        } else if (next > (1u << width) - 1) {
            ++width;
        }
        ent = in[i];
    }
    w.Put(ent, width);
    // The reader adds an entry for this last code too, and may widen before EOI.
    if (++next > (1u << width) - 1 && width < 12)
        ++width;
    w.Put(kEoi, width);
    w.Finish();
}

int DecodePackBits(const uint8_t* in, size_t n, uint8_t* out, size_t want)
{
    size_t ip = 0, pos = 0;
    while (pos < want && ip < n) {
        const uint8_t c = in[ip++];
        if (c < 128) {
            const size_t count = size_t(c) + 1;
            if (count > n - ip)
                return IMG_ERR_CONTENT;
            const size_t take = std::min(count, want - pos);
            std::memcpy(out + pos, in + ip, take);
            pos += take;
            ip += count;
        } else if (c > 128) {
            if (ip >= n)
                return IMG_ERR_CONTENT;
            const size_t take = std::min<size_t>(257 - c, want - pos);
            std::memset(out + pos, in[ip++], take);
            pos += take;
        }
    }
    return pos == want ? IMG_OK : IMG_ERR_CONTENT;
}

}   // namespace vantor::tiff
