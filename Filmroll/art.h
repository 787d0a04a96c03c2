// The ART compressor glue: a BMP file on disk becomes an ART stream.
#pragma once

#include <cstdint>
#include <vector>

// The file without its 14-byte file header: info header, colour table,
// pixels. FALSE when the file is shorter than 14 bytes, does not begin with
// "BM" or cannot be read whole.
bool ReadBMP(const char* path, std::vector<uint8_t>& packed);

// Settings choices: 1 the film roll's and the still program's fast settings
// ("EncodeType=0", "FinalQuality=8", "Preview=FAST"), 0 the finer ones
// ("EncodeType=1", "FinalQuality=10").
bool Compress(const char* bmpPath, std::vector<uint8_t>& stream, int settingsChoice);

// Compresses `bmpPath` and writes the stream as `outPath` through the one
// atomic writer: an earlier file there stays until the new one is complete.
bool WriteArtFile(const char* bmpPath, const char* outPath, int settingsChoice);
