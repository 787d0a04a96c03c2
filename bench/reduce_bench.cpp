// The eight colour reductions on a 12-megapixel 24-bit picture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "colour_reduce.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth gradients with some grain, so the diffusions and the histogram see a
// spread of colours as in a photograph.
const std::vector<uint8_t>& Picture()
{
    static const std::vector<uint8_t> dib = [] {
        const size_t stride = DibRowBytes(kWidth, 24);
        std::vector<uint8_t> block(40 + stride * kHeight);
        BITMAPINFOHEADER h{};
        h.biSize = 40;
        h.biWidth = kWidth;
        h.biHeight = kHeight;
        h.biPlanes = 1;
        h.biBitCount = 24;
        h.biSizeImage = DWORD(stride * kHeight);
        std::memcpy(block.data(), &h, 40);
        uint32_t seed = 12345;
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* p = block.data() + 40 + stride * size_t(y);
            for (int x = 0; x < kWidth; ++x, p += 3) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = int(seed >> 28) - 8;
                p[0] = uint8_t(std::clamp(x * 255 / kWidth + grain, 0, 255));
                p[1] = uint8_t(std::clamp(y * 255 / kHeight + grain, 0, 255));
                p[2] = uint8_t(std::clamp(((x + y) / 16) % 256 + grain, 0, 255));
            }
        }
        return block;
    }();
    return dib;
}

void Run(benchmark::State& state, int (*reduce)(const uint8_t*, size_t, std::vector<uint8_t>&))
{
    const std::vector<uint8_t>& dib = Picture();
    for (auto _ : state) {
        std::vector<uint8_t> out;
        if (reduce(dib.data(), dib.size(), out) != 0)
            state.SkipWithError("reduction failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

}  // namespace

BENCHMARK_CAPTURE(Run, ColorGray, vantor::ColorGray)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, BayerMono, vantor::BayerMono)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, HalftoneMono, vantor::HalftoneMono)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DiffusionMono, vantor::DiffusionMono)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, BayerColor, vantor::BayerColor)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DiffusionColor, vantor::DiffusionColor)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, PopularityColor, vantor::PopularityColor)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, MedianCutColor, vantor::MedianCutColor)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
