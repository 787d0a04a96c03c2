#include "writers.h"

#include "Flmsnap.h"
#include "aolmail.h"
#include "art.h"
#include "CImg.h"
#include "jpeg.h"
#include "readfile.h"
#include "types/SafeFile.h"

namespace {

bool SaveTiff(const char* bmpPath, const char* outPath)
{
    CImg picture;
    return LoadPictureFile(picture, bmpPath) == IMG_ERR_NONE && SavePictureFile(picture, outPath, IMG_TYPE_TIFF);
}

} // namespace

int FilmSavePicture(const char* bmpPath, const char* outPath, int format)
{
    if (!bmpPath || !outPath || !*outPath)
        return FALSE;
    switch (format) {
    case 0: return velmora::CopyFileAtomically(bmpPath, outPath);
    case 1: return SaveTiff(bmpPath, outPath);
    case 2: return LOWORD(SaveJPEG(bmpPath, outPath)) != 0;
    case 3: return WriteArtFile(bmpPath, outPath, 1);
    default: return FALSE;
    }
}

int FilmSaveAsDialog(CWnd* owner, const char* bmpPath, const CString& suggestedName, CString& chosenName)
{
    chosenName.Empty();
    CImgEdit edit(owner, suggestedName);
    if (!bmpPath || !edit.LoadFromFile(bmpPath))
        return FALSE;
    edit.DoFileSaveAsDialog(1);
    chosenName = edit.GetSaveFileName();
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
