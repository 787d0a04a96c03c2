#include "jpeg.h"
#include "jpegbmp.h"
#include "readfile.h"
#include "types/SafeFile.h"

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

// The library's standard error manager ends the process on a fatal error;
// here a fatal error ends only the conversion.
struct ConversionErrors {
    jpeg_error_mgr manager;
    jmp_buf back;
};

void LeaveConversion(j_common_ptr info)
{
    longjmp(reinterpret_cast<ConversionErrors*>(info->err)->back, 1);
}

void Silent(j_common_ptr) {}

// Runs the compression from the checked picture into `out`; false when the
// library or the reader gave up.
bool Compress(const std::string& file, FILE* out)
{
    jpeg_compress_struct info {};
    ConversionErrors errors {};
    BmpInput picture;
    std::vector<uint8_t> row;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = LeaveConversion;
    errors.manager.output_message = Silent;
    errors.manager.addon_message_table = BmpInputMessages();
    errors.manager.first_addon_message = kBmpFirstMessage;
    errors.manager.last_addon_message = kBmpLastMessage;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    // A first guess that the reader's findings replace.
    info.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&info);

    if (int message = ReadBmpInput(reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture)) {
        errors.manager.msg_code = message;
        errors.manager.error_exit(reinterpret_cast<j_common_ptr>(&info));
    }
    info.in_color_space = JCS_RGB;
    info.input_components = 3;
    info.image_width = picture.width;
    info.image_height = picture.height;
    jpeg_default_colorspace(&info);
    errors.manager.trace_level = 0;
    jpeg_set_colorspace(&info, JCS_YCbCr);
    jpeg_set_quality(&info, 75, FALSE);
    jpeg_stdio_dest(&info, out);
    jpeg_start_compress(&info, TRUE);
    row.resize(size_t(picture.width) * 3);
    while (info.next_scanline < info.image_height) {
        BmpInputRowRgb(picture, info.next_scanline, row.data());
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

int SaveJPEG(const char* bmpPath, const char* jpegPath)
{
    std::string file;
    if (!jpegPath || !ReadPictureFile(bmpPath, file))
        return 0;
    return velmora::WriteStreamAtomically(jpegPath, [&file](FILE* out) { return Compress(file, out); }) ? 1 : 0;
}
