// The ALSA paths against ALSA's software "null" device, which needs no sound card.
#include "audio/audio_source.h"
#include "audio/wave_file.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace audio;

namespace {

bool NullDeviceOpens(snd_pcm_stream_t direction)
{
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "null", direction, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

// A quarter of a second of silence, 8-bit mono.
std::filesystem::path WriteSilence()
{
    const auto path = std::filesystem::temp_directory_path() / ("velmora_silence_" + std::to_string(getpid()) + ".wav");
    const uint32_t samples = 2000;
    std::ofstream out(path, std::ios::binary);
    auto put32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    put32(36 + samples);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);       // PCM
    put16(1);       // mono
    put32(8000);    // samples per second
    put32(8000);    // bytes per second
    put16(1);       // block align
    put16(8);       // bits
    out.write("data", 4);
    put32(samples);
    out.write(std::string(samples, char(0x80)).data(), samples);
    return path;
}

}  // namespace

TEST(AlsaTest, CaptureDeliversWholeFramesUntilStopped)
{
    if (!NullDeviceOpens(SND_PCM_STREAM_CAPTURE))
        GTEST_SKIP() << "ALSA's null device is not configured here";
    auto source = MakeAlsaSource("null");
    const PcmFormat format{2, 11025, 16};
    std::atomic<size_t> bytes{0};
    std::atomic<bool> wholeFrames{true};
    ASSERT_TRUE(source->Start(format, [&](const void*, size_t n) {
        bytes += n;
        wholeFrames = wholeFrames && n % 4 == 0;
    }));
    for (int i = 0; i < 100 && bytes == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    source->Stop();
    const size_t stoppedAt = bytes;
    EXPECT_GT(stoppedAt, 0u);
    EXPECT_TRUE(wholeFrames);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(bytes, stoppedAt);

    EXPECT_FALSE(MakeAlsaSource("no-such-device")->Start(format, [](const void*, size_t) {}));
}

TEST(AlsaTest, WavesPlayToTheEndOrAreCutOff)
{
    if (!NullDeviceOpens(SND_PCM_STREAM_PLAYBACK))
        GTEST_SKIP() << "ALSA's null device is not configured here";
    const auto path = WriteSilence();
    EXPECT_TRUE(PlayWave(path.string(), "null"));
    EXPECT_FALSE(PlayWave(path.string(), "no-such-device"));
    {
        WavePlayer player("null");
        EXPECT_TRUE(player.Play(path.string()));
        EXPECT_TRUE(player.Play(path.string()));   // cuts off the first
        player.Stop();
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_TRUE(player.Play(path.string()));
    }   // the destructor ends a sound still playing
    std::filesystem::remove(path);
}

namespace {

TEST(AlsaTest, AcceptedKeepsTheFormatsTheDeviceTakesInOrder)
{
    const std::vector<PcmFormat> candidates{
        {2, 44100, 16}, {1, 8000, 8}, {1, 8000, 24}, {9, 22050, 16}, {2, 48000, 8}};
    auto missing = MakeAlsaSource("velmora-no-such-device");
    EXPECT_TRUE(missing->Accepted(candidates).empty());
    if (!NullDeviceOpens(SND_PCM_STREAM_CAPTURE))
        GTEST_SKIP() << "ALSA's null device is not configured here";
    // The null device takes any rate, depth and channel count; what no source
    // can deliver (24 bits, nine channels) is still left out.
    const auto accepted = MakeAlsaSource("null")->Accepted(candidates);
    ASSERT_EQ(accepted.size(), 3u);
    EXPECT_EQ(accepted[0].samplesPerSec, 44100u);
    EXPECT_EQ(accepted[1].bitsPerSample, 8);
    EXPECT_EQ(accepted[2].samplesPerSec, 48000u);
}

}  // namespace
