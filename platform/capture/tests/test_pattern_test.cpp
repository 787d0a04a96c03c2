#include "temp_dir.h"
#include "capture/camera_dialogs.h"
#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "capture/dib.h"
#include "capture/test_pattern.h"
#include "framework/TestUiService.h"
#include "CImg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace capture;

namespace {

struct PatternFixture : ::testing::Test {
    void SetUp() override
    {
        DriverCatalog::Install({TestPatternEntry()});
        window = std::make_unique<CaptureWindow>(nullptr);
        ASSERT_TRUE(window->DriverConnect(0));
    }
    void TearDown() override
    {
        window.reset();
        DriverCatalog::UseSystem();
    }
    // Sends one driver command the way the programs do and returns its result.
    WORD Command(BYTE code, WORD argument = 0)
    {
        std::vector<BYTE> buffer(window->GetVideoFormat(nullptr, 0));
        EXPECT_GE(buffer.size(), 40u);
        window->GetVideoFormat(buffer.data(), UINT(buffer.size()));
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(buffer.data());
        SetDriverCommand(*h, code, argument);
        EXPECT_TRUE(window->SetVideoFormat(buffer.data(), 40));
        return DriverResult(*h);
    }
    bool SetFormat(LONG w, LONG h, WORD bits)
    {
        VideoFormat f = MakeFormat(w, h, bits);
        return window->SetVideoFormat(&f.header, sizeof f.header);
    }
    double MeanByte()
    {
        EXPECT_TRUE(window->GrabFrame());
        const auto& bits = window->CurrentFrame()->bits;
        double sum = 0;
        for (BYTE b : bits)
            sum += b;
        return sum / double(bits.size());
    }

    ScopedTestUi ui;
    std::unique_ptr<CaptureWindow> window;
};

TEST_F(PatternFixture, EveryFormatSavesAsBmpThatTheEngineReadsBack)
{
    const std::string dir = ProcessTempDir();
    for (SIZE size : TestPatternDriver::Sizes()) {
        for (WORD bits : {24, 16, 8, 4}) {
            SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy) + "x" + std::to_string(bits));
            ASSERT_TRUE(SetFormat(size.cx, size.cy, bits));
            ASSERT_TRUE(window->GrabFrame());
            const std::string path = dir + "/pattern.bmp";
            ASSERT_TRUE(window->FileSaveDIB(path.c_str()));
            std::ifstream in(path, std::ios::binary);
            std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), {});
            ASSERT_EQ(file, BmpFileImage(*window->CurrentFrame()));
            BITMAPINFOHEADER ih;   // at offset 14: copied, not pointed at
            std::memcpy(&ih, file.data() + sizeof(BITMAPFILEHEADER), sizeof ih);
            EXPECT_EQ(ih.biBitCount, bits);
            EXPECT_EQ(ih.biWidth, size.cx);
            CImg image;
            if (bits == 16) {
                // The engine holds 1, 4, 8 and 24 bits; the still program
                // converts 16-bit frames itself before they reach it.
                EXPECT_EQ(image.Load(CString(path.c_str())), -6);
                continue;
            }
            ASSERT_EQ(image.Load(CString(path.c_str())), 0);
            CSize got;
            int gotBits = 0;
            image.GetSize(got);
            image.GetBitsPerPixel(gotBits);
            EXPECT_EQ(got.cx, size.cx);
            EXPECT_EQ(got.cy, size.cy);
            EXPECT_EQ(gotBits, bits);
        }
    }
}

// The latest-image folder is often served on the web: whatever someone
// planted under the target's name or a name beside it stays as it was.
TEST_F(PatternFixture, SavedPictureNeverWritesThroughPlantedLinks)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(ProcessTempDir()) / "planted";
    fs::create_directories(dir);
    const fs::path victim = dir / "victim.txt";
    std::ofstream(victim) << "keep";
    const fs::path target = dir / "latest.bmp";
    for (const char* tail : {"", ".part", ".tmp"}) {
        fs::remove(target.string() + tail);
        fs::create_symlink(victim, target.string() + tail);
    }
    ASSERT_TRUE(window->GrabFrame());
    ASSERT_TRUE(window->FileSaveDIB(target.c_str()));
    std::ifstream in(victim);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "keep");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(fs::file_size(target), BmpFileImage(*window->CurrentFrame()).size());
}

TEST_F(PatternFixture, PictureShowsBarsAndMoves)
{
    ASSERT_TRUE(SetFormat(320, 240, 24));
    ASSERT_TRUE(window->GrabFrame());
    Frame first = *window->CurrentFrame();
    // The top row is bottom-most in the DIB; the first bar is white, the last blue.
    const BYTE* top = first.bits.data() + size_t(DibStride(320, 24)) * 239;
    const BYTE* blue = top + 310 * 3;
    EXPECT_GT(blue[0], 200);
    EXPECT_LT(blue[2], 40);
    ASSERT_TRUE(window->GrabFrame());
    EXPECT_EQ(window->CurrentFrame()->number, first.number + 1);
    EXPECT_NE(window->CurrentFrame()->bits, first.bits);
}

TEST_F(PatternFixture, BrightnessCommandsRoundTripAndChangeThePicture)
{
    EXPECT_EQ(Command(kCmdGetBrightness), 128);
    const double normal = MeanByte();
    Command(kCmdSetBrightness, 200);
    EXPECT_EQ(Command(kCmdGetBrightness), 200);
    EXPECT_GT(MeanByte(), normal + 20);
    Command(kCmdSetBrightness, 1);
    EXPECT_EQ(Command(kCmdGetBrightness), 1);
    EXPECT_LT(MeanByte(), normal - 20);
    EXPECT_EQ(Command(kCmdGetAutoBrightness), 0);
}

TEST_F(PatternFixture, SourceDialogSetsAutomaticBrightness)
{
    ui->AnswerNextDialog([](CDialog& d) {
        static_cast<CameraSourceDialog&>(d).settings.autoBrightness = true;
        d.OnOK();
        return 1;
    });
    ASSERT_TRUE(window->DlgVideoSource());
    EXPECT_NE(Command(kCmdGetAutoBrightness), 0);
    // Cancelled dialogs change nothing.
    ui->AnswerNextDialog([](CDialog& d) { d.OnCancel(); return 2; });
    EXPECT_FALSE(window->DlgVideoSource());
    EXPECT_NE(Command(kCmdGetAutoBrightness), 0);
}

TEST_F(PatternFixture, FormatDialogOffersSizesAndDepths)
{
    ui->AnswerNextDialog([](CDialog& d) {
        auto& f = static_cast<CameraFormatDialog&>(d);
        EXPECT_EQ(f.sizes.size(), 4u);
        f.size = {640, 480};
        f.bits = 8;
        d.OnOK();
        return 1;
    });
    ASSERT_TRUE(window->DlgVideoFormat());
    BITMAPINFOHEADER h{};
    EXPECT_EQ(window->GetVideoFormat(nullptr, 0), 40u + 256 * 4);
    window->GetVideoFormat(&h, sizeof h);
    EXPECT_EQ(h.biWidth, 640);
    EXPECT_EQ(h.biBitCount, 8);
}

TEST_F(PatternFixture, RefusesFormatsItDoesNotOffer)
{
    EXPECT_FALSE(SetFormat(100, 100, 24));
    EXPECT_FALSE(SetFormat(320, 240, 32));
    BITMAPINFOHEADER h{};
    EXPECT_FALSE(window->SetVideoFormat(&h, 39));   // shorter than a header
}

TEST_F(PatternFixture, EveryDepthShowsTheSamePicture)
{
    for (WORD bits : {24, 16, 8, 4}) {
        SCOPED_TRACE(bits);
        ASSERT_TRUE(SetFormat(320, 240, bits));
        ASSERT_TRUE(window->GrabFrame());
        QImage image = FrameToImage(*window->CurrentFrame());
        ASSERT_EQ(image.size(), QSize(320, 240));
        // The last bar (blue) at the top right; the white first bar at the left.
        const QColor blue = image.pixelColor(310, 100), white = image.pixelColor(30, 100);
        if (bits == 4) {
            EXPECT_LT(blue.red(), 60);   // greys: blue is dark, white is light
            EXPECT_GT(white.red(), 200);
            EXPECT_EQ(blue.red(), blue.blue());
        } else {
            EXPECT_GT(blue.blue(), 180);
            EXPECT_LT(blue.red(), 60);
            EXPECT_GT(white.green(), 180);
        }
    }
}

TEST_F(PatternFixture, EditCopyPutsThePackedFrameOnTheClipboard)
{
    ASSERT_TRUE(window->GrabFrame());
    ASSERT_TRUE(window->EditCopy());
    EXPECT_EQ(ui->clipboardDib, PackedDib(*window->CurrentFrame()));
    EXPECT_EQ(ui->clipboardDib.size(), 40u + DibStride(160, 24) * 120);
}

}  // namespace
