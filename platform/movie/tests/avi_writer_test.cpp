#include "movie/avi_writer.h"
#include "movie_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace movie;
using namespace movietest;

namespace {

int WriteMovie(const std::string& path, const VideoFormat& format, int frames, const AudioFormat* audio = nullptr,
               size_t audioBytes = 0)
{
    AviWriter writer;
    int rc = writer.Open(path, format, audio);
    if (rc != kMovieOk)
        return rc;
    std::vector<uint8_t> sound(audioBytes, 0x80);
    for (int i = 0; i < frames; ++i) {
        auto bits = MakeFrame(format, uint32_t(i));
        if ((rc = writer.WriteVideoFrame(bits.data(), bits.size())) != kMovieOk)
            return rc;
        if (audio && (rc = writer.WriteAudio(sound.data(), sound.size())) != kMovieOk)
            return rc;
    }
    return writer.Close();
}

// The colour a reader must show for pixel (x, y) of a bottom-up DIB frame, as B, G, R.
std::array<uint8_t, 3> DibColour(const VideoFormat& f, const std::vector<uint8_t>& bits, int x, int y)
{
    const int bpp = f.header.biBitCount;
    const uint8_t* row = bits.data() + DibRowBytes(f.header.biWidth, WORD(bpp)) * (f.header.biHeight - 1 - y);
    if (bpp == 24)
        return {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
    int index = bpp == 8 ? row[x] : (x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4);
    const RGBQUAD& q = f.colours[size_t(index)];
    return {q.rgbBlue, q.rgbGreen, q.rgbRed};
}

class AviDepthTest : public ::testing::TestWithParam<int> {};

}  // namespace

// An odd width makes every depth pad its rows, which is where row handling goes wrong.
TEST_P(AviDepthTest, EveryDepthReadsBackThroughFfmpegWithItsColours)
{
    const int bpp = GetParam();
    const std::string path = TempPath("depth" + std::to_string(bpp) + ".avi");
    const VideoFormat format = MakeFormat(33, 17, bpp, 100000);
    ASSERT_EQ(WriteMovie(path, format, 7), kMovieOk);

    Probe p = ProbeMovie(path);
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.headerFrames, 7);
    EXPECT_EQ(p.videoPackets, 7);
    EXPECT_DOUBLE_EQ(p.frameRate, 10.0);
    EXPECT_EQ(p.width, 33);
    EXPECT_EQ(p.height, 17);
    EXPECT_EQ(p.bitCount, bpp);
    EXPECT_NEAR(p.durationSeconds, 0.7, 0.001);

    std::vector<uint8_t> rows;
    int w = 0, h = 0;
    ASSERT_TRUE(DecodeBgr24(path, 3, rows, w, h));
    ASSERT_EQ(w, 33);
    ASSERT_EQ(h, 17);
    if (bpp == 16)
        return;   // FFmpeg widens 5-bit channels its own way; its geometry is what matters here
    const auto frame = MakeFrame(format, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* got = &rows[size_t(y * w + x) * 3];
            const auto want = DibColour(format, frame, x, y);
            ASSERT_EQ((std::array<uint8_t, 3>{got[0], got[1], got[2]}), want) << "pixel " << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Depths, AviDepthTest, ::testing::Values(24, 16, 8, 4));

TEST(AviWriterTest, ThreeSecondsAtTenFramesWithSoundHaveExactLengths)
{
    const std::string path = TempPath("sound.avi");
    AudioFormat audio;   // 11025 Hz, 8-bit mono
    ASSERT_EQ(WriteMovie(path, MakeFormat(160, 120, 24, 100000), 30, &audio, 1102), kMovieOk);
    Probe p = ProbeMovie(path);
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.headerFrames, 30);
    EXPECT_EQ(p.videoPackets, 30);
    EXPECT_EQ(p.sampleRate, 11025);
    EXPECT_EQ(p.channels, 1);
    EXPECT_EQ(p.audioBytes, 30 * 1102);
    EXPECT_EQ(p.audioHeaderSamples, 30 * 1102);
    EXPECT_NEAR(p.durationSeconds, 3.0, 0.01);
}

TEST(AviWriterTest, SoundSplitInsideASampleIsKeptWhole)
{
    const std::string path = TempPath("split.avi");
    AudioFormat audio{2, 22050, 16};   // 4-byte sample frames
    AviWriter writer;
    ASSERT_EQ(writer.Open(path, MakeFormat(16, 16, 24), &audio), kMovieOk);
    std::vector<uint8_t> sound(1001, 1);
    // All sound first, then all pictures: the writer interleaves them itself.
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(writer.WriteAudio(sound.data(), sound.size()), kMovieOk);
    EXPECT_EQ(writer.AudioBytesWritten(), 4004u);
    auto frame = MakeFrame(MakeFormat(16, 16, 24), 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(writer.WriteVideoFrame(frame.data(), frame.size()), kMovieOk);
    EXPECT_EQ(writer.FramesWritten(), 3u);
    ASSERT_EQ(writer.Close(), kMovieOk);
    Probe p = ProbeMovie(path);
    EXPECT_EQ(p.audioBytes, 4004);
    EXPECT_EQ(p.audioHeaderSamples, 1001);
    EXPECT_EQ(p.channels, 2);
    EXPECT_EQ(p.videoPackets, 3);
}

TEST(AviWriterTest, RefusesWhatTheFileCannotHold)
{
    const std::string path = TempPath("bad.avi");
    AviWriter writer;
    VideoFormat f = MakeFormat(16, 16, 24);
    f.header.biWidth = 0;
    EXPECT_EQ(writer.Open(path, f, nullptr), kMovieBadFormat);
    f = MakeFormat(16, 16, 32);
    EXPECT_EQ(writer.Open(path, f, nullptr), kMovieBadFormat);
    f = MakeFormat(16, 16, 8);
    f.colours.clear();
    EXPECT_EQ(writer.Open(path, f, nullptr), kMovieBadFormat);
    f = MakeFormat(16, 16, 8);
    f.header.biCompression = BI_RLE8;
    EXPECT_EQ(writer.Open(path, f, nullptr), kMovieBadFormat);
    f = MakeFormat(16, -16, 24);
    EXPECT_EQ(writer.Open(path, f, nullptr), kMovieBadFormat);
    f = MakeFormat(100000, 100000, 24);
    EXPECT_EQ(writer.Open(path, f, nullptr), kMovieBadFormat);
    AudioFormat odd{1, 11025, 12};
    EXPECT_EQ(writer.Open(path, MakeFormat(16, 16, 24), &odd), kMovieBadFormat);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.WriteVideoFrame("x", 1), kMovieNotOpen);
    EXPECT_EQ(writer.Close(), kMovieNotOpen);
    EXPECT_EQ(writer.Open("/nonexistent-dir/x.avi", MakeFormat(16, 16, 24), nullptr), kMovieCannotCreate);

    ASSERT_EQ(writer.Open(path, MakeFormat(16, 16, 24), nullptr), kMovieOk);
    std::vector<uint8_t> shortFrame(10);
    EXPECT_EQ(writer.WriteVideoFrame(shortFrame.data(), shortFrame.size()), kMovieBadFormat);
    EXPECT_EQ(writer.WriteAudio(shortFrame.data(), shortFrame.size()), kMovieBadFormat);
    EXPECT_EQ(writer.Close(), kMovieOk);
}

TEST(AviWriterTest, FullDeviceIsReportedAndTheWriterStillCloses)
{
    AviWriter writer;
    const VideoFormat format = MakeFormat(160, 120, 24);
    ASSERT_EQ(writer.Open("/dev/full", format, nullptr), kMovieOk);
    auto frame = MakeFrame(format, 0);
    int rc = kMovieOk;
    for (int i = 0; i < 10 && rc == kMovieOk; ++i)
        rc = writer.WriteVideoFrame(frame.data(), frame.size());
    EXPECT_EQ(rc, kMovieWriteFailed);
    EXPECT_EQ(writer.WriteVideoFrame(frame.data(), frame.size()), kMovieWriteFailed);
    EXPECT_EQ(writer.Close(), kMovieWriteFailed);
    EXPECT_FALSE(writer.IsOpen());
}

TEST(AviWriterTest, FileSizeLimitIsAWriteFailureAndTheWriterCanStartAgain)
{
    const std::string path = TempPath("limited.avi");
    const VideoFormat format = MakeFormat(160, 120, 24);
    auto frame = MakeFrame(format, 0);
    AviWriter writer;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 300 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int rc = writer.Open(path, format, nullptr);
    for (int i = 0; i < 20 && rc == kMovieOk; ++i)
        rc = writer.WriteVideoFrame(frame.data(), frame.size());
    int closed = writer.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(rc, kMovieWriteFailed);
    EXPECT_EQ(closed, kMovieWriteFailed);

    ASSERT_EQ(writer.Open(path, format, nullptr), kMovieOk);
    ASSERT_EQ(writer.WriteVideoFrame(frame.data(), frame.size()), kMovieOk);
    ASSERT_EQ(writer.Close(), kMovieOk);
    EXPECT_EQ(ProbeMovie(path).videoPackets, 1);
}

TEST(AviWriterTest, PreallocatedFileHoldsOnlyTheMovieWrittenIntoIt)
{
    const std::string path = TempPath("workspac.avi");
    ASSERT_EQ(Preallocate(path, 5242880), kMovieOk);
    struct stat st = {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 5242880);
    EXPECT_GE(uint64_t(st.st_blocks) * 512, 5242880u);

    // A long movie first, then a short one in the same place.
    ASSERT_EQ(WriteMovie(path, MakeFormat(160, 120, 24), 40), kMovieOk);
    ASSERT_EQ(WriteMovie(path, MakeFormat(32, 24, 8), 2), kMovieOk);
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_LT(st.st_size, 10000);
    Probe p = ProbeMovie(path);
    EXPECT_EQ(p.videoPackets, 2);
    EXPECT_EQ(p.headerFrames, 2);
    EXPECT_EQ(p.width, 32);

    EXPECT_EQ(Preallocate("/nonexistent-dir/x.avi", 1000), kMovieCannotCreate);
}

TEST(AviWriterTest, PicturesAndSoundFromTwoThreadsAllArrive)
{
    const std::string path = TempPath("threads.avi");
    const VideoFormat format = MakeFormat(64, 48, 16);
    AudioFormat audio{1, 11025, 16};
    AviWriter writer;
    ASSERT_EQ(writer.Open(path, format, &audio), kMovieOk);
    std::atomic<int> failures{0};
    std::thread pictures([&] {
        auto bits = MakeFrame(format, 1);
        for (int i = 0; i < 50; ++i)
            failures += writer.WriteVideoFrame(bits.data(), bits.size()) != kMovieOk;
    });
    std::thread sound([&] {
        std::vector<uint8_t> block(441, 0);   // odd on purpose: half a sample per call
        for (int i = 0; i < 250; ++i)   // five seconds, as long as the pictures
            failures += writer.WriteAudio(block.data(), block.size()) != kMovieOk;
    });
    pictures.join();
    sound.join();
    ASSERT_EQ(writer.Close(), kMovieOk);
    EXPECT_EQ(failures, 0);
    Probe p = ProbeMovie(path);
    EXPECT_EQ(p.videoPackets, 50);
    EXPECT_EQ(p.audioBytes, 110250);
    EXPECT_EQ(p.audioHeaderSamples, 55125);
}
