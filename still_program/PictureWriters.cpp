// The format writers behind every picture save of the program. Each one goes
// through the suite's one atomic writer, so a full disk never leaves a
// damaged picture under the final name and an earlier file of that name
// survives until the new one is complete.
#include "PictureFiles.h"
#include "PictureIo.h"

#include "art.h"
#include "gdi/globalmem.h"
#include "CImg.h"
#include "jpeg.h"
#include "types/SafeFile.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

bool SaveTiff(const char* source, const char* target)
{
    CImg picture;
    if (picture.Load(CString(source)) != IMG_ERR_NONE)
        return false;
    // The engine writes by name: into a private draft (a fresh name of our
    // own, never one someone could plant), which then becomes the picture
    // through the same complete-or-nothing copy as every other format.
    const SplitPath parts = SplitPicturePath(target);
    std::string temporary = (parts.folder + "." + parts.name + "XXXXXX.tif").str();
    int fd = mkstemps(temporary.data(), 4);
    if (fd < 0)
        return false;
    close(fd);
    bool ok = picture.Save(CString(temporary), IMG_FORMAT_TIFF) == IMG_ERR_NONE &&
              velmora::CopyFileAtomically(temporary, target);
    unlink(temporary.c_str());
    return ok;
}

bool SaveArt(const char* source, const char* target)
{
    DWORD size = 0;
    HGLOBAL block = EncodeArt(source, &size, TRUE);
    if (!block)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    bool ok = velmora::WriteStreamAtomically(target, [bytes, size](FILE* out) {
        return std::fwrite(bytes, 1, size, out) == size;
    });
    GlobalUnlock(block);
    GlobalFree(block);
    return ok;
}

} // namespace

PictureWrite WritePictureAs(const char* source, const char* target, BOOL sixteenGray)
{
    if (!source || !target || !*target)
        return PictureWrite::Failed;
    CString extension = PathExtensionLower(target);
    // The JPEG writer takes colour pictures only; the refusal comes before
    // anything on disk is touched.
    if (extension == ".jpg" && sixteenGray)
        return PictureWrite::SixteenGrayJpeg;
    if (!TargetReplaceable(target))
        return PictureWrite::Failed;
    bool ok = false;
    if (extension == ".jpg")
        ok = ConvertBmpToJpeg(source, target);
    else if (extension == ".tif")
        ok = SaveTiff(source, target);
    else if (extension == ".art")
        ok = SaveArt(source, target);
    else
        ok = CopyFileInPlace(source, target);
    return ok ? PictureWrite::Written : PictureWrite::Failed;
}

BOOL ConvertBmpToJpeg(const char* bmpPath, const char* jpegPath)
{
    return LOWORD(SaveJPEG(bmpPath, jpegPath)) != 0;
}

HGLOBAL EncodeArt(const char* bmpPath, DWORD* size, BOOL fastPreview)
{
    std::vector<uint8_t> stream;
    if (!bmpPath || !Compress(bmpPath, stream, fastPreview ? 1 : 0) || stream.empty())
        return nullptr;
    if (size)
        *size = DWORD(stream.size());
    return GlobalAdopt(std::move(stream));
}

HGLOBAL ReadBmpFile(const char* path)
{
    std::vector<uint8_t> packed;
    if (!path || !ReadBMP(path, packed))
        return nullptr;
    return GlobalAdopt(std::move(packed));
}
