#include "audio/alsa_util.h"
#include "audio/audio_source.h"
#include "audio/tone.h"

#include <atomic>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

namespace audio {

namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

constexpr const char* kDefaultDevice = "default";

class AlsaCaptureSource final : public AudioSource {
public:
    explicit AlsaCaptureSource(std::string device) : m_device(std::move(device)) {}
    ~AlsaCaptureSource() override { Stop(); }
    std::string Name() const override { return "Sound input (ALSA " + m_device + ")"; }

    bool Start(const PcmFormat& format, Sink sink) override
    {
        if (!PcmFormatUsable(format) || !sink)
            return false;
        Stop();
        QuietAlsaErrors();
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, m_device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
            return false;
        if (snd_pcm_set_params(pcm, AlsaFormat(format.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                               format.samplesPerSec, 1, 200000) < 0 ||
            snd_pcm_start(pcm) < 0) {
            snd_pcm_close(pcm);
            return false;
        }
        m_stop = false;
        m_thread = std::thread([this, pcm, format, sink = std::move(sink)] { Run(pcm, format, sink); });
        return true;
    }

    void Stop() override
    {
        m_stop = true;
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
    }

    std::vector<PcmFormat> Accepted(const std::vector<PcmFormat>& candidates) override
    {
        std::vector<PcmFormat> accepted;
        QuietAlsaErrors();
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, m_device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
            return accepted;
        snd_pcm_hw_params_t* any = nullptr;
        snd_pcm_hw_params_t* trial = nullptr;
        if (snd_pcm_hw_params_malloc(&any) == 0 && snd_pcm_hw_params_malloc(&trial) == 0 &&
            snd_pcm_hw_params_any(pcm, any) >= 0) {
            for (const PcmFormat& f : candidates) {
                snd_pcm_hw_params_copy(trial, any);
                if (PcmFormatUsable(f) && Narrows(pcm, trial, f))
                    accepted.push_back(f);
            }
        }
        snd_pcm_hw_params_free(trial);
        snd_pcm_hw_params_free(any);
        snd_pcm_close(pcm);
        return accepted;
    }

private:
    // Whether the device's space of configurations still holds `f` once every
    // part of it is fixed together (a device may take 48 kHz only in stereo).
    static bool Narrows(snd_pcm_t* pcm, snd_pcm_hw_params_t* params, const PcmFormat& f)
    {
        return snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
               snd_pcm_hw_params_set_format(pcm, params, AlsaFormat(f.bitsPerSample)) >= 0 &&
               snd_pcm_hw_params_set_channels(pcm, params, f.channels) >= 0 &&
               snd_pcm_hw_params_set_rate(pcm, params, f.samplesPerSec, 0) >= 0;
    }

    void Run(snd_pcm_t* pcm, PcmFormat format, const Sink& sink)
    {
        const uint32_t frameBytes = BytesPerFrame(format);
        const snd_pcm_uframes_t blockFrames = format.samplesPerSec / 20;
        std::vector<uint8_t> block(blockFrames * frameBytes);
        while (!m_stop) {
            // Waiting with a bound lets Stop end the thread within a tenth of a second.
            const int ready = snd_pcm_wait(pcm, 100);
            snd_pcm_sframes_t n = ready < 0 ? ready : snd_pcm_readi(pcm, block.data(), blockFrames);
            if (n == -EAGAIN)
                continue;
            if (n < 0) {
                if (snd_pcm_recover(pcm, int(n), 1) < 0)
                    break;   // the device is gone; the recording keeps what it has
                snd_pcm_start(pcm);
                continue;
            }
            if (n > 0)
                sink(block.data(), size_t(n) * frameBytes);
        }
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
    }

    std::string m_device;
    std::atomic<bool> m_stop{true};
    std::thread m_thread;
};

bool CaptureDeviceOpens()
{
    QuietAlsaErrors();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, kDefaultDevice, SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

}  // namespace

void QuietAlsaErrors()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&IgnoreAlsaError); });
}

snd_pcm_format_t AlsaFormat(uint16_t bitsPerSample)
{
    return bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

std::unique_ptr<AudioSource> OpenDefaultSource()
{
    if (CaptureDeviceOpens())
        return MakeAlsaSource(kDefaultDevice);
    return MakeToneSource();
}

std::unique_ptr<AudioSource> MakeAlsaSource(const std::string& device)
{
    return std::make_unique<AlsaCaptureSource>(device);
}

}  // namespace audio
