// A sequence capture on its own thread: frames paced at the requested period,
// missed frame times counted as dropped (written as skipped frames so the
// movie keeps time with its sound), sound from an audio source, events
// handed to the user-interface thread through the capture window.
#pragma once

#include "capture/capture_window.h"
#include "capture/movie_sink.h"

#include <condition_variable>

namespace capture {

struct SequenceCounters {
    std::atomic<DWORD> frames{0};
    std::atomic<DWORD> dropped{0};
    std::atomic<DWORD> elapsedMs{0};
    std::atomic<DWORD> waveSamples{0};
};

class Sequencer {
public:
    Sequencer(CaptureWindow& window, Driver& driver, Pacer& pacer);
    ~Sequencer();   // stops and joins

    // Starts the thread; false (with `error`) when the file or sound cannot start.
    bool Start(const CAPTUREPARMS& parms, const std::string& path, bool toFile,
               const WAVEFORMATEX& audioFormat, MovieSinkFactory sinks, const AudioSourceFactory& sounds,
               std::string& error);
    void Stop() { m_stop = true; }
    void Abort() { m_abort = true, m_stop = true; }
    bool Running() const { return m_running; }
    // Joins a thread that has ended or been told to stop.
    void Join();
    const SequenceCounters& Counters() const { return m_counters; }

private:
    void Run();
    bool WriteFrame(const Frame* frame);   // null: a missed frame time
    void Fail(int id, const std::string& text);

    CaptureWindow& m_window;
    Driver& m_driver;
    Pacer& m_pacer;
    CAPTUREPARMS m_parms{};
    bool m_toFile = true;
    std::unique_ptr<MovieSink> m_sink;
    std::unique_ptr<audio::AudioSource> m_sound;
    std::mutex m_sinkLock;
    bool m_sinkFailed = false;
    std::thread m_thread;
    std::atomic<bool> m_stop{false}, m_abort{false}, m_running{false};
    SequenceCounters m_counters;
    DWORD m_bytesPerSample = 1;
};

// Single-frame capture: one frame appended per call to the file opened.
class SingleFrameRecorder {
public:
    bool Open(const std::string& path, const VideoFormat& format, DWORD microSecPerFrame, MovieSinkFactory sinks, std::string& error);
    bool Add(const Frame& frame, std::string& error);
    bool Close(std::string& error);
    bool IsOpen() const { return m_sink != nullptr; }
    DWORD Frames() const { return m_frames; }

private:
    std::unique_ptr<MovieSink> m_sink;
    VideoFormat m_format;
    DWORD m_frames = 0;
};

}  // namespace capture
