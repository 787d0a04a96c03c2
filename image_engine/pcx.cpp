// PCX pictures and DCX multi-page files of PCX pages.
#include <algorithm>

#include "codec_util.h"

namespace vantor {

namespace {

constexpr uint32_t kDcxSignature = 0x3ADE68B1u;
constexpr uint32_t kDcxTableEntries = 100;
constexpr uint32_t kDcxHeaderBytes = 4 + 4 * kDcxTableEntries;

// Entries 0-7 at half strength, 8-15 at full: bit 0 red, bit 1 green, bit 2 blue.
void SixteenColours(RGBQUAD* t)
{
    for (int i = 0; i < 16; ++i) {
        uint8_t on = i < 8 ? 128 : 255;
        t[i] = RGBQUAD{uint8_t(i & 4 ? on : 0), uint8_t(i & 2 ? on : 0), uint8_t(i & 1 ? on : 0), 0};
    }
}

void GreyRamp(RGBQUAD* t, int bits)
{
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        uint8_t g = uint8_t(i * (256 / n));
        t[i] = RGBQUAD{g, g, g, 0};
    }
}

void BlackWhite(RGBQUAD* t)
{
    t[0] = RGBQUAD{0, 0, 0, 0};
    t[1] = RGBQUAD{255, 255, 255, 0};
}

struct PcxHeader {
    int version, bitsPerPlane, planes, paletteType;
    int32_t width, height;
    uint32_t bytesPerLine;
    int depth;
    const uint8_t* palette;   // 16 entries of red, green, blue
};

int ParseHeader(const uint8_t* p, PcxHeader& h)
{
    if (p[0] != 10)
        return IMG_ERR_CONTENT;
    h.version = p[1];
    h.bitsPerPlane = p[3];
    h.planes = p[65];
    h.bytesPerLine = Le16(p + 66);
    h.paletteType = Le16(p + 68);
    h.palette = p + 16;
    const int xmin = Le16(p + 4), ymin = Le16(p + 6), xmax = Le16(p + 8), ymax = Le16(p + 10);
    h.width = xmax - xmin + 1;
    h.height = ymax - ymin + 1;
    if (h.width <= 0 || h.height <= 0 || h.bytesPerLine == 0)
        return IMG_ERR_CONTENT;
    if (h.planes == 4 && h.bitsPerPlane == 4)
        h.bitsPerPlane = 1;
    if (h.bitsPerPlane == 1 && h.planes == 1)
        h.depth = 1;
    else if (h.bitsPerPlane == 1 && (h.planes == 3 || h.planes == 4))
        h.depth = 4;
    else if (h.bitsPerPlane == 4 && h.planes == 1)
        h.depth = 4;
    else if (h.bitsPerPlane == 8 && h.planes == 1)
        h.depth = 8;
    else if (h.bitsPerPlane == 8 && h.planes == 3)
        h.depth = 24;
    else
        return IMG_ERR_UNSUPPORTED;
    if (uint64_t(h.bytesPerLine) * 8 < uint64_t(h.width) * h.bitsPerPlane)
        return IMG_ERR_CONTENT;
    if (uint64_t(h.bytesPerLine) * h.planes > ScratchPool::kMaxBlock)
        return IMG_ERR_UNSUPPORTED;
    return IMG_OK;
}

// Decodes one line of planes × bytes-per-line bytes; a run past the line end is dropped.
bool DecodeLine(ByteSource& src, uint8_t* line, uint32_t bytes)
{
    uint32_t fill = 0;
    while (fill < bytes) {
        uint8_t b, value;
        if (!src.Next(b))
            return false;
        if ((b & 0xC0) == 0xC0) {
            if (!src.Next(value))
                return false;
            uint32_t n = std::min<uint32_t>(b & 0x3F, bytes - fill);
            std::memset(line + fill, value, n);
            fill += n;
        } else {
            line[fill++] = b;
        }
    }
    return true;
}

void FinishLine(const PcxHeader& h, const uint8_t* line, uint8_t* row, uint32_t stride, bool invert)
{
    std::memset(row, 0, stride);
    const uint32_t bpl = h.bytesPerLine;
    if (h.depth == 24) {
        for (int32_t x = 0; x < h.width; ++x) {
            row[3 * x] = line[2 * bpl + x];
            row[3 * x + 1] = line[bpl + x];
            row[3 * x + 2] = line[x];
        }
    } else if (h.depth == 4 && h.planes > 1) {
        for (int32_t x = 0; x < h.width; ++x) {
            int v = 0;
            for (int k = 0; k < h.planes; ++k)
                v |= ((line[k * bpl + x / 8] >> (7 - x % 8)) & 1) << k;
            row[x / 2] |= uint8_t(x % 2 ? v : v << 4);
        }
    } else {
        std::memcpy(row, line, std::min(bpl, stride));
        if (invert)
            for (uint32_t i = 0; i < stride; ++i)
                row[i] = uint8_t(~row[i]);
    }
}

// Reads a PCX picture at `start`; its bytes end at `end` (0: the stream's end).
int ReadPcxAt(ReadJob& job, uint64_t start, uint64_t end)
{
    uint8_t head[128];
    if (!job.in.Seek(start) || !job.in.ReadExact(head, sizeof head))
        return IMG_ERR_CONTENT;
    PcxHeader h;
    if (int r = ParseHeader(head, h); r < 0)
        return r;
    if (int r = PictureFits(h.width, h.height, h.depth); r < 0)
        return r;
    const uint32_t lineBytes = h.bytesPerLine * uint32_t(h.planes);
    RGBQUAD table[256] = {};
    bool invert = false;
    if (h.depth == 8) {
        // The palette is the last 768 bytes of the picture's bytes.
        if (!end)
            end = job.in.LengthKnown() ? job.in.Length() : 0;
        uint8_t pal[768];
        if (!end) {
            // Without a length, the palette follows the image data.
            ByteSource scan(job.in, 0);
            uint8_t* line = Scratch().Get(lineBytes);
            if (!line || !scan.Init())
                return IMG_ERR_MEMORY;
            if (!job.in.Seek(start + 128))
                return IMG_ERR_CONTENT;
            for (int32_t y = 0; y < h.height; ++y)
                if (!DecodeLine(scan, line, lineBytes))
                    return IMG_ERR_CONTENT;
            end = scan.Position() + 769;
            Scratch().Release(line);
        }
        if (end < start + 128 + 768 || !job.in.Seek(end - 768) || !job.in.ReadExact(pal, sizeof pal))
            return IMG_ERR_CONTENT;
        for (int i = 0; i < 256; ++i)
            table[i] = RGBQUAD{pal[3 * i + 2], pal[3 * i + 1], pal[3 * i], 0};
        end -= 769;
    } else if (h.depth <= 4) {
        const int n = 1 << h.depth;
        if (h.version == 0 || h.version == 3)
            SixteenColours(table);
        else if (h.paletteType == 2)
            GreyRamp(table, h.depth);
        else
            for (int i = 0; i < std::min(n, 16); ++i)
                table[i] = RGBQUAD{h.palette[3 * i + 2], h.palette[3 * i + 1], h.palette[3 * i], 0};
        if (h.depth == 1) {
            const uint8_t* p = h.palette;
            bool zeroBlack = !p[0] && !p[1] && !p[2], oneBlack = !p[3] && !p[4] && !p[5];
            if (h.version == 0 || h.version == 3 || h.paletteType == 2 || (oneBlack && zeroBlack))
                BlackWhite(table);
            else if (oneBlack) {
                BlackWhite(table);
                invert = true;
            }
        }
    }
    // Every line takes at least one byte per 63 decoded ones.
    const uint64_t leastBytes = uint64_t(h.height) * ((lineBytes + 62) / 63);
    if (!CanHold(job.in, start + 128, leastBytes, end))
        return IMG_ERR_CONTENT;
    if (int r = DeliverHeader(job, h.width, h.height, h.depth, table); r < 0)
        return r;
    const uint32_t stride = DibRowBytes(h.width, WORD(h.depth));
    uint8_t* line = Scratch().Get(lineBytes);
    uint8_t* row = Scratch().Get(stride);
    ByteSource src(job.in, end);
    if (!line || !row || !src.Init())
        return IMG_ERR_MEMORY;
    if (!job.in.Seek(start + 128))
        return IMG_ERR_CONTENT;
    for (int32_t y = 0; y < h.height; ++y) {
        if (!DecodeLine(src, line, lineBytes))
            return IMG_ERR_CONTENT;
        FinishLine(h, line, row, stride, invert);
        if (int r = Deliver(job, row, uint32_t(y), stride); r < 0)
            return r;
    }
    return IMG_OK;
}

void EncodePlane(ByteSink& sink, const uint8_t* p, uint32_t n)
{
    for (uint32_t i = 0; i < n;) {
        const uint8_t v = p[i];
        uint32_t c = 1;
        while (i + c < n && c < 63 && p[i + c] == v)
            ++c;
        if (c > 1 || (v & 0xC0) == 0xC0)
            sink.Put(uint8_t(0xC0 | c));
        sink.Put(v);
        i += c;
    }
}

}   // namespace

int ReadPcx(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    return ReadPcxAt(job, StartOffset(job.start), job.end);
}

int ReadDcx(ReadJob& job)
{
    const bool paged = (job.start & kPageFlag) == kPageFlag;
    const uint64_t base = paged ? 0 : job.start;
    const uint32_t page = paged ? job.start & ~kPageFlag : 0;
    uint8_t word[4];
    if (!job.in.Seek(base) || !job.in.ReadExact(word, 4) || Le32(word) != kDcxSignature)
        return IMG_ERR_CONTENT;
    uint32_t offset = 0;
    for (uint32_t i = 0; i <= page; ++i) {
        if (!job.in.ReadExact(word, 4))
            return IMG_ERR_CONTENT;
        if ((offset = Le32(word)) == 0)
            return IMG_ERR_OPEN;   // the table ends before this page
    }
    // The page ends where the next one starts, when that lies behind it.
    uint64_t end = 0;
    if (job.in.ReadExact(word, 4) && Le32(word) > offset)
        end = base + Le32(word);
    return ReadPcxAt(job, base + offset, end);
}

int WritePcx(WriteJob& job)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    const int bits = h.biBitCount;
    const uint32_t width = uint32_t(h.biWidth), height = uint32_t(h.biHeight);
    uint8_t head[128] = {10};
    const int version = bits == 8 ? 5 : bits == 24 ? 3 : 2;
    const int perPlane = bits >= 8 ? 8 : 1;
    const int planes = bits == 4 ? 4 : bits == 24 ? 3 : 1;
    const uint32_t bpl = (perPlane * width + 7) / 8;
    head[1] = uint8_t(version);
    head[2] = 1;
    head[3] = uint8_t(perPlane);
    PutLe16(head + 8, width - 1);
    PutLe16(head + 10, height - 1);
    PutLe16(head + 12, width);
    PutLe16(head + 14, height);
    const RGBQUAD* table = TableOf(job.header);
    if (bits <= 4)
        for (uint32_t i = 0; i < std::min<uint32_t>(16, ColourEntries(bits)); ++i) {
            head[16 + 3 * i] = table[i].rgbRed;
            head[17 + 3 * i] = table[i].rgbGreen;
            head[18 + 3 * i] = table[i].rgbBlue;
        }
    head[65] = uint8_t(planes);
    PutLe16(head + 66, bpl);
    PutLe16(head + 68, bits == 24 ? 0 : 1);
    if (!job.out.Write(head, sizeof head))
        return IMG_ERR_WRITE;

    const uint32_t stride = DibRowBytes(h.biWidth, WORD(bits));
    uint8_t* row = Scratch().Get(stride);
    uint8_t* plane = Scratch().Get(bpl);
    if (!row || !plane)
        return IMG_ERR_MEMORY;
    ByteSink sink(job.out);
    for (uint32_t i = 0; i < height; ++i) {
        if (int r = FetchRow(job, row, height - 1 - i, stride); r < 0)
            return r;
        if (bits == 1 || bits == 8) {
            EncodePlane(sink, row, bpl);
        } else if (bits == 24) {
            for (int k = 2; k >= 0; --k) {
                for (uint32_t x = 0; x < width; ++x)
                    plane[x] = row[3 * x + k];
                EncodePlane(sink, plane, bpl);
            }
        } else {
            for (int k = 0; k < 4; ++k) {
                std::memset(plane, 0, bpl);
                for (uint32_t x = 0; x < width; ++x) {
                    int v = x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
                    plane[x / 8] |= uint8_t(((v >> k) & 1) << (7 - x % 8));
                }
                EncodePlane(sink, plane, bpl);
            }
        }
        if (sink.Pending() > 60000 && !sink.Flush())
            return IMG_ERR_WRITE;
    }
    if (bits == 8) {
        sink.Put(12);
        for (int i = 0; i < 256; ++i) {
            sink.Put(table[i].rgbRed);
            sink.Put(table[i].rgbGreen);
            sink.Put(table[i].rgbBlue);
        }
    }
    return sink.Flush() ? IMG_OK : IMG_ERR_WRITE;
}

// The page is encoded in memory first, so no temporary file is needed.
int WriteDcx(WriteJob& job)
{
    std::vector<uint8_t> page;
    Stream pageStream = Stream::OverVector(&page);
    WriteJob pageJob{pageStream, job.header, job.row, job.user};
    if (int r = WritePcx(pageJob); r < 0)
        return r;

    // A memory block tells not where its last page ends, so it always starts anew.
    uint8_t head[kDcxHeaderBytes] = {};
    size_t got = job.out.IsFile() && job.out.Seek(0) ? job.out.Read(head, sizeof head) : 0;
    if (got < 4 || Le32(head) != kDcxSignature) {
        std::memset(head, 0, sizeof head);
        PutLe32(head, kDcxSignature);
        PutLe32(head + 4, kDcxHeaderBytes);
        if (!job.out.Truncate(0) || !job.out.Seek(0) || !job.out.Write(head, sizeof head) ||
            !job.out.Write(page.data(), page.size()))
            return IMG_ERR_WRITE;
        return IMG_OK;
    }
    uint32_t slot = 0;
    while (slot < kDcxTableEntries && Le32(head + 4 + 4 * slot) != 0)
        ++slot;
    // The last entry must stay zero to end the table.
    if (slot >= kDcxTableEntries - 1)
        return IMG_ERR_WRITE;
    const uint64_t at = job.out.Size();
    if (at > UINT32_MAX - page.size())
        return IMG_ERR_WRITE;
    // The table names the page only once all of it is there.
    uint8_t entry[4];
    PutLe32(entry, uint32_t(at));
    if (!job.out.Seek(at) || !job.out.Write(page.data(), page.size()) || !job.out.Seek(4 + 4 * slot) ||
        !job.out.Write(entry, 4))
        return IMG_ERR_WRITE;
    return IMG_OK;
}

}   // namespace vantor
