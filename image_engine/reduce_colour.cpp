// Conversions to fixed colour tables: ordered dither and error diffusion into
// the 16-colour table, and error diffusion into the 3-3-2 cube.
#include <algorithm>

#include "reduce_frame.h"

namespace vantor {

namespace {

using namespace reduce;

// 16-colour code bits.
constexpr int kRedBit = 1;
constexpr int kGreenBit = 2;
constexpr int kBlueBit = 4;
constexpr int kBrightBit = 8;

// The colour methods' intensity: the 38/75/14 grey less 40, never below 0.
inline int Intensity(int r, int g, int b)
{
    const int grey = Grey38(r, g, b);
    return grey > 40 ? grey - 40 : 0;
}

inline void PutNibble(uint8_t* row, int x, int code)
{
    row[x >> 1] |= uint8_t((x & 1) ? code : code << 4);
}

void BayerColourRow(const uint8_t* bgr, int width, const uint8_t thr[8], uint8_t* out)
{
    for (int x = 0; x < width; ++x, bgr += 3) {
        const int t = thr[x & 7];
        const int b = bgr[0], g = bgr[1], r = bgr[2];
        int code = 0;
        code |= r > t ? kRedBit : 0;
        code |= g > t ? kGreenBit : 0;
        code |= b > t ? kBlueBit : 0;
        code |= Intensity(r, g, b) > t + 40 ? kBrightBit : 0;
        PutNibble(out, x, code);
    }
}

// Picks an output entry for the accumulated blue, green, red of a pixel, stores
// it in the output row and gives back the entry's channels.
struct SixteenColourPick {
    static constexpr int kBits = 4;

    int operator()(const int* bgr, int* entry) const
    {
        const int b = bgr[0], g = bgr[1], r = bgr[2];
        int code = 0;
        code |= r > 180 ? kRedBit : 0;
        code |= g > 180 ? kGreenBit : 0;
        code |= b > 180 ? kBlueBit : 0;
        code |= (r > 220 || g > 220 || b > 220) ? kBrightBit : 0;
        const int level = (code & kBrightBit) ? 255 : 128;
        entry[0] = (code & kBlueBit) ? level : 0;
        entry[1] = (code & kGreenBit) ? level : 0;
        entry[2] = (code & kRedBit) ? level : 0;
        return code;
    }
    static void Put(uint8_t* row, int x, int code) { PutNibble(row, x, code); }
};

struct CubePick {
    static constexpr int kBits = 8;

    int operator()(const int* bgr, int* entry) const
    {
        const int b = std::clamp(bgr[0], 0, 255);
        const int g = std::clamp(bgr[1], 0, 255);
        const int r = std::clamp(bgr[2], 0, 255);
        const int index = (r & 0xE0) | ((g & 0xE0) >> 3) | (b >> 6);
        const RGBQUAD& q = cube_[index];
        entry[0] = q.rgbBlue;
        entry[1] = q.rgbGreen;
        entry[2] = q.rgbRed;
        return index;
    }
    static void Put(uint8_t* row, int x, int index) { row[x] = uint8_t(index); }

    const RGBQUAD* cube_ = DefaultColourTable(8, ColourTableKind::Cube332);
};

// Serpentine error diffusion over 32nds: 8 and 4 ahead on the pixel's row,
// 2 4 8 4 2 on the next, by arithmetic right shifts. Two accumulator rows of
// blue, green, red, with two spare pixels either side.
template <class Pick>
class BurkesDiffuser {
public:
    explicit BurkesDiffuser(const SourceDib& src)
        : src_(src), span_(3 * (size_t(src.width) + 4)), scratch_(src.table ? 3 * size_t(src.width) : 0)
    {
        cells_.assign(2 * span_, 0);
        cur_ = cells_.data() + 6;
        next_ = cells_.data() + span_ + 6;
        Fill(cur_, 0);
        Fill(next_, std::min(1, src.height - 1));
    }

    void Run(TargetDib& dst)
    {
        for (int y = 0; y < src_.height; ++y) {
            if (y & 1)
                Row<-1>(dst.Row(y));
            else
                Row<+1>(dst.Row(y));
            std::swap(cur_, next_);
            if (y + 2 < src_.height)
                Fill(next_, y + 2);
        }
    }

private:
    void Fill(int* row, int y)
    {
        std::fill(row - 6, row + 3 * size_t(src_.width) + 6, 0);
        const uint8_t* bgr = BgrRow(src_, y, scratch_.data());
        const size_t n = 3 * size_t(src_.width);
        for (size_t i = 0; i < n; ++i)
            row[i] = bgr[i];
    }

    template <int D>
    void Row(uint8_t* out)
    {
        const int w = src_.width;
        for (int i = 0; i < w; ++i) {
            const int x = D > 0 ? i : w - 1 - i;
            int* c = cur_ + 3 * x;
            int* n = next_ + 3 * x;
            int entry[3];
            Pick::Put(out, x, pick_(c, entry));
            for (int ch = 0; ch < 3; ++ch) {
                const int e = c[ch] - entry[ch];
                const int e2 = e >> 2, e3 = e >> 3, e4 = e >> 4;
                c[ch + 3 * D] += e2;
                c[ch + 6 * D] += e3;
                n[ch - 6] += e4;
                n[ch - 3] += e3;
                n[ch] += e2;
                n[ch + 3] += e3;
                n[ch + 6] += e4;
            }
        }
    }

    const SourceDib& src_;
    size_t span_;
    std::vector<uint8_t> scratch_;
    std::vector<int> cells_;
    int* cur_ = nullptr;
    int* next_ = nullptr;
    Pick pick_;
};

template <class Pick>
int Diffuse(const uint8_t* dib, size_t size, std::vector<uint8_t>& out, const RGBQUAD* table)
{
    return Reduce(dib, size, Accept::PaletteOrTrueColour, Pick::kBits, table, out,
                  [](const SourceDib& src, TargetDib& dst) { BurkesDiffuser<Pick>(src).Run(dst); });
}

}  // namespace

int BayerColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    return Reduce(dib, size, Accept::PaletteOrTrueColour, 4, DefaultColourTable(4, ColourTableKind::Sixteen), out,
                  [](const SourceDib& src, TargetDib& dst) {
                      std::vector<uint8_t> scratch(src.table ? 3 * size_t(src.width) : 0);
                      uint8_t thr[8];
                      for (int y = 0; y < src.height; ++y) {
                          RowThresholds(kBayerTable, y, thr);
                          BayerColourRow(BgrRow(src, y, scratch.data()), src.width, thr, dst.Row(y));
                      }
                  });
}

int DiffusionColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    return Diffuse<SixteenColourPick>(dib, size, out, DefaultColourTable(4, ColourTableKind::Sixteen));
}

int MedianCutColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    return Diffuse<CubePick>(dib, size, out, DefaultColourTable(8, ColourTableKind::Cube332));
}

}  // namespace vantor
