// Stand-ins shared by the capture tests: a scripted driver, a movie sink that
// keeps what it is given, a pacer that moves without waiting, a steady sound.
#pragma once

#include "audio/audio_source.h"
#include "capture/capture_window.h"
#include "capture/movie_sink.h"

#include <atomic>
#include <vector>

namespace capture::testing {

struct SinkRecord {
    std::string path;
    VideoFormat video;
    DWORD microSecPerFrame = 0;
    bool audio = false;
    std::vector<std::vector<BYTE>> frames;
    size_t audioBytes = 0;
    bool closed = false;
    size_t skipped = 0;
};

// Fails every write after `failAfterFrames` frames, as a full disk does.
class MemorySink : public MovieSink {
public:
    MemorySink(std::shared_ptr<SinkRecord> record, int failAfterFrames)
        : m_record(std::move(record)), m_failAfter(failAfterFrames) {}
    int Open(const std::string& path, const VideoFormat& video, DWORD us, const WAVEFORMATEX* audio) override
    {
        *m_record = SinkRecord{path, video, us, audio != nullptr, {}, 0, false, 0};
        return 0;
    }
    int WriteVideo(const void* bits, size_t bytes) override
    {
        if (m_failAfter >= 0 && int(m_record->frames.size()) >= m_failAfter)
            return -2;
        auto p = static_cast<const BYTE*>(bits);
        m_record->frames.emplace_back(p, p + bytes);   // a skipped frame is empty
        return 0;
    }
    int SkipVideo() override
    {
        ++m_record->skipped;
        return WriteVideo(nullptr, 0);
    }
    int WriteAudio(const void*, size_t bytes) override
    {
        m_record->audioBytes += bytes;
        return 0;
    }
    int Close() override
    {
        m_record->closed = true;
        return 0;
    }
    std::string ErrorText(int code) const override { return code == -2 ? "disk full" : "failed"; }

private:
    std::shared_ptr<SinkRecord> m_record;
    int m_failAfter;
};

inline MovieSinkFactory MemorySinks(std::shared_ptr<SinkRecord> record, int failAfterFrames = -1)
{
    return [record, failAfterFrames] { return std::make_unique<MemorySink>(record, failAfterFrames); };
}

// Time moves only when the sequence waits, plus `costMicros` for each grab.
class VirtualPacer : public Pacer {
public:
    explicit VirtualPacer(std::atomic<uint64_t>* grabCost = nullptr) : m_cost(grabCost) {}
    uint64_t NowMicros() override { return m_now += m_cost ? m_cost->exchange(0) : 0; }
    void WaitUntil(uint64_t micros, const std::atomic<bool>&) override { m_now = std::max<uint64_t>(m_now, micros); }

private:
    std::atomic<uint64_t> m_now{1000000};
    std::atomic<uint64_t>* m_cost;
};

// Hands over `seconds` of silence as soon as it starts.
class InstantSound : public audio::AudioSource {
public:
    explicit InstantSound(double seconds) : m_seconds(seconds) {}
    std::string Name() const override { return "instant"; }
    bool Start(const audio::PcmFormat& format, Sink sink) override
    {
        const size_t bytes = size_t(m_seconds * format.samplesPerSec) * format.channels * (format.bitsPerSample / 8);
        std::vector<BYTE> samples(4096, 128);
        for (size_t sent = 0; sent < bytes; sent += samples.size())
            sink(samples.data(), std::min(samples.size(), bytes - sent));
        return true;
    }
    void Stop() override {}

private:
    double m_seconds;
};

}  // namespace capture::testing
