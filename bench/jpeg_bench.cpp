// JPEG decode and encode of a 12-megapixel picture, the engine against
// libjpeg-turbo doing the same work on one core: decoding a file into a
// bottom-up BGR picture (chroma repeated, not interpolated, as the engine does;
// the interpolating default is timed too, for information), and encoding one
// with the same tables (the standard's example tables, which are libjpeg's
// quality 50) and the same two-by-one sampling. The same two jobs again as
// whole processes, each side's command-line tool between a BMP file and a JPEG
// file, run alternately, each printing its own ratio. Prints engine / libjpeg
// ratios of CPU time, which other work on a shared machine disturbs less than
// wall time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <unistd.h>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench_util.h"
#include "vantor32.h"

namespace {

using bench::kHeight;
using bench::kWidth;

// Bottom-up BGR rows of a photograph-like picture: smooth shading with noise.
const std::vector<uint8_t>& Pixels()
{
    static std::vector<uint8_t> rows = [] {
        const size_t stride = size_t(kWidth) * 3;
        std::vector<uint8_t> p(stride * kHeight);
        uint32_t seed = 12345;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245 + 12345;
                const int noise = int((seed >> 16) & 15);
                uint8_t* px = p.data() + size_t(y) * stride + 3 * size_t(x);
                px[0] = uint8_t(x / 20 + noise);
                px[1] = uint8_t((x + y) / 30 + noise);
                px[2] = uint8_t(y / 15 + noise);
            }
        return p;
    }();
    return rows;
}

// The rows as a DIB; a row of 24-bit pixels at this width needs no padding.
std::vector<uint8_t> Dib()
{
    std::vector<uint8_t> dib = bench::NewDib(24);
    std::memcpy(dib.data() + 40, Pixels().data(), Pixels().size());
    return dib;
}

bool LibEncode(const std::string& path, int quality, int lumaH, int lumaV)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.comp_info[0].h_samp_factor = lumaH;
    c.comp_info[0].v_samp_factor = lumaV;
    c.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&c, TRUE);
    const size_t stride = size_t(kWidth) * 3;
    while (c.next_scanline < c.image_height) {
        // Bottom-up rows: the top line is the last one.
        JSAMPROW row = const_cast<uint8_t*>(Pixels().data()) + (kHeight - 1 - c.next_scanline) * stride;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return true;
}

// A camera-like file (quality 75, chroma halved both ways) made by libjpeg.
const std::string& CameraFile()
{
    static std::string path = [] {
        std::string p = bench::ScratchDir() + "/camera.jpg";
        return LibEncode(p, 75, 2, 2) ? p : std::string();
    }();
    return path;
}

// The file the engine writes.
const std::string& EngineFile()
{
    static std::string path = bench::SaveOnce("engine.jpg", IMG_TYPE_JPEG, Dib);
    return path;
}

// The picture as a BMP file, the input of both tools' encodes.
const std::string& PictureFile()
{
    static std::string path = bench::SaveOnce("picture.bmp", IMG_TYPE_BMP, Dib);
    return path;
}

bool HaveTool(const char* path)
{
    return access(path, X_OK) == 0;
}

// The whole-process rows: each side's tool encoding the BMP file, and decoding
// the camera-like file into a BMP file, run alternately; each row prints the
// engine's processor time over the peer's.
void RegisterProcesses()
{
    const std::string engine = VANTOR_TOOL;
    auto ready = [](const std::string& (*file)()) {
        return [file] { return HaveTool(VANTOR_TOOL) && HaveTool("/usr/bin/cjpeg") && !file().empty(); };
    };
    bench::RegisterPairedCommands("process_encode", engine + " convert picture.bmp process_engine.jpg",
                                  "/usr/bin/cjpeg -quality 50 -sample 2x1 -outfile process_lib.jpg picture.bmp",
                                  ready(PictureFile));
    bench::RegisterPairedCommands("process_decode", engine + " convert camera.jpg process_engine.bmp",
                                  "/usr/bin/djpeg -dct int -nosmooth -bmp -outfile process_lib.bmp camera.jpg",
                                  ready(CameraFile));
}

void EngineDecode(benchmark::State& state, const std::string& (*file)())
{
    bench::TimeLoads(state, file());
}

void LibDecode(benchmark::State& state, const std::string& (*file)(), bool fancy)
{
    const std::string& path = file();
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            state.SkipWithError("no file");
            break;
        }
        jpeg_decompress_struct d;
        jpeg_error_mgr err;
        d.err = jpeg_std_error(&err);
        jpeg_create_decompress(&d);
        jpeg_stdio_src(&d, f);
        jpeg_read_header(&d, TRUE);
        d.out_color_space = JCS_EXT_BGR;
        d.do_fancy_upsampling = fancy;
        d.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&d);
        const size_t stride = (size_t(d.output_width) * 3 + 3) & ~size_t(3);
        std::vector<uint8_t> picture(stride * d.output_height);
        while (d.output_scanline < d.output_height) {
            JSAMPROW row = picture.data() + (d.output_height - 1 - d.output_scanline) * stride;
            jpeg_read_scanlines(&d, &row, 1);
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        std::fclose(f);
        benchmark::DoNotOptimize(picture.data());
    }
}

void EngineEncode(benchmark::State& state)
{
    IMG_HANDLE h = bench::HandleOf(Dib());
    bench::TimeSaves(state, h, bench::ScratchDir() + "/written_engine.jpg", IMG_TYPE_JPEG);
    IMG_delete_bitmap(h);
}

void LibEncodeBench(benchmark::State& state)
{
    const std::string path = bench::ScratchDir() + "/written_lib.jpg";
    for (auto _ : state)
        if (!LibEncode(path, 50, 2, 1)) {
            state.SkipWithError("encode failed");
            break;
        }
}

class Ratios : public bench::RatioReporter {
public:
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nengine CPU time / libjpeg-turbo CPU time:\n");
        for (const auto& [name, engine] : seconds_) {
            if (name.rfind("engine/", 0) != 0)
                continue;
            const std::string task = name.substr(7);
            auto lib = seconds_.find("libjpeg/" + task);
            bench::PrintRatio(task, 22, engine, lib == seconds_.end() ? 0 : lib->second);
        }
    }

protected:
    // With repetitions, the median of them; without, the one run.
    void Record(const Run& r) override
    {
        const bool aggregate = r.run_type == Run::RT_Aggregate;
        if (aggregate && r.aggregate_name != "median")
            return;
        const std::string task = Task(r.run_name.str());
        if (aggregate || !medians_.count(task))
            seconds_[task] = r.GetAdjustedCPUTime();
        if (aggregate)
            medians_.insert(task);
    }

private:
    static std::string Task(const std::string& name)
    {
        return name.substr(0, std::min(name.find("/min_time"), name.find("/iterations")));
    }
    std::set<std::string> medians_;
};

void Register()
{
    auto ms = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond)->MinTime(2.0); };
    ms(benchmark::RegisterBenchmark("engine/decode_camera_420", EngineDecode, CameraFile));
    ms(benchmark::RegisterBenchmark("libjpeg/decode_camera_420", LibDecode, CameraFile, false));
    ms(benchmark::RegisterBenchmark("libjpeg/interpolated_decode_camera_420", LibDecode, CameraFile, true));
    ms(benchmark::RegisterBenchmark("engine/decode_engine_file", EngineDecode, EngineFile));
    ms(benchmark::RegisterBenchmark("libjpeg/decode_engine_file", LibDecode, EngineFile, false));
    ms(benchmark::RegisterBenchmark("engine/encode", EngineEncode));
    ms(benchmark::RegisterBenchmark("libjpeg/encode", LibEncodeBench));
    RegisterProcesses();
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    return bench::Main<Ratios>(argc, argv);
}
