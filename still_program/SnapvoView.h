// The still program's view: the camera's picture with the "&Take Picture"
// button under it, the picture modes, the capture state machine and the
// deliveries of a taken picture. Plain logic: tests drive it with a fake
// clock, the test UI service and the test-pattern camera.
#pragma once

#include "BrightnessSlider.h"
#include "CaptureMachine.h"
#include "CaptureModes.h"
#include "CaptureWnd.h"
#include "Displays.h"
#include "Mtimer.h"
#include "gdi/globalmem.h"   // PictureFiles.h names HGLOBAL without it
#include "PictureFiles.h"
#include "Schedule.h"
#include "ViewerWnd.h"
#include "film32.h"
#include "framework/Bars.h"
#include "framework/Controls.h"
#include "framework/DocView.h"
#include "mail/loader.h"
#include "types/CTime.h"

#include <functional>
#include <memory>

class MCfgINITable;
class MCfgClassesRootTable;

class CSnapvoView : public CView,
                    public MTimerUser,
                    public CCaptureHost,
                    public CCaptureWndUser,
                    public CCaptureFrameSink,
                    public CFilmrollUser {
public:
    CSnapvoView();
    ~CSnapvoView() override;

    // Once, from the application's start-up.
    BOOL StartUp(MCfgINITable& iniTable, MCfgClassesRootTable& classesRootTable, BOOL useClassesRoot);
    // Settings written back, temporary picture deleted, camera released.
    BOOL ShutDown();

    // The state machine.
    CCaptureMachine& Machine() { return m_machine; }
    void Advance(int state) { m_machine.Advance(state); }
    int GetCaptureState() const { return m_machine.State(); }
    // A self timer, an exposure or an auto-capture run is under way, or the
    // shutter is open: the mode commands wait until it ends.
    BOOL IsBusy() const;
    BOOL IsStepTimerRunning() const { return m_machine.IsStepTimerRunning(); }
    BOOL Deliver() override;
    BOOL GrabPicture(BOOL updateViewer);
    BOOL SendToFilmRoll();
    BOOL CopyToClipboard();
    // The File menu's first item and the button, as the modes now say.
    void RefreshTakePicture() override;
    // Unless a countdown or an auto-capture wait is on show: the self timer's
    // delay while it is on, nothing while it is off.
    void RefreshCountdownDisplay();
    // The label id and command id that fit the modes now; FALSE when none.
    BOOL TakePictureCommand(UINT& labelId, UINT& commandId) const;
    // The button, SPACE and IDC_TAKE_PICTURE: the command the modes show.
    void OnTakePictureButton();
    // The live picture: one fresh frame from the camera, unless refreshing is
    // suspended or an open shutter holds the picture.
    void RefreshPreview();
    // While suspended (nested calls count), neither the live picture nor the
    // full-screen frame follows anything.
    void SuspendRefresh(BOOL suspend);
    BOOL RefreshSuspended() const { return m_refreshSuspended > 0; }
    void LayOut();
    // Outside full-screen mode: the frame's client area sized to the picture
    // (at least 240 x 120) and the room below it for the button.
    void FitFrameToPicture();
    // Without a camera: the frame drawn where a 160 x 120 picture would be.
    const CRect& EmptyPictureRect() const { return m_emptyPicture; }
    // The bitmap the view shows there (bitmap 230 once started).
    UINT PictureBitmap() const { return m_pictureBitmap; }
    // After a change of picture size: into or out of full-screen mode, with
    // the viewer and film roll hidden in it and shown again after it.
    void UpdateFullScreen();
    BOOL PictureIsFullScreen() const;

    // The brightness slider under the picture: it drives the camera's
    // brightness, or with automatic brightness follows the camera.
    CSliderCtrl& BrightnessSlider() { return m_brightnessSlider; }
    // The camera sets its brightness itself (read at start-up and after the
    // Camera Adjustments dialog).
    WORD AutoBrightness() const { return m_brightness.AutoBrightness(); }
    // Every 10 s: the slider follows the camera's brightness.
    void FollowCameraBrightness();
    // What the brightness timer's ticks carry, to tell them from the machine's.
    static void* BrightnessTimerTag() { return TimerData(TimerTag::Brightness); }
    static constexpr WORD kBrightnessTimerMs = 10000;

    CViewModes m_modes;
    CAutoCaptureSchedule m_schedule;
    // The exposure fits the auto-capture interval.
    BOOL ExposureFitsInterval() const;

    CLumivex* Camera() const { return m_camera.get(); }
    CViewerWnd& Viewer() { return *m_viewer; }
    CButton& TakePictureButton() { return m_button; }
    CSelfTimerDisplay& SelfTimerDisplay() override { return m_selfTimerDisplay; }
    CAutoCaptureDisplay& AutoCaptureDisplay() override { return m_autoDisplay; }
    CPictureFiles& PictureFiles() { return m_files; }
    const CString& WorkingDirectory() const { return m_workingDirectory; }
    CString TempPicturePath() const;
    BOOL Is16Gray() const { return m_b16Gray; }
    HWND FilmrollWindow() const { return m_hFilmroll; }
    // Writes film.ini while the film roll is open, and tells the user when
    // the list could not be written. FALSE then.
    BOOL SaveFilmroll();
    BOOL FullScreen() const { return m_fullScreen; }
    // How many grabbed pictures went to the viewer.
    int ViewerLoads() const { return m_viewerLoads; }
    void ViewerMenuChanged();

    // How long a grab waits for the camera's frame before giving up.
    static constexpr DWORD kFrameWaitMs = 3000;
    static constexpr int kFrameWaitAttempts = 30;
    static constexpr const char* kTempName = "temp999.bmp";
    static constexpr const char* kNoFrameText = "The camera did not send a picture.";
    static constexpr const char* kMailFailedText = "Could not move image to America Online";
    static constexpr const char* kFilmrollNotSavedText =
        "The list of Film Roll pictures (film.ini) could not be written.  The pictures are still in the "
        "film folder, but the Film Roll may not show the newest ones when it is opened again.";

    // MTimerUser
    void MTimerUserOnTimer(void* data) override;
    // CCaptureWndUser
    void CCaptureWndUserOnMouseMove(UINT flags, CPoint point) override;
    BOOL CCaptureWndUserOnFrame(VIDEOHDR* header) override;
    // CFilmrollUser
    void VFilmrollOpenImage(const CString& path) override;
    void VFilmrollWindowRect(int flag, int left, int top, int right, int bottom) override;
    void VFilmrollWindowHandle(HWND hwnd) override;
    void VFilmrollSendToAOLMail(CString path) override;

private:
    // Start-up steps.
    BOOL ReadSettings(MCfgINITable& iniTable, MCfgClassesRootTable& classesRootTable, BOOL useClassesRoot);
    void WriteSettings();
    void CreateCamera();
    void PlaceViewer();
    void OpenFilmroll();
    void RegisterCommands();
    // The Settings menu: every mode command and its enable and check rule.
    void RegisterSettingsCommands();
    void AddSettingsRule(UINT id, unsigned needs, bool (*checked)(const CViewModes&), std::function<void()> run);
    void SettingsChanged();
    void RunSelfTimerDialog();
    void RunAutoCaptureCommand();
    void RunTimedExposureDialog();
    void RunMultipleOtherDialog();
    void WarnWhenExposureTooLong();
    void RunPictureCommand(UINT id);
    void RegisterViewMenu();
    void RegisterCameraCommands();
    void StartBrightnessControl();
    // The slider beside the button and the indicators under it.
    void PlaceAroundButton(const CRect& button);
    // Full-screen mode: no slider, the indicators over the picture's foot.
    void PlaceOverPicture(const CRect& picture);
    void OnCameraAdjustments();
    void OnImageSize();
    CSize PictureSize() const;
    // Around full-screen mode: the viewer and film roll put away and back.
    void HideCompanions();
    void RestoreCompanions();
    void ShowViewer();
    void HideFilmroll();
    void ShowFilmroll();

    // CCaptureHost
    BOOL HasCamera() const override { return m_camera != nullptr; }
    BOOL ShutterOpen() const override;
    void OpenShutter() override;
    void CloseShutter() override;
    void EnableSelection(BOOL enable) override;
    void PlaySoundFile(const char* name) override;
    void ShowMessage(UINT stringId) override;

    // Deliveries.
    // Steps 3-6 of a grab: the current frame into `path` as a BMP file.
    BOOL GrabInto(const CString& path, BOOL& sixteenGray);
    BOOL WriteFrame(const CString& path, const BITMAPINFOHEADER& format);
    BOOL WaitForFrame();
    BOOL SaveToFile(BOOL ask, CString& path);
    BOOL SendToMail();
    void ShowViewerAfterGrab();
    void SetStatus(UINT stringId);
    CMenu* FileMenu() const;
    CMenu* ViewMenu() const;
    CRect FilmrollWindowRect() const;

    std::unique_ptr<CLumivex> m_camera;
    std::unique_ptr<CViewerWnd> m_viewer;
    CButton m_button;
    CSelfTimerDisplay m_selfTimerDisplay;
    CAutoCaptureDisplay m_autoDisplay;
    CPictureFiles m_files;
    BOOL m_b16Gray = FALSE;
    BOOL m_fullScreen = FALSE;
    CString m_workingDirectory;
    HWND m_hFilmroll = nullptr;
    BOOL m_filmrollShown = FALSE;
    int m_viewerItem = 0;     // 1 present, 0 absent, 99 leaving
    int m_filmrollItem = 0;
    bool m_started = false;
    MCfgINITable* m_iniTable = nullptr;
    MCfgClassesRootTable* m_classesRootTable = nullptr;
    BOOL m_useClassesRoot = FALSE;
    DWORD m_frameBytes = 0;
    int m_viewerLoads = 0;
    int m_refreshSuspended = 0;
    UINT m_pictureBitmap = 0;
    CRect m_emptyPicture;
    // The viewer and film roll as they were before full-screen mode.
    BOOL m_viewerShownBeforeFullScreen = FALSE;
    BOOL m_filmrollShownBeforeFullScreen = FALSE;
    CSliderCtrl m_brightnessSlider;
    MTimer m_brightnessTimer;
    CBrightnessSlider m_brightness;
    // Last: it is destroyed first, its timer stopped before the rest goes.
    CCaptureMachine m_machine{*this, m_modes, m_schedule};
};

