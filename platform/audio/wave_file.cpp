#include "audio/wave_file.h"

#include <cstring>

namespace audio {

namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

constexpr uint16_t kWavePcm = 1;
constexpr size_t kRiffHeader = 12;
constexpr size_t kChunkHeader = 8;
constexpr size_t kFmtMinimum = 16;

int ReadFormat(const uint8_t* chunk, size_t size, WaveInfo& info)
{
    if (size < kFmtMinimum)
        return kWaveNoFormat;
    const uint16_t tag = Le16(chunk);
    info.channels = Le16(chunk + 2);
    info.samplesPerSec = Le32(chunk + 4);
    const uint16_t blockAlign = Le16(chunk + 12);
    info.bitsPerSample = Le16(chunk + 14);
    if (tag != kWavePcm || (info.bitsPerSample != 8 && info.bitsPerSample != 16) || info.channels < 1 ||
        info.channels > 8 || info.samplesPerSec < 1000 || info.samplesPerSec > 384000 ||
        blockAlign != info.channels * info.bitsPerSample / 8)
        return kWaveUnsupported;
    return kWaveOk;
}

}  // namespace

const char* WaveErrorText(int code)
{
    switch (code) {
    case kWaveOk: return "no error";
    case kWaveNotRiff: return "not a RIFF WAVE file";
    case kWaveTruncated: return "the wave file is cut short";
    case kWaveNoFormat: return "the wave file has no format";
    case kWaveUnsupported: return "the wave file is not 8- or 16-bit PCM";
    case kWaveNoData: return "the wave file has no sound data";
    case kWaveCannotRead: return "the wave file cannot be read";
    default: return "unknown wave error";
    }
}

int ParseWave(const uint8_t* data, size_t size, WaveInfo& info)
{
    info = WaveInfo{};
    if (!data || size < kRiffHeader || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return kWaveNotRiff;
    // The RIFF size may only shorten what we look at, never lengthen it.
    const uint64_t riffEnd = uint64_t(Le32(data + 4)) + 8;
    const size_t end = riffEnd < size ? size_t(riffEnd) : size;
    if (end < kRiffHeader)
        return kWaveNoFormat;   // a RIFF size too small even for "WAVE"
    bool haveFormat = false;
    size_t pos = kRiffHeader;
    while (pos <= end && end - pos >= kChunkHeader) {
        const uint8_t* chunk = data + pos;
        const uint32_t chunkSize = Le32(chunk + 4);
        const size_t body = pos + kChunkHeader;
        if (chunkSize > end - body)
            return kWaveTruncated;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (int rc = ReadFormat(data + body, chunkSize, info); rc != kWaveOk)
                return rc;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return kWaveNoFormat;
            const size_t frameBytes = size_t(info.channels) * (info.bitsPerSample / 8u);
            info.dataOffset = body;
            info.dataBytes = chunkSize - chunkSize % frameBytes;
            return kWaveOk;
        }
        // Chunks start on even offsets.
        const size_t next = body + chunkSize + (chunkSize & 1u);
        if (next > end)
            break;
        pos = next;
    }
    return haveFormat ? kWaveNoData : kWaveNoFormat;
}

}  // namespace audio
