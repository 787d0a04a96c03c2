// Helpers for the engine's tests: hand-built pictures and memory round trips.
#pragma once

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

}   // namespace vtest
