// Colour depth conversion and dithering of the image engine, and the engine's
// default colour tables.
//
// Every conversion takes a packed DIB as the engine holds it: a 40-byte
// BITMAPINFOHEADER, a full colour table of 2^bitcount RGBQUADs for 1, 4 and 8
// bits (none for 24), then bottom-up rows of DibRowBytes(width, bits) bytes;
// `size` is the length of that block. On success `out` receives a new packed DIB
// in the same layout (block sized for the height rounded up to a multiple of 4
// rows, the spare rows zero) and 0 is returned. On failure a negative engine code
// is returned (-1 memory, -3 invalid content or too short, -6 unsupported depth)
// and `out` is left untouched. Nothing outside [dib, dib + size) is read; `dib`
// may point into `out` itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "types/wintypes.h"

namespace vantor {

constexpr int kReduceOk = 0;
constexpr int kReduceNoMemory = -1;
constexpr int kReduceInvalid = -3;
constexpr int kReduceBadDepth = -6;

// 4, 8, 24 bits -> 8-bit grey, index = (38 R + 75 G + 14 B) >> 7, grey ramp table.
int ColorGray(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);      // IMG_color_gray
// 4, 8, 24 bits -> 1 bit, ordered dither with the Bayer table.
int BayerMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);      // IMG_bayer_mono
// 4, 8, 24 bits -> 1 bit, ordered dither with the clustered-dot table.
int HalftoneMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);   // IMG_halftone_mono
// 4, 8, 24 bits -> 1 bit, serpentine error diffusion (42nds filter).
int DiffusionMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);  // IMG_diffusion_mono
// 4, 8, 24 bits -> 4 bits, ordered dither into the 16-colour table.
int BayerColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);     // IMG_bayer_color
// 4, 8, 24 bits -> 4 bits, serpentine error diffusion (32nds filter) into the 16-colour table.
int DiffusionColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out); // IMG_diffusion_color
// 24 bits only -> 8 bits, palette of the 256 most frequent 12-bit colours.
int PopularityColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);// IMG_popularity_color
// 4, 8, 24 bits -> 8 bits, serpentine error diffusion into the 3-3-2 cube.
int MedianCutColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out); // IMG_mediancut_color

// The default colour tables, for readers of files that carry none.
enum class ColourTableKind {
    GreyRamp,      // "tiff": entry i = i * (256 / n), n = 2^bitcount
    Cube332,       // "targa": red 3 bits, green 3 bits, blue 2 bits of the index
    Sixteen,       // "pcx" and any other name: 0/128 in entries 0-7, 0/255 in 8-15
    SixteenLight,  // "dither": like Sixteen with 200 instead of 128
};

// "tiff", "targa", "pcx", "dither" compared without regard to case; any other
// name, or none, is the 16-colour table.
ColourTableKind ColourTableKindFromName(const char* name);

// Entries in the colour table of a picture of `bitCount` bits: 2, 16, 256, else 0.
int ColourTableEntries(int bitCount);

// Writes the ColourTableEntries(bitCount) entries of the kind's table. A 1-bit
// table is always black then white whatever the kind; 24 bits write nothing.
void FillDefaultColourTable(RGBQUAD* table, int bitCount, ColourTableKind kind);

// Fills the colour table that follows the 40-byte header at `dib` for the
// header's bit count. 0 on success, -3 when the block is too short for the
// header and table, -6 for a depth other than 1, 4, 8 or 24.
int FillDefaultColourTable(uint8_t* dib, size_t size, const char* kindName);

// The kind's table for 1, 4 or 8 bits (ColourTableEntries(bitCount) entries, held
// by the engine for the life of the program); nullptr for any other depth.
const RGBQUAD* DefaultColourTable(int bitCount, ColourTableKind kind = ColourTableKind::GreyRamp);

}  // namespace vantor
