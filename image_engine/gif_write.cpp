// GIF writer: one "GIF87a" image of 4 or 8 bits with a global colour table.
#include "gif_lzw.h"

namespace vantor {

namespace {

constexpr size_t kFlushBytes = 60000;

void PutHeader(ByteSink& sink, uint32_t width, uint32_t height, int bits, const RGBQUAD* table)
{
    uint8_t screen[13] = {'G', 'I', 'F', '8', '7', 'a'};
    PutLe16(screen + 6, width);
    PutLe16(screen + 8, height);
    screen[10] = uint8_t(0x80 | (bits - 1));   // global table of 2^bits entries
    sink.Put(screen, sizeof screen);
    for (uint32_t i = 0; i < ColourEntries(bits); ++i) {
        sink.Put(table[i].rgbRed);
        sink.Put(table[i].rgbGreen);
        sink.Put(table[i].rgbBlue);
    }
    uint8_t image[11] = {0x2C};
    PutLe16(image + 5, width);
    PutLe16(image + 7, height);
    image[9] = uint8_t(bits - 1);   // no local table, not interlaced
    image[10] = uint8_t(bits);      // minimum code size
    sink.Put(image, sizeof image);
}

void Unpack(const uint8_t* row, uint8_t* pixels, uint32_t width, int bits)
{
    if (bits == 8) {
        std::memcpy(pixels, row, width);
        return;
    }
    for (uint32_t x = 0; x < width; ++x)
        pixels[x] = uint8_t(x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4);
}

}   // namespace

int WriteGif(WriteJob& job)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    const int bits = h.biBitCount;
    if (bits != 4 && bits != 8)
        return IMG_ERR_UNSUPPORTED;
    const uint32_t width = uint32_t(h.biWidth), height = uint32_t(h.biHeight);
    if (width > 65535 || height > 65535)
        return IMG_ERR_UNSUPPORTED;
    const uint32_t stride = DibRowBytes(h.biWidth, WORD(bits));
    uint8_t* row = Scratch().Get(stride);
    uint8_t* pixels = Scratch().Get(width);
    ByteSink sink(job.out);
    GifLzwEncoder encoder(sink, bits);
    if (!row || !pixels)
        return IMG_ERR_MEMORY;
    PutHeader(sink, width, height, bits, TableOf(job.header));
    if (!encoder.Init())
        return IMG_ERR_MEMORY;
    for (uint32_t i = 0; i < height; ++i) {
        if (int r = FetchRow(job, row, height - 1 - i, stride); r < 0)
            return r;
        Unpack(row, pixels, width, bits);
        encoder.Put(pixels, width);
        if (sink.Pending() > kFlushBytes && !sink.Flush())
            return IMG_ERR_WRITE;
    }
    encoder.Finish();
    sink.Put(0x3B);
    return sink.Flush() ? IMG_OK : IMG_ERR_WRITE;
}

}   // namespace vantor
