// Grabbing a picture and sending it to its destination: film roll, file,
// clipboard or mail.
#include "SnapvoView.h"

#include "Convert16.h"
#include "Memalloc.h"
#include "types/wintypes.h"   // Sounds.h names BOOL without it
#include "Sounds.h"
#include "framework/Clock.h"
#include "framework/UiService.h"
#include "CImg.h"
#include "mail/loader.h"
#include "resource.h"

#include <cstdio>
#include <vector>

namespace {
void* g_aolLibrary = nullptr;

// Written beside the final name and renamed, so a reader never sees half a file.
CString PartPath(const CString& path) { return path + ".part"; }

BOOL Commit(const CString& part, const CString& path)
{
    if (std::rename(part, path) == 0)
        return TRUE;
    std::remove(part);
    return FALSE;
}

bool ReadWholeFile(const char* path, std::vector<BYTE>& bytes)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    bytes.clear();
    BYTE buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}
}  // namespace

void* AolLibrary() { return g_aolLibrary; }
void SetAolLibrary(void* library) { g_aolLibrary = library; }

BOOL CSnapvoView::CCaptureWndUserOnFrame(VIDEOHDR* header)
{
    m_frameBytes = header ? header->dwBytesUsed : 0;
    return TRUE;
}

BOOL CSnapvoView::WaitForFrame()
{
    m_bNewFrame = FALSE;
    m_lpFrameData = nullptr;
    m_camera->SetUserData(reinterpret_cast<LONG_PTR>(static_cast<CCaptureFrameSink*>(this)));
    m_camera->SetFrameCallback(TRUE);
    // A camera that stops answering must not hang the program: give up after
    // a few seconds or a fixed number of tries, whichever comes first.
    const DWORD start = GetTickCount();
    for (int attempt = 0; !m_bNewFrame && attempt < kFrameWaitAttempts; ++attempt) {
        if (GetTickCount() - start >= kFrameWaitMs)
            break;
        m_camera->GrabFrame();
    }
    m_camera->SetFrameCallback(FALSE);
    m_camera->SetUserData(reinterpret_cast<LONG_PTR>(static_cast<CCaptureFrameSink*>(m_camera.get())));
    return m_bNewFrame;
}

BOOL CSnapvoView::WriteFrame(const CString& path, const BITMAPINFOHEADER& format)
{
    const CString part = PartPath(path);
    if (format.biCompression == BI_RGB && format.biBitCount == 16) {
        DWORD size = 0;
        void* bmp = ConvertFrame16To24(m_lpFrameData, m_frameBytes, format.biWidth, format.biHeight, size);
        if (!bmp)
            return FALSE;
        CImg image;
        const bool saved = image.Load(bmp, 0) == IMG_ERR_NONE && image.Save(part, IMG_FORMAT_BMP) == IMG_ERR_NONE;
        MemFreeHuge(bmp, size);
        if (!saved || !Commit(part, path)) {
            std::remove(part);
            AfxMessageBox(IDS_DISK_FULL, MB_OK);
            return FALSE;
        }
        return TRUE;
    }
    if (!m_camera->SaveDIB(part) || !Commit(part, path)) {
        std::remove(part);
        AfxMessageBox(IDS_DISK_FULL, MB_OK);
        return FALSE;
    }
    return TRUE;
}

BOOL CSnapvoView::GrabInto(const CString& path, BOOL& sixteenGray)
{
    if (!m_camera)
        return FALSE;
    BITMAPINFOHEADER* format = m_camera->GetFormat();
    if (!format)
        return FALSE;
    const BITMAPINFOHEADER header = *format;
    MemFree(format, m_camera->GetVideoFormat(nullptr, 0));
    if (!WaitForFrame()) {
        AfxMessageBox(kNoFrameText, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    sixteenGray = header.biBitCount == 4 ? TRUE : sixteenGray;
    m_viewer->Set16Gray(header.biBitCount == 4);
    return WriteFrame(path, header);
}

BOOL CSnapvoView::GrabPicture(BOOL updateViewer)
{
    if (!m_camera)
        return FALSE;
    // Auto-capture files grab for themselves; the film roll has no one else
    // to grab for it, whatever the capture mode.
    if (m_modes.exposureMode != kExposureAuto || m_modes.destination == kDestFilmroll) {
        if (!GrabInto(TempPicturePath(), m_b16Gray))
            return FALSE;
        if (!updateViewer)
            return TRUE;
        m_viewer->LoadPicture(TempPicturePath());
        ++m_viewerLoads;
    }
    ShowViewerAfterGrab();
    return TRUE;
}

void CSnapvoView::ShowViewerAfterGrab()
{
    if (!m_modes.showViewer || !m_viewer->m_hWnd)
        return;
    m_viewer->ShowWindow(SW_SHOW);
    CRect r;
    m_viewer->GetWindowRect(&r);
    m_viewer->MoveWindow(r);
    ViewerMenuChanged();
}

BOOL CSnapvoView::SaveToFile(BOOL ask, CString& path)
{
    GrabToFileFn grab = [this](const CString& temp, BOOL& sixteenGray) { return GrabInto(temp, sixteenGray); };
    if (m_modes.exposureMode == kExposureAuto) {
        CAutoSaveTarget target;
        target.latestImageName = m_auto.latestImageName;
        if (!m_auto.workingDirectory.IsEmpty() && target.latestImageName.Find('/') < 0)
            target.latestImageName = m_auto.workingDirectory + "/" + target.latestImageName;
        target.fileSeries = m_auto.fileSeries;
        target.incrementName = m_auto.incrementName;
        return m_files.SaveAuto(grab, target, m_b16Gray, path);
    }
    return m_files.SaveSingle(m_workingDirectory, grab, ask, m_b16Gray, path);
}

BOOL CSnapvoView::SendToMail()
{
    CString path;
    if (!SaveToFile(FALSE, path))
        return FALSE;
    if (!AolLibrary())
        return FALSE;
    // A hand-off that failed is said so, not reported as sent.
    MovePictureToAolMailFunction move = FindMovePictureToAolMail(AolLibrary());
    if (!move || !move(path)) {
        AfxMessageBox(kMailFailedText, MB_OK);
        return FALSE;
    }
    SetStatus(IDS_SENT_MAIL);
    return TRUE;
}

BOOL CSnapvoView::Deliver()
{
    const bool autoCapture = m_modes.exposureMode == kExposureAuto;
    if (!autoCapture || m_auto.warning) {
        PlaySoundFile("CLICK.WAV");
        m_soundPhase = 1;
    }
    if (m_viewer->ClosedByUser())
        m_modes.showViewer = FALSE;
    if (m_modes.destination != kDestFilmroll && !GrabPicture(TRUE))
        return FALSE;

    if (m_modes.destination == kDestFilmroll) {
        if (!SendToFilmRoll())
            return FALSE;
        SetStatus(IDS_SENT_FILMROLL);
    } else if (m_modes.destination == kDestFile || autoCapture) {
        CString path;
        if (!SaveToFile(TRUE, path))
            return FALSE;
        SetStatus(IDS_SENT_DISK);
    } else if (m_modes.destination == kDestMail) {
        if (!SendToMail())
            return FALSE;
    } else if (m_modes.destination == kDestClipboard) {
        CopyToClipboard();
        SetStatus(IDS_SENT_CLIPBOARD);
    }
    SetFocus();
    return TRUE;
}

BOOL CSnapvoView::SendToFilmRoll()
{
    int count = 0;
    switch (m_modes.multiExposureMode) {
    case kMultiOne: count = 1; break;
    case kMultiThree: count = 3; break;
    case kMultiFive: count = 5; break;
    case kMultiOther: count = m_modes.otherCount; break;
    default: return FALSE;
    }
    const bool wasShown = CWnd::FindWindow("Film Roll") != nullptr;
    FILM_OpenDialog(this);
    const CString temp = TempPicturePath();
    for (int i = 0; i < count; ++i) {
        BOOL grabbed;
        if (count == 1) {
            grabbed = GrabPicture(TRUE);
        } else if (i == count - 1) {
            PlaySoundFile("CLICK.WAV");
            grabbed = GrabPicture(TRUE);
        } else {
            if (i != 0)
                PlaySoundFile("CLICK.WAV");
            grabbed = GrabPicture(FALSE);
        }
        if (!grabbed) {
            if (m_fullScreen)
                FILM_CloseDialog();
            return FALSE;
        }
        if (!FILM_AddImageFromFile(temp)) {
            AfxMessageBox(IDS_FILMROLL_FULL, MB_OK);
            if (CWnd* roll = CWnd::FindWindow("Film Roll"))
                roll->SendMessage(WM_SIZE);
            if (m_fullScreen)
                FILM_CloseDialog();
            return FALSE;
        }
    }
    if (!m_fullScreen) {
        FILM_DrawImagesANDSetHighlights();
        CWnd* roll = CWnd::FindWindow("Film Roll");
        if (roll && !wasShown && !m_modes.filmrollRect.IsRectEmpty())
            roll->MoveWindow(m_modes.filmrollRect);
    } else {
        FILM_SaveConfigFile();
        FILM_CloseDialog();
    }
    return TRUE;
}

BOOL CSnapvoView::CopyToClipboard()
{
    if (!m_camera)
        return FALSE;
    BITMAPINFOHEADER* format = m_camera->GetFormat();
    if (!format)
        return FALSE;
    const WORD bits = format->biBitCount;
    MemFree(format, m_camera->GetVideoFormat(nullptr, 0));
    if (bits != 16)
        return m_camera->EditCopy();
    // The temporary file already holds the picture at 24 bits.
    Ui().SetCursorShape(CursorShape::Wait);
    std::vector<BYTE> file;
    BOOL ok = FALSE;
    if (ReadWholeFile(TempPicturePath(), file) && file.size() > sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) &&
        file[0] == 'B' && file[1] == 'M') {
        Ui().EmptyClipboard();
        ok = Ui().SetClipboardDib(file.data() + sizeof(BITMAPFILEHEADER), file.size() - sizeof(BITMAPFILEHEADER));
    }
    Ui().SetCursorShape(CursorShape::Arrow);
    return ok;
}
