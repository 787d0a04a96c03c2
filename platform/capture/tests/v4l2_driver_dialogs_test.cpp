// The V4L2 driver with its dialogs over the table device: what the dialogs
// offer, what OK and Cancel leave on the camera, and what grabs give in the
// format chosen.
#include "capture/v4l2_dialogs.h"
#include "capture/v4l2_frame.h"
#include "fake_v4l2_device.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

using namespace capture;
using capture::testing::FakeV4l2Device;
using capture::testing::FakeV4l2Layer;
using capture::testing::Webcam;

namespace {

constexpr __u32 kH264 = V4L2_PIX_FMT_H264;

// Blue, green, red, as a DIB holds them.
struct Bgr {
    int b, g, r;
};

// A width x height JPEG whose left half is `left` and right half `right`;
// a grey one takes the colours' green.
std::vector<BYTE> Jpeg(int width, int height, Bgr left, Bgr right, bool grey = false)
{
    const int components = grey ? 1 : 3;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<BYTE> row(size_t(width) * components);
    for (int x = 0; x < width; ++x) {
        const Bgr& c = x < width / 2 ? left : right;
        BYTE* p = row.data() + size_t(x) * components;
        if (grey)
            p[0] = BYTE(c.g);
        else
            p[0] = BYTE(c.r), p[1] = BYTE(c.g), p[2] = BYTE(c.b);
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<BYTE> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Where the entropy-coded data begins: after the start-of-scan segment.
size_t ScanStart(const std::vector<BYTE>& jpeg)
{
    for (size_t i = 2; i + 3 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            return i + 2 + size_t(jpeg[i + 2] << 8 | jpeg[i + 3]);
    return jpeg.size();
}

// The pixel at column x of row y counted from the top, as the camera sent it.
Bgr Pixel(const Frame& f, int x, int y)
{
    const LONG h = f.format.header.biHeight;
    const BYTE* p = f.bits.data() + size_t(DibStride(f.format.header.biWidth, 24)) * size_t(h - 1 - y) + size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

void ExpectNear(Bgr got, Bgr want, int tolerance)
{
    EXPECT_NEAR(got.b, want.b, tolerance);
    EXPECT_NEAR(got.g, want.g, tolerance);
    EXPECT_NEAR(got.r, want.r, tolerance);
}

// The webcam's controls, with small sizes in every format grabs convert.
FakeV4l2Device SmallFormatCamera()
{
    FakeV4l2Device d = Webcam();
    d.formats = {
        {V4L2_PIX_FMT_RGB24, "RGB3", 0, {{4, 2}, {320, 240}}, 0, {}, {{1, 30}}},
        {V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", 0, {{4, 2}, {160, 120}}, 0, {}, {{1, 30}, {1, 15}}},
        {V4L2_PIX_FMT_GREY, "Greyscale", 0, {{4, 2}}, 0, {}, {}},
        {V4L2_PIX_FMT_BGR24, "BGR3", 0, {{4, 2}}, 0, {}, {}},
        {V4L2_PIX_FMT_MJPEG, "Motion-JPEG", V4L2_FMT_FLAG_COMPRESSED, {}, V4L2_FRMSIZE_TYPE_STEPWISE,
         {16, 64, 16, 16, 64, 16}, {{1, 30}}},
        {kH264, "H.264", V4L2_FMT_FLAG_COMPRESSED, {{32, 16}}, 0, {}, {}},
    };
    return d;
}

struct DriverDialogs : ::testing::Test {
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(driver->Connect(error)) << error;
    }
    WORD Command(BYTE code, WORD argument = 0)
    {
        BITMAPINFOHEADER h = driver->Format().header;
        SetDriverCommand(h, code, argument);
        EXPECT_TRUE(driver->SetFormat(h, {}));
        return DriverResult(h);
    }
    // Chooses `choice` in the format dialog and presses OK; how the driver's dialog ended.
    bool ChooseFormat(const FormatChoice& choice)
    {
        ui->AnswerNextDialog([choice](CDialog& d) {
            auto& dialog = static_cast<V4l2FormatDialog&>(d);
            dialog.choice = choice;
            dialog.OnOK();
            return dialog.IsEnded() ? dialog.GetResult() : IDCANCEL;
        });
        return driver->FormatDialog(nullptr);
    }
    bool Grab(Frame& frame, std::string& error)
    {
        bool gone = false;
        const bool ok = driver->Grab(frame, error, gone);
        EXPECT_FALSE(gone);
        return ok;
    }

    ScopedTestUi ui;
    FakeV4l2Device device = SmallFormatCamera();
    FakeV4l2Layer layer{device};
    std::unique_ptr<Driver> driver = MakeV4l2Driver(layer, "/dev/video0");
};

TEST_F(DriverDialogs, OffersBothDialogsOverEverythingTheCameraReports)
{
    EXPECT_TRUE(driver->HasSourceDialog());
    EXPECT_TRUE(driver->HasFormatDialog());
    ui->AnswerNextDialog([](CDialog& d) {
        std::vector<uint32_t> ids;
        for (const CameraControl& c : static_cast<V4l2SourceDialog&>(d).controls.Controls())
            ids.push_back(c.id);
        // Every control but the class heading and the disabled saturation.
        EXPECT_EQ(ids.size(), 9u);
        EXPECT_EQ(ids.front(), uint32_t(V4L2_CID_BRIGHTNESS));
        return IDOK;
    });
    EXPECT_TRUE(driver->SourceDialog(nullptr));
    ui->AnswerNextDialog([](CDialog& d) {
        auto& dialog = static_cast<V4l2FormatDialog&>(d);
        EXPECT_EQ(dialog.formats.size(), 6u);
        // It opens on what the camera has now.
        EXPECT_EQ(dialog.choice.fourcc, uint32_t(V4L2_PIX_FMT_RGB24));
        EXPECT_EQ(dialog.choice.size, (FrameSize{320, 240}));
        EXPECT_EQ(dialog.model.Intervals(V4L2_PIX_FMT_YUYV, {4, 2}).discrete.size(), 2u);
        return IDCANCEL;
    });
    EXPECT_FALSE(driver->FormatDialog(nullptr));
    EXPECT_EQ(ui->dialogs, (std::vector<UINT>{IDD_V4L2_SOURCE, IDD_V4L2_FORMAT}));
}

TEST_F(DriverDialogs, SourceDialogKeepsChangesOnOkAndPutsThemBackOtherwise)
{
    struct Row {
        const char* how;
        int ending;   // 0: the dialog's own OK; else what the answer returns
        bool kept;
    };
    const Row rows[] = {{"OK", 0, true}, {"Cancel", IDCANCEL, false}, {"closed", 0x7F, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        device = SmallFormatCamera();   // brightness 10, automatic white balance on at 5000
        ui->AnswerNextDialog([&row](CDialog& d) {
            auto& dialog = static_cast<V4l2SourceDialog&>(d);
            std::string error;
            EXPECT_TRUE(dialog.controls.Set(V4L2_CID_BRIGHTNESS, 40, error)) << error;
            EXPECT_TRUE(dialog.controls.Set(V4L2_CID_AUTO_WHITE_BALANCE, 0, error)) << error;
            EXPECT_TRUE(dialog.controls.Set(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 3000, error)) << error;
            if (row.ending == 0)
                dialog.OnOK();
            return row.ending == 0 ? IDOK : row.ending;
        });
        EXPECT_EQ(driver->SourceDialog(nullptr), row.kept);
        EXPECT_EQ(device.Control(V4L2_CID_BRIGHTNESS)->value, row.kept ? 40 : 10);
        EXPECT_EQ(device.Control(V4L2_CID_AUTO_WHITE_BALANCE)->value, row.kept ? 0 : 1);
        // Owned by the automatic mode while the dialog opened, yet put back too.
        EXPECT_EQ(device.Control(V4L2_CID_WHITE_BALANCE_TEMPERATURE)->value, row.kept ? 3000 : 5000);
    }
}

TEST_F(DriverDialogs, BrightnessCommandsAndTheSourceDialogSeeOneAnother)
{
    ui->AnswerNextDialog([](CDialog& d) {
        std::string error;
        EXPECT_TRUE(static_cast<V4l2SourceDialog&>(d).controls.Set(V4L2_CID_BRIGHTNESS, 64, error)) << error;
        return IDOK;
    });
    ASSERT_TRUE(driver->SourceDialog(nullptr));
    EXPECT_EQ(Command(kCmdGetBrightness), 255);   // the top of -64..64

    Command(kCmdSetBrightness, 1);
    ui->AnswerNextDialog([](CDialog& d) {
        EXPECT_EQ(static_cast<V4l2SourceDialog&>(d).controls.Find(V4L2_CID_BRIGHTNESS)->value, -64);
        return IDCANCEL;
    });
    driver->SourceDialog(nullptr);
    EXPECT_EQ(Command(kCmdGetBrightness), 1);
}

TEST_F(DriverDialogs, TheNextGrabIsInTheFormatChosen)
{
    // Studio-range YUV: white, black, then one pair of pure red.
    const std::vector<BYTE> yuyv = {235, 128, 16, 128, 81, 90, 81, 240,   // white, black | red, red
                                    16, 128, 235, 128, 16, 128, 16, 128};
    const std::vector<BYTE> grey = {0, 50, 100, 150, 200, 250, 10, 20};
    std::vector<BYTE> rgb(24), bgr(24);
    for (size_t i = 0; i < 24; ++i)
        rgb[i] = bgr[i] = BYTE(i * 10);
    const Bgr red{0, 0, 255}, blue{255, 0, 0};
    struct Row {
        __u32 fourcc;
        FrameSize size;
        std::vector<BYTE> bytes;
        std::vector<std::pair<std::pair<int, int>, Bgr>> pixels;   // (x, y from the top) -> colour
        int tolerance;
    };
    const Row rows[] = {
        {V4L2_PIX_FMT_YUYV, {4, 2}, yuyv, {{{0, 0}, {255, 255, 255}}, {{1, 0}, {0, 0, 0}}, {{2, 0}, red}, {{1, 1}, {255, 255, 255}}}, 3},
        {V4L2_PIX_FMT_GREY, {4, 2}, grey, {{{1, 0}, {50, 50, 50}}, {{3, 1}, {20, 20, 20}}}, 0},
        {V4L2_PIX_FMT_RGB24, {4, 2}, rgb, {{{0, 0}, {20, 10, 0}}, {{3, 1}, {230, 220, 210}}}, 0},
        {V4L2_PIX_FMT_BGR24, {4, 2}, bgr, {{{0, 0}, {0, 10, 20}}, {{3, 1}, {210, 220, 230}}}, 0},
        {V4L2_PIX_FMT_MJPEG, {32, 16}, Jpeg(32, 16, red, blue), {{{4, 4}, red}, {{27, 11}, blue}}, 12},
        {V4L2_PIX_FMT_MJPEG, {32, 16}, Jpeg(32, 16, {0, 40, 0}, {0, 200, 0}, true),
         {{{4, 4}, {40, 40, 40}}, {{27, 11}, {200, 200, 200}}}, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(FourccText(row.fourcc));
        ASSERT_TRUE(ChooseFormat({row.fourcc, row.size, {}}));
        EXPECT_EQ(device.current.pixelformat, row.fourcc);
        const VideoFormat f = driver->Format();
        EXPECT_EQ(f.header.biWidth, LONG(row.size.width));
        EXPECT_EQ(f.header.biHeight, LONG(row.size.height));
        device.frame = row.bytes;
        Frame frame;
        std::string error;
        ASSERT_TRUE(Grab(frame, error)) << error;
        EXPECT_EQ(frame.format.header.biBitCount, 24);
        for (const auto& [at, colour] : row.pixels) {
            SCOPED_TRACE(std::to_string(at.first) + "," + std::to_string(at.second));
            ExpectNear(Pixel(frame, at.first, at.second), colour, row.tolerance);
        }
    }
}

TEST_F(DriverDialogs, ShortOrDamagedFramesAreFailedGrabsThatSayWhy)
{
    // Damage inside the picture's data, where libjpeg only warns and goes on.
    const std::vector<BYTE> whole = Jpeg(32, 16, {0, 0, 255}, {255, 0, 0});
    const size_t scan = ScanStart(whole);
    ASSERT_LT(scan + 8, whole.size());
    const std::vector<BYTE> truncated(whole.begin(), whole.begin() + ptrdiff_t(scan + 4));
    std::vector<BYTE> marked = whole;
    marked[scan + 4] = 0xFF, marked[scan + 5] = 0xD3;   // a marker where data should be
    std::vector<BYTE> headless(whole.begin(), whole.begin() + ptrdiff_t(scan / 2));
    struct Row {
        __u32 fourcc;
        FrameSize size;
        std::vector<BYTE> bytes;
        const char* says;
    };
    const Row rows[] = {
        {V4L2_PIX_FMT_YUYV, {4, 2}, std::vector<BYTE>(15), "too short for 4 x 2"},
        {V4L2_PIX_FMT_GREY, {4, 2}, std::vector<BYTE>(7), "too short for 4 x 2"},
        {V4L2_PIX_FMT_RGB24, {4, 2}, std::vector<BYTE>(23), "too short for 4 x 2"},
        {V4L2_PIX_FMT_MJPEG, {32, 16}, truncated, "damaged JPEG"},
        {V4L2_PIX_FMT_MJPEG, {32, 16}, marked, "damaged JPEG"},
        {V4L2_PIX_FMT_MJPEG, {32, 16}, headless, "damaged JPEG"},
        {V4L2_PIX_FMT_MJPEG, {32, 16}, std::vector<BYTE>(100, 0x55), "without a start of picture"},
        {V4L2_PIX_FMT_MJPEG, {32, 16}, Jpeg(16, 16, {}, {}), "16 x 16 where 32 x 16"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.says);
        ASSERT_TRUE(ChooseFormat({row.fourcc, row.size, {}}));
        device.frame = row.bytes;
        Frame frame;
        std::string error;
        EXPECT_FALSE(Grab(frame, error));
        EXPECT_NE(error.find(row.says), std::string::npos) << error;
        EXPECT_NE(error.find("/dev/video0"), std::string::npos) << error;
    }
}

TEST_F(DriverDialogs, ARefusedFormatIsShownAndTheCameraKeepsItsOwn)
{
    device.failures[{VIDIOC_S_FMT, V4L2_PIX_FMT_YUYV}] = EBUSY;
    EXPECT_FALSE(ChooseFormat({V4L2_PIX_FMT_YUYV, {4, 2}, {}}));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_NE(std::string(ui->boxes[0].text).find(std::strerror(EBUSY)), std::string::npos) << ui->boxes[0].text;

    // A format the camera takes but grabs cannot show is refused too, and undone.
    EXPECT_FALSE(ChooseFormat({kH264, {32, 16}, {}}));
    ASSERT_EQ(ui->boxes.size(), 2u);
    EXPECT_NE(std::string(ui->boxes[1].text).find("H264"), std::string::npos) << ui->boxes[1].text;
    EXPECT_EQ(device.current.pixelformat, uint32_t(V4L2_PIX_FMT_RGB24));
    EXPECT_EQ(driver->Format().header.biWidth, 320);
    device.frame.assign(320 * 240 * 3, 9);
    Frame frame;
    std::string error;
    EXPECT_TRUE(Grab(frame, error)) << error;
}

TEST_F(DriverDialogs, CancelAfterApplyPutsTheOpeningFormatBack)
{
    ui->AnswerNextDialog([](CDialog& d) {
        auto& dialog = static_cast<V4l2FormatDialog&>(d);
        AppliedFormat applied;
        std::string error;
        EXPECT_TRUE(dialog.Apply({V4L2_PIX_FMT_GREY, {4, 2}, {}}, applied, error)) << error;
        return IDCANCEL;
    });
    EXPECT_FALSE(driver->FormatDialog(nullptr));
    EXPECT_EQ(device.current.pixelformat, uint32_t(V4L2_PIX_FMT_RGB24));
    EXPECT_EQ(device.current.width, 320u);
    // The driver follows: an RGB frame of 320 x 240 is what it reads.
    device.frame.assign(320 * 240 * 3, 9);
    Frame frame;
    std::string error;
    EXPECT_TRUE(Grab(frame, error)) << error;
    EXPECT_EQ(device.lastReadRoom, 320u * 240 * 3);
}

TEST_F(DriverDialogs, PlainSizeRequestsStayInTheFormatChosen)
{
    ASSERT_TRUE(ChooseFormat({V4L2_PIX_FMT_YUYV, {4, 2}, {}}));
    VideoFormat bigger = MakeFormat(160, 120, 24);
    ASSERT_TRUE(driver->SetFormat(bigger.header, {}));
    EXPECT_EQ(device.current.pixelformat, uint32_t(V4L2_PIX_FMT_YUYV));
    EXPECT_EQ(device.current.width, 160u);
    VideoFormat rgbOnly = MakeFormat(320, 240, 24);   // an RGB24 size, not a YUYV one
    EXPECT_FALSE(driver->SetFormat(rgbOnly.header, {}));
}

TEST(V4l2FrameConvertTest, RefusesLayoutsThatDoNotAddUp)
{
    std::vector<BYTE> bytes(64);
    struct Row {
        CameraFrameLayout layout;
        size_t size;
        bool ok;
    };
    const Row rows[] = {
        {{V4L2_PIX_FMT_YUYV, 4, 2, 8}, 16, true},
        {{V4L2_PIX_FMT_YUYV, 4, 2, 7}, 16, false},    // rows shorter than their pixels
        {{V4L2_PIX_FMT_YUYV, 3, 2, 8}, 16, true},     // an odd width still takes whole pairs
        {{V4L2_PIX_FMT_YUYV, 3, 2, 6}, 16, false},
        {{V4L2_PIX_FMT_GREY, 4, 2, 6}, 10, true},     // the last row needs no padding
        {{V4L2_PIX_FMT_GREY, 4, 2, 6}, 9, false},
        {{V4L2_PIX_FMT_BGR24, 0, 2, 0}, 64, false},
        {{V4L2_PIX_FMT_BGR24, kMaxFrameSide + 1, 1, 0xFFFFFFFF}, 64, false},
        {{kH264, 4, 2, 8}, 64, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(FourccText(row.layout.fourcc) + " " + std::to_string(row.layout.width) + " " + std::to_string(row.size));
        Frame frame;
        std::string error;
        EXPECT_EQ(CameraFrameToDib(row.layout, bytes.data(), row.size, frame, error), row.ok) << error;
        EXPECT_EQ(error.empty(), row.ok) << error;
    }
    // A compressed frame gets room for what the driver asks, within reason.
    EXPECT_EQ(FrameBufferBytes({V4L2_PIX_FMT_MJPEG, 32, 16, 0}, 0), 32u * 16 * 2);
    EXPECT_EQ(FrameBufferBytes({V4L2_PIX_FMT_MJPEG, 32, 16, 0}, 0xFFFFFFFF), 32u * 16 * 3 + 64 * 1024);
    EXPECT_EQ(FrameBufferBytes({V4L2_PIX_FMT_YUYV, 4, 2, 10}, 0), 20u);
}

TEST(V4l2FrameConvertTest, UsableLayoutsAreKnownFormatsOfSensibleSizesAndRows)
{
    struct Row {
        CameraFrameLayout layout;
        bool usable;
    };
    const Row rows[] = {
        {{V4L2_PIX_FMT_YUYV, 640, 480, 1280}, true},
        {{V4L2_PIX_FMT_YUYV, 640, 480, 1280 * 4 + 4096}, true},
        {{V4L2_PIX_FMT_YUYV, 640, 480, 1280 * 4 + 4097}, false},   // a buffer no driver means
        {{V4L2_PIX_FMT_RGB24, 640, 480, 1919}, false},
        {{V4L2_PIX_FMT_MJPEG, 640, 480, 0}, true},                 // compressed rows have no length
        {{V4L2_PIX_FMT_MJPEG, kMaxFrameSide, kMaxFrameSide + 1, 0}, false},
        {{V4L2_PIX_FMT_GREY, 0, 480, 0}, false},
        {{kH264, 640, 480, 0}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(FourccText(row.layout.fourcc) + " " + std::to_string(row.layout.bytesPerLine));
        std::string error;
        EXPECT_EQ(UsableLayout(row.layout, error), row.usable);
        EXPECT_EQ(error.empty(), row.usable) << error;
    }
}

TEST_F(DriverDialogs, AFormatWithAbsurdRowsIsRefusedBeforeAnyGrab)
{
    struct HugeRows : FakeV4l2Device {
        int Ioctl(unsigned long request, void* arg) override
        {
            const int r = FakeV4l2Device::Ioctl(request, arg);
            if (request == VIDIOC_S_FMT && r == 0 && static_cast<v4l2_format*>(arg)->fmt.pix.pixelformat == V4L2_PIX_FMT_GREY)
                static_cast<v4l2_format*>(arg)->fmt.pix.bytesperline = 0xFFFFFFF0;
            return r;
        }
    } huge;
    huge.formats = SmallFormatCamera().formats;
    FakeV4l2Layer hugeLayer{huge};
    driver = MakeV4l2Driver(hugeLayer, "/dev/video0");
    std::string error;
    ASSERT_TRUE(driver->Connect(error)) << error;
    EXPECT_FALSE(ChooseFormat({V4L2_PIX_FMT_GREY, {4, 2}, {}}));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_NE(std::string(ui->boxes[0].text).find("rows of 4294967280 bytes"), std::string::npos) << ui->boxes[0].text;
    EXPECT_EQ(huge.current.pixelformat, uint32_t(V4L2_PIX_FMT_RGB24));
}

}  // namespace
