// Palettes, device-dependent bitmaps, display and print entry points (drawn by
// draw.cpp), and the clipboard-to-file call.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "draw.h"
#include "engine.h"
#include "gdi/clipboard.h"
#include "types/SafeFile.h"

using namespace vantor;

namespace {

HPALETTE BuildPalette(Record& record)
{
    const BITMAPINFOHEADER& h = record.Header();
    const int n = h.biBitCount == 1 ? 2 : h.biBitCount == 4 ? 16 : 256;
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * n);
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = WORD(n);
    const auto* table = reinterpret_cast<const RGBQUAD*>(GlobalBytes(record.store).data() + sizeof h);
    for (int i = 0; i < n; ++i) {
        if (h.biBitCount == 24)
            lp->palPalEntry[i] = PALETTEENTRY{BYTE(((i >> 5) & 7) * 255 / 7), BYTE(((i >> 2) & 7) * 255 / 7),
                                              BYTE((i & 3) * 255 / 3), 0};
        else
            lp->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    }
    return CreatePalette(lp);
}

int SelectNewPalette(Record& record, HDC dc, HPALETTE* previous, BOOL background)
{
    HPALETTE palette = BuildPalette(record);
    if (!palette)
        return IMG_ERR_MEMORY;
    HPALETTE before = SelectPalette(dc, palette, background);
    RealizePalette(dc);
    if (record.palette && record.palette != palette) {
        if (before == record.palette)
            before = nullptr;
        DeleteObject(record.palette);
    }
    record.palette = palette;
    if (previous)
        *previous = before;
    return IMG_OK;
}

bool Put(FILE* f, const void* data, size_t n)
{
    return std::fwrite(data, 1, n, f) == n;
}

bool PutFileHeader(FILE* f, uint32_t table, uint32_t image)
{
    BITMAPFILEHEADER fh{BMP_SIGNATURE, image + table + 54, 0, 0, table + 54};
    return Put(f, &fh, sizeof fh);
}

// Writes a BMP file that replaces `path` only once complete; `write` returns
// the engine's code. A file that cannot be created gives -1.
int WriteBmpFile(const char* path, const std::function<int(FILE*)>& write)
{
    int result = IMG_ERR_MEMORY;
    const bool done = velmora::WriteStreamAtomically(path, [&](FILE* f) {
        result = write(f);
        return result >= 0;
    });
    return done || result < 0 ? result : IMG_ERR_WRITE;
}

int SaveClipboardDib(const char* path, HGLOBAL data)
{
    size_t size = GlobalSize(data);
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(data));
    BITMAPINFOHEADER h;
    if (!bytes || size < sizeof h) {
        GlobalUnlock(data);
        return IMG_ERR_DEVICE;
    }
    std::memcpy(&h, bytes, sizeof h);
    uint32_t entries = ColourEntries(h.biBitCount);
    // The rows follow the DIB's own table: colours-used entries when it says so.
    uint64_t listed = h.biClrUsed ? h.biClrUsed : entries;
    uint64_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    uint64_t rowsAt = uint64_t(h.biSize) + 4ull * listed;
    if (h.biSize < sizeof h || !DepthHeld(h.biBitCount) || h.biWidth <= 0 || h.biHeight <= 0 ||
        h.biCompression != BI_RGB || rowsAt + stride * uint64_t(h.biHeight) > size) {
        GlobalUnlock(data);
        return IMG_ERR_DEVICE;
    }
    const uint32_t tableAt = h.biSize;
    h.biSize = sizeof h;
    h.biSizeImage = uint32_t(stride * uint64_t(h.biHeight));
    // The file always holds the whole table, and says so.
    h.biClrUsed = entries;
    h.biClrImportant = 0;
    std::vector<RGBQUAD> table(entries, RGBQUAD{0, 0, 0, 0});
    if (entries)
        std::memcpy(table.data(), bytes + tableAt, 4 * std::min<uint64_t>(listed, entries));
    const int result = WriteBmpFile(path, [&](FILE* out) {
        const bool ok = PutFileHeader(out, 4 * entries, h.biSizeImage) && Put(out, &h, sizeof h) &&
                        (entries == 0 || Put(out, table.data(), 4 * entries)) &&
                        Put(out, bytes + rowsAt, size_t(stride * uint64_t(h.biHeight)));
        return ok ? IMG_OK : IMG_ERR_WRITE;
    });
    GlobalUnlock(data);
    return result;
}

// The rows of a device bitmap, bottom first, in the header's format.
int PutDeviceRows(FILE* out, HDC screen, HBITMAP bitmap, BITMAPINFO* info)
{
    BITMAPINFOHEADER& h = info->bmiHeader;
    const uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    std::vector<uint8_t> row(stride);
    for (LONG r = 0; r < h.biHeight; ++r) {
        BITMAPINFOHEADER keep = h;
        if (GetDIBits(screen, bitmap, UINT(r), 1, row.data(), info, DIB_RGB_COLORS) != 1)
            return IMG_ERR_DEVICE;
        h = keep;
        if (!Put(out, row.data(), stride))
            return IMG_ERR_WRITE;
    }
    return IMG_OK;
}

int SaveClipboardBitmap(const char* path, HBITMAP bitmap)
{
    BITMAP bm;
    if (!GetObject(bitmap, sizeof bm, &bm))
        return IMG_ERR_DEVICE;
    int depth = bm.bmPlanes * bm.bmBitsPixel;
    if (depth > 8)
        depth = 24;
    alignas(4) uint8_t block[kHeaderBlock] = {};
    auto* info = reinterpret_cast<BITMAPINFO*>(block);
    BITMAPINFOHEADER& h = info->bmiHeader;
    h = BITMAPINFOHEADER{sizeof h, bm.bmWidth, bm.bmHeight, 1, WORD(depth), BI_RGB, 0, 0, 0, 0, 0};
    uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    h.biSizeImage = stride * uint32_t(h.biHeight);
    uint32_t entries = ColourEntries(depth);
    HDC screen = GetDC(GetActiveWindow());
    std::vector<PALETTEENTRY> system(entries);
    GetSystemPaletteEntries(screen, 0, entries, system.data());
    for (uint32_t i = 0; i < entries; ++i)
        info->bmiColors[i] = RGBQUAD{system[i].peBlue, system[i].peGreen, system[i].peRed, 0};
    const int result = WriteBmpFile(path, [&](FILE* out) {
        if (!PutFileHeader(out, 4 * entries, h.biSizeImage) || !Put(out, block, sizeof h + 4 * entries))
            return int(IMG_ERR_WRITE);
        return PutDeviceRows(out, screen, bitmap, info);
    });
    ReleaseDC(GetActiveWindow(), screen);
    return result;
}

}   // namespace

extern "C" {

HPALETTE IMG_get_palette(IMG_HANDLE handle)
{
    Record* record = Lookup(handle);
    return record ? record->palette : nullptr;
}

int32_t IMG_bitmap_palette(IMG_HANDLE handle, HDC dc)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return IMG_ERR_HANDLE;
    return SelectNewPalette(*record, dc, nullptr, FALSE);
}

int32_t IMG_realize_palette(IMG_HANDLE handle, HDC dc, HPALETTE* previous, BOOL background)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return IMG_ERR_HANDLE;
    return SelectNewPalette(*record, dc, previous, previous ? background : FALSE);
}

int32_t IMG_display_bitmap(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width, int16_t height)
{
    return DrawPicture(handle, dc, x, y, width, height, DrawPath::Display);
}

int32_t IMG_print_bitmap(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width, int16_t height)
{
    return DrawPicture(handle, dc, x, y, width, height, DrawPath::Print);
}

int32_t IMG_print_bitmap_fast(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width,
                              int16_t height)
{
    return DrawPicture(handle, dc, x, y, width, height, DrawPath::PrintFast);
}

int32_t IMG_dib_to_ddb(HBITMAP* out, IMG_HANDLE handle, int16_t width, int16_t height)
{
    Record* record = Lookup(handle);
    if (!record || !record->store || !out)
        return IMG_ERR_HANDLE;
    HDC screen = GetDC(GetActiveWindow());
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = bitmap ? CreateCompatibleDC(screen) : nullptr;
    ReleaseDC(GetActiveWindow(), screen);
    if (!memory) {
        if (bitmap)
            DeleteObject(bitmap);
        return IMG_ERR_HANDLE;
    }
    SelectObject(memory, bitmap);
    HPALETTE previous = nullptr;
    int result = SelectNewPalette(*record, memory, &previous, FALSE);
    if (result == IMG_OK)
        result = DrawPicture(handle, memory, 0, 0, width, height, DrawPath::Display);
    SelectPalette(memory, previous, FALSE);
    SelectObject(memory, nullptr);
    DeleteDC(memory);
    if (result < 0) {
        DeleteObject(bitmap);
        return IMG_ERR_HANDLE;
    }
    *out = bitmap;
    return IMG_OK;
}

int32_t IMG_display_ddb(HBITMAP bitmap, HDC dc, int16_t x, int16_t y)
{
    BITMAP bm;
    if (!GetObject(bitmap, sizeof bm, &bm))
        return IMG_ERR_DEVICE;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP before = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, before);
    DeleteDC(memory);
    return IMG_OK;
}

int32_t IMG_create_handle_ddb(IMG_HANDLE* out, HBITMAP bitmap, HPALETTE palette)
{
    if (!out)
        return IMG_ERR_HANDLE;
    BITMAP bm;
    if (!GetObject(bitmap, sizeof bm, &bm))
        return IMG_ERR_DEVICE;
    int depth = bm.bmPlanes * bm.bmBitsPixel;
    if (depth > 8)
        depth = 24;   // the engine holds no 16- or 32-bit pictures
    HDC screen = GetDC(GetActiveWindow());
    HPALETTE before = nullptr;
    if (palette) {
        before = SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }
    alignas(4) uint8_t block[kHeaderBlock] = {};
    auto* info = reinterpret_cast<BITMAPINFO*>(block);
    BITMAPINFOHEADER& h = info->bmiHeader;
    h = BITMAPINFOHEADER{sizeof h, bm.bmWidth, bm.bmHeight, 1, WORD(depth), BI_RGB, 0, 0, 0, 0, 0};
    h.biSizeImage = DibRowBytes(h.biWidth, h.biBitCount) * uint32_t(h.biHeight);
    int result = IMG_OK;
    auto record = std::make_unique<Record>();
    if (GetDIBits(screen, bitmap, 0, UINT(bm.bmHeight), nullptr, info, DIB_RGB_COLORS) == 0)
        result = IMG_ERR_DEVICE;
    if (result == IMG_OK)
        result = FrameHeader(info, record.get());
    if (result == IMG_OK &&
        GetDIBits(screen, bitmap, 0, UINT(bm.bmHeight), record->Rows(),
                  reinterpret_cast<BITMAPINFO*>(GlobalBytes(record->store).data()), DIB_RGB_COLORS) == 0)
        result = IMG_ERR_DEVICE;
    if (palette)
        SelectPalette(screen, before, FALSE);
    ReleaseDC(GetActiveWindow(), screen);
    if (result < 0) {
        if (record->store)
            GlobalFree(record->store);
        return result;
    }
    *out = AllocateHandle(record.release());
    return IMG_OK;
}

int32_t IMG_save_clipboard(const char* path, HWND owner)
{
    if (!OpenClipboard(owner))
        return IMG_ERR_DEVICE;
    int result = IMG_ERR_DEVICE;
    if (!path || !*path)
        result = IMG_ERR_MEMORY;
    else if (IsClipboardFormatAvailable(CF_DIB))
        result = SaveClipboardDib(path, static_cast<HGLOBAL>(GetClipboardData(CF_DIB)));
    else if (IsClipboardFormatAvailable(CF_BITMAP))
        result = SaveClipboardBitmap(path, static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)));
    CloseClipboard();
    return result;
}

}   // extern "C"
