// The JFIF writer: 8- and 24-bit pictures, one component for grey pictures,
// three (luminance sampled two by one) for colour ones.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

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
    void Put(uint32_t bits, int size)
    {
        acc_ = (acc_ << size) | (bits & ((1u << size) - 1));
        count_ += size;
        while (count_ >= 8) {
            count_ -= 8;
            const uint8_t b = uint8_t(acc_ >> count_);
            buf_[len_++] = b;
            if (b == 0xFF)
                buf_[len_++] = 0;
        }
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
        if (count_)
            Put(0, 8 - count_);
    }
    bool Failed() const { return failed_; }

private:
    Stream& out_;
    uint64_t acc_ = 0;
    int count_ = 0;
    uint8_t buf_[kOutChunk + 1024];   // room for one block beyond a chunk
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

int Magnitude(int32_t v)
{
    const uint32_t a = uint32_t(v < 0 ? -v : v);
    return a ? 32 - std::countl_zero(a) : 0;
}

struct Coder {
    HuffEncoder dc, ac;
    uint64_t reciprocal[64];   // natural order: 2^20 / step, rounded up
    int32_t prediction = 0;
};

// Division by the step, truncating toward zero, as a multiplication: exact
// for magnitudes below 2^20 / 255, and a transform of 8-bit samples stays
// well within 4095.
uint64_t Reciprocal(unsigned step)
{
    return ((uint64_t(1) << 20) + step - 1) / step;
}

int32_t Quantise(int32_t c, uint64_t reciprocal)
{
    const uint64_t magnitude = uint64_t(std::min(c < 0 ? -c : c, 4095));
    const int32_t q = int32_t((magnitude * reciprocal) >> 20);
    return c < 0 ? -q : q;
}

void EncodeBlock(BitWriter& w, const ForwardMatrix& fm, const int16_t* samples, Coder& c)
{
    int32_t coefficients[64];
    ForwardDct(fm, samples, coefficients);
    int32_t q[64];
    for (int k = 0; k < 64; ++k) {
        const int n = kZigzag[k];
        q[k] = std::clamp(Quantise(coefficients[n], c.reciprocal[n]), -1023, 1023);
    }
    q[0] = std::clamp(Quantise(coefficients[0], c.reciprocal[0]), -2047, 2047);
    const int32_t diff = q[0] - c.prediction;
    c.prediction = q[0];
    int s = Magnitude(diff);
    w.Put(c.dc.code[s], c.dc.size[s]);
    if (s)
        w.Put(uint32_t(diff < 0 ? diff - 1 : diff), s);
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        const int32_t v = q[k];
        if (v == 0) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16)
            w.Put(c.ac.code[0xF0], c.ac.size[0xF0]);
        s = Magnitude(v);
        const int symbol = run << 4 | s;
        w.Put(c.ac.code[symbol], c.ac.size[symbol]);
        w.Put(uint32_t(v < 0 ? v - 1 : v), s);
        run = 0;
    }
    if (run)
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

void ConvertRow(const uint8_t* row, int bits, const RGBQUAD* table, bool grey, uint32_t width,
                Band& band, int r)
{
    int16_t* y = band.y.data() + size_t(r) * band.codedWidth;
    int16_t* cb = grey ? nullptr : band.cb.data() + size_t(r) * band.codedWidth / 2;
    int16_t* cr = grey ? nullptr : band.cr.data() + size_t(r) * band.codedWidth / 2;
    for (uint32_t x = 0; x < band.codedWidth; ++x) {
        const uint32_t sx = std::min(x, width - 1);
        uint8_t b, g, red;
        if (bits == 8) {
            const RGBQUAD& q = table[row[sx]];
            b = q.rgbBlue, g = q.rgbGreen, red = q.rgbRed;
        } else {
            b = row[3 * sx], g = row[3 * sx + 1], red = row[3 * sx + 2];
        }
        if (grey) {
            y[x] = int16_t(red - 128);
            continue;
        }
        int16_t l, u, v;
        BgrToYcc(b, g, red, l, u, v);
        y[x] = l;
        // Chroma takes the left sample of each horizontal pair.
        if (!(x & 1)) {
            cb[x / 2] = u;
            cr[x / 2] = v;
        }
    }
}

void BlockFrom(const int16_t* plane, uint32_t stride, uint32_t x0, int16_t* block)
{
    for (int r = 0; r < 8; ++r)
        std::memcpy(block + r * 8, plane + size_t(r) * stride + x0, 8 * sizeof(int16_t));
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

    int16_t block[64];
    for (uint32_t top = 0; top < height; top += 8) {
        for (int r = 0; r < 8; ++r) {
            const uint32_t line = std::min(top + r, height - 1);
            if (r == 0 || line != top + r - 1)
                if (int e = FetchRow(job, row, height - 1 - line, stride); e < 0)
                    return e;
            ConvertRow(row, bits, table, grey, width, band, r);
        }
        const uint32_t step = grey ? 8 : 16;
        auto code = [&](const int16_t* plane, uint32_t planeStride, uint32_t x0, Coder& c) {
            BlockFrom(plane, planeStride, x0, block);
            EncodeBlock(w, fm, block, c);
            return w.FlushIfFull();
        };
        for (uint32_t x = 0; x < band.codedWidth; x += step) {
            bool ok = code(band.y.data(), band.codedWidth, x, luma);
            if (!grey)
                ok = ok && code(band.y.data(), band.codedWidth, x + 8, luma) &&
                     code(band.cb.data(), band.codedWidth / 2, x / 2, chroma[0]) &&
                     code(band.cr.data(), band.codedWidth / 2, x / 2, chroma[1]);
            if (!ok)
                return IMG_ERR_WRITE;
        }
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
