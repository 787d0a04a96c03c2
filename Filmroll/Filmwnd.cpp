#include "Filmwnd.h"

#include "Dibapi.h"
#include "Flmsnap.h"
#include "framework/UiService.h"
#include "framework/WinApp.h"
#include "writers.h"


namespace {

FilmViewFactory g_viewFactory = nullptr;
// Shared by every window: a picture added while another add is under way is dropped.
bool g_adding = false;

constexpr UINT kPictureCommands[] = {ID_FILE_SAVEIMAGE, ID_FILE_AOLMAIL, ID_EDIT_COPY,
                                     ID_EDIT_CUT, ID_EDIT_DELETESELECTED, ID_EDIT_DELETEALL};
// The template's 283 by 179 dialog units in pixels of the usual dialog font.
constexpr int kTemplateWidth = 425;
constexpr int kTemplateHeight = 291;

} // namespace

void SetFilmViewFactory(FilmViewFactory factory)
{
    g_viewFactory = factory;
}

CFilmSnapDlg::CFilmSnapDlg(CFilmrollUser* user, CFilmRoll* roll, CSnapUser* snapUser, CWnd* owner)
    : CFilmBaseDlg(IDD_FILMROLL, IDC_IMAGE1, IDC_IMAGE2, IDC_IMAGE3, IDC_FILMSCROLL, IDC_FILMBAND,
                   IDC_CANISTER, IDC_NUMBER1, IDC_NUMBER2, IDC_NUMBER3, IDC_TRASH, owner, roll),
      m_user(user), m_snapUser(snapUser), m_mailAvailable(FilmMailAvailable() != 0)
{
    BuildMenu();
    OnCommand(ID_FILE_CLOSEFILMROLL, [this] {
        Save();
        if (IsIconic())
            ShowWindow(SW_RESTORE);
        ReportWindowRect();
        if (m_snapUser)
            m_snapUser->VSnapUserPressedOk();
    });
    OnCommand(ID_FILMROLL_SAVE, [this] { Save(); });
    OnCommand(ID_FILE_SAVEIMAGE, [this] { OnSaveImage(); });
    OnCommand(ID_FILE_AOLMAIL, [this] { OnSendToMail(); });
    OnCommand(ID_EDIT_COPY, [this] { OnCopy(); });
    OnCommand(ID_EDIT_CUT, [this] {
        OnCopy();
        OnDeleteSelected();
    });
    OnCommand(ID_EDIT_DELETESELECTED, [this] { OnDeleteSelected(); });
    OnCommand(ID_EDIT_DELETEALL, [this] { OnDeleteAll(); });
    OnCommand(IDC_TRASH, [this] { OnDeleteAll(); });
    OnMessage(WM_PALETTECHANGED, [this](WPARAM w, LPARAM) -> LRESULT {
        PaletteChanged(CWnd::FromHandle(reinterpret_cast<HWND>(w)));
        return 0;
    });
    OnMessage(kQueryNewPalette, [this](WPARAM, LPARAM) -> LRESULT { return QueryNewPalette(); });
    for (UINT id : kPictureCommands)
        OnUpdateCommand(id, [this](CCmdUI* ui) { ui->Enable(GetFilmrollCount() > 0); });
    OnMessage(WM_QUERYDRAGICON, [this](WPARAM, LPARAM) -> LRESULT { return LRESULT(OnQueryDragIcon()); });
    for (UINT message : {WM_CTLCOLORBTN, WM_CTLCOLORDLG, WM_CTLCOLORSTATIC})
        OnMessage(message, [this](WPARAM, LPARAM) -> LRESULT { return reinterpret_cast<LRESULT>(OnCtlColor()); });
}

CFilmSnapDlg::~CFilmSnapDlg()
{
    m_view.reset();
    // The frames and controls are members; their windows go with the dialog's.
    DestroyWindow();
    if (m_hollowBrush)
        DeleteObject(m_hollowBrush);
}

void CFilmSnapDlg::BuildMenu()
{
    CMenu* file = m_menu.AppendPopup("&File");
    file->AppendMenu(MF_STRING, ID_FILE_SAVEIMAGE, "Save &Image...");
    file->AppendMenu(MF_STRING, ID_FILE_AOLMAIL, "Send to &AOL Mail...");
    file->AppendMenu(MF_SEPARATOR);
    file->AppendMenu(MF_STRING, ID_FILE_CLOSEFILMROLL, "&Close Filmroll\tCtrl+F");
    CMenu* edit = m_menu.AppendPopup("&Edit");
    edit->AppendMenu(MF_STRING, ID_EDIT_COPY, "&Copy\tCtrl+C");
    edit->AppendMenu(MF_STRING, ID_EDIT_CUT, "Cu&t\tCtrl+X");
    edit->AppendMenu(MF_STRING, ID_EDIT_DELETESELECTED, "&Delete Selected\tDEL");
    edit->AppendMenu(MF_STRING, ID_EDIT_DELETEALL, "Delete &All..\tCtrl+DEL");
}

BOOL CFilmSnapDlg::Domodeless()
{
    CSize screen = Ui().ScreenSize();
    CRect rect(0, 0, kTemplateWidth, kTemplateHeight);
    rect.OffsetRect((screen.cx - kTemplateWidth) / 2, (screen.cy - kTemplateHeight) / 2);
    if (!Create(nullptr, "Film Roll", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, rect))
        return FALSE;
    if (!CreateControls() || !OnInitDialog()) {
        DestroyWindow();
        return FALSE;
    }
    m_open = TRUE;
    if (g_viewFactory)
        m_view = g_viewFactory(*this);
    ShowWindow(SW_SHOW);
    Repaint();
    return TRUE;
}

BOOL CFilmSnapDlg::OnInitDialog()
{
    CWaitCursor wait;
    if (!m_hollowBrush)
        m_hollowBrush = GetStockBrush(HOLLOW_BRUSH);
    Initialize(0);
    if (!m_mailAvailable)
        m_menu.DeleteMenu(ID_FILE_AOLMAIL, MF_BYCOMMAND);
    AlignWindow();
    if (!m_trash.Create(this, "", WS_CHILD, TrashRect(), IDC_TRASH))
        return FALSE;
    CRect window;
    GetWindowRect(&window);
    CSize screen = Ui().ScreenSize();
    MoveWindow((screen.cx - window.Width()) / 2, (screen.cy - window.Height()) / 2, window.Width(), window.Height());
    UpdateMenu();
    return TRUE;
}

BOOL CFilmSnapDlg::CloseDown()
{
    if (m_view)
        m_view->Close();
    BOOL ok = DestroyWindow();
    m_open = FALSE;
    return ok;
}

void CFilmSnapDlg::SetFilmrollHwnd()
{
    if (m_user)
        m_user->VFilmrollWindowHandle(GetSafeHwnd());
}

void CFilmSnapDlg::NotifyClosing()
{
    if (m_user)
        m_user->VFilmrollWindowHandle(nullptr);
}

BOOL CFilmSnapDlg::GetSelectedImageFilename(CString* name) const
{
    CPicture* p = GetSelectedPicture();
    if (!p || !name)
        return FALSE;
    *name = p->GetImageName();
    return TRUE;
}

BOOL CFilmSnapDlg::SaveConfigFile()
{
    return Save();
}

BOOL CFilmSnapDlg::AddImageToFilm(CPicture* picture)
{
    if (g_adding)
        return TRUE;
    g_adding = true;
    BOOL added = CFilmBaseDlg::AddImageToFilm(picture);
    g_adding = false;
    return added;
}

void CFilmSnapDlg::OnCommandId(UINT id)
{
    OnCmdMsg(id, nullptr);
}

void CFilmSnapDlg::OnFrameClicked(int k)
{
    if (k >= 0 && k <= 2)
        ClickControl(TYPE_CONTROL_ID(k));
}

void CFilmSnapDlg::OnFrameDoubleClicked(int k)
{
    OnFrameClicked(k);
    CPicture* p = GetSelectedPicture();
    if (p && m_user)
        m_user->VFilmrollOpenImage(p->GetImageName());
}

void CFilmSnapDlg::OnHScroll(UINT code, int pos)
{
    ScrollFilm(code, pos, &m_scrollBar);
    RenumberFrames();
    Repaint();
}

void CFilmSnapDlg::OnCloseBox()
{
    ReportWindowRect();
    Save();
    if (m_snapUser)
        m_snapUser->VSnapUserClose();
}

void CFilmSnapDlg::OnCancel()
{
    if (m_snapUser)
        m_snapUser->VSnapUserPressedCancel();
}

void CFilmSnapDlg::OnPaint()
{
    if (IsIconic())
        return;
    RenumberFrames();
    CRect band = ControlRect(m_band);
    m_trash.MoveWindow(TrashRect());
    m_trash.ShowWindow(GetFilmrollCount() > 0 ? SW_SHOW : SW_HIDE);
    m_counter->SetOrigin(band.left - 60, band.bottom + 25);
    UpdateMenu();
}

CWnd* CFilmSnapDlg::WindowOwner() const
{
    if (CWnd* owner = GetOwner())
        return owner;
    if (auto* caller = dynamic_cast<CWnd*>(m_user))
        return caller;
    return AfxGetMainWnd();
}

void CFilmSnapDlg::OnGeometryChanged()
{
    if (m_view)
        m_view->Update();
}

void CFilmSnapDlg::UpdateMenu()
{
    UINT state = GetFilmrollCount() > 0 ? MF_ENABLED : MF_GRAYED;
    for (UINT id : kPictureCommands)
        m_menu.EnableMenuItem(id, MF_BYCOMMAND | state);
}

void CFilmSnapDlg::OnMinimize(bool minimized)
{
    if (minimized == bool(IsIconic()))
        return;
    ShowWindow(minimized ? SW_SHOWMINIMIZED : SW_RESTORE);
    Repaint();
}

HBRUSH CFilmSnapDlg::OnCtlColor() const
{
    return IsIconic() ? m_hollowBrush : nullptr;
}

void CFilmSnapDlg::Repaint()
{
    if (!m_open)
        return;
    OnPaint();
    if (m_view)
        m_view->Update();
}

BOOL CFilmSnapDlg::Save()
{
    CWaitCursor wait;
    return m_snapUser && m_snapUser->VSnapUserPressedSave();
}

void CFilmSnapDlg::ReportWindowRect()
{
    if (IsIconic())
        ShowWindow(SW_RESTORE);
    CRect r;
    GetWindowRect(&r);
    if (m_user)
        m_user->VFilmrollWindowRect(0, r.left, r.top, r.right, r.bottom);
}

void CFilmSnapDlg::OnCopy()
{
    CWaitCursor wait;
    Ui().EmptyClipboard();
    CPicture* p = GetSelectedPicture();
    if (!p)
        return;
    HGLOBAL dib = ReadDIBFile(p->GetImageName());
    if (!dib)
        return;
    HGLOBAL copy = CopyHandle(dib);
    GlobalFree(dib);
    if (!copy)
        return;
    Ui().SetClipboardDib(GlobalLock(copy), GlobalSize(copy));
    GlobalUnlock(copy);
    GlobalFree(copy);
}

void CFilmSnapDlg::OnSaveImage()
{
    CPicture* p = GetSelectedPicture();
    if (!p)
        return;
    // The format chosen last is offered again while this window lives.
    const bool remembered = !m_saveImageName.IsEmpty() || !m_saveImageExtension.IsEmpty();
    CString chosen;
    FilmSaveAsDialog(this, p->GetImageName(), "Untitled" + (remembered ? m_saveImageExtension : CString(".bmp")),
                     chosen);
    if (!chosen.IsEmpty()) {
        m_saveImageName = chosen;
        m_saveImageExtension = PathExtension(chosen);
        m_saveImageExtension.MakeLower();
    }
    DrawImages();
}

void CFilmSnapDlg::OnSendToMail()
{
    CPicture* p = GetSelectedPicture();
    if (!p || !m_user)
        return;
    // The mail program gets the file the user saved, not the roll's own
    // picture, which a later Delete or Cut would take away from it.
    CString saved;
    if (FilmSaveForMailDialog(this, p->GetImageName(), saved) && !saved.IsEmpty())
        m_user->VFilmrollSendToAOLMail(saved);
}

void CFilmSnapDlg::OnDeleteSelected()
{
    if (m_snapUser)
        m_snapUser->VSnapUserPressedDelete();
    UpdateDialog();
    Repaint();
}

void CFilmSnapDlg::OnDeleteAll()
{
    CDeleteAllDlg ask(this);
    if (ask.DoModal() != IDOK)
        return;
    RemoveAllFilmrollItems();
    UpdateDialog();
    Repaint();
}
