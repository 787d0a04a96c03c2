#include "audio/sound_player.h"

#include "audio/alsa_util.h"
#include "audio/tone.h"
#include "framework/Clock.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace audio {

namespace {

// The device's buffer: short enough that a seek is heard at once, long enough
// that a busy machine does not starve it.
constexpr unsigned kLatencyMicroSec = 100000;
// The player's thread waits on the device at most this long, so Stop returns promptly.
constexpr int kWaitMs = 50;

uint64_t FramesIn(DWORD ms, uint32_t rate) { return uint64_t(ms) * rate / 1000; }

}  // namespace

// The device is fed by a thread of the player's own rather than by writes on
// the caller's ticks: the user-interface thread may be busy decoding a picture
// or inside a modal dialog for longer than the device's buffer lasts, and a
// starved device clicks and loses its place.
struct SoundPlayer::Impl {
    std::string device;
    PcmFormat format;
    std::vector<uint8_t> pcm;
    uint64_t frames = 0;

    bool running = false;      // between Start and Stop
    bool audible = false;
    uint64_t offset = 0;
    DWORD startTick = 0;
    uint64_t stoppedAt = 0;

    std::thread thread;
    std::atomic<bool> stop{false};

    // What the device had played at `tick`, as the thread last saw it; the
    // position runs on from there by the clock, never past `limit`.
    struct Heard {
        uint64_t frames = 0;
        uint64_t limit = 0;
        DWORD tick = 0;
    };
    mutable std::mutex heardLock;
    Heard heard;

    void Note(uint64_t played, uint64_t limit)
    {
        std::lock_guard guard(heardLock);
        heard = Heard{played, limit, GetTickCount()};
    }

    Heard LastHeard() const
    {
        std::lock_guard guard(heardLock);
        return heard;
    }

    uint64_t Played() const
    {
        if (!audible)
            return std::min(frames - offset, FramesIn(GetTickCount() - startTick, format.samplesPerSec));
        const Heard h = LastHeard();
        return std::min(h.limit, h.frames + FramesIn(GetTickCount() - h.tick, format.samplesPerSec));
    }

    snd_pcm_t* OpenDevice() const
    {
        QuietAlsaErrors();
        snd_pcm_t* handle = nullptr;
        // Never blocking: a device held by another program is a silent one here.
        if (snd_pcm_open(&handle, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
            return nullptr;
        if (snd_pcm_set_params(handle, AlsaFormat(format.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                               format.channels, format.samplesPerSec, 1, kLatencyMicroSec) < 0) {
            snd_pcm_close(handle);
            return nullptr;
        }
        return handle;
    }

    // Frames the device has played of the `written` it was given.
    static uint64_t HeardOf(snd_pcm_t* handle, uint64_t written)
    {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(handle, &delay) < 0)
            delay = 0;
        return written - std::clamp<uint64_t>(uint64_t(std::max<snd_pcm_sframes_t>(delay, 0)), 0, written);
    }

    // Returns false when the device failed for good.
    bool Feed(snd_pcm_t* handle, uint64_t total, uint64_t& written)
    {
        const uint32_t frameBytes = BytesPerFrame(format);
        const uint64_t piece = std::max<uint64_t>(1, format.samplesPerSec / 50);
        while (!stop && written < total) {
            const int ready = snd_pcm_wait(handle, kWaitMs);
            const snd_pcm_sframes_t n =
                ready < 0 ? ready
                          : snd_pcm_writei(handle, pcm.data() + (offset + written) * frameBytes,
                                           snd_pcm_uframes_t(std::min(piece, total - written)));
            if (n == -EAGAIN || n == 0)
                continue;
            if (n < 0) {
                if (snd_pcm_recover(handle, int(n), 1) < 0)
                    return false;
                continue;
            }
            written += uint64_t(n);
            Note(HeardOf(handle, written), written);
        }
        return true;
    }

    // Waits for the last samples written to be heard.
    void Drain(snd_pcm_t* handle, uint64_t written)
    {
        while (!stop) {
            const uint64_t played = HeardOf(handle, written);
            Note(played, written);
            if (played >= written || snd_pcm_state(handle) != SND_PCM_STATE_RUNNING)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Note(written, written);
    }

    void Run(snd_pcm_t* handle)
    {
        const uint64_t total = frames - offset;
        uint64_t written = 0;
        if (Feed(handle, total, written))
            Drain(handle, written);
        else
            Note(LastHeard().frames, total);   // the device is gone: keep time by the clock
        snd_pcm_drop(handle);
        snd_pcm_close(handle);
    }

    void Halt()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
        stop = false;
    }
};

SoundPlayer::SoundPlayer(std::string device) : m_impl(std::make_unique<Impl>())
{
    m_impl->device = std::move(device);
}

SoundPlayer::~SoundPlayer() { Stop(); }

bool SoundPlayer::SetSound(const PcmFormat& format, std::vector<uint8_t> pcm)
{
    Stop();
    Impl& d = *m_impl;
    d.stoppedAt = 0;
    if (!PcmFormatUsable(format) || format.samplesPerSec == 0) {
        d.pcm.clear();
        d.frames = 0;
        return false;
    }
    d.format = format;
    d.frames = pcm.size() / BytesPerFrame(format);
    pcm.resize(d.frames * BytesPerFrame(format));
    d.pcm = std::move(pcm);
    return true;
}

const PcmFormat& SoundPlayer::Format() const { return m_impl->format; }
uint64_t SoundPlayer::Length() const { return m_impl->frames; }

bool SoundPlayer::Start(uint64_t offset)
{
    Stop();
    Impl& d = *m_impl;
    if (d.frames == 0)
        return false;
    d.offset = std::min(offset, d.frames);
    d.startTick = GetTickCount();
    d.Note(0, 0);
    snd_pcm_t* handle = d.offset < d.frames ? d.OpenDevice() : nullptr;
    d.audible = handle != nullptr;
    d.running = true;
    if (handle)
        d.thread = std::thread([&d, handle] { d.Run(handle); });
    return true;
}

void SoundPlayer::Stop()
{
    Impl& d = *m_impl;
    if (!d.running)
        return;
    d.stoppedAt = Position();
    d.Halt();
    d.running = false;
    d.audible = false;
}

bool SoundPlayer::IsPlaying() const { return m_impl->running && Position() < m_impl->frames; }
bool SoundPlayer::IsAudible() const { return m_impl->running && m_impl->audible; }

uint64_t SoundPlayer::Position() const
{
    const Impl& d = *m_impl;
    return d.running ? d.offset + d.Played() : d.stoppedAt;
}

}  // namespace audio
