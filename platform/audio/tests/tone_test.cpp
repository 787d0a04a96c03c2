#include "audio/tone.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace audio;

namespace {

std::vector<int> Samples16(const std::vector<uint8_t>& bytes)
{
    std::vector<int> out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(int16_t(bytes[i] | bytes[i + 1] << 8));
    return out;
}

}  // namespace

TEST(ToneTest, OneSecondHoldsFourHundredFortyPeriods)
{
    for (PcmFormat f : {PcmFormat{1, 44100, 16}, PcmFormat{1, 11025, 8}}) {
        std::vector<uint8_t> block;
        AppendTone(f, 0, f.samplesPerSec, block);
        ASSERT_EQ(block.size(), f.samplesPerSec * BytesPerFrame(f));
        std::vector<int> s;
        if (f.bitsPerSample == 16) {
            s = Samples16(block);
        } else {
            for (uint8_t b : block)
                s.push_back(int(b) - 128);   // unsigned 8-bit centres on 128
        }
        int rising = 0, lo = 0, hi = 0;
        for (size_t i = 1; i < s.size(); ++i) {
            rising += s[i - 1] < 0 && s[i] >= 0;
            lo = std::min(lo, s[i]);
            hi = std::max(hi, s[i]);
        }
        EXPECT_NEAR(rising, 440, 1) << f.bitsPerSample << "-bit";
        EXPECT_GT(hi, 0);
        EXPECT_EQ(hi, -lo);
    }
}

TEST(ToneTest, BlocksJoinWithoutAJumpAndChannelsMatch)
{
    const PcmFormat f{2, 22050, 16};
    std::vector<uint8_t> whole, parts;
    AppendTone(f, 0, 1000, whole);
    AppendTone(f, 0, 333, parts);
    AppendTone(f, 333, 667, parts);
    EXPECT_EQ(whole, parts);
    auto s = Samples16(whole);
    for (size_t i = 0; i < s.size(); i += 2)
        ASSERT_EQ(s[i], s[i + 1]);
}

TEST(ToneSourceTest, DeliversWholeFramesNoFasterThanTheClockAndNothingAfterStop)
{
    auto tone = MakeToneSource();
    const PcmFormat f{2, 11025, 16};
    std::mutex lock;
    size_t bytes = 0, calls = 0;
    bool wholeFrames = true;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(tone->Start(f, [&](const void*, size_t n) {
        std::lock_guard guard(lock);
        bytes += n;
        ++calls;
        wholeFrames = wholeFrames && n % BytesPerFrame(f) == 0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    tone->Stop();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::lock_guard guard(lock);
    EXPECT_TRUE(wholeFrames);
    EXPECT_GT(calls, 1u);
    EXPECT_GT(bytes, 0u);
    EXPECT_LE(bytes, size_t(elapsed * f.samplesPerSec + 1) * BytesPerFrame(f));
    const size_t stoppedAt = bytes;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    lock.lock();
    EXPECT_EQ(bytes, stoppedAt);
}

TEST(ToneSourceTest, ASinkMayStopItsOwnSourceAndStartAgain)
{
    auto tone = MakeToneSource();
    std::atomic<int> calls{0};
    AudioSource* self = tone.get();
    ASSERT_TRUE(tone->Start(PcmFormat{}, [&](const void*, size_t) {
        ++calls;
        self->Stop();
    }));
    for (int i = 0; i < 50 && calls == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(calls, 1);
    std::atomic<int> again{0};
    ASSERT_TRUE(tone->Start(PcmFormat{}, [&](const void*, size_t) { ++again; }));
    for (int i = 0; i < 50 && again == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    tone->Stop();
    EXPECT_GT(again, 0);
    EXPECT_EQ(calls, 1);
}

TEST(AudioSourceTest, TheDefaultSourceAlwaysExists)
{
    auto source = OpenDefaultSource();
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(source->Name().empty());
    EXPECT_FALSE(source->Start(PcmFormat{1, 11025, 12}, [](const void*, size_t) {}));
    EXPECT_FALSE(source->Start(PcmFormat{}, nullptr));
    if (source->Name() != MakeToneSource()->Name())
        GTEST_SKIP() << "a sound input is present; the tone stand-in is not in use";
}
