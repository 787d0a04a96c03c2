// Document/view pieces of a single-document program: the frame window with
// its menu, accelerators and control bars, the view inside it, the (often
// empty) document, and the template that makes the three together.
#pragma once

#include "framework/Bars.h"
#include "framework/Menu.h"
#include "framework/QtWnd.h"

#include <QWidget>

#include <functional>
#include <memory>

constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;
constexpr UINT WS_OVERLAPPEDWINDOW = 0x00CF0000;

struct CREATESTRUCT {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    DWORD style = 0;
    CString title;
};

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = 0;
    POINT ptMinPosition{};
    POINT ptMaxPosition{};
    RECT rcNormalPosition{};
};

class CView;
class CFrameWnd;

class CDocument : public CCmdTarget {
public:
    virtual BOOL OnNewDocument() { return TRUE; }
    CView* GetFirstView() const { return m_view; }

private:
    friend class CSingleDocTemplate;
    CView* m_view = nullptr;
};

class CView : public CQtWnd {
public:
    CDocument* GetDocument() const { return m_document; }
    CFrameWnd* GetParentFrame() const;
    // Once the document, frame and view all exist.
    virtual void OnInitialUpdate() {}

private:
    friend class CSingleDocTemplate;
    CDocument* m_document = nullptr;
};

class CFrameWnd : public CQtWnd {
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // PreCreateWindow, the window, then OnCreate; FALSE (no window) when
    // OnCreate fails.
    virtual BOOL LoadFrame(UINT resourceId, const char* title);
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs) { return TRUE; }
    // -1 fails the creation.
    virtual int OnCreate() { return 0; }
    virtual void OnClose();
    virtual void OnDestroy() {}
    virtual void OnGetMinMaxInfo(MINMAXINFO* info);
    // The sizes and positions the frame allows, as the window manager asks.
    MINMAXINFO QueryMinMaxInfo();
    BOOL GetWindowPlacement(WINDOWPLACEMENT* placement) const;

    CView* GetActiveView() const { return m_activeView; }
    void SetActiveView(CView* view);
    CDocument* GetActiveDocument() const { return m_document; }

    CMenu& GetMenu() { return m_menu; }
    CMenu& GetSystemMenu() { return m_systemMenu; }
    CAcceleratorTable& Accelerators() { return m_accelerators; }
    BOOL PreTranslateMessage(MSG* msg) override;

    // Control bars: the frame lays out the view between the visible ones.
    void EnableDocking(DWORD sides) { m_docking = sides; }
    void DockControlBar(CControlBar* bar) { bar->SetBarStyle(bar->GetBarStyle() | CBRS_ALIGN_TOP); }
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
    CControlBar* GetControlBar(UINT id) const;
    // Toggles the bar with that id (the View menu's bar items).
    BOOL OnBarCheck(UINT id);
    void RecalcLayout();
    // A widget that lays out the view itself turns the frame's layout off.
    void SetLayoutByWidget(bool byWidget) { m_layoutByWidget = byWidget; }

    // The status bar's first pane: a text, or a prompt by string id.
    void SetMessageText(const char* text);
    void SetMessageText(UINT id);
    virtual void OnSetMessageString(UINT id);

    // Runs when the frame is closed by the window manager or by File > Exit.
    void Close() { SendMessage(WM_CLOSE); }

protected:
    CMenu m_menu;
    CMenu m_systemMenu;
    CAcceleratorTable m_accelerators;

private:
    friend class CSingleDocTemplate;
    CView* m_activeView = nullptr;
    CDocument* m_document = nullptr;
    DWORD m_docking = 0;
    bool m_layoutByWidget = false;
};

// Makes and owns one document, its frame and its view.
class CSingleDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;
    using ViewFactory = std::function<std::unique_ptr<CView>()>;

    CSingleDocTemplate(UINT resourceId, DocumentFactory document, FrameFactory frame, ViewFactory view);
    ~CSingleDocTemplate();

    // A new empty document in a new frame; the frame becomes the application's
    // main window when it has none. Null on failure.
    CDocument* OpenDocumentFile(const char* path);
    CFrameWnd* GetFrame() const { return m_frame.get(); }
    CView* GetView() const { return m_view.get(); }
    CDocument* GetDocument() const { return m_document.get(); }
    // Destroys the windows and objects (the frame may already be closed).
    void CloseAll();

private:
    UINT m_resourceId;
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    ViewFactory m_makeView;
    std::unique_ptr<CDocument> m_document;
    std::unique_ptr<CFrameWnd> m_frame;
    std::unique_ptr<CView> m_view;
};
