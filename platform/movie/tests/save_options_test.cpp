// The save-options dialog: OK must hand the save exactly the settings the
// chosen compressor takes, anything else must leave the default (all-zero)
// options, and the table of what each compressor takes must be true of the
// compressors themselves.
#include "framework/tests/when_shown.h"
#include "movie/save_options_dialog.h"
#include "movie_test_util.h"

#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace movie;
using namespace movietest;

namespace {

constexpr uint32_t kFullFrames = FourCC('D', 'I', 'B', ' ');
constexpr uint32_t kMotionJpeg = FourCC('M', 'J', 'P', 'G');
constexpr uint32_t kFrames = 45;

bool operator==(const CompressOptions& a, const CompressOptions& b)
{
    return a.handler == b.handler && a.keyFrameEvery == b.keyFrameEvery && a.quality == b.quality &&
           a.bytesPerSecond == b.bytesPerSecond && a.soundFormat == b.soundFormat;
}

std::string Code(uint32_t handler) { return std::string(reinterpret_cast<const char*>(&handler), 4); }

// Moving bands with grain, as from a camera: every compressor has something
// to trade between size and quality. Otherwise still bands with a small
// moving square, in which compressors that place key frames themselves find
// no cause for one.
std::string WriteBandsMovie(bool grainy)
{
    const std::string path = TempPath(grainy ? "grainy.avi" : "smooth.avi");
    const VideoFormat format = MakeFormat(64, 48, 24, 66667);
    AviWriter writer;
    EXPECT_EQ(writer.Open(path, format, nullptr), kMovieOk);
    uint32_t noise = 12345;
    for (uint32_t n = 0; n < kFrames; ++n) {
        std::vector<uint8_t> bits(format.header.biSizeImage);
        for (size_t i = 0; i < bits.size(); ++i) {
            noise = noise * 1103515245 + 12345;
            if (grainy) {   // the bands move
                bits[i] = uint8_t((i / 3 % 64) * 4 + n * 5 + (noise >> 28));
            } else {        // the bands stay, a small square moves
                const size_t x = i % 192 / 3, y = i / 192;
                bits[i] = y >= 20 && y < 28 && x >= n && x < n + 8 ? 255 : uint8_t(x * 4);
            }
        }
        EXPECT_EQ(writer.WriteVideoFrame(bits.data(), bits.size()), kMovieOk);
    }
    EXPECT_EQ(writer.Close(), kMovieOk);
    return path;
}

class SaveOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(OpenMovieStreams(WriteBandsMovie(true), streams), kMovieOk);
        for (const Compressor& c : AvailableCompressors())
            if (c.video)
                compressors.push_back(c);
        ASSERT_FALSE(compressors.empty());
    }
    // Runs the dialog from `start`; `answer` plays the user.
    bool Choose(CompressOptions& options, std::function<int(SaveOptionsDialog&)> answer)
    {
        if (answer)
            ui->AnswerNextDialog([answer](CDialog& d) { return answer(static_cast<SaveOptionsDialog&>(d)); });
        return ChooseSaveOptions(nullptr, streams[0], options);
    }

    ScopedTestUi ui;
    std::vector<MovieStream> streams;
    std::vector<Compressor> compressors;
};

TEST_F(SaveOptionsTest, ListsThePictureCompressorsWithFullFramesFirst)
{
    CompressOptions options;
    Choose(options, [&](SaveOptionsDialog& dialog) {
        EXPECT_EQ(dialog.Compressors().size(), compressors.size());
        for (const Compressor& c : dialog.Compressors())
            EXPECT_TRUE(c.video) << c.name;
        EXPECT_EQ(dialog.Compressors().front().handler, kFullFrames);
        EXPECT_EQ(dialog.chosen, 0u);
        EXPECT_EQ(dialog.Describe(), "64 x 48, 24 bits, 15 frames a second");
        return IDCANCEL;
    });
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{IDD_SAVE_OPTIONS});
}

// Every setting is switched on in the dialog; only those the compressor
// takes may reach the save, the others stay at zero.
TEST_F(SaveOptionsTest, OkGivesOnlyTheSettingsTheChosenCompressorTakes)
{
    for (size_t i = 0; i < compressors.size(); ++i) {
        CompressOptions options;
        const bool ok = Choose(options, [i](SaveOptionsDialog& dialog) {
            dialog.chosen = i;
            dialog.qualityPercent = 40;
            dialog.keyFramesOn = dialog.dataRateOn = true;
            dialog.keyFrameEvery = 9;
            dialog.kilobytesPerSecond = 50;
            dialog.OnOK();
            return IDOK;
        });
        const CompressorSettings takes = SettingsOf(compressors[i].handler);
        const CompressOptions want{compressors[i].handler, takes.keyFrames ? 9u : 0u, takes.quality ? 4000u : 0u,
                                   takes.dataRate ? 50u * 1024 : 0u, 0};
        EXPECT_TRUE(ok) << compressors[i].name;
        EXPECT_TRUE(options == want) << compressors[i].name;
    }
}

// The slider's ends and numbers out of range become options the save takes.
TEST_F(SaveOptionsTest, SettingsAtTheirLimitsStayInRange)
{
    const struct {
        int percent;
        uint32_t keyEvery, kilobytes;
        CompressOptions want;
    } rows[] = {
        {0, 0, 0, {kMotionJpeg, 0, 1, 1024}},
        {100, 1, 1, {kMotionJpeg, 0, 10000, 1024}},
        {150, 5, UINT32_MAX, {kMotionJpeg, 0, 10000, (UINT32_MAX / 1024) * 1024}},
        {-3, 5, 7, {kMotionJpeg, 0, 1, 7 * 1024}},
    };
    for (const auto& row : rows) {
        CompressOptions options{kMotionJpeg};
        Choose(options, [&](SaveOptionsDialog& dialog) {
            dialog.qualityPercent = row.percent;
            dialog.keyFramesOn = dialog.dataRateOn = true;
            dialog.keyFrameEvery = row.keyEvery;
            dialog.kilobytesPerSecond = row.kilobytes;
            dialog.OnOK();
            return IDOK;
        });
        if (options.handler != kMotionJpeg)
            GTEST_SKIP() << "no Motion JPEG in this build";
        EXPECT_TRUE(options == row.want) << row.percent << " " << row.kilobytes;
    }
}

// Cancel, closing the window or no answer at all: the save then keeps full
// frames, whatever was chosen before.
TEST_F(SaveOptionsTest, AnyEndingButOkLeavesTheDefaultOptions)
{
    const CompressOptions before{kMotionJpeg, 0, 5000, 20480};
    for (int ending : {IDCANCEL, IDABORT, 0}) {
        CompressOptions options = before;
        const bool ok = Choose(options, ending == 0 ? nullptr : std::function<int(SaveOptionsDialog&)>(
            [&](SaveOptionsDialog& dialog) {
                dialog.chosen = dialog.Compressors().size() - 1;
                return ending;
            }));
        EXPECT_FALSE(ok) << ending;
        EXPECT_TRUE(options == CompressOptions{}) << ending;
    }
}

TEST_F(SaveOptionsTest, AfterCancelTheSaveKeepsFullFrames)
{
    CompressOptions options{kMotionJpeg, 0, 5000};
    ASSERT_FALSE(Choose(options, [](SaveOptionsDialog&) { return IDCANCEL; }));
    const std::string path = TempPath("cancelled.avi");
    ASSERT_EQ(SaveMovie(path, {streams[0]}, {options}), kMovieOk);
    MovieReader reader;
    ASSERT_EQ(reader.Open(path), kMovieOk);
    EXPECT_TRUE(reader.Info().uncompressed);
    EXPECT_EQ(reader.Info().bitCount, 24);
    EXPECT_EQ(reader.Info().frames, kFrames);
}

TEST_F(SaveOptionsTest, OpensOnTheOptionsChosenBefore)
{
    const bool haveJpeg = std::any_of(compressors.begin(), compressors.end(),
                                      [](const Compressor& c) { return c.handler == kMotionJpeg; });
    if (!haveJpeg)
        GTEST_SKIP() << "no Motion JPEG in this build";
    // The code in other letters, as a movie's header may spell it.
    CompressOptions options{FourCC('m', 'j', 'p', 'g'), 12, 4960, 30 * 1024};
    Choose(options, [](SaveOptionsDialog& dialog) {
        EXPECT_EQ(dialog.Compressors()[dialog.chosen].handler, kMotionJpeg);
        EXPECT_EQ(dialog.qualityPercent, 50);
        EXPECT_TRUE(dialog.keyFramesOn);
        EXPECT_EQ(dialog.keyFrameEvery, 12u);
        EXPECT_TRUE(dialog.dataRateOn);
        EXPECT_EQ(dialog.kilobytesPerSecond, 30u);
        return IDCANCEL;
    });
}

bool HaveFfprobe() { return std::system("ffprobe -v quiet -version >/dev/null 2>&1") == 0; }

// The longest run of frames from one key frame (or the start) to the next
// (or the end); -1 without ffprobe's answer.
int LongestKeyGap(const std::string& path)
{
    const std::string command =
        "ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 '" + path + "'";
    FILE* out = ::popen(command.c_str(), "r");
    if (!out)
        return -1;
    int longest = 0, run = 0, packets = 0;
    for (char line[64]; std::fgets(line, sizeof line, out); ++packets) {
        if (packets > 0 && std::strchr(line, 'K'))
            run = 0;
        longest = std::max(longest, ++run);
    }
    ::pclose(out);
    return packets ? longest : -1;
}

// A setting the table says a compressor takes must change what it writes;
// one it says the compressor ignores must change nothing, or the dialog
// would hide a setting that works.
TEST_F(SaveOptionsTest, TheTableOfSettingsIsTrueOfEveryCompressor)
{
    const bool probe = HaveFfprobe();
    std::vector<MovieStream> smooth;
    ASSERT_EQ(OpenMovieStreams(WriteBandsMovie(false), smooth), kMovieOk);
    const std::string path = TempPath("table.avi");
    auto save = [&](const CompressOptions& options, const MovieStream& pictures) {
        EXPECT_EQ(SaveMovie(path, {pictures}, {options}), kMovieOk) << Code(options.handler);
        return std::filesystem::file_size(path);
    };
    for (const Compressor& c : compressors) {
        const CompressorSettings takes = SettingsOf(c.handler);
        const uintmax_t coarse = save({c.handler, 0, 1500}, streams[0]), fine = save({c.handler, 0, 9500}, streams[0]);
        EXPECT_EQ(takes.quality, coarse * 5 / 4 < fine) << c.name;
        if (!takes.quality) {
            EXPECT_EQ(coarse, fine) << c.name;
        }
        const uintmax_t slow = save({c.handler, 0, 0, 2000}, streams[0]), fast = save({c.handler, 0, 0, 40000}, streams[0]);
        EXPECT_EQ(takes.dataRate, slow * 5 / 4 < fast) << c.name;
        if (!takes.dataRate) {
            EXPECT_EQ(slow, fast) << c.name;
        }
        if (probe) {
            save({c.handler}, smooth[0]);
            const int plain = LongestKeyGap(path);
            save({c.handler, 9}, smooth[0]);
            const int keyed = LongestKeyGap(path);
            EXPECT_EQ(takes.keyFrames, plain > 9 && keyed > 0 && keyed <= 9) << c.name << " " << plain << " " << keyed;
        }
    }
}

// The window: the compressor list drives which settings can be changed, and
// OK hands over what the controls show.
TEST(SaveOptionsWindow, EnablesWhatTheCompressorTakesAndOkHandsOverTheControls)
{
    int argc = 1;
    char name[] = "movie_ui_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    MovieInfo video;
    video.frames = kFrames;
    video.width = 64;
    video.height = 48;
    video.bitCount = 24;
    video.microSecPerFrame = 66667;
    SaveOptionsDialog dialog(nullptr, video, {});
    size_t jpeg = 0;
    while (jpeg < dialog.Compressors().size() && dialog.Compressors()[jpeg].handler != kMotionJpeg)
        ++jpeg;
    if (jpeg == dialog.Compressors().size())
        GTEST_SKIP() << "no Motion JPEG in this build";
    WhenShown([jpeg](QDialog& window) {
        auto* compressor = window.findChild<QComboBox*>("compressor");
        auto* quality = window.findChild<QSlider*>("quality");
        auto* keyFrames = window.findChild<QCheckBox*>("keyframes");
        auto* dataRate = window.findChild<QCheckBox*>("datarate");
        auto* kilobytes = window.findChild<QSpinBox*>("kilobytes");
        auto* buttons = window.findChild<QDialogButtonBox*>();
        if (!compressor || !quality || !keyFrames || !dataRate || !kilobytes || !buttons) {
            ADD_FAILURE() << "a control is missing";
            return window.reject();
        }
        EXPECT_EQ(compressor->currentIndex(), 0);   // full frames: nothing to set
        EXPECT_FALSE(quality->isEnabled() || keyFrames->isEnabled() || dataRate->isEnabled());
        compressor->setCurrentIndex(int(jpeg));
        EXPECT_TRUE(quality->isEnabled() && dataRate->isEnabled());
        EXPECT_FALSE(keyFrames->isEnabled());
        EXPECT_FALSE(kilobytes->isEnabled());   // until the data rate is checked
        quality->setValue(30);
        dataRate->setChecked(true);
        EXPECT_TRUE(kilobytes->isEnabled());
        kilobytes->setValue(20);
        buttons->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.options == (CompressOptions{kMotionJpeg, 0, 3000, 20 * 1024}));
}

}  // namespace
