// A frame window on screen: a QMainWindow whose menu bar shows the frame's
// menu, whose tool bar and status bar follow the frame's control bars, and
// whose close box asks the frame to close (the frame decides).
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class CFrameWnd;
class CToolBar;
class CStatusBar;
class CButton;
class CommandBinder;
class QtMenuMirror;
class QLabel;
class QPushButton;
class QToolBar;
class QWidget;

class QtFrameWindow : public QMainWindow {
public:
    // `tip` names a tool bar button's command (its tool tip and text).
    using TipFn = std::function<QString(unsigned id)>;
    QtFrameWindow(CFrameWnd& frame, TipFn tip);
    ~QtFrameWindow() override;

    // The view's widget becomes the central widget and follows the frame's view.
    QWidget* ViewWidget() const { return m_viewWidget; }
    void ShowToolBar(CToolBar& bar);
    void ShowStatusBar(CStatusBar& bar);
    // A push button of the view, shown as a Qt button in the view's widget.
    QPushButton* ShowButton(CButton& button);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CFrameWnd& m_frame;
    TipFn m_tip;
    QWidget* m_viewWidget = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_statusLabel = nullptr;
    std::unique_ptr<QtMenuMirror> m_menuMirror;
    std::unique_ptr<CommandBinder> m_binder;
};
