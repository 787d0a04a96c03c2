// CCITT fax codings as TIFF holds them: modified Huffman rows (compression 2),
// T.4 rows behind end-of-line codes, one- or two-dimensional (3), and T.6
// two-dimensional rows (4). Rows are worked on as lists of changing elements:
// the positions where the colour differs from the pixel before.
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

#include "tiff.h"

namespace vantor::tiff {

namespace {

constexpr int kPeekBits = 13;
constexpr uint32_t kEol = 1;   // eleven zeros and a one
constexpr int kEolLength = 12;

class BitReader {
public:
    BitReader(const uint8_t* p, size_t n) : p_(p), bits_(uint64_t(n) * 8) {}
    uint32_t Peek(int k) const
    {
        uint32_t v = 0;
        size_t byte = size_t(pos_ >> 3);
        for (int i = 0; i < 4; ++i)
            v = v << 8 | (byte + i < bits_ / 8 ? p_[byte + i] : 0);
        return (v << (pos_ & 7)) >> (32 - k);
    }
    void Skip(int k) { pos_ += uint64_t(k); }
    void Align() { pos_ = (pos_ + 7) & ~uint64_t(7); }
    bool Overrun() const { return pos_ > bits_; }
    uint64_t Position() const { return pos_; }
    void Restore(uint64_t pos) { pos_ = pos; }

private:
    const uint8_t* p_;
    uint64_t bits_;
    uint64_t pos_ = 0;
};

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t code, int length)
    {
        acc_ = acc_ << length | (code & ((1u << length) - 1));
        n_ += length;
        while (n_ >= 8) {
            n_ -= 8;
            out_.push_back(uint8_t(acc_ >> n_));
        }
    }
    void Align()
    {
        if (n_)
            Put(0, 8 - n_);
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int n_ = 0;
};

struct Lookup {
    int16_t run = -1;
    uint8_t length = 0;
};
using RunTable = std::array<Lookup, 1 << kPeekBits>;

RunTable BuildTable(const RunCode* codes)
{
    RunTable t{};
    for (int i = 0; i < 104; ++i) {
        const int shift = kPeekBits - codes[i].length;
        const uint32_t first = uint32_t(codes[i].bits) << shift, count = 1u << shift;
        for (uint32_t k = 0; k < count; ++k)
            t[first + k] = Lookup{int16_t(i < 64 ? i : (i - 63) * 64), codes[i].length};
    }
    return t;
}

const RunTable& TableFor(int black)
{
    static const RunTable white = BuildTable(kWhiteCodes), blackTable = BuildTable(kBlackCodes);
    return black ? blackTable : white;
}

// One run: make-up codes followed by a terminating code; -1 when broken or past `limit`.
int32_t ReadRun(BitReader& in, int black, uint32_t limit)
{
    const RunTable& t = TableFor(black);
    uint32_t total = 0;
    for (;;) {
        const Lookup& e = t[in.Peek(kPeekBits)];
        if (e.run < 0)
            return -1;
        in.Skip(e.length);
        total += uint32_t(e.run);
        if (total > limit)
            return -1;
        if (e.run < 64)
            return int32_t(total);
    }
}

// Changing elements of a row, closed by sentinels at the width so b1 and b2
// can always be looked up.
struct Changes {
    std::vector<uint32_t> at;
    void Reset() { at.clear(); }
    void Push(uint32_t x)
    {
        // Two changes at one place cancel out, as the pixels show.
        if (!at.empty() && at.back() == x)
            at.pop_back();
        else
            at.push_back(x);
    }
    void Close(uint32_t width) { at.insert(at.end(), 4, width); }
    size_t Count() const { return at.size() - 4; }
};

// Sets bits from .. to - 1 of a row, whole bytes at a time where it can.
void FillBlack(uint8_t* row, uint32_t from, uint32_t to)
{
    for (; from < to && (from & 7); ++from)
        row[from >> 3] |= uint8_t(0x80 >> (from & 7));
    if (to - from >= 8) {
        std::memset(row + (from >> 3), 0xFF, (to - from) >> 3);
        from += (to - from) & ~7u;
    }
    for (; from < to; ++from)
        row[from >> 3] |= uint8_t(0x80 >> (from & 7));
}

void Render(const Changes& c, uint32_t width, uint8_t* row, size_t rowBytes)
{
    std::memset(row, 0, rowBytes);
    for (size_t i = 0; i < c.Count(); i += 2)
        FillBlack(row, c.at[i], std::min(c.at[i + 1], width));
}

// b1: the first changing element of the reference row beyond a0 whose colour is
// the opposite of a0's; i keeps the search position between calls.
void FindB(const Changes& ref, int64_t a0, int colour, size_t& i, uint32_t& b1, uint32_t& b2)
{
    while (i > 0 && int64_t(ref.at[i - 1]) > a0)
        --i;
    while (int64_t(ref.at[i]) <= a0)
        ++i;
    if ((i & 1) != size_t(colour))
        ++i;
    b1 = ref.at[i];
    b2 = ref.at[i + 1];
}

bool DecodeRow1D(BitReader& in, uint32_t width, Changes& cur)
{
    cur.Reset();
    uint32_t pos = 0;
    int colour = 0;
    while (pos < width) {
        int32_t run = ReadRun(in, colour, width - pos);
        if (run < 0)
            return false;
        pos += uint32_t(run);
        if (pos < width)
            cur.Push(pos);
        colour ^= 1;
    }
    cur.Close(width);
    return !in.Overrun();
}

bool DecodeRow2D(BitReader& in, uint32_t width, const Changes& ref, Changes& cur)
{
    cur.Reset();
    int64_t a0 = -1;
    int colour = 0;
    size_t i = 0;
    while (a0 < int64_t(width)) {
        uint32_t b1, b2;
        FindB(ref, a0, colour, i, b1, b2);
        const uint32_t start = uint32_t(std::max<int64_t>(a0, 0));
        const uint32_t p = in.Peek(7);
        int d;
        if (p >> 6 == 1) { in.Skip(1); d = 0; }
        else if (p >> 4 == 3) { in.Skip(3); d = 1; }
        else if (p >> 4 == 2) { in.Skip(3); d = -1; }
        else if (p >> 1 == 3) { in.Skip(6); d = 2; }
        else if (p >> 1 == 2) { in.Skip(6); d = -2; }
        else if (p == 3) { in.Skip(7); d = 3; }
        else if (p == 2) { in.Skip(7); d = -3; }
        else if (p >> 4 == 1) {   // horizontal: two one-dimensional runs
            in.Skip(3);
            int32_t r1 = ReadRun(in, colour, width - start);
            if (r1 < 0)
                return false;
            int32_t r2 = ReadRun(in, colour ^ 1, width - start - uint32_t(r1));
            if (r2 < 0)
                return false;
            const uint32_t a1 = start + uint32_t(r1), a2 = a1 + uint32_t(r2);
            if (a1 < width)
                cur.Push(a1);
            if (a2 < width)
                cur.Push(a2);
            a0 = a2;
            continue;
        } else if (p >> 3 == 1) {   // pass: a0 moves under b2, the colour stays
            in.Skip(4);
            a0 = b2;
            continue;
        } else {
            return false;   // end-of-line or an extension inside a row
        }
        const int64_t a1 = int64_t(b1) + d;
        if (a1 < int64_t(start) || a1 > int64_t(width) || in.Overrun())
            return false;
        if (a1 < int64_t(width))
            cur.Push(uint32_t(a1));
        a0 = a1;
        colour ^= 1;
    }
    cur.Close(width);
    return !in.Overrun();
}

// Skips an end-of-line code (and fill zeros before it) when one is there.
bool SkipEol(BitReader& in)
{
    const uint64_t at = in.Position();
    int zeros = 0;
    while (in.Peek(1) == 0 && !in.Overrun() && zeros < 4096) {
        in.Skip(1);
        ++zeros;
    }
    if (zeros >= 11 && !in.Overrun()) {
        in.Skip(1);
        return true;
    }
    in.Restore(at);
    return false;
}

void Collect(const uint8_t* row, uint32_t width, Changes& c)
{
    c.Reset();
    int colour = 0;
    for (uint32_t x = 0; x < width;) {
        const uint8_t byte = row[x >> 3];
        if ((x & 7) == 0 && x + 8 <= width && byte == (colour ? 0xFF : 0x00)) {
            x += 8;
            continue;
        }
        if (((byte >> (7 - (x & 7))) & 1) != colour) {
            c.Push(x);
            colour ^= 1;
        }
        ++x;
    }
    c.Close(width);
}

void PutRun(BitWriter& out, int black, uint32_t run)
{
    const RunCode* codes = black ? kBlackCodes : kWhiteCodes;
    while (run >= 2560) {
        out.Put(codes[103].bits, codes[103].length);
        run -= 2560;
    }
    if (run >= 64) {
        const RunCode& m = codes[RunCodeIndex(run & ~63u)];
        out.Put(m.bits, m.length);
        run &= 63;
    }
    out.Put(codes[run].bits, codes[run].length);
}

void EncodeRow1D(BitWriter& out, const Changes& c, uint32_t width)
{
    uint32_t pos = 0;
    int colour = 0;
    for (size_t i = 0; i < c.Count(); ++i) {
        PutRun(out, colour, c.at[i] - pos);
        pos = c.at[i];
        colour ^= 1;
    }
    PutRun(out, colour, width - pos);
}

void EncodeRow2D(BitWriter& out, const Changes& cur, const Changes& ref, uint32_t width)
{
    int64_t a0 = -1;
    int colour = 0;
    size_t i = 0, k = 0;
    while (a0 < int64_t(width)) {
        while (int64_t(cur.at[k]) <= a0)
            ++k;
        const uint32_t a1 = cur.at[k];
        uint32_t b1, b2;
        FindB(ref, a0, colour, i, b1, b2);
        if (b2 < a1) {
            out.Put(1, 4);
            a0 = b2;
        } else if (int64_t(a1) - b1 >= -3 && int64_t(a1) - b1 <= 3) {
            static const struct { uint32_t code; int length; } vertical[7] = {
                {2, 7}, {2, 6}, {2, 3}, {1, 1}, {3, 3}, {3, 6}, {3, 7}};
            const auto& v = vertical[int(a1) - int(b1) + 3];
            out.Put(v.code, v.length);
            a0 = a1;
            colour ^= 1;
        } else {
            const uint32_t a2 = cur.at[k + 1];
            const uint32_t start = uint32_t(std::max<int64_t>(a0, 0));
            out.Put(1, 3);
            PutRun(out, colour, a1 - start);
            PutRun(out, colour ^ 1, a2 - a1);
            a0 = a2;
        }
    }
}

}   // namespace

void ReverseBits(uint8_t* p, size_t n)
{
    static const auto table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                r |= ((i >> b) & 1) << (7 - b);
            t[size_t(i)] = uint8_t(r);
        }
        return t;
    }();
    for (size_t i = 0; i < n; ++i)
        p[i] = table[p[i]];
}

int DecodeCcittRows(uint32_t compression, uint32_t t4Options, const uint8_t* data, size_t n, uint32_t width,
                    uint32_t rows, size_t rowBytes, const std::function<int(uint8_t*)>& take)
{
    if (width == 0 || rowBytes < (width + 7) / 8)
        return IMG_ERR_CONTENT;
    std::vector<uint8_t> row(rowBytes);
    BitReader in(data, n);
    Changes ref, cur;
    ref.Close(width);   // the row above the first is white
    for (uint32_t y = 0; y < rows; ++y) {
        bool ok;
        if (compression == kHuffman) {
            ok = DecodeRow1D(in, width, cur);
            in.Align();
        } else if (compression == kGroup3) {
            SkipEol(in);
            bool oneD = true;
            if (t4Options & kT4TwoD) {
                oneD = in.Peek(1) == 1;
                in.Skip(1);
            }
            ok = oneD ? DecodeRow1D(in, width, cur) : DecodeRow2D(in, width, ref, cur);
        } else {
            ok = DecodeRow2D(in, width, ref, cur);
        }
        if (!ok)
            return IMG_ERR_CONTENT;
        Render(cur, width, row.data(), rowBytes);
        if (int r = take(row.data()); r < 0)
            return r;
        std::swap(ref, cur);
    }
    return IMG_OK;
}

int DecodeCcitt(uint32_t compression, uint32_t t4Options, const uint8_t* data, size_t n, uint32_t width,
                uint32_t rows, uint8_t* out, size_t rowBytes)
{
    return DecodeCcittRows(compression, t4Options, data, n, width, rows, rowBytes, [&](uint8_t* row) {
        std::memcpy(out, row, rowBytes);
        out += rowBytes;
        return IMG_OK;
    });
}

void EncodeCcitt(uint32_t compression, const uint8_t* rows, uint32_t width, uint32_t height, size_t rowBytes,
                 std::vector<uint8_t>& out)
{
    BitWriter bits(out);
    Changes ref, cur;
    ref.Close(width);
    for (uint32_t y = 0; y < height; ++y) {
        Collect(rows + size_t(y) * rowBytes, width, cur);
        if (compression == kGroup4) {
            EncodeRow2D(bits, cur, ref, width);
            std::swap(ref, cur);
            continue;
        }
        if (compression == kGroup3)
            bits.Put(kEol, kEolLength);
        EncodeRow1D(bits, cur, width);
        if (compression == kHuffman)
            bits.Align();
    }
    if (compression == kGroup4) {   // end of facsimile block
        bits.Put(kEol, kEolLength);
        bits.Put(kEol, kEolLength);
    }
    bits.Align();
}

}   // namespace vantor::tiff
