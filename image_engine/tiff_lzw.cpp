// TIFF's LZW: codes packed most significant bit first, 9 to 12 bits wide, the
// width growing one code early (when the next free code reaches 511, 1023,
// 2047), Clear 256, EndOfInformation 257.
#include <algorithm>
#include <bit>
#include <cstring>

#include "tiff.h"

namespace vantor::tiff {

namespace {

constexpr uint32_t kClear = 256, kEoi = 257, kFirstFree = 258, kTableSize = 4096;
// The writer starts a new table before the decoder's would run one code past 4093.
constexpr uint32_t kWriterLimit = 4094;

// Every string of the table: its first eight bytes (all of a short one) kept
// whole, so most codes are one 8-byte store, and where its first byte was
// written (as a position in the strip's output), from which a longer one is
// copied. A new entry is the old string and one more byte, so its word is the
// old word with that byte put behind it.
// A strip decodes to at most 32767 rows of 32767 bytes, so a position fits 32 bits.
struct DecodeEntry {
    uint64_t word;
    uint32_t start;
    uint16_t length;
};
struct DecodeTable {
    DecodeEntry e[kTableSize];
    DecodeTable()
    {
        for (uint32_t c = 0; c < 256; ++c)
            e[c] = DecodeEntry{c, 0, 1};
    }
};

// The strip's output: rows of `rowBytes`, each anywhere (the picture store's
// rows run bottom-up), written in order through a cursor; earlier output is
// addressed by its position in the strip.
class RowOutput {
public:
    RowOutput(uint8_t* const* rows, size_t rowBytes, size_t want)
        : rows_(rows), rowBytes_(rowBytes), want_(want), row_(rows[0])
    {
    }
    size_t Want() const { return want_; }
    size_t Pos() const { return pos_; }

    // Puts `len` bytes of a string whose first eight are `word`, copied from
    // position `from` when it is longer: a short one is one 8-byte store when
    // its row has room past it (the bytes beyond are written later).
    void Put(uint64_t word, size_t len, size_t from)
    {
        if (len <= 8 && col_ + 8 <= rowBytes_) {
            std::memcpy(row_ + col_, &word, 8);
            col_ += len;
            pos_ += len;
            if (col_ == rowBytes_ && pos_ < want_)
                Seek(pos_);
            return;
        }
        len = std::min(len, want_ - pos_);
        if (len <= 8) {
            for (size_t k = 0; k < len; ++k)
                *At(pos_ + k) = uint8_t(word >> (8 * k));
            Seek(pos_ + len);
        } else {
            Copy(pos_, from, len);
            Seek(pos_ + len);
        }
        if (col_ == rowBytes_ && pos_ < want_)
            Seek(pos_);
    }

private:
    uint8_t* At(size_t pos) const { return rows_[pos / rowBytes_] + pos % rowBytes_; }
    size_t RowLeft(size_t pos) const { return rowBytes_ - pos % rowBytes_; }
    void Seek(size_t pos)
    {
        pos_ = pos;
        col_ = pos % rowBytes_;
        row_ = pos < want_ ? rows_[pos / rowBytes_] : nullptr;
    }
    // Row piece by row piece, never more than the distance back at once, so a
    // string that runs into its own start repeats it as it should.
    void Copy(size_t to, size_t from, size_t len) const
    {
        while (len) {
            const size_t piece = std::min({len, to - from, RowLeft(to), RowLeft(from)});
            std::memcpy(At(to), At(from), piece);
            to += piece;
            from += piece;
            len -= piece;
        }
    }

    uint8_t* const* rows_;
    size_t rowBytes_, want_;
    uint8_t* row_;
    size_t pos_ = 0, col_ = 0;
};

// Codes into room made beforehand for the most `bytes` input bytes can take
// (a code of at most 12 bits for every byte, and Clear codes), four bytes at a
// time; Finish gives the vector its true length.
class CodeWriter {
public:
    CodeWriter(std::vector<uint8_t>& out, size_t bytes) : out_(out), at_(out.size())
    {
        out_.resize(at_ + bytes + bytes / 2 + bytes / 1024 * 2 + 32);
    }
    void Put(uint32_t code, int width)
    {
        acc_ = acc_ << width | code;
        n_ += width;
        if (n_ >= 32) {
            n_ -= 32;
            const uint32_t word = __builtin_bswap32(uint32_t(acc_ >> n_));
            std::memcpy(out_.data() + at_, &word, 4);
            at_ += 4;
        }
    }
    void Finish()
    {
        for (; n_ >= 8; n_ -= 8)
            out_[at_++] = uint8_t(acc_ >> (n_ - 8));
        if (n_)
            out_[at_++] = uint8_t(acc_ << (8 - n_));
        n_ = 0;
        out_.resize(at_);
    }

private:
    std::vector<uint8_t>& out_;
    size_t at_;
    uint64_t acc_ = 0;
    int n_ = 0;
};

}   // namespace

namespace {

// Codes most significant bit first from a 64-bit holder kept left-aligned,
// refilled with one 8-byte load while eight input bytes remain.
class CodeReader {
public:
    CodeReader(const uint8_t* in, size_t n) : in_(in), n_(n) {}
    bool Next(int width, uint32_t& code)
    {
        if (have_ < width && !Refill(width))
            return false;
        code = uint32_t(bits_ >> (64 - width));
        bits_ <<= width;
        have_ -= width;
        return true;
    }

private:
    bool Refill(int width)
    {
        if (n_ - ip_ >= 8) {
            uint64_t word;
            std::memcpy(&word, in_ + ip_, 8);
            // Bits below the counted ones are the next bytes' own, so a later refill may lay them again.
            bits_ |= __builtin_bswap64(word) >> have_;
            ip_ += size_t(63 - have_) >> 3;
            have_ |= 56;
            return true;
        }
        while (have_ <= 56 && ip_ < n_) {
            bits_ |= uint64_t(in_[ip_++]) << (56 - have_);
            have_ += 8;
        }
        return have_ >= width;
    }

    const uint8_t* in_;
    size_t n_, ip_ = 0;
    uint64_t bits_ = 0;
    int have_ = 0;
};

int DecodeLzwInto(const uint8_t* in, size_t n, RowOutput& out)
{
    static_assert(std::endian::native == std::endian::little, "string words are stored low byte first");
    // The engine runs on one thread; one table serves every strip.
    static DecodeTable table;
    DecodeTable& t = table;
    const size_t want = out.Want();
    if (want > UINT32_MAX)   // beyond what a strip of the engine's rows can hold
        return IMG_ERR_CONTENT;
    CodeReader codes(in, n);
    int width = 9;
    uint32_t next = kFirstFree;
    int32_t old = -1;
    while (out.Pos() < want) {
        uint32_t code = 0;
        if (!codes.Next(width, code))
            break;
        if (code - kClear < 2) {
            if (code == kEoi)
                break;
            next = kFirstFree;
            width = 9;
            old = -1;
            continue;
        }
        if (code > next || (code == next && (old < 0 || next >= kTableSize)))
            return IMG_ERR_CONTENT;
        if (old >= 0 && next < kTableSize) {
            // The old string and the first byte of this one (its own first when it is the entry made now).
            const DecodeEntry& o = t.e[old];
            const uint64_t first = t.e[code < next ? code : uint32_t(old)].word & 0xFF;
            t.e[next] = DecodeEntry{o.length < 8 ? o.word | first << (8 * o.length) : o.word,
                                    uint32_t(out.Pos() - o.length), uint16_t(o.length + 1)};
            ++next;
            if (next + 1 >= (1u << width) && width < 12)
                ++width;
        }
        old = int32_t(code);
        const DecodeEntry& e = t.e[code];
        out.Put(e.word, e.length, e.start);
    }
    return out.Pos() == want ? IMG_OK : IMG_ERR_CONTENT;
}

}   // namespace

int DecodeLzw(const uint8_t* in, size_t n, uint8_t* out, size_t want)
{
    if (want == 0)
        return IMG_OK;
    uint8_t* const rows[1] = {out};
    RowOutput sink(rows, want, want);
    return DecodeLzwInto(in, n, sink);
}

int DecodeLzwRows(const uint8_t* in, size_t n, uint8_t* const* rows, uint32_t count, size_t rowBytes)
{
    if (count == 0 || rowBytes == 0)
        return IMG_OK;
    RowOutput sink(rows, rowBytes, size_t(count) * rowBytes);
    return DecodeLzwInto(in, n, sink);
}

void EncodeLzw(const uint8_t* in, size_t n, std::vector<uint8_t>& out)
{
    // One word a slot: the string (its prefix code and last byte) in the high
    // 20 bits, its code in the low 12, so a probe is one load. All ones is a
    // free slot: prefix 4095 never exists, as codes stop at 4093.
    constexpr int kHashBits = 14;
    constexpr uint32_t kSlots = 1u << kHashBits, kFree = 0xFFFFFFFFu;
    static uint32_t slots[kSlots];
    CodeWriter w(out, n);
    int width = 9;
    uint32_t next = kFirstFree;
    std::memset(slots, 0xFF, sizeof slots);
    w.Put(kClear, width);
    if (n == 0) {
        w.Put(kEoi, width);
        w.Finish();
        return;
    }
    uint32_t ent = in[0];
    for (size_t i = 1; i < n; ++i) {
        const uint32_t key = ent << 8 | in[i];
        uint32_t slot = (key * 2654435761u) >> (32 - kHashBits);
        uint32_t held;
        while ((held = slots[slot]) != kFree && held >> 12 != key)
            slot = (slot + 1) & (kSlots - 1);
        if (held != kFree) {
            ent = held & 0xFFF;
            continue;
        }
        w.Put(ent, width);
        slots[slot] = key << 12 | next++;
        if (next == kWriterLimit) {
            w.Put(kClear, width);
            width = 9;
            next = kFirstFree;
            std::memset(slots, 0xFF, sizeof slots);
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
