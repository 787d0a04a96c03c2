#include "ReelixView.h"

#include "ReelixFrame.h"
#include "ReelixSettings.h"
#include "Memalloc.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"

#include "types/SafeFile.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace {
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 20;
constexpr int kVideoWidth = 320;
constexpr int kVideoHeight = 240;
// Around the video: a 2-pixel border, and the row of the button and slider below.
constexpr int kBorder = 2;
constexpr int kRowHeight = 50;
constexpr int kMinClientWidth = 104;
constexpr int kMinClientHeight = 134;
constexpr int kGap = 6;
constexpr int kVideoBuffers = 31;

}  // namespace

CSize ClientSizeForVideo(CSize video)
{
    return CSize(std::max<LONG>(video.cx + 2 * kBorder, kMinClientWidth),
                 std::max<LONG>(video.cy + kBorder + kRowHeight + kBorder, kMinClientHeight));
}

CReelixView::CReelixView() : m_brightness(m_slider, IDS_AUTO_BRIGHTNESS_ON)
{
    m_workspace = CString(velmora::CurrentFolder().c_str()) + "/" + kWorkspaceName;
    OnMessage(WM_SIZE, [this](WPARAM, LPARAM) -> LRESULT {
        LayOut();
        return 0;
    });
    OnMessage(WM_RBUTTONDOWN, [this](WPARAM, LPARAM l) -> LRESULT {
        CPoint point(SHORT(LOWORD(l)), SHORT(HIWORD(l)));
        ClientToScreen(&point);
        ShowPopupMenu(point);
        return 0;
    });
    OnMessage(WM_START_COMPRESSION, [this](WPARAM, LPARAM) -> LRESULT {
        m_player.OnStartCompression();
        return 0;
    });
    OnMessage(WM_HSCROLL, [this](WPARAM w, LPARAM l) -> LRESULT {
        if (m_slider.m_hWnd && HWND(l) == m_slider.m_hWnd)
            OnBrightnessScroll(LOWORD(w));
        return 0;
    });
    RegisterCommands();
}

CReelixView::~CReelixView()
{
    m_brightnessTimer.Stop();
    if (m_camera)
        m_camera->DestroyWindow();
}

CMenu* CReelixView::SettingsMenu() const
{
    CFrameWnd* frame = GetParentFrame();
    return frame ? frame->GetMenu().GetSubMenu(kSettingsMenuPosition) : nullptr;
}

BOOL CReelixView::StartUp()
{
    ReadSettings();
    m_function = kFunctionRecord;
    RemoveDriverItems();
    SetIdleText(IDS_PRESS_TO_RECORD);
    m_recordButton.Create("RECORD", WS_CHILD, CRect(0, 0, kButtonWidth, kButtonHeight), this, IDC_RECORD_BUTTON);
    m_slider.Create(WS_CHILD, CRect(0, 0, kButtonWidth, kButtonHeight), this, IDC_BRIGHTNESS_SLIDER);
    CreateCaptureWindow();
    if (m_camera && !ChooseDriver())
        m_driverIndex = kNoDriver;
    m_started = true;
    if (!DriverConnected()) {
        m_recordButton.ShowWindow(SW_HIDE);
        m_slider.ShowWindow(SW_HIDE);
        EnterRecordFunction();
        return TRUE;
    }
    StartCameraControls();
    return TRUE;
}

void CReelixView::ReadSettings()
{
    reelix::WindowModeSection& windowMode = reelix::WindowModeSettings();
    reelix::CaptureSection& capture = reelix::CaptureSettings();
    reelix::AttachSection(windowMode.section);
    reelix::AttachSection(capture.section);
    m_driverIndex = capture.driverIndex;
    m_recorder.Settings() = reelix::ReadRecordSettings(capture, m_recorder.Settings());
}

void CReelixView::WriteSettings()
{
    reelix::CaptureSection& capture = reelix::CaptureSettings();
    if (m_driverIndex != kNoDriver)
        capture.driverIndex = m_driverIndex;
    reelix::WriteRecordSettings(m_recorder.Settings(), capture);
}

void CReelixView::RemoveDriverItems()
{
    if (CMenu* settings = SettingsMenu())
        for (UINT id = ID_DRIVER_FIRST; id <= ID_DRIVER_LAST; ++id)
            settings->DeleteMenu(id, MF_BYCOMMAND);
}

void CReelixView::CreateCaptureWindow()
{
    m_camera = std::make_unique<CLumivex>();
    m_camera->SetListener(this);
    // The capture window alone: the driver is chosen afterwards, by its description.
    const CRect rect(0, 0, kVideoWidth, kVideoHeight);
    if (!m_camera->CCaptureWnd::Create("Reelix", WS_CHILD | WS_VISIBLE, rect, this, IDC_CAPTURE_WINDOW)) {
        m_camera.reset();
        m_driverIndex = kNoDriver;
        AfxMessageBox(IDS_NO_CAMERA, MB_OK);
    }
}

BOOL CReelixView::ChooseDriver()
{
    const int found = CLumivex::FindCameraDriver();
    if (found < 0) {
        AfxMessageBox(IDS_NO_DRIVER, MB_OK);
        return FALSE;
    }
    m_driverIndex = WORD(found);
    if (!m_camera->DriverConnect(m_driverIndex) || !SetUpCapture()) {
        AfxMessageBox(IDS_NO_DRIVER, MB_OK);
        DropCamera();
        return FALSE;
    }
    return TRUE;
}

BOOL CReelixView::SetUpCapture()
{
    CLumivex& camera = *m_camera;
    if (!camera.SetErrorCallback(TRUE) || !camera.SetStatusCallback(TRUE) || !camera.SetYieldCallback(TRUE))
        return FALSE;
    m_caps = CAPDRIVERCAPS{};
    CAPTUREPARMS parms{};
    if (!camera.GetDriverCaps(&m_caps) || !camera.GetSequenceSetup(&parms))
        return FALSE;
    m_audioSupported = camera.GetAudioFormat(nullptr, 0) > 0;
    parms.fYield = TRUE;
    parms.wNumVideoRequested = kVideoBuffers;
    parms.vKeyAbort = 0;
    parms.fAbortLeftMouse = FALSE;
    parms.fAbortRightMouse = FALSE;
    if (m_caps.fHasOverlay) {
        if (!camera.SetOverlay(TRUE))
            return FALSE;
    } else {
        camera.SetPreview(FALSE);
    }
    if (!camera.SetSequenceSetup(&parms))
        return FALSE;
    if (!camera.SetCaptureFile(m_workspace) || !camera.AllocateCaptureFile(kWorkspaceReserve))
        return FALSE;
    // The frame period and the sound flag come from the recording settings.
    m_recorder.ApplySettings();
    return TRUE;
}

void CReelixView::DropCamera()
{
    m_driverIndex = kNoDriver;
    if (!m_camera)
        return;
    m_camera->DestroyWindow();
    m_camera.reset();
}

void CReelixView::StartCameraControls()
{
    const WORD bits = ReadCaptureFormat();
    if (bits != 4 && bits != 8 && bits != 16 && bits != 24) {
        // A depth the program cannot show: no slider, timer or sizing.
        m_slider.ShowWindow(SW_HIDE);
        m_recordButton.ShowWindow(SW_SHOW);
        LayOut();
        return;
    }
    m_brightness.Attach(m_camera.get());
    if (CFrameWnd* frame = GetParentFrame())
        frame->GetSystemMenu().EnableMenuItem(SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    EnterRecordFunction();
}

WORD CReelixView::ReadCaptureFormat()
{
    if (!m_camera)
        return 0;
    BITMAPINFOHEADER* format = m_camera->GetFormat();
    if (!format)
        return 0;
    const WORD bits = format->biBitCount;
    m_palettised = bits == 4 || bits == 8;
    m_cameraCoded = format->biCompression == kCameraOwnCode;
    m_sixteenBit = bits == 16 && !m_cameraCoded;
    MemFree(format, m_camera->GetVideoFormat(nullptr, 0));
    return bits;
}

BOOL CReelixView::ConfirmExit()
{
    if (m_recorder.MovieSaved())
        return TRUE;
    switch (AfxMessageBox(IDS_UNSAVED_AT_EXIT, MB_YESNOCANCEL)) {
    case IDNO: return TRUE;
    case IDYES: return SaveWorkspaceAs();
    default: return FALSE;
    }
}

void CReelixView::ShutDown()
{
    m_recorder.StopCapture(TRUE);
    if (m_camera)
        m_camera->SetPreview(FALSE);
    WriteSettings();
    StopBrightnessTimer();
    if (m_camera) {
        m_camera->DriverDisconnect();
        m_camera->SetStatusCallback(FALSE);
        m_camera->SetYieldCallback(FALSE);
    }
    m_player.CloseWindow();
    if (m_camera) {
        m_camera->DestroyWindow();
        m_camera.reset();
    }
    m_started = false;
}

CCaptureWnd* CReelixView::ConnectedCapture() { return DriverConnected() ? m_camera.get() : nullptr; }

void CReelixView::SetRecordButtonCaption(const char* caption) { m_recordButton.SetWindowText(caption); }

void CReelixView::SetIdleText(UINT stringId)
{
    m_idleText = stringId;
    if (auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame()))
        frame->ShowIdleText();
}

void CReelixView::EnableSettingsItems(int first, int last, BOOL enable)
{
    CMenu* settings = SettingsMenu();
    if (!settings)
        return;
    for (int position = first; position <= last; ++position)
        settings->EnableMenuItem(UINT(position), MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
}

void CReelixView::StartBrightnessTimer()
{
    if (!DriverConnected())
        return;
    m_brightnessTimer.Stop();
    m_brightnessRunning = m_brightnessTimer.Initialize(this, kBrightnessTimerMs, nullptr) && m_brightnessTimer.Start();
}

void CReelixView::StopBrightnessTimer()
{
    m_brightnessTimer.Stop();
    m_brightnessRunning = FALSE;
}

void CReelixView::MTimerUserOnTimer(void*) { FollowCameraBrightness(); }

void CReelixView::FollowCameraBrightness()
{
    if (DriverConnected())
        m_brightness.Follow();
}

BOOL CReelixView::SaveWorkspaceAs()
{
    // Whatever the player wrote, only a saved workspace lets the caller go on.
    AfterSave(m_player.SaveWorkspaceAs());
    return m_recorder.MovieSaved();
}

BOOL CReelixView::SaveMovie() { return AfterSave(m_player.SaveAs()); }

BOOL CReelixView::AfterSave(BOOL saved)
{
    // A close that came while the save ran was put off until it ended.
    if (auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame()))
        frame->CloseIfPutOff();
    return saved;
}

void CReelixView::StopAnyCapture()
{
    m_recorder.StopCapture();
    if (m_camera)
        m_camera->SetPreview(FALSE);
}

void CReelixView::HideCaptureControls()
{
    if (m_camera)
        m_camera->ShowWindow(SW_HIDE);
    m_recordButton.ShowWindow(SW_HIDE);
    m_slider.ShowWindow(SW_HIDE);
}

void CReelixView::SetFrameCaption(const char* caption)
{
    if (CFrameWnd* frame = GetParentFrame())
        frame->SetWindowText(caption);
}

void CReelixView::EnterRecordFunction()
{
    m_function = kFunctionRecord;
    FitFrameToVideo();
    StartBrightnessTimer();
    m_player.CloseWindow();
    const int shown = DriverConnected() ? SW_SHOW : SW_HIDE;
    if (m_camera)
        m_camera->ShowWindow(SW_SHOW);
    m_recordButton.ShowWindow(shown);
    m_slider.ShowWindow(shown);
    if (DriverConnected()) {
        m_recordButton.SetFocus();
        m_camera->SetPreview(FALSE);
    }
    SetIdleText(DriverConnected() ? IDS_PRESS_TO_RECORD : IDS_READY);
    EnableSettingsItems(2, 3, TRUE);
    LayOut();
}

void CReelixView::EnterPlaybackFunction()
{
    m_function = kFunctionPlayback;
    EnableSettingsItems(2, 3, FALSE);
}

void CReelixView::ShowPopupMenu(CPoint screen)
{
    auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame());
    // A second right click while a pop-up is open must not open another.
    if (!frame || m_inPopup)
        return;
    m_inPopup = true;
    CMenu& popup = m_function == kFunctionRecord ? frame->RecordPopup() : frame->PlaybackPopup();
    popup.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, int(screen.x), int(screen.y), this);
    m_inPopup = false;
}

void CReelixView::CCaptureWndUserOnRButtonDown(UINT, CPoint point)
{
    if (m_camera)
        m_camera->ClientToScreen(&point);
    ShowPopupMenu(point);
}

BOOL CReelixView::CCaptureWndUserOnError(int, const char*)
{
    m_recorder.OnCaptureError();
    return TRUE;
}

BOOL CReelixView::WantsPreview() const
{
    return m_function == kFunctionRecord && DriverConnected() && !m_recorder.IsRunning() &&
           !m_camera->IsCapturing() && !m_player.IsCompressing();
}

void CReelixView::RefreshPreview()
{
    if (WantsPreview())
        m_camera->GrabFrameNoStop();
}

void CReelixView::OnSpace()
{
    if (m_function == kFunctionPlayback) {
        m_player.OnSpace();
        return;
    }
    if (CWnd::GetFocus() == &m_recordButton && m_recordButton.IsWindowVisible())
        PressRecordButton();
}

CSize CReelixView::VideoSize() const
{
    CRect rect;
    CSize size(kVideoWidth, kVideoHeight);
    if (m_camera) {
        m_camera->GetPictureRect(rect, size);
        if (size.cx <= 0 || size.cy <= 0)
            size = CSize(kVideoWidth, kVideoHeight);
    }
    return size;
}

void CReelixView::FitFrameToVideo()
{
    if (DriverConnected())
        FitFrameToPicture(VideoSize());
}

void CReelixView::FitFrameToPicture(CSize size)
{
    CFrameWnd* frame = GetParentFrame();
    if (!frame)
        return;
    CSize client = ClientSizeForVideo(size);
    client.cx = std::max<LONG>(client.cx, m_barsWidth);
    CRect outer, view;
    frame->GetWindowRect(&outer);
    GetClientRect(&view);
    // Caption, menu, bars and borders stay what they are around the view.
    const LONG width = client.cx + outer.Width() - view.Width();
    const LONG height = client.cy + outer.Height() - view.Height();
    const CPoint centre = outer.CenterPoint();
    frame->MoveWindow(int(centre.x - width / 2), int(centre.y - height / 2), int(width), int(height));
    LayOut();
}

void CReelixView::LayOut()
{
    if (!m_started)
        return;
    CRect client;
    GetClientRect(&client);
    if (m_function == kFunctionPlayback) {
        m_player.LayOut(client);
        return;
    }
    const CSize video = VideoSize();
    const LONG left = std::max<LONG>(kBorder, (client.Width() - video.cx) / 2);
    if (m_camera)
        m_camera->MoveWindow(int(left), kBorder, int(video.cx), int(video.cy));
    const LONG rowTop = kBorder + video.cy + (kRowHeight - kButtonHeight) / 2;
    m_recordButton.MoveWindow(int(left), int(rowTop), kButtonWidth, kButtonHeight);
    const LONG sliderLeft = left + kButtonWidth + kGap;
    const LONG sliderWidth = std::max<LONG>(client.Width() - sliderLeft - kBorder, kButtonHeight);
    m_slider.MoveWindow(int(sliderLeft), int(rowTop), int(sliderWidth), kButtonHeight);
}
