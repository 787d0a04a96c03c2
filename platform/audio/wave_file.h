// RIFF WAVE files of PCM sound, as the still program's click sounds come.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace audio {

enum WaveError : int {
    kWaveOk = 0,
    kWaveNotRiff = -1,       // no "RIFF....WAVE" header
    kWaveTruncated = -2,     // a chunk runs past the end of the file
    kWaveNoFormat = -3,      // no usable "fmt " chunk
    kWaveUnsupported = -4,   // not 8- or 16-bit PCM of 1..8 channels
    kWaveNoData = -5,        // no "data" chunk
    kWaveCannotRead = -6,    // the file cannot be read, or is too large to play
};
const char* WaveErrorText(int code);

struct WaveInfo {
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint16_t bitsPerSample = 0;
    size_t dataOffset = 0;   // from the start of the buffer
    size_t dataBytes = 0;    // whole sample frames only
};

// Finds the format and the samples in a whole file held in memory.
int ParseWave(const uint8_t* data, size_t size, WaveInfo& info);

// Plays a wave file on the default ALSA output and returns when it has played;
// false, quietly, when the file is unusable or the machine has no sound output.
bool PlayWave(const std::string& path, const std::string& device = "default");

// Plays wave files without waiting, one at a time: a new sound cuts off the one
// still playing. Its owner (a program's view) keeps it for as long as sounds may play.
class WavePlayer {
public:
    explicit WavePlayer(std::string device = "default");
    ~WavePlayer();   // stops the sound and ends the player's thread
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // True when the sound has started; false, quietly, as PlayWave.
    bool Play(const std::string& path);
    void Stop();
    bool IsPlaying() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace audio
