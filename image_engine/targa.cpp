// Targa: raw and run-length colour-mapped, true-colour and grey pictures.
#include <algorithm>

#include "codec_util.h"

namespace vantor {

namespace {

void GreyRamp(RGBQUAD* t)
{
    for (int i = 0; i < 256; ++i)
        t[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
}

RGBQUAD FromPixel(const uint8_t* p, int bytes)
{
    if (bytes == 2) {
        const uint16_t v = Le16(p);
        return RGBQUAD{uint8_t((v << 3) & 0xF8), uint8_t((v >> 2) & 0xF8), uint8_t((v >> 7) & 0xF8), 0};
    }
    return RGBQUAD{p[0], p[1], p[2], 0};
}

bool IsTargaType(int type)
{
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

// Hands out pixels of a raw or run-length stream; packets may span lines.
class PixelSource {
public:
    PixelSource(ByteSource& src, int bytes, bool rle) : src_(src), bytes_(bytes), rle_(rle) {}
    bool Next(uint8_t* px)
    {
        if (!rle_)
            return src_.Take(px, size_t(bytes_));
        if (left_ == 0) {
            uint8_t packet;
            if (!src_.Next(packet))
                return false;
            left_ = (packet & 0x7F) + 1;
            repeat_ = packet & 0x80;
            if (repeat_ && !src_.Take(value_, size_t(bytes_)))
                return false;
        }
        --left_;
        if (repeat_) {
            std::memcpy(px, value_, size_t(bytes_));
            return true;
        }
        return src_.Take(px, size_t(bytes_));
    }

private:
    ByteSource& src_;
    int bytes_;
    bool rle_;
    int left_ = 0;
    bool repeat_ = false;
    uint8_t value_[4] = {};
};

}   // namespace

int ReadTarga(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    const uint64_t start = StartOffset(job.start);
    uint8_t h[18];
    if (!job.in.Seek(start) || !job.in.ReadExact(h, sizeof h))
        return IMG_ERR_CONTENT;
    const int idLength = h[0], mapType = h[1], type = h[2], mapEntryBits = h[7], depth = h[16];
    const uint32_t mapOrigin = Le16(h + 3), mapLength = Le16(h + 5);
    const int32_t width = Le16(h + 12), height = Le16(h + 14);
    const bool topFirst = h[17] & 0x20;
    if (!IsTargaType(type) || mapType > 1 || width == 0 || height == 0)
        return IMG_ERR_CONTENT;
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32)
        return IMG_ERR_UNSUPPORTED;
    if ((type == 1 || type == 9) && depth != 8)
        return IMG_ERR_UNSUPPORTED;
    const int outBits = depth == 8 ? 8 : 24;
    const int pixelBytes = (depth + 7) / 8;

    ByteSource src(job.in, job.end);
    if (!src.Init())
        return IMG_ERR_MEMORY;
    if (!job.in.Seek(start + sizeof h + idLength))
        return IMG_ERR_CONTENT;
    RGBQUAD table[256] = {};
    if (mapType) {
        const int entryBytes = (mapEntryBits + 7) / 8;
        if (entryBytes < 2 || entryBytes > 4)
            return IMG_ERR_CONTENT;
        uint8_t e[4];
        for (uint32_t i = 0; i < mapLength; ++i) {
            if (!src.Take(e, size_t(entryBytes)))
                return IMG_ERR_CONTENT;
            if (mapOrigin + i < 256)
                table[mapOrigin + i] = FromPixel(e, entryBytes);
        }
    } else if (outBits == 8) {
        GreyRamp(table);
    }
    const uint64_t pixelCount = uint64_t(width) * uint64_t(height);
    const uint64_t leastBytes = type >= 9 ? (pixelCount + 127) / 128 * (1 + pixelBytes) : pixelCount * pixelBytes;
    if (int r = PictureFits(width, height, outBits); r < 0)
        return r;
    if (!CanHold(job.in, src.Position(), leastBytes, job.end))
        return IMG_ERR_CONTENT;
    if (int r = DeliverHeader(job, width, height, outBits, table); r < 0)
        return r;

    const uint32_t stride = DibRowBytes(width, WORD(outBits));
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    PixelSource pixels(src, pixelBytes, type >= 9);
    uint8_t px[4];
    for (int32_t i = 0; i < height; ++i) {
        for (int32_t x = 0; x < width; ++x) {
            if (!pixels.Next(px))
                return IMG_ERR_CONTENT;
            if (outBits == 8) {
                row[x] = px[0];
            } else {
                RGBQUAD c = FromPixel(px, pixelBytes);
                row[3 * x] = c.rgbBlue;
                row[3 * x + 1] = c.rgbGreen;
                row[3 * x + 2] = c.rgbRed;
            }
        }
        const uint32_t line = topFirst ? uint32_t(i) : uint32_t(height - 1 - i);
        if (int r = Deliver(job, row, line, stride); r < 0)
            return r;
    }
    return IMG_OK;
}

int WriteTarga(WriteJob& job)
{
    const BITMAPINFOHEADER& bh = job.header->bmiHeader;
    const int bits = bh.biBitCount;
    if (bits != 8 && bits != 24)
        return IMG_ERR_UNSUPPORTED;
    if (bh.biWidth > 65535)
        return IMG_ERR_UNSUPPORTED;
    const RGBQUAD* table = TableOf(job.header);
    // Only the identity grey ramp may go without a map: a grey map in any other
    // order would change every pixel's grey level.
    bool identityGrey = bits == 8;
    for (int i = 0; identityGrey && i < 256; ++i)
        identityGrey = table[i].rgbRed == i && table[i].rgbGreen == i && table[i].rgbBlue == i;
    uint8_t h[18] = {};
    if (bits == 24) {
        h[2] = 2;
    } else if (identityGrey) {
        h[2] = 3;
    } else {
        h[1] = 1;
        h[2] = 1;
        PutLe16(h + 5, 256);
        h[7] = 24;
    }
    PutLe16(h + 12, uint32_t(bh.biWidth));
    PutLe16(h + 14, uint32_t(bh.biHeight));
    h[16] = uint8_t(bits);
    ByteSink sink(job.out);
    sink.Put(h, sizeof h);
    if (h[1])
        for (int i = 0; i < 256; ++i) {
            sink.Put(table[i].rgbBlue);
            sink.Put(table[i].rgbGreen);
            sink.Put(table[i].rgbRed);
        }
    const uint32_t stride = DibRowBytes(bh.biWidth, WORD(bits));
    const uint32_t used = uint32_t(bh.biWidth) * uint32_t(bits / 8);
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    for (uint32_t r = 0; r < uint32_t(bh.biHeight); ++r) {
        if (int f = FetchRow(job, row, r, stride); f < 0)
            return f;
        sink.Put(row, used);
        if (sink.Pending() > 60000 && !sink.Flush())
            return IMG_ERR_WRITE;
    }
    return sink.Flush() ? IMG_OK : IMG_ERR_WRITE;
}

}   // namespace vantor
