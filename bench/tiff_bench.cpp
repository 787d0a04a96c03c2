// TIFF LZW on a 12-megapixel 24-bit picture: the engine against libtiff doing
// the same work on one core, both through files in a temporary folder. Both
// write one row per strip (the engine's strips hold at most 10000 bytes, a row
// here is 12000) without a predictor; both read the engine's file. libtiff is
// handed rows already in red, green, blue order and top-down; the engine turns
// its bottom-up blue, green, red rows itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tiffio.h>
#include <unistd.h>
#include <vector>

#include "bench_util.h"
#include "vantor32.h"

namespace {

using bench::kHeight;
using bench::kWidth;

// Smooth areas with some noise, as a photograph has.
std::vector<uint8_t> Pixels()
{
    std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth * 3; ++x) {
            seed = seed * 1103515245 + 12345;
            rgb[size_t(y) * kWidth * 3 + x] = uint8_t((x / 7 + y / 5) + ((seed >> 16) & 7));
        }
    return rgb;
}

const std::vector<uint8_t>& Rgb()
{
    static std::vector<uint8_t> rgb = Pixels();
    return rgb;
}

IMG_HANDLE Handle()
{
    static IMG_HANDLE handle = [] {
        const uint32_t stride = DibRowBytes(kWidth, 24);
        std::vector<uint8_t> dib(40 + size_t(stride) * kHeight);
        BITMAPINFOHEADER h{40, kWidth, kHeight, 1, 24, BI_RGB, stride * kHeight, 0, 0, 0, 0};
        std::memcpy(dib.data(), &h, sizeof h);
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t* src = Rgb().data() + size_t(y) * kWidth * 3;
            uint8_t* dst = dib.data() + 40 + size_t(kHeight - 1 - y) * stride;
            for (int x = 0; x < kWidth; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        }
        IMG_HANDLE made = 0;
        IMG_create_handle(&made, reinterpret_cast<const BITMAPINFO*>(dib.data()));
        return made;
    }();
    return handle;
}

std::string EnginePath() { return bench::ScratchDir() + "/engine_lzw.tif"; }

void EngineWrite(benchmark::State& state)
{
    Handle();
    for (auto _ : state) {
        unlink(EnginePath().c_str());
        if (IMG_save_bitmap(Handle(), EnginePath().c_str(), IMG_TYPE_TIFF_LZW) != 0)
            state.SkipWithError("engine write failed");
    }
}

void LibtiffWrite(benchmark::State& state)
{
    Rgb();
    const std::string path = bench::ScratchDir() + "/libtiff_lzw.tif";
    for (auto _ : state) {
        TIFF* t = TIFFOpen(path.c_str(), "w");
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
        for (int y = 0; y < kHeight; ++y)
            TIFFWriteScanline(t, const_cast<uint8_t*>(Rgb().data()) + size_t(y) * kWidth * 3, uint32_t(y), 0);
        TIFFClose(t);
    }
}

void EngineRead(benchmark::State& state)
{
    if (access(EnginePath().c_str(), R_OK) != 0)
        IMG_save_bitmap(Handle(), EnginePath().c_str(), IMG_TYPE_TIFF_LZW);
    for (auto _ : state) {
        IMG_HANDLE h = 0;
        if (IMG_decompress_bitmap(&h, EnginePath().c_str()) != 0)
            state.SkipWithError("engine read failed");
        IMG_delete_bitmap(h);
    }
}

void LibtiffRead(benchmark::State& state)
{
    if (access(EnginePath().c_str(), R_OK) != 0)
        IMG_save_bitmap(Handle(), EnginePath().c_str(), IMG_TYPE_TIFF_LZW);
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 3);
    for (auto _ : state) {
        TIFF* t = TIFFOpen(EnginePath().c_str(), "r");
        const tstrip_t strips = TIFFNumberOfStrips(t);
        const tmsize_t stripSize = TIFFStripSize(t);
        for (tstrip_t s = 0; s < strips; ++s)
            TIFFReadEncodedStrip(t, s, pixels.data() + size_t(s) * size_t(stripSize), stripSize);
        TIFFClose(t);
        benchmark::DoNotOptimize(pixels.data());
    }
}

// Collects each benchmark's processor time per iteration (the machine is
// shared, so wall time says little), then prints engine / libtiff.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0)
                seconds_[r.benchmark_name().substr(0, r.benchmark_name().find("/iterations"))] =
                    r.cpu_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nengine time / libtiff time:\n");
        for (const char* task : {"lzw_write", "lzw_read"}) {
            const double engine = seconds_["engine/" + std::string(task)],
                         libtiff = seconds_["libtiff/" + std::string(task)];
            if (engine > 0 && libtiff > 0)
                std::printf("  %-12s %.2f\n", task, engine / libtiff);
        }
    }

private:
    std::map<std::string, double> seconds_;
};

}   // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("engine/lzw_write", EngineWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("libtiff/lzw_write", LibtiffWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("engine/lzw_read", EngineRead)->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("libtiff/lzw_read", LibtiffRead)->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const std::string cleanup = "rm -rf '" + bench::ScratchDir() + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
