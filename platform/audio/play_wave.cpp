#include "audio/alsa_util.h"
#include "audio/wave_file.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace audio {

namespace {

// Click sounds are short; anything this large is not one of ours.
constexpr std::streamoff kMaxWaveBytes = 64 << 20;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxWaveBytes)
        return false;
    bytes.resize(size_t(size));
    in.seekg(0);
    return bool(in.read(reinterpret_cast<char*>(bytes.data()), size));
}

bool Play(snd_pcm_t* pcm, const uint8_t* samples, size_t frames, size_t frameBytes)
{
    while (frames > 0) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples, frames);
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

}  // namespace

bool PlayWave(const std::string& path)
{
    std::vector<uint8_t> file;
    WaveInfo info;
    if (!ReadWholeFile(path, file) || ParseWave(file.data(), file.size(), info) != kWaveOk)
        return false;
    QuietAlsaErrors();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return false;
    bool ok = snd_pcm_set_params(pcm, AlsaFormat(info.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED, info.channels,
                                 info.samplesPerSec, 1, 100000) >= 0;
    const size_t frameBytes = size_t(info.channels) * (info.bitsPerSample / 8u);
    if (ok)
        ok = Play(pcm, file.data() + info.dataOffset, info.dataBytes / frameBytes, frameBytes);
    snd_pcm_close(pcm);
    return ok;
}

}  // namespace audio
