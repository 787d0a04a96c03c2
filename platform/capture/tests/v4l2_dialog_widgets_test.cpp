#include "capture/v4l2_dialog_widgets.h"
#include "capture/v4l2_dialogs.h"
#include "fake_v4l2_device.h"
#include "framework/UiService.h"
#include "framework/tests/when_shown.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>

#include <functional>

using namespace capture;
using capture::testing::FakeV4l2Device;
using capture::testing::Webcam;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "v4l2_dialog_widgets_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

template <typename T>
T* Editor(QWidget& panel, uint32_t id)
{
    T* editor = panel.findChild<T*>(QString("control-%1").arg(id));
    EXPECT_NE(editor, nullptr) << std::hex << id;
    return editor;
}

struct ControlsPanelTest : ::testing::Test {
    void SetUp() override
    {
        App();
        model.Refresh();
        panel = std::make_unique<CameraControlsPanel>(model);
    }
    FakeV4l2Device device = Webcam();
    CameraControls model{device, "/dev/video0"};
    std::unique_ptr<CameraControlsPanel> panel;
};

TEST_F(ControlsPanelTest, EditorsShowTheCameraAndGreyWhatItOwns)
{
    EXPECT_EQ(Editor<QSlider>(*panel, V4L2_CID_CONTRAST)->value(), 45);
    EXPECT_EQ(Editor<QComboBox>(*panel, V4L2_CID_POWER_LINE_FREQUENCY)->currentText(), "60 Hz");
    EXPECT_FALSE(Editor<QSlider>(*panel, V4L2_CID_GAMMA)->isEnabled());   // read-only
    QSlider* temperature = Editor<QSlider>(*panel, V4L2_CID_WHITE_BALANCE_TEMPERATURE);
    EXPECT_FALSE(temperature->isEnabled());   // automatic white balance is on

    Editor<QCheckBox>(*panel, V4L2_CID_AUTO_WHITE_BALANCE)->setChecked(false);
    EXPECT_EQ(device.Control(V4L2_CID_AUTO_WHITE_BALANCE)->value, 0);
    EXPECT_TRUE(temperature->isEnabled());

    // The slider shows the value the camera took, on its step.
    QSlider* contrast = Editor<QSlider>(*panel, V4L2_CID_CONTRAST);
    contrast->setValue(47);
    EXPECT_EQ(device.Control(V4L2_CID_CONTRAST)->value, 45);
    EXPECT_EQ(contrast->value(), 45);

    QComboBox* exposure = Editor<QComboBox>(*panel, V4L2_CID_EXPOSURE_AUTO);
    exposure->activated(exposure->findText("Aperture Priority Mode"));
    EXPECT_EQ(device.Control(V4L2_CID_EXPOSURE_AUTO)->value, V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_FALSE(Editor<QSlider>(*panel, V4L2_CID_EXPOSURE_ABSOLUTE)->isEnabled());
    EXPECT_TRUE(panel->LastError().isEmpty());
}

TEST_F(ControlsPanelTest, DefaultsResetTheCameraAndShowWhatItRefused)
{
    device.failures[{VIDIOC_S_CTRL, V4L2_CID_BRIGHTNESS}] = EIO;
    panel->findChild<QPushButton*>("defaults")->click();
    EXPECT_EQ(device.Control(V4L2_CID_CONTRAST)->value, 30);
    EXPECT_EQ(Editor<QSlider>(*panel, V4L2_CID_CONTRAST)->value(), 30);
    EXPECT_TRUE(Editor<QSlider>(*panel, V4L2_CID_WHITE_BALANCE_TEMPERATURE)->isEnabled());
    EXPECT_TRUE(panel->LastError().contains("Brightness")) << panel->LastError().toStdString();
}

struct FormatPanelTest : ::testing::Test {
    void SetUp() override
    {
        App();
        panel = std::make_unique<CameraFormatPanel>(model);
    }
    QComboBox* Box(const char* name) { return panel->findChild<QComboBox*>(name); }
    QSpinBox* Spin(const char* name) { return panel->findChild<QSpinBox*>(name); }
    FakeV4l2Device device = Webcam();
    CameraFormats model{device, "/dev/video0"};
    std::unique_ptr<CameraFormatPanel> panel;
};

TEST_F(FormatPanelTest, OffersSizesAndRatesOfTheChosenFormat)
{
    EXPECT_EQ(Box("format")->count(), 3);
    EXPECT_EQ(Box("size")->count(), 3);
    EXPECT_EQ(Box("rate")->count(), 4);   // the camera's own, and three
    Box("size")->setCurrentIndex(1);
    Box("rate")->setCurrentIndex(2);
    const FormatChoice yuyv = panel->Choice();
    EXPECT_EQ(yuyv.size, (FrameSize{320, 240}));
    EXPECT_EQ(yuyv.interval, (FrameInterval{1, 15}));
    ASSERT_TRUE(panel->Apply());
    EXPECT_EQ(panel->Result().toStdString(), "The camera chose YUYV, 320 x 240, 15 frames a second.");

    // A ranged size: spin boxes inside the range, the choice on its steps.
    Box("format")->setCurrentIndex(1);
    EXPECT_EQ(panel->findChild<QStackedWidget*>()->currentIndex(), 1);
    EXPECT_EQ(Spin("width")->maximum(), 1280);
    EXPECT_EQ(Spin("height")->singleStep(), 8);
    EXPECT_EQ(Box("rate")->count(), 2);
    Spin("width")->setValue(1000);
    Spin("height")->setValue(700);
    EXPECT_EQ(panel->Choice().size, (FrameSize{1008, 704}));
    ASSERT_TRUE(panel->Apply());
    EXPECT_EQ(device.current.width, 1008u);
    // No rate chosen: the camera keeps the one set before.
    EXPECT_EQ(panel->Result().toStdString(), "The camera chose MJPG, 1008 x 704, 15 frames a second.");
}

TEST_F(FormatPanelTest, ARefusalIsShownInsteadOfAResult)
{
    device.failures[{VIDIOC_S_FMT, V4L2_PIX_FMT_YUYV}] = EBUSY;
    EXPECT_FALSE(panel->Apply());
    EXPECT_TRUE(panel->Result().contains(std::strerror(EBUSY))) << panel->Result().toStdString();
}


void Press(QDialog& window, QDialogButtonBox::StandardButton which)
{
    auto* buttons = window.findChild<QDialogButtonBox*>();
    if (buttons && buttons->button(which))
        buttons->button(which)->click();
    else
        ADD_FAILURE() << "no such button";
}

TEST_F(ControlsPanelTest, SourceWindowHoldsThePanelAndCancelPutsTheValuesBack)
{
    V4l2SourceDialog dialog(nullptr, model);
    WhenShown([this](QDialog& window) {
        EXPECT_EQ(window.windowTitle(), "Video Source");
        EXPECT_NE(window.findChild<CameraControlsPanel*>(), nullptr);
        if (QSlider* contrast = Editor<QSlider>(window, V4L2_CID_CONTRAST))
            contrast->setValue(60);
        EXPECT_EQ(device.Control(V4L2_CID_CONTRAST)->value, 60);   // at once, while the window is up
        Press(window, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(device.Control(V4L2_CID_CONTRAST)->value, 45);
}

TEST_F(FormatPanelTest, FormatWindowOpensOnTheCurrentFormatAndAppliesThroughTheDriver)
{
    std::vector<FormatChoice> routed;   // what reached the "driver"
    const FormatChoice current{V4L2_PIX_FMT_MJPEG, {640, 480}, {1, 60}};
    V4l2FormatDialog dialog(nullptr, model, current, [&](const FormatChoice& c, AppliedFormat& a, std::string& e) {
        routed.push_back(c);
        return model.Apply(c, a, e);
    });
    WhenShown([&](QDialog& window) {
        EXPECT_EQ(window.windowTitle(), "Video Format");
        auto* shown = window.findChild<CameraFormatPanel*>();
        if (!shown) {
            ADD_FAILURE() << "no format panel";
            return window.reject();
        }
        const FormatChoice c = shown->Choice();
        EXPECT_EQ(c.fourcc, current.fourcc);
        EXPECT_EQ(c.size, current.size);
        EXPECT_EQ(c.interval, current.interval);
        window.findChild<QPushButton*>("apply")->click();
        EXPECT_EQ(routed.size(), 1u);
        window.findChild<QComboBox*>("format")->setCurrentIndex(0);
        Press(window, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(routed.size(), 2u);
    EXPECT_EQ(routed.back().fourcc, uint32_t(V4L2_PIX_FMT_YUYV));
    EXPECT_EQ(device.current.pixelformat, uint32_t(V4L2_PIX_FMT_YUYV));
}

}  // namespace
