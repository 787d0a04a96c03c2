// Conversions to fixed colour tables: ordered dither and error diffusion into
// the 16-colour table, and error diffusion into the 3-3-2 cube.
#include <algorithm>
#include <array>

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

inline int BayerColourCode(const uint8_t* bgr, int t)
{
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    int code = 0;
    code |= r > t ? kRedBit : 0;
    code |= g > t ? kGreenBit : 0;
    code |= b > t ? kBlueBit : 0;
    code |= Intensity(r, g, b) > t + 40 ? kBrightBit : 0;
    return code;
}

// Two pixels a byte, so each output byte is written once.
void BayerColourRow(const uint8_t* bgr, int width, const uint8_t thr[8], uint8_t* out)
{
    int x = 0;
    for (; x + 1 < width; x += 2, bgr += 6)
        out[x >> 1] = uint8_t(BayerColourCode(bgr, thr[x & 7]) << 4 | BayerColourCode(bgr + 3, thr[(x + 1) & 7]));
    if (x < width)
        out[x >> 1] = uint8_t(BayerColourCode(bgr, thr[x & 7]) << 4);
}

// Blue, green, red and an unused lane, so a pixel's three channels move as one.
typedef int Channels __attribute__((vector_size(16)));

inline Channels Splat(int v) { return Channels{v, v, v, v}; }

// Picks the 16-colour entry for the accumulated channels of a pixel.
struct SixteenColourPick {
    static constexpr int kBits = 4;

    int operator()(Channels value, Channels& entry) const
    {
        const Channels over = value > Splat(180);
        const Channels bright = value > Splat(220);
        int code = (over[2] & kRedBit) | (over[1] & kGreenBit) | (over[0] & kBlueBit);
        const bool isBright = (bright[0] | bright[1] | bright[2]) != 0;
        code |= isBright ? kBrightBit : 0;
        entry = over & Splat(isBright ? 255 : 128);
        return code;
    }
    static void Put(uint8_t* row, int x, int code) { PutNibble(row, x, code); }
};

// Picks the 3-3-2 cube entry of the accumulated channels clamped to 0-255.
// Each channel's level and index bits come from a table. A channel's error
// stays within -64..63: its incoming shares weigh 32/32 in all, and rounding
// down takes shares of errors of -64 or more to no less than -64 in sum. So
// values lie in -64..318, and 512 cells indexed by value + 64 cover them.
struct CubePick {
    static constexpr int kBits = 8;
    static constexpr int kOffset = 64;
    static constexpr int kMask = 511;

    struct Step {
        int level;
        int bits;
    };
    using Steps = std::array<Step, kMask + 1>;

    // `levelBits` bits of the channel, placed at `shift` in the index.
    static constexpr Steps MakeSteps(int levelBits, int shift)
    {
        Steps steps{};
        const int top = (1 << levelBits) - 1;
        for (int i = 0; i <= kMask; ++i) {
            const int v = std::clamp(i - kOffset, 0, 255);
            const int k = v >> (8 - levelBits);
            steps[size_t(i)] = Step{k * 255 / top, k << shift};
        }
        return steps;
    }

    int operator()(Channels value, Channels& entry) const
    {
        const Step& b = kBlue[size_t((value[0] + kOffset) & kMask)];
        const Step& g = kGreen[size_t((value[1] + kOffset) & kMask)];
        const Step& r = kRed[size_t((value[2] + kOffset) & kMask)];
        entry = Channels{b.level, g.level, r.level, 0};
        return r.bits | g.bits | b.bits;
    }
    static void Put(uint8_t* row, int x, int index) { row[x] = uint8_t(index); }

    static const Steps kBlue, kGreen, kRed;
};

constexpr CubePick::Steps CubePick::kBlue = CubePick::MakeSteps(2, 0);
constexpr CubePick::Steps CubePick::kGreen = CubePick::MakeSteps(3, 2);
constexpr CubePick::Steps CubePick::kRed = CubePick::MakeSteps(3, 5);

// Serpentine error diffusion over 32nds: 8 and 4 ahead on the pixel's row,
// 2 4 8 4 2 on the next, by arithmetic right shifts. Two accumulator rows with
// two spare pixels either side that soak up the error falling off the picture.
template <class Pick>
class BurkesDiffuser {
public:
    explicit BurkesDiffuser(const SourceDib& src)
        : src_(src), span_(size_t(src.width) + 4), scratch_(src.table ? 3 * size_t(src.width) : 0)
    {
        cells_.assign(2 * span_, Channels{});
        cur_ = cells_.data() + 2;
        next_ = cells_.data() + span_ + 2;
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
    void Fill(Channels* row, int y)
    {
        std::fill(row - 2, row + src_.width + 2, Channels{});
        const uint8_t* bgr = BgrRow(src_, y, scratch_.data());
        for (int x = 0; x < src_.width; ++x, bgr += 3)
            row[x] = Channels{bgr[0], bgr[1], bgr[2], 0};
    }

    // The shares still due to pixels ahead, on this row and the next, are
    // carried in registers; each next-row cell is written once, when its last
    // share is known.
    template <int D>
    void Row(uint8_t* out)
    {
        const int w = src_.width;
        Channels ahead1{}, ahead2{};
        Channels due0{}, due1{}, due2{}, due3{};  // next row, columns x-2D .. x+D
        for (int i = 0; i < w; ++i) {
            const int x = D > 0 ? i : w - 1 - i;
            const Channels value = cur_[x] + ahead1;
            Channels entry;
            Pick::Put(out, x, pick_(value, entry));
            const Channels e = value - entry;
            const Channels e2 = e >> 2, e3 = e >> 3, e4 = e >> 4;
            ahead1 = ahead2 + e2;
            ahead2 = e3;
            next_[x - 2 * D] += due0 + e4;
            due0 = due1 + e3;
            due1 = due2 + e2;
            due2 = due3 + e3;
            due3 = e4;
        }
        const int last = D > 0 ? w - 1 : 0;
        next_[last - D] += due0;
        next_[last] += due1;
        next_[last + D] += due2;
        next_[last + 2 * D] += due3;
    }

    const SourceDib& src_;
    size_t span_;
    std::vector<uint8_t> scratch_;
    std::vector<Channels> cells_;
    Channels* cur_ = nullptr;
    Channels* next_ = nullptr;
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
