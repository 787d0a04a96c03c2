// Any bytes as a named bitmap resource: registered only when whole, loaded into
// a bitmap, then drawn see-through at a place and with a brush the first bytes pick.
#include "Bitmap.h"
#include "Resource.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // x, y (signed), brush flag, transparent colour (r, g, b), then the packed DIB.
    constexpr size_t kLead = 6;
    if (size < kLead)
        return 0;
    const int x = int8_t(data[0]), y = int8_t(data[1]);
    const BOOL useBrush = data[2] & 1;
    const COLORREF transparent = RGB(data[3], data[4], data[5]);
    if (!RegisterBitmapResource("fuzz", data + kLead, size - kLead))
        return 0;
    HBITMAP picture = LoadBitmapResource("fuzz");
    if (!picture)
        return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateCompatibleBitmap(GetDC(nullptr), 24, 16);
    HBITMAP old = SelectObject(dc, canvas);
    HBRUSH brush = (data[2] & 2) ? GetStockBrush(HOLLOW_BRUSH) : CreateSolidBrush(RGB(192, 192, 192));
    CDIBBitmap::GTransparentPaint(dc, x, y, picture, transparent, useBrush, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(canvas);
    DeleteObject(picture);
    return 0;
}
