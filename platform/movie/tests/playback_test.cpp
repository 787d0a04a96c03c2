// The playback window driven by the fake clock: modes in the order the movie
// program hears them, exact positions after play and seek, the end of a movie,
// its sound kept in step, damaged files, and the widget that shows it all.
#include "movie/playback_widget.h"
#include "movie/movie_save.h"
#include "movie/playback_window.h"
#include "movie_test_util.h"

#include "framework/Clock.h"
#include "framework/Messages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

#include <filesystem>
#include <fstream>

using namespace movie;
using namespace movietest;

namespace {

constexpr const char* kNoSound = "velmora_no_such_device";
constexpr int kWidth = 32, kHeight = 24;
constexpr uint32_t kFrames = 10;
constexpr uint32_t kMicroSecPerFrame = 100000;   // ten a second: one second in all
constexpr uint32_t kSampleRate = 8000;

// kFrames patterned 24-bit frames, with a second of 8-bit mono sound when asked.
std::string WriteMovie(const std::string& name, bool sound = false)
{
    const std::string path = TempPath(name);
    const VideoFormat format = MakeFormat(kWidth, kHeight, 24, kMicroSecPerFrame);
    AudioFormat audio{1, kSampleRate, 8};
    AviWriter writer;
    EXPECT_EQ(writer.Open(path, format, sound ? &audio : nullptr), kMovieOk);
    for (uint32_t n = 0; n < kFrames; ++n) {
        const std::vector<uint8_t> frame = MakeFrame(format, n);
        EXPECT_EQ(writer.WriteVideoFrame(frame.data(), frame.size()), kMovieOk);
        if (sound) {
            const std::vector<uint8_t> samples(kSampleRate / 10, uint8_t(0x80 + n));
            EXPECT_EQ(writer.WriteAudio(samples.data(), samples.size()), kMovieOk);
        }
    }
    EXPECT_EQ(writer.Close(), kMovieOk);
    return path;
}

std::vector<uint8_t> FrameDib(const std::string& path, uint32_t index)
{
    MovieReader reader;
    std::vector<uint8_t> dib;
    EXPECT_EQ(reader.Open(path), kMovieOk);
    EXPECT_EQ(reader.ReadFrameDib(index, dib), kMovieOk);
    return dib;
}

// A playback window on a fake clock that records every mode it announces.
struct Playback {
    ScopedFakeClock clock;
    CWnd parent;
    PlaybackWindow window{kNoSound};
    std::vector<PlaybackMode> modes;

    Playback()
    {
        ResetMessageQueue();
        parent.Create(nullptr, "View", 0, CRect(0, 0, 400, 300));
        window.Create(&parent, POINT{20, 30});
        window.onMode = [this](PlaybackMode mode) { modes.push_back(mode); };
    }
};

using Mode = PlaybackMode;

// The first pixel of a DIB frame's first stored row, worked out by hand.
QRgb FirstStoredPixel(const VideoFormat& format, const std::vector<uint8_t>& frame)
{
    const auto widen = [](int five) { return (five << 3) | (five >> 2); };
    switch (format.header.biBitCount) {
    case 24: return qRgb(frame[2], frame[1], frame[0]);
    case 16: {
        const int v = frame[0] | frame[1] << 8;
        return qRgb(widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31));
    }
    default: {
        const RGBQUAD q = format.colours.at(format.header.biBitCount == 8 ? frame[0] : frame[0] >> 4);
        return qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    }
}

}  // namespace

TEST(PlaybackTest, ModesArriveInOrderOnOpenPlayStopAndEnd)
{
    Playback p;
    EXPECT_EQ(p.window.Mode(), Mode::kNotReady);
    ASSERT_EQ(p.window.Open(WriteMovie("modes.avi")), kMovieOk);
    p.window.Play();
    p.clock->Advance(300);
    p.window.Stop();
    p.window.Stop();   // already stopped: nothing more to tell
    p.window.Play();
    p.clock->Advance(200);
    p.window.Pause();
    p.window.Play();
    p.clock->Advance(5000);
    p.window.Close();
    EXPECT_EQ(p.modes, (std::vector<Mode>{Mode::kStopped, Mode::kPlaying, Mode::kStopped, Mode::kPlaying,
                                          Mode::kPaused, Mode::kPlaying, Mode::kStopped, Mode::kNotReady}));
}

TEST(PlaybackTest, PositionFollowsTheClockAndSeeks)
{
    Playback p;
    const std::string path = WriteMovie("seek.avi");
    ASSERT_EQ(p.window.Open(path), kMovieOk);
    EXPECT_EQ(p.window.Length(), kFrames);
    p.window.Play();
    p.clock->Advance(350);
    EXPECT_EQ(p.window.Position(), 3u);
    EXPECT_EQ(p.window.ShownFrame(), 3u);
    EXPECT_EQ(p.window.Slider().GetPos(), 3);

    p.window.Seek(7);   // playing on from the new place
    EXPECT_EQ(p.window.Position(), 7u);
    p.clock->Advance(120);
    EXPECT_EQ(p.window.Position(), 8u);
    EXPECT_EQ(p.window.Mode(), Mode::kPlaying);
    EXPECT_EQ(p.window.Picture(), FrameDib(path, 8));

    p.window.Stop();
    p.window.Seek(2);
    p.clock->Advance(1000);
    EXPECT_EQ(p.window.Position(), 2u) << "a stopped movie stays where it was put";
    EXPECT_EQ(p.window.Picture(), FrameDib(path, 2));
    EXPECT_EQ(p.window.TimeText(), "0:00 / 0:01");
    p.window.Seek(999);
    EXPECT_EQ(p.window.Position(), kFrames) << "clamped to the end";
    EXPECT_EQ(p.window.ShownFrame(), kFrames - 1);
}

TEST(PlaybackTest, PlayingToTheEndStopsOnTheLastFrameAndPlayStartsAgain)
{
    Playback p;
    const std::string path = WriteMovie("end.avi");
    ASSERT_EQ(p.window.Open(path), kMovieOk);
    p.window.Play();
    p.clock->Advance(990);
    EXPECT_EQ(p.window.Mode(), Mode::kPlaying);
    EXPECT_EQ(p.window.Position(), kFrames - 1);
    p.clock->Advance(60);
    EXPECT_EQ(p.window.Mode(), Mode::kStopped);
    EXPECT_EQ(p.window.Position(), kFrames);
    EXPECT_EQ(p.window.ShownFrame(), kFrames - 1);
    EXPECT_EQ(p.window.Picture(), FrameDib(path, kFrames - 1));
    EXPECT_EQ(p.window.Slider().GetPos(), int(kFrames));
    EXPECT_EQ(p.window.TimeText(), "0:01 / 0:01");
    EXPECT_EQ(p.window.FramesDropped(), 0u);
    EXPECT_EQ(ActiveTimerCount(), 0) << "no ticking once stopped";

    p.window.Play();
    EXPECT_EQ(p.window.Position(), 0u);
    EXPECT_EQ(p.window.Picture(), FrameDib(path, 0));
}

TEST(PlaybackTest, ACompressedMovieShowsThePicturesEachFrameHasAlone)
{
    // Key frames every fourth picture: playing reads on from frame to frame,
    // a seek starts again from a key frame; both must give the same pictures.
    std::vector<MovieStream> streams;
    ASSERT_EQ(OpenMovieStreams(WriteMovie("full.avi"), streams), kMovieOk);
    CompressOptions options;
    options.handler = FourCC('F', 'M', 'P', '4');
    options.keyFrameEvery = 4;
    const std::string path = TempPath("groups.avi");
    ASSERT_EQ(SaveMovie(path, streams, {options}), kMovieOk);

    Playback p;
    ASSERT_EQ(p.window.Open(path), kMovieOk);
    p.window.Play();
    bool seeked = false;
    for (uint32_t frame = 1; frame < kFrames; ++frame) {
        p.clock->Advance(100);
        ASSERT_EQ(p.window.ShownFrame(), frame);
        EXPECT_EQ(p.window.Picture(), FrameDib(path, frame)) << frame;
        if (frame == 6 && !seeked) {
            p.window.Seek(2);   // back into the group before
            EXPECT_EQ(p.window.Picture(), FrameDib(path, 2));
            frame = 2;
            seeked = true;
        }
    }
}

TEST(PlaybackTest, FramesPassedOverWhileTheThreadWasBusyCountAsDropped)
{
    Playback p;
    ASSERT_EQ(p.window.Open(WriteMovie("dropped.avi")), kMovieOk);
    p.window.Play();
    p.clock->Advance(150);
    EXPECT_EQ(p.window.FramesDropped(), 0u);
    p.clock->Spend(300);   // frames 2, 3 and 4 fall due unseen
    p.clock->Advance(10);
    EXPECT_EQ(p.window.ShownFrame(), 4u);
    EXPECT_EQ(p.window.FramesDropped(), 2u);
    p.window.Stop();
    p.window.Play();
    EXPECT_EQ(p.window.FramesDropped(), 0u) << "counted afresh for each play";
}

TEST(PlaybackTest, TheWidgetIsToldOfEachNewFrameOnceNotOfEveryTick)
{
    Playback p;
    ASSERT_EQ(p.window.Open(WriteMovie("ticks.avi")), kMovieOk);
    p.window.Play();
    int changes = 0;
    p.window.onChanged = [&] { ++changes; };
    p.clock->Advance(399);   // sixteen ticks, three new frames
    EXPECT_EQ(p.window.Position(), 3u);
    EXPECT_EQ(changes, 3);
}

TEST(PlaybackTest, WithoutAMovieTheWindowIsAPlayBarThatDoesNotPlay)
{
    Playback p;
    EXPECT_EQ(p.window.Open(""), kMovieOk);
    EXPECT_EQ(p.window.Mode(), Mode::kOpen);
    EXPECT_EQ(p.window.Length(), 0u);
    EXPECT_TRUE(p.window.SourceRect().IsRectEmpty());
    p.window.Play();
    p.window.PlayButton().Click();
    p.window.Seek(3);
    EXPECT_EQ(p.window.Mode(), Mode::kOpen);
    EXPECT_EQ(p.window.Position(), 0u);
    EXPECT_EQ(p.modes, std::vector<Mode>{Mode::kOpen});
    EXPECT_FALSE(p.window.PlayButton().IsWindowEnabled());
    CRect r;
    p.window.GetClientRect(&r);
    EXPECT_EQ(r.Height(), PlaybackWindow::kPlayBarHeight) << "all of it play bar";
}

TEST(PlaybackTest, AnUnplayableFileLeavesAnEmptyWindowAndAMessage)
{
    const std::string good = WriteMovie("whole.avi");
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    struct Case {
        const char* name;
        std::string contents;
    };
    const Case cases[] = {
        {"text.avi", "not a movie at all"},
        {"header.avi", bytes.substr(0, 200)},
        {"nopictures.avi", bytes.substr(0, bytes.find("movi") + 12)},   // cut inside the first picture
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TempPath(c.name);
        std::ofstream(path, std::ios::binary) << c.contents;
        Playback p;
        ASSERT_EQ(p.window.Open(good), kMovieOk);
        EXPECT_NE(p.window.Open(path), kMovieOk);
        EXPECT_EQ(p.window.Mode(), Mode::kOpen);
        EXPECT_EQ(p.window.Length(), 0u);
        EXPECT_TRUE(p.window.FileName().empty());
        EXPECT_TRUE(p.window.Picture().empty()) << "the movie before is not left on show";
        EXPECT_NE(p.window.OpenError().find(path), std::string::npos);
        p.window.Play();
        EXPECT_EQ(p.window.Mode(), Mode::kOpen);
    }
    Playback p;
    EXPECT_NE(p.window.Open(TempPath("missing.avi")), kMovieOk);
    EXPECT_FALSE(p.window.OpenError().empty());
    ASSERT_EQ(p.window.Open(good), kMovieOk);
    EXPECT_TRUE(p.window.OpenError().empty());
}

TEST(PlaybackTest, SoundStartsWhereThePictureIsAndFollowsSeeks)
{
    Playback p;
    ASSERT_EQ(p.window.Open(WriteMovie("sound.avi", true)), kMovieOk);
    EXPECT_EQ(p.window.Sound().Length(), kSampleRate);
    p.window.Seek(5);
    p.window.Play();
    EXPECT_TRUE(p.window.Sound().IsPlaying());
    EXPECT_EQ(p.window.Sound().Position(), 5 * kSampleRate / 10);
    p.clock->Advance(200);
    EXPECT_EQ(p.window.Sound().Position(), 7 * kSampleRate / 10);
    p.window.Seek(2);
    EXPECT_EQ(p.window.Sound().Position(), 2 * kSampleRate / 10);
    p.window.Stop();
    EXPECT_FALSE(p.window.Sound().IsPlaying());
}

TEST(PlaybackTest, PlayBarButtonAndSliderDriveTheWindow)
{
    Playback p;
    ASSERT_EQ(p.window.Open(WriteMovie("bar.avi")), kMovieOk);
    p.window.PlayButton().Click();
    EXPECT_EQ(p.window.Mode(), Mode::kPlaying);
    EXPECT_EQ(p.window.PlayButton().GetWindowText(), "Stop");
    p.window.Slider().Scroll(TB_THUMBTRACK, 6);
    EXPECT_EQ(p.window.Position(), 6u);
    p.window.PlayButton().Click();
    EXPECT_EQ(p.window.Mode(), Mode::kStopped);
    EXPECT_EQ(p.window.PlayButton().GetWindowText(), "Play");
    p.window.Slider().Scroll(TB_THUMBPOSITION, 4);
    p.window.Slider().Scroll(TB_ENDTRACK, 0);
    EXPECT_EQ(p.window.Position(), 4u);
}

TEST(PlaybackTest, WindowIsSizedByThePictureWhichScalesIntoIt)
{
    Playback p;
    ASSERT_EQ(p.window.Open(WriteMovie("size.avi")), kMovieOk);
    EXPECT_EQ(p.window.SourceRect(), CRect(0, 0, kWidth, kHeight));
    CRect r;
    p.window.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(20, 30, 20 + PlaybackWindow::kMinWidth, 30 + kHeight + PlaybackWindow::kPlayBarHeight))
        << "a narrow movie gets the play bar's width, its own height";
    // Twice the picture's height: the picture keeps its shape, centred.
    p.window.MoveWindow(0, 0, 200, 2 * 75 + PlaybackWindow::kPlayBarHeight);
    EXPECT_EQ(p.window.PictureRect(), CRect(0, 0, 200, 150));
    p.window.MoveWindow(0, 0, 400, 75 + PlaybackWindow::kPlayBarHeight);
    EXPECT_EQ(p.window.PictureRect(), CRect(150, 0, 250, 75));
    CRect slider;
    p.window.Slider().GetClientRect(&slider);
    EXPECT_EQ(slider.Width(), 400 - PlaybackWindow::kButtonWidth - PlaybackWindow::kTimeWidth);
}

TEST(PlaybackTest, RightButtonPressesAreReportedWithTheirPlace)
{
    Playback p;
    std::vector<POINT> presses;
    p.window.onRightButton = [&](POINT point) { presses.push_back(point); };
    p.window.SendMessage(WM_RBUTTONDOWN, 0, LPARAM(MAKELONG(12, 34)));
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].x, 12);
    EXPECT_EQ(presses[0].y, 34);
}

TEST(PlaybackTest, MinutesAndSecondsOfATime)
{
    const std::pair<uint64_t, const char*> rows[] = {
        {0, "0:00"}, {999, "0:00"}, {59999, "0:59"}, {61000, "1:01"}, {3600000, "60:00"},
    };
    for (auto [ms, text] : rows)
        EXPECT_EQ(MinutesSeconds(ms), text) << ms;
}

TEST(PlaybackWidgetTest, ShowsThePictureAndAPlayBarThatFollowsThePosition)
{
    int argc = 1;
    char name[] = "playback_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    Playback p;
    QWidget view;
    view.resize(400, 300);
    PlaybackWidget widget(p.window, &view);
    const std::string path = WriteMovie("widget.avi");
    ASSERT_EQ(p.window.Open(path), kMovieOk);

    CRect r;
    p.window.GetWindowRect(&r);
    EXPECT_EQ(widget.geometry(), QRect(20, 30, int(r.Width()), int(r.Height())));
    auto* slider = widget.findChild<QSlider*>();
    auto* button = widget.findChild<QPushButton*>();
    ASSERT_TRUE(slider && button);
    EXPECT_EQ(slider->maximum(), int(kFrames));
    EXPECT_EQ(button->text(), "Play");
    EXPECT_EQ(widget.TimeText(), "0:00 / 0:01");
    EXPECT_EQ(widget.Picture().size(), QSize(kWidth, kHeight));
    const QImage first = widget.Picture();

    button->click();
    p.clock->Advance(450);
    EXPECT_EQ(slider->value(), 4);
    EXPECT_EQ(button->text(), "Stop");
    EXPECT_NE(widget.Picture(), first);
    p.clock->Advance(1000);
    EXPECT_EQ(slider->value(), int(kFrames));
    EXPECT_EQ(widget.TimeText(), "0:01 / 0:01");

    // The user drags the thumb: the window seeks.
    slider->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(p.window.Position(), 0u);
    EXPECT_EQ(widget.Picture(), first);

    int presses = 0;
    p.window.onRightButton = [&](POINT) { ++presses; };
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &right);
    EXPECT_EQ(presses, 1);
    // On the play bar too: the controls leave the right button to the window.
    for (QWidget* control : std::initializer_list<QWidget*>{slider, button}) {
        QMouseEvent onControl(QEvent::MouseButtonPress, QPointF(2, 2), control->mapToGlobal(QPointF(2, 2)),
                              Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(control, &onControl);
    }
    EXPECT_EQ(presses, 3);
}

TEST(PlaybackWidgetTest, PackedDibsOfEveryDepthBecomePictures)
{
    for (int bits : {4, 8, 16, 24}) {
        SCOPED_TRACE(bits);
        const VideoFormat format = MakeFormat(5, 3, bits);
        const std::vector<uint8_t> frame = MakeFrame(format, 1);
        std::vector<uint8_t> dib(reinterpret_cast<const uint8_t*>(&format.header),
                                 reinterpret_cast<const uint8_t*>(&format.header) + sizeof format.header);
        dib.insert(dib.end(), reinterpret_cast<const uint8_t*>(format.colours.data()),
                   reinterpret_cast<const uint8_t*>(format.colours.data() + format.colours.size()));
        dib.insert(dib.end(), frame.begin(), frame.end());
        const QImage image = DibToImage(dib.data(), dib.size());
        ASSERT_EQ(image.size(), QSize(5, 3));
        // The bottom row of the picture comes first in the DIB.
        EXPECT_EQ(image.pixel(0, 2), FirstStoredPixel(format, frame));
        EXPECT_TRUE(DibToImage(dib.data(), dib.size() - 1).isNull()) << "a short last row";
    }
}
