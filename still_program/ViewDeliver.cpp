// Grabbing a picture and sending it to its destination: film roll, file,
// clipboard or mail.
#include "SnapvoView.h"

#include "Convert16.h"
#include "Memalloc.h"
#include "types/wintypes.h"   // Sounds.h names BOOL without it
#include "Sounds.h"
#include "framework/Clock.h"
#include "framework/UiService.h"
#include "gdi/DibView.h"
#include "mail/loader.h"
#include "resource.h"
#include "types/SafeFile.h"

#include <cstdio>
#include <string>

namespace {
// The picture reaches `path` whole or not at all, through a private
// temporary file: the auto-capture folder is often served on the web, so no
// fixed or guessable name beside it may be written through.
bool WriteWhole(const CString& path, const void* bytes, size_t size)
{
    return velmora::WriteStreamAtomically(path.str(), [bytes, size](FILE* out) {
        return std::fwrite(bytes, 1, size, out) == size;
    });
}
}  // namespace

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
    BOOL written = FALSE;
    if (format.biCompression == BI_RGB && format.biBitCount == 16) {
        // Converted here to a 24-bit BMP file image the engine can read.
        DWORD size = 0;
        void* bmp = ConvertFrame16To24(m_lpFrameData, m_frameBytes, format.biWidth, format.biHeight, size);
        if (!bmp)
            return FALSE;   // a frame of sizes that cannot be: nothing to write
        written = WriteWhole(path, bmp, size);
        MemFreeHuge(bmp, size);
    } else {
        written = m_camera->SaveDIB(path);
    }
    if (!written)
        AfxMessageBox(IDS_DISK_FULL, MB_OK);
    return written;
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
    // Each grab says afresh: one 4-bit picture must not refuse later colour ones.
    sixteenGray = header.biBitCount == 4;
    m_viewer->Set16Gray(sixteenGray);
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
        target.latestImageName = m_schedule.latestImageName;
        if (!m_schedule.workingDirectory.IsEmpty() && target.latestImageName.Find('/') < 0)
            target.latestImageName = m_schedule.workingDirectory + "/" + target.latestImageName;
        target.fileSeries = m_schedule.fileSeries;
        target.incrementName = m_schedule.incrementName;
        const BOOL saved = m_files.SaveAuto(grab, target, m_b16Gray, path);
        // Remembered as the full path it was written to, so a start from
        // another folder goes on writing the same file.
        if (target.latestImageName.Find('/') == 0)
            m_schedule.latestImageName = target.latestImageName;
        return saved;
    }
    return m_files.SaveSingle(m_workingDirectory, grab, ask, m_b16Gray, path);
}

BOOL CSnapvoView::SendToMail()
{
    CString path;
    // A 16-gray picture refused as JPEG leaves no file: the user has been
    // told once, and there is nothing to hand over.
    if (!SaveToFile(FALSE, path) || path.IsEmpty())
        return FALSE;
    if (!mail::Available())
        return FALSE;
    // A hand-off that failed is said so, not reported as sent.
    if (!mail::MovePicture(path)) {
        AfxMessageBox(kMailFailedText, MB_OK);
        return FALSE;
    }
    SetStatus(IDS_SENT_MAIL);
    return TRUE;
}

BOOL CSnapvoView::Deliver()
{
    const bool autoCapture = m_modes.exposureMode == kExposureAuto;
    if (!autoCapture || m_schedule.warning)
        PlaySoundFile("CLICK.WAV");
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
        SaveFilmroll();
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
    std::string file;
    DibView dib;
    BOOL ok = FALSE;
    if (velmora::ReadRegularFile(TempPicturePath().str(), file) &&
        ViewBmpFile(reinterpret_cast<const uint8_t*>(file.data()), file.size(), dib) == DibCheck::Ok) {
        Ui().EmptyClipboard();
        ok = Ui().SetClipboardDib(dib.header, dib.packedBytes);
    }
    Ui().SetCursorShape(CursorShape::Arrow);
    return ok;
}
