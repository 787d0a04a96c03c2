// Motion-JPEG and JPEG camera frames through libjpeg. libjpeg reports fatal
// errors by calling back and never returning, so the decoding function jumps
// out of it; nothing with a destructor lives in that function.
#include "capture/v4l2_frame.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace capture {

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;   // first, so libjpeg's pointer to it is a pointer to this
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool corrupt;             // a warning that the picture's data is damaged
};

[[noreturn]] void OnFatal(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// libjpeg goes on past damaged data and fills the rest grey; a camera frame
// like that is a failed grab. Stray bytes before a marker are common from
// cameras and harmless.
void OnMessage(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (level >= 0 || info->err->msg_code == JWRN_EXTRANEOUS_DATA || errors->corrupt)
        return;
    errors->corrupt = true;
    (*info->err->format_message)(info, errors->message);
}

// Grey pictures come as one byte a pixel at the start of each row; spread
// them to three from the end backwards so nothing is overwritten early.
void SpreadGrey(BYTE* row, uint32_t width)
{
    for (uint32_t x = width; x-- > 0;)
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = row[x];
}

void SwapRedBlue(BYTE* row, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x)
        std::swap(row[3 * x], row[3 * x + 2]);
}

enum class Outcome { Decoded, Fatal, Corrupt, OtherSize, Progressive };

// Decodes into `frame`; on anything but Decoded, `errors.message` or the
// header's size says why.
Outcome Decode(const BYTE* data, size_t size, uint32_t width, uint32_t height, Frame& frame, JpegErrors& errors,
               JDIMENSION& gotWidth, JDIMENSION& gotHeight)
{
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnFatal;
    errors.manager.emit_message = OnMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return Outcome::Fatal;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    gotWidth = info.image_width;
    gotHeight = info.image_height;
    // Cameras never send progressive pictures; they would need the whole
    // picture's coefficients held at once.
    const Outcome refused = info.image_width != width || info.image_height != height ? Outcome::OtherSize
                            : info.progressive_mode                                  ? Outcome::Progressive
                                                                                     : Outcome::Decoded;
    if (refused != Outcome::Decoded) {
        jpeg_destroy_decompress(&info);
        return refused;
    }
    info.out_color_space = info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 1 && info.output_components != 3)
        ERREXIT(&info, JERR_BAD_J_COLORSPACE);
    StartFrame(width, height, frame);
    const uint32_t stride = DibStride(LONG(width), 24);
    while (info.output_scanline < height) {
        BYTE* row = frame.bits.data() + size_t(stride) * (height - 1 - info.output_scanline);
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&info, rows, 1);
        if (info.output_components == 1)
            SpreadGrey(row, width);
        else
            SwapRedBlue(row, width);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return errors.corrupt ? Outcome::Corrupt : Outcome::Decoded;
}

std::string SizeText(JDIMENSION width, JDIMENSION height) { return std::to_string(width) + " x " + std::to_string(height); }

}  // namespace

bool JpegFrameToDib(const BYTE* data, size_t size, uint32_t width, uint32_t height, Frame& frame, std::string& error)
{
    // A JPEG starts with its start-of-image marker; without one it is not worth decoding.
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        error = "a JPEG frame of " + std::to_string(size) + " bytes without a start of picture";
        return false;
    }
    JpegErrors errors{};
    JDIMENSION gotWidth = 0, gotHeight = 0;
    switch (Decode(data, size, width, height, frame, errors, gotWidth, gotHeight)) {
    case Outcome::Decoded:
        return true;
    case Outcome::Fatal:
    case Outcome::Corrupt:
        error = std::string("a damaged JPEG frame (") + errors.message + ")";
        return false;
    case Outcome::OtherSize:
        error = "a JPEG frame of " + SizeText(gotWidth, gotHeight) + " where " + SizeText(width, height) + " was set";
        return false;
    case Outcome::Progressive:
        error = "a progressive JPEG frame, which cameras do not send";
        return false;
    }
    return false;
}

}  // namespace capture
