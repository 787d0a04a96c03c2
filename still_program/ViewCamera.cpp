// The camera's own settings from the view: the brightness slider and its
// timer, the Camera Adjustments and Image Size and Quality commands, and the
// switch into and out of full-screen mode that a picture size may bring.
#include "SnapvoView.h"

#include "MainFrm.h"
#include "framework/UiService.h"
#include "resource.h"

#include <algorithm>

namespace {
constexpr DWORD kSliderStyle = 0x40000010;   // a child, not yet visible
constexpr int kSliderCreatedWidth = 30;
constexpr int kSliderWidth = 120;
constexpr int kSliderHeight = 20;
constexpr int kGap = 8;
// While the Camera Adjustments dialog is up the picture keeps moving.
constexpr WORD kAdjustmentPreviewMs = 66;

}  // namespace

void CSnapvoView::RegisterCameraCommands()
{
    OnCommand(ID_CAMERA_ADJUSTMENTS, [this] { OnCameraAdjustments(); });
    OnCommand(ID_IMAGE_SIZE, [this] { OnImageSize(); });
    // Their enable rule is the Settings menu's, with every other mode item.
    OnMessage(WM_HSCROLL, [this](WPARAM w, LPARAM l) -> LRESULT {
        if (m_brightnessSlider.m_hWnd && HWND(l) == m_brightnessSlider.m_hWnd)
            m_brightness.OnScroll(LOWORD(w));
        return 0;
    });
}

void CSnapvoView::StartBrightnessControl()
{
    m_brightnessSlider.Create(kSliderStyle, CRect(0, 0, kSliderCreatedWidth, kSliderHeight), this, IDC_BRIGHTNESS);
    m_brightness.Attach(m_camera.get());
    if (m_camera && m_brightnessTimer.Initialize(this, kBrightnessTimerMs, BrightnessTimerTag()))
        m_brightnessTimer.Start();
}

void CSnapvoView::FollowCameraBrightness() { m_brightness.Follow(); }

void CSnapvoView::OnCameraAdjustments()
{
    if (!m_camera || IsBusy())
        return;
    m_camera->SetPreview(TRUE);
    m_camera->SetPreviewRate(kAdjustmentPreviewMs);
    m_camera->ShowSourceDialog();
    m_brightness.ReadAutoBrightness();
    m_camera->SetPreview(FALSE);
    // The dialog may have changed the brightness: shown now, not in 10 s.
    FollowCameraBrightness();
}

CSize CSnapvoView::PictureSize() const
{
    CRect rect;
    CSize size;
    if (m_camera)
        m_camera->GetPictureRect(rect, size);
    return size;
}

void CSnapvoView::OnImageSize()
{
    if (!m_camera || IsBusy())
        return;
    const CSize before = PictureSize();
    m_camera->ShowFormatDialog();
    UpdateFullScreen();
    if (PictureSize() != before)
        FitFrameToPicture();
    if (m_fullScreen)
        LayOut();
}

void CSnapvoView::UpdateFullScreen()
{
    auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame());
    const BOOL full = PictureIsFullScreen();
    if (!frame || full == m_fullScreen)
        return;
    if (full) {
        HideCompanions();
        m_fullScreen = TRUE;
        frame->EnterFullScreen();
    } else {
        m_fullScreen = FALSE;
        frame->LeaveFullScreen();
        RestoreCompanions();
    }
    LayOut();
}

void CSnapvoView::HideCompanions()
{
    // A viewer the user closed is not shown, even if its window is about.
    m_viewerShownBeforeFullScreen = m_viewer->m_hWnd && m_viewer->IsWindowVisible() && !m_viewer->ClosedByUser();
    m_filmrollShownBeforeFullScreen = CWnd::FindWindow("Film Roll") != nullptr;
    if (m_viewerShownBeforeFullScreen) {
        CRect r;
        m_viewer->GetWindowRect(&r);
        m_modes.viewerRect = r;
        m_viewer->ShowWindow(SW_HIDE);
    }
    if (m_filmrollShownBeforeFullScreen)
        HideFilmroll();
}

void CSnapvoView::RestoreCompanions()
{
    if (m_viewerShownBeforeFullScreen)
        ShowViewer();
    if (m_filmrollShownBeforeFullScreen)
        ShowFilmroll();
    m_viewerShownBeforeFullScreen = m_filmrollShownBeforeFullScreen = FALSE;
}

void CSnapvoView::ShowViewer()
{
    m_viewer->SetClosedByUser(FALSE);
    m_modes.showViewer = TRUE;
    PlaceViewer();
}

void CSnapvoView::HideFilmroll()
{
    SaveFilmroll();
    if (CWnd* roll = CWnd::FindWindow("Film Roll"); roll && roll->IsIconic())
        roll->ShowWindow(SW_RESTORE);
    m_modes.filmrollRect = FilmrollWindowRect();
    FILM_CloseDialog();
    m_modes.showFilmroll = FALSE;
}

void CSnapvoView::ShowFilmroll()
{
    m_modes.showFilmroll = TRUE;
    FILM_OpenDialog(this);
    CWnd* roll = CWnd::FindWindow("Film Roll");
    if (roll && !m_modes.filmrollRect.IsRectEmpty())
        roll->MoveWindow(m_modes.filmrollRect);
    if (m_filmrollItem == 0) {
        if (CMenu* view = ViewMenu())
            view->AppendMenu(MF_STRING, ID_GOTO_FILMROLL, "&Film Roll\tCtrl + F");
        m_filmrollItem = 1;
    }
}

void CSnapvoView::PlaceAroundButton(const CRect& button)
{
    // The slider takes what the row leaves beside the button, at least its
    // first width, so a narrow view still has one.
    const LONG width = std::clamp<LONG>(button.left - 2 * kGap, kSliderCreatedWidth, kSliderWidth);
    const LONG top = button.top + (button.Height() - kSliderHeight) / 2;
    m_brightnessSlider.MoveWindow(int(button.left - kGap - width), int(top), int(width), kSliderHeight);
    m_brightnessSlider.ShowWindow(SW_SHOW);
    const LONG below = button.bottom + kGap / 2;
    m_selfTimerDisplay.Place(CRect(CPoint(button.left, below), kCountdownSize));
    m_autoDisplay.Place(CRect(CPoint(button.right - kAutoCaptureSize.cx, below), kAutoCaptureSize));
}

void CSnapvoView::PlaceOverPicture(const CRect& picture)
{
    m_brightnessSlider.ShowWindow(SW_HIDE);
    const LONG top = picture.bottom - kGap - kCountdownSize.cy;
    m_selfTimerDisplay.Place(CRect(CPoint(picture.left + kGap, top), kCountdownSize));
    m_autoDisplay.Place(CRect(CPoint(picture.left + 2 * kGap + kCountdownSize.cx, top), kAutoCaptureSize));
}
