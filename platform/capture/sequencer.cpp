#include "capture/sequencer.h"

#include "audio/audio_source.h"

#include <chrono>
#include <cstdio>

namespace capture {

namespace {

class RealPacer : public Pacer {
public:
    uint64_t NowMicros() override
    {
        using namespace std::chrono;
        return uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void WaitUntil(uint64_t micros, const std::atomic<bool>& stop) override
    {
        // Short naps keep a stop request answered within a few milliseconds.
        for (;;) {
            uint64_t now = NowMicros();
            if (now >= micros || stop)
                return;
            std::this_thread::sleep_for(std::chrono::microseconds(std::min<uint64_t>(micros - now, 5000)));
        }
    }
};

}  // namespace

std::unique_ptr<Pacer> MakeRealPacer() { return std::make_unique<RealPacer>(); }

Sequencer::Sequencer(CaptureWindow& window, Driver& driver, Pacer& pacer)
    : m_window(window), m_driver(driver), m_pacer(pacer) {}

Sequencer::~Sequencer()
{
    Abort();
    Join();
}

void Sequencer::Join()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_sound) {
        m_sound->Stop();
        m_sound.reset();
    }
}

bool Sequencer::Start(const CAPTUREPARMS& parms, const std::string& path, bool toFile,
                      const WAVEFORMATEX& audioFormat, MovieSinkFactory sinks, const AudioSourceFactory& sounds,
                      std::string& error)
{
    m_parms = parms;
    m_toFile = toFile;
    const DWORD period = std::max<DWORD>(parms.dwRequestMicroSecPerFrame, 1000);
    const bool withSound = parms.fCaptureAudio && audioFormat.wFormatTag == WAVE_FORMAT_PCM;
    m_bytesPerSample = std::max<DWORD>(1, audioFormat.nBlockAlign);
    if (toFile) {
        if (!sinks) {
            error = "No movie writer is available.";
            return false;
        }
        m_sink = sinks();
        int r = m_sink->Open(path, m_driver.Format(), period, withSound ? &audioFormat : nullptr);
        if (r < 0) {
            error = "Cannot open the capture file " + path + ": " + m_sink->ErrorText(r);
            m_sink.reset();
            return false;
        }
    }
    if (withSound && sounds)
        m_sound = sounds();
    if (m_sound) {
        audio::PcmFormat pcm{audioFormat.nChannels, audioFormat.nSamplesPerSec, audioFormat.wBitsPerSample};
        bool started = m_sound->Start(pcm, [this](const void* samples, size_t bytes) {
            std::lock_guard<std::mutex> guard(m_sinkLock);
            if (m_stop || m_sinkFailed)
                return;
            if (m_sink) {
                int r = m_sink->WriteAudio(samples, bytes);
                if (r < 0) {
                    m_sinkFailed = true;
                    m_stop = true;
                    m_window.PostEvent(CaptureWindow::EventKind::Error, IDS_CAP_FILE_WRITE,
                                       "Error writing the capture file: " + m_sink->ErrorText(r));
                    return;
                }
            }
            m_counters.waveSamples += DWORD(bytes / m_bytesPerSample);
        });
        if (!started)
            m_sound.reset();   // the picture is still worth recording
    }
    m_running = true;
    m_thread = std::thread(&Sequencer::Run, this);
    return true;
}

void Sequencer::Fail(int id, const std::string& text)
{
    m_window.PostEvent(CaptureWindow::EventKind::Error, id, text);
}

bool Sequencer::WriteFrame(const Frame* frame)
{
    std::lock_guard<std::mutex> guard(m_sinkLock);
    if (!m_sink)
        return true;
    if (m_sinkFailed)
        return false;
    int r = frame ? m_sink->WriteVideo(frame->bits.data(), frame->bits.size()) : m_sink->SkipVideo();
    if (r < 0) {
        m_sinkFailed = true;
        Fail(IDS_CAP_FILE_WRITE, "Error writing the capture file: " + m_sink->ErrorText(r));
        return false;
    }
    return true;
}

void Sequencer::Run()
{
    const uint64_t period = std::max<DWORD>(m_parms.dwRequestMicroSecPerFrame, 1000);
    const uint64_t limit = (m_parms.fLimitEnabled && m_parms.wTimeLimit)
        ? (uint64_t(m_parms.wTimeLimit) * 1000000 + period / 2) / period : UINT64_MAX;   // nearest whole frame
    const uint64_t start = m_pacer.NowMicros();
    Frame frame;
    uint64_t slot = 0;
    while (!m_stop && slot < limit) {
        m_pacer.WaitUntil(start + slot * period, m_stop);
        if (m_stop)
            break;
        std::string error;
        bool gone = false;
        if (!m_driver.Grab(frame, error, gone)) {
            Fail(gone ? IDS_CAP_DEVICE_GONE : IDS_CAP_NO_FRAME, error);
            break;
        }
        if (!WriteFrame(&frame))
            break;
        ++m_counters.frames;
        ++slot;
        const uint64_t now = m_pacer.NowMicros();
        const uint64_t due = (now - start) / period;
        for (; slot < due && slot < limit && !m_stop; ++slot) {
            if (!WriteFrame(nullptr))
                break;
            ++m_counters.dropped;
        }
        m_counters.elapsedMs = DWORD((now - start) / 1000);
        m_window.PostEvent(CaptureWindow::EventKind::Yield, 0, {});
    }
    if (m_sound)
        m_sound->Stop();
    {
        std::lock_guard<std::mutex> guard(m_sinkLock);
        if (m_sink) {
            int r = m_sink->Close();
            if (r < 0 && !m_sinkFailed)
                Fail(IDS_CAP_FILE_WRITE, "Error writing the capture file: " + m_sink->ErrorText(r));
            m_sink.reset();
        }
    }
    const DWORD total = m_counters.frames + m_counters.dropped;
    if (!m_abort && total && uint64_t(m_counters.dropped) * 100 > uint64_t(m_parms.wPercentDropForError) * total) {
        char text[160];
        std::snprintf(text, sizeof text, "%u of %u frames (%.1f%%) were dropped during capture.",
                      unsigned(m_counters.dropped.load()), unsigned(total), 100.0 * m_counters.dropped / total);
        Fail(IDS_CAP_TOO_MANY_DROPPED, text);
    }
    m_running = false;
    m_window.PostEvent(CaptureWindow::EventKind::Finished, 0, {});
}

bool SingleFrameRecorder::Open(const std::string& path, const VideoFormat& format, DWORD microSecPerFrame,
                               MovieSinkFactory sinks, std::string& error)
{
    if (!sinks) {
        error = "No movie writer is available.";
        return false;
    }
    m_sink = sinks();
    int r = m_sink->Open(path, format, std::max<DWORD>(microSecPerFrame, 1000), nullptr);
    if (r < 0) {
        error = "Cannot open the capture file " + path + ": " + m_sink->ErrorText(r);
        m_sink.reset();
        return false;
    }
    m_format = format;
    m_frames = 0;
    return true;
}

bool SingleFrameRecorder::Add(const Frame& frame, std::string& error)
{
    if (!m_sink)
        return false;
    if (frame.format.header.biWidth != m_format.header.biWidth || frame.format.header.biHeight != m_format.header.biHeight
        || frame.format.header.biBitCount != m_format.header.biBitCount) {
        error = "The video format changed while single-frame capture was open.";
        return false;
    }
    int r = m_sink->WriteVideo(frame.bits.data(), frame.bits.size());
    if (r < 0) {
        error = "Error writing the capture file: " + m_sink->ErrorText(r);
        return false;
    }
    ++m_frames;
    return true;
}

bool SingleFrameRecorder::Close(std::string& error)
{
    if (!m_sink)
        return false;
    int r = m_sink->Close();
    const std::string text = r < 0 ? m_sink->ErrorText(r) : std::string();
    m_sink.reset();
    if (r < 0) {
        error = "Error writing the capture file: " + text;
        return false;
    }
    return true;
}

}  // namespace capture
