// A frame window on screen: a QMainWindow whose menu bar shows the frame's
// menu, whose tool bar and status bar follow the frame's control bars, and
// whose close box asks the frame to close (the frame decides).
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class CFrameWnd;
class CWnd;
class QRect;
class CToolBar;
class CStatusBar;
class CButton;
class CSliderCtrl;
class CommandBinder;
class QtMenuMirror;
class QLabel;
class QPushButton;
class QSlider;
class QToolBar;
class QWidget;

// Where a child window stands, in its parent's client coordinates: the
// geometry of the widget that shows it inside the parent's widget.
QRect GeometryInParent(const CWnd& window);
// A push button of a window shown as a Qt button in `parent`, the widget that
// shows the button's parent window; a click reaches the logic as Click.
QPushButton* MirrorButton(CButton& button, QWidget* parent);
// A slider shown as a horizontal Qt slider in `parent` likewise; the user's
// moves reach the logic as its Scroll codes.
QSlider* MirrorSlider(CSliderCtrl& slider, QWidget* parent);

class QtFrameWindow : public QMainWindow {
public:
    // `tip` names a tool bar button's command (its tool tip and text).
    using TipFn = std::function<QString(unsigned id)>;
    // The picture of a tool bar button: its place among the buttons (separators
    // not counted) in the bar's picture strip.
    using PictureFn = std::function<QIcon(unsigned bitmapId, int index)>;
    QtFrameWindow(CFrameWnd& frame, TipFn tip, PictureFn picture = nullptr);
    ~QtFrameWindow() override;

    // The view's widget becomes the central widget and follows the frame's view.
    QWidget* ViewWidget() const { return m_viewWidget; }
    void ShowToolBar(CToolBar& bar);
    void ShowStatusBar(CStatusBar& bar);
    // Lays the window out now and gives the view its widget's size, so the
    // logic can size the frame around the view before the window is shown.
    void SyncViewGeometry();
    // A push button of the view, shown as a Qt button in the view's widget.
    QPushButton* ShowButton(CButton& button);
    // A slider of the view, shown as a horizontal Qt slider in the view's
    // widget; the user's moves reach the logic as its Scroll codes.
    QSlider* ShowSlider(CSliderCtrl& slider);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CFrameWnd& m_frame;
    TipFn m_tip;
    PictureFn m_picture;
    QWidget* m_viewWidget = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_statusLabel = nullptr;
    std::unique_ptr<QtMenuMirror> m_menuMirror;
    std::unique_ptr<CommandBinder> m_binder;
};
