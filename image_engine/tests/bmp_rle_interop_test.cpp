// Run-length BMP files the engine writes, read by three independent readers:
// ImageMagick, FFmpeg and Pillow must each see exactly the engine's colours.
// Each reader is strict in its own way (the colour count in the header, the
// end of the last row, the length of absolute runs), so each is asked.
#include <cstring>

#include "test_util.h"

using namespace vtest;

namespace {

struct Peer {
    const char* name;
    std::string (*program)();
    // The peer's decoding as a handle; `warnings` gets what it complained of.
    IMG_HANDLE (*decode)(const std::string& path, const std::string& reference, std::string* warnings);
};

const Peer kPeers[] = {
    {"ImageMagick", ConvertProgram,
     [](const std::string& path, const std::string& reference, std::string*) {
         return MagickDecode(path, reference, "-alpha off");
     }},
    {"FFmpeg", FfmpegProgram, FfmpegDecode},
    {"Pillow", PillowPython,
     [](const std::string& path, const std::string& reference, std::string*) {
         return PillowDecode(path, reference);
     }},
};

void PrintTo(const Peer& peer, std::ostream* out)
{
    *out << peer.name;
}

uint32_t Mix(int x, int y)
{
    return (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 9;
}

// Rows of scattered colours in which about one pixel in four repeats its left
// neighbour: absolute runs of every length, odd and even, between short runs.
uint32_t Scattered(int x, int y, int bits)
{
    if (x > 0 && Mix(x, y) % 4 == 0)
        return Scattered(x - 1, y, bits);
    return (Mix(y, x) % 251) & ((1u << bits) - 1);
}

class RleInterop : public FileTest, public ::testing::WithParamInterface<Peer> {
protected:
    void SetUp() override
    {
        if (GetParam().program().empty())
            GTEST_SKIP() << GetParam().name << " is not installed";
    }
    // Saves the DIB as run-length BMP and expects the peer to read it exactly
    // and without complaint.
    void ExpectPeerReads(const std::vector<uint8_t>& dib, const std::string& label)
    {
        IMG_HANDLE ours = FromDib(dib);
        const std::string path = Temp("rle_ours.bmp");
        ASSERT_EQ(IMG_save_bitmap(ours, path.c_str(), IMG_TYPE_BMP_RLE), 0) << label;
        std::string warnings;
        IMG_HANDLE theirs = GetParam().decode(path, Temp("rle_reference.bmp"), &warnings);
        ASSERT_NE(theirs, 0u) << label;
        EXPECT_EQ(CompareColours(ours, theirs), "") << label;
        EXPECT_EQ(warnings, "") << label;
        IMG_delete_bitmap(theirs);
        IMG_delete_bitmap(ours);
    }
};

TEST_P(RleInterop, ReadsOurRunLengthFilesOfOddAndEvenWidthsPixelExact)
{
    for (int bits : {4, 8})
        for (int width : {1, 2, 3, 5, 7, 29, 97, 255, 257}) {
            const int height = width == 97 ? 61 : 7;
            ExpectPeerReads(MakeDib(width, height, bits, [&](int x, int y) { return Scattered(x, y, bits); }),
                            std::to_string(bits) + " bits, " + std::to_string(width) + " x " +
                                std::to_string(height));
        }
}

TEST_P(RleInterop, ReadsOurFileWhenTheHeaderCountedFewerColours)
{
    // A picture made from a DIB whose header lists 5 colours but whose table
    // and pixels use all 16: the file states the table it really holds.
    auto dib = MakeDib(97, 61, 4, [](int x, int y) { return Scattered(x, y, 4); });
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    h.biClrUsed = h.biClrImportant = 5;
    std::memcpy(dib.data(), &h, sizeof h);
    ExpectPeerReads(dib, "16 colours listed as 5");
}

INSTANTIATE_TEST_SUITE_P(Peers, RleInterop, ::testing::ValuesIn(kPeers),
                         [](const ::testing::TestParamInfo<Peer>& info) { return std::string(info.param.name); });

}   // namespace
