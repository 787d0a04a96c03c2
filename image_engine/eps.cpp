// Encapsulated PostScript in: the TIFF preview of a binary EPS file. Its
// 32-byte header names where the preview lies; the TIFF reader reads it there.
#include "codec_util.h"

namespace vantor {

namespace {
constexpr uint32_t kEpsSignature = 0xC6D3D0C5u;
constexpr int kHeaderBytes = 32;
constexpr int kTiffOffsetAt = 20, kTiffLengthAt = 24;
}   // namespace

int ReadEps(ReadJob& job)
{
    const uint64_t base = StartOffset(job.start);   // page requests are ignored
    uint8_t h[kHeaderBytes];
    if (!job.in.Seek(base) || !job.in.ReadExact(h, sizeof h) || Le32(h) != kEpsSignature)
        return IMG_ERR_CONTENT;
    const uint32_t offset = Le32(h + kTiffOffsetAt), length = Le32(h + kTiffLengthAt);
    // A file without a preview names none; reading its header as a TIFF would be wrong.
    if (offset < kHeaderBytes || length < 8 || base + offset > UINT32_MAX)
        return IMG_ERR_CONTENT;
    ReadJob tiff{job.in, uint32_t(base + offset), job.line, job.user, job.header, base + offset + length};
    return ReadTiff(tiff);
}

}   // namespace vantor
