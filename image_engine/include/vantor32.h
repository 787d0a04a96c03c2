// vantor32: the image engine's flat interface. Pictures live in the engine as
// packed bottom-up DIBs of 1, 4, 8 or 24 bits per pixel and are named by bitmap
// handles (1, 2, ...). Every call returns 0 or a positive value on success and a
// negative IMG_ERR_* code on failure.
//
// Files are POSIX file descriptors; the descriptor value IMG_MEMORY_FILE stands
// for the engine's memory stream. Prefer the *_len memory calls: the length-less
// ones trust the caller that the buffer holds (or has room for) the whole picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdi/gdi.h"
#include "types/wintypes.h"

typedef uint32_t IMG_HANDLE;

enum {
    IMG_OK = 0,
    IMG_ERR_MEMORY = -1,
    IMG_ERR_OPEN = -2,
    IMG_ERR_CONTENT = -3,
    IMG_ERR_DEVICE = -5,
    IMG_ERR_UNSUPPORTED = -6,
    IMG_ERR_HANDLE = -7,
    IMG_ERR_CREATE = -8,
    IMG_ERR_TIFF_PAGE = -9,
    IMG_ERR_WRITE = -10,
};

enum {
    IMG_TYPE_TIFF = 0,
    IMG_TYPE_BMP = 1,
    IMG_TYPE_PCX = 2,
    IMG_TYPE_TARGA = 3,
    IMG_TYPE_GIF = 4,
    IMG_TYPE_WPG = 5,
    IMG_TYPE_WMF = 6,
    IMG_TYPE_TIFF_HUFFMAN = 7,
    IMG_TYPE_TIFF_G3 = 8,
    IMG_TYPE_TIFF_LZW = 9,
    IMG_TYPE_TIFF_G4 = 10,
    IMG_TYPE_DCX = 11,
    IMG_TYPE_BMP_RLE = 12,
    IMG_TYPE_JPEG = 13,
    IMG_TYPE_EPS = 14,
    IMG_TYPE_PICT = 15,
    IMG_TYPE_BY_EXTENSION = 65535,
};

constexpr int IMG_MEMORY_FILE = 32767;

#define VANTOR_API __attribute__((visibility("default")))

extern "C" {

// Called once before any row with the picture's 40-byte header and full colour
// table. A negative result aborts the load with that result.
typedef int16_t (*IMG_HEADER_CB)(BITMAPINFO* header, void* user);
// Called for every decoded row; line 0 is the top row, bytes the DIB stride.
// A negative result aborts the load with that result.
typedef int16_t (*IMG_LINE_CB)(const uint8_t* row, void* user, int16_t line, int16_t bytes);
// Called by a writer to fetch row `row` (0 = bottom row) into dest.
typedef int16_t (*IMG_ROW_CB)(void* user, uint8_t* dest, int16_t row, int16_t bytes);

// Loading into a new handle
VANTOR_API int32_t IMG_decompress_bitmap(IMG_HANDLE* out, const char* path);
VANTOR_API int32_t IMG_decompress_bitmap_fd(IMG_HANDLE* out, int file, int32_t offset, int16_t page);
VANTOR_API int32_t IMG_decompress_bitmap_mem(IMG_HANDLE* out, void* buffer, int16_t page);
VANTOR_API int32_t IMG_decompress_bitmap_mem_len(IMG_HANDLE* out, const void* buffer, uint32_t length,
                                      int16_t page);
VANTOR_API int32_t IMG_create_handle(IMG_HANDLE* out, const BITMAPINFO* dib);
VANTOR_API int32_t IMG_create_handle_ddb(IMG_HANDLE* out, HBITMAP bitmap, HPALETTE palette);

// Streaming with the caller's callbacks
VANTOR_API int32_t IMGLOW_decompress_bitmap(IMG_HANDLE* out, int file, int32_t offset, int16_t page,
                                 IMG_LINE_CB line, void* user, IMG_HEADER_CB header);
VANTOR_API int32_t IMGLOW_decompress_bitmap_mem(IMG_HANDLE* out, void* buffer, int16_t page, IMG_LINE_CB line,
                                     void* user, IMG_HEADER_CB header);
VANTOR_API int32_t IMGLOW_decompress_bitmap_mem_len(IMG_HANDLE* out, const void* buffer, uint32_t length,
                                         int16_t page, IMG_LINE_CB line, void* user,
                                         IMG_HEADER_CB header);
VANTOR_API int32_t IMGLOW_save_bitmap(int file, BITMAPINFO* header, uint16_t type, IMG_ROW_CB row, void* user);
VANTOR_API int32_t IMGLOW_save_bitmap_mem(void* buffer, BITMAPINFO* header, int16_t type, IMG_ROW_CB row,
                               void* user);
// Writes at most `capacity` bytes (-10 beyond); *written gets the encoded length.
VANTOR_API int32_t IMGLOW_save_bitmap_mem_len(void* buffer, uint32_t capacity, BITMAPINFO* header, int16_t type,
                                   IMG_ROW_CB row, void* user, uint32_t* written);
VANTOR_API int32_t IMGLOW_get_filetype(const char* path);
VANTOR_API int32_t IMGLOW_get_bitmap_header(IMG_HANDLE handle, void* dest);
VANTOR_API int32_t IMGLOW_get_bitmap_name(char* text, char* date);
VANTOR_API int32_t IMGLOW_set_bitmap_name(const char* text, const char* date);
VANTOR_API int32_t IMGLOW_set_comp_quality(uint16_t quality);
VANTOR_API int32_t save_jpg_file(int file, BITMAPINFO* header, IMG_ROW_CB row, void* user);

// Saving a handle (only its crop rectangle is written)
VANTOR_API int32_t IMG_save_bitmap(IMG_HANDLE handle, const char* path, uint16_t type);
VANTOR_API int32_t IMG_save_bitmap_fd(IMG_HANDLE handle, int file, uint16_t type);
VANTOR_API int32_t IMG_save_bitmap_mem(IMG_HANDLE handle, void* buffer, int16_t type);
VANTOR_API int32_t IMG_save_bitmap_mem_len(IMG_HANDLE handle, void* buffer, uint32_t capacity, int16_t type,
                                uint32_t* written);
VANTOR_API int32_t IMG_save_clipboard(const char* path, HWND owner);

// Information and state
VANTOR_API int32_t IMG_bitmap_info(HGLOBAL* dib, IMG_HANDLE handle, uint16_t* width, uint16_t* height,
                        uint16_t* bits);
VANTOR_API int32_t IMG_get_croprect(IMG_HANDLE handle, uint16_t* left, uint16_t* top, uint16_t* width,
                         uint16_t* height);
VANTOR_API int32_t IMG_set_croprect(IMG_HANDLE handle, uint16_t left, uint16_t top, uint16_t width,
                         uint16_t height);
VANTOR_API int32_t IMG_delete_bitmap(IMG_HANDLE handle);

// Palettes, device bitmaps, display and print
VANTOR_API HPALETTE IMG_get_palette(IMG_HANDLE handle);
VANTOR_API int32_t IMG_bitmap_palette(IMG_HANDLE handle, HDC dc);
VANTOR_API int32_t IMG_realize_palette(IMG_HANDLE handle, HDC dc, HPALETTE* previous, BOOL background);
VANTOR_API int32_t IMG_dib_to_ddb(HBITMAP* out, IMG_HANDLE handle, int16_t width, int16_t height);
VANTOR_API int32_t IMG_display_ddb(HBITMAP bitmap, HDC dc, int16_t x, int16_t y);
VANTOR_API int32_t IMG_display_bitmap(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width,
                           int16_t height);
VANTOR_API int32_t IMG_print_bitmap(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width,
                         int16_t height);
VANTOR_API int32_t IMG_print_bitmap_fast(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width,
                              int16_t height);

// Colour depth conversion
VANTOR_API int32_t IMG_color_gray(IMG_HANDLE handle);
VANTOR_API int32_t IMG_bayer_mono(IMG_HANDLE handle);
VANTOR_API int32_t IMG_halftone_mono(IMG_HANDLE handle);
VANTOR_API int32_t IMG_diffusion_mono(IMG_HANDLE handle);
VANTOR_API int32_t IMG_bayer_color(IMG_HANDLE handle);
VANTOR_API int32_t IMG_diffusion_color(IMG_HANDLE handle);
VANTOR_API int32_t IMG_popularity_color(IMG_HANDLE handle);
VANTOR_API int32_t IMG_mediancut_color(IMG_HANDLE handle);

// Geometry and tone
VANTOR_API int32_t IMG_flip_bitmapx(IMG_HANDLE handle);
VANTOR_API int32_t IMG_flip_bitmapy(IMG_HANDLE handle);
VANTOR_API int32_t IMG_rotate_bitmap(IMG_HANDLE handle, uint16_t angle);
VANTOR_API int32_t IMG_resize_bitmap(IMG_HANDLE handle, uint16_t width, int16_t height);
VANTOR_API int32_t IMG_invert_bitmap(IMG_HANDLE handle);
VANTOR_API int32_t IMG_set_lut(IMG_HANDLE handle, int32_t contrast, int32_t brightness);
VANTOR_API int32_t IMG_sharpen_bitmap(IMG_HANDLE handle, int16_t strength);

// The engine's error code in words ("unknown error" for anything else).
VANTOR_API const char* IMG_error_text(int32_t code);

// The most memory one picture may take while it loads: its pixel store and the
// reader's buffers (1 GiB to begin with). A load beyond it fails with
// IMG_ERR_MEMORY before anything is allocated. 0 restores the first limit.
// Returns the limit in force before the call.
VANTOR_API uint64_t IMG_set_memory_limit(uint64_t bytes);

}   // extern "C"
