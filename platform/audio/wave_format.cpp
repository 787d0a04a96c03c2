#include "audio/wave_format.h"

namespace audio {

bool WaveFormatRecordable(const WAVEFORMATEX& w)
{
    return w.wFormatTag == WAVE_FORMAT_PCM && w.nChannels >= 1 && w.nChannels <= 2 &&
           (w.wBitsPerSample == 8 || w.wBitsPerSample == 16) && w.nSamplesPerSec >= 4000 &&
           w.nSamplesPerSec <= 96000;
}

WAVEFORMATEX PcmWaveFormat(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels)
{
    WAVEFORMATEX w{};
    w.wFormatTag = WAVE_FORMAT_PCM;
    w.nChannels = channels;
    w.nSamplesPerSec = samplesPerSec;
    w.wBitsPerSample = bitsPerSample;
    w.nBlockAlign = WORD(channels * bitsPerSample / 8);
    w.nAvgBytesPerSec = samplesPerSec * w.nBlockAlign;
    return w;
}

}  // namespace audio
