// Every command of the view with the rule that enables and checks its item.
// One table: the recorder's and player's own conditions come in through the
// view's rule functions, gated by the function and the driver the view knows.
#include "ReelixView.h"

#include "framework/UiService.h"
#include "resource.h"

namespace {
using Rule = BOOL (CReelixView::*)() const;

}  // namespace

BOOL CReelixView::RecordingWithDriver() const { return m_function == kFunctionRecord && DriverConnected(); }

BOOL CReelixView::CanStop() const
{
    if (m_function == kFunctionPlayback)
        return m_player.HasMovie();
    return RecordingWithDriver() && m_recorder.CanStop();
}

BOOL CReelixView::CanCloseMovie() const
{
    return m_function == kFunctionPlayback && m_player.HasMovie() && !m_recorder.IsRunning();
}

BOOL CReelixView::CanSave() const
{
    if (m_function == kFunctionPlayback)
        return m_player.HasMovie();
    return RecordingWithDriver() && m_recorder.WorkspaceHasMovie() && !m_recorder.IsStreaming();
}

BOOL CReelixView::CanCopy() const
{
    if (m_cameraCoded)
        return FALSE;
    if (m_function == kFunctionPlayback)
        return m_player.HasMovie();
    return RecordingWithDriver() && !m_recorder.IsRunning();
}

BOOL CReelixView::CanPlay() const
{
    return m_function == kFunctionPlayback && m_player.HasMovie() && !m_recorder.IsStreaming();
}

BOOL CReelixView::CanSwitchToPlayback() const
{
    return m_function == kFunctionRecord && DriverConnected() && !m_recorder.IsStreaming();
}

BOOL CReelixView::CanUseFormatDialog() const
{
    return RecordingWithDriver() && m_caps.fHasDlgVideoFormat && !m_recorder.IsRunning();
}

BOOL CReelixView::CanUseSourceDialog() const
{
    return RecordingWithDriver() && m_caps.fHasDlgVideoSource && !m_recorder.IsRunning();
}

BOOL CReelixView::CanRecordNow() const { return RecordingWithDriver() && m_recorder.CanRecord(); }
BOOL CReelixView::CanChangeModeNow() const { return RecordingWithDriver() && m_recorder.CanChangeMode(); }
BOOL CReelixView::CanToggleAudioNow() const { return RecordingWithDriver() && m_recorder.CanToggleAudio(); }
BOOL CReelixView::CanChooseAudioFormatNow() const
{
    return RecordingWithDriver() && m_recorder.CanChooseAudioFormat();
}

void CReelixView::RegisterCommands()
{
    CRecorder& r = m_recorder;
    CPlayer& p = m_player;
    struct Row {
        UINT id;
        Rule enabled;
        Rule checked;   // null: no check mark
        std::function<void()> run;
    };
    const Row rows[] = {
        {ID_FILE_OPEN, &CReelixView::CanOpen, nullptr, [&p] { p.OnOpen(); }},
        {ID_FILE_CLOSE, &CReelixView::CanCloseMovie, nullptr, [&p] { p.OnClose(); }},
        {ID_FILE_SAVE_AS, &CReelixView::CanSave, nullptr, [this] { SaveMovie(); }},
        {ID_FILE_SAVE, &CReelixView::CanSave, nullptr, [this] { SaveMovie(); }},
        {ID_EDIT_COPY, &CReelixView::CanCopy, nullptr, [&p] { p.OnCopy(); }},
        {ID_MOVIE_PLAY, &CReelixView::CanPlay, nullptr, [&p] { p.OnPlay(); }},
        {ID_MOVIE_STOP, &CReelixView::CanStop, nullptr,
         [this, &r, &p] { m_function == kFunctionPlayback ? p.OnStop() : r.OnStop(); }},
        {ID_MOVIE_RECORD, &CReelixView::CanRecordNow, nullptr, [&r] { r.Toggle(); }},
        {ID_RATE_NORMAL, &CReelixView::CanChangeModeNow, &CReelixView::NormalChecked, [&r] { r.OnNormalRate(); }},
        {ID_RATE_BEST, &CReelixView::CanChangeModeNow, nullptr, [&r] { r.OnBestRate(); }},
        {ID_RATE_GOOD, &CReelixView::CanChangeModeNow, nullptr, [&r] { r.OnGoodRate(); }},
        {ID_OTHER_RATE, &CReelixView::CanChangeModeNow, &CReelixView::OtherChecked, [&r] { r.OnOtherRate(); }},
        {ID_SINGLE_FRAME, &CReelixView::CanChangeModeNow, &CReelixView::SingleChecked, [&r] { r.OnSingleFrame(); }},
        {ID_TIME_LAPSE, &CReelixView::CanChangeModeNow, &CReelixView::TimeLapseChecked, [&r] { r.OnTimeLapse(); }},
        {ID_CAPTURE_AUDIO, &CReelixView::CanToggleAudioNow, &CReelixView::AudioChecked, [&r] { r.OnCaptureAudio(); }},
        {ID_AUDIO_FORMAT, &CReelixView::CanChooseAudioFormatNow, nullptr, [&r] { r.OnAudioFormat(); }},
        {ID_FUNCTION_RECORD, &CReelixView::CanSwitchToRecord, &CReelixView::IsRecordFunction,
         [this] { EnterRecordFunction(); }},
        {ID_FUNCTION_PLAYBACK, &CReelixView::CanSwitchToPlayback, &CReelixView::IsPlaybackFunction,
         [this] { OnPlaybackFunction(); }},
        {ID_IMAGE_SIZE, &CReelixView::CanUseFormatDialog, nullptr, [this] { OnImageSize(); }},
        {ID_CAMERA_ADJUSTMENTS, &CReelixView::CanUseSourceDialog, nullptr, [this] { OnCameraAdjustments(); }},
    };
    for (const Row& row : rows)
        AddRule(row.id, row.enabled, row.checked, row.run);

    OnCommandRange(ID_DRIVER_FIRST, ID_DRIVER_LAST, [this](UINT id) { OnConnectDriver(WORD(id - ID_DRIVER_FIRST)); });
    OnUpdateCommandRange(ID_DRIVER_FIRST, ID_DRIVER_LAST, [this](CCmdUI* ui) {
        ui->Enable(m_function == kFunctionRecord && m_camera != nullptr);
        ui->SetCheck(DriverConnected() && m_driverIndex == ui->m_nID - ID_DRIVER_FIRST ? 1 : 0);
    });
    // The button and SPACE run here, whatever the Movie menu's state.
    OnCommand(IDC_RECORD_BUTTON, [this] { PressRecordButton(); });
    OnCommand(ID_SPACE_BAR, [this] { OnSpace(); });
    OnUpdateCommand(ID_SPACE_BAR, [](CCmdUI* ui) { ui->Enable(TRUE); });
}

void CReelixView::PressRecordButton()
{
    // STOP must stop even where a new recording could not start.
    if (CanRecordNow() || m_recorder.IsRunning())
        m_recorder.Toggle();
}

void CReelixView::AddRule(UINT id, Rule enabled, Rule checked, std::function<void()> run)
{
    OnUpdateCommand(id, [this, enabled, checked](CCmdUI* ui) {
        ui->Enable((this->*enabled)());
        if (checked)
            ui->SetCheck((this->*checked)() ? 1 : 0);
    });
    OnCommand(id, std::move(run));
}

void CReelixView::OnPlaybackFunction()
{
    m_recorder.StopCapture();
    StopBrightnessTimer();
    m_player.CloseWindow();
    m_player.OpenForPlayback(m_recorder.WorkspaceHasMovie() ? m_workspace : CString());
    // The player says so when its window opens; the function is Playback even
    // when no window could be made.
    EnterPlaybackFunction();
}

void CReelixView::OnConnectDriver(WORD index)
{
    if (!m_camera)
        return;
    // A recording ends on the driver it started on, its frames closed into
    // the workspace; none may run on without a driver or a STOP button.
    m_recorder.StopCapture();
    m_camera->DriverDisconnect();
    if (m_camera->DriverConnect(index)) {
        m_driverIndex = index;
        m_brightness.Attach(m_camera.get());
        EnterRecordFunction();
        return;
    }
    AfxMessageBox(IDS_CANNOT_CONNECT, MB_OK);
    m_driverIndex = kNoDriver;
    m_recordButton.ShowWindow(SW_HIDE);
    m_slider.ShowWindow(SW_HIDE);
}

void CReelixView::OnImageSize()
{
    if (!CanUseFormatDialog())
        return;
    // Frames of another size or depth cannot join the single frames recorded.
    m_recorder.StopCapture();
    const CSize before = VideoSize();
    m_camera->SetPreviewRate(kPreviewRateMs);
    m_camera->SetPreview(TRUE);
    m_camera->ShowFormatDialog();
    m_camera->SetPreview(FALSE);
    if (VideoSize() != before)
        FitFrameToVideo();
    ReadCaptureFormat();
}

void CReelixView::OnCameraAdjustments()
{
    if (!CanUseSourceDialog())
        return;
    m_camera->SetPreviewRate(kPreviewRateMs);
    m_camera->SetPreview(TRUE);
    m_camera->ShowSourceDialog();
    m_camera->SetPreview(FALSE);
    m_brightness.ReadAutoBrightness();
    StartBrightnessTimer();
    EnterRecordFunction();
}

void CReelixView::OnBrightnessScroll(UINT code)
{
    if (DriverConnected())
        m_brightness.OnScroll(code);
}
