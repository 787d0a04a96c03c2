#include "Recorder.h"

#include "RecordDialogs.h"
#include "resource.h"

#include "audio/audio_source.h"
#include "audio/sound_format_chooser.h"
#include "framework/Clock.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr DWORD kMicrosPerSecond = 1000000;
// Of the frames a streaming recording misses, the share it accepts before it
// reports an error: everything at the preset rates, less at a rate the user set.
constexpr WORD kDropAllowedPreset = 100;
constexpr WORD kDropAllowedOther = 30;
// A due time further ahead than this is read as behind by the tick counter.
constexpr uint64_t kLongestIntervalMs = 0x7FFFFFFF;

// Positions in the Settings menu: the recording items, and the one of them a
// single-frame session greys.
constexpr int kFirstRecordingItem = 1;
constexpr int kLastRecordingItem = 3;
constexpr int kModeItem = 2;

const char* const kCaptionRecord = "RECORD";
const char* const kCaptionStop = "STOP";

struct TimeUnit {
    const char* name;
    DWORD seconds;
};
constexpr TimeUnit kTimeUnits[] = {{"Seconds", 1}, {"Minutes", 60}, {"Hours", 3600}};

const TimeUnit* FindTimeUnit(const char* unit)
{
    if (!unit)
        return nullptr;
    for (const TimeUnit& u : kTimeUnits)
        if (CString(u.name).CompareNoCase(unit) == 0)
            return &u;
    return nullptr;
}

// The service knows whether frames are being written; the wrapper's own flag
// depends on the status callback.
bool ServiceCapturing(const CCaptureWnd& capture)
{
    const capture::CaptureWindow* service = capture.Service();
    return service && service->IsCapturing();
}

bool HasAudioFormat(CCaptureWnd& capture) { return capture.GetAudioFormat(nullptr, 0) != 0; }

int ClampFps(int fps) { return std::clamp(fps, 1, 30); }

}  // namespace

int RateFps(int rate, int otherFps)
{
    switch (rate) {
    case kRateBest:
        return 15;
    case kRateGood:
        return 5;
    case kRateOther:
        return ClampFps(otherFps);
    default:
        return 10;
    }
}

bool IsTimeLapseUnit(const char* unit) { return FindTimeUnit(unit) != nullptr; }

DWORD TimeLapseSeconds(DWORD count, const char* unit)
{
    const TimeUnit* u = FindTimeUnit(unit);
    const uint64_t seconds = uint64_t(count) * (u ? u->seconds : 1);
    return DWORD(std::min<uint64_t>(seconds, kLongestIntervalMs / 1000));
}

CRecorder::CRecorder(CRecorderHost& host) : m_host(host), m_soundSources([] { return audio::OpenDefaultSource(); })
{
    m_tick.Initialize(this, kTickMs, &m_tick);
    m_blink.Initialize(this, kBlinkMs, &m_blink);
}

// The timers stop with their objects; the host may already be half gone.
CRecorder::~CRecorder() = default;

void CRecorder::ApplySettings()
{
    m_settings.timeLapseSeconds = TimeLapseSeconds(m_settings.timeLapseCount, m_settings.timeLapseUnit);
    m_settings.fps = RateFps(m_settings.rate, m_settings.fps);
    CCaptureWnd* capture = m_host.ConnectedCapture();
    CAPTUREPARMS parms{};
    if (!capture || !capture->GetSequenceSetup(&parms))
        return;
    FillSetup(*capture, parms);
    capture->SetSequenceSetup(&parms);
}

void CRecorder::FillSetup(CCaptureWnd& capture, CAPTUREPARMS& parms) const
{
    parms.dwRequestMicroSecPerFrame = kMicrosPerSecond / DWORD(ClampFps(m_settings.fps));
    parms.fCaptureAudio = m_settings.audio && HasAudioFormat(capture);
}

// --- the record toggle ---------------------------------------------------------

void CRecorder::Toggle()
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    if (!capture || !m_host.InRecordFunction())
        return;
    if (m_running) {
        EndRecording();
        return;
    }
    if (!ConfirmOverwrite())
        return;
    switch (m_settings.mode) {
    case kModeSingle:
        RecordSingleFrame(*capture);
        break;
    case kModeTimeLapse:
        StartTimeLapse(*capture);
        break;
    default:
        StartStreaming(*capture);
        break;
    }
}

BOOL CRecorder::ConfirmOverwrite()
{
    if (m_movieSaved || m_underWay || m_framesAdded || m_discard)
        return TRUE;
    switch (AfxMessageBox(IDS_OVERWRITE_QUESTION, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDNO:
        m_discard = TRUE;
        return TRUE;
    case IDYES:
        if (m_host.SaveWorkspaceAs()) {
            MarkSaved();
            return TRUE;
        }
        m_movieSaved = FALSE;
        m_discard = FALSE;
        return FALSE;
    default:
        return FALSE;
    }
}

void CRecorder::RecordSingleFrame(CCaptureWnd& capture)
{
    capture.SetPreview(TRUE);
    capture.SetPreviewRate(kPreviewRateMs);
    m_host.EnableSettingsItems(kModeItem, kModeItem, FALSE);
    m_host.StopBrightnessTimer();
    if (CaptureOneFrame(capture))
        m_underWay = TRUE;
}

void CRecorder::StartTimeLapse(CCaptureWnd& capture)
{
    capture.SetPreview(TRUE);
    capture.SetPreviewRate(kPreviewRateMs);
    m_host.EnableSettingsItems(kFirstRecordingItem, kLastRecordingItem, FALSE);
    m_host.StopBrightnessTimer();
    if (!m_tick.Start()) {
        RefuseStart(capture, FALSE);
        return;
    }
    // Frames fall due on the clock, not on a count of ticks, so a late or a
    // lost tick moves no later frame.
    m_nextDue = GetTickCount() + IntervalMs();
    ShowRecording();
}

void CRecorder::StartStreaming(CCaptureWnd& capture)
{
    CAPTUREPARMS parms{};
    if (capture.GetSequenceSetup(&parms)) {
        FillSetup(capture, parms);
        parms.wPercentDropForError = m_settings.rate == kRateOther ? kDropAllowedOther : kDropAllowedPreset;
        capture.SetSequenceSetup(&parms);
    }
    capture.SetPreviewRate(kPreviewRateMs);
    capture.SetPreview(TRUE);
    m_host.EnableSettingsItems(kFirstRecordingItem, kLastRecordingItem, FALSE);
    m_host.StopBrightnessTimer();
    capture.SetAbortRequest(FALSE);
    m_starting = TRUE;
    m_startErrorShown = FALSE;
    const BOOL started = capture.Sequence();
    m_starting = FALSE;
    if (!started) {
        RefuseStart(capture, !m_startErrorShown);
        return;
    }
    NoteRecorded();
    // Without yielding the whole capture has already run inside Sequence.
    if (!ServiceCapturing(capture)) {
        EndRecording();
        return;
    }
    m_blinkShowsWord = TRUE;
    m_blink.Start();   // without it the status line only stops blinking
    ShowRecording();
}

// Nothing was recorded: the user sees why (unless the capture window already
// said so) and the program is back where it was, ready to record.
void CRecorder::RefuseStart(CCaptureWnd& capture, BOOL explain)
{
    capture.SetPreview(FALSE);
    m_host.EnableSettingsItems(kFirstRecordingItem, kLastRecordingItem, TRUE);
    m_host.StartBrightnessTimer();
    m_host.SetIdleText(IDS_PRESS_TO_RECORD);
    if (explain)
        AfxMessageBox(LoadStringText(IDS_RECORD_NOT_STARTED), MB_OK | MB_ICONEXCLAMATION);
}

void CRecorder::ShowRecording()
{
    m_running = TRUE;
    m_underWay = TRUE;
    m_blinkOn = TRUE;
    SetCaption(kCaptionStop);
    m_host.SetIdleText(IDS_RECORDING);
}

BOOL CRecorder::CaptureOneFrame(CCaptureWnd& capture)
{
    if (!m_host.InRecordFunction() || (m_settings.mode != kModeSingle && m_settings.mode != kModeTimeLapse))
        return FALSE;
    if (!capture.IsCapturing()) {
        // Opening empties the workspace. Once this recording has frames there
        // the capture window closed it under us (an error): end it and keep them.
        if (m_framesAdded > 0) {
            EndRecording();
            return FALSE;
        }
        if (!capture.SingleFrameOpen())
            return FALSE;
        m_singleOpen = TRUE;
    }
    if (!capture.SingleFrame())
        return FALSE;
    NoteRecorded();
    ++m_framesAdded;
    return TRUE;
}

void CRecorder::NoteRecorded()
{
    m_workspaceHasMovie = TRUE;
    m_movieSaved = FALSE;
    // A No answered before this recording does not cover the next one.
    m_discard = FALSE;
}

// --- ending ---------------------------------------------------------------------

// Every way a recording ends comes here, so none leaves a tick that would
// open the workspace again (and empty it) or a button that still reads STOP.
void CRecorder::EndRecording()
{
    m_tick.Stop();
    m_blink.Stop();
    const BOOL wasSingle = m_singleOpen;
    m_running = FALSE;
    m_singleOpen = FALSE;
    m_blinkOn = FALSE;
    m_framesAdded = 0;
    m_underWay = FALSE;
    if (CCaptureWnd* capture = m_host.ConnectedCapture()) {
        if (m_settings.mode == kModeStreaming)
            capture->SetAbortRequest(TRUE);
        if (wasSingle && capture->IsCapturing())
            capture->SingleFrameClose();
        else if (ServiceCapturing(*capture))
            capture->Stop();
        capture->SetPreview(FALSE);
    }
    SetCaption(kCaptionRecord);
    m_host.StartBrightnessTimer();
    m_host.SetIdleText(IDS_PRESS_TO_RECORD);
    m_host.EnableSettingsItems(kFirstRecordingItem, kLastRecordingItem, TRUE);
}

void CRecorder::OnStop()
{
    if (!m_host.InRecordFunction())
        return;
    if (m_running)
        Toggle();
    StopCapture();
}

void CRecorder::StopCapture(BOOL exiting)
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    if (Recording() || (capture && ServiceCapturing(*capture))) {
        m_discard = FALSE;
        EndRecording();
    }
    m_singleOpen = FALSE;
    m_underWay = exiting;
    if (capture)
        capture->SetPreview(FALSE);
    m_host.EnableSettingsItems(kModeItem, kModeItem, TRUE);
}

void CRecorder::OnCaptureError()
{
    // A start that fails reports the error itself and is handled there.
    if (m_starting) {
        m_startErrorShown = TRUE;
        return;
    }
    if (Recording())
        EndRecording();
}

// --- timers ---------------------------------------------------------------------

void CRecorder::MTimerUserOnTimer(void* data)
{
    if (data == &m_tick)
        OnTimeLapseTick();
    else if (data == &m_blink)
        OnBlink();
}

DWORD CRecorder::IntervalMs() const
{
    const uint64_t ms = uint64_t(std::max<DWORD>(m_settings.timeLapseSeconds, 1)) * 1000;
    return DWORD(std::min(ms, kLongestIntervalMs));
}

void CRecorder::OnTimeLapseTick()
{
    if (!m_running || m_settings.mode != kModeTimeLapse) {
        m_tick.Stop();
        return;
    }
    CCaptureWnd* capture = m_host.ConnectedCapture();
    if (!capture || !m_host.InRecordFunction())
        return;
    if (int32_t(GetTickCount() - m_nextDue) < 0)
        return;
    m_nextDue += IntervalMs();
    CaptureOneFrame(*capture);
}

void CRecorder::OnBlink()
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    if (!m_running || !capture) {
        m_blink.Stop();
        return;
    }
    // A capture that ended by itself (a time limit, the camera gone) ends the recording.
    if (!ServiceCapturing(*capture)) {
        EndRecording();
        return;
    }
    m_blinkShowsWord = !m_blinkShowsWord;
    m_host.SetIdleText(m_blinkShowsWord ? IDS_RECORDING : IDS_RECORDING_BLANK);
}

void CRecorder::SetCaption(const char* caption)
{
    m_caption = caption;
    m_host.SetRecordButtonCaption(caption);
}

// --- the Settings menu ------------------------------------------------------------

BOOL CRecorder::WriteFramePeriod(int fps)
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    CAPTUREPARMS parms{};
    if (!capture || !capture->GetSequenceSetup(&parms))
        return FALSE;
    parms.dwRequestMicroSecPerFrame = kMicrosPerSecond / DWORD(ClampFps(fps));
    return capture->SetSequenceSetup(&parms);
}

void CRecorder::SetRate(int rate, int fps)
{
    StopCapture();
    m_settings.fps = ClampFps(fps);
    m_settings.rate = rate;
    m_settings.mode = kModeStreaming;
    WriteFramePeriod(m_settings.fps);
}

void CRecorder::OnNormalRate() { SetRate(kRateBetter, RateFps(kRateBetter, 0)); }
void CRecorder::OnBestRate() { SetRate(kRateBest, RateFps(kRateBest, 0)); }
void CRecorder::OnGoodRate() { SetRate(kRateGood, RateFps(kRateGood, 0)); }

void CRecorder::OnOtherRate()
{
    StopCapture();
    COtherRateDlg dialog(m_host.DialogOwner(), m_settings.fps);
    if (dialog.DoModal() == IDOK)
        SetRate(kRateOther, dialog.Fps());
}

void CRecorder::OnSingleFrame()
{
    StopCapture();
    m_settings.mode = kModeSingle;
}

void CRecorder::OnTimeLapse()
{
    StopCapture();
    DWORD count = m_settings.timeLapseCount;
    CString unit = m_settings.timeLapseUnit;
    if (!AskTimeLapse(m_host.DialogOwner(), count, unit))
        return;
    m_settings.timeLapseCount = count;
    m_settings.timeLapseUnit = unit;
    m_settings.timeLapseSeconds = TimeLapseSeconds(count, unit);
    m_settings.mode = kModeTimeLapse;
}

void CRecorder::OnCaptureAudio()
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    CAPTUREPARMS parms{};
    if (!capture || !capture->GetSequenceSetup(&parms))
        return;
    parms.fCaptureAudio = !parms.fCaptureAudio;
    if (capture->SetSequenceSetup(&parms))
        m_settings.audio = parms.fCaptureAudio;
}

void CRecorder::OnAudioFormat()
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    if (!capture || !m_soundSources)
        return;
    std::unique_ptr<audio::AudioSource> source = m_soundSources();
    if (!source)
        return;
    const UINT size = UINT(std::max<DWORD>(audio::kMaxSoundFormatSize, capture->GetAudioFormat(nullptr, 0)));
    std::vector<BYTE> format(size, 0);
    auto* wave = reinterpret_cast<WAVEFORMATEX*>(format.data());
    capture->GetAudioFormat(wave, size);
    if (audio::ChooseSoundFormat(m_host.DialogOwner(), LoadStringText(IDS_AUDIO_FORMAT_TITLE), *source, wave, size))
        capture->SetAudioFormat(wave, size);
}

// --- enable and check rules -------------------------------------------------------

// A single-frame session never counts as running: every press adds a frame.
BOOL CRecorder::CanRecord() const { return m_host.InRecordFunction() && m_host.ConnectedCapture() && !m_running; }

BOOL CRecorder::CanStop() const { return m_host.InRecordFunction() && m_running; }

BOOL CRecorder::CanChangeMode() const { return m_host.InRecordFunction() && m_host.ConnectedCapture() && !m_running; }

BOOL CRecorder::CanToggleAudio() const
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    return m_host.InRecordFunction() && capture && HasAudioFormat(*capture) && m_settings.mode == kModeStreaming &&
           !m_running;
}

BOOL CRecorder::CanChooseAudioFormat() const { return CanToggleAudio() && AudioChecked(); }

BOOL CRecorder::AudioChecked() const
{
    CCaptureWnd* capture = m_host.ConnectedCapture();
    CAPTUREPARMS parms{};
    return capture && capture->GetSequenceSetup(&parms) && parms.fCaptureAudio;
}
