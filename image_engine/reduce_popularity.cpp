// Conversion of a 24-bit picture to the 256 most frequent 12-bit colours.
#include <algorithm>
#include <array>

#include "reduce_frame.h"

namespace vantor {

namespace {

using namespace reduce;

constexpr int kBins = 4096;
constexpr int kEntries = 256;
// The counters are 16-bit; a colour seen more often keeps the top count
// instead of wrapping round to a small one and losing its rank.
constexpr uint32_t kCountLimit = 0xFFFF;

inline int BinOf(const uint8_t* bgr) { return ((bgr[2] >> 4) << 8) | (bgr[1] & 0xF0) | (bgr[0] >> 4); }

void CountColours(const SourceDib& src, std::vector<uint32_t>& counts)
{
    uint32_t* c = counts.data();
    for (int y = 0; y < src.height; ++y) {
        const uint8_t* p = src.Row(y);
        for (int x = 0; x < src.width; ++x, p += 3)
            ++c[BinOf(p)];
    }
    for (uint32_t& n : counts)
        n = std::min(n, kCountLimit);
}

// Entry 0 is black; entries 1-255 are the bins by falling count, the higher bin
// first among equal counts. Bin 0 stays a candidate although it is entry 0.
// Once every counted bin is taken all counts are 0 and the highest bin, 4095,
// is the one taken for each entry left.
std::array<int, kEntries> RankBins(const std::vector<uint32_t>& counts)
{
    std::vector<int> counted;
    for (int bin = 0; bin < kBins; ++bin)
        if (counts[size_t(bin)] != 0)
            counted.push_back(bin);
    const size_t take = std::min(counted.size(), size_t(kEntries - 1));
    std::partial_sort(counted.begin(), counted.begin() + take, counted.end(), [&counts](int a, int b) {
        return counts[size_t(a)] != counts[size_t(b)] ? counts[size_t(a)] > counts[size_t(b)] : a > b;
    });
    std::array<int, kEntries> bins;
    bins[0] = 0;
    for (int i = 1; i < kEntries; ++i)
        bins[size_t(i)] = size_t(i - 1) < take ? counted[size_t(i - 1)] : kBins - 1;
    return bins;
}

// Nearest entry by squared differences of the doubled nibbles; the first of
// equal distances wins.
int NearestEntry(int bin, const std::array<int, kEntries>& bins)
{
    const int r = (bin >> 8) * 2, g = ((bin >> 4) & 15) * 2, b = (bin & 15) * 2;
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < kEntries; ++i) {
        const int e = bins[size_t(i)];
        const int dr = r - (e >> 8) * 2, dg = g - ((e >> 4) & 15) * 2, db = b - (e & 15) * 2;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0)
                break;
        }
    }
    return best;
}

void Popularity(const SourceDib& src, TargetDib& dst)
{
    std::vector<uint32_t> counts(kBins, 0);
    CountColours(src, counts);
    const std::array<int, kEntries> bins = RankBins(counts);
    for (int i = 0; i < kEntries; ++i) {
        const int bin = bins[size_t(i)];
        dst.table[i] = RGBQUAD{BYTE((bin & 15) * 16), BYTE(((bin >> 4) & 15) * 16), BYTE((bin >> 8) * 16), 0};
    }
    // The nearest entry depends on the bin alone: look it up once per colour used.
    std::vector<uint8_t> entryOf(kBins, 0);
    for (int bin = 0; bin < kBins; ++bin)
        if (counts[size_t(bin)] != 0)
            entryOf[size_t(bin)] = uint8_t(NearestEntry(bin, bins));
    for (int y = 0; y < src.height; ++y) {
        const uint8_t* p = src.Row(y);
        uint8_t* o = dst.Row(y);
        for (int x = 0; x < src.width; ++x, p += 3)
            o[x] = entryOf[size_t(BinOf(p))];
    }
}

}  // namespace

int PopularityColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out)
{
    return Reduce(dib, size, Accept::TrueColourOnly, 8, nullptr, out, Popularity);
}

}  // namespace vantor
