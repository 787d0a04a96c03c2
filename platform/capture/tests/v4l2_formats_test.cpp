#include "capture/v4l2_formats.h"
#include "fake_v4l2_device.h"
#include "framework/Trace.h"

#include <gtest/gtest.h>

using namespace capture;
using capture::testing::FakeV4l2Device;
using capture::testing::Webcam;

namespace {

std::vector<std::string> s_trace;
void Collect(const char* text) { s_trace.emplace_back(text); }

struct FormatsFixture : ::testing::Test {
    void SetUp() override
    {
        s_trace.clear();
        m_previous = SetTraceSink(&Collect);
    }
    void TearDown() override { SetTraceSink(m_previous); }
    FakeV4l2Device device = Webcam();
    CameraFormats formats{device, "/dev/video0"};
    TraceSink m_previous = nullptr;
};

TEST_F(FormatsFixture, ListsEveryFormatWithItsSizes)
{
    const std::vector<PixelFormat> list = formats.List();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(FourccText(list[0].fourcc), "YUYV");
    EXPECT_EQ(list[0].description, "YUYV 4:2:2");
    EXPECT_FALSE(list[0].sizes.ranged);
    EXPECT_EQ(list[0].sizes.discrete, (std::vector<FrameSize>{{640, 480}, {320, 240}, {160, 120}}));

    EXPECT_EQ(FourccText(list[1].fourcc), "MJPG");
    EXPECT_TRUE(list[1].compressed);
    ASSERT_TRUE(list[1].sizes.ranged);
    EXPECT_EQ(list[1].sizes.minimum, (FrameSize{160, 120}));
    EXPECT_EQ(list[1].sizes.maximum, (FrameSize{1280, 720}));
    EXPECT_EQ(list[1].sizes.step, (FrameSize{16, 8}));

    EXPECT_TRUE(list[2].emulated);
    ASSERT_TRUE(list[2].sizes.ranged);
    EXPECT_EQ(list[2].sizes.step, (FrameSize{1, 1}));   // continuous
    EXPECT_TRUE(s_trace.empty());
}

TEST_F(FormatsFixture, ListsTheIntervalsOfOneFormatAtOneSize)
{
    FrameIntervals yuyv = formats.Intervals(V4L2_PIX_FMT_YUYV, {640, 480});
    EXPECT_EQ(yuyv.discrete, (std::vector<FrameInterval>{{1, 30}, {1, 15}, {2, 15}}));
    EXPECT_TRUE(formats.Intervals(V4L2_PIX_FMT_RGB24, {640, 480}).discrete.empty());
}

TEST(NearestSizeTest, LandsOnTheOfferedSizes)
{
    FrameSizes stepwise;
    stepwise.ranged = true;
    stepwise.minimum = {160, 120};
    stepwise.maximum = {1270, 720};   // the width's last step is 1264
    stepwise.step = {16, 8};
    FrameSizes discrete;
    discrete.discrete = {{640, 480}, {320, 240}, {160, 120}};
    struct Row {
        const FrameSizes& sizes;
        FrameSize wanted, nearest;
    };
    const Row rows[] = {
        {stepwise, {640, 480}, {640, 480}},
        {stepwise, {1000, 700}, {1008, 704}},   // 160 + 53 * 16, 120 + 73 * 8
        {stepwise, {1279, 719}, {1264, 720}},
        {stepwise, {20, 20}, {160, 120}},
        {stepwise, {0xFFFFFFFF, 0xFFFFFFFF}, {1264, 720}},
        {discrete, {330, 250}, {320, 240}},
        {discrete, {5000, 5000}, {640, 480}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(NearestSize(r.sizes, r.wanted), r.nearest) << r.wanted.width << "x" << r.wanted.height;
}

TEST_F(FormatsFixture, AFormatWhoseSizesFailIsKeptWithoutThem)
{
    device.failures[{VIDIOC_ENUM_FRAMESIZES, V4L2_PIX_FMT_MJPEG}] = EIO;
    const std::vector<PixelFormat> list = formats.List();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_FALSE(list[1].sizes.ranged);
    EXPECT_TRUE(list[1].sizes.discrete.empty());
    EXPECT_EQ(list[0].sizes.discrete.size(), 3u);
    EXPECT_TRUE(list[2].sizes.ranged);
    ASSERT_EQ(s_trace.size(), 1u);
    EXPECT_NE(s_trace[0].find("/dev/video0: VIDIOC_ENUM_FRAMESIZES for MJPG"), std::string::npos) << s_trace[0];
}

TEST_F(FormatsFixture, RangesThatMakeNoSenseAreNotOffered)
{
    device.formats[1].range = {1280, 160, 16, 120, 720, 8};   // minimum above maximum
    device.formats[2].range = {0, 4096, 0, 2, 2160, 0};       // a width of 0
    const std::vector<PixelFormat> list = formats.List();
    EXPECT_FALSE(list[1].sizes.ranged);
    EXPECT_FALSE(list[2].sizes.ranged);
}

TEST_F(FormatsFixture, ApplyReportsWhatTheDriverChose)
{
    struct Row {
        FormatChoice choice;
        FormatChoice applied;
    };
    const Row rows[] = {
        {{V4L2_PIX_FMT_YUYV, {320, 240}, {1, 15}}, {V4L2_PIX_FMT_YUYV, {320, 240}, {1, 15}}},
        // A size the format lacks, a rate beyond the camera.
        {{V4L2_PIX_FMT_YUYV, {330, 250}, {1, 60}}, {V4L2_PIX_FMT_YUYV, {320, 240}, {1, 30}}},
        {{V4L2_PIX_FMT_MJPEG, {1000, 700}, {}}, {V4L2_PIX_FMT_MJPEG, {992, 696}, {1, 30}}},
        // A format the camera does not have: it picks its first.
        {{v4l2_fourcc('A', 'B', 'C', 'D'), {640, 480}, {1, 10}}, {V4L2_PIX_FMT_YUYV, {640, 480}, {1, 10}}},
    };
    for (const Row& r : rows) {
        device.timePerFrame = {1, 30};
        AppliedFormat applied;
        std::string error;
        ASSERT_TRUE(formats.Apply(r.choice, applied, error)) << error;
        EXPECT_EQ(FourccText(applied.chosen.fourcc), FourccText(r.applied.fourcc));
        EXPECT_EQ(applied.chosen.size, r.applied.size);
        EXPECT_EQ(applied.chosen.interval, r.applied.interval);
        EXPECT_EQ(applied.bytesPerLine, applied.chosen.size.width * 2);
        EXPECT_TRUE(applied.rateSettable);
        EXPECT_EQ(device.current.width, applied.chosen.size.width);
    }
}

TEST_F(FormatsFixture, ACameraWithoutRatesKeepsItsOwn)
{
    device.rateSettable = false;
    AppliedFormat applied;
    std::string error;
    ASSERT_TRUE(formats.Apply({V4L2_PIX_FMT_YUYV, {640, 480}, {1, 15}}, applied, error));
    EXPECT_FALSE(applied.rateSettable);
    EXPECT_EQ(applied.chosen.interval, (FrameInterval{1, 30}));
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), VIDIOC_S_PARM), 0);
}

TEST_F(FormatsFixture, RefusalsAreReportedWithTheDevice)
{
    struct Row {
        unsigned long request;
        __u32 key;
        bool formatSet;   // whether the size still reached the camera
    };
    const Row rows[] = {
        {VIDIOC_S_FMT, V4L2_PIX_FMT_YUYV, false},
        {VIDIOC_S_PARM, 0, true},
    };
    for (const Row& r : rows) {
        device = Webcam();
        device.failures[{r.request, r.key}] = EBUSY;
        AppliedFormat applied;
        std::string error;
        EXPECT_FALSE(formats.Apply({V4L2_PIX_FMT_YUYV, {160, 120}, {1, 15}}, applied, error));
        EXPECT_NE(error.find("/dev/video0"), std::string::npos) << error;
        EXPECT_NE(error.find(std::strerror(EBUSY)), std::string::npos) << error;
        EXPECT_EQ(applied.chosen.size == (FrameSize{160, 120}), r.formatSet) << error;
    }
}

}  // namespace
