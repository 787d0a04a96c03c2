// Windows and OS/2 BMP: uncompressed and run-length encoded reading and writing.
#include <algorithm>
#include <climits>

#include "codec_util.h"

namespace vantor {

namespace {

struct BmpInfo {
    uint32_t headerSize = 0;
    int32_t width = 0, height = 0;
    int bits = 0;
    uint32_t compression = 0;
    uint32_t colours = 0;   // entries stored in the file
    uint32_t entrySize = 4;
    bool topDown = false;
};

int ParseInfo(const uint8_t* ih, size_t got, BmpInfo& b)
{
    if (got < 12)
        return IMG_ERR_CONTENT;
    b.headerSize = Le32(ih);
    if (b.headerSize == 12) {
        b.width = Le16(ih + 4);
        b.height = Le16(ih + 6);
        b.bits = Le16(ih + 10);
        b.entrySize = 3;
    } else if (b.headerSize >= 40 && b.headerSize <= 124) {
        // Later header versions begin with the same 40 bytes.
        if (got < 40)
            return IMG_ERR_CONTENT;
        b.width = int32_t(Le32(ih + 4));
        b.height = int32_t(Le32(ih + 8));
        b.bits = Le16(ih + 14);
        b.compression = Le32(ih + 16);
        b.colours = Le32(ih + 32);
    } else {
        return IMG_ERR_CONTENT;
    }
    if (b.height < 0) {
        if (b.height == INT32_MIN)
            return IMG_ERR_CONTENT;
        b.height = -b.height;
        b.topDown = true;
    }
    if (b.width <= 0 || b.height <= 0)
        return IMG_ERR_CONTENT;
    if (!DepthHeld(b.bits))
        return IMG_ERR_UNSUPPORTED;
    const uint32_t full = ColourEntries(b.bits);
    // A table shorter than the depth allows is common; reading past it would
    // take pixels for colours.
    if (b.entrySize == 3 || b.colours == 0 || b.colours > full)
        b.colours = full;
    if (b.compression == BI_RLE8 && b.bits != 8)
        return IMG_ERR_CONTENT;
    if (b.compression == BI_RLE4 && b.bits != 4)
        return IMG_ERR_CONTENT;
    if (b.compression > BI_RLE4)
        return IMG_ERR_UNSUPPORTED;
    if (b.topDown && b.compression != BI_RGB)
        return IMG_ERR_CONTENT;
    return IMG_OK;
}

int ReadRows(ReadJob& job, const BmpInfo& b)
{
    const uint32_t stride = DibRowBytes(b.width, WORD(b.bits));
    const uint32_t perChunk = std::max<uint32_t>(1, 10000 / stride);
    uint8_t* chunk = Scratch().Get(size_t(perChunk) * stride);
    if (!chunk)
        return IMG_ERR_MEMORY;
    for (uint32_t done = 0; done < uint32_t(b.height);) {
        uint32_t n = std::min<uint32_t>(perChunk, uint32_t(b.height) - done);
        if (!job.in.ReadExact(chunk, size_t(n) * stride))
            return IMG_ERR_CONTENT;
        for (uint32_t i = 0; i < n; ++i, ++done) {
            uint32_t line = b.topDown ? done : uint32_t(b.height) - 1 - done;
            int r = Deliver(job, chunk + size_t(i) * stride, line, stride);
            if (r < 0)
                return r;
        }
    }
    return IMG_OK;
}

void SetPixel(uint8_t* row, int bits, uint32_t x, uint8_t v)
{
    if (bits == 8)
        row[x] = v;
    else if (x & 1)
        row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (v & 15));
    else
        row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | (v << 4));
}

int ReadRle(ReadJob& job, const BmpInfo& b)
{
    const uint32_t stride = DibRowBytes(b.width, WORD(b.bits));
    const uint32_t width = uint32_t(b.width), height = uint32_t(b.height);
    uint8_t* row = Scratch().Get(stride);
    ByteSource src(job.in, job.end);
    if (!row || !src.Init())
        return IMG_ERR_MEMORY;
    uint32_t x = 0, y = 0;
    auto finishRow = [&]() -> int {
        int r = Deliver(job, row, height - 1 - y, stride);
        std::memset(row, 0, stride);
        ++y;
        x = 0;
        return r;
    };
    for (;;) {
        uint8_t count, value;
        if (!src.Next(count) || !src.Next(value))
            return IMG_ERR_CONTENT;
        if (count > 0) {
            for (uint32_t i = 0; i < count && x < width; ++i, ++x)
                SetPixel(row, b.bits, x, b.bits == 8 ? value : ((i & 1) ? value & 15 : value >> 4));
            continue;
        }
        if (value == 0) {
            if (int r = finishRow(); r < 0 || y >= height)
                return r;
        } else if (value == 1) {
            return finishRow();
        } else if (value == 2) {
            uint8_t dx, dy;
            if (!src.Next(dx) || !src.Next(dy))
                return IMG_ERR_CONTENT;
            uint32_t keepX = x + dx;
            for (uint32_t i = 0; i < dy; ++i)
                if (int r = finishRow(); r < 0 || y >= height)
                    return r;
            x = keepX;
        } else {
            uint32_t bytes = b.bits == 8 ? value : (value + 1u) / 2;
            uint8_t data[256];
            if (!src.Take(data, bytes + (bytes & 1)))
                return IMG_ERR_CONTENT;
            for (uint32_t i = 0; i < value && x < width; ++i, ++x)
                SetPixel(row, b.bits, x, b.bits == 8 ? data[i] : ((i & 1) ? data[i / 2] & 15 : data[i / 2] >> 4));
        }
    }
}

int WriteHeaders(WriteJob& job, uint32_t compression)
{
    BITMAPINFOHEADER h = job.header->bmiHeader;
    const uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    const uint32_t table = 4 * ColourEntries(h.biBitCount);
    uint8_t fh[14] = {'B', 'M'};
    PutLe32(fh + 2, stride * uint32_t(h.biHeight) + table + 54);
    PutLe32(fh + 10, table + 54);
    h.biSize = sizeof h;
    h.biPlanes = 1;
    h.biCompression = compression;
    h.biSizeImage = stride * uint32_t(h.biHeight);
    // The whole table is written, whatever count the caller's header gave:
    // other readers take a smaller count and then meet indices beyond it.
    h.biClrUsed = ColourEntries(h.biBitCount);
    if (h.biClrImportant > h.biClrUsed)
        h.biClrImportant = 0;
    if (!job.out.Write(fh, sizeof fh) || !job.out.Write(&h, sizeof h) ||
        (table && !job.out.Write(TableOf(job.header), table)))
        return IMG_ERR_WRITE;
    return IMG_OK;
}

uint8_t Pixel(const uint8_t* row, int bits, uint32_t i)
{
    return bits == 8 ? row[i] : ((i & 1) ? row[i >> 1] & 15 : row[i >> 1] >> 4);
}

// Pixels from i on that go into one absolute run; 0 when an encoded run
// comes first. An absolute run needs at least 3 pixels (shorter counts are
// escapes) and stops before two equal pixels. RLE4 runs are kept to an even
// length: some readers take an odd one's last pixel from the padding.
uint32_t AbsoluteRun(const uint8_t* row, int bits, uint32_t i, uint32_t width)
{
    auto px = [&](uint32_t k) { return Pixel(row, bits, k); };
    if ((i + 1 < width && px(i + 1) == px(i)) || i + 3 >= width)
        return 0;
    uint32_t n = 3;
    while (i + n < width && n < 255 && !(i + n + 1 < width && px(i + n) == px(i + n + 1)))
        ++n;
    if (bits == 4 && n % 2)
        n = n == 3 ? 4 : n - 1;   // at least 4 pixels remain here
    return n;
}

void EncodeRleRow(ByteSink& sink, const uint8_t* row, int bits, uint32_t width)
{
    auto px = [&](uint32_t i) { return Pixel(row, bits, i); };
    uint32_t i = 0;
    while (i < width) {
        uint32_t n = AbsoluteRun(row, bits, i, width);
        if (n == 0) {
            n = 1;
            while (i + n < width && n < 255 && px(i + n) == px(i))
                ++n;
            sink.Put(uint8_t(n));
            sink.Put(bits == 8 ? px(i) : uint8_t(px(i) << 4 | px(i)));
            i += n;
            continue;
        }
        sink.Put(0);
        sink.Put(uint8_t(n));
        uint32_t bytes = 0;
        if (bits == 8) {
            sink.Put(row + i, n);
            bytes = n;
        } else {
            for (uint32_t k = 0; k < n; k += 2, ++bytes)
                sink.Put(uint8_t(px(i + k) << 4 | px(i + k + 1)));
        }
        if (bytes & 1)
            sink.Put(0);
        i += n;
    }
}

}   // namespace

int ReadBmp(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    const uint64_t start = StartOffset(job.start);
    uint8_t fh[14];
    uint8_t ih[40] = {};
    if (!job.in.Seek(start) || !job.in.ReadExact(fh, sizeof fh) || fh[0] != 'B' || fh[1] != 'M')
        return IMG_ERR_CONTENT;
    BmpInfo b;
    if (int r = ParseInfo(ih, job.in.Read(ih, sizeof ih), b); r < 0)
        return r;
    RGBQUAD table[256] = {};
    uint8_t raw[256 * 4];
    if (b.colours) {
        if (!job.in.Seek(start + 14 + b.headerSize) || !job.in.ReadExact(raw, b.colours * b.entrySize))
            return IMG_ERR_CONTENT;
        for (uint32_t i = 0; i < b.colours; ++i)
            table[i] = RGBQUAD{raw[i * b.entrySize], raw[i * b.entrySize + 1], raw[i * b.entrySize + 2], 0};
    }
    const uint64_t bitsAt = start + Le32(fh + 10);
    if (int r = PictureFits(b.width, b.height, b.bits); r < 0)
        return r;
    if (!CanHold(job.in, bitsAt, LeastDibBytes(b.width, b.height, b.bits, b.compression), job.end))
        return IMG_ERR_CONTENT;
    if (int r = DeliverHeader(job, b.width, b.height, b.bits, table); r < 0)
        return r;
    if (!job.in.Seek(bitsAt))
        return IMG_ERR_CONTENT;
    return b.compression == BI_RGB ? ReadRows(job, b) : ReadRle(job, b);
}

uint64_t LeastDibBytes(int32_t width, int32_t height, int bits, uint32_t compression)
{
    const uint64_t rows = uint64_t(std::max(height, 0));
    if (compression == BI_RGB)
        return DibRowBytes(width, WORD(bits)) * rows;
    return 2 * rows;
}

int ReadDibRows(ReadJob& job, int32_t width, int32_t height, int bits, uint32_t compression, bool topDown)
{
    BmpInfo b;
    b.width = width;
    b.height = height;
    b.bits = bits;
    b.compression = compression;
    b.topDown = topDown;
    return compression == BI_RGB ? ReadRows(job, b) : ReadRle(job, b);
}

int WriteBmp(WriteJob& job)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    if (int r = WriteHeaders(job, BI_RGB); r < 0)
        return r;
    const uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    if (job.rows)   // the file's rows as they stand in memory: one write, no copy
        return job.out.Write(job.rows, size_t(stride) * uint32_t(h.biHeight)) ? IMG_OK : IMG_ERR_WRITE;
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    for (uint32_t r = 0; r < uint32_t(h.biHeight); ++r) {
        if (int f = FetchRow(job, row, r, stride); f < 0)
            return f;
        if (!job.out.Write(row, stride))
            return IMG_ERR_WRITE;
    }
    return IMG_OK;
}

int WriteBmpRle(WriteJob& job)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    if (h.biBitCount != 4 && h.biBitCount != 8)
        return IMG_ERR_UNSUPPORTED;
    const uint64_t begin = job.out.Tell();
    if (int r = WriteHeaders(job, h.biBitCount == 8 ? BI_RLE8 : BI_RLE4); r < 0)
        return r;
    const uint64_t bitsAt = job.out.Tell();
    const uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    ByteSink sink(job.out);
    for (uint32_t r = 0; r < uint32_t(h.biHeight); ++r) {
        if (int f = FetchRow(job, row, r, stride); f < 0)
            return f;
        EncodeRleRow(sink, row, h.biBitCount, uint32_t(h.biWidth));
        // The end-of-bitmap mark closes the last row: an end of line before
        // it would announce a row beyond the picture to other readers.
        if (r + 1 < uint32_t(h.biHeight)) {
            sink.Put(0);
            sink.Put(0);
        }
        if (sink.Pending() > 60000 && !sink.Flush())
            return IMG_ERR_WRITE;
    }
    sink.Put(0);
    sink.Put(1);
    if (!sink.Flush())
        return IMG_ERR_WRITE;
    // Readers check the sizes against the file, so they state what was written.
    const uint64_t end = job.out.Tell();
    uint8_t size[4];
    PutLe32(size, uint32_t(end - begin));
    if (!job.out.Seek(begin + 2) || !job.out.Write(size, 4))
        return IMG_ERR_WRITE;
    PutLe32(size, uint32_t(end - bitsAt));
    if (!job.out.Seek(begin + 34) || !job.out.Write(size, 4) || !job.out.Seek(end))
        return IMG_ERR_WRITE;
    return IMG_OK;
}

}   // namespace vantor
