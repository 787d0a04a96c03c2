// The error diffusions against plain whole-picture versions that spread every
// share through memory, on random pictures of awkward sizes: the engine's
// rolling rows, register-carried shares and share table must agree exactly.
#include <algorithm>
#include <random>

#include "reduce_test_util.h"

namespace vantor::test {
namespace {

// Per-channel accumulators (blue, green, red) of the whole picture, with two
// spare cells either side and two spare rows above.
struct Planes {
    int w;
    std::vector<int> cells;
    Planes(int width, int height) : w(width), cells(3 * size_t(width + 4) * size_t(height + 2), 0) {}
    int& operator()(int c, int x, int y) { return cells[(size_t(y) * size_t(w + 4) + size_t(x + 2)) * 3 + size_t(c)]; }
};

// Runs the serpentine scan; `pixel(acc, x, y, d)` picks the code and spreads the error.
template <class PixelFn>
std::vector<int> Scan(int w, int h, PixelFn pixel)
{
    std::vector<int> codes;
    for (int y = 0; y < h; ++y) {
        const int d = (y & 1) ? -1 : 1;
        std::vector<int> row(size_t(w), 0);
        for (int i = 0; i < w; ++i) {
            const int x = d > 0 ? i : w - 1 - i;
            row[size_t(x)] = pixel(x, y, d);
        }
        codes.insert(codes.end(), row.begin(), row.end());
    }
    return codes;
}

std::vector<int> Stucki(Planes& acc, int w, int h)
{
    return Scan(w, h, [&acc](int x, int y, int d) {
        const int v = acc(0, x, y);
        const int e = v > 127 ? v - 255 : v;
        const int row[5] = {0, 0, 0, 8 * e / 42, 4 * e / 42};
        const int next[5] = {e / 21, 4 * e / 42, 8 * e / 42, 4 * e / 42, e / 21};
        const int after[5] = {e / 42, e / 21, 4 * e / 42, e / 21, e / 42};
        for (int k = -2; k <= 2; ++k) {
            acc(0, x + k * d, y) += row[k + 2];
            acc(0, x + k, y + 1) += next[k + 2];
            acc(0, x + k, y + 2) += after[k + 2];
        }
        return v > 127 ? 1 : 0;
    });
}

template <class Pick>
std::vector<int> Burkes(Planes& acc, int w, int h, Pick pick)
{
    return Scan(w, h, [&acc, pick](int x, int y, int d) {
        int entry[3];
        const int code = pick(acc(0, x, y), acc(1, x, y), acc(2, x, y), entry);
        for (int c = 0; c < 3; ++c) {
            const int e = acc(c, x, y) - entry[c];
            const int row[5] = {0, 0, 0, e >> 2, e >> 3};
            const int next[5] = {e >> 4, e >> 3, e >> 2, e >> 3, e >> 4};
            for (int k = -2; k <= 2; ++k) {
                acc(c, x + k * d, y) += row[k + 2];
                acc(c, x + k, y + 1) += next[k + 2];
            }
        }
        return code;
    });
}

int SixteenPick(int b, int g, int r, int* entry)
{
    const bool bright = r > 220 || g > 220 || b > 220;
    const int level = bright ? 255 : 128;
    entry[0] = b > 180 ? level : 0;
    entry[1] = g > 180 ? level : 0;
    entry[2] = r > 180 ? level : 0;
    return (r > 180 ? 1 : 0) | (g > 180 ? 2 : 0) | (b > 180 ? 4 : 0) | (bright ? 8 : 0);
}

int CubePick(int b, int g, int r, int* entry)
{
    const int index = (std::clamp(r, 0, 255) & 0xE0) | ((std::clamp(g, 0, 255) & 0xE0) >> 3) | (std::clamp(b, 0, 255) >> 6);
    entry[0] = (index & 3) * 255 / 3;
    entry[1] = ((index >> 2) & 7) * 255 / 7;
    entry[2] = ((index >> 5) & 7) * 255 / 7;
    return index;
}

TEST(DiffusionAgainstReference, EveryPixelMatches)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {7, 3}, {33, 17}, {64, 9}, {101, 40}};
    std::mt19937 rng(7);
    for (auto [w, h] : sizes) {
        // Smooth stretches, noise, and the levels either side of each threshold,
        // which push the accumulated errors furthest.
        static constexpr int kEdges[8] = {0, 127, 128, 180, 181, 220, 221, 255};
        std::vector<Rgb> px;
        for (int i = 0; i < w * h; ++i) {
            const int base = int(rng() % 256);
            const unsigned kind = rng() % 3;
            px.push_back(kind == 0   ? Rgb{int(rng() % 256), int(rng() % 256), int(rng() % 256)}
                         : kind == 1 ? Rgb{kEdges[rng() % 8], kEdges[rng() % 8], kEdges[rng() % 8]}
                                     : Rgb{base, std::clamp(base + int(rng() % 41) - 20, 0, 255), 255 - base});
        }
        const Dib dib = Picture24(w, h, [&px, w](int x, int y) { return px[size_t(y * w + x)]; });
        Planes grey(w, h), colour(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgb& p = px[size_t(y * w + x)];
                grey(0, x, y) = (30 * p.r + 59 * p.g + 11 * p.b) / 100;
                colour(0, x, y) = p.b;
                colour(1, x, y) = p.g;
                colour(2, x, y) = p.r;
            }
        Planes colour2 = colour;
        const std::vector<int> mono = Stucki(grey, w, h);
        const std::vector<int> sixteen = Burkes(colour, w, h, SixteenPick);
        const std::vector<int> cube = Burkes(colour2, w, h, CubePick);

        const Dib m = Reduced(DiffusionMono, dib), s = Reduced(DiffusionColor, dib), c = Reduced(MedianCutColor, dib);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y * w + x);
                ASSERT_EQ(BitAt(m, x, y), mono[i]) << w << "x" << h << " at " << x << "," << y;
                ASSERT_EQ(NibbleAt(s, x, y), sixteen[i]) << w << "x" << h << " at " << x << "," << y;
                ASSERT_EQ(ByteAt(c, x, y), cube[i]) << w << "x" << h << " at " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace vantor::test
