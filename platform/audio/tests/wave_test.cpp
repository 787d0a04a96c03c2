#include "audio/wave_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace audio;

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) { for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i))); }
void Put16(std::vector<uint8_t>& v, uint16_t x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); }
void PutId(std::vector<uint8_t>& v, const char* id) { for (int i = 0; i < 4; ++i) v.push_back(uint8_t(id[i])); }

struct WaveBuilder {
    uint16_t tag = 1, channels = 1, bits = 16;
    uint32_t rate = 8000;
    std::vector<uint8_t> before;   // chunks ahead of "fmt "
    uint32_t dataBytes = 40;

    std::vector<uint8_t> Build() const
    {
        std::vector<uint8_t> body;
        PutId(body, "WAVE");
        body.insert(body.end(), before.begin(), before.end());
        PutId(body, "fmt ");
        Put32(body, 16);
        Put16(body, tag);                                // format tag
        Put16(body, channels);
        Put32(body, rate);
        Put32(body, rate * channels * bits / 8);         // bytes per second
        Put16(body, uint16_t(channels * bits / 8));      // block align
        Put16(body, bits);
        PutId(body, "data");
        Put32(body, dataBytes);
        body.insert(body.end(), dataBytes, 0x11);
        std::vector<uint8_t> file;
        PutId(file, "RIFF");
        Put32(file, uint32_t(body.size()));
        file.insert(file.end(), body.begin(), body.end());
        return file;
    }
};

int Parse(const std::vector<uint8_t>& file, WaveInfo& info) { return ParseWave(file.data(), file.size(), info); }

}  // namespace

TEST(WaveTest, FindsFormatAndSamplesPastOddSizedChunks)
{
    WaveBuilder b;
    b.channels = 2;
    b.dataBytes = 42;   // ten and a half 4-byte frames
    // A 3-byte chunk padded to 4 before the format.
    PutId(b.before, "LIST");
    Put32(b.before, 3);
    b.before.insert(b.before.end(), {'a', 'b', 'c', 0});
    auto file = b.Build();
    WaveInfo info;
    ASSERT_EQ(Parse(file, info), kWaveOk);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplesPerSec, 8000u);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.dataOffset, file.size() - 42);
    EXPECT_EQ(info.dataBytes, 40u);
}

TEST(WaveTest, EveryShortenedFileIsRefusedWithoutReadingPastIt)
{
    const auto file = WaveBuilder{}.Build();
    for (size_t n = 0; n < file.size(); ++n) {
        // A copy of exactly n bytes lets the address sanitizer see any overread.
        std::vector<uint8_t> cut(file.begin(), file.begin() + long(n));
        WaveInfo info;
        EXPECT_LT(ParseWave(cut.empty() ? nullptr : cut.data(), cut.size(), info), 0) << n << " bytes";
    }
}

TEST(WaveTest, NamesWhatIsWrong)
{
    WaveInfo info;
    WaveBuilder b;
    auto file = b.Build();
    std::memcpy(file.data() + 8, "AVI ", 4);
    EXPECT_EQ(Parse(file, info), kWaveNotRiff);

    b.tag = 3;   // floating point
    EXPECT_EQ(Parse(b.Build(), info), kWaveUnsupported);
    b = WaveBuilder{};
    b.bits = 24;
    EXPECT_EQ(Parse(b.Build(), info), kWaveUnsupported);
    b = WaveBuilder{};
    b.channels = 0;
    EXPECT_EQ(Parse(b.Build(), info), kWaveUnsupported);

    file = WaveBuilder{}.Build();
    file.pop_back();   // the data chunk claims one byte more than there is
    EXPECT_EQ(Parse(file, info), kWaveTruncated);

    file = WaveBuilder{}.Build();
    std::memcpy(file.data() + 36, "junk", 4);   // the data chunk renamed
    EXPECT_EQ(Parse(file, info), kWaveNoData);

    // A chunk size near 4 GiB must not wrap the position.
    file = WaveBuilder{}.Build();
    file[16] = file[17] = file[18] = file[19] = 0xFF;
    EXPECT_EQ(Parse(file, info), kWaveTruncated);
    // A RIFF size smaller than the "WAVE" tag it must cover.
    file = WaveBuilder{}.Build();
    file[4] = file[5] = file[6] = file[7] = 0;
    EXPECT_EQ(Parse(file, info), kWaveNoFormat);
    EXPECT_STRNE(WaveErrorText(kWaveTruncated), WaveErrorText(kWaveNoData));
}

TEST(WaveTest, PlayingFailsQuietlyWithoutAFileOrADevice)
{
    EXPECT_FALSE(PlayWave("/nonexistent/click.wav"));
    const auto path = std::filesystem::temp_directory_path() / ("velmora_click_" + std::to_string(getpid()) + ".wav");
    {
        auto file = WaveBuilder{}.Build();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), long(file.size()));
    }
    if (std::filesystem::exists("/dev/snd")) {
        std::filesystem::remove(path);
        GTEST_SKIP() << "this machine has sound hardware";
    }
    EXPECT_FALSE(PlayWave(path.string()));
    WavePlayer player;
    EXPECT_FALSE(player.Play(path.string()));
    EXPECT_FALSE(player.Play("/nonexistent/click.wav"));
    EXPECT_FALSE(player.IsPlaying());
    std::filesystem::remove(path);
}

TEST(WaveTest, AFifoUnderASoundsNameIsNotWaitedOn)
{
    const auto path = std::filesystem::temp_directory_path() / ("velmora_fifo_" + std::to_string(getpid()) + ".wav");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    // A plain open would wait here for a writer that never comes.
    EXPECT_FALSE(PlayWave(path.string()));
    WavePlayer player;
    EXPECT_FALSE(player.Play(path.string()));
    std::filesystem::remove(path);
}
