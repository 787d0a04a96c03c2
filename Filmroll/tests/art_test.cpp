#include "art.h"
#include "art/jgew32.h"
#include "writers_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace filmtest;

namespace {

std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream)
{
    uint8_t* dib = nullptr;
    size_t length = 0;
    EXPECT_EQ(JgDDecode(stream.data(), stream.size(), &dib, &length), JGE_OK);
    std::vector<uint8_t> out(dib, dib + length);
    JgDFree(dib);
    return out;
}

TEST(ArtGlue, PalettePictureComesBackExactly)
{
    TempFolder dir;
    std::vector<uint8_t> bmp = MakeBmp(19, 7, 8);
    WriteBytes(dir / "in.bmp", bmp);
    std::vector<uint8_t> stream;
    ASSERT_TRUE(Compress((dir / "in.bmp").c_str(), stream, 1));
    std::vector<uint8_t> dib = Decode(stream);
    // Packed bitmap: the file less its 14-byte header, colours and rows alike.
    ASSERT_EQ(dib.size(), bmp.size() - 14);
    EXPECT_EQ(std::memcmp(dib.data() + 40, bmp.data() + 54, dib.size() - 40), 0);
}

TEST(ArtGlue, TrueColourPictureComesBackCloseAndTheRightWayUp)
{
    TempFolder dir;
    std::vector<uint8_t> bmp = MakeBmp(40, 30, 24);
    WriteBytes(dir / "in.bmp", bmp);
    std::vector<uint8_t> stream;
    ASSERT_TRUE(Compress((dir / "in.bmp").c_str(), stream, 1));
    EXPECT_EQ(stream[5], 1);    // the film roll's settings give a JPEG payload
    EXPECT_EQ(stream[6], 80);   // at FinalQuality 8
    EXPECT_EQ(stream[7], 1);    // Preview=FAST
    std::vector<uint8_t> dib = Decode(stream);
    ASSERT_EQ(dib.size(), bmp.size() - 14);
    long error = 0;
    for (size_t i = 40; i < dib.size(); ++i)
        error += std::abs(int(dib[i]) - int(bmp[i + 14]));
    EXPECT_LT(double(error) / double(dib.size() - 40), 4.0);

    ASSERT_TRUE(Compress((dir / "in.bmp").c_str(), stream, 0));
    EXPECT_EQ(Decode(stream), std::vector<uint8_t>(bmp.begin() + 14, bmp.end()));
}

TEST(ArtGlue, RefusesFilesItCannotDescribe)
{
    TempFolder dir;
    std::vector<uint8_t> stream;
    std::vector<uint8_t> truncated = MakeBmp(8, 8, 24);
    truncated.resize(truncated.size() - 1);
    std::vector<uint8_t> manyColours = MakeBmp(8, 8, 8);
    manyColours[46] = 0xFF;                            // colours used: far past the file
    manyColours[47] = 0xFF;
    for (const auto& bad : {MakeBmp(8, 8, 24, true), truncated, manyColours, std::vector<uint8_t>(13, 'B')}) {
        WriteBytes(dir / "in.bmp", bad);
        EXPECT_FALSE(Compress((dir / "in.bmp").c_str(), stream, 1));
        EXPECT_TRUE(stream.empty());
    }
    EXPECT_FALSE(Compress((dir / "missing.bmp").c_str(), stream, 1));
}

TEST(ArtGlue, ReadBmpDropsTheFileHeader)
{
    TempFolder dir;
    std::vector<uint8_t> bmp = MakeBmp(3, 2, 24);
    WriteBytes(dir / "in.bmp", bmp);
    std::vector<uint8_t> packed;
    ASSERT_TRUE(ReadBMP((dir / "in.bmp").c_str(), packed));
    EXPECT_EQ(packed, std::vector<uint8_t>(bmp.begin() + 14, bmp.end()));
    bmp[1] = 'X';
    WriteBytes(dir / "in.bmp", bmp);
    EXPECT_FALSE(ReadBMP((dir / "in.bmp").c_str(), packed));
}

} // namespace
