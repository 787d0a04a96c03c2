#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine.h"
#include "gdi/clipboard.h"
#include "test_util.h"

using namespace vtest;

namespace {

uint32_t Pattern(int x, int y)
{
    return uint32_t((x * 7) & 255) << 16 | uint32_t((y * 5) & 255) << 8 | uint32_t((x + y) & 255);
}

std::vector<uint8_t> SmallDib()
{
    return MakeDib(4, 3, 24, Pattern);
}

TEST(Handles, NumberingGrowsAndShrinksByTheLastSlot)
{
    auto dib = SmallDib();
    IMG_HANDLE a = FromDib(dib), b = FromDib(dib), c = FromDib(dib);
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    EXPECT_EQ(c, 3u);
    EXPECT_EQ(vantor::HandleTableSize(), 4u);
    EXPECT_EQ(IMG_delete_bitmap(c), 0);
    EXPECT_EQ(vantor::HandleTableSize(), 3u);
    EXPECT_EQ(IMG_delete_bitmap(a), 0);   // a hole below the last slot stays
    EXPECT_EQ(vantor::HandleTableSize(), 3u);
    EXPECT_EQ(FromDib(dib), 1u);          // and is reused first
    EXPECT_EQ(IMG_delete_bitmap(1), 0);
    EXPECT_EQ(IMG_delete_bitmap(2), 0);
    EXPECT_EQ(vantor::HandleTableSize(), 3u - 1);
    EXPECT_EQ(FromDib(dib), 1u);
    EXPECT_EQ(IMG_delete_bitmap(1), 0);
    EXPECT_EQ(vantor::HandleTableSize(), 0u);
    IMG_HANDLE again = FromDib(dib);
    EXPECT_EQ(again, 1u);
    IMG_delete_bitmap(again);
}

TEST(Handles, BadHandlesAreRefused)
{
    IMG_HANDLE h = FromDib(SmallDib());
    IMG_HANDLE h2 = FromDib(SmallDib());
    IMG_delete_bitmap(h);
    uint16_t w;
    for (IMG_HANDLE bad : {0u, h, 999u}) {
        EXPECT_EQ(IMG_delete_bitmap(bad), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_bitmap_info(nullptr, bad, &w, &w, &w), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_set_croprect(bad, 0, 0, 1, 1), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_save_bitmap_fd(bad, 1, 1), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_color_gray(bad), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_flip_bitmapx(bad), IMG_ERR_HANDLE);
    }
    IMG_delete_bitmap(h2);
}

TEST(Handles, StrideFollowsDepthAndStoreHasSpareRows)
{
    for (auto [w, bits, stride] : {std::tuple{33, 1, 8}, {5, 24, 16}, {3, 4, 4}, {5, 8, 8}}) {
        IMG_HANDLE h = FromDib(MakeDib(w, 5, bits, [](int, int) { return 1u; }));
        HGLOBAL store;
        IMG_bitmap_info(&store, h, nullptr, nullptr, nullptr);
        uint32_t table = bits <= 8 ? 4u << bits : 0;
        EXPECT_EQ(GlobalSize(store), 40 + table + size_t(stride) * 8) << w << "x" << bits;
        IMG_delete_bitmap(h);
    }
}

TEST(Detection, GoesByContentInTheStatedOrder)
{
    struct Case { std::vector<uint8_t> bytes; int type; };
    std::vector<Case> cases = {
        {{'I', 'I', 42, 0, 0, 0, 0, 0, 0, 0}, IMG_TYPE_TIFF},
        {{'M', 'M', 0, 42, 0, 0, 0, 0, 0, 0}, IMG_TYPE_TIFF},
        {{'G', 'I', 'F', '8', '7', 'a', 0, 0, 0, 0}, IMG_TYPE_GIF},
        {{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, IMG_TYPE_BMP},
        {{0xC5, 0xD0, 0xD3, 0xC6, 0, 0, 0, 0, 0, 0}, IMG_TYPE_EPS},
        {{0xB1, 0x68, 0xDE, 0x3A, 0, 0, 0, 0, 0, 0}, IMG_TYPE_DCX},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0, 0, 0, 0}, IMG_TYPE_JPEG},
        {{0xFF, 'W', 'P', 'C', 0, 0, 0, 0, 0, 0}, IMG_TYPE_WPG},
        {{10, 5, 1, 8, 0, 0, 0, 0, 0, 0}, IMG_TYPE_PCX},
        {{0, 0, 2, 0, 0, 0, 0, 0, 0, 0}, IMG_TYPE_TARGA},
        {{0, 1, 10, 0, 0, 0, 0, 0, 0, 0}, IMG_TYPE_TARGA},
        {{0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0}, IMG_TYPE_WMF},
        {{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, IMG_TYPE_WMF},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, IMG_ERR_UNSUPPORTED},
        {{'B'}, IMG_ERR_UNSUPPORTED},
    };
    std::vector<uint8_t> pict(540, 0);
    pict[523] = 17;
    cases.push_back({pict, IMG_TYPE_PICT});
    for (const auto& c : cases) {
        vantor::Stream s = vantor::Stream::OverMemory(const_cast<uint8_t*>(c.bytes.data()), c.bytes.size());
        EXPECT_EQ(vantor::DetectType(s, 0), c.type) << int(c.bytes[0]);
    }
}

TEST(Detection, ExtensionPlaysNoPartInLoading)
{
    IMG_HANDLE h = FromDib(SmallDib());
    std::string path = TempPath("really_a_bmp.gif");
    ASSERT_EQ(IMG_save_bitmap(h, path.c_str(), IMG_TYPE_BMP), 0);
    EXPECT_EQ(IMGLOW_get_filetype(path.c_str()), IMG_TYPE_BMP);
    IMG_HANDLE back = 0;
    ASSERT_EQ(IMG_decompress_bitmap(&back, path.c_str()), 0);
    EXPECT_EQ(CompareColours(h, back), "");
    EXPECT_EQ(IMGLOW_get_filetype(""), IMG_ERR_OPEN);
    EXPECT_EQ(IMG_decompress_bitmap(&back, "/nonexistent/x.bmp"), IMG_ERR_OPEN);
    unlink(path.c_str());
    IMG_delete_bitmap(back);
    IMG_delete_bitmap(h);
}

TEST(Saving, ByExtensionIgnoresCaseAndRejectsUnknownEndings)
{
    IMG_HANDLE h = FromDib(SmallDib());
    std::string bmp = TempPath("upper.BMP"), png = TempPath("picture.png");
    EXPECT_EQ(IMG_save_bitmap(h, bmp.c_str(), IMG_TYPE_BY_EXTENSION), 0);
    EXPECT_EQ(IMGLOW_get_filetype(bmp.c_str()), IMG_TYPE_BMP);
    EXPECT_EQ(IMG_save_bitmap(h, png.c_str(), IMG_TYPE_BY_EXTENSION), IMG_ERR_UNSUPPORTED);
    EXPECT_NE(access(png.c_str(), F_OK), 0);   // a refused save leaves no file behind
    EXPECT_EQ(IMG_save_bitmap(h, "/nonexistent/dir/x.bmp", 1), IMG_ERR_CREATE);
    unlink(bmp.c_str());
    unlink(png.c_str());
    IMG_delete_bitmap(h);
}

TEST(Saving, WritesOnlyTheCropRectangle)
{
    IMG_HANDLE h = FromDib(MakeDib(64, 64, 24, Pattern));
    uint16_t l, t, w, hh;
    ASSERT_EQ(IMG_get_croprect(h, &l, &t, &w, &hh), 0);
    EXPECT_EQ((std::vector<int>{l, t, w, hh}), (std::vector<int>{0, 0, 64, 64}));
    ASSERT_EQ(IMG_set_croprect(h, 10, 20, 30, 40), 0);
    IMG_HANDLE back = LoadMem(SaveMem(h, IMG_TYPE_BMP));
    ASSERT_NE(back, 0u);
    EXPECT_EQ(InfoOf(back).width, 30);
    EXPECT_EQ(InfoOf(back).height, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(ColourAt(back, x, y), Pattern(10 + x, 20 + y)) << x << "," << y;
    // A rectangle reaching past the picture is clipped to it.
    IMG_set_croprect(h, 60, 60, 100, 100);
    IMG_HANDLE clipped = LoadMem(SaveMem(h, IMG_TYPE_BMP));
    EXPECT_EQ(InfoOf(clipped).width, 4);
    EXPECT_EQ(ColourAt(clipped, 3, 3), Pattern(63, 63));
    IMG_set_croprect(h, 64, 0, 10, 10);
    int result = 0;
    SaveMem(h, IMG_TYPE_BMP, &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    for (IMG_HANDLE x : {h, back, clipped})
        IMG_delete_bitmap(x);
}

TEST(MemoryStream, LengthEndsReadsAndWrites)
{
    IMG_HANDLE h = FromDib(SmallDib());
    auto bytes = SaveMem(h, IMG_TYPE_BMP);
    ASSERT_FALSE(bytes.empty());
    int result = 0;
    for (size_t cut : {size_t(0), size_t(1), size_t(13), size_t(60), bytes.size() - 1}) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
        EXPECT_EQ(LoadMem(part, &result), 0u);
        EXPECT_LT(result, 0) << cut;
    }
    std::vector<uint8_t> small(bytes.size() - 1);
    uint32_t written = 99;
    EXPECT_EQ(IMG_save_bitmap_mem_len(h, small.data(), uint32_t(small.size()), 1, &written), IMG_ERR_WRITE);
    EXPECT_EQ(written, 0u);
    // The length-less call trusts the caller's buffer.
    std::vector<uint8_t> roomy(bytes.size() + 16);
    EXPECT_EQ(IMG_save_bitmap_mem(h, roomy.data(), 1), 0);
    IMG_HANDLE back = 0;
    EXPECT_EQ(IMG_decompress_bitmap_mem(&back, roomy.data(), 0), 0);
    EXPECT_EQ(CompareColours(h, back), "");
    IMG_delete_bitmap(back);
    IMG_delete_bitmap(h);
}

TEST(ScratchPool, TwentyBlocksThenRefusal)
{
    auto& pool = vantor::Scratch();
    std::vector<uint8_t*> got;
    for (int i = 0; i < 20; ++i)
        got.push_back(pool.Get(1000));
    EXPECT_EQ(std::count(got.begin(), got.end(), nullptr), 0);
    EXPECT_EQ(pool.Get(10), nullptr);
    pool.Release(got[3]);
    EXPECT_NE(pool.Get(65535), nullptr);
    EXPECT_EQ(pool.Get(10), nullptr);
    pool.ReleaseAll();
    EXPECT_EQ(pool.InUse(), 0);
    EXPECT_EQ(pool.Get(65536), nullptr);
}

TEST(Names, CopiedInAndOutWithinTheirBuffers)
{
    char text[200], date[40];
    IMGLOW_get_bitmap_name(text, date);
    EXPECT_STREQ(date, "11-24-1992");
    std::string longText(300, 'x');
    IMGLOW_set_bitmap_name(longText.c_str(), "01-02-2003");
    IMGLOW_get_bitmap_name(text, date);
    EXPECT_EQ(std::string(text), std::string(199, 'x'));
    EXPECT_STREQ(date, "01-02-2003");
}

TEST(Palettes, TrueColourGetsTheCubeAndPalettePicturesTheirTable)
{
    IMG_HANDLE h = FromDib(SmallDib());
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(IMG_get_palette(h), nullptr);
    ASSERT_EQ(IMG_bitmap_palette(h, dc), 0);
    HPALETTE p = IMG_get_palette(h);
    PALETTEENTRY e[256];
    ASSERT_EQ(GetPaletteEntries(p, 0, 256, e), 256u);
    EXPECT_EQ((std::vector<int>{e[0].peRed, e[0].peGreen, e[0].peBlue}), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ((std::vector<int>{e[255].peRed, e[255].peGreen, e[255].peBlue}), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(e[0x24].peRed, 1 * 255 / 7);
    EXPECT_EQ(e[0x24].peGreen, 1 * 255 / 7);

    std::vector<RGBQUAD> table = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    IMG_HANDLE mono = FromDib(MakeDib(9, 2, 1, [](int x, int) { return uint32_t(x & 1); }, table));
    HPALETTE previous = nullptr;
    ASSERT_EQ(IMG_realize_palette(mono, dc, &previous, TRUE), 0);
    EXPECT_EQ(previous, p);
    ASSERT_EQ(GetPaletteEntries(IMG_get_palette(mono), 0, 256, e), 2u);
    EXPECT_EQ((std::vector<int>{e[1].peRed, e[1].peGreen, e[1].peBlue}), (std::vector<int>{6, 5, 4}));
    DeleteDC(dc);
    IMG_delete_bitmap(h);
    IMG_delete_bitmap(mono);
}

TEST(Display, StretchesTheCropRectangleIntoTheDestination)
{
    IMG_HANDLE h = FromDib(MakeDib(8, 8, 24, Pattern));
    IMG_set_croprect(h, 2, 3, 4, 4);
    HBITMAP ddb = nullptr;
    ASSERT_EQ(IMG_dib_to_ddb(&ddb, h, 8, 8), 0);
    int w, hh;
    const uint32_t* px = GdiBitmapPixels(ddb, &w, &hh);
    ASSERT_EQ(w, 8);
    EXPECT_EQ(px[0], Pattern(2, 3));
    EXPECT_EQ(px[1], Pattern(2, 3));
    EXPECT_EQ(px[7 * 8 + 7], Pattern(5, 6));

    IMG_HANDLE fromDdb = 0;
    ASSERT_EQ(IMG_create_handle_ddb(&fromDdb, ddb, nullptr), 0);
    EXPECT_EQ(InfoOf(fromDdb).bits, 24);
    EXPECT_EQ(ColourAt(fromDdb, 7, 7), Pattern(5, 6));
    EXPECT_EQ(IMG_create_handle_ddb(&fromDdb, nullptr, nullptr), IMG_ERR_DEVICE);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 10, 10);
    SelectObject(dc, target);
    EXPECT_EQ(IMG_display_ddb(ddb, dc, 2, 2), 0);
    EXPECT_EQ(GdiBitmapPixels(target, nullptr, nullptr)[2 * 10 + 2], Pattern(2, 3));
    SelectObject(dc, nullptr);
    DeleteDC(dc);
    DeleteObject(target);
    DeleteObject(ddb);
    IMG_delete_bitmap(fromDdb);
    IMG_delete_bitmap(h);
}

TEST(Clipboard, DibAndBitmapBecomeBmpFiles)
{
    std::string path = TempPath("clip.bmp");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(IMG_save_clipboard(path.c_str(), nullptr), IMG_ERR_DEVICE);

    auto dib = MakeDib(5, 3, 8, [](int x, int y) { return uint32_t(x * 3 + y); });
    HGLOBAL block = GlobalAlloc(GHND, dib.size());
    std::memcpy(GlobalLock(block), dib.data(), dib.size());
    GlobalUnlock(block);
    OpenClipboard(nullptr);
    SetClipboardData(CF_DIB, block);
    CloseClipboard();
    ASSERT_EQ(IMG_save_clipboard(path.c_str(), nullptr), 0);
    IMG_HANDLE original = FromDib(dib), back = 0;
    ASSERT_EQ(IMG_decompress_bitmap(&back, path.c_str()), 0);
    EXPECT_EQ(CompareColours(original, back), "");

    HBITMAP ddb = nullptr;
    IMG_dib_to_ddb(&ddb, original, 5, 3);
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, ddb);
    CloseClipboard();
    ASSERT_EQ(IMG_save_clipboard(path.c_str(), nullptr), 0);
    IMG_HANDLE fromBitmap = 0;
    ASSERT_EQ(IMG_decompress_bitmap(&fromBitmap, path.c_str()), 0);
    EXPECT_EQ(CompareColours(original, fromBitmap), "");
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    unlink(path.c_str());
    for (IMG_HANDLE x : {original, back, fromBitmap})
        IMG_delete_bitmap(x);
}

}   // namespace

namespace {

TEST(Callbacks, ANegativeCallbackResultAbortsTheLoad)
{
    IMG_HANDLE h = FromDib(SmallDib());
    auto bytes = SaveMem(h, IMG_TYPE_BMP);
    auto refuseHeader = [](BITMAPINFO*, void*) -> int16_t { return -42; };
    auto anyLine = [](const uint8_t*, void* user, int16_t line, int16_t) -> int16_t {
        ++*static_cast<int*>(user);
        return line == 1 ? -43 : 0;
    };
    auto acceptHeader = [](BITMAPINFO* info, void*) -> int16_t { return int16_t(info->bmiHeader.biWidth == 4 ? 0 : -1); };
    int lines = 0;
    EXPECT_EQ(IMGLOW_decompress_bitmap_mem_len(nullptr, bytes.data(), uint32_t(bytes.size()), 0, anyLine, &lines,
                                               refuseHeader), -42);
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(IMGLOW_decompress_bitmap_mem_len(nullptr, bytes.data(), uint32_t(bytes.size()), 0, anyLine, &lines,
                                               acceptHeader), -43);
    EXPECT_EQ(lines, 2);   // bottom row (line 2) first, then line 1
    EXPECT_EQ(vantor::Scratch().InUse(), 0);
    // The memory file value reads the buffer of the last memory call.
    IMG_HANDLE viaFile = 0;
    EXPECT_EQ(IMG_decompress_bitmap_fd(&viaFile, IMG_MEMORY_FILE, 0, 0), 0);
    EXPECT_EQ(CompareColours(h, viaFile), "");
    // A failed load leaves no handle behind.
    const uint32_t before = vantor::HandleTableSize();
    IMG_HANDLE none = 77;
    bytes.resize(bytes.size() - 1);
    EXPECT_LT(IMG_decompress_bitmap_mem_len(&none, bytes.data(), uint32_t(bytes.size()), 0), 0);
    EXPECT_EQ(none, 77u);
    EXPECT_EQ(vantor::HandleTableSize(), before);
    IMG_delete_bitmap(viaFile);
    IMG_delete_bitmap(h);
}

}   // namespace
