// The compressor's calls. The handle collects the rows top first, then packs
// them or codes them as JPEG at JgEDoCompress.
#include "jgew32.h"
#include "container.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#define JGE_EXPORT __attribute__((visibility("default")))

struct JgEEncoder {
    art::Header header;
    std::vector<uint8_t> palette;   // 4 bytes an entry
    std::vector<uint8_t> pixels;    // top row first, rows RowBytes apart
    std::vector<bool> received;
    size_t rowsReceived = 0;
    int encodeType = 0;
    int finalQuality = 8;
    bool compressed = false;
    std::vector<uint8_t> stream;
};

namespace {

size_t RowBytes(const JgEEncoder& e) { return art::RowBytes(e.header.width, e.header.bitsPerPixel); }

std::string Lower(const char* text)
{
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool ParseSmallNumber(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return false;
    value = std::stoi(text);
    return true;
}

int Compress(JgEEncoder& e)
{
    art::Header& h = e.header;
    std::vector<uint8_t> payload;
    if (e.encodeType == 0 && h.bitsPerPixel == 24) {
        h.method = art::kMethodJpeg;
        h.quality = uint8_t(e.finalQuality * 10);
        if (!art::EncodeJpeg(e.pixels.data(), RowBytes(e), h.width, h.height, h.quality, payload))
            return JGE_ERR_CODEC;
    } else {
        h.method = art::kMethodPacked;
        h.quality = 0;
        for (size_t y = 0; y < h.height; ++y)
            art::PackRow(e.pixels.data() + y * RowBytes(e), RowBytes(e), payload);
    }
    if (payload.size() > UINT32_MAX / 2)
        return JGE_ERR_MEMORY;
    h.payloadLength = uint32_t(payload.size());
    e.stream.clear();
    art::WriteHeader(h, e.stream);
    e.stream.insert(e.stream.end(), e.palette.begin(), e.palette.end());
    e.stream.insert(e.stream.end(), payload.begin(), payload.end());
    e.compressed = true;
    return JGE_OK;
}

} // namespace

extern "C" {

JGE_EXPORT int JgEInit(JGE_HANDLE* handle, const JGE_IMAGE* image)
{
    if (!handle)
        return JGE_ERR_ARGUMENT;
    *handle = nullptr;
    if (!image || image->width == 0 || image->height == 0 || !art::ValidDepth(image->bitsPerPixel))
        return JGE_ERR_ARGUMENT;
    if (image->bitsPerPixel != 24 && !image->palette)
        return JGE_ERR_ARGUMENT;
    auto* e = new (std::nothrow) JgEEncoder;
    if (!e)
        return JGE_ERR_MEMORY;
    e->header.width = image->width;
    e->header.height = image->height;
    e->header.bitsPerPixel = image->bitsPerPixel;
    try {
        if (image->bitsPerPixel != 24) {
            e->header.paletteEntries = uint16_t(1u << std::min<int>(image->bitsPerPixel, 8));
            e->palette.assign(image->palette, image->palette + size_t(e->header.paletteEntries) * 4);
        }
        e->pixels.assign(RowBytes(*e) * image->height, 0);
        e->received.assign(image->height, false);
    } catch (const std::bad_alloc&) {
        delete e;
        return JGE_ERR_MEMORY;
    }
    *handle = e;
    return JGE_OK;
}

JGE_EXPORT int JgESet(JGE_HANDLE handle, const char* setting)
{
    if (!handle || !setting)
        return JGE_ERR_ARGUMENT;
    std::string text = Lower(setting);
    size_t equals = text.find('=');
    if (equals == std::string::npos)
        return JGE_ERR_SETTING;
    std::string name = text.substr(0, equals), value = text.substr(equals + 1);
    int number = 0;
    if (name == "encodetype" && ParseSmallNumber(value, number) && number <= 1) {
        handle->encodeType = number;
    } else if (name == "finalquality" && ParseSmallNumber(value, number) && number >= 1 && number <= 10) {
        handle->finalQuality = number;
    } else if (name == "preview" && (value == "fast" || value == "none")) {
        handle->header.preview = value == "fast";
    } else {
        return JGE_ERR_SETTING;
    }
    handle->compressed = false;
    return JGE_OK;
}

JGE_EXPORT int JgEInputImage(JGE_HANDLE handle, const uint8_t* rows, int16_t stride, int16_t rowNumber,
                             int16_t rowCount)
{
    if (!handle || !rows || stride == 0 || rowCount <= 0)
        return JGE_ERR_ARGUMENT;
    if (rowNumber < 0 || int(rowNumber) + rowCount > handle->header.height)
        return JGE_ERR_ROW;
    size_t bytes = RowBytes(*handle);
    for (int k = 0; k < rowCount; ++k) {
        const uint8_t* row = stride > 0 ? rows + ptrdiff_t(k) * stride : rows + ptrdiff_t(k + 1) * stride;
        size_t y = size_t(rowNumber) + size_t(k);
        std::memcpy(handle->pixels.data() + y * bytes, row, bytes);
        if (!handle->received[y]) {
            handle->received[y] = true;
            ++handle->rowsReceived;
        }
    }
    handle->compressed = false;
    return JGE_OK;
}

JGE_EXPORT int JgEDoCompress(JGE_HANDLE handle, int32_t* length)
{
    if (!handle || !length)
        return JGE_ERR_ARGUMENT;
    *length = 0;
    if (handle->rowsReceived != handle->header.height)
        return JGE_ERR_STATE;
    int result = JGE_OK;
    try {
        result = Compress(*handle);
    } catch (const std::bad_alloc&) {
        result = JGE_ERR_MEMORY;
    }
    if (result != JGE_OK)
        return result;
    if (handle->stream.size() > size_t(INT32_MAX))
        return JGE_ERR_MEMORY;
    *length = int32_t(handle->stream.size());
    return JGE_OK;
}

JGE_EXPORT int JgEGetARTStream(JGE_HANDLE handle, void* block, int32_t length)
{
    if (!handle || !block)
        return JGE_ERR_ARGUMENT;
    if (!handle->compressed)
        return JGE_ERR_STATE;
    if (length < 0 || size_t(length) < handle->stream.size())
        return JGE_ERR_LENGTH;
    std::memcpy(block, handle->stream.data(), handle->stream.size());
    return JGE_OK;
}

JGE_EXPORT int JgEFreeHandle(JGE_HANDLE handle)
{
    delete handle;
    return JGE_OK;
}

JGE_EXPORT const char* JgEErrorText(int result)
{
    switch (result) {
    case JGE_OK: return "no error";
    case JGE_ERR_ARGUMENT: return "invalid argument";
    case JGE_ERR_MEMORY: return "out of memory";
    case JGE_ERR_SETTING: return "unknown setting";
    case JGE_ERR_ROW: return "row outside the picture";
    case JGE_ERR_STATE: return "rows missing or not compressed yet";
    case JGE_ERR_LENGTH: return "block too short";
    case JGE_ERR_CODEC: return "JPEG coding failed";
    case JGE_ERR_FORMAT: return "not a valid ART stream";
    default: return "unknown error";
    }
}

} // extern "C"
