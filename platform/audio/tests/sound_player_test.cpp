// The in-memory sound player without a sound card: a device that does not
// open plays silently and keeps time by the framework clock, and ALSA's
// software "null" device stands in for a real output.
#include "audio/sound_player.h"
#include "audio/tone.h"
#include "framework/Clock.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

#include <chrono>
#include <thread>

using namespace audio;

namespace {

constexpr const char* kNoDevice = "velmora_no_such_device";
constexpr PcmFormat kMono8k{1, 8000, 8};

// `seconds` of silence in `format`.
std::vector<uint8_t> Silence(const PcmFormat& format, double seconds)
{
    return std::vector<uint8_t>(size_t(seconds * format.samplesPerSec) * BytesPerFrame(format),
                                format.bitsPerSample == 8 ? 0x80 : 0);
}

}  // namespace

TEST(SoundPlayerTest, SilentPlayerFollowsTheFakeClockFromItsOffset)
{
    ScopedFakeClock clock;
    SoundPlayer player(kNoDevice);
    ASSERT_TRUE(player.SetSound(kMono8k, Silence(kMono8k, 2)));
    ASSERT_TRUE(player.Start(4000));
    EXPECT_FALSE(player.IsAudible());
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.Position(), 4000u);
    clock->Advance(250);
    EXPECT_EQ(player.Position(), 6000u);
    player.Stop();
    clock->Advance(500);
    EXPECT_EQ(player.Position(), 6000u) << "a stopped sound stays where it stopped";
    EXPECT_FALSE(player.IsPlaying());
}

TEST(SoundPlayerTest, SilentPlayerEndsAtTheLastSample)
{
    ScopedFakeClock clock;
    SoundPlayer player(kNoDevice);
    ASSERT_TRUE(player.SetSound(kMono8k, Silence(kMono8k, 1)));
    ASSERT_TRUE(player.Start(0));
    clock->Advance(999);
    EXPECT_TRUE(player.IsPlaying());
    clock->Advance(5000);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.Position(), 8000u);
}

TEST(SoundPlayerTest, StartRestartsAtTheNewOffsetClampedToTheLength)
{
    ScopedFakeClock clock;
    SoundPlayer player(kNoDevice);
    ASSERT_TRUE(player.SetSound(kMono8k, Silence(kMono8k, 1)));
    ASSERT_TRUE(player.Start(0));
    clock->Advance(500);
    ASSERT_TRUE(player.Start(1000));
    EXPECT_EQ(player.Position(), 1000u);
    ASSERT_TRUE(player.Start(99999));
    EXPECT_EQ(player.Position(), 8000u);
    EXPECT_FALSE(player.IsPlaying());
}

TEST(SoundPlayerTest, SoundIsKeptInWholeFramesOfAUsableFormat)
{
    SoundPlayer player(kNoDevice);
    const PcmFormat stereo16{2, 11025, 16};
    EXPECT_TRUE(player.SetSound(stereo16, std::vector<uint8_t>(4 * 10 + 3)));
    EXPECT_EQ(player.Length(), 10u) << "a trailing part frame is not a sample";

    const PcmFormat unusable[] = {{1, 8000, 12}, {0, 8000, 8}, {9, 8000, 16}, {1, 0, 8}};
    for (const PcmFormat& format : unusable) {
        EXPECT_FALSE(player.SetSound(format, std::vector<uint8_t>(100)));
        EXPECT_EQ(player.Length(), 0u);
        EXPECT_FALSE(player.Start(0)) << "no sound to play";
    }
}

TEST(SoundPlayerTest, NullDevicePlaysTheWholeSoundAndStopsPromptly)
{
    snd_pcm_t* probe = nullptr;
    if (snd_pcm_open(&probe, "null", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        GTEST_SKIP() << "ALSA's null device is not configured here";
    snd_pcm_close(probe);

    SoundPlayer player("null");
    const PcmFormat stereo16{2, 22050, 16};
    ASSERT_TRUE(player.SetSound(stereo16, Silence(stereo16, 0.3)));
    ASSERT_TRUE(player.Start(100));
    EXPECT_TRUE(player.IsAudible());
    for (int i = 0; i < 500 && player.IsPlaying(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.Position(), player.Length());

    ASSERT_TRUE(player.Start(0));
    player.Stop();
    EXPECT_FALSE(player.IsAudible());
    EXPECT_LE(player.Position(), player.Length());
}
