// Conversions to 1-bit black and white: ordered dither (Bayer and clustered-dot
// tables) and serpentine error diffusion.
#include <algorithm>
#include <array>

#include "reduce_frame.h"

namespace vantor {

namespace {

using namespace reduce;

// White where the grey value exceeds the table's threshold; bits most
// significant first, the row's last byte padded with 0 bits.
void PackOrderedRow(const uint8_t* grey, int width, const uint8_t thr[8], uint8_t* out)
{
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        unsigned byte = 0;
        for (int k = 0; k < 8; ++k)
            byte |= unsigned(grey[x + k] > thr[k]) << (7 - k);
        out[x >> 3] = uint8_t(byte);
    }
    if (x < width) {
        unsigned byte = 0;
        for (int k = 0; x + k < width; ++k)
            byte |= unsigned(grey[x + k] > thr[k]) << (7 - k);
        out[x >> 3] = uint8_t(byte);
    }
}

int OrderedMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out, const uint8_t* table)
{
    return Reduce(dib, size, Accept::PaletteOrTrueColour, 1, DefaultColourTable(1), out,
                  [table](const SourceDib& src, TargetDib& dst) {
                      uint8_t lut[256];
                      if (src.table != nullptr)
                          GreyTable<Grey30>(src, lut);
                      std::vector<uint8_t> grey(size_t(src.width));
                      uint8_t thr[8];
                      for (int y = 0; y < src.height; ++y) {
                          GreyRow<Grey30>(src, y, lut, grey.data());
                          RowThresholds(table, y, thr);
                          PackOrderedRow(grey.data(), src.width, thr, dst.Row(y));
                      }
                  });
}

// The outcome of one accumulated value: white or not and the four shares of
// its error. Errors never exceed 127 either way (a value's incoming shares add
// up to at most 42/42 of errors no larger), so values lie in -127..382 and a
// table of 512 indexed by value + 128 covers them all.
struct StuckiShares {
    int16_t e8, e4, e2, e1;
    uint8_t white;
};

constexpr int kShareOffset = 128;
constexpr int kShareMask = 511;

const StuckiShares* ShareTable()
{
    static const auto table = [] {
        std::array<StuckiShares, kShareMask + 1> t{};
        for (int i = 0; i <= kShareMask; ++i) {
            const int v = i - kShareOffset;
            const int white = v > 127;
            const int e = white ? v - 255 : v;
            t[size_t(i)] = StuckiShares{int16_t(8 * e / 42), int16_t(4 * e / 42), int16_t(e / 21),
                                        int16_t(e / 42), uint8_t(white)};
        }
        return t;
    }();
    return table.data();
}

// Error diffusion over 42nds: the row of the pixel gets 8 and 4 ahead, the next
// row 2 4 8 4 2 and the row after 1 2 4 2 1, each share truncated toward zero.
// Three accumulator rows, each with two spare cells either side that soak up
// the error falling off the picture.
class StuckiDiffuser {
public:
    explicit StuckiDiffuser(const SourceDib& src) : src_(src), span_(size_t(src.width) + 4)
    {
        cells_.assign(3 * span_, 0);
        for (int i = 0; i < 3; ++i)
            rows_[i] = cells_.data() + i * span_ + 2;
        if (src.table != nullptr)
            GreyTable<Grey30>(src, lut_);
        for (int i = 0; i < 3 && i < src.height; ++i)
            Fill(rows_[i], i);
    }

    void Run(TargetDib& dst)
    {
        for (int y = 0; y < src_.height; ++y) {
            if (y & 1)
                Row<-1>(dst.Row(y));
            else
                Row<+1>(dst.Row(y));
            std::rotate(rows_, rows_ + 1, rows_ + 3);
            if (y + 3 < src_.height)
                Fill(rows_[2], y + 3);
        }
    }

private:
    void Fill(int* row, int y)
    {
        std::fill(row - 2, row + src_.width + 2, 0);
        GreyRow<Grey30>(src_, y, lut_, row);
    }

    // The shares still due to pixels ahead, on this row and the next two, are
    // carried in registers; each cell of the next rows is written once, when
    // its last share is known.
    template <int D>
    void Row(uint8_t* out)
    {
        const int* cur = rows_[0];
        int* next = rows_[1];
        int* after = rows_[2];
        const int w = src_.width;
        int ahead1 = 0, ahead2 = 0;
        int n0 = 0, n1 = 0, n2 = 0, n3 = 0;  // next row, columns x-2D .. x+D
        int a0 = 0, a1 = 0, a2 = 0, a3 = 0;  // row after, the same columns
        for (int i = 0; i < w; ++i) {
            const int x = D > 0 ? i : w - 1 - i;
            // The mask keeps the lookup inside the table whatever the values.
            const StuckiShares& sh = shares_[(cur[x] + ahead1 + kShareOffset) & kShareMask];
            out[x >> 3] |= uint8_t(unsigned(sh.white) << (7 - (x & 7)));
            const int e8 = sh.e8, e4 = sh.e4, e2 = sh.e2, e1 = sh.e1;
            ahead1 = ahead2 + e8;
            ahead2 = e4;
            next[x - 2 * D] += n0 + e2;
            n0 = n1 + e4;
            n1 = n2 + e8;
            n2 = n3 + e4;
            n3 = e2;
            after[x - 2 * D] += a0 + e1;
            a0 = a1 + e2;
            a1 = a2 + e4;
            a2 = a3 + e2;
            a3 = e1;
        }
        const int last = D > 0 ? w - 1 : 0;
        next[last - D] += n0;
        next[last] += n1;
        after[last - D] += a0;
        after[last] += a1;
    }

    const SourceDib& src_;
    size_t span_;
    std::vector<int> cells_;
    int* rows_[3] = {};
    uint8_t lut_[256] = {};
    const StuckiShares* shares_ = ShareTable();
};

}  // namespace

int BayerMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    return OrderedMono(dib, size, out, kBayerTable);
}

int HalftoneMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    return OrderedMono(dib, size, out, kHalftoneTable);
}

int DiffusionMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    return Reduce(dib, size, Accept::PaletteOrTrueColour, 1, DefaultColourTable(1), out,
                  [](const SourceDib& src, TargetDib& dst) { StuckiDiffuser(src).Run(dst); });
}

}  // namespace vantor
