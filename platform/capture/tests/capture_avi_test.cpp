// Sequences recorded through the movie-file service, read back by FFmpeg.
#include "temp_dir.h"
#include "capture_test_util.h"

#include "capture/test_pattern.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <filesystem>

using namespace capture;
using namespace capture::testing;

namespace {

struct MovieContents {
    int videoPackets = 0;
    int width = 0;
    double audioSeconds = 0;
    bool opened = false;
};

MovieContents ReadMovie(const std::string& path)
{
    MovieContents m;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return m;
    m.opened = avformat_find_stream_info(ctx, nullptr) >= 0;
    int64_t audioBytes = 0;
    double bytesPerSecond = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVCodecParameters* p = ctx->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO)
            m.width = p->width;
        if (p->codec_type == AVMEDIA_TYPE_AUDIO)
            bytesPerSecond = double(p->sample_rate) * p->ch_layout.nb_channels * av_get_bits_per_sample(p->codec_id) / 8;
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(ctx, packet) >= 0) {
        AVMediaType type = ctx->streams[packet->stream_index]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_VIDEO && packet->size > 0)
            ++m.videoPackets;
        else if (type == AVMEDIA_TYPE_AUDIO)
            audioBytes += packet->size;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&ctx);
    if (bytesPerSecond > 0)
        m.audioSeconds = double(audioBytes) / bytesPerSecond;
    return m;
}

struct AviFixture : ::testing::Test {
    void SetUp() override
    {
        ResetMessageQueue();
        DriverCatalog::Install({TestPatternEntry()});
        window = std::make_unique<CaptureWindow>(nullptr);
        s_errors = &errors;
        window->SetCallbackOnError([](HWND, int id, LPCSTR) -> LRESULT { s_errors->push_back(id); return TRUE; });
        window->SetAudioSourceFactory([] { return std::make_unique<InstantSound>(3.0); });
        window->SetPacer(std::make_unique<VirtualPacer>());
        ASSERT_TRUE(window->DriverConnect(0));
        path = ProcessTempDir() + "/capture_avi_test.avi";
        std::filesystem::remove(path);
        ASSERT_TRUE(window->FileSetCaptureFile(path.c_str()));
    }
    void TearDown() override
    {
        window.reset();
        DriverCatalog::UseSystem();
    }
    static inline std::vector<int>* s_errors = nullptr;
    ScopedTestUi ui;
    std::vector<int> errors;
    std::unique_ptr<CaptureWindow> window;
    std::string path;
};

TEST_F(AviFixture, ThreeSecondsAtTenFramesPerSecondWithSound)
{
    ASSERT_TRUE(window->FileAlloc(5242880));
    CAPTUREPARMS p{};
    window->CaptureGetSetup(&p, sizeof p);
    p.dwRequestMicroSecPerFrame = 100000;
    p.fCaptureAudio = TRUE;
    p.fLimitEnabled = TRUE;
    p.wTimeLimit = 3;
    p.fYield = FALSE;
    ASSERT_TRUE(window->CaptureSetSetup(&p, sizeof p));
    ASSERT_TRUE(window->CaptureSequence());
    EXPECT_TRUE(errors.empty());
    MovieContents m = ReadMovie(path);
    ASSERT_TRUE(m.opened);
    EXPECT_EQ(m.width, 160);
    EXPECT_NEAR(m.videoPackets, 30, 1);
    EXPECT_NEAR(m.audioSeconds, 3.0, 0.1);
    // Save-as copies the movie.
    const std::string copy = ProcessTempDir() + "/capture_avi_copy.avi";
    ASSERT_TRUE(window->FileSaveAs(copy.c_str()));
    EXPECT_EQ(ReadMovie(copy).videoPackets, m.videoPackets);
}

TEST_F(AviFixture, SingleFrameCaptureAddsOneFramePerCall)
{
    ASSERT_TRUE(window->CaptureSingleFrameOpen());
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(window->CaptureSingleFrame());
    ASSERT_TRUE(window->CaptureSingleFrameClose());
    EXPECT_EQ(ReadMovie(path).videoPackets, 4);
    ASSERT_TRUE(window->CaptureSingleFrameOpen());
    ASSERT_TRUE(window->CaptureSingleFrame());
    ASSERT_TRUE(window->CaptureSingleFrameClose());
    EXPECT_EQ(ReadMovie(path).videoPackets, 1);
}

TEST_F(AviFixture, AFullDiskIsReportedThroughTheErrorCallback)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    window->FileSetCaptureFile("/dev/full");
    CAPTUREPARMS p{};
    window->CaptureGetSetup(&p, sizeof p);
    p.fLimitEnabled = TRUE;
    p.wTimeLimit = 2;
    p.fYield = FALSE;
    window->CaptureSetSetup(&p, sizeof p);
    window->CaptureSequence();
    ASSERT_FALSE(errors.empty());
    EXPECT_TRUE(errors[0] == IDS_CAP_FILE_WRITE || errors[0] == IDS_CAP_FILE_OPEN) << errors[0];
    EXPECT_FALSE(window->IsCapturing());
}

}  // namespace
