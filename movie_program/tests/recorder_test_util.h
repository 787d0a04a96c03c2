// A stand-in for the movie program's view around a real recorder: the real
// capture window on the test-pattern camera, a studio in which sequence time
// and the tone move only when the sequence waits, the fake clock for the
// recorder's timers and the scripted UI service.
#pragma once

#include "Mwinapp.h"
#include "Recorder.h"

#include "audio/audio_source.h"
#include "capture/test_pattern.h"
#include "framework/Clock.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace rectest {

// Sequence time and the sound recorded with it. The pacer moves time to each
// frame time at once and feeds the tone up to it; at `stopAtMicros` of
// recording it waits there until the capture is told to stop, as a user who
// watches the clock and presses STOP.
class Studio {
public:
    static constexpr uint64_t kStartMicros = 1000000;

    // Starts sequence time afresh; the next recording waits at `micros` after its start.
    void Arm(uint64_t micros);
    // Waits (a safety bound, not a timing) until the sequence has reached the stop time.
    bool WaitUntilParked();
    bool Parked() const { return m_parked; }

    std::unique_ptr<capture::Pacer> MakePacer();
    std::unique_ptr<audio::AudioSource> MakeTone();

    // For the pacer and the tone.
    uint64_t Now() const { return m_now; }
    void MoveTo(uint64_t micros, const std::atomic<bool>& stop);
    void StartSound(const audio::PcmFormat& format, audio::AudioSource::Sink sink);
    void StopSound();

private:
    void FeedSound(uint64_t micros);

    std::atomic<uint64_t> m_now{kStartMicros};
    std::atomic<uint64_t> m_stopAt{UINT64_MAX};
    std::atomic<bool> m_parked{false};
    std::mutex m_lock;
    std::condition_variable m_parkedSignal;
    audio::AudioSource::Sink m_sink;
    audio::PcmFormat m_format;
    uint64_t m_soundStart = 0;
    uint64_t m_samplesFed = 0;
};

// The test-pattern camera, whose next `failures` grabs fail.
class FlakyPatternDriver : public capture::TestPatternDriver {
public:
    bool Grab(capture::Frame& frame, std::string& error, bool& gone) override;
    static inline std::atomic<int> failures{0};
};

struct SettingsItem {
    BOOL enabled = TRUE;
};

class FakeView : public CRecorderHost, public CCaptureWndUser {
public:
    FakeView();
    ~FakeView() override;

    // The camera connected as the view connects it, recording into `workspace`.
    bool Connect(const std::string& workspace);

    CCaptureWnd* ConnectedCapture() override { return connected && camera.IsConnected() ? &camera : nullptr; }
    BOOL InRecordFunction() const override { return recordFunction; }
    void SetRecordButtonCaption(const char* caption) override { captions.emplace_back(caption); }
    void SetIdleText(UINT stringId) override { idleTexts.push_back(stringId); }
    void EnableSettingsItems(int first, int last, BOOL enable) override;
    void StartBrightnessTimer() override { brightnessTimer = TRUE; }
    void StopBrightnessTimer() override { brightnessTimer = FALSE; }
    BOOL SaveWorkspaceAs() override;
    CWnd* DialogOwner() override { return &owner; }

    BOOL CCaptureWndUserOnError(int id, const char* text) override;

    UINT IdleText() const { return idleTexts.empty() ? 0 : idleTexts.back(); }
    BOOL ItemEnabled(int position) const { return items.at(size_t(position)).enabled; }

    CLumivex camera;
    CWnd owner;
    Studio studio;
    CRecorder* recorder = nullptr;
    bool connected = true;
    BOOL recordFunction = TRUE;
    BOOL brightnessTimer = TRUE;
    bool forwardErrors = true;
    BOOL saveSucceeds = TRUE;
    int saves = 0;
    std::vector<std::string> captions;
    std::vector<UINT> idleTexts;
    std::vector<int> errors;
    std::vector<SettingsItem> items = std::vector<SettingsItem>(6);
};

// Frames and seconds of sound in a movie file, read back through the movie service.
struct MovieCount {
    bool opened = false;
    uint32_t frames = 0;
    uint32_t microSecPerFrame = 0;
    bool hasAudio = false;
    double audioSeconds = 0;
};
MovieCount ReadMovie(const std::string& path);

// The program's strings the recorder shows, as the program's table holds them.
void AddProgramStrings();

// One recorder in a fake view, with the fake clock and the scripted UI.
class RecorderTest : public ::testing::Test {
protected:
    RecorderTest();
    ~RecorderTest() override;

    // The number of overwrite questions asked so far.
    int Questions();
    // Sets the time lapse through its dialog.
    void ChooseTimeLapse(const char* count, const char* unit);

    ScopedFakeClock clock;
    ScopedTestUi ui;
    MWinApp app{"recordertest"};
    std::string workspace;
    FakeView view;
    CRecorder recorder{view};
};

}  // namespace rectest
