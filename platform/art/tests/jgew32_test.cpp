#include "art/jgew32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Picture {
    uint16_t width, height, bits;
    std::vector<uint8_t> palette;   // 1024 bytes for palette pictures
    std::vector<uint8_t> pixels;    // bottom-up, padded rows
    size_t Stride() const { return ((size_t(width) * bits + 31) / 32) * 4; }
};

Picture Gradient(uint16_t width, uint16_t height, uint16_t bits)
{
    Picture p{width, height, bits, {}, {}};
    p.pixels.resize(p.Stride() * height);
    // 24 bits: a smooth blend, so that JPEG keeps it close and a flip shows.
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < p.Stride(); ++x)
            p.pixels[y * p.Stride() + x] = uint8_t(bits == 24 ? (x / 3) * 3 + y * (x % 3 + 1) : (x / 3 + y) % 256);
    if (bits != 24) {
        p.palette.resize(1024);
        for (size_t i = 0; i < 1024; ++i)
            p.palette[i] = i % 4 == 3 ? 0 : uint8_t(i * 5);
    }
    return p;
}

// Compresses as the film roll does: rows top first, from the end of a bottom-up
// bitmap backwards with a negative stride.
std::vector<uint8_t> Compress(const Picture& p, const std::vector<const char*>& settings)
{
    JGE_IMAGE image{p.height, p.width, p.bits, 0, p.palette.empty() ? nullptr : p.palette.data()};
    JGE_HANDLE handle = nullptr;
    EXPECT_EQ(JgEInit(&handle, &image), JGE_OK);
    for (const char* s : settings)
        EXPECT_EQ(JgESet(handle, s), JGE_OK) << s;
    const uint8_t* row = p.pixels.data() + p.pixels.size();
    for (int i = 0; i < p.height; ++i, row -= p.Stride())
        EXPECT_EQ(JgEInputImage(handle, row, int16_t(-int(p.Stride())), int16_t(i), 1), JGE_OK);
    int32_t length = 0;
    EXPECT_EQ(JgEDoCompress(handle, &length), JGE_OK);
    std::vector<uint8_t> stream(static_cast<size_t>(length));
    EXPECT_EQ(JgEGetARTStream(handle, stream.data(), length), JGE_OK);
    JgEFreeHandle(handle);
    return stream;
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream)
{
    uint8_t* dib = nullptr;
    size_t length = 0;
    EXPECT_EQ(JgDDecode(stream.data(), stream.size(), &dib, &length), JGE_OK);
    std::vector<uint8_t> out(dib, dib + length);
    JgDFree(dib);
    return out;
}

TEST(ArtRoundTrip, LosslessGivesBackEveryPixelAndColour)
{
    for (uint16_t bits : {1, 4, 8, 24}) {
        Picture p = Gradient(37, 11, bits);
        std::vector<uint8_t> dib = Decode(Compress(p, {"EncodeType=1", "FinalQuality=10"}));
        size_t colours = bits == 24 ? 0 : (size_t(1) << bits);
        ASSERT_EQ(dib.size(), 40 + colours * 4 + p.pixels.size()) << bits;
        EXPECT_EQ(dib[14], bits);
        if (colours) {
            EXPECT_EQ(std::memcmp(dib.data() + 40, p.palette.data(), colours * 4), 0) << bits;
        }
        EXPECT_EQ(std::memcmp(dib.data() + 40 + colours * 4, p.pixels.data(), p.pixels.size()), 0) << bits;
    }
}

TEST(ArtRoundTrip, FilmRollSettingsGiveAJpegCloseToThePicture)
{
    Picture p = Gradient(64, 48, 24);
    std::vector<uint8_t> stream = Compress(p, {"EncodeType=0", "FinalQuality=8", "Preview=FAST"});
    EXPECT_EQ(stream[5], 1);   // JPEG payload
    EXPECT_EQ(stream[6], 80);  // quality
    std::vector<uint8_t> dib = Decode(stream);
    ASSERT_EQ(dib.size(), 40 + p.pixels.size());
    long error = 0;
    for (size_t i = 0; i < p.pixels.size(); ++i)
        error += std::abs(int(dib[40 + i]) - int(p.pixels[i]));
    EXPECT_LT(double(error) / double(p.pixels.size()), 6.0);
}

TEST(ArtRoundTrip, PalettePicturesStayLosslessWhateverTheEncodeType)
{
    Picture p = Gradient(20, 5, 8);
    std::vector<uint8_t> dib = Decode(Compress(p, {"EncodeType=0", "FinalQuality=8", "Preview=FAST"}));
    ASSERT_EQ(dib.size(), 40 + 1024 + p.pixels.size());
    EXPECT_EQ(std::memcmp(dib.data() + 40 + 1024, p.pixels.data(), p.pixels.size()), 0);
}

TEST(ArtCalls, RefuseWhatDoesNotDescribeAPictureOrAStep)
{
    JGE_HANDLE handle = nullptr;
    JGE_IMAGE noPalette{4, 4, 8, 0, nullptr};
    EXPECT_EQ(JgEInit(&handle, &noPalette), JGE_ERR_ARGUMENT);
    JGE_IMAGE odd{4, 4, 16, 0, nullptr};
    EXPECT_EQ(JgEInit(&handle, &odd), JGE_ERR_ARGUMENT);
    EXPECT_EQ(handle, nullptr);

    Picture p = Gradient(4, 3, 24);
    JGE_IMAGE image{3, 4, 24, 0, nullptr};
    ASSERT_EQ(JgEInit(&handle, &image), JGE_OK);
    EXPECT_EQ(JgESet(handle, "FinalQuality=11"), JGE_ERR_SETTING);
    EXPECT_EQ(JgESet(handle, "Colour=blue"), JGE_ERR_SETTING);
    EXPECT_EQ(JgESet(handle, "EncodeType"), JGE_ERR_SETTING);
    EXPECT_EQ(JgEInputImage(handle, p.pixels.data(), 16, 3, 1), JGE_ERR_ROW);
    EXPECT_EQ(JgEInputImage(handle, p.pixels.data(), 16, 2, 2), JGE_ERR_ROW);
    int32_t length = 0;
    EXPECT_EQ(JgEInputImage(handle, p.pixels.data(), 16, 0, 2), JGE_OK);
    EXPECT_EQ(JgEDoCompress(handle, &length), JGE_ERR_STATE);   // row 2 missing
    uint8_t small[8];
    EXPECT_EQ(JgEGetARTStream(handle, small, 8), JGE_ERR_STATE);
    EXPECT_EQ(JgEInputImage(handle, p.pixels.data(), 16, 2, 1), JGE_OK);
    ASSERT_EQ(JgEDoCompress(handle, &length), JGE_OK);
    EXPECT_EQ(JgEGetARTStream(handle, small, 8), JGE_ERR_LENGTH);
    JgEFreeHandle(handle);
}

TEST(ArtDecoder, RefusesDamagedStreams)
{
    Picture p = Gradient(30, 9, 8);
    std::vector<uint8_t> stream = Compress(p, {"EncodeType=1"});
    uint8_t* dib = nullptr;
    size_t length = 0;
    for (size_t cut = 0; cut < stream.size(); cut += 7)
        EXPECT_NE(JgDDecode(stream.data(), cut, &dib, &length), JGE_OK) << cut;
    std::vector<uint8_t> huge = stream;
    huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;   // 65535 x 65535
    EXPECT_EQ(JgDDecode(huge.data(), huge.size(), &dib, &length), JGE_ERR_FORMAT);
    std::vector<uint8_t> jpegOfPalette = stream;
    jpegOfPalette[5] = 1;
    EXPECT_EQ(JgDDecode(jpegOfPalette.data(), jpegOfPalette.size(), &dib, &length), JGE_ERR_FORMAT);
    EXPECT_EQ(dib, nullptr);
}

} // namespace
