// The TIFF reader: one IFD (by page number, or the first one at an offset),
// its strips decoded by compression, rows finished into DIB rows and handed to
// the line callback top row first.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>

#include "codec_util.h"
#include "tiff.h"

namespace vantor {

namespace {

using namespace tiff;

constexpr uint32_t kMaxSamples = 8;

struct Tags {
    uint32_t width = 0, height = 0, bps = 1, compression = kNone, photometric = 1, fillOrder = 1;
    uint32_t spp = 1, rowsPerStrip = 0, planar = 1, predictor = 1, resUnit = 2, t4Options = 0;
    int32_t xres = 0, yres = 0;
    Entry offsets, counts, colorMap;
    bool hasOffsets = false, hasCounts = false, hasColorMap = false;
};

int32_t Rational(TiffFile& f, const Entry& e)
{
    uint8_t b[8];
    if (e.type != 5 || f.Bytes(e, b, 8) != 8)
        return int32_t(std::min<uint32_t>(f.Scalar(e, 0), INT32_MAX));
    const uint32_t num = f.U32(b), den = f.U32(b + 4);
    return int32_t(std::min<uint32_t>(den ? num / den : num, INT32_MAX));
}

// DateTime and Artist replace the engine's identification strings.
void TakeText(TiffFile& f, const Entry& e, bool artist)
{
    char text[200] = {};
    f.Bytes(e, reinterpret_cast<uint8_t*>(text), artist ? 199 : 39);
    IMGLOW_set_bitmap_name(artist ? text : nullptr, artist ? nullptr : text);
}

// -3 when a value the reader takes lies beyond the file: a fallback in its
// place would misread the picture.
int Parse(TiffFile& f, const std::vector<Entry>& entries, Tags& t)
{
    for (const Entry& e : entries) {
        if (e.tag >= 256 && e.tag <= 320 && !f.Readable(e))
            return IMG_ERR_CONTENT;
        switch (e.tag) {
        case 256: t.width = f.Scalar(e, 0); break;
        case 257: t.height = f.Scalar(e, 0); break;
        case 258: t.bps = f.Scalar(e, 1); break;
        case 259: t.compression = f.Scalar(e, kNone); break;
        case 262: t.photometric = f.Scalar(e, 1); break;
        case 266: t.fillOrder = f.Scalar(e, 1); break;
        case 273: t.offsets = e; t.hasOffsets = true; break;
        case 277: t.spp = f.Scalar(e, 1); break;
        case 278: t.rowsPerStrip = f.Scalar(e, 0); break;
        case 279: t.counts = e; t.hasCounts = true; break;
        case 282: t.xres = Rational(f, e); break;
        case 283: t.yres = Rational(f, e); break;
        case 284: t.planar = f.Scalar(e, 1); break;
        case 292: t.t4Options = f.Scalar(e, 0); break;
        case 296: t.resUnit = f.Scalar(e, 2); break;
        case 306: TakeText(f, e, false); break;
        case 315: TakeText(f, e, true); break;
        case 317: t.predictor = f.Scalar(e, 1); break;
        case 320: t.colorMap = e; t.hasColorMap = true; break;
        default: break;
        }
    }
    if (t.compression == kHuffman || t.compression == kGroup3 || t.compression == kGroup4)
        t.photometric ^= 1;
    if (t.resUnit == 3) {
        t.xres = int32_t(std::min(t.xres * 2.567, double(INT32_MAX)));
        t.yres = int32_t(std::min(t.yres * 2.567, double(INT32_MAX)));
    }
    return IMG_OK;
}

// Finds the IFD the start value names: page mode walks the chain from the
// file's start, offset mode takes the first IFD.
int FindIfd(TiffFile& f, uint32_t page, bool paged, Tags& t)
{
    uint32_t offset = 0;
    if (int r = f.ReadHeader(offset); r < 0)
        return r;
    const int missing = paged ? IMG_ERR_TIFF_PAGE : IMG_ERR_CONTENT;
    std::unordered_set<uint32_t> seen;
    std::vector<Entry> entries;
    for (uint32_t i = 0;; ++i) {
        if (offset == 0 || !seen.insert(offset).second)
            return missing;
        uint32_t next = 0;
        if (int r = f.ReadIfd(offset, entries, next); r < 0)
            return r == IMG_ERR_CONTENT ? missing : r;
        if (i == page)
            return Parse(f, entries, t);
        offset = next;
    }
}

struct Layout {
    int bits = 0;
    uint32_t samples = 1;       // samples per pixel kept from the file
    uint32_t rowBytes = 0;      // bytes of one decoded row (of one plane when planar)
    uint32_t planes = 1;
    uint32_t planesUsed = 1;    // planes that reach the picture; alpha and the like do not
    uint32_t rowsPerStrip = 0, stripsPerPlane = 0;
    std::vector<uint32_t> offsets, counts;
    bool Planar() const { return planes > 1; }
    // Samples per pixel of a row as Finish takes it: the file's when they are
    // interleaved, the planes used when the reader interleaves them.
    uint32_t Interleaved() const { return Planar() ? planesUsed : samples; }
};

bool Known(uint32_t compression)
{
    return compression == kNone || compression == kPackBits || compression == kLzw ||
           compression == kHuffman || compression == kGroup3 || compression == kGroup4;
}

bool IsFax(uint32_t compression)
{
    return compression == kHuffman || compression == kGroup3 || compression == kGroup4;
}

// The fewest bytes a strip can take that decodes to `rows` rows of `rowBytes`:
// a PackBits run gives at most 128 bytes for two, an LZW code of at least nine
// bits at most 4096, a fax row at least one bit.
uint64_t LeastStripBytes(uint32_t compression, uint32_t rows, uint32_t rowBytes)
{
    const uint64_t want = uint64_t(rows) * rowBytes;
    switch (compression) {
    case kNone: return want;
    case kPackBits: return 2 * ((want + 127) / 128);
    case kLzw: return (9 * ((want + 4095) / 4096) + 7) / 8;
    default: return (uint64_t(rows) + 7) / 8;
    }
}

// Bytes the reader holds beside the picture's store: one decoded strip (one
// row for fax strips), and for separate planes the band that interleaves them.
uint64_t WorkingBytes(const Tags& t, const Layout& l)
{
    const uint64_t strip = uint64_t(IsFax(t.compression) ? 1 : l.rowsPerStrip) * l.rowBytes;
    const uint64_t band = l.Planar() ? uint64_t(l.rowsPerStrip) * t.width * l.planesUsed : 0;
    return strip + band + DibRowBytes(LONG(t.width), WORD(l.bits));
}

// Refuses strips that lie beyond the file or that it cannot fill, before the
// picture's store is asked for.
int CheckStrips(TiffFile& f, const Tags& t, const Layout& l)
{
    for (uint32_t p = 0; p < l.planesUsed; ++p) {
        for (uint32_t s = 0; s < l.stripsPerPlane; ++s) {
            const uint32_t k = p * l.stripsPerPlane + s;
            const uint32_t rows = std::min(l.rowsPerStrip, t.height - s * l.rowsPerStrip);
            const uint64_t least = LeastStripBytes(t.compression, rows, l.rowBytes);
            const bool counted = !l.counts.empty() && l.counts[k];
            if ((counted && l.counts[k] < least) || !CanHold(f.In(), f.At(l.offsets[k]), least))
                return IMG_ERR_CONTENT;
        }
    }
    return IMG_OK;
}

int Plan(TiffFile& f, const Tags& t, Layout& l)
{
    if (t.spp == 0 || t.spp > kMaxSamples)
        return IMG_ERR_UNSUPPORTED;
    if (t.spp == 1 && (t.bps == 1 || t.bps == 4 || t.bps == 8))
        l.bits = int(t.bps);
    else if (t.spp >= 3 && t.bps == 8 && (t.photometric != 5 || t.spp >= 4))
        l.bits = 24;
    else
        return IMG_ERR_UNSUPPORTED;
    if (!Known(t.compression))
        return IMG_ERR_UNSUPPORTED;
    if (IsFax(t.compression) && l.bits != 1)
        return IMG_ERR_CONTENT;
    if (int r = PictureFits(int32_t(std::min<uint32_t>(t.width, INT32_MAX)),
                            int32_t(std::min<uint32_t>(t.height, INT32_MAX)), l.bits); r < 0)
        return r;
    l.samples = t.spp;
    l.planes = t.planar == 2 ? t.spp : 1;
    l.planesUsed = !l.Planar() ? 1 : t.photometric == 5 ? 4 : 3;
    l.rowBytes = uint32_t((uint64_t(l.Planar() ? 1 : t.spp) * t.bps * t.width + 7) / 8);
    l.rowsPerStrip = t.rowsPerStrip == 0 || t.rowsPerStrip > t.height ? t.height : t.rowsPerStrip;
    l.stripsPerPlane = (t.height + l.rowsPerStrip - 1) / l.rowsPerStrip;
    if (int r = WithinBudget(StoreBytes(t.width, t.height, l.bits) + WorkingBytes(t, l)); r < 0)
        return r;
    const uint32_t strips = l.stripsPerPlane * l.planes;
    if (!t.hasOffsets || t.offsets.count < strips)
        return IMG_ERR_CONTENT;
    l.offsets.resize(strips);
    if (!f.Values(t.offsets, 0, strips, l.offsets.data()))
        return IMG_ERR_CONTENT;
    if (t.hasCounts && t.counts.count >= strips) {
        l.counts.resize(strips);
        if (!f.Values(t.counts, 0, strips, l.counts.data()))
            l.counts.clear();
    }
    return CheckStrips(f, t, l);
}

void BuildTable(TiffFile& f, const Tags& t, int bits, RGBQUAD* table)
{
    const uint32_t n = ColourEntries(bits);
    // Grey levels spread over the whole range, so the lightest is white.
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t g = uint8_t(n > 1 ? i * 255 / (n - 1) : 0);
        table[i] = RGBQUAD{g, g, g, 0};
    }
    if (t.photometric != 3 || !t.hasColorMap || n == 0 || t.colorMap.count < 3 * n)
        return;
    std::vector<uint32_t> map(3 * n);
    if (!f.Values(t.colorMap, 0, 3 * n, map.data()))
        return;
    // 16-bit components to 8 bits to the nearest, as other readers show them.
    auto level = [](uint32_t v) { return uint8_t((std::min<uint32_t>(v, 65535) + 128) / 257); };
    for (uint32_t i = 0; i < n; ++i)
        table[i] = RGBQUAD{level(map[2 * n + i]), level(map[n + i]), level(map[i]), 0};
}

// Undoes horizontal differencing of 8-bit samples, `step` bytes apart.
void UndoPredictor(uint8_t* p, uint32_t n, uint32_t step)
{
    for (uint32_t i = step; i < n; ++i)
        p[i] = uint8_t(p[i] + p[i - step]);
}

// One decoded row (all samples interleaved) into a DIB row.
void Finish(const Tags& t, const Layout& l, const uint8_t* src, uint8_t* row, uint32_t stride)
{
    std::memset(row, 0, stride);
    if (l.bits <= 8) {
        std::memcpy(row, src, l.rowBytes);
        if (t.photometric == 0)
            for (uint32_t i = 0; i < l.rowBytes; ++i)
                row[i] = uint8_t(~row[i]);
        return;
    }
    const uint32_t s = l.Interleaved();
    if (t.photometric == 5) {
        // CMYK as other readers show it: each ink scales the light left by black.
        for (uint32_t x = 0; x < t.width; ++x) {
            const uint8_t* p = src + size_t(x) * s;
            const uint32_t white = 255 - p[3];
            row[3 * x] = uint8_t(((255 - p[2]) * white + 127) / 255);
            row[3 * x + 1] = uint8_t(((255 - p[1]) * white + 127) / 255);
            row[3 * x + 2] = uint8_t(((255 - p[0]) * white + 127) / 255);
        }
        return;
    }
    const uint8_t flip = t.photometric == 0 ? 0xFF : 0;
    for (uint32_t x = 0; x < t.width; ++x) {
        const uint8_t* p = src + size_t(x) * s;
        row[3 * x] = p[2] ^ flip;
        row[3 * x + 1] = p[1] ^ flip;
        row[3 * x + 2] = p[0] ^ flip;
    }
}

// True when a decoded row becomes its DIB row where it lies: samples of one
// byte or less, or three interleaved colour samples whose order only turns.
bool FinishesInPlace(const Tags& t, const Layout& l)
{
    return !l.Planar() && (l.bits <= 8 || (l.samples == 3 && t.photometric != 5));
}

// Finish for a row decoded straight into the store: colour order turned (and
// values flipped) where the row lies, the padding cleared.
void FinishInPlace(const Tags& t, const Layout& l, uint8_t* row, uint32_t stride)
{
    std::memset(row + l.rowBytes, 0, stride - l.rowBytes);
    if (l.bits <= 8) {
        if (t.photometric == 0)
            for (uint32_t i = 0; i < l.rowBytes; ++i)
                row[i] = uint8_t(~row[i]);
        return;
    }
    const uint8_t flip = t.photometric == 0 ? 0xFF : 0;
    for (uint8_t* p = row; p < row + l.rowBytes; p += 3) {
        const uint8_t red = p[0];
        p[0] = p[2] ^ flip;
        p[1] ^= flip;
        p[2] = red ^ flip;
    }
}

struct Buffer {
    std::unique_ptr<uint8_t[]> p;
    bool Make(size_t n)
    {
        p.reset(new (std::nothrow) uint8_t[std::max<size_t>(n, 1)]);
        return p != nullptr;
    }
};

// Reads strip k's bytes: its byte count when given, clipped to the stream.
int StripBytes(TiffFile& f, const Tags& t, const Layout& l, uint32_t k, uint64_t need,
               std::vector<uint8_t>& data)
{
    const uint64_t at = f.At(l.offsets[k]);
    uint64_t len = !l.counts.empty() && l.counts[k] ? l.counts[k] : UINT64_MAX;
    // Compressed data never runs much longer than eight times what it decodes to,
    // nor, where the stream's length is not known, past the memory limit.
    len = std::min<uint64_t>({len, t.compression == kNone ? need : need * 8 + 65536, MemoryLimit()});
    Stream& in = f.In();
    if (in.LengthKnown())
        len = std::min<uint64_t>(len, in.Length() > at ? in.Length() - at : 0);
    try {
        data.resize(size_t(len));
    } catch (const std::bad_alloc&) {
        return IMG_ERR_MEMORY;
    }
    if (len == 0)
        return IMG_OK;
    if (!in.Seek(at))
        return IMG_ERR_CONTENT;
    data.resize(in.Read(data.data(), data.size()));
    return IMG_OK;
}

int DecodeStrip(const Tags& t, std::vector<uint8_t>& data, uint8_t* out, uint32_t rows, uint32_t rowBytes)
{
    const size_t want = size_t(rows) * rowBytes;
    if (t.fillOrder == 2)   // the bits of every byte stand in reverse order
        ReverseBits(data.data(), data.size());
    switch (t.compression) {
    case kNone:
        if (data.size() < want)
            return IMG_ERR_CONTENT;
        std::memcpy(out, data.data(), want);
        return IMG_OK;
    case kPackBits: return DecodePackBits(data.data(), data.size(), out, want);
    case kLzw: return DecodeLzw(data.data(), data.size(), out, want);
    default: return IMG_ERR_UNSUPPORTED;
    }
}

// Fax strips need no strip of decoded rows: each row is finished and handed on
// as it is decoded.
int DeliverFaxStrip(ReadJob& job, TiffFile& f, const Tags& t, const Layout& l, uint32_t s,
                    std::vector<uint8_t>& data, uint8_t* row)
{
    const uint32_t stride = DibRowBytes(LONG(t.width), WORD(l.bits));
    const uint32_t first = s * l.rowsPerStrip;
    const uint32_t rows = std::min(l.rowsPerStrip, t.height - first);
    if (int r = StripBytes(f, t, l, s, uint64_t(rows) * l.rowBytes, data); r < 0)
        return r;
    if (t.fillOrder == 2)
        ReverseBits(data.data(), data.size());
    uint32_t y = first;
    return DecodeCcittRows(t.compression, t.t4Options, data.data(), data.size(), t.width, rows, l.rowBytes,
                           [&](uint8_t* fax) {
                               // Fax rows hold 1 for black; the flipped PhotometricInterpretation
                               // expects 1 for white.
                               for (uint32_t i = 0; i < l.rowBytes; ++i)
                                   fax[i] = uint8_t(~fax[i]);
                               Finish(t, l, fax, row, stride);
                               return Deliver(job, row, y++, stride);
                           });
}

// Decodes strip k into `out` and undoes the predictor row by row.
int TakeStrip(TiffFile& f, const Tags& t, const Layout& l, uint32_t k, uint32_t rows, std::vector<uint8_t>& data,
              uint8_t* out)
{
    if (int r = StripBytes(f, t, l, k, uint64_t(rows) * l.rowBytes, data); r < 0)
        return r;
    if (int r = DecodeStrip(t, data, out, rows, l.rowBytes); r < 0)
        return r;
    if (t.predictor == 2 && t.bps == 8)
        for (uint32_t i = 0; i < rows; ++i)
            UndoPredictor(out + size_t(i) * l.rowBytes, l.rowBytes, l.Planar() ? 1 : l.samples);
    return IMG_OK;
}

// An LZW strip decoded straight into the store's rows (no strip of its own,
// no copy): each row's predictor undone and finished while it is still in the cache.
int StoreLzwStrip(ReadJob& job, TiffFile& f, const Tags& t, const Layout& l, uint32_t s,
                  std::vector<uint8_t>& data, std::vector<uint8_t*>& rows)
{
    const uint32_t stride = DibRowBytes(LONG(t.width), WORD(l.bits));
    const uint32_t first = s * l.rowsPerStrip;
    const uint32_t count = std::min(l.rowsPerStrip, t.height - first);
    rows.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        if (!(rows[i] = job.rowAt(job.user, first + i)))
            return IMG_ERR_CONTENT;
    if (int r = StripBytes(f, t, l, s, uint64_t(count) * l.rowBytes, data); r < 0)
        return r;
    if (t.fillOrder == 2)
        ReverseBits(data.data(), data.size());
    if (int r = DecodeLzwRows(data.data(), data.size(), rows.data(), count, l.rowBytes); r < 0)
        return r;
    for (uint8_t* row : rows) {
        if (t.predictor == 2 && t.bps == 8)
            UndoPredictor(row, l.rowBytes, l.samples);
        FinishInPlace(t, l, row, stride);
    }
    return IMG_OK;
}

// Sets sample `plane` of every pixel of a band of interleaved rows.
void Interleave(const uint8_t* src, uint8_t* band, size_t pixels, uint32_t plane, uint32_t samples)
{
    for (size_t x = 0; x < pixels; ++x)
        band[x * samples + plane] = src[x];
}

// One band of rows at a time: the strip of every plane used (or the one
// interleaved strip), finished into DIB rows and handed on top row first.
int DecodeRows(ReadJob& job, TiffFile& f, const Tags& t, const Layout& l)
{
    const uint32_t stride = DibRowBytes(LONG(t.width), WORD(l.bits));
    const uint32_t samples = l.Interleaved();
    const bool fax = IsFax(t.compression);
    const bool direct = job.rowAt && t.compression == kLzw && FinishesInPlace(t, l);
    Buffer row, strip, band;
    if (!row.Make(stride) || (!fax && !direct && !strip.Make(size_t(l.rowsPerStrip) * l.rowBytes)) ||
        (l.Planar() && !band.Make(size_t(l.rowsPerStrip) * t.width * samples)))
        return IMG_ERR_MEMORY;
    std::vector<uint8_t> data;
    std::vector<uint8_t*> rows;
    for (uint32_t s = 0; s < l.stripsPerPlane; ++s) {
        if (direct) {
            if (int r = StoreLzwStrip(job, f, t, l, s, data, rows); r < 0)
                return r;
            continue;
        }
        if (fax) {
            if (int r = DeliverFaxStrip(job, f, t, l, s, data, row.p.get()); r < 0)
                return r;
            continue;
        }
        const uint32_t first = s * l.rowsPerStrip;
        const uint32_t rows = std::min(l.rowsPerStrip, t.height - first);
        for (uint32_t p = 0; p < l.planesUsed; ++p) {
            if (int r = TakeStrip(f, t, l, p * l.stripsPerPlane + s, rows, data, strip.p.get()); r < 0)
                return r;
            if (l.Planar())
                Interleave(strip.p.get(), band.p.get(), size_t(rows) * t.width, p, samples);
        }
        const uint8_t* src = l.Planar() ? band.p.get() : strip.p.get();
        const size_t srcBytes = l.Planar() ? size_t(t.width) * samples : l.rowBytes;
        for (uint32_t i = 0; i < rows; ++i) {
            Finish(t, l, src + i * srcBytes, row.p.get(), stride);
            if (int r = Deliver(job, row.p.get(), first + i, stride); r < 0)
                return r;
        }
    }
    return IMG_OK;
}

}   // namespace

int ReadTiff(ReadJob& job)
{
    const bool paged = (job.start & kPageFlag) == kPageFlag;
    const uint32_t page = paged ? job.start & ~kPageFlag : 0;
    TiffFile f(job.in, paged ? 0 : job.start);
    Tags t;
    if (int r = FindIfd(f, page, paged, t); r < 0)
        return r;
    Layout l;
    if (int r = Plan(f, t, l); r < 0)
        return r;
    RGBQUAD table[256] = {};
    BuildTable(f, t, l.bits, table);
    if (int r = DeliverHeader(job, int32_t(t.width), int32_t(t.height), l.bits, table, t.xres, t.yres);
        r < 0)
        return r;
    if (int r = DecodeRows(job, f, t, l); r < 0)
        return r;
    return 1;
}

}   // namespace vantor
