#include "Flmsnap.h"

#include "Mhourgla.h"
#include "art.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "jpeg.h"
#include "readfile.h"
#include "types/SafeFile.h"


namespace {

const char kBmpFirst[] = "Bitmap files|*.bmp|Jpeg files|*.jpg|TIFF files|*.tif|Art files|*.art||";
const char kJpegFirst[] = "Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif|Art files|*.art||";
const char kTiffFirst[] = "TIFF files|*.tif|Jpeg files|*.jpg|Bitmap files|*.bmp|Art files|*.art||";
const char kArtFirst[] = "Art files|*.art|Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif||";

const char* DefaultText(UINT id)
{
    switch (id) {
    case IDS_DISK_FULL:
        return "The disk is full.  You will need to make some space in save an image or send one to the Film Roll.";
    case IDS_NO_16_GRAY_JPEG:
        return "      A 16 gray picture can not be saved as a JPEG file.\n"
               "Please select another file format (BMP, TIFF or ART).";
    default:
        return "";
    }
}

// A save dialog with no owner window.
BOOL AskForName(const char* filter, const CString& defaultExt, CString& name)
{
    FileDialogRequest request;
    request.save = true;
    request.filter = filter;
    request.filterIndex = 1;
    // The dialog's default extension goes without its dot.
    request.defaultExt = defaultExt.IsEmpty() || defaultExt[0] != '.' ? defaultExt : defaultExt.Mid(1);
    request.fileName = name;
    if (!Ui().GetFileName(request))
        return FALSE;
    name = request.fileName;
    return TRUE;
}

} // namespace

bool SavePictureFile(const CImg& picture, const CString& path, uint16_t type)
{
    return picture.IsValid() && velmora::WriteFileAtomically(path.str(), [&picture, type](int fd) {
        return IMG_save_bitmap_fd(picture.GetHandle(), fd, type) >= 0;
    });
}

uint16_t EngineTypeFor(const CString& path)
{
    CString extension = PathExtension(path);
    extension.MakeLower();
    return extension == ".tif" ? uint16_t(IMG_TYPE_TIFF) : uint16_t(IMG_TYPE_BMP);
}

CString PathExtension(const CString& path)
{
    int slash = path.ReverseFind('/');
    int dot = path.ReverseFind('.');
    return dot > slash ? path.Mid(dot) : CString();
}

const char* SaveAsFilterFor(const CString& extension)
{
    if (extension == ".jpg")
        return kJpegFirst;
    if (extension == ".tif")
        return kTiffFirst;
    if (extension == ".art")
        return kArtFirst;
    return kBmpFirst;
}

int FilmMessageBox(UINT stringId, UINT type)
{
    CString text;
    if (!ProgramStrings().Lookup(stringId, text))
        ProgramStrings().Add(stringId, DefaultText(stringId));
    return AfxMessageBox(stringId, type);
}

CImgEdit::CImgEdit(CWnd* owner, const CString& suggestedName)
    : CDialog(IDD_IMGEDIT, owner), m_suggestedName(suggestedName)
{
}

CImgEdit::~CImgEdit()
{
    m_picture.Delete();
}

BOOL CImgEdit::LoadFromFile(const CString& path)
{
    MHourglass wait;
    if (LoadPictureFile(m_picture, path) != IMG_ERR_NONE)
        return FALSE;
    m_source = path;
    return TRUE;
}

BOOL CImgEdit::SetSaveAsFileName(const CString& name)
{
    m_saveAsName = name;
    return TRUE;
}

BOOL CImgEdit::DoFileSaveAsDialog(int kind)
{
    if (kind == 0)
        return AOLFileSaveas();
    OnFileSaveas();
    return TRUE;
}

void CImgEdit::OnFileSaveas()
{
    m_wrote = FALSE;
    CString name = m_suggestedName.IsEmpty() ? m_source : m_suggestedName;
    CString extension = PathExtension(name);
    CString defaultExt = extension.IsEmpty() ? CString(".bmp") : extension;
    if (!AskForName(SaveAsFilterFor(extension), defaultExt, name)) {
        m_saveAsName = name;
        return;
    }
    MHourglass wait;
    m_saveAsName = name;
    m_wrote = WriteByExtension(name);
}

BOOL CImgEdit::AOLFileSaveas()
{
    m_wrote = FALSE;
    CString name = "Untitled";
    if (!AskForName(kJpegFirst, CString(), name))
        return FALSE;
    MHourglass wait;
    // The writers replace an existing file only once the new one is complete,
    // so a failed write leaves the old file in place rather than deleting it first.
    m_saveAsName = name;
    m_wrote = WriteByExtension(name);
    return m_wrote;
}

BOOL CImgEdit::WriteByExtension(const CString& path)
{
    CString extension = PathExtension(path);
    extension.MakeLower();
    if (extension == ".jpg")
        return WriteJpeg(path);
    if (extension == ".art")
        return WriteArt(path);
    if (!SavePictureFile(m_picture, path, EngineTypeFor(path))) {
        FilmMessageBox(IDS_DISK_FULL, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    return TRUE;
}

// JPEG and ART come from the picture's file on disk, not from the picture in memory.
BOOL CImgEdit::WriteJpeg(const CString& path)
{
    CImg source;
    int bits = 0;
    if (LoadPictureFile(source, m_source) != IMG_ERR_NONE || source.GetBitsPerPixel(bits) != IMG_ERR_NONE)
        return FALSE;
    if (bits == 4) {
        FilmMessageBox(IDS_NO_16_GRAY_JPEG, MB_OK);
        return FALSE;
    }
    return LOWORD(SaveJPEG(m_source, path)) != 0;
}

BOOL CImgEdit::WriteArt(const CString& path)
{
    return WriteArtFile(m_source, path, 1);
}
