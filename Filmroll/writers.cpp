#include "writers.h"

#include "Flmsnap.h"
#include "aolmail.h"
#include "art.h"
#include "CImg.h"
#include "jpeg.h"
#include "writefile.h"

#include <cstdio>
#include <vector>

namespace {

// The extension of the last name chosen in Save As, remembered for the
// next one as long as the library is loaded.
CString g_lastExtension;


bool SaveTiff(const char* bmpPath, const char* outPath)
{
    CImg picture;
    return picture.Load(CString(bmpPath)) == IMG_ERR_NONE && picture.Save(CString(outPath), IMG_FORMAT_TIFF) == IMG_ERR_NONE;
}

bool SaveArt(const char* bmpPath, const char* outPath)
{
    std::vector<uint8_t> stream;
    if (!Compress(bmpPath, stream, 1))
        return false;
    return WriteFileAtomically(outPath, [&stream](FILE* out) {
        return std::fwrite(stream.data(), 1, stream.size(), out) == stream.size();
    });
}

} // namespace

int FilmSavePicture(const char* bmpPath, const char* outPath, int format)
{
    if (!bmpPath || !outPath || !*outPath)
        return FALSE;
    switch (format) {
    case 0: return CopyFileAtomically(bmpPath, outPath);
    case 1: return SaveTiff(bmpPath, outPath);
    case 2: return LOWORD(SaveJPEG(bmpPath, outPath)) != 0;
    case 3: return SaveArt(bmpPath, outPath);
    default: return FALSE;
    }
}

int FilmSaveAsDialog(CWnd* owner, const char* bmpPath)
{
    CString extension = FilmSaveAsExtension();
    CImgEdit edit(owner, "Untitled" + extension);
    if (!bmpPath || !edit.LoadFromFile(bmpPath))
        return FALSE;
    edit.DoFileSaveAsDialog(1);
    g_lastExtension = PathExtension(edit.GetSaveFileName());
    g_lastExtension.MakeLower();
    return edit.Wrote();
}

int FilmSaveForMailDialog(CWnd* owner, const char* bmpPath, CString& savedPath)
{
    savedPath.Empty();
    CImgEdit edit(owner, CString());
    if (!bmpPath || !edit.LoadFromFile(bmpPath))
        return FALSE;
    if (!edit.DoFileSaveAsDialog(0) || edit.GetSaveFileName().IsEmpty())
        return FALSE;
    savedPath = edit.GetSaveFileName();
    return TRUE;
}

int FilmMailPicture(const char* path)
{
    return CAOLMail::GMovePicture(path);
}

int FilmMailAvailable()
{
    CAOLMail::GAOLMail();
    return CAOLMail::GUseAOLMail();
}

CString FilmSaveAsExtension()
{
    return g_lastExtension.IsEmpty() ? CString(".bmp") : g_lastExtension;
}

void FilmResetSaveAsExtension()
{
    g_lastExtension.Empty();
}
