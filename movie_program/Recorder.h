// Recording in the movie program: streaming at a chosen rate with or without
// sound, time lapse on a one-second tick, single frames, the blinking
// "RECORDING" status, and the question before a new recording replaces one
// that was not saved. A plain class: it reaches the camera's capture window,
// the record button, the status line and the Settings menu through
// CRecorderHost, which the view implements and tests fake.
#pragma once

#include "CaptureWnd.h"
#include "Mtimer.h"
#include "types/CString.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace audio { class AudioSource; }

enum ReelixCaptureMode : int { kModeSingle = 0, kModeTimeLapse = 1, kModeStreaming = 2 };
enum ReelixRate : int { kRateBest = 0, kRateBetter = 1, kRateGood = 2, kRateOther = 3 };

// The frames per second of a preset rate (15, 10, 5); `otherFps` for kRateOther.
int RateFps(int rate, int otherFps);
// "Seconds", "Minutes" or "Hours", letter case aside.
bool IsTimeLapseUnit(const char* unit);
// `count` units in seconds; a unit that is none of the three counts seconds.
DWORD TimeLapseSeconds(DWORD count, const char* unit);

// What the view keeps and stores of recording.
struct CRecordSettings {
    int mode = kModeStreaming;
    int rate = kRateBetter;
    int fps = 10;
    DWORD timeLapseCount = 1;
    CString timeLapseUnit;        // as chosen ("Minutes"), upper case after a restart
    DWORD timeLapseSeconds = 1;
    BOOL audio = TRUE;
};

// The view implements this. Single frames need the capture window's status
// callback on (the window learns from it that single-frame capture is open),
// and the view passes the window's error callback on to OnCaptureError.
class CRecorderHost {
public:
    virtual ~CRecorderHost() = default;
    // The camera's capture window while a driver is connected; null otherwise.
    virtual CCaptureWnd* ConnectedCapture() = 0;
    virtual BOOL InRecordFunction() const = 0;
    // "RECORD" or "STOP".
    virtual void SetRecordButtonCaption(const char* caption) = 0;
    // The status line's idle text, shown at once and after every menu prompt.
    virtual void SetIdleText(UINT stringId) = 0;
    // Items first..last (0-based positions) of the Settings menu.
    virtual void EnableSettingsItems(int first, int last, BOOL enable) = 0;
    virtual void StartBrightnessTimer() = 0;
    virtual void StopBrightnessTimer() = 0;
    // Save As of the workspace movie; TRUE only when it was saved.
    virtual BOOL SaveWorkspaceAs() = 0;
    // The window dialogs and message boxes belong to.
    virtual CWnd* DialogOwner() = 0;
};

class CRecorder : public MTimerUser {
public:
    static constexpr unsigned short kTickMs = 1000;
    static constexpr unsigned short kBlinkMs = 5000;
    static constexpr UINT kPreviewRateMs = 66;

    explicit CRecorder(CRecorderHost& host);
    ~CRecorder() override;
    CRecorder(const CRecorder&) = delete;
    CRecorder& operator=(const CRecorder&) = delete;

    CRecordSettings& Settings() { return m_settings; }
    const CRecordSettings& Settings() const { return m_settings; }
    // After start-up or a driver change: the rate and sound flag of the
    // settings written into the capture window's setup.
    void ApplySettings();

    // The record button, SPACE on it and "&Record...": start or stop.
    void Toggle();
    // "&Stop" in Record function.
    void OnStop();
    // Before every change of mode or function, and at exit (`exiting` keeps
    // the workspace counted as under way, so no question follows).
    void StopCapture(BOOL exiting = FALSE);
    // The capture window reported an error (the view passes each one on): a
    // running recording or single-frame session ends, keeping its frames.
    void OnCaptureError();

    // The Settings menu's recording commands.
    void OnNormalRate();
    void OnBestRate();
    void OnGoodRate();
    void OnOtherRate();
    void OnSingleFrame();
    void OnTimeLapse();
    void OnCaptureAudio();
    void OnAudioFormat();

    // Enable and check rules.
    BOOL CanRecord() const;
    BOOL CanStop() const;
    BOOL CanChangeMode() const;
    BOOL CanToggleAudio() const;
    BOOL CanChooseAudioFormat() const;
    BOOL AudioChecked() const;
    BOOL NormalChecked() const { return m_settings.rate == kRateBetter && m_settings.mode == kModeStreaming; }
    BOOL OtherChecked() const { return m_settings.rate == kRateOther && m_settings.mode == kModeStreaming; }

    // A time-lapse or streaming recording runs (the button reads "STOP").
    BOOL IsRunning() const { return m_running; }
    BOOL IsStreaming() const { return m_running && m_settings.mode == kModeStreaming; }
    const CString& ButtonCaption() const { return m_caption; }
    // Nothing in the workspace would be lost: TRUE at start and after a
    // successful Save As of the workspace, FALSE once anything is recorded.
    BOOL MovieSaved() const { return m_movieSaved; }
    BOOL WorkspaceHasMovie() const { return m_workspaceHasMovie; }
    // A Save As of the workspace succeeded (only then: not before it, not
    // after a failure or an abort, not for another file).
    void MarkSaved() { m_movieSaved = TRUE; }
    DWORD FramesAdded() const { return m_framesAdded; }
    BOOL Blinking() const { return m_blinkOn; }

    void MTimerUserOnTimer(void* data) override;

    // Where the Audio Format chooser learns which formats the sound input
    // takes; the default sound input unless replaced (tests give a tone).
    using SoundSourceFactory = std::function<std::unique_ptr<audio::AudioSource>()>;
    void SetSoundSourceFactory(SoundSourceFactory factory) { m_soundSources = std::move(factory); }

    // The time-lapse tick and the streaming blink run.
    BOOL TickRunning() const { return m_tick.IsStarted(); }
    BOOL BlinkRunning() const { return m_blink.IsStarted(); }
    // A recording has started and not been ended by a stop, a mode change or
    // a change of function (no overwrite question while it lasts).
    BOOL RecordingUnderWay() const { return m_underWay; }
    // The user answered No to the overwrite question and nothing has been
    // recorded since.
    BOOL DiscardChosen() const { return m_discard; }

private:
    // The rate and the sound flag of the settings, into a capture setup.
    void FillSetup(CCaptureWnd& capture, CAPTUREPARMS& parms) const;
    BOOL ConfirmOverwrite();
    void RecordSingleFrame(CCaptureWnd& capture);
    void StartTimeLapse(CCaptureWnd& capture);
    void StartStreaming(CCaptureWnd& capture);
    void RefuseStart(CCaptureWnd& capture, BOOL explain);
    void ShowRecording();
    BOOL CaptureOneFrame(CCaptureWnd& capture);
    void NoteRecorded();
    BOOL Recording() const { return m_running || m_singleOpen; }
    void EndRecording();
    void OnTimeLapseTick();
    void OnBlink();
    void SetRate(int rate, int fps);
    BOOL WriteFramePeriod(int fps);
    void SetCaption(const char* caption);
    DWORD IntervalMs() const;

    CRecorderHost& m_host;
    CRecordSettings m_settings;
    CString m_caption = "RECORD";
    BOOL m_running = FALSE;
    BOOL m_movieSaved = TRUE;
    BOOL m_workspaceHasMovie = FALSE;
    BOOL m_blinkOn = FALSE;
    DWORD m_framesAdded = 0;
    BOOL m_underWay = TRUE;
    BOOL m_discard = FALSE;
    BOOL m_singleOpen = FALSE;
    BOOL m_starting = FALSE;
    BOOL m_startErrorShown = FALSE;
    BOOL m_blinkShowsWord = TRUE;
    DWORD m_nextDue = 0;   // the next time-lapse frame, on the framework's tick counter
    MTimer m_tick;
    MTimer m_blink;
    SoundSourceFactory m_soundSources;
};
