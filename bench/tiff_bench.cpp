// TIFF LZW on a 12-megapixel 24-bit picture: the engine against libtiff doing
// the same work on one core, both through files in a temporary folder. The
// "process/" rows time whole processes, `vantor convert` against `tiffcp`, in
// alternating runs, each printing its own ratio. Both
// write one row per strip (the engine's strips hold at most 10000 bytes, a row
// here is 12000) without a predictor; both read the engine's file. libtiff is
// handed rows already in red, green, blue order and top-down; the engine turns
// its bottom-up blue, green, red rows itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
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

// Top-down rows in red, green, blue order: the noise picture's bytes, its rows
// needing no padding at this width.
const std::vector<uint8_t>& Rgb()
{
    static const std::vector<uint8_t> rgb = [] {
        const std::vector<uint8_t> dib = bench::NoisePicture(24);
        return std::vector<uint8_t>(dib.begin() + 40, dib.end());
    }();
    return rgb;
}

IMG_HANDLE Handle()
{
    static IMG_HANDLE handle = [] {
        const uint32_t stride = DibRowBytes(kWidth, 24);
        std::vector<uint8_t> dib = bench::NewDib(24);
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t* src = Rgb().data() + size_t(y) * kWidth * 3;
            uint8_t* dst = dib.data() + 40 + size_t(kHeight - 1 - y) * stride;
            for (int x = 0; x < kWidth; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        }
        return bench::HandleOf(dib);
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

// The source picture as a BMP, as an uncompressed TIFF (what tiffcp compresses)
// and as the engine's LZW TIFF (what both sides read).
bool ProcessFiles()
{
    const auto rgb = [] { return bench::NoisePicture(24); };
    return !bench::SaveOnce("source.bmp", IMG_TYPE_BMP, rgb).empty() &&
           !bench::SaveOnce("source_none.tif", IMG_TYPE_TIFF, rgb).empty() &&
           !bench::SaveOnce("source_lzw.tif", IMG_TYPE_TIFF_LZW, rgb).empty();
}

void RegisterProcesses()
{
    // VANTOR_TOOL in the environment times another build of the tool against the same peer.
    const char* other = std::getenv("VANTOR_TOOL");
    const std::string vantor = other && *other ? other : VANTOR_TOOL;
    bench::RegisterPairedCommands("process/lzw_read", vantor + " convert source_lzw.tif read.bmp",
                                  "tiffcp -c none source_lzw.tif read_peer.tif", ProcessFiles);
    bench::RegisterPairedCommands("process/lzw_write", vantor + " convert source.bmp written.tif --type 9",
                                  "tiffcp -c lzw source_none.tif written_peer.tif", ProcessFiles);
}

// Engine / libtiff in processor time per iteration: the machine is shared, so
// wall time says little.
class Ratios : public bench::RatioReporter {
public:
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nengine time / libtiff time:\n");
        for (const char* task : {"lzw_write", "lzw_read"})
            bench::PrintRatio(task, 12, Find("engine/" + std::string(task)), Find("libtiff/" + std::string(task)),
                              nullptr);
        std::printf("\nvantor convert / tiffcp, whole processes (median of alternating runs):\n");
        for (const auto& [task, ratio] : processRatios_)
            std::printf("  %-12s %.2f\n", task.substr(8, task.find('/', 8) - 8).c_str(), ratio);
    }

protected:
    void Record(const Run& run) override
    {
        RatioReporter::Record(run);
        const auto ratio = run.counters.find("ratio");
        if (ratio != run.counters.end())
            processRatios_[run.benchmark_name()] = ratio->second.value;
    }

private:
    std::map<std::string, double> processRatios_;
};

}   // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("engine/lzw_write", EngineWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("libtiff/lzw_write", LibtiffWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("engine/lzw_read", EngineRead)->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("libtiff/lzw_read", LibtiffRead)->Unit(benchmark::kMillisecond)->Iterations(5);
    RegisterProcesses();
    return bench::Main<Ratios>(argc, argv);
}
