#include "movie/movie_reader.h"
#include "movie_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace movie;
using namespace movietest;

namespace {

std::string WriteSample(const std::string& name, const VideoFormat& format, int frames, const AudioFormat* audio,
                        size_t audioBytesPerFrame)
{
    const std::string path = TempPath(name);
    AviWriter writer;
    EXPECT_EQ(writer.Open(path, format, audio), kMovieOk);
    std::vector<uint8_t> sound(audioBytesPerFrame);
    for (int i = 0; i < frames; ++i) {
        auto bits = MakeFrame(format, uint32_t(i));
        EXPECT_EQ(writer.WriteVideoFrame(bits.data(), bits.size()), kMovieOk);
        for (size_t k = 0; k < sound.size(); ++k)
            sound[k] = uint8_t(k * 7 + size_t(i));
        if (audio) {
            EXPECT_EQ(writer.WriteAudio(sound.data(), sound.size()), kMovieOk);
        }
    }
    EXPECT_EQ(writer.Close(), kMovieOk);
    return path;
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The packed DIB a reader must give back for frame `number` of `format`.
std::vector<uint8_t> ExpectedDib(const VideoFormat& format, uint32_t number)
{
    BITMAPINFOHEADER h = format.header;
    h.biClrUsed = DWORD(format.colours.size());
    std::vector<uint8_t> dib(sizeof h);
    std::memcpy(dib.data(), &h, sizeof h);
    for (const RGBQUAD& q : format.colours)
        dib.insert(dib.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    auto bits = MakeFrame(format, number);
    dib.insert(dib.end(), bits.begin(), bits.end());
    return dib;
}

class MovieReaderDepthTest : public ::testing::TestWithParam<int> {};

}  // namespace

TEST(MovieReaderTest, ReportsWhatTheWriterPutIn)
{
    AudioFormat audio{2, 22050, 16};
    const auto path = WriteSample("info.avi", MakeFormat(64, 48, 24, 66666), 15, &audio, 1468);
    MovieReader reader;
    ASSERT_EQ(reader.Open(path), kMovieOk);
    const MovieInfo& info = reader.Info();
    EXPECT_EQ(info.frames, 15u);
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 48);
    EXPECT_EQ(info.bitCount, 24);
    EXPECT_TRUE(info.uncompressed);
    EXPECT_EQ(info.microSecPerFrame, 66666u);
    ASSERT_TRUE(info.hasAudio);
    EXPECT_EQ(info.audio.channels, 2);
    EXPECT_EQ(info.audio.samplesPerSec, 22050u);
    EXPECT_EQ(info.audio.bitsPerSample, 16);
    EXPECT_EQ(info.audioSamples, 15u * 1468 / 4);
    EXPECT_NEAR(info.VideoSeconds(), 1.0, 0.001);
    EXPECT_NEAR(info.AudioSeconds(), 15.0 * 1468 / 4 / 22050, 0.0001);

    std::vector<uint8_t> pcm;
    ASSERT_EQ(reader.ReadAllAudio(pcm), kMovieOk);
    ASSERT_EQ(pcm.size(), 15u * 1468);
    for (size_t i = 0; i < pcm.size(); ++i)
        ASSERT_EQ(pcm[i], uint8_t(i % 1468 * 7 + i / 1468)) << i;   // in order, nothing lost
}

TEST_P(MovieReaderDepthTest, FramesComeBackAsTheDibsThatWereWritten)
{
    const int bpp = GetParam();
    const VideoFormat format = MakeFormat(33, 17, bpp);
    const auto path = WriteSample("read" + std::to_string(bpp) + ".avi", format, 6, nullptr, 0);
    const auto bytes = FileBytes(path);
    MovieReader fromFile, fromMemory;
    ASSERT_EQ(fromFile.Open(path), kMovieOk);
    ASSERT_EQ(fromMemory.OpenMemory(bytes.data(), bytes.size()), kMovieOk);
    std::vector<uint8_t> dib;
    // Out of order on purpose: every read seeks.
    for (uint32_t n : {5u, 0u, 3u, 4u}) {
        ASSERT_EQ(fromFile.ReadFrameDib(n, dib), kMovieOk) << n;
        EXPECT_EQ(dib, ExpectedDib(format, n)) << "frame " << n;
        ASSERT_EQ(fromMemory.ReadFrameDib(n, dib), kMovieOk) << n;
        EXPECT_EQ(dib, ExpectedDib(format, n)) << "frame " << n << " from memory";
    }
    EXPECT_EQ(fromFile.ReadFrameDib(6, dib), kMovieNoFrame);
    EXPECT_EQ(fromFile.ReadAllAudio(dib), kMovieNoFrame);
}

INSTANTIATE_TEST_SUITE_P(Depths, MovieReaderDepthTest, ::testing::Values(24, 16, 8, 4));

TEST(MovieReaderTest, CompressedFramesComeBackAsBottomUpTwentyFourBitDibs)
{
    const auto path = TempPath("compressed.avi");
    ASSERT_TRUE(WriteCompressedMovie(path, 21, 9, 4));
    MovieReader reader;
    ASSERT_EQ(reader.Open(path), kMovieOk);
    EXPECT_FALSE(reader.Info().uncompressed);
    EXPECT_EQ(reader.Info().frames, 4u);
    EXPECT_EQ(reader.Info().bitCount, 24);
    std::vector<uint8_t> dib, want;
    for (uint32_t n : {2u, 0u, 3u}) {
        ASSERT_EQ(reader.ReadFrameDib(n, dib), kMovieOk) << n;
        const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
        ASSERT_EQ(h->biBitCount, 24);
        ASSERT_EQ(h->biHeight, 9);
        const size_t stride = DibRowBytes(21, 24);
        ASSERT_EQ(dib.size(), sizeof *h + stride * 9);
        int width = 0, height = 0;
        ASSERT_TRUE(DecodeBgr24(path, int(n), want, width, height));
        for (int y = 0; y < 9; ++y)   // FFmpeg's rows run top-down, ours bottom-up
            ASSERT_EQ(0, std::memcmp(dib.data() + sizeof *h + stride * size_t(8 - y), want.data() + size_t(y) * 63, 63))
                << "frame " << n << " row " << y;
    }
    EXPECT_EQ(reader.ReadFrameDib(4, dib), kMovieNoFrame);
}

TEST(MovieReaderTest, CodecsNoMovieOfOursUsesAreNotDecoded)
{
    const auto path = TempPath("png.avi");
    ASSERT_TRUE(WriteCompressedMovie(path, 8, 8, 2, "png"));
    MovieReader reader;
    EXPECT_EQ(reader.Open(path), kMovieBadFile);
    EXPECT_FALSE(reader.IsOpen());
}

TEST(MovieReaderTest, RefusesWhatIsNotAMovieAndSurvivesCutFiles)
{
    MovieReader reader;
    EXPECT_EQ(reader.Open("/nonexistent/movie.avi"), kMovieBadFile);
    const char text[] = "RIFF this is not a movie at all";
    EXPECT_EQ(reader.OpenMemory(reinterpret_cast<const uint8_t*>(text), sizeof text), kMovieBadFile);
    EXPECT_EQ(reader.OpenMemory(nullptr, 0), kMovieBadFile);
    EXPECT_FALSE(reader.IsOpen());
    std::vector<uint8_t> dib;
    EXPECT_EQ(reader.ReadFrameDib(0, dib), kMovieNotOpen);

    const auto path = WriteSample("cut.avi", MakeFormat(20, 10, 8), 4, nullptr, 0);
    const auto bytes = FileBytes(path);
    for (size_t n = 0; n < bytes.size(); n += 97) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
        if (reader.OpenMemory(cut.data(), cut.size()) != kMovieOk)
            continue;
        for (uint32_t i = 0; i < reader.Info().frames; ++i) {
            if (reader.ReadFrameDib(i, dib) == kMovieOk) {
                ASSERT_EQ(dib.size(), 40u + 1024 + 20 * 10) << n;   // header, colours, rows
            }
        }
    }
}

TEST(MovieCopyTest, CopiesWholeAndReplacesOnlyOnSuccess)
{
    const auto src = WriteSample("copysrc.avi", MakeFormat(16, 16, 24), 3, nullptr, 0);
    const auto dst = TempPath("copy dst.avi");
    {
        std::ofstream(dst) << "older file";
    }
    ASSERT_EQ(CopyMovie(src, dst), kMovieOk);
    EXPECT_EQ(FileBytes(dst), FileBytes(src));

    const auto notMovie = TempPath("notmovie.avi");
    std::ofstream(notMovie) << "plain text";
    EXPECT_EQ(CopyMovie(notMovie, dst), kMovieBadFile);
    EXPECT_EQ(FileBytes(dst), FileBytes(src));
    EXPECT_EQ(CopyMovie(src, "/nonexistent-dir/x.avi"), kMovieCannotCreate);

    // Nothing but the copy is left behind in the folder.
    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(dst).parent_path()))
        leftovers += entry.path().filename().string().find("copy dst.avi.") <= 1;
    EXPECT_EQ(leftovers, 0);
}

TEST(MovieReaderTest, SkippedPositionsKeepTimeAndShowThePictureBeforeThem)
{
    const auto path = TempPath("skipped.avi");
    const VideoFormat format = MakeFormat(24, 8, 8);
    AudioFormat audio;
    {
        AviWriter writer;
        ASSERT_EQ(writer.Open(path, format, &audio), kMovieOk);
        std::vector<uint8_t> sound(1102, 0x80);   // a tenth of a second per position
        // Positions: picture 0, three skipped, picture 4, picture 5, two skipped at the end.
        for (int i = 0; i < 8; ++i) {
            auto bits = MakeFrame(format, uint32_t(i));
            const bool skip = (i >= 1 && i <= 3) || i >= 6;
            ASSERT_EQ(skip ? writer.SkipVideoFrame() : writer.WriteVideoFrame(bits.data(), bits.size()), kMovieOk);
            ASSERT_EQ(writer.WriteAudio(sound.data(), sound.size()), kMovieOk);
        }
        EXPECT_EQ(writer.FramesWritten(), 8u);
        EXPECT_EQ(writer.FramesSkipped(), 5u);
        ASSERT_EQ(writer.Close(), kMovieOk);
    }
    Probe p = ProbeMovie(path);
    EXPECT_EQ(p.headerFrames, 8);
    EXPECT_NEAR(p.durationSeconds, 0.8, 0.001);

    MovieReader reader;
    ASSERT_EQ(reader.Open(path), kMovieOk);
    EXPECT_EQ(reader.Info().frames, 8u);
    EXPECT_NEAR(reader.Info().VideoSeconds(), reader.Info().AudioSeconds(), 0.001);
    const uint32_t shows[8] = {0, 0, 0, 0, 4, 5, 5, 5};
    std::vector<uint8_t> dib;
    for (uint32_t n : {3u, 0u, 7u, 2u, 4u, 6u, 5u, 1u}) {
        ASSERT_EQ(reader.ReadFrameDib(n, dib), kMovieOk) << n;
        EXPECT_EQ(dib, ExpectedDib(format, shows[n])) << "position " << n;
    }
}
