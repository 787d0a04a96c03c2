#include "framework/QtWnd.h"

#include "framework/Keys.h"
#include "framework/QtPlacement.h"
#include "framework/WinApp.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <atomic>

namespace {

std::atomic<int> g_modifiers{0};   // bit 0 control, 1 shift, 2 alt

WPARAM MouseFlags(const QMouseEvent* e)
{
    WPARAM flags = 0;
    if (e->buttons() & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (e->buttons() & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (e->modifiers() & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (e->modifiers() & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

LPARAM PointParam(const QPoint& p) { return LPARAM(MAKELONG(WORD(p.x()), WORD(p.y()))); }

void TrackModifiers(Qt::KeyboardModifiers m)
{
    SetModifierState(m & Qt::ControlModifier, m & Qt::ShiftModifier, m & Qt::AltModifier);
}

} // namespace

SHORT GetKeyState(int virtualKey)
{
    const int m = g_modifiers.load();
    const bool down = (virtualKey == int(VK_CONTROL) && (m & 1)) || (virtualKey == int(VK_SHIFT) && (m & 2)) ||
                      (virtualKey == int(VK_MENU) && (m & 4));
    return down ? SHORT(-0x8000) : SHORT(0);
}

void SetModifierState(bool control, bool shift, bool alt)
{
    g_modifiers.store((control ? 1 : 0) | (shift ? 2 : 0) | (alt ? 4 : 0));
}

UINT VirtualKeyFromQt(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return UINT(key);   // the same codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return VK_F1 + UINT(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Alt: return VK_MENU;
    default: return 0;
    }
}

class CQtWnd::Filter : public QObject {
public:
    explicit Filter(CQtWnd& owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_owner.m_hWnd)
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* e = static_cast<QKeyEvent*>(event);
            TrackModifiers(e->modifiers());
            UINT vk = VirtualKeyFromQt(e->key());
            if (!vk)
                return false;
            MSG msg{m_owner.m_hWnd, event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP, vk, 1, 0};
            if (CWinApp* app = AfxGetApp(); app && app->PreTranslateMessage(&msg))
                return true;
            m_owner.SendMessage(msg.message, msg.wParam, msg.lParam);
            return false;
        }
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            TrackModifiers(e->modifiers());
            UINT message = WM_MOUSEMOVE;
            if (event->type() != QEvent::MouseMove) {
                const bool press = event->type() == QEvent::MouseButtonPress;
                if (e->button() == Qt::LeftButton)
                    message = press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                else if (e->button() == Qt::RightButton)
                    message = press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
                else
                    return false;
            }
            m_owner.SendMessage(message, MouseFlags(e), PointParam(e->position().toPoint()));
            return false;
        }
        case QEvent::WindowActivate:
            // The window the user brings to the front becomes the active one.
            if (static_cast<QWidget*>(watched)->isWindow() && CWnd::GetActiveWindow() != &m_owner)
                m_owner.SetActiveWindow();
            return false;
        case QEvent::Move:
        case QEvent::Resize:
            if (!m_owner.m_syncing)
                m_owner.OnWidgetGeometry();
            return false;
        default:
            return false;
        }
    }

private:
    CQtWnd& m_owner;
};

CQtWnd::CQtWnd() : m_filter(new Filter(*this)) {}

CQtWnd::~CQtWnd()
{
    DestroyWindow();
    if (m_widget)
        m_widget->removeEventFilter(m_filter);
    delete m_filter;
}

void CQtWnd::AttachWidget(QWidget* widget)
{
    if (m_widget)
        m_widget->removeEventFilter(m_filter);
    m_widget = widget;
    if (!widget)
        return;
    widget->installEventFilter(m_filter);
    OnGeometryChanged();
    OnTextChanged();
    OnEnableChanged();
    OnVisibilityChanged();
}

bool CQtWnd::IsTopLevelWidget() const { return m_widget && !GetParent() && m_widget->isWindow(); }

void CQtWnd::OnWidgetGeometry()
{
    const bool topLevel = IsTopLevelWidget();
    const QRect g = m_widget->geometry();
    // A child's geometry(), as the window sets it; a window's whole frame.
    CRect r = topLevel ? OuterRect(m_widget) : CRect(g.x(), g.y(), g.x() + g.width(), g.y() + g.height());
    const bool framed = topLevel && m_placement.OnMoved(m_widget) == TopLevelPlacement::Moved::Framed;
    if (framed) {
        // Framed where the window manager chose (the place asked for, as a
        // rule): the rectangle keeps its size and the client area gives way.
        CRect before;
        GetWindowRect(&before);
        r = CRect(r.TopLeft(), before.Size());
    }
    m_syncing = true;
    MoveWindow(r);
    if (framed)
        m_placement.Resize(m_widget, r.Size());
    m_syncing = false;
    if (framed)
        PostMessage(WM_NCCALCSIZE);
}

void CQtWnd::OnGeometryChanged()
{
    if (!m_widget || m_syncing)
        return;
    CRect r;
    GetWindowRect(&r);
    if (IsTopLevelWidget()) {
        m_syncing = true;
        m_placement.Place(m_widget, r);
        m_syncing = false;
        return;
    }
    if (CWnd* parent = GetParent()) {
        CPoint origin = r.TopLeft();
        parent->ScreenToClient(&origin);
        r = CRect(origin, r.Size());
    }
    m_syncing = true;
    m_widget->setGeometry(r.left, r.top, r.Width(), r.Height());
    m_syncing = false;
}

void CQtWnd::OnVisibilityChanged()
{
    if (m_widget)
        m_widget->setVisible(m_hWnd && GetShowState() != SW_HIDE);
}

void CQtWnd::OnTextChanged()
{
    if (m_widget)
        m_widget->setWindowTitle(QString::fromLocal8Bit(GetWindowText().GetString()));
}

void CQtWnd::OnEnableChanged()
{
    if (m_widget)
        m_widget->setEnabled(IsWindowEnabled());
}
