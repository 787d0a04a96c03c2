// The error diffusions against plain whole-picture versions that spread every
// share through memory, on random pictures of awkward sizes: the engine's
// rolling rows, register-carried shares and share table must agree exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "reduce_test_util.h"

namespace vantor::test {
namespace {

struct Pixels {
    int w = 0, h = 0;
    std::vector<Rgb> at;  // DIB row order
    const Rgb& operator()(int x, int y) const { return at[size_t(y) * size_t(w) + size_t(x)]; }
};

Pixels RandomPixels(int w, int h, uint32_t seed)
{
    std::mt19937 rng(seed);
    Pixels p{w, h, {}};
    for (int i = 0; i < w * h; ++i) {
        const int base = int(rng() % 256);
        // Mostly near one level, now and then anything: both extremes occur.
        if (rng() % 4 == 0)
            p.at.push_back({int(rng() % 256), int(rng() % 256), int(rng() % 256)});
        else
            p.at.push_back({base, std::clamp(base + int(rng() % 41) - 20, 0, 255), 255 - base});
    }
    return p;
}

std::vector<uint8_t> ToDib(const Pixels& p)
{
    return Picture24(p.w, p.h, [&p](int x, int y) { return p(x, y); });
}

// Accumulators for the whole picture with two spare cells either side.
struct Plane {
    int w, h;
    std::vector<int> cells;
    Plane(int width, int height) : w(width), h(height), cells(size_t(width + 4) * size_t(height + 2), 0) {}
    int& operator()(int x, int y) { return cells[size_t(y) * size_t(w + 4) + size_t(x + 2)]; }
};

std::vector<int> StuckiReference(const Pixels& p)
{
    Plane acc(p.w, p.h);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
            acc(x, y) = (30 * p(x, y).r + 59 * p(x, y).g + 11 * p(x, y).b) / 100;
    std::vector<int> bits(size_t(p.w) * size_t(p.h));
    for (int y = 0; y < p.h; ++y) {
        const int d = (y & 1) ? -1 : 1;
        for (int i = 0; i < p.w; ++i) {
            const int x = d > 0 ? i : p.w - 1 - i;
            const int v = acc(x, y);
            const int bit = v > 127;
            const int e = bit ? v - 255 : v;
            bits[size_t(y) * size_t(p.w) + size_t(x)] = bit;
            acc(x + d, y) += 8 * e / 42;
            acc(x + 2 * d, y) += 4 * e / 42;
            const int next[5] = {e / 21, 4 * e / 42, 8 * e / 42, 4 * e / 42, e / 21};
            const int after[5] = {e / 42, e / 21, 4 * e / 42, e / 21, e / 42};
            for (int k = -2; k <= 2; ++k) {
                acc(x + k, y + 1) += next[k + 2];
                acc(x + k, y + 2) += after[k + 2];
            }
        }
    }
    return bits;
}

// `pick(b, g, r, entry)` gives the output code and the entry's blue, green, red.
template <class Pick>
std::vector<int> BurkesReference(const Pixels& p, Pick pick)
{
    Plane acc[3] = {Plane(p.w, p.h), Plane(p.w, p.h), Plane(p.w, p.h)};
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            acc[0](x, y) = p(x, y).b;
            acc[1](x, y) = p(x, y).g;
            acc[2](x, y) = p(x, y).r;
        }
    std::vector<int> codes(size_t(p.w) * size_t(p.h));
    for (int y = 0; y < p.h; ++y) {
        const int d = (y & 1) ? -1 : 1;
        for (int i = 0; i < p.w; ++i) {
            const int x = d > 0 ? i : p.w - 1 - i;
            int entry[3];
            codes[size_t(y) * size_t(p.w) + size_t(x)] = pick(acc[0](x, y), acc[1](x, y), acc[2](x, y), entry);
            for (int c = 0; c < 3; ++c) {
                const int e = acc[c](x, y) - entry[c];
                acc[c](x + d, y) += e >> 2;
                acc[c](x + 2 * d, y) += e >> 3;
                const int next[5] = {e >> 4, e >> 3, e >> 2, e >> 3, e >> 4};
                for (int k = -2; k <= 2; ++k)
                    acc[c](x + k, y + 1) += next[k + 2];
            }
        }
    }
    return codes;
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

const std::pair<int, int> kSizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {7, 3}, {33, 17}, {64, 9}};

TEST(DiffusionAgainstReference, MonoMatchesPixelForPixel)
{
    uint32_t seed = 1;
    for (auto [w, h] : kSizes) {
        const Pixels p = RandomPixels(w, h, seed++);
        std::vector<uint8_t> out;
        ASSERT_EQ(Apply(DiffusionMono, ToDib(p), out), kReduceOk);
        const std::vector<int> want = StuckiReference(p);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(BitAt(out, x, y), want[size_t(y * w + x)]) << w << "x" << h << " at " << x << "," << y;
    }
}

TEST(DiffusionAgainstReference, SixteenColourMatchesPixelForPixel)
{
    uint32_t seed = 100;
    for (auto [w, h] : kSizes) {
        const Pixels p = RandomPixels(w, h, seed++);
        std::vector<uint8_t> out;
        ASSERT_EQ(Apply(DiffusionColor, ToDib(p), out), kReduceOk);
        const std::vector<int> want = BurkesReference(p, SixteenPick);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(NibbleAt(out, x, y), want[size_t(y * w + x)]) << w << "x" << h << " at " << x << "," << y;
    }
}

TEST(DiffusionAgainstReference, CubeMatchesPixelForPixel)
{
    uint32_t seed = 200;
    for (auto [w, h] : kSizes) {
        const Pixels p = RandomPixels(w, h, seed++);
        std::vector<uint8_t> out;
        ASSERT_EQ(Apply(MedianCutColor, ToDib(p), out), kReduceOk);
        const std::vector<int> want = BurkesReference(p, CubePick);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(ByteAt(out, x, y), want[size_t(y * w + x)]) << w << "x" << h << " at " << x << "," << y;
    }
}

}  // namespace
}  // namespace vantor::test
