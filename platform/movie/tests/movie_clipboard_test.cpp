// Copying a movie's picture: the clipboard must get exactly the frame asked
// for (the last one past the end), both as a picture and as a one-frame movie
// that opens again, and nothing at all from a movie without pictures.
#include "movie/movie_clipboard.h"
#include "movie/movie_stream.h"
#include "movie_test_util.h"

#include "framework/QtUiService.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

using namespace movie;
using namespace movietest;

namespace {

constexpr uint32_t kFrames = 6;

// A movie of `frames` 8-bit frames (colour table included), each different.
std::string WriteMovie(const std::string& name, uint32_t frames)
{
    const std::string path = TempPath(name);
    const VideoFormat format = MakeFormat(20, 12, 8);
    AviWriter writer;
    EXPECT_EQ(writer.Open(path, format, nullptr), kMovieOk);
    for (uint32_t i = 0; i < frames; ++i) {
        const std::vector<uint8_t> bits = MakeFrame(format, i);
        EXPECT_EQ(writer.WriteVideoFrame(bits.data(), bits.size()), kMovieOk);
    }
    EXPECT_EQ(writer.Close(), kMovieOk);
    return path;
}

std::vector<uint8_t> FrameOf(const std::string& path, uint32_t index)
{
    std::vector<MovieStream> streams;
    std::vector<uint8_t> dib;
    EXPECT_EQ(OpenMovieStreams(path, streams), kMovieOk);
    EXPECT_EQ(streams.at(0).ReadFrameDib(index, dib), kMovieOk);
    return dib;
}

class MovieClipboardTest : public ::testing::Test {
protected:
    void PutOldMovie() { ASSERT_TRUE(ui->SetClipboardData(kMovieClipboardType, "RIFF", 4)); }

    ScopedTestUi ui;
    std::string movie = WriteMovie("six.avi", kFrames);
};

TEST_F(MovieClipboardTest, CopiesTheFrameAtThePositionOrTheLastOnePastTheEnd)
{
    const struct {
        uint32_t position, frame;
    } rows[] = {{0, 0}, {3, 3}, {kFrames - 1, kFrames - 1}, {kFrames, kFrames - 1}, {UINT32_MAX, kFrames - 1}};
    for (const auto& row : rows) {
        ui->clipboardDib.clear();
        ASSERT_TRUE(CopyMovieFrameToClipboard(movie, row.position)) << row.position;
        const std::vector<uint8_t> want = FrameOf(movie, row.frame);
        EXPECT_TRUE(ui->clipboardDib == want) << row.position;

        // The movie form opens again and holds that one picture.
        const std::vector<BYTE>& avi = ui->clipboardData[kMovieClipboardType];
        MovieReader reader;
        ASSERT_EQ(reader.OpenMemory(avi.data(), avi.size()), kMovieOk) << row.position;
        EXPECT_EQ(reader.Info().frames, 1u);
        std::vector<uint8_t> got;
        ASSERT_EQ(reader.ReadFrameDib(0, got), kMovieOk);
        EXPECT_TRUE(got == want) << row.position;
    }
}

TEST_F(MovieClipboardTest, NothingToCopyLeavesNoMovieOnTheClipboard)
{
    const struct {
        const char* what;
        std::string path;
    } rows[] = {
        {"a movie without pictures", WriteMovie("empty.avi", 0)},
        {"a missing file", TempPath("missing.avi")},
        {"a file that is no movie", TempPath("six.avi.txt")},
    };
    std::FILE* text = std::fopen(rows[2].path.c_str(), "w");
    ASSERT_NE(text, nullptr);
    std::fputs("not a movie", text);
    std::fclose(text);
    for (const auto& row : rows) {
        PutOldMovie();
        EXPECT_FALSE(CopyMovieFrameToClipboard(row.path, 0)) << row.what;
        EXPECT_TRUE(ui->clipboardData.empty()) << row.what;
        EXPECT_TRUE(ui->clipboardDib.empty()) << row.what;
    }
}

TEST_F(MovieClipboardTest, ClearingTakesOnlyAMovieOff)
{
    ASSERT_TRUE(ui->SetClipboardText("words"));
    ClearMovieClipboard();
    EXPECT_EQ(ui->clipboardText, CString("words"));

    ASSERT_TRUE(CopyMovieFrameToClipboard(movie, 1));
    ClearMovieClipboard();
    EXPECT_TRUE(ui->clipboardDib.empty());
    EXPECT_TRUE(ui->clipboardData.empty());
}

// A clipboard that takes the picture but not the movie.
class NoDataClipboard : public TestUiService {
public:
    BOOL SetClipboardData(const char*, const void*, size_t) override { return FALSE; }
};

TEST(MovieClipboardFailure, AMovieTheClipboardRefusesLeavesNoHalfCopy)
{
    NoDataClipboard ui;
    SetUi(&ui);
    EXPECT_FALSE(CopyMovieFrameToClipboard(WriteMovie("refused.avi", 2), 0));
    EXPECT_TRUE(ui.clipboardDib.empty());
    SetUi(nullptr);
}

// What other programs see: one copy offering an image and the movie.
TEST(MovieClipboardQt, OffersAnImageAndTheMovieTogether)
{
    int argc = 1;
    char name[] = "movie_ui_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QImage probe(2, 2, QImage::Format_RGB32);
    probe.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(probe);
    if (QGuiApplication::clipboard()->image().isNull())
        GTEST_SKIP() << "this platform's clipboard holds no pictures";

    QtUiService qt;
    SetUi(&qt);
    const bool copied = CopyMovieFrameToClipboard(WriteMovie("qt.avi", 3), 2);
    SetUi(nullptr);
    ASSERT_TRUE(copied);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasImage());
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.size(), QSize(20, 12));
    const QByteArray avi = data->data(kMovieClipboardType);
    MovieReader reader;
    ASSERT_EQ(reader.OpenMemory(reinterpret_cast<const uint8_t*>(avi.data()), size_t(avi.size())), kMovieOk);
    EXPECT_EQ(reader.Info().frames, 1u);
}

}  // namespace
