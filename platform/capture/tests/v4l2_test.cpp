#include "temp_dir.h"
#include "capture/capture_window.h"
#include "capture/v4l2_dialogs.h"
#include "capture/v4l2_driver.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>
#include <map>

using namespace capture;

namespace {

// What one fake camera does; shared by every open of its path.
struct FakeCamera {
    std::string card = "USB Camera";
    bool captures = true;
    std::vector<std::pair<__u32, __u32>> sizes{{640, 480}, {320, 240}, {160, 120}};
    __u32 width = 0, height = 0, padding = 0;
    std::map<__u32, __s32> controls{{V4L2_CID_BRIGHTNESS, 0}, {V4L2_CID_CONTRAST, 32}, {V4L2_CID_AUTOGAIN, 0}};
    std::map<__u32, std::pair<__s32, __s32>> ranges{{V4L2_CID_BRIGHTNESS, {-64, 64}}, {V4L2_CID_CONTRAST, {0, 64}}, {V4L2_CID_AUTOGAIN, {0, 1}}};
    std::map<__u32, __s32> steps;   // 1 when absent
    int controlError = 0;           // errno every S_CTRL fails with
    enum { Ready, Stalled, Unplugged, Short } state = Ready;
    std::vector<int> waits;   // every timeout a grab waited with
};

class FakeDevice : public V4l2Device {
public:
    explicit FakeDevice(FakeCamera& camera) : m_cam(camera) {}
    int Ioctl(unsigned long request, void* arg) override
    {
        switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* cap = static_cast<v4l2_capability*>(arg);
            std::strcpy(reinterpret_cast<char*>(cap->driver), "fakecam");
            std::strncpy(reinterpret_cast<char*>(cap->card), m_cam.card.c_str(), sizeof cap->card - 1);
            cap->version = 0x060102;
            cap->capabilities = m_cam.captures ? V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE : V4L2_CAP_VIDEO_OUTPUT;
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto* e = static_cast<v4l2_frmsizeenum*>(arg);
            if (e->index >= m_cam.sizes.size())
                return errno = EINVAL, -1;
            e->type = V4L2_FRMSIZE_TYPE_DISCRETE;
            e->discrete.width = m_cam.sizes[e->index].first;
            e->discrete.height = m_cam.sizes[e->index].second;
            return 0;
        }
        case VIDIOC_S_FMT: {
            auto* f = static_cast<v4l2_format*>(arg);
            m_cam.width = f->fmt.pix.width;
            m_cam.height = f->fmt.pix.height;
            f->fmt.pix.bytesperline = m_cam.width * 3 + m_cam.padding;
            f->fmt.pix.sizeimage = f->fmt.pix.bytesperline * m_cam.height;
            return 0;
        }
        case VIDIOC_QUERYCTRL: {
            auto* q = static_cast<v4l2_queryctrl*>(arg);
            auto r = m_cam.ranges.find(q->id);
            if (r == m_cam.ranges.end())
                return errno = EINVAL, -1;
            q->minimum = r->second.first;
            q->maximum = r->second.second;
            q->step = m_cam.steps.count(q->id) ? m_cam.steps[q->id] : 1;
            return 0;
        }
        case VIDIOC_G_CTRL:
            static_cast<v4l2_control*>(arg)->value = m_cam.controls[static_cast<v4l2_control*>(arg)->id];
            return 0;
        case VIDIOC_S_CTRL: {
            // As drivers do: values off the range or between steps are refused.
            auto* v = static_cast<v4l2_control*>(arg);
            const auto [min, max] = m_cam.ranges[v->id];
            const __s32 step = m_cam.steps.count(v->id) ? m_cam.steps[v->id] : 1;
            if (m_cam.controlError)
                return errno = m_cam.controlError, -1;
            if (v->value < min || v->value > max || (v->value - min) % step)
                return errno = EINVAL, -1;
            m_cam.controls[v->id] = v->value;
            return 0;
        }
        }
        return errno = ENOTTY, -1;
    }
    ssize_t Read(void* buffer, size_t bytes) override
    {
        if (m_cam.state == FakeCamera::Unplugged)
            return errno = ENODEV, -1;
        if (m_cam.state == FakeCamera::Stalled)
            return errno = EAGAIN, -1;
        const size_t stride = m_cam.width * 3 + m_cam.padding;
        const size_t frame = m_cam.state == FakeCamera::Short ? stride * m_cam.height / 2 : stride * m_cam.height;
        auto* p = static_cast<BYTE*>(buffer);
        for (size_t y = 0; y < m_cam.height && (y + 1) * stride <= bytes; ++y)
            for (size_t x = 0; x < m_cam.width; ++x) {
                p[y * stride + x * 3] = BYTE(x);       // red
                p[y * stride + x * 3 + 1] = BYTE(y);   // green
                p[y * stride + x * 3 + 2] = 7;         // blue
            }
        return ssize_t(std::min(frame, bytes));
    }
    int WaitReadable(int timeoutMs) override
    {
        m_cam.waits.push_back(timeoutMs);
        return 0;
    }

private:
    FakeCamera& m_cam;
};

class FakeLayer : public V4l2DeviceLayer {
public:
    std::vector<std::string> DevicePaths() override
    {
        std::vector<std::string> paths;
        for (auto& [path, camera] : cameras)
            paths.push_back(path);
        paths.push_back("/dev/video9");   // listed but cannot be opened
        return paths;
    }
    std::unique_ptr<V4l2Device> Open(const std::string& path) override
    {
        auto c = cameras.find(path);
        if (c == cameras.end())
            return errno = ENOENT, nullptr;
        if (c->second.state == FakeCamera::Unplugged && unpluggedCannotOpen)
            return errno = ENODEV, nullptr;
        return std::make_unique<FakeDevice>(c->second);
    }
    std::map<std::string, FakeCamera> cameras;
    bool unpluggedCannotOpen = false;
};

struct V4l2Fixture : ::testing::Test {
    void SetUp() override
    {
        layer.cameras["/dev/video0"].card = "HD Webcam C270";
        layer.cameras["/dev/video1"].captures = false;   // a metadata node
        DriverCatalog::Install(V4l2Entries(layer));
        window = std::make_unique<CaptureWindow>(nullptr);
        s_errors = &errors;
        window->SetCallbackOnError([](HWND, int id, LPCSTR) -> LRESULT { s_errors->push_back(id); return TRUE; });
    }
    void TearDown() override
    {
        window.reset();
        DriverCatalog::UseSystem();
    }
    FakeCamera& camera() { return layer.cameras["/dev/video0"]; }
    WORD Command(BYTE code, WORD argument = 0)
    {
        BITMAPINFOHEADER h{};
        window->GetVideoFormat(&h, sizeof h);
        SetDriverCommand(h, code, argument);
        EXPECT_TRUE(window->SetVideoFormat(&h, sizeof h));
        return DriverResult(h);
    }

    static inline std::vector<int>* s_errors = nullptr;
    ScopedTestUi ui;
    FakeLayer layer;
    std::vector<int> errors;
    std::unique_ptr<CaptureWindow> window;
};

TEST_F(V4l2Fixture, ListsCapturingDevicesUnderTheCameraName)
{
    std::vector<DriverEntry> entries = V4l2Entries(layer);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].description, "Lumivex V4L2 Camera Driver: HD Webcam C270 (/dev/video0)");
    EXPECT_EQ(entries[0].version, "Version 6.1.2 (fakecam)");
}

TEST_F(V4l2Fixture, GrabbedRgbArrivesAsABottomUpDib)
{
    ASSERT_TRUE(window->DriverConnect(0));
    EXPECT_EQ(camera().width, 320u);   // the usual size when offered
    camera().padding = 4;
    VideoFormat wanted = MakeFormat(160, 120, 24);
    ASSERT_TRUE(window->SetVideoFormat(&wanted.header, 40));
    ASSERT_TRUE(window->GrabFrame());
    const Frame& f = *window->CurrentFrame();
    EXPECT_EQ(f.format.header.biWidth, 160);
    // Camera row 0 is the DIB's last row; pixels turn from RGB into BGR.
    const BYTE* last = f.bits.data() + size_t(DibStride(160, 24)) * 119;
    EXPECT_EQ(last[5 * 3], 7);       // blue
    EXPECT_EQ(last[5 * 3 + 1], 0);   // green = camera row 0
    EXPECT_EQ(last[5 * 3 + 2], 5);   // red = x
    EXPECT_EQ(f.bits[1], 119);       // DIB row 0 is camera row 119
    EXPECT_TRUE(errors.empty());
}

TEST_F(V4l2Fixture, RefusesSizesAndDepthsTheCameraDoesNotOffer)
{
    ASSERT_TRUE(window->DriverConnect(0));
    VideoFormat odd = MakeFormat(100, 100, 24);
    EXPECT_FALSE(window->SetVideoFormat(&odd.header, 40));
    VideoFormat eight = MakeFormat(320, 240, 8);
    EXPECT_FALSE(window->SetVideoFormat(&eight.header, 40));
}

TEST_F(V4l2Fixture, BrightnessIsScaledOntoTheControlRange)
{
    ASSERT_TRUE(window->DriverConnect(0));
    EXPECT_EQ(Command(kCmdGetBrightness), 128);   // 0 in -64..64
    Command(kCmdSetBrightness, 255);
    EXPECT_EQ(camera().controls[V4L2_CID_BRIGHTNESS], 64);
    Command(kCmdSetBrightness, 1);
    EXPECT_EQ(camera().controls[V4L2_CID_BRIGHTNESS], -64);
    EXPECT_EQ(Command(kCmdGetBrightness), 1);
    for (WORD b : {2, 77, 128, 254}) {
        Command(kCmdSetBrightness, b);
        EXPECT_NEAR(Command(kCmdGetBrightness), b, 2);
    }
    EXPECT_EQ(Command(kCmdGetAutoBrightness), 0);
    camera().controls[V4L2_CID_AUTOGAIN] = 1;
    EXPECT_EQ(Command(kCmdGetAutoBrightness), 1);
}

TEST_F(V4l2Fixture, BrightnessLandsOnTheControlsStepsAndARefusalIsReported)
{
    camera().ranges[V4L2_CID_BRIGHTNESS] = {0, 255};
    camera().steps[V4L2_CID_BRIGHTNESS] = 16;
    ASSERT_TRUE(window->DriverConnect(0));
    Command(kCmdSetBrightness, 128);
    EXPECT_EQ(camera().controls[V4L2_CID_BRIGHTNESS], 128);
    Command(kCmdSetBrightness, 255);   // 256 is past the range: the last step
    EXPECT_EQ(camera().controls[V4L2_CID_BRIGHTNESS], 240);

    camera().controlError = EIO;
    BITMAPINFOHEADER h{};
    window->GetVideoFormat(&h, sizeof h);
    SetDriverCommand(h, kCmdSetBrightness, 1);
    EXPECT_FALSE(window->SetVideoFormat(&h, sizeof h));
    EXPECT_EQ(camera().controls[V4L2_CID_BRIGHTNESS], 240);
}

TEST_F(V4l2Fixture, SilentCameraEndsTheGrabWithinItsBound)
{
    ASSERT_TRUE(window->DriverConnect(0));
    camera().state = FakeCamera::Stalled;
    EXPECT_FALSE(window->GrabFrame());
    EXPECT_EQ(errors, std::vector<int>{IDS_CAP_NO_FRAME});
    ASSERT_EQ(camera().waits.size(), 1u);
    EXPECT_EQ(camera().waits[0], kV4l2FirstFrameWaitMs);
    camera().state = FakeCamera::Ready;
    ASSERT_TRUE(window->GrabFrame());
    camera().state = FakeCamera::Stalled;
    EXPECT_FALSE(window->GrabFrame());
    EXPECT_EQ(camera().waits.back(), kV4l2FrameWaitMs);
}

TEST_F(V4l2Fixture, UnpluggedCameraReportsThroughTheErrorCallback)
{
    ASSERT_TRUE(window->DriverConnect(0));
    camera().state = FakeCamera::Unplugged;
    EXPECT_FALSE(window->GrabFrame());
    EXPECT_FALSE(window->FileSaveDIB((ProcessTempDir() + "/gone.bmp").c_str()));
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0], IDS_CAP_DEVICE_GONE);
    window->DriverDisconnect();
    layer.unpluggedCannotOpen = true;
    errors.clear();
    EXPECT_FALSE(window->DriverConnect(0));
    EXPECT_EQ(errors, std::vector<int>{IDS_CAP_NO_DRIVER});
}

TEST_F(V4l2Fixture, ShortFrameIsAnErrorNotAPicture)
{
    ASSERT_TRUE(window->DriverConnect(0));
    camera().state = FakeCamera::Short;
    EXPECT_FALSE(window->GrabFrame());
    EXPECT_EQ(errors, std::vector<int>{IDS_CAP_NO_FRAME});
    EXPECT_EQ(window->CurrentFrame(), nullptr);
}

TEST_F(V4l2Fixture, FormatDialogChoiceReachesTheWindow)
{
    ASSERT_TRUE(window->DriverConnect(0));
    ui->AnswerNextDialog([](CDialog& d) {
        auto& f = static_cast<V4l2FormatDialog&>(d);
        EXPECT_EQ(f.choice.size, (FrameSize{320, 240}));
        f.choice.size = {640, 480};
        f.OnOK();
        return IDOK;
    });
    ASSERT_TRUE(window->DlgVideoFormat());
    EXPECT_EQ(camera().width, 640u);
    CAPSTATUS status{};
    ASSERT_TRUE(window->GetStatus(&status, sizeof status));
    EXPECT_EQ(status.uiImageWidth, 640u);
}

TEST(V4l2FrameTest, RejectsSizesThatDoNotAddUp)
{
    std::vector<BYTE> data(4 * 3 * 2);
    Frame f;
    EXPECT_TRUE(RgbFrameToDib(data.data(), data.size(), 4, 2, 12, f));
    EXPECT_TRUE(RgbFrameToDib(data.data(), data.size() - 0, 4, 2, 12, f));
    EXPECT_FALSE(RgbFrameToDib(data.data(), data.size() - 1, 4, 2, 12, f));
    EXPECT_FALSE(RgbFrameToDib(data.data(), data.size(), 4, 2, 11, f));   // row shorter than its pixels
    EXPECT_FALSE(RgbFrameToDib(data.data(), data.size(), 0, 2, 12, f));
    EXPECT_FALSE(RgbFrameToDib(data.data(), data.size(), 4, 0x7FFFFFFF, 12, f));
    // Padding after the last row is not needed.
    std::vector<BYTE> padded(16 + 12);
    EXPECT_TRUE(RgbFrameToDib(padded.data(), padded.size(), 4, 2, 16, f));
}

}  // namespace

namespace {

TEST(V4l2RealCameraTest, GrabsFromTheFirstCameraWhenOneIsPlugged)
{
    std::vector<DriverEntry> entries = V4l2Entries(SystemDeviceLayer());
    if (entries.empty())
        GTEST_SKIP() << "no camera on this machine";
    ScopedTestUi ui;
    DriverCatalog::Install({entries[0]});
    {
        CaptureWindow window(nullptr);
        ASSERT_TRUE(window.DriverConnect(0));
        bool grabbed = false;
        for (int i = 0; i < 5 && !grabbed; ++i)
            grabbed = window.GrabFrame();
        EXPECT_TRUE(grabbed);
    }
    DriverCatalog::UseSystem();
}

}  // namespace
