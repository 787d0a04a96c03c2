#include "Afbitbut.h"
#include "Resource.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A packed 24-bit DIB of w x h in one colour (0x00RRGGBB).
std::vector<uint8_t> SolidDib(int w, int h, uint32_t rgb)
{
    const size_t stride = DibRowBytes(w, 24);
    std::vector<uint8_t> dib(40 + stride * size_t(h), 0);
    BITMAPINFOHEADER header{40, w, h, 1, 24, BI_RGB, DWORD(stride * size_t(h)), 0, 0, 0, 0};
    std::memcpy(dib.data(), &header, sizeof header);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = dib.data() + 40 + size_t(y) * stride + 3 * size_t(x);
            p[0] = uint8_t(rgb);
            p[1] = uint8_t(rgb >> 8);
            p[2] = uint8_t(rgb >> 16);
        }
    return dib;
}

bool Register(const char* name, const std::vector<uint8_t>& dib)
{
    return RegisterBitmapResource(name, dib.data(), dib.size());
}

uint32_t PixelAt(HBITMAP b, int x, int y)
{
    int w = 0;
    return GdiBitmapPixels(b, &w, nullptr)[y * w + x];
}

} // namespace

TEST(BitmapResources, RefuseWhatIsNotAWholePackedDib)
{
    std::vector<uint8_t> dib = SolidDib(3, 2, 0x112233);
    EXPECT_TRUE(Register("whole", dib));
    std::vector<uint8_t> cut(dib.begin(), dib.end() - 1);
    EXPECT_FALSE(Register("cut", cut));
    EXPECT_EQ(FindBitmapResource("cut"), nullptr);

    auto with = [&](auto change) {
        std::vector<uint8_t> bad = dib;
        BITMAPINFOHEADER h;
        std::memcpy(&h, bad.data(), sizeof h);
        change(h);
        std::memcpy(bad.data(), &h, sizeof h);
        return Register("bad", bad);
    };
    EXPECT_FALSE(with([](BITMAPINFOHEADER& h) { h.biHeight = -2; }));   // top-down
    EXPECT_FALSE(with([](BITMAPINFOHEADER& h) { h.biBitCount = 16; }));
    EXPECT_FALSE(with([](BITMAPINFOHEADER& h) { h.biCompression = 1; }));
    EXPECT_FALSE(with([](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; }));
    EXPECT_FALSE(with([](BITMAPINFOHEADER& h) { h.biSize = 0xFFFFFFF0; }));
    // An 8-bit picture needs its whole colour table too.
    EXPECT_FALSE(with([](BITMAPINFOHEADER& h) { h.biBitCount = 8; }));
    EXPECT_FALSE(Register("", dib));
    EXPECT_EQ(FindBitmapResource("bad"), nullptr);
    EXPECT_EQ(FindBitmapResource(nullptr), nullptr);
    // Names compare without regard to case.
    EXPECT_NE(FindBitmapResource("WHOLE"), nullptr);
    HBITMAP b = LoadBitmapResource("Whole");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(PixelAt(b, 2, 1), 0x112233u);
    DeleteObject(b);
    EXPECT_EQ(LoadBitmapResource("nothing by this name"), nullptr);
}

TEST(AfxBitmapButton, LoadsTheCanisterAndSizesItselfToIt)
{
    CWnd parent;
    ASSERT_TRUE(parent.Create(nullptr, "p", WS_POPUP, CRect(100, 100, 400, 400)));
    CAfxBitmapButton canister;
    ASSERT_TRUE(canister.Create(&parent, "FILM", WS_CHILD, CRect(8, 7, 20, 20)));
    ASSERT_TRUE(canister.LoadBitmaps(kCanisterResource));
    canister.SizeToContent();
    CRect r;
    canister.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(108, 107, 108 + 72, 107 + 112));   // stays where it was
    HBITMAP b = canister.GetBitmap();
    EXPECT_EQ(PixelAt(b, 0, 0), 0xFF00FFu);      // transparent around the can
    EXPECT_EQ(PixelAt(b, 60, 25), 0x3C2814u);    // the leader starts near the top
    EXPECT_EQ(PixelAt(b, 60, 86), 0xFF00FFu);    // and ends above the bottom cap
    EXPECT_EQ(PixelAt(b, 30, 40), 0xC8281Eu);    // the label

    // A missing name fails and leaves no picture: the size stays as it is.
    EXPECT_FALSE(canister.LoadBitmaps("IDB_NO_SUCH_PICTURE"));
    EXPECT_EQ(canister.GetBitmap(), nullptr);
    canister.SizeToContent();
    canister.GetWindowRect(&r);
    EXPECT_EQ(r.Size(), CSize(72, 112));
    EXPECT_FALSE(canister.DrawItem(GetDC(nullptr), r, 0));
}

TEST(AfxBitmapButton, DrawsThePictureOfItsState)
{
    ASSERT_TRUE(Register("btn_up", SolidDib(2, 2, 0x0000FF)));
    ASSERT_TRUE(Register("btn_down", SolidDib(2, 2, 0x00FF00)));
    ASSERT_TRUE(Register("btn_focus", SolidDib(2, 2, 0xFF0000)));
    ASSERT_TRUE(Register("btn_off", SolidDib(2, 2, 0x808080)));
    CAfxBitmapButton button;
    ASSERT_TRUE(button.LoadBitmaps("btn_up", "btn_down", "btn_focus", "btn_off"));

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateCompatibleBitmap(GetDC(nullptr), 4, 4);
    SelectObject(dc, canvas);
    struct {
        UINT state;
        uint32_t colour;
    } cases[] = {{0, 0x0000FF},
                 {ODS_SELECTED | ODS_FOCUS, 0x00FF00},
                 {ODS_FOCUS, 0xFF0000},
                 {ODS_DISABLED, 0x808080},
                 {ODS_FOCUS | ODS_DISABLED, 0xFF0000}};
    for (auto c : cases) {
        ASSERT_TRUE(button.DrawItem(dc, CRect(2, 2, 4, 4), c.state));
        EXPECT_EQ(PixelAt(canvas, 3, 3), c.colour) << c.state;
        EXPECT_EQ(PixelAt(canvas, 1, 1), 0u) << c.state;
    }
    // A missing other picture fails the load, and its state shows the up picture.
    EXPECT_FALSE(button.LoadBitmaps("btn_up", "btn_gone"));
    ASSERT_TRUE(button.DrawItem(dc, CRect(0, 0, 2, 2), ODS_SELECTED));
    EXPECT_EQ(PixelAt(canvas, 0, 0), 0x0000FFu);
    DeleteDC(dc);
    DeleteObject(canvas);
}
