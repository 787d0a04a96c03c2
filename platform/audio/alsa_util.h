// Small pieces shared by the ALSA capture source and wave playback.
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>

namespace audio {

// ALSA prints its own complaints on stderr; a missing device is an ordinary case here.
void QuietAlsaErrors();
snd_pcm_format_t AlsaFormat(uint16_t bitsPerSample);

}  // namespace audio
