#include "framework/DocView.h"

#include "framework/Keys.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "framework/WinApp.h"

CFrameWnd* CView::GetParentFrame() const
{
    for (CWnd* w = GetParent(); w; w = w->GetParent())
        if (auto* frame = dynamic_cast<CFrameWnd*>(w))
            return frame;
    return nullptr;
}

CFrameWnd::CFrameWnd()
{
    OnMessage(WM_CLOSE, [this](WPARAM, LPARAM) -> LRESULT {
        OnClose();
        return 0;
    });
    OnMessage(WM_DESTROY, [this](WPARAM, LPARAM) -> LRESULT {
        OnDestroy();
        return 0;
    });
    OnMessage(WM_SIZE, [this](WPARAM, LPARAM) -> LRESULT {
        RecalcLayout();
        return 0;
    });
}

CFrameWnd::~CFrameWnd()
{
    if (m_activeView)
        RemoveCommandRoute(m_activeView);
}

BOOL CFrameWnd::LoadFrame(UINT, const char* title)
{
    CREATESTRUCT cs;
    cs.style = WS_OVERLAPPEDWINDOW;
    cs.title = title;
    cs.cx = 640;
    cs.cy = 480;
    if (!PreCreateWindow(cs))
        return FALSE;
    // Hidden until the program shows it.
    if (!Create(nullptr, cs.title, cs.style & ~WS_VISIBLE, CRect(cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy)))
        return FALSE;
    if (CWinApp* app = AfxGetApp())
        AddCommandRoute(app);
    if (OnCreate() == -1) {
        DestroyWindow();
        return FALSE;
    }
    return TRUE;
}

void CFrameWnd::OnClose()
{
    const bool main = AfxGetMainWnd() == this;
    DestroyWindow();
    if (main)
        PostQuitMessage(0);
}

void CFrameWnd::OnGetMinMaxInfo(MINMAXINFO*) {}

MINMAXINFO CFrameWnd::QueryMinMaxInfo()
{
    MINMAXINFO info{};
    const CSize screen = Ui().ScreenSize();
    info.ptMaxSize = {screen.cx, screen.cy};
    info.ptMaxTrackSize = {screen.cx, screen.cy};
    info.ptMinTrackSize = {100, 60};
    OnGetMinMaxInfo(&info);
    return info;
}

BOOL CFrameWnd::GetWindowPlacement(WINDOWPLACEMENT* placement) const
{
    if (!placement || !m_hWnd)
        return FALSE;
    CRect r;
    GetWindowRect(&r);
    placement->showCmd = UINT(GetShowState());
    placement->rcNormalPosition = r;
    return TRUE;
}

void CFrameWnd::SetActiveView(CView* view)
{
    if (m_activeView)
        RemoveCommandRoute(m_activeView);
    m_activeView = view;
    if (view) {
        // The view answers before the frame's later routes (the application).
        RemoveCommandRoute(AfxGetApp());
        AddCommandRoute(view);
        if (CWinApp* app = AfxGetApp())
            AddCommandRoute(app);
    }
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg)
{
    return msg->message == WM_KEYDOWN && m_accelerators.Translate(*msg, *this);
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL)
{
    if (!bar)
        return;
    bar->ShowWindow(show ? SW_SHOW : SW_HIDE);
    RecalcLayout();
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const
{
    return dynamic_cast<CControlBar*>(GetDlgItem(int(id)));
}

BOOL CFrameWnd::OnBarCheck(UINT id)
{
    CControlBar* bar = GetControlBar(id);
    if (!bar)
        return FALSE;
    ShowControlBar(bar, !bar->IsShown(), FALSE);
    return TRUE;
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    CRect client;
    GetClientRect(&client);
    int top = 0;
    int bottom = client.Height();
    for (CWnd* child : Children()) {
        auto* bar = dynamic_cast<CControlBar*>(child);
        if (!bar || !bar->IsShown())
            continue;
        const int h = bar->BarHeight();
        if (bar->GetBarStyle() & CBRS_ALIGN_BOTTOM) {
            bottom -= h;
            bar->MoveWindow(0, bottom, client.Width(), h, FALSE);
        } else {
            bar->MoveWindow(0, top, client.Width(), h, FALSE);
            top += h;
        }
    }
    if (m_activeView && !m_layoutByWidget)
        m_activeView->MoveWindow(0, top, client.Width(), bottom > top ? bottom - top : 0);
}

void CFrameWnd::SetMessageText(const char* text)
{
    if (auto* bar = dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR)))
        bar->SetPaneText(0, text);
}

void CFrameWnd::SetMessageText(UINT id) { OnSetMessageString(id); }

void CFrameWnd::OnSetMessageString(UINT id) { SetMessageText(LoadStringText(id).GetString()); }

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory document, FrameFactory frame,
                                       ViewFactory view)
    : m_resourceId(resourceId), m_makeDocument(std::move(document)), m_makeFrame(std::move(frame)),
      m_makeView(std::move(view))
{
}

CSingleDocTemplate::~CSingleDocTemplate() { CloseAll(); }

void CSingleDocTemplate::CloseAll()
{
    CWinApp* app = AfxGetApp();
    if (app && m_frame && app->m_pMainWnd == m_frame.get())
        app->m_pMainWnd = nullptr;
    m_view.reset();
    m_frame.reset();
    m_document.reset();
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const char*)
{
    CloseAll();
    m_document = m_makeDocument();
    m_frame = m_makeFrame();
    if (!m_document || !m_frame || !m_document->OnNewDocument()) {
        CloseAll();
        return nullptr;
    }
    CWinApp* app = AfxGetApp();
    const char* title = app && !app->m_pszAppName.IsEmpty() ? app->m_pszAppName.GetString() : "Untitled";
    m_frame->m_document = m_document.get();
    if (!m_frame->LoadFrame(m_resourceId, title)) {
        CloseAll();
        return nullptr;
    }
    m_view = m_makeView();
    CRect client;
    m_frame->GetClientRect(&client);
    if (!m_view || !m_view->Create(m_frame.get(), "View", WS_CHILD | WS_VISIBLE, client, AFX_IDW_PANE_FIRST)) {
        CloseAll();
        return nullptr;
    }
    m_view->m_document = m_document.get();
    m_document->m_view = m_view.get();
    m_frame->SetActiveView(m_view.get());
    m_frame->AddCommandRoute(m_document.get());
    m_frame->RecalcLayout();
    if (app && !app->m_pMainWnd)
        app->m_pMainWnd = m_frame.get();
    m_view->OnInitialUpdate();
    return m_document.get();
}
