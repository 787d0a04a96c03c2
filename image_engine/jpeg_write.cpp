// The JFIF writer: 8- and 24-bit pictures, one component for grey pictures,
// three (luminance sampled two by one) for colour ones.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec_util.h"
#include "jpeg.h"

namespace vantor {

namespace {

using namespace jpeg;

constexpr size_t kOutChunk = 4000;

// Entropy-coded output with byte stuffing, written to the stream in chunks.
class BitWriter {
public:
    explicit BitWriter(Stream& out) : out_(out) {}
    // The bits are the low size bits of bits, size at most 27: a code and
    // the value that follows it go in together.
    void Put(uint32_t bits, int size)
    {
        acc_ = (acc_ << size) | bits;
        count_ += size;
        if (count_ < 32)
            return;
        count_ -= 32;
        const uint32_t word = uint32_t(acc_ >> count_);
        if (const uint32_t x = ~word; ((x - 0x01010101u) & ~x & 0x80808080u) == 0) {
            // No 0xFF byte among the four: no stuffing.
            buf_[len_] = uint8_t(word >> 24);
            buf_[len_ + 1] = uint8_t(word >> 16);
            buf_[len_ + 2] = uint8_t(word >> 8);
            buf_[len_ + 3] = uint8_t(word);
            len_ += 4;
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8)
            Byte(uint8_t(word >> shift));
    }
    void Raw(const uint8_t* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            buf_[len_++] = p[i];
            if (len_ >= kOutChunk && !Flush())
                return;
        }
    }
    bool Flush()
    {
        if (len_ && !out_.Write(buf_, len_))
            failed_ = true;
        len_ = 0;
        return !failed_;
    }
    bool FlushIfFull() { return len_ < kOutChunk || Flush(); }
    // Completes the last byte with 0 bits.
    void Align()
    {
        if (count_ & 7)
            Put(0, 8 - (count_ & 7));
        while (count_ >= 8) {
            count_ -= 8;
            Byte(uint8_t(acc_ >> count_));
        }
    }
    bool Failed() const { return failed_; }

private:
    void Byte(uint8_t b)
    {
        buf_[len_++] = b;
        if (b == 0xFF)
            buf_[len_++] = 0;
    }
    Stream& out_;
    uint64_t acc_ = 0;
    int count_ = 0;
    uint8_t buf_[kOutChunk + 2048];   // room for two blocks, stuffed, beyond a chunk
    size_t len_ = 0;
    bool failed_ = false;
};

void Put16(std::vector<uint8_t>& v, unsigned x)
{
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

void Segment(std::vector<uint8_t>& v, uint8_t marker, unsigned length)
{
    v.push_back(0xFF);
    v.push_back(marker);
    Put16(v, length);
}

void HuffmanSegment(std::vector<uint8_t>& v, uint8_t classId, const HuffSpec& spec)
{
    int n = 0;
    for (uint8_t c : spec.counts)
        n += c;
    Segment(v, 0xC4, unsigned(2 + 1 + 16 + n));
    v.push_back(classId);
    v.insert(v.end(), spec.counts, spec.counts + 16);
    v.insert(v.end(), spec.values, spec.values + n);
}

std::vector<uint8_t> Headers(uint32_t width, uint32_t height, int components)
{
    std::vector<uint8_t> v = {0xFF, 0xD8};
    Segment(v, 0xE0, 16);
    const uint8_t jfif[] = {'J', 'F', 'I', 'F', 0, 1, 0, 1, 0, 96, 0, 96, 0, 0};
    v.insert(v.end(), jfif, jfif + sizeof jfif);
    Segment(v, 0xDB, 132);
    for (int t = 0; t < 2; ++t) {
        v.push_back(uint8_t(t));
        for (int k = 0; k < 64; ++k)
            v.push_back(QuantTable(t)[kZigzag[k]]);
    }
    Segment(v, 0xC0, unsigned(8 + 3 * components));
    v.push_back(8);
    Put16(v, height);
    Put16(v, width);
    v.push_back(uint8_t(components));
    for (int c = 0; c < components; ++c) {
        v.push_back(uint8_t(c + 1));
        v.push_back(c == 0 && components == 3 ? 0x21 : 0x11);
        v.push_back(c == 0 ? 0 : 1);
    }
    HuffmanSegment(v, 0x00, kLumaDc);
    HuffmanSegment(v, 0x10, kLumaAc);
    if (components == 3) {
        HuffmanSegment(v, 0x01, kChromaDc);
        HuffmanSegment(v, 0x11, kChromaAc);
    }
    Segment(v, 0xDA, unsigned(6 + 2 * components));
    v.push_back(uint8_t(components));
    for (int c = 0; c < components; ++c) {
        v.push_back(uint8_t(c + 1));
        v.push_back(c == 0 ? 0x00 : 0x11);
    }
    v.push_back(0);
    v.push_back(63);
    v.push_back(0);
    return v;
}

struct Coder {
    HuffEncoder dc, ac;
    float reciprocal[64];   // natural order
    int32_t prediction = 0;
};

// Where each bit of a row of the natural-order mask goes in zig-zag order:
// [row][bits of the row's eight coefficients].
struct ZigzagBits {
    uint64_t of[8][256];
    ZigzagBits()
    {
        uint8_t position[64];
        for (int k = 0; k < 64; ++k)
            position[kZigzag[k]] = uint8_t(k);
        for (int row = 0; row < 8; ++row)
            for (int bits = 0; bits < 256; ++bits) {
                uint64_t m = 0;
                for (int j = 0; j < 8; ++j)
                    if (bits >> j & 1)
                        m |= uint64_t(1) << position[row * 8 + j];
                of[row][bits] = m;
            }
    }
};
const ZigzagBits kZigzagBits;

// The mask of the non-zero AC coefficients of a quantised block (natural
// order) in zig-zag order.
uint64_t NonZeroAc(const int16_t* q)
{
    uint64_t natural = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int n = 0; n < 64; n += 16) {
        const __m128i a = _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(q + n)), zero);
        const __m128i b = _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(q + n + 8)), zero);
        natural |= uint64_t(uint16_t(~_mm_movemask_epi8(_mm_packs_epi16(a, b)))) << n;
    }
#else
    for (int n = 0; n < 64; ++n)
        natural |= uint64_t(q[n] != 0) << n;
#endif
    uint64_t zigzag = 0;
    for (int row = 0; row < 8; ++row)
        zigzag |= kZigzagBits.of[row][natural >> (8 * row) & 255];
    return zigzag & ~uint64_t(1);
}

// Size category and the value's bits as T.81 codes them (one's complement
// for negative values).
int Magnitude(int32_t v)
{
    const uint32_t a = uint32_t(v < 0 ? -v : v);
    return a ? 32 - std::countl_zero(a) : 0;
}

uint32_t ValueBits(int32_t v, int size)
{
    return uint32_t(v < 0 ? v - 1 : v) & ((1u << size) - 1);
}

void EncodeBlock(BitWriter& w, const int16_t* q, Coder& c)
{
    uint64_t nonZero = NonZeroAc(q);
    const int32_t diff = q[0] - c.prediction;
    c.prediction = q[0];
    int s = Magnitude(diff);
    w.Put(uint32_t(c.dc.code[s]) << s | ValueBits(diff, s), c.dc.size[s] + s);
    int last = 0;
    while (nonZero) {
        const int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run > 15; run -= 16)
            w.Put(c.ac.code[0xF0], c.ac.size[0xF0]);
        const int32_t v = q[kZigzag[k]];
        s = Magnitude(v);
        const int symbol = run << 4 | s;
        w.Put(uint32_t(c.ac.code[symbol]) << s | ValueBits(v, s), c.ac.size[symbol] + s);
        last = k;
    }
    if (last != 63)
        w.Put(c.ac.code[0], c.ac.size[0]);
}

bool IsGrey(const RGBQUAD* table)
{
    for (int i = 0; i < 256; ++i)
        if (table[i].rgbRed != table[i].rgbGreen || table[i].rgbRed != table[i].rgbBlue)
            return false;
    return true;
}

// One band of eight picture rows as level-shifted planes of the coded width;
// columns and rows beyond the picture repeat its last ones.
struct Band {
    uint32_t codedWidth = 0;
    std::vector<int16_t> y, cb, cr;   // 8 rows each; chroma at half width
};

// Level-shifted components of every colour of a palette (none for 24 bits,
// whose header carries no colour table).
struct PaletteYcc {
    int16_t y[256] = {}, cb[256] = {}, cr[256] = {};
    explicit PaletteYcc(const RGBQUAD* table, bool grey)
    {
        for (int i = 0; table && i < 256; ++i) {
            const RGBQUAD& q = table[i];
            if (grey)
                y[i] = int16_t(q.rgbRed - 128), cb[i] = cr[i] = 0;
            else
                BgrToYcc(q.rgbBlue, q.rgbGreen, q.rgbRed, y[i], cb[i], cr[i]);
        }
    }
};

// One picture row into row r of the band. Chroma takes the left sample of
// each horizontal pair; the columns beyond the picture repeat its last one.
void ConvertRow(const uint8_t* row, int bits, const PaletteYcc& palette, bool grey, uint32_t width,
                Band& band, int r)
{
    int16_t* y = band.y.data() + size_t(r) * band.codedWidth;
    int16_t* cb = grey ? nullptr : band.cb.data() + size_t(r) * band.codedWidth / 2;
    int16_t* cr = grey ? nullptr : band.cr.data() + size_t(r) * band.codedWidth / 2;
    int16_t lastCb = 0, lastCr = 0;
    if (bits == 8) {
        for (uint32_t x = 0; x < width; ++x)
            y[x] = palette.y[row[x]];
        if (!grey) {
            for (uint32_t x = 0; x < width; x += 2) {
                cb[x / 2] = palette.cb[row[x]];
                cr[x / 2] = palette.cr[row[x]];
            }
            lastCb = palette.cb[row[width - 1]];
            lastCr = palette.cr[row[width - 1]];
        }
    } else {
        BgrRowToYcc(row, width, y, cb, cr);
        const uint8_t* p = row + 3 * (width - 1);
        int16_t lastY;
        BgrToYcc(p[0], p[1], p[2], lastY, lastCb, lastCr);
    }
    for (uint32_t x = width; x < band.codedWidth; ++x) {
        y[x] = y[width - 1];
        if (!grey && !(x & 1)) {
            cb[x / 2] = lastCb;
            cr[x / 2] = lastCr;
        }
    }
}

// Two blocks of one table, both at once where the processor can; false when
// the output fails.
bool CodePair(BitWriter& w, const ForwardMatrix& fm, const int16_t* a, const int16_t* b, size_t stride,
              Coder& first, Coder& second)
{
    alignas(16) int16_t q[2][64];
    if (!ForwardQuantisePair(fm, a, b, stride, first.reciprocal, q[0], q[1])) {
        ForwardQuantise(fm, a, stride, first.reciprocal, q[0]);
        ForwardQuantise(fm, b, stride, second.reciprocal, q[1]);
    }
    EncodeBlock(w, q[0], first);
    EncodeBlock(w, q[1], second);
    return w.FlushIfFull();
}

bool CodeColourBand(BitWriter& w, const ForwardMatrix& fm, const Band& band, Coder& luma, Coder (&chroma)[2])
{
    const int16_t* y = band.y.data();
    const size_t half = band.codedWidth / 2;
    for (uint32_t x = 0; x < band.codedWidth; x += 16)
        if (!CodePair(w, fm, y + x, y + x + 8, band.codedWidth, luma, luma) ||
            !CodePair(w, fm, band.cb.data() + x / 2, band.cr.data() + x / 2, half, chroma[0], chroma[1]))
            return false;
    return true;
}

bool CodeGreyBand(BitWriter& w, const ForwardMatrix& fm, const Band& band, Coder& luma)
{
    alignas(16) int16_t q[64];
    for (uint32_t x = 0; x < band.codedWidth; x += 8) {
        ForwardQuantise(fm, band.y.data() + x, band.codedWidth, luma.reciprocal, q);
        EncodeBlock(w, q, luma);
        if (!w.FlushIfFull())
            return false;
    }
    return true;
}

}   // namespace

int WriteJpeg(WriteJob& job)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    const int bits = h.biBitCount;
    if (bits != 8 && bits != 24)
        return IMG_ERR_UNSUPPORTED;
    const uint32_t width = uint32_t(h.biWidth), height = uint32_t(h.biHeight);
    const RGBQUAD* table = TableOf(job.header);
    const bool grey = bits == 8 && IsGrey(table);
    const int components = grey ? 1 : 3;

    BitWriter w(job.out);
    const std::vector<uint8_t> headers = Headers(width, height, components);
    w.Raw(headers.data(), headers.size());

    const uint32_t stride = uint32_t(DibRowBytes(LONG(width), WORD(bits)));
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    Band band;
    band.codedWidth = grey ? (width + 7) / 8 * 8 : (width + 15) / 16 * 16;
    try {
        band.y.resize(size_t(band.codedWidth) * 8);
        if (!grey) {
            band.cb.resize(size_t(band.codedWidth) * 4);
            band.cr.resize(size_t(band.codedWidth) * 4);
        }
    } catch (const std::bad_alloc&) {
        return IMG_ERR_MEMORY;
    }
    const ForwardMatrix fm;
    const PaletteYcc palette(bits == 8 ? table : nullptr, grey);
    Coder luma, chroma[2];
    luma.dc.Build(kLumaDc);
    luma.ac.Build(kLumaAc);
    for (int t = 0; t < 64; ++t)
        luma.reciprocal[t] = Reciprocal(QuantTable(0)[t]);
    for (Coder& c : chroma) {
        c.dc.Build(kChromaDc);
        c.ac.Build(kChromaAc);
        for (int t = 0; t < 64; ++t)
            c.reciprocal[t] = Reciprocal(QuantTable(1)[t]);
    }

    for (uint32_t top = 0; top < height; top += 8) {
        for (int r = 0; r < 8; ++r) {
            const uint32_t line = std::min(top + r, height - 1);
            if (r == 0 || line != top + r - 1)
                if (int e = FetchRow(job, row, height - 1 - line, stride); e < 0)
                    return e;
            ConvertRow(row, bits, palette, grey, width, band, r);
        }
        if (!(grey ? CodeGreyBand(w, fm, band, luma) : CodeColourBand(w, fm, band, luma, chroma)))
            return IMG_ERR_WRITE;
    }
    w.Align();
    const uint8_t eoi[] = {0xFF, 0xD9};
    w.Raw(eoi, sizeof eoi);
    if (!w.Flush() || w.Failed())
        return IMG_ERR_WRITE;
    return IMG_OK;
}

}   // namespace vantor

extern "C" int32_t save_jpg_file(int file, BITMAPINFO* header, IMG_ROW_CB row, void* user)
{
    return IMGLOW_save_bitmap(file, header, IMG_TYPE_JPEG, row, user);
}
