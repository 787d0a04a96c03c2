#include "audio/tone.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numbers>
#include <thread>

namespace audio {

bool PcmFormatUsable(const PcmFormat& f)
{
    return f.channels >= 1 && f.channels <= 8 && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.samplesPerSec >= 1000 && f.samplesPerSec <= 192000;
}

std::vector<PcmFormat> AudioSource::Accepted(const std::vector<PcmFormat>& candidates)
{
    std::vector<PcmFormat> usable;
    for (const PcmFormat& f : candidates)
        if (PcmFormatUsable(f))
            usable.push_back(f);
    return usable;
}

void AppendTone(const PcmFormat& format, uint64_t first, uint32_t frames, std::vector<uint8_t>& out)
{
    const double step = 2.0 * std::numbers::pi * kToneHz / format.samplesPerSec;
    for (uint32_t i = 0; i < frames; ++i) {
        // The phase is taken modulo one period's worth of samples so that hours of
        // tone lose no precision.
        const uint64_t n = (first + i) % format.samplesPerSec;
        const double s = std::sin(step * double(n));
        for (uint16_t c = 0; c < format.channels; ++c) {
            if (format.bitsPerSample == 8) {
                out.push_back(uint8_t(128 + std::lround(s * 64)));
            } else {
                const int16_t v = int16_t(std::lround(s * 8192));
                out.push_back(uint8_t(v & 0xFF));
                out.push_back(uint8_t((v >> 8) & 0xFF));
            }
        }
    }
}

namespace {

class ToneSource final : public AudioSource {
public:
    ~ToneSource() override { Stop(); Join(); }
    std::string Name() const override { return "Test pattern tone"; }

    bool Start(const PcmFormat& format, Sink sink) override
    {
        if (!PcmFormatUsable(format) || !sink)
            return false;
        Stop();
        Join();
        m_stop = false;
        m_thread = std::thread([this, format, sink = std::move(sink)] { Run(format, sink); });
        return true;
    }

    void Stop() override
    {
        {
            std::lock_guard guard(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        // A sink may stop its own source; the thread is joined later then.
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
    }

private:
    void Join()
    {
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
    }

    void Run(PcmFormat format, const Sink& sink)
    {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        uint64_t produced = 0;
        std::vector<uint8_t> block;
        std::unique_lock lock(m_lock);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(20));
            if (m_stop)
                break;
            const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
            const uint64_t due = uint64_t(elapsed.count()) * format.samplesPerSec / 1000000;
            if (due <= produced)
                continue;
            // After a long stall only the last second is made up, as a device would drop the rest.
            const uint64_t behind = due - produced;
            if (behind > format.samplesPerSec)
                produced = due - format.samplesPerSec;
            const uint32_t frames = uint32_t(due - produced);
            block.clear();
            AppendTone(format, produced, frames, block);
            produced = due;
            lock.unlock();
            sink(block.data(), block.size());
            lock.lock();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = true;
    std::thread m_thread;
};

}  // namespace

std::unique_ptr<AudioSource> MakeToneSource()
{
    return std::make_unique<ToneSource>();
}

}  // namespace audio
