// The eight colour reductions on a 12-megapixel 24-bit picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_util.h"
#include "colour_reduce.h"

namespace {

using bench::kHeight;
using bench::kWidth;

// Gradients with grain, so the diffusions and the histogram see a spread of colours.
const std::vector<uint8_t>& Picture()
{
    static const std::vector<uint8_t> dib = bench::GrainPicture();
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
