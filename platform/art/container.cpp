#include "container.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csetjmp>

#include <jpeglib.h>

namespace art {

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, uint16_t(v));
    Put16(out, uint16_t(v >> 16));
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (uint32_t(Get16(p + 2)) << 16); }

// libjpeg reports fatal errors through error_exit; it must not return.
struct JumpingErrors {
    jpeg_error_mgr manager;
    jmp_buf back;
};
void JumpBack(j_common_ptr info)
{
    longjmp(reinterpret_cast<JumpingErrors*>(info->err)->back, 1);
}
void Quiet(j_common_ptr, int) {}

} // namespace

void WriteHeader(const Header& h, std::vector<uint8_t>& out)
{
    out.insert(out.end(), kMagic, kMagic + 4);
    out.push_back(kVersion);
    out.push_back(h.method);
    out.push_back(h.quality);
    out.push_back(h.preview);
    Put16(out, h.width);
    Put16(out, h.height);
    Put16(out, h.bitsPerPixel);
    Put16(out, h.paletteEntries);
    Put32(out, h.payloadLength);
}

bool ReadHeader(const uint8_t* data, size_t length, Header& h)
{
    if (!data || length < kHeaderSize || std::memcmp(data, kMagic, 4) != 0 || data[4] != kVersion)
        return false;
    h.method = data[5];
    h.quality = data[6];
    h.preview = data[7];
    h.width = Get16(data + 8);
    h.height = Get16(data + 10);
    h.bitsPerPixel = Get16(data + 12);
    h.paletteEntries = Get16(data + 14);
    h.payloadLength = Get32(data + 16);
    if (h.width == 0 || h.height == 0 || !ValidDepth(h.bitsPerPixel))
        return false;
    if (h.method != kMethodPacked && !(h.method == kMethodJpeg && h.bitsPerPixel == 24))
        return false;
    if (h.paletteEntries > 256 || (h.bitsPerPixel == 24 && h.paletteEntries != 0))
        return false;
    size_t rest = length - kHeaderSize;
    if (size_t(h.paletteEntries) * 4 > rest || h.payloadLength > rest - size_t(h.paletteEntries) * 4)
        return false;
    return true;
}

void PackRow(const uint8_t* row, size_t length, std::vector<uint8_t>& out)
{
    size_t i = 0;
    while (i < length) {
        size_t run = 1;
        while (i + run < length && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(257 - run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        size_t literal = 1;
        while (i + literal < length && literal < 128 &&
               !(i + literal + 1 < length && row[i + literal] == row[i + literal + 1]))
            ++literal;
        out.push_back(uint8_t(literal - 1));
        out.insert(out.end(), row + i, row + i + literal);
        i += literal;
    }
}

bool UnpackRow(const uint8_t* data, size_t size, size_t* at, uint8_t* row, size_t length)
{
    size_t filled = 0;
    size_t p = *at;
    while (filled < length) {
        if (p >= size)
            return false;
        uint8_t code = data[p++];
        if (code < 128) {
            size_t count = size_t(code) + 1;
            if (count > length - filled || count > size - p)
                return false;
            std::memcpy(row + filled, data + p, count);
            p += count;
            filled += count;
        } else if (code > 128) {
            size_t count = 257 - size_t(code);
            if (count > length - filled || p >= size)
                return false;
            std::memset(row + filled, data[p++], count);
            filled += count;
        }
    }
    *at = p;
    return true;
}

bool EncodeJpeg(const uint8_t* rows, size_t stride, uint16_t width, uint16_t height, int quality,
                std::vector<uint8_t>& out)
{
    jpeg_compress_struct info {};
    JumpingErrors errors {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> rgb(size_t(width) * 3);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpBack;
    errors.manager.emit_message = Quiet;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const uint8_t* bgr = rows + size_t(info.next_scanline) * stride;
        for (size_t x = 0; x < width; ++x) {
            rgb[x * 3] = bgr[x * 3 + 2];
            rgb[x * 3 + 1] = bgr[x * 3 + 1];
            rgb[x * 3 + 2] = bgr[x * 3];
        }
        JSAMPROW line = rgb.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    out.insert(out.end(), buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, uint16_t width, uint16_t height, uint8_t* rows, ptrdiff_t stride)
{
    jpeg_decompress_struct info {};
    JumpingErrors errors {};
    std::vector<uint8_t> rgb(size_t(width) * 3);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpBack;
    errors.manager.emit_message = Quiet;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    if (info.image_width != width || info.image_height != height || info.num_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        uint8_t* bgr = rows + ptrdiff_t(info.output_scanline) * stride;
        JSAMPROW line = rgb.data();
        jpeg_read_scanlines(&info, &line, 1);
        for (size_t x = 0; x < width; ++x) {
            bgr[x * 3] = rgb[x * 3 + 2];
            bgr[x * 3 + 1] = rgb[x * 3 + 1];
            bgr[x * 3 + 2] = rgb[x * 3];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace art
