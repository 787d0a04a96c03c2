// Saving streams with compression options: every compressor this system has
// must give a file that other programs play with the right length and rate,
// and a stopped or failed save must leave the folder as it was.
#include "movie/movie_save.h"
#include "movie_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace movie;
using namespace movietest;

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr uint32_t kFrames = 45;   // three seconds
constexpr uint32_t kMicroSecPerFrame = 66667;
constexpr uint32_t kSampleRate = 11025;

std::string Text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Soft moving bands, as a camera's picture would be, so that every
// compressor has something to do without being swamped by noise.
std::vector<uint8_t> MovingPicture(const VideoFormat& format, uint32_t number)
{
    std::vector<uint8_t> bits(format.header.biSizeImage);
    const size_t stride = DibRowBytes(format.header.biWidth, format.header.biBitCount);
    for (int y = 0; y < format.header.biHeight; ++y)
        for (int x = 0; x < format.header.biWidth; ++x) {
            const int v = (x * 4 + y * 2 + int(number) * 5) & 0xFF;
            uint8_t* row = bits.data() + size_t(y) * stride;
            switch (format.header.biBitCount) {
            case 24: row[x * 3] = uint8_t(v), row[x * 3 + 1] = uint8_t(255 - v), row[x * 3 + 2] = uint8_t(y * 5); break;
            case 16: row[x * 2] = uint8_t(v), row[x * 2 + 1] = uint8_t(v >> 3); break;
            case 8: row[x] = uint8_t(v); break;
            case 4: row[x / 2] |= uint8_t((v >> 4) << (x % 2 ? 0 : 4)); break;
            }
        }
    return bits;
}

// A 440 Hz tone of 16-bit mono samples lasting as long as the pictures.
std::vector<uint8_t> Tone(uint32_t samples)
{
    std::vector<uint8_t> pcm;
    for (uint32_t i = 0; i < samples; ++i) {
        const auto v = int16_t(8000 * std::sin(2 * M_PI * 440 * i / kSampleRate));
        pcm.push_back(uint8_t(v & 0xFF));
        pcm.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return pcm;
}

// `noisy` pictures, as from a grainy camera, leave compressors something to
// trade between size and quality at any size.
std::string WriteSource(const std::string& name, int bitCount, bool sound, bool noisy = false)
{
    const std::string path = TempPath(name);
    VideoFormat format = MakeFormat(kWidth, kHeight, bitCount, kMicroSecPerFrame);
    const size_t last = format.colours.empty() ? 0 : format.colours.size() - 1;
    for (size_t i = 0; last > 0 && i <= last; ++i)   // neighbouring entries of like colour, as pictures have
        format.colours[i] = RGBQUAD{BYTE(i * 255 / last), BYTE(255 - i * 255 / last), BYTE(i * 128 / last), 0};
    AudioFormat audio{1, kSampleRate, 16};
    AviWriter writer;
    if (writer.Open(path, format, sound ? &audio : nullptr) != kMovieOk)
        return "";
    const auto tone = Tone(uint32_t(uint64_t(kSampleRate) * kFrames * kMicroSecPerFrame / 1000000));
    const size_t perFrame = tone.size() / kFrames & ~size_t(1);
    for (uint32_t n = 0; n < kFrames; ++n) {
        const auto bits = noisy ? MakeFrame(format, n) : MovingPicture(format, n);
        writer.WriteVideoFrame(bits.data(), bits.size());
        const size_t from = n * perFrame, to = n + 1 == kFrames ? tone.size() : from + perFrame;
        if (sound)
            writer.WriteAudio(tone.data() + from, to - from);
    }
    return writer.Close() == kMovieOk ? path : "";
}

std::vector<std::string> CommandLines(const std::string& command)
{
    std::vector<std::string> lines;
    FILE* out = ::popen(command.c_str(), "r");
    if (!out)
        return lines;
    char line[256];
    while (std::fgets(line, sizeof line, out)) {
        lines.emplace_back(line);
        lines.back().erase(lines.back().find_last_not_of("\r\n") + 1);
    }
    ::pclose(out);
    return lines;
}

// What ffprobe, a program of its own, makes of a file's streams.
struct Probed {
    std::string codec;
    int frames = 0;       // pictures decoded
    double rate = 0;      // pictures a second
    double end = 0;       // when the stream's last packet ends, in seconds
};
std::map<std::string, Probed> FfProbe(const std::string& path)
{
    std::map<std::string, Probed> streams;
    for (const std::string& line : CommandLines(
             "ffprobe -v error -count_frames -show_entries stream=codec_type,codec_name,nb_read_frames,r_frame_rate "
             "-of csv=p=0 '" + path + "' 2>/dev/null")) {
        char codec[32] = {}, type[32] = {};
        int num = 0, den = 1, frames = 0;
        if (std::sscanf(line.c_str(), "%31[^,],%31[^,],%d/%d,%d", codec, type, &num, &den, &frames) >= 4)
            streams[type] = Probed{codec, frames, den ? double(num) / den : 0, 0};
    }
    for (const std::string& line : CommandLines("ffprobe -v error -show_entries packet=codec_type,dts_time,duration_time "
                                                "-of csv=p=0 '" + path + "' 2>/dev/null")) {
        char type[32] = {};
        double dts = 0, duration = 0;   // no picture is stored ahead of its time, so dts is pts
        if (std::sscanf(line.c_str(), "%31[^,],%lf,%lf", type, &dts, &duration) == 3)
            streams[type].end = std::max(streams[type].end, dts + duration);
    }
    return streams;
}

bool HaveFfprobe() { return std::system("ffprobe -version >/dev/null 2>&1") == 0; }

int Leftovers(const std::string& path)
{
    int found = 0;
    const std::string name = fs::path(path).filename().string() + ".";
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        found += entry.path().filename().string().find(name) <= 1;
    return found;
}

class MovieSaveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_source = WriteSource("save-source.avi", 24, true); }
    void SetUp() override
    {
        ASSERT_FALSE(s_source.empty());
        ASSERT_EQ(OpenMovieStreams(s_source, streams), kMovieOk);
        ASSERT_EQ(streams.size(), 2u);
    }

    static std::string s_source;
    std::vector<MovieStream> streams;
};
std::string MovieSaveTest::s_source;

std::vector<Compressor> Compressors() { return AvailableCompressors(); }

class EveryCompressor : public MovieSaveTest, public ::testing::WithParamInterface<Compressor> {};

TEST_P(EveryCompressor, GivesAMovieOtherProgramsPlayWithTheRightLengthAndRate)
{
    if (!HaveFfprobe())
        GTEST_SKIP() << "no ffprobe";
    const Compressor& c = GetParam();
    CompressOptions video, sound;
    video.handler = c.handler;   // 0 for a sound row: full frames
    sound.soundFormat = c.soundFormat;
    const std::string path = TempPath("saved.avi");
    std::vector<int> reports;
    ASSERT_EQ(SaveMovie(path, streams, {video, sound}, [&](int p) { return reports.push_back(p), true; }), kMovieOk)
        << c.name;

    auto probe = FfProbe(path);
    ASSERT_EQ(probe.count("video"), 1u) << c.name;
    ASSERT_EQ(probe.count("audio"), 1u) << c.name;
    EXPECT_EQ(probe["video"].frames, int(kFrames)) << c.name;
    EXPECT_NEAR(probe["video"].rate, 1e6 / kMicroSecPerFrame, 0.01) << c.name;
    const double pictures = probe["video"].end;
    EXPECT_NEAR(pictures, kFrames * kMicroSecPerFrame / 1e6, 0.001) << c.name;
    EXPECT_NEAR(probe["audio"].end, pictures, kMicroSecPerFrame / 1e6) << c.name;
    if (c.video)   // the sound, without options of its own, stays as it was
        EXPECT_EQ(probe["audio"].codec, "pcm_s16le") << c.name;

    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front(), 0);
    EXPECT_EQ(reports.back(), 100);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
}

INSTANTIATE_TEST_SUITE_P(Available, EveryCompressor, ::testing::ValuesIn(Compressors()),
                         [](const auto& info) { return std::to_string(info.index); });

TEST(MovieCompressors, ListEveryCompressorOfThisBuildOnceWithTheUncompressedOnesFirst)
{
    const auto list = AvailableCompressors();
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list.front().handler, FourCC('D', 'I', 'B', ' '));
    std::map<uint32_t, int> seen;
    for (const Compressor& c : list) {
        EXPECT_FALSE(c.name.empty());
        EXPECT_EQ(++seen[c.video ? c.handler : c.soundFormat], 1) << c.name;
    }
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [](const Compressor& c) { return c.soundFormat == kSoundPcm; }));
}

TEST_F(MovieSaveTest, StoppedHalfwayLeavesNoFileAndKeepsTheOlderOne)
{
    const std::string path = TempPath("stopped.avi");
    std::ofstream(path) << "older movie";
    int last = -1;
    EXPECT_EQ(SaveMovie(path, streams, {{FourCC('M', 'J', 'P', 'G')}}, [&](int p) { return (last = p) < 50; }),
              kMovieAborted);
    EXPECT_GE(last, 50);
    EXPECT_LT(last, 55);
    EXPECT_TRUE(Text(path) == "older movie");
    EXPECT_EQ(Leftovers(path), 0);
}

TEST_F(MovieSaveTest, AFullDiskFailsTheSaveAndLeavesNoFile)
{
    const std::string path = TempPath("full.avi");
    fs::remove(path);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {   // a file size limit stands in for a full disk
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(-SaveMovie(path, streams, {}));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(-WEXITSTATUS(status), kMovieWriteFailed) << MovieErrorText(-WEXITSTATUS(status));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(Leftovers(path), 0);
}

TEST_F(MovieSaveTest, RefusesWhatItCannotWriteBeforeMakingAFile)
{
    const std::string path = TempPath("refused.avi");
    fs::remove(path);
    const CompressOptions unknown{FourCC('Z', 'Z', 'Z', 'Z')};
    CompressOptions badSound;
    badSound.soundFormat = 0x55;
    const struct {
        const char* what;
        std::vector<MovieStream> streams;
        std::vector<CompressOptions> options;
    } rows[] = {
        {"unknown compressor", streams, {unknown}},
        {"unknown sound format", streams, {{}, badSound}},
        {"two picture streams", {streams[0], streams[0]}, {}},
        {"no stream", {}, {}},
        {"an empty stream", {MovieStream()}, {}},
    };
    for (const auto& row : rows) {
        EXPECT_NE(SaveMovie(path, row.streams, row.options), kMovieOk) << row.what;
        EXPECT_FALSE(fs::exists(path)) << row.what;
    }
    EXPECT_EQ(SaveMovie("/nonexistent-dir/x.avi", streams, {}), kMovieCannotCreate);
}

// Key-frame interval, quality and data rate each change what a compressor writes.
TEST_F(MovieSaveTest, OptionsReachTheCompressors)
{
    auto keyFrames = [](const std::string& path) {
        int keys = 0;
        const std::string command = "ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 '" +
                                    path + "' | grep -c K";
        FILE* out = ::popen(command.c_str(), "r");
        if (out && std::fscanf(out, "%d", &keys) != 1)
            keys = -1;
        if (out)
            ::pclose(out);
        return keys;
    };
    if (!HaveFfprobe())
        GTEST_SKIP() << "no ffprobe";
    const std::string noisy = WriteSource("noisy.avi", 24, false, true);
    std::vector<MovieStream> pictures;
    ASSERT_EQ(OpenMovieStreams(noisy, pictures), kMovieOk);
    const std::string a = TempPath("a.avi"), b = TempPath("b.avi");
    const uint32_t mjpg = FourCC('M', 'J', 'P', 'G'), mp4 = FourCC('F', 'M', 'P', '4'), h264 = FourCC('H', '2', '6', '4');
    const struct {
        const char* what;
        CompressOptions small, large;
    } sizes[] = {
        {"motion JPEG quality", {mjpg, 0, 1500}, {mjpg, 0, 9500}},
        {"MPEG-4 quality", {mp4, 0, 1500}, {mp4, 0, 9500}},
        {"MPEG-4 data rate", {mp4, 0, 0, 2000}, {mp4, 0, 0, 40000}},
        {"H.264 quality", {h264, 0, 1500}, {h264, 0, 9500}},
    };
    for (const auto& row : sizes) {
        if (SaveMovie(a, pictures, {row.small}) == kMovieBadFormat)
            continue;   // not in this build
        ASSERT_EQ(SaveMovie(b, pictures, {row.large}), kMovieOk) << row.what;
        EXPECT_LT(fs::file_size(a) * 5 / 4, fs::file_size(b)) << row.what;
    }
    for (uint32_t handler : {mp4, h264}) {
        if (SaveMovie(a, pictures, {{handler, 9}}) == kMovieBadFormat)
            continue;
        EXPECT_EQ(keyFrames(a), 5) << std::string(reinterpret_cast<const char*>(&handler), 4);
    }
}

}  // namespace

namespace {

// Mean difference per colour byte between two packed 24-bit DIBs of one size.
double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.size() <= sizeof(BITMAPINFOHEADER))
        return 1e9;
    double sum = 0;
    for (size_t i = sizeof(BITMAPINFOHEADER); i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size() - sizeof(BITMAPINFOHEADER));
}

// The DIB `dib` widened to 24 bits through its colour table, as a compressor sees it.
std::vector<uint8_t> As24Bits(const std::vector<uint8_t>& dib)
{
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    const auto* colours = reinterpret_cast<const RGBQUAD*>(dib.data() + sizeof *h);
    const uint8_t* rows = dib.data() + sizeof *h + h->biClrUsed * sizeof(RGBQUAD);
    const size_t inStride = DibRowBytes(h->biWidth, h->biBitCount), outStride = DibRowBytes(h->biWidth, 24);
    BITMAPINFOHEADER out = *h;
    out.biBitCount = 24;
    out.biClrUsed = 0;
    out.biSizeImage = DWORD(outStride * size_t(h->biHeight));
    std::vector<uint8_t> wide(sizeof out + out.biSizeImage);
    std::memcpy(wide.data(), &out, sizeof out);
    for (int y = 0; y < h->biHeight; ++y)
        for (int x = 0; x < h->biWidth; ++x) {
            const uint8_t* in = rows + size_t(y) * inStride;
            const int index = h->biBitCount == 8 ? in[x] : (in[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
            uint8_t* px = wide.data() + sizeof out + size_t(y) * outStride + size_t(x) * 3;
            px[0] = colours[index].rgbBlue, px[1] = colours[index].rgbGreen, px[2] = colours[index].rgbRed;
        }
    return wide;
}

class EveryDepth : public ::testing::TestWithParam<int> {};

// Full frames keep the depth and colour table they were recorded with; a
// compressor gets the colours the table gives.
TEST_P(EveryDepth, FullFramesStayAsRecordedAndCompressedOnesKeepTheirColours)
{
    const int bits = GetParam();
    const std::string source = WriteSource("depth" + std::to_string(bits) + ".avi", bits, false);
    std::vector<MovieStream> streams;
    ASSERT_EQ(OpenMovieStreams(source, streams), kMovieOk);
    const std::string full = TempPath("full-frames.avi"), jpeg = TempPath("jpeg.avi");
    ASSERT_EQ(SaveMovie(full, streams, {}), kMovieOk);
    CompressOptions fine{FourCC('M', 'J', 'P', 'G')};
    fine.quality = 10000;
    ASSERT_EQ(SaveMovie(jpeg, streams, {fine}), kMovieOk);
    MovieReader fromFull, fromJpeg;
    ASSERT_EQ(fromFull.Open(full), kMovieOk);
    ASSERT_EQ(fromJpeg.Open(jpeg), kMovieOk);
    EXPECT_EQ(fromFull.Info().bitCount, bits);
    EXPECT_EQ(fromJpeg.Info().frames, kFrames);
    std::vector<uint8_t> want, got;
    for (uint32_t n : {0u, 22u, kFrames - 1}) {
        ASSERT_EQ(streams[0].ReadFrameDib(n, want), kMovieOk);
        ASSERT_EQ(fromFull.ReadFrameDib(n, got), kMovieOk);
        EXPECT_TRUE(got == want) << "frame " << n;
        ASSERT_EQ(fromJpeg.ReadFrameDib(n, got), kMovieOk);
        const auto wide = bits <= 8 ? As24Bits(want) : want;
        if (bits != 16)   // 16-bit frames only go through the converter, whose rounding is its own
            EXPECT_LT(MeanDifference(got, wide), 8.0) << "frame " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, EveryDepth, ::testing::Values(24, 16, 8, 4));

TEST_F(MovieSaveTest, StreamCopiesHoldARangeOfTheirSource)
{
    const MovieStream& video = streams[0];
    const MovieStream& sound = streams[1];
    EXPECT_EQ(video.Length(), kFrames);
    MovieStream part, one;
    EXPECT_EQ(video.Copy(40, 6, part), kMovieNoFrame);
    EXPECT_EQ(sound.Copy(sound.Length(), 1, part), kMovieNoFrame);
    ASSERT_EQ(video.Copy(10, 20, part), kMovieOk);
    ASSERT_EQ(part.Copy(5, 1, one), kMovieOk);   // a copy of a copy counts from its own start
    std::vector<uint8_t> want, got;
    ASSERT_EQ(video.ReadFrameDib(15, want), kMovieOk);
    ASSERT_EQ(one.ReadFrameDib(0, got), kMovieOk);
    EXPECT_TRUE(got == want);
    EXPECT_EQ(one.ReadFrameDib(1, got), kMovieNoFrame);

    MovieStream tail;
    std::vector<uint8_t> all, some;
    ASSERT_EQ(sound.Copy(1000, 500, tail), kMovieOk);
    ASSERT_EQ(sound.ReadSamples(0, sound.Length(), all), kMovieOk);
    ASSERT_EQ(tail.ReadSamples(100, 400, some), kMovieOk);
    EXPECT_TRUE(std::equal(some.begin(), some.end(), all.begin() + 2 * 1100));
    EXPECT_EQ(tail.ReadSamples(100, 401, some), kMovieNoFrame);
    EXPECT_EQ(tail.ReadFrameDib(0, got), kMovieBadFormat);

    // A range saved on its own is a movie of just that range.
    const std::string path = TempPath("part.avi");
    ASSERT_EQ(SaveMovie(path, {part}, {}), kMovieOk);
    MovieReader reader;
    ASSERT_EQ(reader.Open(path), kMovieOk);
    EXPECT_EQ(reader.Info().frames, 20u);
    ASSERT_EQ(reader.ReadFrameDib(5, got), kMovieOk);
    EXPECT_TRUE(got == want);
}

// The clipboard's movie is made in memory: it must be the very file a save
// writes, and a refused save must leave no bytes that look like a movie.
TEST_F(MovieSaveTest, SavingToMemoryGivesTheBytesOfTheSavedFile)
{
    const std::string path = TempPath("memory-twin.avi");
    const std::vector<CompressOptions> options = {{}, {0, 0, 0, 0, kSoundImaAdpcm}};
    ASSERT_EQ(SaveMovie(path, streams, options), kMovieOk);
    std::vector<uint8_t> bytes{1, 2, 3};
    ASSERT_EQ(SaveMovieToMemory(streams, options, bytes), kMovieOk);
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == Text(path));

    bytes = {1, 2, 3};
    EXPECT_EQ(SaveMovieToMemory(streams, {{FourCC('N', 'O', 'N', 'E')}}, bytes), kMovieBadFormat);
    EXPECT_TRUE(bytes.empty());
}

TEST_F(MovieSaveTest, AMemoryMovieOfOneFrameGivesThatPicture)
{
    MovieStream one;
    ASSERT_EQ(streams[0].Copy(kFrames - 1, 1, one), kMovieOk);
    MemoryMovie movie;
    ASSERT_EQ(movie.Make({MovieStream(one)}), kMovieOk);
    std::vector<uint8_t> want, got;
    ASSERT_EQ(streams[0].ReadFrameDib(kFrames - 1, want), kMovieOk);
    ASSERT_EQ(movie.ReadFrameDib(0, got), kMovieOk);
    EXPECT_TRUE(got == want);

    MovieStream none;
    ASSERT_EQ(streams[0].Copy(0, 0, none), kMovieOk);
    EXPECT_EQ(movie.Make({none}), kMovieBadFormat);
    EXPECT_EQ(movie.Make({}), kMovieBadFormat);
    EXPECT_EQ(movie.ReadFrameDib(0, got), kMovieNoFrame);
}

// Sound that cannot be read back as PCM would be lost by a later save; such a
// movie is refused for editing rather than saved without its sound.
TEST_F(MovieSaveTest, AMovieWithCompressedSoundIsNotOpenedForEditing)
{
    const std::string path = TempPath("adpcm.avi");
    CompressOptions ima;
    ima.soundFormat = kSoundImaAdpcm;
    ASSERT_EQ(SaveMovie(path, streams, {{}, ima}), kMovieOk);
    std::vector<MovieStream> reopened;
    EXPECT_EQ(OpenMovieStreams(path, reopened), kMovieBadFormat);
    EXPECT_TRUE(reopened.empty());
    EXPECT_EQ(OpenMovieStreams(path + ".missing", reopened), kMovieBadFile);
}

TEST_F(MovieSaveTest, CopyingReportsProgressAndAStopKeepsTheOlderFile)
{
    const std::string path = TempPath("copied.avi");
    std::ofstream(path) << "older movie";
    std::vector<int> reports;
    EXPECT_EQ(CopyMovie(s_source, path, [&](int p) { return reports.push_back(p), p < 100; }), kMovieAborted);
    EXPECT_TRUE(Text(path) == "older movie");
    EXPECT_EQ(Leftovers(path), 0);
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front(), 0);
    EXPECT_EQ(reports.back(), 100);
    ASSERT_EQ(CopyMovie(s_source, path, [](int) { return true; }), kMovieOk);
    EXPECT_TRUE(Text(path) == Text(s_source));
}

}  // namespace
