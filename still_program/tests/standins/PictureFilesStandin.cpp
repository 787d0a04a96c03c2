// Stand-in for picture saving while its unit is not on this branch: BMP
// copies only, and the refusal of a 16-gray JPEG.
#include "gdi/globalmem.h"
#include "PictureFiles.h"

#include "framework/UiService.h"
#include "resource.h"

#include <cstdio>

namespace {
bool EndsWithJpg(const CString& name)
{
    CString lower = name;
    lower.MakeLower();
    return lower.GetLength() >= 4 && lower.Right(4) == ".jpg";
}
}  // namespace

BOOL CPictureFiles::SaveSingle(const CString& workingDirectory, const GrabToFileFn& grab, BOOL ask,
                               BOOL& sixteenGray, CString& path)
{
    FileDialogRequest request;
    request.save = true;
    request.fileName = "Untitled.bmp";
    if (ask && !Ui().GetFileName(request))
        return FALSE;
    const CString target = ask ? request.fileName : workingDirectory + "/mail.bmp";
    const CString temp = workingDirectory + "/flstand.bmp";
    if (!grab(temp, sixteenGray))
        return FALSE;
    if (std::rename(temp, target) != 0)
        return FALSE;
    path = target;
    return TRUE;
}

BOOL CPictureFiles::SaveAuto(const GrabToFileFn& grab, CAutoSaveTarget& target, BOOL& sixteenGray, CString& path)
{
    const CString temp = target.latestImageName + ".grab.bmp";
    if (!grab(temp, sixteenGray))
        return FALSE;
    if (EndsWithJpg(target.latestImageName) && sixteenGray) {
        std::remove(temp);
        AfxMessageBox(IDS_16GRAY_JPEG, MB_OK);
        sixteenGray = FALSE;
        return FALSE;
    }
    if (std::rename(temp, target.latestImageName) != 0)
        return FALSE;
    sixteenGray = FALSE;
    path = target.latestImageName;
    return TRUE;
}
