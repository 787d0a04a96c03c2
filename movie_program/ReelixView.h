// The movie program's view: the camera's live picture with the RECORD button
// and the brightness slider under it in Record function, the playback window
// in Playback function. It owns the recorder and the player and gives them
// the windows, bars and menus they act on (CRecorderHost, CPlayerHost). Plain
// logic: tests drive it with a fake clock, the test UI service and the
// test-pattern camera.
#pragma once

#include "BrightnessSlider.h"
#include "CaptureWnd.h"
#include "Mtimer.h"
#include "Player.h"
#include "Recorder.h"
#include "framework/Bars.h"
#include "framework/Controls.h"
#include "framework/DocView.h"

#include <functional>
#include <memory>

enum ReelixFunction : int { kFunctionRecord = 0, kFunctionPlayback = 1 };

// The SPACE bar's command: the view decides what it does in each function.
constexpr UINT ID_SPACE_BAR = 32850;
// The Settings (Video) menu's place in the main menu.
constexpr int kSettingsMenuPosition = 2;

// The driver index while none is connected.
constexpr WORD kNoDriver = 100;
// The camera's own picture code, which the clipboard cannot take.
constexpr DWORD kCameraOwnCode = 0x4156524B;   // 'KRVA'
// The workspace movie's name in the working directory.
constexpr const char* kWorkspaceName = "workspac.avi";
constexpr DWORD kWorkspaceReserve = 0x500000;

// The frame's client size for a video of `video`: room for the button row
// beneath it, never smaller than a minimum.
CSize ClientSizeForVideo(CSize video);

class CReelixView : public CView,
                    public MTimerUser,
                    public CCaptureWndUser,
                    public CRecorderHost,
                    public CPlayerHost {
public:
    CReelixView();
    ~CReelixView() override;

    // Once, from the application's start-up: settings read, windows made,
    // the camera's driver chosen and set up.
    BOOL StartUp();
    // The question about an unsaved workspace movie, before anything at all
    // is stopped or written. FALSE: the program goes on running.
    BOOL ConfirmExit();
    // Everything stopped and released, the settings written into the items.
    void ShutDown();

    int Function() const { return m_function; }
    // The capture window, or null when it could not be made or its set-up failed.
    CLumivex* Camera() const { return m_camera.get(); }
    WORD DriverIndex() const { return m_driverIndex; }
    BOOL DriverConnected() const { return m_camera && m_driverIndex != kNoDriver; }
    CRecorder& Recorder() { return m_recorder; }
    CPlayer& Player() { return m_player; }
    CButton& RecordButton() { return m_recordButton; }
    CSliderCtrl& BrightnessSlider() { return m_slider; }
    UINT IdleText() const { return m_idleText; }
    const CString& WorkspaceFile() const { return m_workspace; }
    BOOL Palettised() const { return m_palettised; }
    // 16 bits per pixel without the camera's own code.
    BOOL SixteenBitFormat() const { return m_sixteenBit; }
    // The capture format carries the camera's own code (no clipboard copy).
    BOOL CameraCoded() const { return m_cameraCoded; }
    BOOL BrightnessTimerRunning() const { return m_brightnessRunning; }
    WORD AutoBrightness() const { return m_brightness.AutoBrightness(); }

    // The Record and Playback functions.
    void EnterRecordFunction();
    void EnterPlaybackFunction() override;
    // The live picture: whether an idle pass should grab a frame now, and the grab.
    BOOL WantsPreview() const;
    void RefreshPreview();
    // The frame sized around the camera's video, keeping its centre.
    void FitFrameToVideo();
    // The width the menu bar and tool bar take on screen: the client area is
    // never narrower, so no menu hides behind an overflow button.
    void SetBarsWidth(int width) { m_barsWidth = width; }
    void FitFrameToPicture(CSize size) override;
    // The SPACE bar: the record button's toggle in Record function while it
    // has the focus, play or stop in Playback function.
    void OnSpace();
    // Every 10 s: the slider follows the camera's brightness.
    void FollowCameraBrightness();
    void LayOut();

    static constexpr WORD kBrightnessTimerMs = 10000;
    // The preview's pace while a camera dialog is up.
    static constexpr UINT kPreviewRateMs = 66;

    // MTimerUser
    void MTimerUserOnTimer(void* data) override;
    // CCaptureWndUser
    void CCaptureWndUserOnRButtonDown(UINT flags, CPoint point) override;
    BOOL CCaptureWndUserOnError(int id, const char* text) override;

    // CRecorderHost
    CCaptureWnd* ConnectedCapture() override;
    BOOL InRecordFunction() const override { return m_function == kFunctionRecord; }
    void SetRecordButtonCaption(const char* caption) override;
    void SetIdleText(UINT stringId) override;
    void EnableSettingsItems(int first, int last, BOOL enable) override;
    void StartBrightnessTimer() override;
    void StopBrightnessTimer() override;
    BOOL SaveWorkspaceAs() override;
    CWnd* DialogOwner() override { return this; }
    // CPlayerHost
    CWnd* ViewWnd() override { return this; }
    void StopAnyCapture() override;
    void HideCaptureControls() override;
    void SetFrameCaption(const char* caption) override;
    BOOL InPlaybackFunction() const override { return m_function == kFunctionPlayback; }
    void ShowPopupMenu(CPoint screen) override;
    CString WorkspacePath() const override { return m_workspace; }
    BOOL WorkspaceHasMovie() const override { return m_recorder.WorkspaceHasMovie(); }
    void WorkspaceSaved() override { m_recorder.MarkSaved(); }

private:
    // Start-up steps.
    void ReadSettings();
    void RemoveDriverItems();
    void CreateCaptureWindow();
    BOOL ChooseDriver();
    BOOL SetUpCapture();
    void DropCamera();
    void StartCameraControls();
    void WriteSettings();
    // Commands and their rules.
    void RegisterCommands();
    void AddRule(UINT id, BOOL (CReelixView::*enabled)() const, BOOL (CReelixView::*checked)() const,
                 std::function<void()> run);
    void OnPlaybackFunction();
    // The record button, clicked or by SPACE: start or stop.
    void PressRecordButton();
    void OnConnectDriver(WORD index);
    void OnImageSize();
    void OnCameraAdjustments();
    void OnBrightnessScroll(UINT code);
    // The capture format's flags; its bits per pixel (0 when unknown).
    WORD ReadCaptureFormat();
    BOOL SaveMovie();
    // Whatever a save ended with, a close put off while it ran comes now.
    BOOL AfterSave(BOOL saved);
    // The enable and check rules, one for each kind of item.
    BOOL RecordingWithDriver() const;
    BOOL CanRecordNow() const;
    BOOL CanStop() const;
    BOOL CanChangeModeNow() const;
    BOOL CanToggleAudioNow() const;
    BOOL CanChooseAudioFormatNow() const;
    BOOL AudioChecked() const { return m_recorder.AudioChecked(); }
    BOOL NormalChecked() const { return m_recorder.NormalChecked(); }
    BOOL OtherChecked() const { return m_recorder.OtherChecked(); }
    BOOL SingleChecked() const { return m_recorder.Settings().mode == kModeSingle; }
    BOOL TimeLapseChecked() const { return m_recorder.Settings().mode == kModeTimeLapse; }
    BOOL CanOpen() const { return !m_recorder.IsRunning(); }
    BOOL CanCloseMovie() const;
    BOOL CanSave() const;
    BOOL CanCopy() const;
    BOOL CanPlay() const;
    BOOL IsRecordFunction() const { return m_function == kFunctionRecord; }
    BOOL IsPlaybackFunction() const { return m_function == kFunctionPlayback; }
    BOOL CanSwitchToRecord() const { return m_function == kFunctionPlayback; }
    BOOL CanSwitchToPlayback() const;
    BOOL CanUseFormatDialog() const;
    BOOL CanUseSourceDialog() const;
    CMenu* SettingsMenu() const;
    CSize VideoSize() const;

    std::unique_ptr<CLumivex> m_camera;
    CRecorder m_recorder{*this};
    CPlayer m_player{*this};
    CButton m_recordButton;
    CSliderCtrl m_slider;
    CBrightnessSlider m_brightness;
    MTimer m_brightnessTimer;
    BOOL m_brightnessRunning = FALSE;
    WORD m_driverIndex = kNoDriver;
    int m_function = kFunctionRecord;
    UINT m_idleText = 0;
    CString m_workspace;
    CAPDRIVERCAPS m_caps{};
    BOOL m_audioSupported = FALSE;
    BOOL m_palettised = FALSE;
    BOOL m_cameraCoded = FALSE;
    BOOL m_sixteenBit = FALSE;
    bool m_started = false;
    int m_barsWidth = 0;
    bool m_inPopup = false;
};
