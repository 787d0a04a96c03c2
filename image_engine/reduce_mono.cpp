// Conversions to 1-bit black and white: ordered dither (Bayer and clustered-dot
// tables) and serpentine error diffusion.
#include <algorithm>

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

    template <int D>
    void Row(uint8_t* out)
    {
        int* cur = rows_[0];
        int* next = rows_[1];
        int* after = rows_[2];
        const int w = src_.width;
        for (int i = 0; i < w; ++i) {
            const int x = D > 0 ? i : w - 1 - i;
            const int v = cur[x];
            int e = v;
            if (v > 127) {
                out[x >> 3] |= uint8_t(0x80u >> (x & 7));
                e = v - 255;
            }
            const int e8 = 8 * e / 42;
            const int e4 = 4 * e / 42;
            const int e2 = e / 21;
            const int e1 = e / 42;
            cur[x + D] += e8;
            cur[x + 2 * D] += e4;
            next[x - 2] += e2;
            next[x - 1] += e4;
            next[x] += e8;
            next[x + 1] += e4;
            next[x + 2] += e2;
            after[x - 2] += e1;
            after[x - 1] += e2;
            after[x] += e4;
            after[x + 1] += e2;
            after[x + 2] += e1;
        }
    }

    const SourceDib& src_;
    size_t span_;
    std::vector<int> cells_;
    int* rows_[3] = {};
    uint8_t lut_[256] = {};
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
