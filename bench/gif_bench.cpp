// GIF read and write of a 12-megapixel 8-bit picture: the engine against giflib
// (in this process) and ImageMagick (a process per iteration, held to one
// thread). Every side reads the same file into one byte or less per pixel, and
// writes the same pixels with the same 256-entry colour table. ImageMagick's
// start-up and the read of its own pixel cache ("magick/startup") are taken off
// its times before the ratios (engine time / other time) are printed. Times are
// processor time, ImageMagick's that of its process, so that other work on a
// shared machine does not tilt the ratios.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "bench_util.h"
#include "vantor32.h"

namespace {

using bench::kHeight;
using bench::kWidth;

// A packed 8-bit DIB: smooth areas with some noise, as a reduced photograph has.
const std::vector<uint8_t>& Picture()
{
    static std::vector<uint8_t> dib = [] {
        const uint32_t stride = DibRowBytes(kWidth, 8);
        std::vector<uint8_t> d(40 + 1024 + size_t(stride) * kHeight);
        BITMAPINFOHEADER h{40, kWidth, kHeight, 1, 8, BI_RGB, stride * kHeight, 0, 0, 0, 0};
        std::memcpy(d.data(), &h, sizeof h);
        auto* table = reinterpret_cast<RGBQUAD*>(d.data() + 40);
        for (int i = 0; i < 256; ++i)
            table[i] = RGBQUAD{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i), 0};
        uint8_t* rows = d.data() + 40 + 1024;
        uint32_t seed = 12345;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245 + 12345;
                rows[size_t(y) * stride + size_t(x)] = uint8_t((x / 7 + y / 5) + ((seed >> 16) & 7));
            }
        return d;
    }();
    return dib;
}

std::string SourceFile()
{
    std::string path = bench::ScratchDir() + "/source.gif";
    if (access(path.c_str(), F_OK) != 0) {
        IMG_HANDLE h = 0;
        IMG_create_handle(&h, reinterpret_cast<const BITMAPINFO*>(Picture().data()));
        IMG_save_bitmap(h, path.c_str(), IMG_TYPE_GIF);
        IMG_delete_bitmap(h);
    }
    return path;
}

void EngineRead(benchmark::State& state)
{
    std::string path = SourceFile();
    for (auto _ : state) {
        IMG_HANDLE h = 0;
        if (IMG_decompress_bitmap(&h, path.c_str()) < 0) {
            state.SkipWithError("load failed");
            break;
        }
        IMG_delete_bitmap(h);
    }
}

void EngineWrite(benchmark::State& state)
{
    IMG_HANDLE h = 0;
    IMG_create_handle(&h, reinterpret_cast<const BITMAPINFO*>(Picture().data()));
    std::string path = bench::ScratchDir() + "/written.gif";
    for (auto _ : state)
        if (IMG_save_bitmap(h, path.c_str(), IMG_TYPE_GIF) < 0) {
            state.SkipWithError("save failed");
            break;
        }
    IMG_delete_bitmap(h);
}

void GiflibRead(benchmark::State& state)
{
    std::string path = SourceFile();
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib could not read the file");
            if (gif)
                DGifCloseFile(gif, &error);
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
}

void GiflibWrite(benchmark::State& state)
{
    const auto& dib = Picture();
    const auto* table = reinterpret_cast<const RGBQUAD*>(dib.data() + 40);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = GifColorType{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
    const uint8_t* rows = dib.data() + 40 + 1024;
    const uint32_t stride = DibRowBytes(kWidth, 8);
    std::string path = bench::ScratchDir() + "/written_giflib.gif";
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
        ColorMapObject* map = GifMakeMapObject(256, colours);
        bool ok = gif && map && EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map) == GIF_OK &&
                  EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr) == GIF_OK;
        // The DIB's rows run bottom-up; giflib takes them top row first, as the engine does.
        for (int y = 0; ok && y < kHeight; ++y)
            ok = EGifPutLine(gif, const_cast<GifPixelType*>(rows + size_t(kHeight - 1 - y) * stride), kWidth) == GIF_OK;
        GifFreeMapObject(map);
        if (gif)
            ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
        if (!ok) {
            state.SkipWithError("giflib could not write the file");
            break;
        }
    }
}

std::string CacheFile()
{
    std::string path = bench::ScratchDir() + "/source.mpc";
    if (access(path.c_str(), F_OK) != 0) {
        std::string cmd = "/usr/bin/convert '" + SourceFile() + "' '" + path + "'";
        if (std::system(cmd.c_str()) != 0)
            return "";
    }
    return path;
}

// Processor time of every finished child process so far.
double ChildSeconds()
{
    rusage use{};
    getrusage(RUSAGE_CHILDREN, &use);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

void Magick(benchmark::State& state, std::string args)
{
    if (access("/usr/bin/convert", X_OK) != 0 || CacheFile().empty()) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    std::string cmd = "cd '" + bench::ScratchDir() + "' && MAGICK_THREAD_LIMIT=1 /usr/bin/convert " + args + " >/dev/null 2>&1";
    for (auto _ : state) {
        const double before = ChildSeconds();
        int rc = std::system(cmd.c_str());
        const double used = ChildSeconds() - before;
        if (rc != 0) {
            state.SkipWithError(("convert failed: " + args).c_str());
            break;
        }
        state.SetIterationTime(used);
    }
}

// Collects each benchmark's time per iteration, then prints the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0) {
                // ImageMagick's processor time is its manual time.
                const bool child = r.benchmark_name().rfind("magick/", 0) == 0;
                seconds_[r.benchmark_name()] =
                    (child ? r.real_accumulated_time : r.cpu_accumulated_time) / double(r.iterations);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double startup = Find("magick/startup");
        std::printf("\nengine time / other time (ImageMagick less %.0f ms start-up):\n", startup * 1e3);
        for (const char* task : {"read_gif", "write_gif"}) {
            const double engine = Find(std::string("engine/") + task);
            const double giflib = Find(std::string("giflib/") + task);
            const double magick = Find(std::string("magick/") + task) - startup;
            std::printf("  %-10s giflib %s  ImageMagick %s\n", task, Ratio(engine, giflib).c_str(),
                        Ratio(engine, magick).c_str());
        }
    }

private:
    static std::string Ratio(double engine, double other)
    {
        if (engine <= 0 || other <= 0)
            return "n/a ";
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", engine / other);
        return text;
    }
    double Find(const std::string& prefix) const
    {
        for (const auto& [name, s] : seconds_)
            if (name.rfind(prefix, 0) == 0)
                return s;
        return 0;
    }
    std::map<std::string, double> seconds_;
};

void Register()
{
    auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("engine/read_gif", EngineRead)->Unit(ms);
    benchmark::RegisterBenchmark("giflib/read_gif", GiflibRead)->Unit(ms);
    benchmark::RegisterBenchmark("engine/write_gif", EngineWrite)->Unit(ms);
    benchmark::RegisterBenchmark("giflib/write_gif", GiflibWrite)->Unit(ms);
    benchmark::RegisterBenchmark("magick/read_gif", Magick, std::string("source.gif null:"))
        ->UseManualTime()->Unit(ms)->Iterations(3);
    benchmark::RegisterBenchmark("magick/write_gif", Magick, std::string("source.mpc written_magick.gif"))
        ->UseManualTime()->Unit(ms)->Iterations(3);
    benchmark::RegisterBenchmark("magick/startup", Magick, std::string("source.mpc null:"))
        ->UseManualTime()->Unit(ms)->Iterations(3);
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::string cleanup = "rm -rf '" + bench::ScratchDir() + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
