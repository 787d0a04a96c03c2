// Sound held in memory, played from any offset on an ALSA output: the sound
// track of a movie being played back. Without an output that opens, the player
// goes on silently and keeps time by the framework clock, so the picture that
// follows it never waits for a sound card.
#pragma once

#include "audio/audio_source.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio {

class SoundPlayer {
public:
    explicit SoundPlayer(std::string device = "default");
    ~SoundPlayer();   // stops the sound and ends the player's thread
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // The sound to play from now on, whole sample frames of `format` (a
    // trailing part frame is dropped); stops what was playing. False, keeping
    // no sound, for a format the outputs cannot take.
    bool SetSound(const PcmFormat& format, std::vector<uint8_t> pcm);
    const PcmFormat& Format() const;
    uint64_t Length() const;   // sample frames

    // Plays from sample frame `offset` (clamped to the length) without waiting:
    // the device is opened without blocking and fed by the player's own thread.
    // False only without a sound; a missing or busy device plays silently.
    bool Start(uint64_t offset);
    void Stop();
    // True from Start until Stop or until the last sample has been heard.
    bool IsPlaying() const;
    // True while the sound really goes to a device.
    bool IsAudible() const;
    // Sample frames from the start of the sound to the one being heard now:
    // what the device has played (written less its delay), or the framework
    // clock's time since Start when silent. Stays where Stop left it.
    uint64_t Position() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace audio
