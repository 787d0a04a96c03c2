// Sound sources for recording: the first ALSA capture device, or a generated
// tone when the machine has none. Samples arrive on the source's own thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace audio {

struct PcmFormat {
    uint16_t channels = 1;
    uint32_t samplesPerSec = 11025;
    uint16_t bitsPerSample = 8;   // 8 (unsigned) or 16 (signed little-endian)
};

class AudioSource {
public:
    using Sink = std::function<void(const void* samples, size_t bytes)>;
    virtual ~AudioSource() = default;
    virtual std::string Name() const = 0;
    // Starts delivering samples in `format` to `sink` until Stop; false when the device fails.
    virtual bool Start(const PcmFormat& format, Sink sink) = 0;
    virtual void Stop() = 0;
    // Those of `candidates` that Start would take, in the same order. This
    // default keeps every format the sources can deliver at all.
    virtual std::vector<PcmFormat> Accepted(const std::vector<PcmFormat>& candidates);
};

// The ALSA default capture device when one opens, else the tone source.
std::unique_ptr<AudioSource> OpenDefaultSource();
// An ALSA capture device by name ("default", "hw:1", "null"); Start fails when it does not open.
std::unique_ptr<AudioSource> MakeAlsaSource(const std::string& device);
// A steady 440 Hz tone at the requested format, paced by the real clock.
std::unique_ptr<AudioSource> MakeToneSource();

}  // namespace audio
