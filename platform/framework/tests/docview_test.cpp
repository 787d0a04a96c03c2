#include "framework/DocView.h"
#include "framework/Keys.h"
#include "framework/QtFrame.h"
#include "framework/TestUiService.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

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

TEST(DocView, TheFrameWidgetFollowsBarsButtonsKeysAndTheCloseBox)
{
    int argc = 1;
    char name[] = "docview_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    ResetMessageQueue();
    ScopedTestUi ui;
    CWinApp app("docview");
    Frame::fail = false;
    CSingleDocTemplate t = MakeTemplate();
    ASSERT_NE(t.OpenDocumentFile(nullptr), nullptr);
    auto* frame = static_cast<Frame*>(t.GetFrame());
    auto* view = static_cast<View*>(t.GetView());
    const UINT buttons[] = {100, ID_SEPARATOR, 101};
    frame->m_toolBar.SetButtons(buttons, 3);
    CButton push;
    ASSERT_TRUE(push.Create("&Go", WS_CHILD | WS_VISIBLE, CRect(5, 5, 105, 30), view, 100));

    QtFrameWindow widget(*frame, [](unsigned id) { return QString("Command %1").arg(id); });
    widget.ShowToolBar(frame->m_toolBar);
    widget.ShowStatusBar(frame->m_statusBar);
    QPushButton* qtPush = widget.ShowButton(push);
    frame->ShowWindow(SW_SHOWNORMAL);
    EXPECT_TRUE(widget.isVisible());

    auto* bar = widget.findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 3);
    EXPECT_TRUE(bar->actions()[1]->isSeparator());
    EXPECT_EQ(bar->actions()[0]->text(), "Command 100");
    bar->actions()[0]->trigger();
    EXPECT_EQ(view->runs, 1);
    frame->OnBarCheck(AFX_IDW_TOOLBAR);
    EXPECT_FALSE(bar->isVisible());

    frame->SetMessageText("Ready");
    auto* label = widget.statusBar()->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Ready");

    EXPECT_EQ(qtPush->text(), "&Go");
    push.SetWindowText("&Stop");
    EXPECT_EQ(qtPush->text(), "&Stop");
    qtPush->click();   // WM_COMMAND 100 to the view
    EXPECT_EQ(view->runs, 2);

    SetModifierState(false, false, false);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(&widget, &space);
    EXPECT_EQ(view->runs, 3);

    // The close box asks the frame, which closes itself.
    widget.close();
    EXPECT_EQ(frame->closes, 1);
    EXPECT_EQ(frame->m_hWnd, nullptr);
    ResetMessageQueue();
}

}  // namespace
