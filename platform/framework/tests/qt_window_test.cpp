#include "framework/Keys.h"
#include "framework/QtWnd.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

struct KeyApp : CWinApp {
    std::vector<WPARAM> consumed;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN && msg->wParam == 'F' && GetKeyState(VK_CONTROL) < 0) {
            consumed.push_back(msg->wParam);
            return TRUE;
        }
        return FALSE;
    }
};

TEST(QtWindow, WidgetFollowsTheWindowAndItsInputArrivesAsMessages)
{
    int argc = 1;
    char name[] = "qt_window_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    KeyApp app;
    QWidget widget;
    CQtWnd window;
    window.Create(nullptr, "Viewer", 0, CRect(10, 20, 170, 140));
    window.AttachWidget(&widget);
    EXPECT_EQ(widget.geometry(), QRect(10, 20, 160, 120));
    EXPECT_EQ(widget.windowTitle(), "Viewer");
    EXPECT_FALSE(widget.isVisible());
    window.ShowWindow(SW_SHOWNORMAL);
    EXPECT_TRUE(widget.isVisible());
    window.MoveWindow(CRect(0, 0, 320, 240));
    EXPECT_EQ(widget.size(), QSize(320, 240));
    window.EnableWindow(FALSE);
    EXPECT_FALSE(widget.isEnabled());
    window.EnableWindow(TRUE);

    std::vector<WPARAM> keys;
    std::vector<LPARAM> clicks;
    window.OnMessage(WM_KEYDOWN, [&](WPARAM vk, LPARAM) { keys.push_back(vk); return LRESULT(0); });
    window.OnMessage(WM_RBUTTONDOWN, [&](WPARAM, LPARAM at) { clicks.push_back(at); return LRESULT(0); });

    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QCoreApplication::sendEvent(&widget, &space);
    QKeyEvent ctrlF(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier, "f");
    QCoreApplication::sendEvent(&widget, &ctrlF);
    EXPECT_EQ(keys, (std::vector<WPARAM>{VK_SPACE}));
    EXPECT_EQ(app.consumed, (std::vector<WPARAM>{'F'}));

    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 7), QPointF(5, 7), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &right);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(LOWORD(clicks[0]), 5);
    EXPECT_EQ(HIWORD(clicks[0]), 7);

    widget.resize(200, 100);   // a user resize comes back to the window
    CRect r;
    window.GetWindowRect(&r);
    EXPECT_EQ(r.Size(), CSize(200, 100));

    // A shown window keeps the place it was given, whatever frame the window
    // system draws around it; the user's move comes back as it is.
    window.MoveWindow(CRect(40, 50, 240, 150));
    QCoreApplication::processEvents();
    window.GetWindowRect(&r);
    EXPECT_EQ(r.TopLeft(), CPoint(40, 50));
    widget.move(60, 70);
    QCoreApplication::processEvents();
    window.GetWindowRect(&r);
    EXPECT_EQ(CPoint(r.TopLeft()), CPoint(widget.geometry().x(), widget.geometry().y()));

    // Brought to the front by the window system: the active window.
    CWnd other;
    other.Create(nullptr, "Other", 0, CRect(0, 0, 10, 10));
    other.SetActiveWindow();
    std::vector<WPARAM> activations;
    window.OnMessage(WM_ACTIVATE, [&](WPARAM state, LPARAM) { activations.push_back(state); return LRESULT(0); });
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&widget, &activate);
    EXPECT_EQ(CWnd::GetActiveWindow(), &window);
    other.SetActiveWindow();
    EXPECT_EQ(activations, (std::vector<WPARAM>{WA_ACTIVE, WA_INACTIVE}));
    window.DestroyWindow();
}

} // namespace
