// The sound format record the programs hand to the capture window, and the one
// rule for which of them a recording takes.
#pragma once

#include "audio/audio_source.h"
#include "types/wintypes.h"

struct WAVEFORMATEX {
    WORD wFormatTag;   // 1: PCM, the only format recorded
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
constexpr WORD WAVE_FORMAT_PCM = 1;

namespace audio {

// PCM, mono or stereo, 8 or 16 bits, 4000..96000 samples a second: what the
// recording's sound track and the movie writer handle.
bool WaveFormatRecordable(const WAVEFORMATEX& format);
// A PCM record with the block size and data rate filled in.
WAVEFORMATEX PcmWaveFormat(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels);
inline PcmFormat ToPcmFormat(const WAVEFORMATEX& w) { return PcmFormat{w.nChannels, w.nSamplesPerSec, w.wBitsPerSample}; }

}  // namespace audio
