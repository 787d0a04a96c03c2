#include "audio/alsa_util.h"
#include "audio/wave_file.h"
#include "types/SafeFile.h"

#include <atomic>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

namespace audio {

namespace {

// Click sounds are short; anything this large is not one of ours.
constexpr size_t kMaxWaveBytes = size_t(64) << 20;

// A wave file read, checked and bound to an open output.
struct Sound {
    std::string file;
    WaveInfo info;
    snd_pcm_t* pcm = nullptr;

    Sound() = default;
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
    ~Sound()
    {
        if (pcm)
            snd_pcm_close(pcm);
    }

    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(file.data()); }

    bool Load(const std::string& path, const std::string& device)
    {
        // Only a regular file: a FIFO under a sound's name must not stop the program.
        if (!velmora::ReadRegularFile(path, file, kMaxWaveBytes) ||
            ParseWave(Bytes(), file.size(), info) != kWaveOk)
            return false;
        QuietAlsaErrors();
        if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) {
            pcm = nullptr;
            return false;
        }
        return snd_pcm_set_params(pcm, AlsaFormat(info.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED, info.channels,
                                  info.samplesPerSec, 1, 100000) >= 0;
    }

    // Writes the samples in short pieces so that `stop` cuts the sound off promptly.
    bool Play(const std::atomic<bool>* stop)
    {
        const size_t frameBytes = size_t(info.channels) * (info.bitsPerSample / 8u);
        const snd_pcm_uframes_t piece = info.samplesPerSec / 20;
        const uint8_t* samples = Bytes() + info.dataOffset;
        size_t frames = info.dataBytes / frameBytes;
        while (frames > 0) {
            if (stop && *stop) {
                snd_pcm_drop(pcm);
                return true;
            }
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples, std::min<size_t>(frames, piece));
            if (n < 0) {
                if (snd_pcm_recover(pcm, int(n), 1) < 0)
                    return false;
                continue;
            }
            samples += size_t(n) * frameBytes;
            frames -= size_t(n);
        }
        return snd_pcm_drain(pcm) >= 0;
    }
};

}  // namespace

bool PlayWave(const std::string& path, const std::string& device)
{
    Sound sound;
    return sound.Load(path, device) && sound.Play(nullptr);
}

struct WavePlayer::Impl {
    std::string device;
    std::mutex lock;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> playing{false};

    void StopLocked()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
        stop = false;
    }
};

WavePlayer::WavePlayer(std::string device) : m_impl(std::make_unique<Impl>())
{
    m_impl->device = std::move(device);
}

WavePlayer::~WavePlayer()
{
    Stop();
}

bool WavePlayer::Play(const std::string& path)
{
    std::lock_guard guard(m_impl->lock);
    // The sound still playing lets go of the output before the new one opens it:
    // a device without mixing takes one sound at a time.
    m_impl->StopLocked();
    auto sound = std::make_shared<Sound>();
    if (!sound->Load(path, m_impl->device))
        return false;
    m_impl->playing = true;
    Impl* impl = m_impl.get();
    m_impl->thread = std::thread([impl, sound] {
        sound->Play(&impl->stop);
        impl->playing = false;
    });
    return true;
}

void WavePlayer::Stop()
{
    std::lock_guard guard(m_impl->lock);
    m_impl->StopLocked();
}

bool WavePlayer::IsPlaying() const
{
    return m_impl->playing;
}

}  // namespace audio
