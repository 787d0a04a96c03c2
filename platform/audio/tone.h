// The generated tone of machines without a sound input.
#pragma once

#include "audio/audio_source.h"

#include <cstdint>
#include <vector>

namespace audio {

constexpr double kToneHz = 440.0;

// True for the PCM formats the sources deliver: 1..8 channels, 8 or 16 bits.
bool PcmFormatUsable(const PcmFormat& format);
inline uint32_t BytesPerFrame(const PcmFormat& f) { return f.channels * (f.bitsPerSample / 8u); }

// Appends `frames` sample frames of the tone, starting at sample frame `first`,
// so that consecutive blocks join without a click.
void AppendTone(const PcmFormat& format, uint64_t first, uint32_t frames, std::vector<uint8_t>& out);

}  // namespace audio
