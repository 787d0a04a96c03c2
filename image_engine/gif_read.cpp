// GIF reader: the first image of a GIF87a or GIF89a file, interlaced or not.
#include "gif_lzw.h"

namespace vantor {

namespace {

constexpr uint8_t kExtension = 0x21, kImage = 0x2C, kTrailer = 0x3B;

int BitsFor(uint32_t colours)
{
    return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

bool ReadTable(ByteSource& src, int exponent, RGBQUAD* table)
{
    uint8_t rgb[3 * 256];
    const uint32_t n = 2u << exponent;
    if (!src.Take(rgb, 3 * n))
        return false;
    for (uint32_t i = 0; i < n; ++i)
        table[i] = RGBQUAD{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0};
    return true;
}

bool SkipSubBlocks(ByteSource& src)
{
    for (;;) {
        uint8_t length, skipped;
        if (!src.Next(length))
            return false;
        if (length == 0)
            return true;
        while (length--)
            if (!src.Next(skipped))
                return false;
    }
}

// Reaches the image separator past any extensions; bytes that are neither are
// skipped. Extensions are read as such in either version, so an extension's
// data never passes for a separator.
int FindImage(ByteSource& src)
{
    for (;;) {
        uint8_t b, label;
        if (!src.Next(b) || b == kTrailer)
            return IMG_ERR_CONTENT;
        if (b == kImage)
            return IMG_OK;
        if (b == kExtension && (!src.Next(label) || !SkipSubBlocks(src)))
            return IMG_ERR_CONTENT;
    }
}

// Packs rows into the DIB row format and delivers them in the file's line order.
class RowWriter final : public GifRowTarget {
public:
    RowWriter(ReadJob& job, uint32_t width, uint32_t height, int bits, bool interlaced)
        : job_(job), width_(width), height_(height), bits_(bits), step_(interlaced ? 8 : 1),
          interlaced_(interlaced), stride_(DibRowBytes(int32_t(width), WORD(bits))) {}
    bool Init()
    {
        row_ = Scratch().Get(stride_);
        return row_ != nullptr;
    }
    int Row(const uint8_t* pixels, uint32_t) override
    {
        Pack(pixels);
        if (int r = Deliver(job_, row_, line_, stride_); r < 0)
            return r;
        Advance();
        return IMG_OK;
    }

private:
    void Pack(const uint8_t* pixels)
    {
        if (bits_ == 8) {
            std::memcpy(row_, pixels, width_);
            return;
        }
        std::memset(row_, 0, stride_);
        if (bits_ == 4) {
            for (uint32_t x = 0; x < width_; ++x)
                row_[x / 2] |= uint8_t((pixels[x] & 15) << (x % 2 ? 0 : 4));
        } else {
            for (uint32_t x = 0; x < width_; ++x)
                row_[x / 8] |= uint8_t((pixels[x] & 1) << (7 - x % 8));
        }
    }
    // Interlaced lines come in four passes: every 8th from 0, every 8th from 4,
    // every 4th from 2, every 2nd from 1.
    void Advance()
    {
        static constexpr uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        line_ += step_;
        while (interlaced_ && line_ >= height_ && pass_ < 3) {
            ++pass_;
            line_ = kStart[pass_];
            step_ = kStep[pass_];
        }
    }

    ReadJob& job_;
    uint32_t width_, height_;
    int bits_;
    uint32_t step_;
    bool interlaced_;
    uint32_t stride_;
    uint8_t* row_ = nullptr;
    uint32_t line_ = 0;
    int pass_ = 0;
};

void GreyRamp(RGBQUAD* table, uint32_t colours)
{
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t g = uint8_t(i * 255 / (colours - 1));
        table[i] = RGBQUAD{g, g, g, 0};
    }
}

}   // namespace

int ReadGif(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    const uint64_t start = StartOffset(job.start);
    ByteSource src(job.in, job.end);
    if (!src.Init())
        return IMG_ERR_MEMORY;
    if (!job.in.Seek(start))
        return IMG_ERR_CONTENT;
    uint8_t screen[13];
    if (!src.Take(screen, sizeof screen) || std::memcmp(screen, "GIF", 3) != 0)
        return IMG_ERR_CONTENT;
    RGBQUAD table[256] = {};
    const bool global = screen[10] & 0x80;
    int exponent = screen[10] & 7;
    if (global && !ReadTable(src, exponent, table))
        return IMG_ERR_CONTENT;
    if (int r = FindImage(src); r < 0)
        return r;

    uint8_t image[9];
    if (!src.Take(image, sizeof image))
        return IMG_ERR_CONTENT;
    const uint32_t width = Le16(image + 4), height = Le16(image + 6);
    const uint8_t flags = image[8];
    // A local table, as large as its own size bits say, comes before the code size.
    if (flags & 0x80) {
        exponent = flags & 7;
        if (!ReadTable(src, exponent, table))
            return IMG_ERR_CONTENT;
    }
    uint8_t codeSize;
    if (!src.Next(codeSize))
        return IMG_ERR_CONTENT;
    const int minCodeSize = codeSize;
    if (!(flags & 0x80) && !global) {
        // No colours at all: the codes' range as a grey ramp.
        exponent = minCodeSize >= 1 && minCodeSize <= 8 ? minCodeSize - 1 : 0;
        GreyRamp(table, 2u << exponent);
    }
    const int bits = BitsFor(2u << exponent);
    if (int r = PictureFits(int32_t(width), int32_t(height), bits); r < 0)
        return r;
    // One 12-bit code stands for at most 4096 pixels.
    const uint64_t leastBytes = (uint64_t(width) * height * 3 + 8191) / 8192;
    if (!CanHold(job.in, src.Position(), leastBytes, job.end))
        return IMG_ERR_CONTENT;
    if (int r = DeliverHeader(job, int32_t(width), int32_t(height), bits, table); r < 0)
        return r;
    RowWriter rows(job, width, height, bits, flags & 0x40);
    if (!rows.Init())
        return IMG_ERR_MEMORY;
    return GifDecode(src, minCodeSize, width, height, rows);
}

}   // namespace vantor
