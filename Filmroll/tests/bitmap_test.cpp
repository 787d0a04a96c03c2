#include "Bitmap.h"
#include "Dibapi.h"
#include "Imgbut.h"
#include "film_test_util.h"
#include "gdi/gdi.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ReadDIBFile, KeepsEverythingAfterTheFileHeader)
{
    ScratchDir dir;
    std::vector<char> bmp = MakeBmp(3, 2);
    WriteFile(dir / "a.bmp", bmp);
    HGLOBAL dib = ReadDIBFile((dir / "a.bmp").c_str());
    ASSERT_NE(dib, nullptr);
    EXPECT_GE(GlobalSize(dib), bmp.size() - 14);
    EXPECT_EQ(std::memcmp(GlobalLock(dib), bmp.data() + 14, bmp.size() - 14), 0);
    GlobalUnlock(dib);

    HGLOBAL copy = CopyHandle(dib);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(GlobalSize(copy), GlobalSize(dib));
    EXPECT_EQ(std::memcmp(GlobalLock(copy), GlobalLock(dib), GlobalSize(dib)), 0);
    GlobalFree(copy);
    GlobalFree(dib);
    EXPECT_EQ(CopyHandle(nullptr), nullptr);
}

TEST(ReadDIBFile, RefusesWhatIsNotAWholeBitmapFile)
{
    ScratchDir dir;
    std::vector<char> bmp = MakeBmp(3, 2);
    bmp[0] = 'X';
    WriteFile(dir / "magic.bmp", bmp);
    EXPECT_EQ(ReadDIBFile((dir / "magic.bmp").c_str()), nullptr);
    // Cut inside the info header.
    WriteFile(dir / "short.bmp", std::string(MakeBmp(3, 2).data(), 30));
    EXPECT_EQ(ReadDIBFile((dir / "short.bmp").c_str()), nullptr);
    // Cut inside the rows: a clipboard reader would run past the end.
    std::vector<char> rows = MakeBmp(3, 2);
    WriteFile(dir / "rows.bmp", std::string(rows.data(), rows.size() - 1));
    EXPECT_EQ(ReadDIBFile((dir / "rows.bmp").c_str()), nullptr);
    WriteFile(dir / "empty.bmp", std::string());
    EXPECT_EQ(ReadDIBFile((dir / "empty.bmp").c_str()), nullptr);
    EXPECT_EQ(ReadDIBFile((dir / "missing.bmp").c_str()), nullptr);
}

TEST(PictureButtons, StretchedAndOwnSize)
{
    ScratchDir dir;
    WriteFile(dir / "a.bmp", MakeBmp(5, 4));
    CWnd parent;
    ASSERT_TRUE(parent.Create(nullptr, "p", WS_POPUP, CRect(0, 0, 100, 100)));

    CBitButton frame;
    ASSERT_TRUE(frame.Create(&parent, "", WS_CHILD, CRect(0, 0, 30, 20)));
    ASSERT_TRUE(frame.LoadBitmap((dir / "a.bmp").c_str()));
    int w = 0, h = 0;
    ASSERT_NE(GdiBitmapPixels(frame.GetDdb(), &w, &h), nullptr);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 20);
    // An empty name empties the button: nothing is drawn.
    EXPECT_FALSE(frame.LoadBitmap(""));
    EXPECT_FALSE(frame.HasPicture());
    EXPECT_EQ(frame.GetDdb(), nullptr);

    CImageButton trash;
    ASSERT_TRUE(trash.LoadBitmap((dir / "a.bmp").c_str()));
    CSize size;
    ASSERT_TRUE(trash.GetImageSize(size));
    EXPECT_EQ(size, CSize(5, 4));
    ASSERT_NE(GdiBitmapPixels(trash.GetDdb(), &w, &h), nullptr);
    EXPECT_EQ(w, 5);
    EXPECT_FALSE(trash.LoadBitmap((dir / "missing.bmp").c_str()));
    EXPECT_FALSE(trash.GetImageSize(size));
}

namespace {

// A memory DC over a w x h colour bitmap, both freed at the end of a test.
struct Canvas {
    Canvas(int w, int h) : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(GetDC(nullptr), w, h))
    {
        SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    void Fill(COLORREF c, int x, int y, int w, int h)
    {
        HBRUSH b = CreateSolidBrush(c);
        HBRUSH old = SelectObject(dc, b);
        PatBlt(dc, x, y, w, h, PATCOPY);
        SelectObject(dc, old);
        DeleteObject(b);
    }
    uint32_t At(int x, int y) const
    {
        int w = 0;
        return GdiBitmapPixels(bitmap, &w, nullptr)[y * w + x];
    }
    HDC dc;
    HBITMAP bitmap;
};

uint32_t Pixel(COLORREF c)
{
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A 4 x 3 picture: magenta where (x + y) is even, else colours that a careless
// mask lets through or loses (black, white, near-magenta).
void PaintPicture(Canvas& picture)
{
    const COLORREF opaque[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(254, 0, 255), RGB(12, 200, 90)};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            picture.Fill((x + y) % 2 ? opaque[(x + 2 * y) % 4] : kMagenta, x, y, 1, 1);
}

} // namespace

TEST(TransparentPaint, TransparentPixelsShowTheDestinationOthersThePicture)
{
    Canvas picture(4, 3);
    PaintPicture(picture);
    Canvas target(8, 6);
    for (int y = 0; y < 6; ++y)   // a background that differs pixel by pixel
        for (int x = 0; x < 8; ++x)
            target.Fill(RGB(x * 30, y * 40, 77), x, y, 1, 1);
    Canvas before(8, 6);
    BitBlt(before.dc, 0, 0, 8, 6, target.dc, 0, 0, SRCCOPY);

    ASSERT_TRUE(CDIBBitmap::GTransparentPaint(target.dc, 2, 1, picture.bitmap, kMagenta, FALSE, nullptr));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
            bool clear = !inside || picture.At(x - 2, y - 1) == Pixel(kMagenta);
            EXPECT_EQ(target.At(x, y), clear ? before.At(x, y) : picture.At(x - 2, y - 1)) << x << "," << y;
        }
    // The picture itself is left as it was.
    EXPECT_EQ(picture.At(0, 0), Pixel(kMagenta));
}

TEST(TransparentPaint, BrushFillsTheTransparentPixels)
{
    Canvas picture(4, 3);
    PaintPicture(picture);
    Canvas target(4, 3);
    target.Fill(RGB(1, 2, 3), 0, 0, 4, 3);
    HBRUSH menu = CreateSolidBrush(RGB(192, 192, 192));
    ASSERT_TRUE(CDIBBitmap::GTransparentPaint(target.dc, 0, 0, picture.bitmap, kMagenta, TRUE, menu));
    EXPECT_EQ(target.At(0, 0), 0xC0C0C0u);
    EXPECT_EQ(target.At(1, 0), picture.At(1, 0));
    EXPECT_EQ(target.At(1, 1), 0xC0C0C0u);
    EXPECT_EQ(target.At(2, 1), picture.At(2, 1));
    // The brush is free again afterwards.
    EXPECT_TRUE(DeleteObject(menu));

    // A hollow brush has no colour: the destination shows through.
    target.Fill(RGB(1, 2, 3), 0, 0, 4, 3);
    ASSERT_TRUE(CDIBBitmap::GTransparentPaint(target.dc, 0, 0, picture.bitmap, kMagenta, TRUE,
                                              GetStockBrush(HOLLOW_BRUSH)));
    EXPECT_EQ(target.At(0, 0), 0x010203u);
    EXPECT_EQ(target.At(1, 0), picture.At(1, 0));
}

TEST(TransparentPaint, ClipsAtTheEdgesAndRefusesWhatItCannotDraw)
{
    Canvas picture(4, 3);
    PaintPicture(picture);
    Canvas target(3, 3);
    target.Fill(RGB(9, 9, 9), 0, 0, 3, 3);
    ASSERT_TRUE(CDIBBitmap::GTransparentPaint(target.dc, -2, 1, picture.bitmap, kMagenta, FALSE, nullptr));
    EXPECT_EQ(target.At(0, 1), 0x090909u);           // picture (2, 0) is magenta
    EXPECT_EQ(target.At(1, 1), picture.At(3, 0));    // opaque
    EXPECT_EQ(target.At(0, 2), picture.At(2, 1));
    EXPECT_EQ(target.At(1, 2), 0x090909u);
    EXPECT_EQ(target.At(2, 1), 0x090909u);           // right of the picture
    EXPECT_EQ(target.At(2, 0), 0x090909u);
    EXPECT_FALSE(CDIBBitmap::GTransparentPaint(target.dc, 0, 0, nullptr, kMagenta, FALSE, nullptr));
    EXPECT_FALSE(CDIBBitmap::GTransparentPaint(nullptr, 0, 0, picture.bitmap, kMagenta, FALSE, nullptr));
    // The screen DC has no bitmap to draw into.
    EXPECT_FALSE(CDIBBitmap::GTransparentPaint(GetDC(nullptr), 0, 0, picture.bitmap, kMagenta, FALSE, nullptr));
}
