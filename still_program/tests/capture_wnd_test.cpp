#include "CaptureWnd.h"

#include "capture/test_pattern.h"
#include "framework/Clock.h"
#include "framework/TestUiService.h"
#include "Memalloc.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace capture;

namespace {

// The test pattern camera that records the headers it is sent and can be told
// to stop answering.
class RecordingDriver : public TestPatternDriver {
public:
    bool SetFormat(BITMAPINFOHEADER& header, const std::vector<RGBQUAD>& colours) override
    {
        sent.push_back(header);
        sentColours.push_back(colours.size());
        return TestPatternDriver::SetFormat(header, colours);
    }
    bool Grab(Frame& frame, std::string& error, bool& gone) override
    {
        if (silent) {
            error = "The camera stopped sending pictures.";
            return false;
        }
        return TestPatternDriver::Grab(frame, error, gone);
    }
    static inline std::vector<BITMAPINFOHEADER> sent;
    static inline std::vector<size_t> sentColours;
    static inline bool silent = false;
};

DriverEntry Entry(const char* description)
{
    return {description, "1.0", [] { return std::make_unique<RecordingDriver>(); }};
}

class Listener : public CCaptureWndUser {
public:
    void CCaptureWndUserOnRButtonDown(UINT, CPoint p) override { rbuttons.push_back(p); }
    void CCaptureWndUserOnMouseMove(UINT, CPoint p) override { moves.push_back(p); }
    BOOL CCaptureWndUserOnError(int id, const char*) override { errors.push_back(id); return TRUE; }
    BOOL CCaptureWndUserOnStatus(int id, const char*) override { statuses.push_back(id); return TRUE; }
    BOOL CCaptureWndUserOnFrame(VIDEOHDR*) override { ++frames; return TRUE; }
    std::vector<CPoint> rbuttons, moves;
    std::vector<int> errors, statuses;
    int frames = 0;
};

struct LumivexFixture : ::testing::Test {
    void SetUp() override
    {
        ResetMessageQueue();
        RecordingDriver::sent.clear();
        RecordingDriver::sentColours.clear();
        RecordingDriver::silent = false;
    }
    void TearDown() override { DriverCatalog::UseSystem(); }
    ScopedTestUi ui;
    Listener listener;
    CWnd parent;
};

TEST_F(LumivexFixture, FindsTheCameraByNameWhateverItsNumberAndCase)
{
    DriverCatalog::Install({Entry("Other Video Driver"), Entry("Another"), Entry("Third"), Entry("lumivex parallel port camera")});
    EXPECT_EQ(CLumivex::FindCameraDriver(), 3);
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD | WS_VISIBLE, 1420));
    EXPECT_EQ(camera.GetDriverIndex(), 3);
    EXPECT_TRUE(camera.IsConnected());
    CRect rect;
    CSize size;
    camera.GetPictureRect(rect, size);
    EXPECT_EQ(size, CSize(160, 120));
    EXPECT_EQ(rect, CRect(0, 0, 160, 120));
    CAPTUREPARMS parms{};
    ASSERT_TRUE(camera.GetSequenceSetup(&parms));
    EXPECT_TRUE(parms.fYield);
    EXPECT_TRUE(parms.fUsingDOSMemory);
    EXPECT_EQ(parms.vKeyAbort, 0u);
    EXPECT_FALSE(parms.fAbortLeftMouse);
    EXPECT_FALSE(parms.fAbortRightMouse);
    EXPECT_FALSE(camera.IsSelectionEnabled());
}

TEST_F(LumivexFixture, NoCameraDriverMeansNoWindow)
{
    DriverCatalog::Install({Entry("Other Video Driver"), Entry("Lumi vex")});
    EXPECT_EQ(CLumivex::FindCameraDriver(), -1);
    CLumivex camera;
    EXPECT_FALSE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    EXPECT_EQ(camera.GetDriverIndex(), 100);
}

TEST_F(LumivexFixture, CommandsTravelInTheFormatHeader)
{
    DriverCatalog::Install({Entry("Lumivex")});
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    RecordingDriver::sent.clear();
    camera.SetBrightness(77);
    ASSERT_EQ(RecordingDriver::sent.size(), 1u);
    const BITMAPINFOHEADER& h = RecordingDriver::sent[0];
    BYTE raw[40];
    std::memcpy(raw, &h, 40);
    EXPECT_EQ(raw[24], 0x6E);   // code in the low byte of biXPelsPerMeter
    EXPECT_EQ(raw[25], 0);      // bits 8-15 zero
    EXPECT_EQ(raw[26] | raw[27] << 8, 77);
    EXPECT_EQ(h.biYPelsPerMeter, 0);
    EXPECT_EQ(RecordingDriver::sentColours[0], 0u);   // only the 40-byte header
    EXPECT_EQ(camera.GetBrightness(), 77);
    EXPECT_EQ(camera.GetAutoBrightness(), 0);
}

TEST_F(LumivexFixture, ClosingTheShutterRestoresTheBrightnessAfterSettingOne)
{
    DriverCatalog::Install({Entry("Lumivex")});
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    camera.SetBrightness(90);
    RecordingDriver::sent.clear();
    ASSERT_TRUE(camera.OpenShutter());
    EXPECT_TRUE(camera.IsExposing());
    EXPECT_EQ(camera.GetBrightness(), 255);
    camera.CloseShutter();
    EXPECT_FALSE(camera.IsExposing());
    std::vector<int> sets;
    for (const BITMAPINFOHEADER& h : RecordingDriver::sent)
        if (DriverCommandCode(h) == kCmdSetBrightness)
            sets.push_back(DriverCommandArgument(h));
    EXPECT_EQ(sets, (std::vector<int>{255, 1, 90}));
    EXPECT_EQ(camera.GetBrightness(), 90);
}

TEST_F(LumivexFixture, ReentrantErrorsAreAnsweredWithoutASecondBox)
{
    DriverCatalog::Install({Entry("Lumivex")});
    ScopedFakeClock clock;
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    ASSERT_TRUE(camera.SetErrorCallback(TRUE));
    RecordingDriver::silent = true;
    static CLumivex* s_camera = &camera;
    static TestUiService* s_ui = &*ui;
    // While the first error's box is up, the camera fails again.
    ui->AnswerNextBox(TestUiService::kStayOpen);
    ::SetTimer(nullptr, 7, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        EXPECT_FALSE(s_camera->GrabFrame());
        s_ui->PressDefaultButton();
    });
    EXPECT_FALSE(camera.GrabFrame());
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, "The camera stopped sending pictures.");
    EXPECT_EQ(listener.errors, std::vector<int>{IDS_CAP_NO_FRAME});
    // Once the box is gone the next error is shown again.
    EXPECT_FALSE(camera.GrabFrame());
    EXPECT_EQ(ui->boxes.size(), 2u);
}

TEST_F(LumivexFixture, FrameCallbackFillsTheUserDataAndReachesTheListener)
{
    DriverCatalog::Install({Entry("Lumivex")});
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    CCaptureFrameSink view;
    camera.SetUserData(reinterpret_cast<LONG_PTR>(&view));
    ASSERT_TRUE(camera.SetFrameCallback(TRUE));
    ASSERT_TRUE(camera.GrabFrame());
    EXPECT_TRUE(view.m_bNewFrame);
    EXPECT_NE(view.m_lpFrameData, nullptr);
    EXPECT_EQ(listener.frames, 1);
    camera.SetFrameCallback(FALSE);
    view.m_bNewFrame = FALSE;
    ASSERT_TRUE(camera.GrabFrame());
    EXPECT_FALSE(view.m_bNewFrame);
}

TEST_F(LumivexFixture, StatusTracksCapturingAndAnErrorStopsTheCapture)
{
    DriverCatalog::Install({Entry("Lumivex")});
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    camera.SetStatusCallback(TRUE);
    camera.SetErrorCallback(TRUE);
    camera.SetCaptureFile("/nonexistent-dir/movie.avi");
    EXPECT_FALSE(camera.SingleFrame());   // only while capturing
    EXPECT_TRUE(camera.SequenceNoFile());
    EXPECT_TRUE(camera.IsCapturing());
    EXPECT_EQ(listener.statuses, std::vector<int>{IDS_CAP_BEGIN});
    camera.OnCaptureError(IDS_CAP_FILE_WRITE, "disk full");
    EXPECT_FALSE(camera.IsCapturing());
    EXPECT_EQ(listener.statuses.back(), IDS_CAP_END);
    EXPECT_EQ(ui->boxes.back().text, "disk full");
    // An id of 0 clears an error: no box.
    camera.OnCaptureError(0, "");
    EXPECT_EQ(ui->boxes.size(), 1u);
}

TEST_F(LumivexFixture, MouseMessagesGoToTheListener)
{
    DriverCatalog::Install({Entry("Lumivex")});
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    camera.SendMessage(WM_MOUSEMOVE, 0, (20 << 16) | 10);
    camera.SendMessage(WM_RBUTTONDOWN, 0, (4 << 16) | 3);
    ASSERT_EQ(listener.moves.size(), 1u);
    EXPECT_EQ(listener.moves[0], CPoint(10, 20));
    ASSERT_EQ(listener.rbuttons.size(), 1u);
    EXPECT_EQ(listener.rbuttons[0], CPoint(3, 4));
    camera.SetListener(nullptr);
    camera.SendMessage(WM_RBUTTONDOWN, 0, 0);
    EXPECT_EQ(listener.rbuttons.size(), 1u);
}

TEST_F(LumivexFixture, AGoneWindowAnswersZero)
{
    DriverCatalog::Install({Entry("Lumivex")});
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    ASSERT_TRUE(camera.DestroyWindow());
    EXPECT_FALSE(camera.IsConnected());
    EXPECT_FALSE(camera.GrabFrame());
    EXPECT_EQ(camera.GetVideoFormat(nullptr, 0), 0u);
    EXPECT_EQ(camera.GetBrightness(), 0);
    EXPECT_EQ(camera.GetFormat(), nullptr);
    CString name;
    EXPECT_FALSE(camera.GetDriverName(name));
}

TEST_F(LumivexFixture, FormatCopyCarriesTheColourTable)
{
    DriverCatalog::Install({Entry("Lumivex")});
    CLumivex camera;
    ASSERT_TRUE(camera.Create(&listener, nullptr, WS_CHILD, 1420));
    VideoFormat eight = MakeFormat(320, 240, 8);
    ASSERT_TRUE(camera.SetVideoFormat(&eight.header, 40));
    BITMAPINFOHEADER* format = camera.GetFormat();
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->biBitCount, 8);
    EXPECT_EQ(format->biClrUsed, 256u);
    CRect rect;
    CSize size;
    camera.GetBrightness();   // every command's header brings the picture size along
    camera.GetPictureRect(rect, size);
    EXPECT_EQ(size, CSize(320, 240));
    MemFree(format, 40 + 256 * 4);
}

}  // namespace
