// The baseline reader: one or three components, any whole-ratio sampling,
// restart intervals, the file's own quantisation and Huffman tables.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec_util.h"
#include "jpeg.h"

namespace vantor {

namespace {

using namespace jpeg;

constexpr size_t kInputChunk = 65536;
constexpr int kEndOfData = 0x100;

// Buffered bytes of the stream, with room to look two bytes ahead.
class Input {
public:
    Input(Stream& in, uint64_t limit) : in_(in), limit_(limit), buf_(kInputChunk) {}
    size_t Available() const { return len_ - pos_; }
    bool Ensure(size_t n)
    {
        while (Available() < n)
            if (!Fill())
                return false;
        return true;
    }
    bool Byte(uint8_t& b)
    {
        if (!Ensure(1))
            return false;
        b = buf_[pos_++];
        return true;
    }
    bool Take(uint8_t* dst, size_t n)
    {
        while (n) {
            if (!Ensure(1))
                return false;
            const size_t k = std::min(n, Available());
            std::memcpy(dst, buf_.data() + pos_, k);
            pos_ += k;
            dst += k;
            n -= k;
        }
        return true;
    }
    bool Skip(size_t n)
    {
        while (n) {
            if (!Ensure(1))
                return false;
            const size_t k = std::min(n, Available());
            pos_ += k;
            n -= k;
        }
        return true;
    }
    uint64_t Position() const { return in_.Tell() - Available(); }
    const uint8_t* At() const { return buf_.data() + pos_; }
    void Advance(size_t n) { pos_ += n; }

private:
    bool Fill()
    {
        if (pos_) {
            std::memmove(buf_.data(), buf_.data() + pos_, len_ - pos_);
            len_ -= pos_;
            pos_ = 0;
        }
        size_t want = buf_.size() - len_;
        const uint64_t at = in_.Tell();
        if (limit_) {
            if (at >= limit_)
                return false;
            want = size_t(std::min<uint64_t>(want, limit_ - at));
        }
        const size_t got = in_.Read(buf_.data() + len_, want);
        len_ += got;
        return got > 0;
    }
    Stream& in_;
    uint64_t limit_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0, len_ = 0;
};

// Entropy-coded bits, most significant first, with byte stuffing removed.
// At a marker or the end of the data it supplies zero bits and counts them,
// so a decode that used them can be told from one that did not.
class BitReader {
public:
    explicit BitReader(Input& in) : in_(in) {}

    // Tops the bits up to at least 57; eight plain bytes in one go when it can.
    [[gnu::always_inline]] void Refill()
    {
        if (count_ > 56)
            return;
        if (marker_ < 0 && in_.Available() >= 8) {
            uint64_t w;
            std::memcpy(&w, in_.At(), 8);
            w = __builtin_bswap64(w);
            const uint64_t x = ~w;
            if (!((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull)) {
                const int n = (64 - count_) >> 3;
                bits_ |= (w >> (64 - 8 * n)) << (64 - count_ - 8 * n);
                count_ += 8 * n;
                in_.Advance(size_t(n));
                return;
            }
        }
        RefillBytes();
    }
    uint32_t Peek(int n) const { return uint32_t(bits_ >> (64 - n)); }
    void Consume(int n)
    {
        bits_ <<= n;
        count_ -= n;
    }
    int Count() const { return count_; }
    int32_t Receive(int s)
    {
        if (!s)
            return 0;
        const int32_t v = int32_t(Peek(s));
        Consume(s);
        return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }
    // Needs at least 16 bits in hand. -1 for a code the table does not hold.
    int Decode(const HuffDecoder& t)
    {
        const uint16_t e = t.fast[Peek(HuffDecoder::kLookBits)];
        if (e) {
            Consume(e >> 8);
            return e & 255;
        }
        const int32_t code16 = int32_t(Peek(16));
        for (int l = HuffDecoder::kLookBits + 1; l <= 16; ++l) {
            const int32_t c = code16 >> (16 - l);
            if (c <= t.maxCode[l] && c >= t.minCode[l]) {
                Consume(l);
                return t.values[t.firstIndex[l] + c - t.minCode[l]];
            }
        }
        return -1;
    }
    // True when the decode went past the coded data.
    bool Overrun() const { return extra_ > count_; }
    // Drops what is left of an interval and passes its restart marker.
    bool Restart()
    {
        bits_ = 0;
        count_ = 0;
        extra_ = 0;
        while (marker_ < 0) {
            if (!in_.Ensure(2))
                return false;
            const uint8_t* p = in_.At();
            if (p[0] == 0xFF && p[1] != 0 && p[1] != 0xFF)
                marker_ = p[1];
            else
                in_.Advance(1);
        }
        if (marker_ < 0xD0 || marker_ > 0xD7)
            return false;
        in_.Advance(2);
        marker_ = -1;
        return true;
    }

private:
    void RefillBytes()
    {
        while (count_ <= 56) {
            if (marker_ >= 0) {
                count_ += 8;
                extra_ += 8;
                continue;
            }
            NextByte();
        }
    }
    void NextByte()
    {
        if (!in_.Ensure(2) && (in_.Available() == 0 || *in_.At() == 0xFF)) {
            marker_ = kEndOfData;
            return;
        }
        const uint8_t* p = in_.At();
        uint8_t b = p[0];
        if (b == 0xFF) {
            if (p[1] == 0xFF) {   // fill byte before a marker
                in_.Advance(1);
                return;
            }
            if (p[1] != 0) {
                marker_ = p[1];
                return;
            }
            in_.Advance(2);
        } else {
            in_.Advance(1);
        }
        bits_ |= uint64_t(b) << (56 - count_);
        count_ += 8;
    }

    Input& in_;
    uint64_t bits_ = 0;
    int count_ = 0;
    int extra_ = 0;
    int marker_ = -1;
};

struct Component {
    int id = 0, h = 1, v = 1, tq = 0;
    int dc = 0, ac = 0;   // table slots of the scan
    int32_t prediction = 0;
    std::vector<uint8_t> plane;   // one MCU row of samples
    uint32_t stride = 0;
};

struct Frame {
    bool seen = false;
    uint32_t width = 0, height = 0;
    int count = 0;
    Component comp[3];
    int order[3] = {0, 1, 2};   // scan order -> frame component
    int hmax = 1, vmax = 1;
    uint16_t quant[4][64] = {};   // zig-zag order
    bool quantDefined[4] = {};
    HuffDecoder dc[4], ac[4];
    uint32_t restartInterval = 0;
};

bool Read16(Input& in, uint32_t& v)
{
    uint8_t b[2];
    if (!in.Take(b, 2))
        return false;
    v = uint32_t(b[0]) << 8 | b[1];
    return true;
}

int FindStart(Input& in)
{
    uint8_t previous = 0, b = 0;
    while (in.Byte(b)) {
        if (previous == 0xFF && b == 0xD8)
            return IMG_OK;
        previous = b;
    }
    return IMG_ERR_CONTENT;
}

int ParseQuant(const uint8_t* p, size_t n, Frame& f)
{
    while (n) {
        const int precision = p[0] >> 4, slot = p[0] & 15;
        const size_t bytes = precision ? 128 : 64;
        if (precision > 1 || slot > 3 || n < 1 + bytes)
            return IMG_ERR_CONTENT;
        for (int k = 0; k < 64; ++k)
            f.quant[slot][k] = precision ? uint16_t(p[1 + 2 * k] << 8 | p[2 + 2 * k]) : p[1 + k];
        f.quantDefined[slot] = true;
        p += 1 + bytes;
        n -= 1 + bytes;
    }
    return IMG_OK;
}

int ParseHuffman(const uint8_t* p, size_t n, Frame& f)
{
    while (n) {
        if (n < 17)
            return IMG_ERR_CONTENT;
        const int tableClass = p[0] >> 4, slot = p[0] & 15;
        if (tableClass > 1 || slot > 3)
            return IMG_ERR_CONTENT;
        int symbols = 0;
        for (int i = 0; i < 16; ++i)
            symbols += p[1 + i];
        if (symbols > 256 || n < 17 + size_t(symbols))
            return IMG_ERR_CONTENT;
        HuffDecoder& t = tableClass ? f.ac[slot] : f.dc[slot];
        if (!t.Build(p + 1, p + 17, symbols))
            return IMG_ERR_CONTENT;
        p += 17 + symbols;
        n -= 17 + size_t(symbols);
    }
    return IMG_OK;
}

int ParseFrame(const uint8_t* p, size_t n, Frame& f)
{
    if (f.seen || n < 6)
        return IMG_ERR_CONTENT;
    f.seen = true;
    if (p[0] != 8)
        return IMG_ERR_CONTENT;
    f.height = uint32_t(p[1]) << 8 | p[2];
    f.width = uint32_t(p[3]) << 8 | p[4];
    f.count = p[5];
    if (f.width == 0 || f.height == 0 || n != 6 + 3 * size_t(f.count))
        return IMG_ERR_CONTENT;
    if (f.count != 1 && f.count != 3)
        return IMG_ERR_UNSUPPORTED;
    for (int c = 0; c < f.count; ++c) {
        Component& k = f.comp[c];
        k.id = p[6 + 3 * c];
        k.h = p[7 + 3 * c] >> 4;
        k.v = p[7 + 3 * c] & 15;
        k.tq = p[8 + 3 * c];
        if (k.h < 1 || k.h > 4 || k.v < 1 || k.v > 4 || k.tq > 3)
            return IMG_ERR_CONTENT;
    }
    return IMG_OK;
}

int ParseScan(const uint8_t* p, size_t n, Frame& f)
{
    if (!f.seen || n < 1 || n != 4 + 2 * size_t(p[0]))
        return IMG_ERR_CONTENT;
    if (p[0] != f.count)
        return IMG_ERR_UNSUPPORTED;   // one component per scan
    for (int s = 0; s < f.count; ++s) {
        const int id = p[1 + 2 * s], tables = p[2 + 2 * s];
        int c = 0;
        while (c < f.count && f.comp[c].id != id)
            ++c;
        if (c == f.count)
            return IMG_ERR_CONTENT;
        for (int e = 0; e < s; ++e)
            if (f.order[e] == c)
                return IMG_ERR_CONTENT;
        f.order[s] = c;
        Component& k = f.comp[c];
        k.dc = tables >> 4;
        k.ac = tables & 15;
        if (k.dc > 3 || k.ac > 3 || !f.dc[k.dc].defined || !f.ac[k.ac].defined || !f.quantDefined[k.tq])
            return IMG_ERR_CONTENT;
    }
    const uint8_t* t = p + 1 + 2 * f.count;
    if (t[0] != 0 || t[1] != 63 || t[2] != 0)
        return IMG_ERR_CONTENT;
    return IMG_OK;
}

bool IsOtherFrame(int marker)
{
    return marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Marker segments up to and including the scan header.
int ParseHeaders(Input& in, Frame& f)
{
    std::vector<uint8_t> payload;
    for (;;) {
        uint8_t b = 0, marker = 0;
        if (!in.Byte(b) || b != 0xFF)
            return IMG_ERR_CONTENT;
        do {
            if (!in.Byte(marker))
                return IMG_ERR_CONTENT;
        } while (marker == 0xFF);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD8 || marker == 0xD9 || marker == 0x00 || IsOtherFrame(marker))
            return IMG_ERR_CONTENT;
        uint32_t length = 0;
        if (!Read16(in, length) || length < 2)
            return IMG_ERR_CONTENT;
        const size_t n = length - 2;
        const bool wanted = marker == 0xC0 || marker == 0xC4 || marker == 0xDB || marker == 0xDD || marker == 0xDA;
        if (!wanted) {
            if (!in.Skip(n))
                return IMG_ERR_CONTENT;
            continue;
        }
        payload.resize(n);
        if (!in.Take(payload.data(), n))
            return IMG_ERR_CONTENT;
        int r = IMG_OK;
        switch (marker) {
        case 0xC0: r = ParseFrame(payload.data(), n, f); break;
        case 0xC4: r = ParseHuffman(payload.data(), n, f); break;
        case 0xDB: r = ParseQuant(payload.data(), n, f); break;
        case 0xDD:
            if (n != 2)
                return IMG_ERR_CONTENT;
            f.restartInterval = uint32_t(payload[0]) << 8 | payload[1];
            break;
        case 0xDA: return ParseScan(payload.data(), n, f);
        }
        if (r < 0)
            return r;
    }
}

// The geometry of the MCUs: whole-ratio sampling only.
int CheckSampling(Frame& f)
{
    if (f.count == 1) {
        f.comp[0].h = f.comp[0].v = 1;
        f.hmax = f.vmax = 1;
        return IMG_OK;
    }
    int units = 0;
    for (int c = 0; c < f.count; ++c) {
        f.hmax = std::max(f.hmax, f.comp[c].h);
        f.vmax = std::max(f.vmax, f.comp[c].v);
        units += f.comp[c].h * f.comp[c].v;
    }
    if (units > 10)
        return IMG_ERR_CONTENT;
    for (int c = 0; c < f.count; ++c)
        if (f.hmax % f.comp[c].h || f.vmax % f.comp[c].v)
            return IMG_ERR_UNSUPPORTED;
    return IMG_OK;
}

class Decoder {
public:
    Decoder(ReadJob& job, Input& in, Frame& f) : job_(job), in_(in), f_(f), bits_(in) {}

    int Run()
    {
        const uint32_t mcuW = 8 * uint32_t(f_.hmax), mcuH = 8 * uint32_t(f_.vmax);
        mcusX_ = (f_.width + mcuW - 1) / mcuW;
        mcusY_ = (f_.height + mcuH - 1) / mcuH;
        const int bitsPerPixel = f_.count == 3 ? 24 : 8;
        if (int r = PictureFits(int32_t(f_.width), int32_t(f_.height), bitsPerPixel); r < 0)
            return r;
        if (!CanHold(job_.in, in_.Position(), LeastScanBytes(), job_.end))
            return IMG_ERR_CONTENT;
        if (int r = Allocate(); r < 0)
            return r;
        RGBQUAD grey[256];
        for (int i = 0; i < 256; ++i)
            grey[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        if (int r = DeliverHeader(job_, int32_t(f_.width), int32_t(f_.height), bitsPerPixel, grey); r < 0)
            return r;
        uint32_t left = f_.restartInterval;
        for (uint32_t my = 0; my < mcusY_; ++my) {
            for (uint32_t mx = 0; mx < mcusX_; ++mx) {
                if (f_.restartInterval) {
                    if (left == 0) {
                        if (!bits_.Restart())
                            return IMG_ERR_CONTENT;
                        for (Component& c : f_.comp)
                            c.prediction = 0;
                        left = f_.restartInterval;
                    }
                    --left;
                }
                if (!DecodeMcu(mx))
                    return IMG_ERR_CONTENT;
            }
            if (bits_.Overrun())
                return IMG_ERR_CONTENT;
            if (int r = EmitRows(my * mcuH, mcuH); r < 0)
                return r;
        }
        return IMG_OK;
    }

private:
    // Every block takes at least the shortest DC symbol and one AC symbol of its
    // component's tables: refuse a picture the data cannot hold.
    uint64_t LeastScanBytes() const
    {
        uint64_t bitsPerMcu = 0;
        for (int c = 0; c < f_.count; ++c) {
            const Component& k = f_.comp[c];
            const uint64_t least = uint64_t(f_.dc[k.dc].fewestBits + f_.ac[k.ac].fewestBits);
            bitsPerMcu += uint64_t(k.h) * uint64_t(k.v) * least;
        }
        return (uint64_t(mcusX_) * mcusY_ * bitsPerMcu + 7) / 8;
    }

    int Allocate()
    {
        try {
            for (int c = 0; c < f_.count; ++c) {
                Component& k = f_.comp[c];
                k.stride = mcusX_ * uint32_t(k.h) * 8;
                k.plane.assign(size_t(k.stride) * 8 * uint32_t(k.v), 0);
            }
            const size_t decodedWidth = size_t(mcusX_) * 8 * uint32_t(f_.hmax);
            for (auto& w : wide_)
                w.assign(decodedWidth, 0);
            row_.assign(DibRowBytes(LONG(f_.width), f_.count == 3 ? 24 : 8), 0);
        } catch (const std::bad_alloc&) {
            return IMG_ERR_MEMORY;
        }
        return IMG_OK;
    }

    bool DecodeMcu(uint32_t mx)
    {
        for (int s = 0; s < f_.count; ++s) {
            Component& k = f_.comp[f_.order[s]];
            for (int by = 0; by < k.v; ++by)
                for (int bx = 0; bx < k.h; ++bx) {
                    uint8_t* out = k.plane.data() + size_t(by) * 8 * k.stride + (size_t(mx) * k.h + bx) * 8;
                    if (!DecodeBlock(k, out))
                        return false;
                }
        }
        return true;
    }

    static int16_t Dequantise(int32_t v, uint16_t q)
    {
        return int16_t(std::clamp(v * int32_t(q), -kMaxCoefficient, kMaxCoefficient));
    }

    bool DecodeBlock(Component& k, uint8_t* out)
    {
        const HuffDecoder& dc = f_.dc[k.dc];
        const HuffDecoder& ac = f_.ac[k.ac];
        const uint16_t* q = f_.quant[k.tq];
        alignas(16) int16_t block[64] = {};
        bits_.Refill();
        const int s = bits_.Decode(dc);
        if (s < 0 || s > 15)
            return false;
        k.prediction = std::clamp(k.prediction + bits_.Receive(s), -32767, 32767);
        block[0] = Dequantise(k.prediction, q[0]);
        bool acSeen = false;
        for (int pos = 1; pos < 64;) {
            if (bits_.Count() < 32)
                bits_.Refill();
            const int32_t fast = ac.fastAc[bits_.Peek(HuffDecoder::kLookBits)];
            int32_t value;
            if (fast) {
                bits_.Consume(fast & 255);
                pos = std::min(pos + ((fast >> 8) & 15), 63);
                value = fast >> 16;
            } else {
                const int rs = bits_.Decode(ac);
                if (rs < 0)
                    return false;
                const int run = rs >> 4, size = rs & 15;
                if (size == 0) {
                    if (run != 15)
                        break;
                    pos += 16;
                    continue;
                }
                pos = std::min(pos + run, 63);
                value = bits_.Receive(size);
            }
            const int n = kZigzag[pos];
            block[n] = Dequantise(value, q[pos]);
            acSeen = true;
            ++pos;
        }
        if (!acSeen) {
            FillDc(block[0], out, k.stride);
            return true;
        }
        InverseDct(block, out, k.stride);
        return true;
    }

    // A block with no AC coefficients is flat.
    static void FillDc(int16_t dc, uint8_t* out, uint32_t stride)
    {
        const uint8_t value = FlatSample(dc);
        for (int r = 0; r < 8; ++r)
            std::memset(out + size_t(r) * stride, value, 8);
    }

    const uint8_t* SampleRow(int c, uint32_t r)
    {
        const Component& k = f_.comp[c];
        const uint8_t* src = k.plane.data() + size_t(r * uint32_t(k.v) / uint32_t(f_.vmax)) * k.stride;
        const int ratio = f_.hmax / k.h;
        if (ratio == 1)
            return src;
        uint8_t* dst = wide_[c].data();
        const size_t n = wide_[c].size();
        if (ratio == 2) {
            size_t x = 0;
#if defined(__SSE2__)
            for (; x + 16 <= n / 2; x += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x), _mm_unpacklo_epi8(v, v));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x + 16), _mm_unpackhi_epi8(v, v));
            }
#endif
            for (; x < n / 2; ++x)
                dst[2 * x] = dst[2 * x + 1] = src[x];
        } else {
            for (size_t x = 0; x < n; ++x)
                dst[x] = src[x / size_t(ratio)];
        }
        return dst;
    }

    // Row r of the band as DIB pixels into `out`, padding included.
    void FinishRow(uint32_t r, uint8_t* out)
    {
        const size_t pixelBytes = size_t(f_.width) * f_.count;
        if (f_.count == 1) {
            std::memcpy(out, SampleRow(0, r), f_.width);
        } else {
            const uint8_t* y = SampleRow(0, r);
            const uint8_t* cb = SampleRow(1, r);
            const uint8_t* cr = SampleRow(2, r);
            YccToBgr(y, cb, cr, out, f_.width);
        }
        std::memset(out + pixelBytes, 0, row_.size() - pixelBytes);
    }

    // Where the frame itself is loading the rows are finished straight into
    // its store: a picture's worth of copying less.
    int EmitRows(uint32_t top, uint32_t rows)
    {
        const uint32_t stride = uint32_t(row_.size());
        for (uint32_t r = 0; r < rows && top + r < f_.height; ++r) {
            if (job_.rowAt) {
                uint8_t* out = job_.rowAt(job_.user, top + r);
                if (!out)
                    return IMG_ERR_CONTENT;
                FinishRow(r, out);
                continue;
            }
            FinishRow(r, row_.data());
            if (int e = Deliver(job_, row_.data(), top + r, stride); e < 0)
                return e;
        }
        return IMG_OK;
    }

    ReadJob& job_;
    Input& in_;
    Frame& f_;
    BitReader bits_;
    uint32_t mcusX_ = 0, mcusY_ = 0;
    std::vector<uint8_t> wide_[3];
    std::vector<uint8_t> row_;
};

}   // namespace

int ReadJpeg(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    if (!job.in.Seek(StartOffset(job.start)))
        return IMG_ERR_CONTENT;
    try {
        Input in(job.in, job.end);
        if (int r = FindStart(in); r < 0)
            return r;
        auto frame = std::make_unique<Frame>();
        if (int r = ParseHeaders(in, *frame); r < 0)
            return r;
        if (int r = CheckSampling(*frame); r < 0)
            return r;
        Decoder decoder(job, in, *frame);
        return decoder.Run();
    } catch (const std::bad_alloc&) {
        return IMG_ERR_MEMORY;
    }
}

}   // namespace vantor
