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
