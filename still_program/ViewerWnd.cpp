#include "ViewerWnd.h"

#include "PictureFiles.h"
#include "PictureIo.h"
#include "ViewerDib.h"
#include "ViewerView.h"
#include "framework/UiService.h"
#include "CImg.h"
#include "mail/loader.h"
#include "resource.h"

#include <algorithm>
#include <string>

#include <QWidget>

namespace {

// A picture smaller than this is centred in it instead of scrolled.
constexpr int kSmallWidth = 160;
constexpr int kSmallHeight = 120;
constexpr int kLineStep = 16;
constexpr int kInitialWidth = 320;
constexpr int kInitialHeight = 240;
const char* const kTempPicture = "temp999.bmp";
const char* const kNotLoaded = "Did not load the file in the viewer";

} // namespace

// One scroll direction: centred when small, scrolled when large.
struct ScrollAxis {
    bool small = true;
    int offset = 0;
    int range = 0;   // the picture's extent; 0 without a scroll bar
    int page = 0;
    int pos = 0;

    void Load(int extent, int smallLimit)
    {
        small = extent < smallLimit + 1;
        offset = small ? (smallLimit - extent) / 2 : 0;
        range = small ? 0 : extent;
        pos = 0;
    }
    void Reset() { *this = ScrollAxis{true, 0, 0, page, 0}; }
    int Limit() const { return std::max(0, range - page); }
    void MoveTo(int to) { pos = std::clamp(to, 0, Limit()); }
};

struct CViewerWnd::Picture {
    BOOL shown = FALSE;
    CString file;
    CImg image;
    ViewerDib dib;
    std::vector<uint32_t> pixels;
    ScrollAxis horizontal;
    ScrollAxis vertical;
};

CViewerWnd::CViewerWnd() : m_picture(std::make_unique<Picture>())
{
    BuildMenu();
    OnCommand(ID_VIEWER_SAVE, [this] { OnSaveImage(); });
    OnCommand(ID_VIEWER_MAIL, [this] { OnSendToAolMail(); });
    OnCommand(ID_VIEWER_CLOSE, [this] { OnCloseViewer(); });
    OnCommand(ID_VIEWER_CUT, [this] { OnCut(); });
    OnCommand(ID_VIEWER_COPY, [this] { OnCopy(); });
    for (UINT id : {ID_VIEWER_SAVE, ID_VIEWER_MAIL, ID_VIEWER_CLOSE, ID_VIEWER_CUT, ID_VIEWER_COPY})
        OnUpdateCommand(id, [](CCmdUI* ui) { ui->Enable(TRUE); });
    OnMessage(WM_CLOSE, [this](WPARAM, LPARAM) -> LRESULT {
        OnCloseViewer();
        return 0;
    });
    OnMessage(WM_SIZE, [this](WPARAM, LPARAM l) -> LRESULT {
        // A move of the whole window reports the window's size; on screen the
        // page is only the area inside the menu and the scroll bars.
        const CSize page = m_view ? m_view->ClientSize() : CSize(LOWORD(l), HIWORD(l));
        SetPageSize(int(page.cx), int(page.cy));
        return 0;
    });
    // Pictures are drawn in true colour: there is no palette to realise again.
    OnMessage(WM_PALETTECHANGED, [](WPARAM, LPARAM) -> LRESULT { return 0; });
    OnMessage(WM_HSCROLL, [this](WPARAM w, LPARAM) -> LRESULT {
        Scroll(FALSE, LOWORD(w), HIWORD(w));
        return 0;
    });
    OnMessage(WM_VSCROLL, [this](WPARAM w, LPARAM) -> LRESULT {
        Scroll(TRUE, LOWORD(w), HIWORD(w));
        return 0;
    });
}

CViewerWnd::~CViewerWnd()
{
    AttachWidget(nullptr);
    m_view.reset();
}

void CViewerWnd::BuildMenu()
{
    CMenu* file = m_menu.AppendPopup("&File");
    file->AppendMenu(MF_STRING, ID_VIEWER_SAVE, "Save &Image...");
    file->AppendMenu(MF_STRING, ID_VIEWER_MAIL, "Send to AOL &Mail...");
    file->AppendMenu(MF_SEPARATOR);
    file->AppendMenu(MF_STRING, ID_VIEWER_CLOSE, "&Close Viewer\tCtrl+V");
    CMenu* edit = m_menu.AppendPopup("&Edit");
    edit->AppendMenu(MF_STRING, ID_VIEWER_CUT, "Cu&t\tCtrl+X");
    edit->AppendMenu(MF_STRING, ID_VIEWER_COPY, "&Copy\tCtrl+C");
}

BOOL CViewerWnd::Create(CWnd* parentView, const CString& workingDirectory)
{
    m_workingDirectory = workingDirectory;
    // A top-level window of its own: the view is its owner, not its parent.
    CRect rect(40, 40, 40 + kInitialWidth, 40 + kInitialHeight);
    if (!CWnd::Create(nullptr, "Viewer", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, rect))
        return FALSE;
    SetPageSize(kInitialWidth, kInitialHeight);
    m_view = MakeViewerView(*this);
    if (m_view)
        AttachWidget(m_view->Widget());
    return TRUE;
}

BOOL CViewerWnd::LoadPicture(const CString& path)
{
    Picture& p = *m_picture;
    ViewerDib dib;
    CRect extent;
    bool ok = ReadViewerDib(path, dib) && p.image.Load(path) == IMG_ERR_NONE &&
              p.image.GetImageRect(extent) == IMG_ERR_NONE;
    if (!ok) {
        ForgetPicture();
        AfxMessageBox(kNotLoaded);
        return FALSE;
    }
    p.horizontal.Load(int(extent.Width()), kSmallWidth);
    p.vertical.Load(int(extent.Height()), kSmallHeight);
    p.file = path;
    p.shown = TRUE;
    p.dib = std::move(dib);
    p.pixels = ViewerDibPixels(p.dib);
    Changed();
    return TRUE;
}

BOOL CViewerWnd::PictureShown() const
{
    return m_picture->shown;
}

const CString& CViewerWnd::CurrentFile() const
{
    return m_picture->file;
}

void CViewerWnd::ForgetPicture()
{
    Picture& p = *m_picture;
    p.shown = FALSE;
    p.file.Empty();
    p.image.Delete();
    p.dib = ViewerDib();
    p.pixels.clear();
    p.horizontal.Reset();
    p.vertical.Reset();
    Changed();
}

void CViewerWnd::Changed()
{
    if (m_view)
        m_view->Update();
}

void CViewerWnd::SetPageSize(int width, int height)
{
    m_picture->horizontal.page = width;
    m_picture->vertical.page = height;
    m_picture->horizontal.MoveTo(m_picture->horizontal.pos);
    m_picture->vertical.MoveTo(m_picture->vertical.pos);
    Changed();
}

void CViewerWnd::Scroll(BOOL vertical, UINT code, int thumb)
{
    ScrollAxis& axis = vertical ? m_picture->vertical : m_picture->horizontal;
    if (axis.small)
        return;
    switch (code) {
    case SB_LINELEFT: axis.MoveTo(axis.pos - kLineStep); break;
    case SB_LINERIGHT: axis.MoveTo(axis.pos + kLineStep); break;
    case SB_PAGELEFT: axis.MoveTo(axis.pos - std::max(1, axis.page)); break;
    case SB_PAGERIGHT: axis.MoveTo(axis.pos + std::max(1, axis.page)); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: axis.MoveTo(thumb); break;
    case SB_LEFT: axis.MoveTo(0); break;
    case SB_RIGHT: axis.MoveTo(axis.Limit()); break;
    default: return;
    }
    Changed();
}

CPoint CViewerWnd::ScrollPosition() const
{
    return CPoint(m_picture->horizontal.pos, m_picture->vertical.pos);
}

CPoint CViewerWnd::CentringOffset() const
{
    return CPoint(m_picture->horizontal.offset, m_picture->vertical.offset);
}

CSize CViewerWnd::ScrollRange() const
{
    return CSize(m_picture->horizontal.range, m_picture->vertical.range);
}

const std::vector<uint32_t>* CViewerWnd::Pixels() const
{
    return m_picture->shown ? &m_picture->pixels : nullptr;
}

CSize CViewerWnd::PictureSize() const
{
    if (!m_picture->shown)
        return CSize(0, 0);
    return CSize(m_picture->dib.info.biWidth, m_picture->dib.info.biHeight);
}

CPoint CViewerWnd::DrawOrigin() const
{
    const ScrollAxis& h = m_picture->horizontal;
    const ScrollAxis& v = m_picture->vertical;
    return CPoint(h.small ? h.offset : -h.pos, v.small ? v.offset : -v.pos);
}

CSize CViewerWnd::PageSize() const
{
    return CSize(m_picture->horizontal.page, m_picture->vertical.page);
}

CSize CViewerWnd::ClientSize() const
{
    if (m_view)
        return m_view->ClientSize();
    CRect client;
    GetClientRect(&client);
    return client.Size();
}

void CViewerWnd::OnSaveImage()
{
    CString out;
    SaveAs(m_workingDirectory + "/" + kTempPicture, out, TRUE);
}

BOOL CViewerWnd::SaveAs(const CString& source, CString& out, BOOL ask)
{
    if (!PictureShown())
        return FALSE;
    CString path;
    if (!AskAndWritePicture(this, source, ask, m_b16Gray, m_lastExtension, path))
        return FALSE;
    if (!path.IsEmpty())
        out = path;
    return TRUE;
}

void CViewerWnd::OnSendToAolMail()
{
    if (!PictureShown())
        return;
    CString out;
    if (!SaveAs(m_workingDirectory + "/" + kTempPicture, out, FALSE) || out.IsEmpty())
        return;
    mail::MovePicture(out);
}

void CViewerWnd::OnCloseViewer()
{
    m_bClosedByUser = TRUE;
    ShowWindow(SW_HIDE);
}

void CViewerWnd::OnCopy()
{
    if (!PictureShown())
        return;
    CWaitCursor wait;
    // The file as it is now, as the clipboard should get it.
    ViewerDib dib;
    if (!ReadViewerDib(CurrentFile(), dib))
        return;
    Ui().EmptyClipboard();
    Ui().SetClipboardDib(dib.packed.data(), dib.packed.size());
}

void CViewerWnd::OnCut()
{
    OnCopy();
    ForgetPicture();
}
