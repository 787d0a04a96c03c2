// Helpers for the engine's tests: hand-built pictures, memory round trips, and
// the files and programs of the interchange tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vantor32.h"

namespace vtest {

// Packed DIB; value(x, y) with y counted from the top gives the colour index, or
// 0xRRGGBB for 24 bits. The table is a ramp unless one is given.
std::vector<uint8_t> MakeDib(int width, int height, int bits,
                             const std::function<uint32_t(int, int)>& value,
                             const std::vector<RGBQUAD>& table = {});
IMG_HANDLE FromDib(const std::vector<uint8_t>& dib);
std::vector<uint8_t> SaveMem(IMG_HANDLE handle, int type, int* result = nullptr);
IMG_HANDLE LoadMem(const std::vector<uint8_t>& bytes, int* result = nullptr, int16_t page = 0);
// Loads the bytes in a forked child, so that a picture which asks for too much
// memory cannot harm the test: the load's result and how far the child's peak
// resident memory rose above what it held before the load, in megabytes.
struct ChildLoad {
    int result = 0;
    long peakRiseMb = 0;
};
ChildLoad LoadInChild(const std::vector<uint8_t>& bytes);
// The picture in the file, 0 when it does not load.
IMG_HANDLE LoadFile(const std::string& path);
// Saves a packed DIB to a file; the engine's result.
int SaveDib(const std::vector<uint8_t>& dib, const std::string& path, int type);

struct Info {
    int width = 0, height = 0, bits = 0;
};
Info InfoOf(IMG_HANDLE handle);
// Colour index (1, 4, 8 bits) or 0xRRGGBB (24 bits) at (x, y), y from the top.
uint32_t RawAt(IMG_HANDLE handle, int x, int y);
// 0xRRGGBB at (x, y), y from the top.
uint32_t ColourAt(IMG_HANDLE handle, int x, int y);
// Pixel-exact colour comparison; returns "" when equal, else where they differ.
std::string CompareColours(IMG_HANDLE a, IMG_HANDLE b);

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string TempPath(const std::string& name);

// A test that makes files: Temp() names one, clearing what an earlier run left
// there, and every file named is removed when the test ends.
class FileTest : public ::testing::Test {
protected:
    explicit FileTest(std::string prefix = "") : prefix_(std::move(prefix)) {}
    ~FileTest() override;
    std::string Temp(const std::string& name);

private:
    std::string prefix_;
    std::vector<std::string> made_;
};

bool HaveProgram(const std::string& path);
// ImageMagick's convert, "" when it is not installed.
std::string ConvertProgram();
// `path` in single quotes for the shell.
std::string Quoted(const std::string& path);
// Runs `command` in the shell, true when it exits 0. Its standard error is
// dropped, or kept in `errors`; its standard output is left as the command has it.
bool Shell(const std::string& command, std::string* errors = nullptr);
// What `command` writes to its standard output.
std::string Output(const std::string& command);
// ImageMagick's decoding of `path`, as a 24-bit handle: `convert readOptions
// path options`, written to the BMP `reference` and loaded; 0 when that fails.
IMG_HANDLE MagickDecode(const std::string& path, const std::string& reference, const std::string& options,
                        const std::string& readOptions = "");

// Debian's Python with Pillow (python3-pil), "" when either is missing.
std::string PillowPython();
// FFmpeg's command-line program, "" when it is not installed.
std::string FfmpegProgram();
// Pillow's and FFmpeg's decodings of `path` as 24-bit handles, written through
// the BMP `reference`; 0 when that fails. `errors` gets what FFmpeg warned.
IMG_HANDLE PillowDecode(const std::string& path, const std::string& reference);
IMG_HANDLE FfmpegDecode(const std::string& path, const std::string& reference, std::string* errors = nullptr);

}   // namespace vtest
