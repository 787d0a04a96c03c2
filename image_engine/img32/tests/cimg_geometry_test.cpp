// The image object's geometric calls reach the engine's operations.
#include <gtest/gtest.h>

#include "CImg.h"
#include "test_util.h"

using namespace vtest;

namespace {

TEST(CImgGeometry, RotateResizeAndInvertChangeTheHeldPicture)
{
    // Top row A B C, bottom row D E F as grey levels 10 ... 60.
    IMG_HANDLE h = FromDib(MakeDib(3, 2, 8, [](int x, int y) { return uint32_t(10 * (1 + x + 3 * y)); }));
    auto bytes = SaveMem(h, IMG_TYPE_BMP);
    IMG_delete_bitmap(h);
    CImg img;
    ASSERT_EQ(img.Load(bytes.data(), 0), 0);

    ASSERT_EQ(img.Rotate(90), 0);
    CSize size;
    ASSERT_EQ(img.GetSize(size), 0);
    EXPECT_EQ(size, CSize(2, 3));
    EXPECT_EQ(RawAt(img.GetHandle(), 0, 0), 40u);   // D A on top
    EXPECT_EQ(RawAt(img.GetHandle(), 1, 0), 10u);

    ASSERT_EQ(img.Resize(CSize(4, 6)), 0);
    ASSERT_EQ(img.GetSize(size), 0);
    EXPECT_EQ(size, CSize(4, 6));
    ASSERT_EQ(img.Invert(), 0);
    EXPECT_EQ(RawAt(img.GetHandle(), 3, 0), 255u - 10u);
    ASSERT_EQ(img.FlipHorizontal(), 0);
    EXPECT_EQ(RawAt(img.GetHandle(), 0, 0), 255u - 10u);
    ASSERT_EQ(img.FlipVertical(), 0);
    EXPECT_EQ(RawAt(img.GetHandle(), 0, 5), 255u - 10u);

    CImg empty;
    EXPECT_NE(empty.Rotate(90), 0);
}

}   // namespace
