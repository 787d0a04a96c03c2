#include "capture/v4l2_controls.h"
#include "fake_v4l2_device.h"
#include "framework/Trace.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace capture;
using capture::testing::FakeV4l2Device;
using capture::testing::Webcam;

namespace {

constexpr __u32 kPowerLine = V4L2_CID_POWER_LINE_FREQUENCY;
constexpr __u32 kTemperature = V4L2_CID_WHITE_BALANCE_TEMPERATURE;

std::vector<std::string> s_trace;
void Collect(const char* text) { s_trace.emplace_back(text); }

struct ControlsFixture : ::testing::Test {
    void SetUp() override
    {
        s_trace.clear();
        m_previous = SetTraceSink(&Collect);
        controls.Refresh();
    }
    void TearDown() override { SetTraceSink(m_previous); }
    std::vector<__u32> Ids() const
    {
        std::vector<__u32> ids;
        for (const CameraControl& c : controls.Controls())
            ids.push_back(c.id);
        return ids;
    }
    const CameraControl& Get(__u32 id) const
    {
        const CameraControl* c = controls.Find(id);
        EXPECT_NE(c, nullptr) << std::hex << id;
        static const CameraControl none;
        return c ? *c : none;
    }

    FakeV4l2Device device = Webcam();
    CameraControls controls{device, "/dev/video0"};
    TraceSink m_previous = nullptr;
};

TEST_F(ControlsFixture, ListsEveryEnabledControlWithItsRangeMenuAndValue)
{
    // No class heading, no disabled control.
    EXPECT_EQ(Ids(), (std::vector<__u32>{V4L2_CID_BRIGHTNESS, V4L2_CID_CONTRAST, V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CID_GAMMA,
                                         kPowerLine, kTemperature, V4L2_CID_EXPOSURE_AUTO, V4L2_CID_EXPOSURE_ABSOLUTE,
                                         V4L2_CID_LINK_FREQ}));
    const CameraControl& contrast = Get(V4L2_CID_CONTRAST);
    EXPECT_EQ(contrast.name, "Contrast");
    EXPECT_EQ(contrast.kind, ControlKind::Integer);
    EXPECT_EQ(std::tie(contrast.minimum, contrast.maximum, contrast.step, contrast.defaultValue, contrast.value),
              std::make_tuple(0, 98, 5, 30, 45));
    EXPECT_EQ(Get(V4L2_CID_BRIGHTNESS).minimum, -64);
    EXPECT_EQ(Get(V4L2_CID_AUTO_WHITE_BALANCE).kind, ControlKind::Boolean);
    EXPECT_TRUE(Get(V4L2_CID_GAMMA).ReadOnly());

    const CameraControl& power = Get(kPowerLine);
    ASSERT_EQ(power.items.size(), 3u);
    EXPECT_EQ(power.items[1].name, "50 Hz");
    EXPECT_EQ(power.value, 2);
    // Menu indices the driver skips are not offered.
    const CameraControl& exposure = Get(V4L2_CID_EXPOSURE_AUTO);
    ASSERT_EQ(exposure.items.size(), 2u);
    EXPECT_EQ(exposure.items[0].index, 1);
    EXPECT_EQ(exposure.items[1].name, "Aperture Priority Mode");
    const CameraControl& link = Get(V4L2_CID_LINK_FREQ);
    EXPECT_EQ(link.kind, ControlKind::IntegerMenu);
    ASSERT_EQ(link.items.size(), 2u);
    EXPECT_EQ(link.items[1].name, "200000000");
    EXPECT_TRUE(s_trace.empty());
}

TEST_F(ControlsFixture, SetWritesTheNearestValueTheDeviceAccepts)
{
    struct Row {
        __u32 id;
        int32_t wanted, written;
    };
    const Row rows[] = {
        {V4L2_CID_CONTRAST, 47, 45},      // onto the step
        {V4L2_CID_CONTRAST, 48, 50},
        {V4L2_CID_CONTRAST, 1000, 95},    // the maximum is off the step
        {V4L2_CID_CONTRAST, -5, 0},
        {V4L2_CID_BRIGHTNESS, 65, 64},
        {V4L2_CID_BRIGHTNESS, INT32_MIN, -64},
        {V4L2_CID_AUTO_WHITE_BALANCE, 5, 1},
        {kPowerLine, 7, 2},
        {V4L2_CID_EXPOSURE_AUTO, 0, 1},   // a menu gap: the nearest item
        {V4L2_CID_EXPOSURE_AUTO, 3, 3},
    };
    for (const Row& r : rows) {
        std::string error;
        EXPECT_TRUE(controls.Set(r.id, r.wanted, error)) << std::hex << r.id << " " << error;
        EXPECT_EQ(device.Control(r.id)->value, r.written) << std::hex << r.id << std::dec << " wanted " << r.wanted;
        EXPECT_EQ(Get(r.id).value, r.written);   // read back from the device
    }
}

TEST_F(ControlsFixture, AutomaticModesMakeTheControlsTheyOwnInactive)
{
    std::string error;
    EXPECT_TRUE(Get(kTemperature).Inactive());   // white balance is automatic
    EXPECT_EQ(AutomaticControlFor(kTemperature), __u32(V4L2_CID_AUTO_WHITE_BALANCE));
    EXPECT_FALSE(controls.Set(kTemperature, 3000, error));
    EXPECT_NE(error.find("automatically"), std::string::npos);
    EXPECT_EQ(device.Control(kTemperature)->value, 5000);

    ASSERT_TRUE(controls.Set(V4L2_CID_AUTO_WHITE_BALANCE, 0, error));
    EXPECT_FALSE(Get(kTemperature).Inactive());
    EXPECT_TRUE(controls.Set(kTemperature, 3000, error)) << error;

    EXPECT_FALSE(Get(V4L2_CID_EXPOSURE_ABSOLUTE).Inactive());
    ASSERT_TRUE(controls.Set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY, error));
    EXPECT_TRUE(Get(V4L2_CID_EXPOSURE_ABSOLUTE).Inactive());
}

TEST_F(ControlsFixture, ReadOnlyAndUnknownControlsAreNotWritten)
{
    std::string error;
    const size_t calls = device.calls.size();
    EXPECT_FALSE(controls.Set(V4L2_CID_GAMMA, 200, error));
    EXPECT_FALSE(controls.Set(V4L2_CID_SATURATION, 20, error));   // disabled, so never listed
    EXPECT_EQ(device.calls.size(), calls);
}

TEST_F(ControlsFixture, ResetTurnsAutomaticModesBackFirstThenTheControlsTheyFreed)
{
    std::string error;
    ASSERT_TRUE(controls.Set(V4L2_CID_BRIGHTNESS, 40, error));
    ASSERT_TRUE(controls.ResetToDefaults(error)) << error;
    for (__u32 id : {__u32(V4L2_CID_BRIGHTNESS), __u32(V4L2_CID_CONTRAST), __u32(V4L2_CID_AUTO_WHITE_BALANCE), kPowerLine,
                     __u32(V4L2_CID_EXPOSURE_AUTO)})
        EXPECT_EQ(device.Control(id)->value, device.Control(id)->defaultValue) << std::hex << id;
    // Automatic white balance is off by default, so its temperature is ours again.
    EXPECT_EQ(device.Control(kTemperature)->value, 4600);
    // Aperture priority owns the exposure time: it is left as the camera has it.
    EXPECT_EQ(device.Control(V4L2_CID_EXPOSURE_ABSOLUTE)->value, 300);
    EXPECT_TRUE(Get(V4L2_CID_EXPOSURE_ABSOLUTE).Inactive());
    EXPECT_EQ(device.Control(V4L2_CID_GAMMA)->value, 100);
}

TEST_F(ControlsFixture, ResetNamesTheControlsTheCameraRefusedAndResetsTheRest)
{
    device.failures[{VIDIOC_S_CTRL, V4L2_CID_BRIGHTNESS}] = EIO;
    std::string error;
    EXPECT_FALSE(controls.ResetToDefaults(error));
    EXPECT_NE(error.find("Brightness"), std::string::npos) << error;
    EXPECT_EQ(error.find("Contrast"), std::string::npos) << error;
    EXPECT_EQ(device.Control(V4L2_CID_CONTRAST)->value, 30);
    EXPECT_EQ(device.Control(V4L2_CID_BRIGHTNESS)->value, 10);
}

TEST_F(ControlsFixture, RestorePutsBackWhatWasSavedAndNamesWhatTheCameraKept)
{
    const std::vector<CameraControl> saved = controls.Controls();
    std::string error;
    ASSERT_TRUE(controls.Set(V4L2_CID_BRIGHTNESS, 40, error)) << error;
    ASSERT_TRUE(controls.Set(V4L2_CID_CONTRAST, 60, error)) << error;
    ASSERT_TRUE(controls.Set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY, error)) << error;
    device.failures[{VIDIOC_S_CTRL, V4L2_CID_CONTRAST}] = EIO;
    const size_t writes = std::count(device.calls.begin(), device.calls.end(), VIDIOC_S_CTRL);
    EXPECT_FALSE(controls.Restore(saved, error));
    EXPECT_EQ(device.Control(V4L2_CID_BRIGHTNESS)->value, 10);
    EXPECT_EQ(device.Control(V4L2_CID_EXPOSURE_AUTO)->value, V4L2_EXPOSURE_MANUAL);
    EXPECT_FALSE(Get(V4L2_CID_EXPOSURE_ABSOLUTE).Inactive());
    // Tried in both passes, named once; controls already as saved are not written.
    EXPECT_EQ(error.find("Contrast"), error.rfind("Contrast")) << error;
    EXPECT_NE(error.find("Contrast"), std::string::npos) << error;
    EXPECT_EQ(error.find("Brightness"), std::string::npos) << error;
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), VIDIOC_S_CTRL) - writes, 4);
}

TEST_F(ControlsFixture, RefusedSetReportsTheDeviceAndReadsTheValueBack)
{
    device.failures[{VIDIOC_S_CTRL, V4L2_CID_CONTRAST}] = EBUSY;
    std::string error;
    EXPECT_FALSE(controls.Set(V4L2_CID_CONTRAST, 60, error));
    EXPECT_NE(error.find("/dev/video0"), std::string::npos) << error;
    EXPECT_NE(error.find("Contrast"), std::string::npos) << error;
    EXPECT_EQ(Get(V4L2_CID_CONTRAST).value, 45);
}

// One control the device cannot answer about is left out; the rest stay, and
// the log names the device and the call.
TEST_F(ControlsFixture, OneFailingControlIsLeftOutOfTheList)
{
    struct Row {
        unsigned long request;
        __u32 id;
        const char* call;
        size_t listed;
    };
    const Row rows[] = {
        {VIDIOC_G_CTRL, V4L2_CID_CONTRAST, "VIDIOC_G_CTRL", 8},
        {VIDIOC_QUERYMENU, kPowerLine, "VIDIOC_QUERYMENU", 8},   // a menu without items
        // Past a control it cannot name, the device cannot say which comes next.
        {VIDIOC_QUERYCTRL, V4L2_CID_EXPOSURE_AUTO, "VIDIOC_QUERYCTRL", 6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.call);
        device = Webcam();
        device.failures[{r.request, r.id}] = EIO;
        s_trace.clear();
        controls.Refresh();
        EXPECT_EQ(controls.Find(r.id), nullptr);
        EXPECT_NE(controls.Find(V4L2_CID_BRIGHTNESS), nullptr);
        EXPECT_EQ(controls.Controls().size(), r.listed);
        ASSERT_FALSE(s_trace.empty());
        EXPECT_NE(s_trace[0].find("/dev/video0"), std::string::npos) << s_trace[0];
        EXPECT_NE(s_trace[0].find(r.call), std::string::npos) << s_trace[0];
    }
}

// A driver whose "next" control is not further on would loop for ever.
TEST_F(ControlsFixture, ListingEndsWhenTheDriverDoesNotMoveOn)
{
    struct Looping : FakeV4l2Device {
        int Ioctl(unsigned long request, void* arg) override
        {
            if (request == VIDIOC_QUERYCTRL) {
                ++asked;
                auto* q = static_cast<v4l2_queryctrl*>(arg);
                *q = {};
                q->id = V4L2_CID_BRIGHTNESS;
                q->type = V4L2_CTRL_TYPE_INTEGER;
                q->maximum = 10;
                return 0;
            }
            return FakeV4l2Device::Ioctl(request, arg);
        }
        int asked = 0;
    } looping;
    looping.controls = {{V4L2_CID_BRIGHTNESS, "Brightness", V4L2_CTRL_TYPE_INTEGER, 0, 10, 1, 5, 5, 0, {}}};
    CameraControls list(looping, "/dev/video3");
    list.Refresh();
    EXPECT_EQ(list.Controls().size(), 1u);
    EXPECT_EQ(looping.asked, 2);
}

}  // namespace
