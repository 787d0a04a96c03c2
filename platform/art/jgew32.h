// The ART compressor: a picture handed over row by row is compressed into one
// ART stream (the container is described in README.md), and the decoder turns a
// stream back into a packed device-independent bitmap.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef struct JgEEncoder* JGE_HANDLE;

// The picture handed to JgEInit. Pictures of 1, 4 or 8 bits per pixel carry a
// 1024-byte table of 256 entries (blue, green, red, 0); 24-bit pictures none.
struct JGE_IMAGE {
    uint16_t height;
    uint16_t width;
    uint16_t bitsPerPixel;
    uint16_t unused;
    const uint8_t* palette;
};

enum JGE_RESULT {
    JGE_OK = 0,
    JGE_ERR_ARGUMENT = 1,   // a null pointer, a size of 0, a depth not in 1, 4, 8, 24
    JGE_ERR_MEMORY = 2,
    JGE_ERR_SETTING = 3,    // a setting text that is unknown or out of range
    JGE_ERR_ROW = 4,        // a row number outside the picture
    JGE_ERR_STATE = 5,      // rows missing, or the stream asked for before compressing
    JGE_ERR_LENGTH = 6,     // the caller's block is too short
    JGE_ERR_CODEC = 7,      // the JPEG coder failed
    JGE_ERR_FORMAT = 8,     // a stream that is not a valid ART stream
};

int JgEInit(JGE_HANDLE* handle, const JGE_IMAGE* image);
// "EncodeType=0" (baseline JPEG for 24-bit pictures), "EncodeType=1" (lossless),
// "FinalQuality=1".."FinalQuality=10" (JPEG quality ten times that), "Preview=FAST"
// or "Preview=NONE". Names and values are matched without regard to case.
int JgESet(JGE_HANDLE handle, const char* setting);
// Takes `rowCount` rows for the picture's rows rowNumber, rowNumber + 1, ...,
// counted from the top. With a positive stride the first row starts at `rows`
// and each next one a stride further; with a negative stride `rows` is the end
// of the first row (the layout of a bottom-up bitmap walked from its end) and
// each next row lies a stride before. Each row holds the picture's padded row.
int JgEInputImage(JGE_HANDLE handle, const uint8_t* rows, int16_t stride, int16_t rowNumber, int16_t rowCount);
// Compresses once every row is in; the stream's length goes to *length.
int JgEDoCompress(JGE_HANDLE handle, int32_t* length);
// Copies the stream into the caller's block of `length` bytes.
int JgEGetARTStream(JGE_HANDLE handle, void* block, int32_t length);
int JgEFreeHandle(JGE_HANDLE handle);

// Decodes an ART stream into a packed bitmap (BITMAPINFOHEADER, colour table,
// bottom-up rows) allocated with malloc; the caller frees it with JgDFree.
int JgDDecode(const void* stream, size_t length, uint8_t** dib, size_t* dibLength);
void JgDFree(void* block);

const char* JgEErrorText(int result);

}
