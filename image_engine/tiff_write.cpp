// The TIFF writers: uncompressed and CCITT pictures added as a further IFD to
// an existing TIFF file (in that file's byte order), LZW always as a new file.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "codec_util.h"
#include "tiff.h"

namespace vantor {

namespace {

using namespace tiff;

constexpr uint32_t kLzwStripBytes = 10000;
constexpr uint32_t kFields = 256;   // the two resolutions, the date and text fields
constexpr uint32_t kDateField = 40, kTextField = 200;

struct Order {
    bool big = false;
    void P16(uint8_t* p, uint32_t v) const
    {
        if (big) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
        else PutLe16(p, v);
    }
    void P32(uint8_t* p, uint32_t v) const
    {
        if (big) { P16(p, v >> 16); P16(p + 2, v); }
        else PutLe32(p, v);
    }
};

struct Picture {
    uint32_t width, height, bits, rowBytes, stride;
    uint32_t compression;
    uint32_t rowsPerStrip;
    std::vector<uint32_t> sizes;   // bytes of each strip
};

Picture Describe(const WriteJob& job, uint32_t compression)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    Picture p{uint32_t(h.biWidth), uint32_t(h.biHeight), h.biBitCount, 0, 0, compression, 0, {}};
    p.rowBytes = (p.bits * p.width + 7) / 8;
    p.stride = DibRowBytes(h.biWidth, h.biBitCount);
    p.rowsPerStrip = p.height;
    return p;
}

bool Lighter(const RGBQUAD& a, const RGBQUAD& b)
{
    return a.rgbRed * 3 + a.rgbGreen * 6 + a.rgbBlue > b.rgbRed * 3 + b.rgbGreen * 6 + b.rgbBlue;
}

// Fetches row i (top row first) in file order: red, green, blue for 24 bits;
// 1-bit rows with 1 for white, or for fax codings 1 for black.
int FileRow(WriteJob& job, const Picture& p, uint32_t i, uint8_t* buf)
{
    if (int r = FetchRow(job, buf, p.height - 1 - i, p.stride); r < 0)
        return r;
    if (p.bits == 24) {
        for (uint32_t x = 0; x < p.width; ++x)
            std::swap(buf[3 * x], buf[3 * x + 2]);
    } else if (p.bits == 1) {
        const RGBQUAD* t = TableOf(job.header);
        const bool fax = p.compression != kNone && p.compression != kLzw;
        if (Lighter(t[0], t[1]) != fax)
            for (uint32_t k = 0; k < p.rowBytes; ++k)
                buf[k] = uint8_t(~buf[k]);
        if (p.width % 8)
            buf[p.rowBytes - 1] &= uint8_t(0xFF00 >> (p.width % 8));
    }
    return IMG_OK;
}

// Where a new page goes, and the next-IFD field that is to point at it
// (0 in a new file, whose header already does).
struct Placement {
    uint64_t ifdAt = 8;
    uint64_t linkAt = 0;
    Order order;
};

// Where the new IFD goes: behind the last page of an existing TIFF file, or at
// 8 in a new file.
int Place(WriteJob& job, bool mayAdd, Placement& place)
{
    Stream& out = job.out;
    uint8_t head[8] = {};
    const bool tiff = mayAdd && out.IsFile() && out.Seek(0) && out.Read(head, 8) == 8 &&
                      ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M'));
    if (!tiff) {
        const uint8_t fresh[8] = {'I', 'I', 42, 0, 8, 0, 0, 0};
        if (!out.Truncate(0) || !out.Seek(0) || !out.Write(fresh, 8))
            return IMG_ERR_WRITE;
        place = Placement{};
        return IMG_OK;
    }
    TiffFile f(out, 0);
    uint32_t offset = 0;
    f.ReadHeader(offset);
    place.order.big = f.Big();
    place.linkAt = 4;
    std::unordered_set<uint32_t> seen;
    std::vector<Entry> entries;
    while (offset != 0) {
        uint32_t next = 0;
        if (!seen.insert(offset).second || f.ReadIfd(offset, entries, next) < 0)
            return IMG_ERR_CONTENT;
        place.linkAt = uint64_t(offset) + 2 + 12 * entries.size();
        offset = next;
    }
    place.ifdAt = out.Size();
    // IFDs begin on a word boundary.
    const uint8_t zero = 0;
    if (place.ifdAt % 2 && !(out.Seek(place.ifdAt) && out.Write(&zero, 1)))
        return IMG_ERR_WRITE;
    place.ifdAt += place.ifdAt % 2;
    return place.ifdAt > UINT32_MAX ? IMG_ERR_WRITE : IMG_OK;
}

// Points the last page at the new one. Done once the page is complete, so a
// page cut short by a failed write is never reachable from the file.
int Link(WriteJob& job, const Placement& place)
{
    if (place.linkAt == 0)
        return IMG_OK;
    uint8_t link[4];
    place.order.P32(link, uint32_t(place.ifdAt));
    const uint64_t end = job.out.Size();
    return job.out.Seek(place.linkAt) && job.out.Write(link, 4) && job.out.Seek(end) ? IMG_OK : IMG_ERR_WRITE;
}

// The IFD, the fields behind it and the strip arrays; strips follow directly.
int BuildIfd(const WriteJob& job, const Picture& p, uint64_t ifdAt, const Order& o, std::vector<uint8_t>& block)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    const bool mapped = p.bits == 4 || p.bits == 8;
    const uint32_t n = mapped ? 19 : 18;
    const uint32_t entries = 12 * n + 6;   // count, entries, next-IFD offset
    const uint32_t extra = mapped ? 6u << p.bits : p.bits == 24 ? 6 : 0;
    const uint32_t strips = uint32_t(p.sizes.size());
    const uint32_t arrays = strips > 1 ? 8 * strips : 0;
    const uint64_t dataAt = ifdAt + entries + kFields + extra + arrays;
    uint64_t total = dataAt;
    for (uint32_t s : p.sizes)
        total += s;
    if (total > UINT32_MAX)
        return IMG_ERR_WRITE;
    block.assign(entries + kFields + extra + arrays, 0);
    const uint32_t at = uint32_t(ifdAt);
    const uint32_t xres = at + entries, yres = xres + 8, date = xres + 16, text = xres + 56,
                   behind = xres + kFields, array = behind + extra;

    char dateText[kDateField] = {}, idText[kTextField] = {};
    IMGLOW_get_bitmap_name(idText, dateText);
    dateText[kDateField - 1] = idText[kTextField - 1] = 0;

    uint8_t* e = block.data() + 2;
    o.P16(block.data(), n);
    auto entry = [&](uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
        o.P16(e, tag);
        o.P16(e + 2, type);
        o.P32(e + 4, count);
        if (type == 3 && count == 1)
            o.P16(e + 8, value);
        else
            o.P32(e + 8, value);
        e += 12;
    };
    const bool fax = p.compression != kNone && p.compression != kLzw;
    const uint32_t photometric = p.bits == 24 ? 2 : mapped ? 3 : fax ? 0 : 1;
    entry(254, 4, 1, 0);
    entry(256, 3, 1, p.width);
    entry(257, 3, 1, p.height);
    entry(258, 3, p.bits == 24 ? 3 : 1, p.bits == 24 ? behind : p.bits);
    entry(259, 3, 1, p.compression);
    entry(262, 3, 1, photometric);
    entry(266, 3, 1, p.compression == kGroup3 || p.compression == kGroup4 ? 2 : 1);
    entry(273, 4, strips, strips > 1 ? array : uint32_t(dataAt));
    entry(274, 3, 1, 1);
    entry(277, 3, 1, p.bits == 24 ? 3 : 1);
    entry(278, 3, 1, p.rowsPerStrip);
    entry(279, 4, strips, strips > 1 ? array + 4 * strips : p.sizes[0]);
    entry(282, 5, 1, xres);
    entry(283, 5, 1, yres);
    entry(284, 3, 1, 1);
    entry(296, 3, 1, 2);
    // ASCII counts include the closing zero, which readers insist on.
    entry(306, 2, uint32_t(std::strlen(dateText) + 1), date);
    entry(315, 2, uint32_t(std::strlen(idText) + 1), text);
    if (mapped)
        entry(320, 3, 3u << p.bits, behind);
    // next-IFD offset stays 0

    uint8_t* base = block.data() - at;
    const bool noRes = h.biXPelsPerMeter == 0 || h.biYPelsPerMeter == 0;
    o.P32(base + xres, noRes ? 640 : uint32_t(h.biXPelsPerMeter));
    o.P32(base + xres + 4, noRes ? 9 : 1);
    o.P32(base + yres, noRes ? 480 : uint32_t(h.biYPelsPerMeter));
    o.P32(base + yres + 4, noRes ? 7 : 1);
    std::memcpy(base + date, dateText, kDateField);
    std::memcpy(base + text, idText, kTextField);
    if (mapped) {
        // 16-bit components: 255 becomes 65535, as readers scale them.
        const RGBQUAD* t = TableOf(job.header);
        const uint32_t colours = 1u << p.bits;
        for (uint32_t i = 0; i < colours; ++i) {
            o.P16(base + behind + 2 * i, t[i].rgbRed * 257u);
            o.P16(base + behind + 2 * (colours + i), t[i].rgbGreen * 257u);
            o.P16(base + behind + 2 * (2 * colours + i), t[i].rgbBlue * 257u);
        }
    } else if (p.bits == 24) {
        for (int i = 0; i < 3; ++i)
            o.P16(base + behind + 2 * i, 8);
    }
    if (strips > 1) {
        uint32_t offset = uint32_t(dataAt);
        for (uint32_t s = 0; s < strips; ++s) {
            o.P32(base + array + 4 * s, offset);
            o.P32(base + array + 4 * (strips + s), p.sizes[s]);
            offset += p.sizes[s];
        }
    }
    return IMG_OK;
}

int WriteBlock(Stream& out, uint64_t at, const std::vector<uint8_t>& block)
{
    return out.Seek(at) && out.Write(block.data(), block.size()) ? IMG_OK : IMG_ERR_WRITE;
}

// Places the header (appending a page when `append` allows), then writes the
// picture's IFD; the pixel data follows at the stream's position, and Link
// ends the page.
int WriteIfd(WriteJob& job, const Picture& p, bool append, Placement& place)
{
    if (int r = Place(job, append, place); r < 0)
        return r;
    std::vector<uint8_t> block;
    if (int r = BuildIfd(job, p, place.ifdAt, place.order, block); r < 0)
        return r;
    return WriteBlock(job.out, place.ifdAt, block);
}

int WriteData(WriteJob& job, const Placement& place, const std::vector<uint8_t>& data)
{
    return job.out.Write(data.data(), data.size()) ? Link(job, place) : IMG_ERR_WRITE;
}

int WriteFax(WriteJob& job, uint32_t compression)
{
    if (job.header->bmiHeader.biBitCount != 1)
        return IMG_ERR_UNSUPPORTED;
    Picture p = Describe(job, compression);
    std::vector<uint8_t> rows(size_t(p.height) * p.rowBytes + p.stride), data;
    for (uint32_t i = 0; i < p.height; ++i)
        if (int r = FileRow(job, p, i, rows.data() + size_t(i) * p.rowBytes); r < 0)
            return r;
    EncodeCcitt(compression, rows.data(), p.width, p.height, p.rowBytes, data);
    if (compression != kHuffman)   // written as the IFD's FillOrder 2 declares
        ReverseBits(data.data(), data.size());
    p.sizes = {uint32_t(data.size())};
    Placement place;
    if (int r = WriteIfd(job, p, true, place); r < 0)
        return r;
    return WriteData(job, place, data);
}

}   // namespace

int WriteTiff(WriteJob& job)
{
    Picture p = Describe(job, kNone);
    p.sizes = {p.rowBytes * p.height};
    Placement place;
    if (int r = WriteIfd(job, p, true, place); r < 0)
        return r;
    std::vector<uint8_t> buf(p.stride);
    ByteSink sink(job.out);
    for (uint32_t i = 0; i < p.height; ++i) {
        if (int r = FileRow(job, p, i, buf.data()); r < 0)
            return r;
        sink.Put(buf.data(), p.rowBytes);
        if (sink.Pending() > (1u << 20) && !sink.Flush())
            return IMG_ERR_WRITE;
    }
    return sink.Flush() ? Link(job, place) : IMG_ERR_WRITE;
}

int WriteTiffHuffman(WriteJob& job) { return WriteFax(job, kHuffman); }
int WriteTiffGroup3(WriteJob& job) { return WriteFax(job, kGroup3); }
int WriteTiffGroup4(WriteJob& job) { return WriteFax(job, kGroup4); }

int WriteTiffLzw(WriteJob& job)
{
    Picture p = Describe(job, kLzw);
    p.rowsPerStrip = std::clamp<uint32_t>(kLzwStripBytes / p.rowBytes, 1, p.height);
    const uint32_t strips = (p.height + p.rowsPerStrip - 1) / p.rowsPerStrip;
    std::vector<uint8_t> rows(size_t(p.rowsPerStrip) * p.rowBytes + p.stride), data;
    for (uint32_t s = 0; s < strips; ++s) {
        const uint32_t first = s * p.rowsPerStrip, count = std::min(p.rowsPerStrip, p.height - first);
        for (uint32_t i = 0; i < count; ++i)
            if (int r = FileRow(job, p, first + i, rows.data() + size_t(i) * p.rowBytes); r < 0)
                return r;
        const size_t before = data.size();
        EncodeLzw(rows.data(), size_t(count) * p.rowBytes, data);
        p.sizes.push_back(uint32_t(data.size() - before));
    }
    Placement place;
    if (int r = WriteIfd(job, p, false, place); r < 0)
        return r;
    return WriteData(job, place, data);
}

}   // namespace vantor
