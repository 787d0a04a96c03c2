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

// Every string of the table has been written out before: an entry keeps where
// (in this strip's output) and how long, so a code is a copy of earlier output.
struct DecodeTable {
    uint32_t start[kTableSize];
    uint16_t length[kTableSize];
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
    uint64_t bits = 0;
    int have = 0, width = 9;
    size_t ip = 0, pos = 0, oldAt = 0;
    uint32_t next = kFirstFree;
    int32_t old = -1;
    while (pos < want) {
        if (have < width) {
            if (n - ip >= 8) {   // take whole bytes while the 64-bit holder has room
                const int take = (64 - have) >> 3;
                for (int k = 0; k < take; ++k)
                    bits = bits << 8 | in[ip + size_t(k)];
                ip += size_t(take);
                have += take * 8;
            } else {
                while (have < width && ip < n) {
                    bits = bits << 8 | in[ip++];
                    have += 8;
                }
                if (have < width)
                    break;
            }
        }
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
        if (code > next || (code == next && (old < 0 || next >= kTableSize)))
            return IMG_ERR_CONTENT;
        if (old >= 0 && next < kTableSize) {
            // The new entry is the old string and one more byte, where the old one was written.
            t.start[next] = uint32_t(oldAt);
            t.length[next] = uint16_t((old < 256 ? 1 : t.length[old]) + 1);
            ++next;
            if (next + 1 >= (1u << width) && width < 12)
                ++width;
        }
        oldAt = pos;
        old = int32_t(code);
        if (code < 256) {
            out[pos++] = uint8_t(code);
            continue;
        }
        const size_t from = t.start[code], len = std::min<size_t>(t.length[code], want - pos);
        if (len <= 8 && from + 8 <= pos && pos + 8 <= want) {
            // Short strings move as one 8-byte word; what lies past them is written later.
            std::memcpy(out + pos, out + from, 8);
        } else if (from + len <= pos) {
            std::memcpy(out + pos, out + from, len);
        } else {   // the string just made: its last byte is its own first
            for (size_t k = 0; k < len; ++k)
                out[pos + k] = out[from + k];
        }
        pos += len;
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
