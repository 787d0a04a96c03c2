#include <gtest/gtest.h>
#include <unistd.h>

#include "CImg.h"
#include "test_util.h"

using namespace vtest;

namespace {

std::vector<uint8_t> BmpFileImage(int width, int height, int bits)
{
    IMG_HANDLE h = FromDib(MakeDib(width, height, bits, [](int x, int y) { return uint32_t(x + 2 * y); }));
    auto bytes = SaveMem(h, IMG_TYPE_BMP);
    IMG_delete_bitmap(h);
    return bytes;
}

TEST(CImg, LoadsFromFileMemoryAndResource)
{
    auto bytes = BmpFileImage(6, 4, 8);
    std::string path = TempPath("cimg.bmp");
    WriteFile(path, bytes);
    CImg img;
    ASSERT_EQ(img.Load(CString(path.c_str())), 0);
    EXPECT_STREQ(img.GetFileName(), path.c_str());
    CRect rect;
    ASSERT_EQ(img.GetImageRect(rect), 0);
    EXPECT_EQ(rect, CRect(0, 0, 6, 4));

    // The memory image is copied: the caller may free it at once.
    CImg fromMemory;
    {
        std::vector<uint8_t> copy = bytes;
        ASSERT_EQ(fromMemory.Load(copy.data(), 0), 0);
    }
    int bits = 0;
    ASSERT_EQ(fromMemory.GetBitsPerPixel(bits), 0);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(CompareColours(img.GetHandle(), fromMemory.GetHandle()), "");
    // A size field larger than the block given is not trusted.
    EXPECT_NE(fromMemory.Load(bytes.data(), int(bytes.size() - 1)), 0);
    EXPECT_TRUE(fromMemory.IsValid());   // a failed load keeps the picture held

    CImg::RegisterResource(205, bytes.data(), bytes.size());
    CImg fromResource;
    EXPECT_EQ(fromResource.Load(205u), 0);
    EXPECT_NE(fromResource.Load(206u), 0);
    unlink(path.c_str());
}

TEST(CImg, SavesByFormatAndExtension)
{
    auto bytes = BmpFileImage(5, 5, 24);
    CImg img;
    ASSERT_EQ(img.Load(bytes.data(), 0), 0);
    std::string bmp = TempPath("save.bmp"), other = TempPath("save.dat");
    EXPECT_EQ(img.Save(CString(bmp.c_str()), IMG_FORMAT_BY_EXTENSION), 0);
    EXPECT_EQ(IMGLOW_get_filetype(bmp.c_str()), IMG_TYPE_BMP);
    EXPECT_EQ(img.Save(CString(other.c_str()), IMG_FORMAT_BMP), 0);
    EXPECT_EQ(IMGLOW_get_filetype(other.c_str()), IMG_TYPE_BMP);
    EXPECT_NE(img.Save(CString(other.c_str()), IMG_FORMAT_BY_EXTENSION), 0);
    CImg empty;
    EXPECT_NE(empty.Save(CString(bmp.c_str()), IMG_FORMAT_BMP), 0);
    unlink(bmp.c_str());
    unlink(other.c_str());
}

TEST(CImg, DeviceBitmapPaletteAndRelease)
{
    auto bytes = BmpFileImage(8, 3, 4);
    CImg img;
    ASSERT_EQ(img.Load(bytes.data(), 0), 0);
    ASSERT_EQ(img.CreateDdb(CSize(-1, -1)), 0);
    int w = 0, h = 0;
    GdiBitmapPixels(img.GetDdb(), &w, &h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 3);
    ASSERT_EQ(img.CreateDdb(CSize(16, 16)), 0);
    GdiBitmapPixels(img.GetDdb(), &w, &h);
    EXPECT_EQ(w, 16);

    CPalette* palette = nullptr;
    ASSERT_EQ(img.GetPalette(palette), 0);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetPaletteEntries(palette->GetSafeHandle(), 0, 0, nullptr), 16u);
    CPalette* again = nullptr;
    img.GetPalette(again);
    EXPECT_EQ(again, palette);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 20, 20);
    SelectObject(dc, target);
    EXPECT_EQ(img.RealizePalette(CDC(dc)), 0);
    EXPECT_EQ(img.DisplayDdb(CDC(dc), CRect(1, 1, 17, 17)), 0);
    SelectObject(dc, nullptr);
    DeleteDC(dc);
    DeleteObject(target);

    EXPECT_TRUE(img.IsValidDdb());
    EXPECT_EQ(img.DeleteDdb(), 0);
    EXPECT_FALSE(img.IsValidDdb());
    EXPECT_EQ(img.Delete(), 0);
    EXPECT_FALSE(img.IsValid());
    EXPECT_NE(img.Delete(), 0);
    CSize size;
    EXPECT_NE(img.GetSize(size), 0);
}

}   // namespace
