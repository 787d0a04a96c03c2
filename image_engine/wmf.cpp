// Windows metafile: a picture is written as one StretchDIB record behind the
// standard placeable header; reading takes the first device-independent bitmap
// of any metafile and passes over its vector records.
#include <algorithm>

#include "codec_util.h"

namespace vantor {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr uint32_t kPlaceableBytes = 22;
constexpr uint32_t kMetaHeaderBytes = 18;
constexpr uint32_t kRecordHead = 6;   // size in words (32-bit), function (16-bit)
constexpr uint16_t kStretchDib = 0x0F43;
constexpr uint32_t kStretchDibHead = 28;
constexpr uint32_t kUnitsPerInch = 907;

uint16_t PlaceableChecksum(const uint8_t* header)
{
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= Le16(header + 2 * i);
    return sum;
}

bool LooksLikeMetaHeader(Stream& in, uint64_t at)
{
    uint8_t h[kMetaHeaderBytes];
    if (!in.Seek(at) || !in.ReadExact(h, sizeof h))
        return false;
    return (Le16(h) == 1 || Le16(h) == 2) && Le16(h + 2) == 9;
}

// Where the metafile header starts: behind a placeable header of the published
// 22 bytes or of the 24 that older writers of this engine used, or at the start.
int FindMetaHeader(Stream& in, uint64_t start, uint64_t& at)
{
    uint8_t key[4];
    if (!in.Seek(start) || !in.ReadExact(key, sizeof key))
        return IMG_ERR_CONTENT;
    if (Le32(key) != kPlaceableKey) {
        at = start;
        return LooksLikeMetaHeader(in, at) ? IMG_OK : IMG_ERR_CONTENT;
    }
    for (uint64_t skip : {uint64_t(kPlaceableBytes), uint64_t(kPlaceableBytes + 2)})
        if (LooksLikeMetaHeader(in, start + skip)) {
            at = start + skip;
            return IMG_OK;
        }
    return IMG_ERR_CONTENT;
}

// Records that carry a device-independent bitmap, with the distances from the
// record start at which its header may begin: the published layout first, then
// the shorter one older writers used.
struct DibRecord {
    uint16_t function;
    uint8_t at[2];
};
constexpr DibRecord kDibRecords[] = {
    {0x0940, {22, 20}},   // DIBBitBlt
    {0x0922, {22, 20}},   // BitBlt
    {0x0D33, {24, 22}},   // SetDIBitsToDevice
    {0x0B41, {26, 26}},   // DIBStretchBlt
    {kStretchDib, {28, 28}},
};

struct DibFound {
    uint64_t header = 0;   // where the 40-byte header starts
    uint64_t end = 0;      // end of the record
};

// True when a 40-byte bitmap header starts at `at` inside the record.
bool DibHeaderAt(Stream& in, uint64_t at, uint64_t recordEnd)
{
    uint8_t size[4];
    return at + 40 <= recordEnd && in.Seek(at) && in.ReadExact(size, 4) && Le32(size) == 40;
}

// Walks the records to the first one holding a bitmap; -6 when the metafile
// ends (end record or end of stream) without one.
int FindDib(ReadJob& job, uint64_t first, DibFound& found)
{
    const uint64_t limit = job.end ? job.end : (job.in.LengthKnown() ? job.in.Length() : UINT64_MAX);
    for (uint64_t at = first;;) {
        uint8_t head[kRecordHead];
        if (at + kRecordHead > limit || !job.in.Seek(at) || !job.in.ReadExact(head, sizeof head))
            return IMG_ERR_UNSUPPORTED;
        const uint64_t bytes = uint64_t(Le32(head)) * 2;
        const uint16_t function = Le16(head + 4);
        if (function == 0)
            return IMG_ERR_UNSUPPORTED;
        if (bytes < kRecordHead)
            return IMG_ERR_CONTENT;
        const uint64_t end = at + bytes;
        for (const DibRecord& r : kDibRecords) {
            if (r.function != function)
                continue;
            if (end > limit)
                return IMG_ERR_CONTENT;
            for (uint8_t offset : r.at)
                if (DibHeaderAt(job.in, at + offset, end)) {
                    found = DibFound{at + offset, end};
                    return IMG_OK;
                }
        }
        at = end;
    }
}

int ReadDib(ReadJob& job, const DibFound& dib)
{
    uint8_t h[40];
    if (!job.in.Seek(dib.header) || !job.in.ReadExact(h, sizeof h))
        return IMG_ERR_CONTENT;
    const int32_t width = int32_t(Le32(h + 4));
    int32_t height = int32_t(Le32(h + 8));
    const int bits = Le16(h + 14);
    const uint32_t compression = Le32(h + 16);
    const uint32_t used = Le32(h + 32);
    const bool topDown = height < 0;
    if (topDown) {
        if (height == INT32_MIN || compression != BI_RGB)
            return IMG_ERR_CONTENT;
        height = -height;
    }
    if (int r = PictureFits(width, height, bits); r < 0)
        return r;
    if (compression > BI_RLE4)
        return IMG_ERR_UNSUPPORTED;
    if ((compression == BI_RLE8 && bits != 8) || (compression == BI_RLE4 && bits != 4))
        return IMG_ERR_CONTENT;
    // A table shorter than the depth allows is common in other writers' files;
    // reading the full size would take pixels for colours.
    const uint32_t full = ColourEntries(bits);
    const uint32_t entries = used && used < full ? used : full;
    RGBQUAD table[256] = {};
    if (entries && !job.in.ReadExact(table, 4 * entries))
        return IMG_ERR_CONTENT;
    const uint64_t rowsAt = dib.header + 40 + 4 * uint64_t(entries);
    if (rowsAt > dib.end || dib.end - rowsAt < LeastDibBytes(width, height, bits, compression))
        return IMG_ERR_CONTENT;
    if (int r = DeliverHeader(job, width, height, bits, table); r < 0)
        return r;
    if (!job.in.Seek(rowsAt))
        return IMG_ERR_CONTENT;
    ReadJob rows = job;
    rows.end = dib.end;
    return ReadDibRows(rows, width, height, bits, compression, topDown);
}

void PutRecord(ByteSink& sink, uint32_t words, uint16_t function, std::initializer_list<uint16_t> params)
{
    uint8_t b[6];
    PutLe32(b, words);
    PutLe16(b + 4, function);
    sink.Put(b, sizeof b);
    for (uint16_t p : params) {
        PutLe16(b, p);
        sink.Put(b, 2);
    }
}

}   // namespace

int ReadWmf(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    uint64_t header = 0;
    if (int r = FindMetaHeader(job.in, StartOffset(job.start), header); r < 0)
        return r;
    DibFound dib;
    if (int r = FindDib(job, header + kMetaHeaderBytes, dib); r < 0)
        return r;
    if (int r = ReadDib(job, dib); r < 0)
        return r;
    return 1;
}

int WriteWmf(WriteJob& job)
{
    const BITMAPINFOHEADER& bh = job.header->bmiHeader;
    const int bits = bh.biBitCount;
    // Sizes travel as signed 16-bit values in the records and the header.
    if (bh.biWidth > 32767 || bh.biHeight > 32767)
        return IMG_ERR_UNSUPPORTED;
    const uint16_t width = uint16_t(bh.biWidth), height = uint16_t(bh.biHeight);
    const uint32_t stride = DibRowBytes(bh.biWidth, WORD(bits));
    const uint32_t tableBytes = bits == 24 ? 0 : 4 * ColourEntries(bits);
    const uint64_t imageBytes = uint64_t(stride) * height;
    const uint32_t dibWords = uint32_t((imageBytes + tableBytes + kStretchDibHead + 40) / 2);

    ByteSink sink(job.out);
    uint8_t p[kPlaceableBytes] = {};
    PutLe32(p, kPlaceableKey);
    PutLe16(p + 10, width);
    PutLe16(p + 12, height);
    PutLe16(p + 14, kUnitsPerInch);
    PutLe16(p + 20, PlaceableChecksum(p));
    sink.Put(p, sizeof p);

    // Header, window origin, window extent, map mode, the bitmap, end record.
    const uint32_t fileWords = 9 + 5 + 5 + 4 + dibWords + 3;
    uint8_t m[kMetaHeaderBytes] = {};
    PutLe16(m, 1);
    PutLe16(m + 2, 9);
    PutLe16(m + 4, 0x0300);
    PutLe32(m + 6, fileWords);
    PutLe16(m + 10, 1);
    PutLe32(m + 12, dibWords);
    sink.Put(m, sizeof m);
    PutRecord(sink, 5, 0x020B, {0, 0});
    PutRecord(sink, 5, 0x020C, {1, 1});
    PutRecord(sink, 4, 0x0103, {1});
    PutRecord(sink, dibWords, kStretchDib,
              {0x0020, 0x00CC, 0, height, width, 0, 0, height, width, 0, 0});

    BITMAPINFOHEADER out = bh;
    out.biSize = sizeof out;
    out.biPlanes = 1;
    out.biCompression = BI_RGB;
    out.biSizeImage = uint32_t(imageBytes);
    out.biClrUsed = 0;
    out.biClrImportant = 0;
    sink.Put(reinterpret_cast<const uint8_t*>(&out), sizeof out);
    if (tableBytes)
        sink.Put(reinterpret_cast<const uint8_t*>(TableOf(job.header)), tableBytes);
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    for (uint32_t r = 0; r < height; ++r) {
        if (int f = FetchRow(job, row, r, stride); f < 0)
            return f;
        sink.Put(row, stride);
        if (sink.Pending() > 60000 && !sink.Flush())
            return IMG_ERR_WRITE;
    }
    PutRecord(sink, 3, 0, {});
    return sink.Flush() ? IMG_OK : IMG_ERR_WRITE;
}

}   // namespace vantor
