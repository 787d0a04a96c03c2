// The viewer's BMP reading: every way a file can be short or wrong gives the
// engine's code, every layout the checked view knows gives the same pixels.
#include "ViewerDib.h"
#include "writers_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>

using namespace filmtest;

namespace {

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        f[at + size_t(i)] = uint8_t(v >> (8 * i));
}

void Put16(std::vector<uint8_t>& f, size_t at, uint16_t v)
{
    f[at] = uint8_t(v);
    f[at + 1] = uint8_t(v >> 8);
}

int Parse(const std::vector<uint8_t>& file, ViewerDib& dib)
{
    return ParseViewerDib(file.data(), file.size(), dib);
}

std::vector<uint32_t> PixelsOf(const std::vector<uint8_t>& file)
{
    ViewerDib dib;
    EXPECT_EQ(Parse(file, dib), 0);
    return ViewerDibPixels(dib);
}

// The same picture with its rows stored top row first.
std::vector<uint8_t> TopDown(std::vector<uint8_t> f, int height)
{
    const size_t offset = f[10] | f[11] << 8;
    const size_t stride = (f.size() - offset) / size_t(height);
    std::vector<uint8_t> rows(f.begin() + long(offset), f.end());
    for (int y = 0; y < height; ++y)
        std::memcpy(&f[offset + size_t(y) * stride], &rows[size_t(height - 1 - y) * stride], stride);
    Put32(f, 22, uint32_t(-height));
    return f;
}

TEST(ViewerDib, EveryDamageGivesTheEngineCode)
{
    const std::vector<uint8_t> good = MakeBmp(5, 3, 8);
    struct Case {
        const char* what;
        void (*damage)(std::vector<uint8_t>&);
        int code;
    } cases[] = {
        {"not BM", [](std::vector<uint8_t>& f) { f[0] = 'X'; }, -3},
        {"two planes", [](std::vector<uint8_t>& f) { Put16(f, 26, 2); }, -3},
        {"no width", [](std::vector<uint8_t>& f) { Put32(f, 18, 0); }, -3},
        {"too tall", [](std::vector<uint8_t>& f) { Put32(f, 22, 40000); }, -3},
        {"more colours than 8 bits hold", [](std::vector<uint8_t>& f) { Put32(f, 46, 257); }, -3},
        {"header past the end", [](std::vector<uint8_t>& f) { Put32(f, 14, 100000); }, -3},
        {"pixels past the end", [](std::vector<uint8_t>& f) { Put32(f, 10, uint32_t(f.size())); }, -3},
        {"run-length coded", [](std::vector<uint8_t>& f) { Put32(f, 30, 1); }, -6},
        {"bit fields", [](std::vector<uint8_t>& f) { Put32(f, 30, 3); }, -6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> f = good;
        c.damage(f);
        ViewerDib dib;
        EXPECT_EQ(Parse(f, dib), c.code);
    }
    ViewerDib dib;
    EXPECT_EQ(ParseViewerDib(nullptr, 0, dib), -3);
    ASSERT_EQ(Parse(good, dib), 0);
    EXPECT_EQ(dib.info.biClrUsed, 256u);
    EXPECT_EQ(dib.info.biSizeImage, 8u * 3);
}

TEST(ViewerDib, EveryCutShortFileIsRefused)
{
    const std::vector<uint8_t> good = MakeBmp(7, 4, 4);
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        ViewerDib dib;
        EXPECT_EQ(Parse(cut, dib), -3) << n;
    }
}

TEST(ViewerDib, OtherHeadersAndRowOrdersShowTheSamePicture)
{
    for (int bits : {4, 8, 24}) {
        SCOPED_TRACE(bits);
        const std::vector<uint8_t> plain = MakeBmp(9, 5, bits);
        const std::vector<uint32_t> expected = PixelsOf(plain);
        ASSERT_EQ(expected.size(), 45u);
        EXPECT_EQ(PixelsOf(MakeBmp(9, 5, bits, true)), expected);
        ViewerDib dib;
        ASSERT_EQ(Parse(TopDown(plain, 5), dib), 0);
        EXPECT_EQ(ViewerDibPixels(dib), expected);
        // What the clipboard gets is the usual bottom-up form.
        EXPECT_EQ(dib.info.biHeight, 5);
        EXPECT_EQ(dib.info.biSize, 40u);
    }
}

TEST(ViewerDib, AFifoNamedLikeAPictureIsNotWaitedOn)
{
    TempFolder dir;
    const auto fifo = dir / "temp999.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ViewerDib dib;
    EXPECT_FALSE(ReadViewerDib(fifo.c_str(), dib));
    EXPECT_FALSE(ReadViewerDib(dir.path().c_str(), dib));
    WriteBytes(dir / "real.bmp", MakeBmp(3, 2, 24));
    EXPECT_TRUE(ReadViewerDib((dir / "real.bmp").c_str(), dib));
}

} // namespace
