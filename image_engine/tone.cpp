// Tone operations on a handle's picture: inversion, contrast and brightness,
// and sharpening.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "geometry.h"

namespace vantor {

namespace {

int Invert(HeldPicture& picture)
{
    Record& record = picture.Rec();
    for (uint32_t r = 0; r < record.height; ++r) {
        uint8_t* row = picture.Row(r);
        for (uint32_t i = 0; i < record.stride; ++i)
            row[i] = uint8_t(~row[i]);
    }
    return IMG_OK;
}

// ---- contrast and brightness

std::array<uint8_t, 256> ToneMap(int16_t contrast, int16_t brightness)
{
    const int gain = contrast == -128 ? 0 : (contrast + 128) * 2;
    std::array<uint8_t, 256> map{};
    for (int v = 0; v < 256; ++v)
        map[size_t(v)] = uint8_t(std::clamp(((v * gain) >> 8) - contrast + 2 * brightness, 0, 255));
    return map;
}

// Palette pictures are re-toned from the table they had before the first
// change, so that repeated calls do not pile up.
int TonePalette(Record& record, const std::array<uint8_t, 256>& map)
{
    const uint32_t bytes = record.TableBytes();
    auto* table = reinterpret_cast<RGBQUAD*>(GlobalBytes(record.store).data() + sizeof(BITMAPINFOHEADER));
    if (!record.savedTable) {
        HGLOBAL saved = GlobalAlloc(GHND, bytes);
        if (!saved)
            return IMG_ERR_MEMORY;
        std::memcpy(GlobalBytes(saved).data(), table, bytes);
        record.savedTable = saved;
        record.savedTableAddress = GlobalBytes(saved).data();
    }
    const auto* original = reinterpret_cast<const RGBQUAD*>(GlobalBytes(record.savedTable).data());
    for (uint32_t i = 0; i < bytes / 4; ++i) {
        table[i].rgbBlue = map[original[i].rgbBlue];
        table[i].rgbGreen = map[original[i].rgbGreen];
        table[i].rgbRed = map[original[i].rgbRed];
    }
    return IMG_OK;
}

int SetLut(HeldPicture& picture, int16_t contrast, int16_t brightness)
{
    const auto map = ToneMap(contrast, brightness);
    Record& record = picture.Rec();
    switch (picture.Bits()) {
    case 1:
        return IMG_ERR_UNSUPPORTED;
    case 4:
    case 8:
        return TonePalette(record, map);
    default:
        for (uint32_t r = 0; r < record.height; ++r) {
            uint8_t* row = picture.Row(r);
            for (uint32_t i = 0; i < record.stride; ++i)
                row[i] = map[row[i]];
        }
        return IMG_OK;
    }
}

// ---- sharpening

// A 3 x 3 kernel: the centre weighted, the neighbours added (smoothing) or
// taken away (sharpening), the sum divided by what keeps a flat area flat.
struct Kernel {
    int centre;
    int sign;          // -1 sharpens, +1 smooths
    bool diagonals;    // eight neighbours, or the four beside and above/below
    int Divisor() const { return centre + sign * (diagonals ? 8 : 4); }
};

int DivideRounded(int n, int d)
{
    return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

// One row of samples; channels of a pixel lie `step` apart.
void FilterRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, uint8_t* out, uint32_t length,
               uint32_t step, const Kernel& k)
{
    const int divisor = k.Divisor();
    for (uint32_t x = 0; x < length; ++x) {
        const uint32_t left = x >= step ? x - step : x;
        const uint32_t right = x + step < length ? x + step : x;
        int around = above[x] + below[x] + row[left] + row[right];
        if (k.diagonals)
            around += above[left] + above[right] + below[left] + below[right];
        const int value = DivideRounded(k.centre * row[x] + k.sign * around, divisor);
        out[x] = uint8_t(std::clamp(value, 0, 255));
    }
}

// The rows of a picture as filter samples: the bytes of a 24-bit row, or the
// grey levels of a grey-palette row, mapped back to the nearest grey entry.
class Samples {
public:
    explicit Samples(HeldPicture& picture) : picture_(picture), bits_(picture.Bits())
    {
        const Record& record = picture.Rec();
        if (bits_ == 24) {
            length_ = 3 * record.width;
            step_ = 3;
            return;
        }
        length_ = record.width;
        const auto* table = reinterpret_cast<const RGBQUAD*>(
            GlobalBytes(record.store).data() + sizeof(BITMAPINFOHEADER));
        const uint32_t entries = ColourEntries(bits_);
        for (uint32_t i = 0; i < entries; ++i)
            grey_[i] = table[i].rgbRed;
        for (int level = 0; level < 256; ++level) {
            uint32_t best = 0;
            for (uint32_t i = 1; i < entries; ++i)
                if (std::abs(grey_[i] - level) < std::abs(grey_[best] - level))
                    best = i;
            nearest_[size_t(level)] = uint8_t(best);
        }
    }
    uint32_t Length() const { return length_; }
    uint32_t Step() const { return step_; }
    uint32_t Height() const { return picture_.Rec().height; }

    void Load(uint32_t r, uint8_t* dst)
    {
        const uint8_t* row = picture_.Row(r);
        if (bits_ == 24)
            std::memcpy(dst, row, length_);
        else
            for (uint32_t x = 0; x < length_; ++x)
                dst[x] = uint8_t(grey_[bits_ == 8 ? row[x] : NibbleAt(row, x)]);
    }
    void Store(const uint8_t* src, uint32_t r)
    {
        uint8_t* row = picture_.Row(r);
        if (bits_ == 24) {
            std::memcpy(row, src, length_);
        } else if (bits_ == 8) {
            for (uint32_t x = 0; x < length_; ++x)
                row[x] = nearest_[src[x]];
        } else {
            std::memset(row, 0, picture_.Rec().stride);
            for (uint32_t x = 0; x < length_; ++x)
                PutNibble(row, x, nearest_[src[x]]);
        }
    }

private:
    HeldPicture& picture_;
    int bits_;
    uint32_t length_ = 0, step_ = 1;
    std::array<int, 256> grey_{};
    std::array<uint8_t, 256> nearest_{};
};

// Passes over the picture in bands of rows that fit 32 KB with a row of context
// on either side. The context above is the band's neighbour as it was before the
// previous band was written back; the picture's edges repeat. The buffers are
// taken before the first pass so that a shortage leaves the picture untouched.
class BandFilter {
public:
    explicit BandFilter(HeldPicture& picture)
        : samples_(picture),
          length_(samples_.Length()),
          height_(samples_.Height()),
          band_(std::clamp<uint32_t>(32768 / picture.Rec().stride, 3, height_ + 2) - 2),
          in_(size_t(band_ + 2) * length_),
          out_(size_t(band_) * length_),
          above_(length_)
    {
    }

    void Pass(const Kernel& kernel)
    {
        samples_.Load(0, above_.data());
        for (uint32_t first = 0; first < height_; first += band_) {
            const uint32_t count = std::min(band_, height_ - first);
            std::memcpy(in_.data(), above_.data(), length_);
            for (uint32_t i = 0; i <= count; ++i)
                samples_.Load(std::min(first + i, height_ - 1), Line(in_, i + 1));
            for (uint32_t i = 0; i < count; ++i) {
                const uint8_t* row = Line(in_, i + 1);
                FilterRow(row - length_, row, row + length_, Line(out_, i), length_, samples_.Step(), kernel);
            }
            std::memcpy(above_.data(), Line(in_, count), length_);
            for (uint32_t i = 0; i < count; ++i)
                samples_.Store(Line(out_, i), first + i);
        }
    }

private:
    uint8_t* Line(std::vector<uint8_t>& buffer, uint32_t i) { return buffer.data() + size_t(i) * length_; }

    Samples samples_;
    uint32_t length_, height_, band_;
    std::vector<uint8_t> in_, out_, above_;
};

bool GreyTable(const Record& record)
{
    const auto* table = reinterpret_cast<const RGBQUAD*>(GlobalBytes(record.store).data() + sizeof(BITMAPINFOHEADER));
    for (uint32_t i = 0; i < record.TableBytes() / 4; ++i)
        if (table[i].rgbRed != table[i].rgbGreen || table[i].rgbRed != table[i].rgbBlue)
            return false;
    return true;
}

// The weight is the kernel's centre: the stronger the request, the lower the
// centre and the sharper the result. 4-bit pictures, having few greys to step
// between, take the gentler four-neighbour kernel. A positive strength adds a
// light smoothing pass that tames the noise the first pass brings up.
int Sharpen(HeldPicture& picture, int16_t strength)
{
    const int bits = picture.Bits();
    if (bits == 1)
        return IMG_OK;
    if (bits != 24 && !GreyTable(picture.Rec()))
        return IMG_ERR_UNSUPPORTED;
    const int cleared = strength & ~15;
    const int magnitude = std::abs(cleared);
    const bool eight = bits != 4;
    const int weight = eight ? (136 - magnitude) >> 3 : (144 - magnitude) >> 4;
    // Below these the kernel would divide by zero or turn the picture over.
    const int centre = std::max(weight, eight ? 9 : 5);
    BandFilter filter(picture);
    filter.Pass(Kernel{centre, -1, eight});
    if (cleared > 0)
        filter.Pass(Kernel{centre, +1, false});
    return IMG_OK;
}

}   // namespace

}   // namespace vantor

using namespace vantor;

extern "C" {

int32_t IMG_invert_bitmap(IMG_HANDLE h)
{
    return OnPicture(h, [](HeldPicture& p) { return Invert(p); });
}

int32_t IMG_set_lut(IMG_HANDLE h, int32_t contrast, int32_t brightness)
{
    return OnPicture(h, [&](HeldPicture& p) { return SetLut(p, int16_t(contrast), int16_t(brightness)); });
}

int32_t IMG_sharpen_bitmap(IMG_HANDLE h, int16_t strength)
{
    return OnPicture(h, [strength](HeldPicture& p) { return Sharpen(p, strength); });
}

}   // extern "C"
