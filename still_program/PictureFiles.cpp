// The two save paths of the view: a single picture through the save dialog,
// and the latest-image file (with its series) of auto capture.
#include "PictureFiles.h"
#include "PictureIo.h"

#include "framework/UiService.h"
#include "framework/Wnd.h"
#include "resource.h"

#include <cstdio>

#include <unistd.h>

namespace {

struct FilterChoice {
    const char* extension;
    const char* filter;
};
// The chosen type comes first, so the dialog pre-selects it.
constexpr FilterChoice kFilters[] = {
    {".bmp", "Bitmap files|*.bmp|Jpeg files|*.jpg|TIFF files|*.tif|Art files|*.art||"},
    {".jpg", "Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif|Art files|*.art||"},
    {".tif", "TIFF files|*.tif|Jpeg files|*.jpg|Bitmap files|*.bmp|Art files|*.art||"},
    {".art", "Art files|*.art|Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif||"},
};

void RemoveFile(const CString& path)
{
    if (!path.IsEmpty())
        unlink(path);
}

} // namespace

CSaveDialogSetup SaveDialogSetup(const CString& lastExtension, BOOL ask)
{
    CString extension = ask ? lastExtension : CString(".jpg");
    extension.MakeLower();
    const FilterChoice* choice = &kFilters[0];
    for (const FilterChoice& f : kFilters)
        if (extension == f.extension)
            choice = &f;
    CSaveDialogSetup setup;
    setup.filter = choice->filter;
    // Any other extension the user typed keeps its name but offers BMP first.
    setup.defaultExt = extension.IsEmpty() ? CString(".bmp") : extension;
    setup.fileName = "Untitled" + setup.defaultExt;
    return setup;
}

BOOL AskSavePath(const CSaveDialogSetup& setup, CWnd* owner, CString& path)
{
    FileDialogRequest request;
    request.save = true;
    request.flags = kSaveDialogFlags;
    request.owner = owner ? owner->m_hWnd : nullptr;
    request.filter = setup.filter;
    request.defaultExt = setup.defaultExt;
    request.fileName = setup.fileName;
    if (!Ui().GetFileName(request) || request.fileName.IsEmpty())
        return FALSE;
    path = request.fileName;
    return TRUE;
}

BOOL AskAndWritePicture(CWnd* owner, const char* source, BOOL ask, BOOL sixteenGray,
                        CString& lastExtension, CString& path)
{
    path.Empty();
    if (ask && (lastExtension.IsEmpty() || lastExtension == ".bmp"))
        lastExtension = ".bmp";
    CString chosen;
    if (!AskSavePath(SaveDialogSetup(lastExtension, ask), owner, chosen))
        return FALSE;
    lastExtension = PathExtensionLower(chosen);
    switch (WritePictureAs(source, chosen, sixteenGray)) {
    case PictureWrite::SixteenGrayJpeg:
        // Counted as delivered, but there is no file to name or to mail.
        AfxMessageBox(IDS_16GRAY_JPEG);
        return TRUE;
    case PictureWrite::Failed:
        AfxMessageBox(IDS_DISK_FULL);
        return FALSE;
    case PictureWrite::Written:
        break;
    }
    path = chosen;
    return TRUE;
}

// A fresh grab into a unique file in `folder`; empty when there is none (the
// user has been told when the folder could not take it).
static CString GrabIntoTemporary(const CString& folder, const GrabToFileFn& grab, BOOL& sixteenGray)
{
    CString temporary = MakeGrabTempFile(folder);
    if (temporary.IsEmpty()) {
        AfxMessageBox(IDS_DISK_FULL);
        return CString();
    }
    if (!grab || !grab(temporary, sixteenGray)) {
        RemoveFile(temporary);
        return CString();
    }
    return temporary;
}

BOOL CPictureFiles::SaveSingle(const CString& workingDirectory, const GrabToFileFn& grab, BOOL ask,
                               BOOL& sixteenGray, CString& path)
{
    path.Empty();
    CString temporary = GrabIntoTemporary(workingDirectory, grab, sixteenGray);
    if (temporary.IsEmpty())
        return FALSE;
    BOOL saved = AskAndWritePicture(m_owner, temporary, ask, sixteenGray, m_lastExtension, path);
    RemoveFile(temporary);
    if (saved && path.IsEmpty())
        sixteenGray = FALSE;
    return saved;
}

BOOL CPictureFiles::SaveAuto(const GrabToFileFn& grab, CAutoSaveTarget& target, BOOL& sixteenGray,
                             CString& path)
{
    path.Empty();
    SplitPath latest = SplitPicturePath(target.latestImageName);
    // A relative folder is taken from the current directory, so the name
    // remembered is a full path either way.
    CString folder = latest.folder;
    if (folder.IsEmpty() || folder[0] != '/') {
        CString current = CurrentFolder();
        if (current.IsEmpty())
            return FALSE;
        folder = current + folder;
    }
    // The grab lies beside the target: where the picture can be written.
    CString temporary = GrabIntoTemporary(folder, grab, sixteenGray);
    if (temporary.IsEmpty())
        return FALSE;
    // The name keeps the case the user gave it; only the choice of format ignores it.
    CString extension = latest.extension.IsEmpty() ? CString(".bmp") : latest.extension;
    CString file = folder + latest.name + extension;
    target.latestImageName = file;
    const CString format = PathExtensionLower(file);

    BOOL ok = TRUE;
    if (format == ".jpg" && sixteenGray) {
        AfxMessageBox(IDS_16GRAY_JPEG);
        ok = FALSE;
    } else if (format == ".jpg" || format == ".tif" || format == ".art") {
        if (WritePictureAs(temporary, file, sixteenGray) != PictureWrite::Written) {
            AfxMessageBox(IDS_DISK_FULL);
            // A TIFF that failed is reported, and the run goes on.
            ok = format == ".tif";
        }
    } else if (!TargetReplaceable(file) || !CopyFileInPlace(temporary, file)) {
        AfxMessageBox(IDS_DISK_FULL);
        ok = FALSE;
    }
    sixteenGray = FALSE;
    RemoveFile(temporary);
    if (!ok)
        return FALSE;

    if (target.fileSeries) {
        CString name = NextSeriesName(folder, target.incrementName, extension);
        if (name.IsEmpty() || !CopyFileInPlace(file, name)) {
            AfxMessageBox(IDS_DISK_FULL);
            return FALSE;
        }
    }
    path = file;
    return TRUE;
}
