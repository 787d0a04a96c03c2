#include "gdi/DibView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// A packed DIB with a 40-byte header, `used` table entries and zeroed rows.
std::vector<uint8_t> Packed(int32_t width, int32_t height, uint16_t bits, uint32_t used, uint32_t tableEntries)
{
    const size_t stride = size_t(DibStride(width < 0 ? -width : width, bits));
    const size_t rows = stride * size_t(height < 0 ? -height : height);
    std::vector<uint8_t> b(40 + tableEntries * 4 + rows);
    Put32(b, 0, 40);          // biSize
    Put32(b, 4, uint32_t(width));
    Put32(b, 8, uint32_t(height));
    Put16(b, 12, 1);          // planes
    Put16(b, 14, bits);
    Put32(b, 32, used);       // biClrUsed
    for (uint32_t i = 0; i < tableEntries; ++i)
        b[40 + i * 4 + 2] = uint8_t(i);  // red = index
    return b;
}

std::vector<uint8_t> AsFile(const std::vector<uint8_t>& dib, uint32_t offBits)
{
    std::vector<uint8_t> f(14);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, uint32_t(14 + dib.size()));
    Put32(f, 10, offBits);
    f.insert(f.end(), dib.begin(), dib.end());
    return f;
}

} // namespace

TEST(DibView, EveryShortLengthIsRefusedAndTheWholeOneAccepted)
{
    const std::vector<uint8_t> dibs[] = {Packed(5, 3, 1, 0, 2), Packed(7, 2, 4, 16, 16),
                                         Packed(3, 3, 8, 5, 5), Packed(3, 2, 24, 0, 0)};
    for (const auto& dib : dibs) {
        DibView view;
        ASSERT_EQ(ViewPackedDib(dib.data(), dib.size(), view), DibCheck::Ok);
        EXPECT_EQ(view.packedBytes, dib.size());
        for (size_t n = 0; n < dib.size(); ++n)
            EXPECT_NE(ViewPackedDib(dib.data(), n, view), DibCheck::Ok) << n;
        const auto file = AsFile(dib, 0);
        ASSERT_EQ(ViewBmpFile(file.data(), file.size(), view), DibCheck::Ok);
        for (size_t n = 0; n < file.size(); ++n)
            EXPECT_NE(ViewBmpFile(file.data(), n, view), DibCheck::Ok) << n;
    }
}

TEST(DibView, HeadersThatCannotBe)
{
    struct Row {
        int32_t width, height;
        uint16_t bits;
        uint32_t used;
        DibCheck want;
    } rows[] = {
        {0, 4, 8, 0, DibCheck::BadHeader},
        {4, 0, 8, 0, DibCheck::BadHeader},
        {40000, 1, 8, 0, DibCheck::BadHeader},
        {4, 4, 7, 0, DibCheck::BadHeader},
        {4, 4, 8, 257, DibCheck::BadHeader},   // more colours than 8 bits index
        {4, 4, 4, 17, DibCheck::BadHeader},
        {4, -4, 8, 0, DibCheck::Ok},           // top-down rows
        {4, 4, 32, 0, DibCheck::Ok},
    };
    for (const Row& r : rows) {
        auto dib = Packed(r.width, r.height, r.bits, r.used, r.bits <= 8 ? 256 : 0);
        DibView view;
        EXPECT_EQ(ViewPackedDib(dib.data(), dib.size(), view), r.want) << r.width << "x" << r.height << "x" << r.bits;
    }
    auto rle = Packed(4, 4, 8, 0, 256);
    Put32(rle, 16, BI_RLE8);
    DibView view;
    EXPECT_EQ(ViewPackedDib(rle.data(), rle.size(), view), DibCheck::Unsupported);
    auto planes = Packed(4, 4, 8, 0, 256);
    Put16(planes, 12, 2);
    EXPECT_EQ(ViewPackedDib(planes.data(), planes.size(), view), DibCheck::BadHeader);
    const uint8_t notBmp[20] = {'P', 'K'};
    EXPECT_EQ(ViewBmpFile(notBmp, sizeof notBmp, view), DibCheck::NotBmp);
}

TEST(DibView, RowsColoursAndThePixelOffset)
{
    auto dib = Packed(2, -2, 8, 3, 3);
    dib[40 + 12] = 2;          // top row, first pixel: index 2
    DibView view;
    ASSERT_EQ(ViewPackedDib(dib.data(), dib.size(), view), DibCheck::Ok);
    EXPECT_TRUE(view.topDown);
    EXPECT_EQ(view.Row(0)[0], 2);
    EXPECT_EQ(view.Colour(2).rgbRed, 2);
    EXPECT_EQ(view.Colour(3).rgbRed, 0);   // past the table: black
    EXPECT_EQ(view.Info().biClrUsed, 3u);

    // A gap between the table and the rows, named by the file header.
    auto gapped = Packed(2, 2, 24, 0, 0);
    gapped.insert(gapped.begin() + 40, 6, 0xEE);
    gapped[46] = 0x42;         // first byte of the bottom row
    auto file = AsFile(gapped, 14 + 46);
    ASSERT_EQ(ViewBmpFile(file.data(), file.size(), view), DibCheck::Ok);
    EXPECT_EQ(view.Row(1)[0], 0x42);
    auto past = AsFile(gapped, 0x7FFFFFF0);
    EXPECT_EQ(ViewBmpFile(past.data(), past.size(), view), DibCheck::Truncated);
}

TEST(DibView, CoreHeaderHasThreeByteColours)
{
    std::vector<uint8_t> dib(12 + 2 * 3 + 4);
    Put32(dib, 0, 12);
    Put16(dib, 4, 3);   // width
    Put16(dib, 6, 1);   // height
    Put16(dib, 8, 1);   // planes
    Put16(dib, 10, 1);  // bits
    dib[12 + 3 + 2] = 0xAB;  // entry 1, red
    DibView view;
    ASSERT_EQ(ViewPackedDib(dib.data(), dib.size(), view), DibCheck::Ok);
    EXPECT_TRUE(view.coreHeader);
    EXPECT_EQ(view.Colour(1).rgbRed, 0xAB);
    EXPECT_EQ(view.Info().biSize, 40u);
    EXPECT_EQ(ViewPackedDib(dib.data(), dib.size() - 1, view), DibCheck::Truncated);
}
