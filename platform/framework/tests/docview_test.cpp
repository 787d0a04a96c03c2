#include "framework/DocView.h"
#include "framework/Keys.h"
#include "framework/TestUiService.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

namespace {

class Doc : public CDocument {};
class View : public CView {
public:
    View() { OnCommand(100, [this] { ++runs; }); }
    void OnInitialUpdate() override { ++initial; }
    int runs = 0;
    int initial = 0;
};
class Frame : public CFrameWnd {
public:
    int OnCreate() override
    {
        if (fail)
            return -1;
        m_toolBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP);
        m_statusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM);
        const UINT pane = ID_SEPARATOR;
        m_statusBar.SetIndicators(&pane, 1);
        m_accelerators.Add({FVIRTKEY, VK_SPACE, 100});
        return 0;
    }
    BOOL PreCreateWindow(CREATESTRUCT& cs) override
    {
        cs.x = 10;
        cs.y = 20;
        cs.cx = 300;
        cs.cy = 200;
        return TRUE;
    }
    void OnClose() override
    {
        ++closes;
        CFrameWnd::OnClose();
    }
    static inline bool fail = false;
    int closes = 0;
    CToolBar m_toolBar;
    CStatusBar m_statusBar;
};

CSingleDocTemplate MakeTemplate()
{
    return CSingleDocTemplate(
        2, [] { return std::make_unique<Doc>(); }, [] { return std::make_unique<Frame>(); },
        [] { return std::make_unique<View>(); });
}

TEST(DocView, TemplateMakesFrameViewAndDocumentAndRoutesCommandsToTheView)
{
    ResetMessageQueue();
    ScopedTestUi ui;
    CWinApp app("docview");
    Frame::fail = false;
    CSingleDocTemplate t = MakeTemplate();
    ASSERT_NE(t.OpenDocumentFile(nullptr), nullptr);
    auto* frame = static_cast<Frame*>(t.GetFrame());
    auto* view = static_cast<View*>(t.GetView());
    EXPECT_EQ(app.m_pMainWnd, frame);
    EXPECT_EQ(view->initial, 1);
    EXPECT_EQ(view->GetDocument(), t.GetDocument());
    EXPECT_FALSE(frame->IsWindowVisible());
    CRect r;
    frame->GetWindowRect(&r);
    EXPECT_EQ(r, CRect(10, 20, 310, 220));
    // The view sits between the bars and moves up when the tool bar goes.
    view->GetWindowRect(&r);
    EXPECT_EQ(r.top, 20 + 28);
    EXPECT_EQ(r.Height(), 200 - 28 - 20);
    EXPECT_TRUE(frame->OnBarCheck(AFX_IDW_TOOLBAR));
    view->GetWindowRect(&r);
    EXPECT_EQ(r.top, 20);

    MSG key{frame->m_hWnd, WM_KEYDOWN, VK_SPACE, 1, 0};
    EXPECT_TRUE(app.PreTranslateMessage(&key));
    EXPECT_EQ(view->runs, 1);

    frame->SetMessageText("Hello");
    EXPECT_EQ(frame->m_statusBar.GetPaneText(0), "Hello");

    frame->Close();
    EXPECT_EQ(frame->closes, 1);
    EXPECT_EQ(frame->m_hWnd, nullptr);
    MSG quit;
    ASSERT_TRUE(PeekMessage(&quit, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(quit.message, WM_QUIT);
    ResetMessageQueue();
}

TEST(DocView, AFailedOnCreateLeavesNoFrame)
{
    ScopedTestUi ui;
    CWinApp app("docview");
    Frame::fail = true;
    CSingleDocTemplate t = MakeTemplate();
    EXPECT_EQ(t.OpenDocumentFile(nullptr), nullptr);
    EXPECT_EQ(t.GetFrame(), nullptr);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    Frame::fail = false;
}

}  // namespace
