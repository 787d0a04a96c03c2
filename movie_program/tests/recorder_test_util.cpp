#include "recorder_test_util.h"

#include "RecordDialogs.h"
#include "resource.h"
#include "temp_dir.h"

#include "framework/StringTable.h"
#include "movie/movie_reader.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace rectest {

namespace {

class StudioPacer : public capture::Pacer {
public:
    explicit StudioPacer(Studio& studio) : m_studio(studio) {}
    uint64_t NowMicros() override { return m_studio.Now(); }
    void WaitUntil(uint64_t micros, const std::atomic<bool>& stop) override { m_studio.MoveTo(micros, stop); }

private:
    Studio& m_studio;
};

class StudioTone : public audio::AudioSource {
public:
    explicit StudioTone(Studio& studio) : m_studio(studio) {}
    std::string Name() const override { return "studio tone"; }
    bool Start(const audio::PcmFormat& format, Sink sink) override
    {
        m_studio.StartSound(format, std::move(sink));
        return true;
    }
    void Stop() override { m_studio.StopSound(); }

private:
    Studio& m_studio;
};

constexpr DWORD kWorkspaceBytes = 5242880;

}  // namespace

// --- studio -----------------------------------------------------------------------

std::unique_ptr<capture::Pacer> Studio::MakePacer() { return std::make_unique<StudioPacer>(*this); }
std::unique_ptr<audio::AudioSource> Studio::MakeTone() { return std::make_unique<StudioTone>(*this); }

void Studio::Arm(uint64_t micros)
{
    m_now = kStartMicros;
    m_stopAt = kStartMicros + micros;
    m_parked = false;
}

void Studio::MoveTo(uint64_t micros, const std::atomic<bool>& stop)
{
    const uint64_t stopAt = m_stopAt;
    if (micros >= stopAt) {
        micros = stopAt;
        if (micros > m_now)
            m_now = micros;
        FeedSound(micros);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_parked = true;
        }
        m_parkedSignal.notify_all();
        while (!stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return;
    }
    if (micros > m_now)
        m_now = micros;
    FeedSound(m_now);
}

bool Studio::WaitUntilParked()
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_parkedSignal.wait_for(guard, std::chrono::seconds(60), [this] { return m_parked.load(); });
}

void Studio::StartSound(const audio::PcmFormat& format, audio::AudioSource::Sink sink)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_format = format;
    m_sink = std::move(sink);
    m_soundStart = m_now;
    m_samplesFed = 0;
}

void Studio::StopSound()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_sink = nullptr;
}

// A 440 Hz tone up to `micros`, in the recording's format.
void Studio::FeedSound(uint64_t micros)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_sink || micros < m_soundStart)
        return;
    const uint64_t due = (micros - m_soundStart) * m_format.samplesPerSec / 1000000;
    const size_t bytesPerSample = size_t(m_format.bitsPerSample / 8) * m_format.channels;
    std::vector<BYTE> bytes;
    for (; m_samplesFed < due; ++m_samplesFed) {
        const double wave = std::sin(2 * M_PI * 440.0 * double(m_samplesFed) / m_format.samplesPerSec);
        for (size_t b = 0; b < bytesPerSample; ++b)
            bytes.push_back(m_format.bitsPerSample == 8 ? BYTE(128 + 100 * wave) : BYTE(b % 2 ? 0x20 : 0));
    }
    if (!bytes.empty())
        m_sink(bytes.data(), bytes.size());
}

bool FlakyPatternDriver::Grab(capture::Frame& frame, std::string& error, bool& gone)
{
    if (failures > 0) {
        --failures;
        error = "The camera sent no picture.";
        return false;
    }
    return TestPatternDriver::Grab(frame, error, gone);
}

// --- the view ---------------------------------------------------------------------

FakeView::FakeView()
{
    FlakyPatternDriver::failures = 0;
    capture::DriverCatalog::Install({{capture::kTestPatternDescription, capture::kTestPatternVersion,
                                      [] { return std::make_unique<FlakyPatternDriver>(); }}});
}

FakeView::~FakeView()
{
    camera.DestroyWindow();
    capture::DriverCatalog::UseSystem();
}

bool FakeView::Connect(const std::string& workspace)
{
    if (!camera.Create(this, nullptr, WS_CHILD, IDC_CAPTURE_WINDOW))
        return false;
    camera.Service()->SetPacer(studio.MakePacer());
    camera.Service()->SetAudioSourceFactory([this] { return studio.MakeTone(); });
    CAPTUREPARMS parms{};
    camera.GetSequenceSetup(&parms);
    parms.fCaptureAudio = TRUE;
    parms.fYield = TRUE;
    return camera.SetErrorCallback(TRUE) && camera.SetStatusCallback(TRUE) && camera.SetYieldCallback(TRUE) &&
           camera.SetSequenceSetup(&parms) && camera.SetCaptureFile(workspace.c_str()) &&
           (!std::filesystem::is_directory(std::filesystem::path(workspace).parent_path()) ||
            camera.AllocateCaptureFile(kWorkspaceBytes));
}

void FakeView::EnableSettingsItems(int first, int last, BOOL enable)
{
    for (int i = first; i <= last; ++i)
        items.at(size_t(i)).enabled = enable;
}

BOOL FakeView::SaveWorkspaceAs()
{
    ++saves;
    // The view's Save As stops any capture first.
    if (recorder)
        recorder->StopCapture();
    if (saveSucceeds && recorder)
        recorder->MarkSaved();
    return saveSucceeds;
}

BOOL FakeView::CCaptureWndUserOnError(int id, const char*)
{
    errors.push_back(id);
    if (forwardErrors && recorder)
        recorder->OnCaptureError();
    return TRUE;
}

MovieCount ReadMovie(const std::string& path)
{
    MovieCount count;
    movie::MovieReader reader;
    if (reader.Open(path) < 0)
        return count;
    count.opened = true;
    const movie::MovieInfo& info = reader.Info();
    count.frames = info.frames;
    count.microSecPerFrame = info.microSecPerFrame;
    count.hasAudio = info.hasAudio;
    count.audioSeconds = info.AudioSeconds();
    return count;
}

void AddProgramStrings() { RegisterReelixStrings(); }

// --- fixture ----------------------------------------------------------------------

RecorderTest::RecorderTest()
{
    ResetMessageQueue();
    EXPECT_TRUE(app.InitializeOrb());
    AddProgramStrings();
    workspace = ProcessTempDir() + "/workspac.avi";
    std::filesystem::remove(workspace);
    view.recorder = &recorder;
    EXPECT_TRUE(view.Connect(workspace));
    recorder.ApplySettings();
}

RecorderTest::~RecorderTest()
{
    recorder.StopCapture(TRUE);
    view.recorder = nullptr;
    app.UninitializeOrb();
    ProgramStrings().Clear();
    ResetMessageQueue();
}

int RecorderTest::Questions()
{
    int questions = 0;
    for (const TestUiService::ShownBox& box : ui->boxes)
        questions += box.text == LoadStringText(IDS_OVERWRITE_QUESTION);
    return questions;
}

void RecorderTest::ChooseTimeLapse(const char* count, const char* unit)
{
    ui->AnswerNextDialog([count, unit](CDialog& d) {
        auto& dialog = dynamic_cast<CTimeLapseDlg&>(d);
        dialog.countText = count;
        dialog.unitText = unit;
        dialog.OnOK();
        return dialog.IsEnded() ? IDOK : IDCANCEL;
    });
    recorder.OnTimeLapse();
}

}  // namespace rectest
