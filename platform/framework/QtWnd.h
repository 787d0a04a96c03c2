// A window shown by a Qt widget. The widget follows the window's rectangle,
// visibility, title and enabled state; the widget's keyboard and mouse input
// and its moves and resizes arrive as messages (keys pass the application's
// PreTranslateMessage first, which may consume them). A window without a
// parent is its outer rectangle, the window manager's frame included
// (QtPlacement.h); when that frame first shows or changes, the window keeps its
// rectangle and hears WM_NCCALCSIZE, as its client area changed.
#pragma once

#include "framework/QtPlacement.h"
#include "framework/Wnd.h"

#include <QObject>
#include <QPointer>

class QWidget;

class CQtWnd : public CWnd {
public:
    CQtWnd();
    ~CQtWnd() override;

    // Borrows the widget; it shows this window from now on.
    void AttachWidget(QWidget* widget);
    QWidget* Widget() const { return m_widget; }

protected:
    void OnGeometryChanged() override;
    void OnVisibilityChanged() override;
    void OnTextChanged() override;
    void OnEnableChanged() override;

private:
    class Filter;
    friend class Filter;
    QPointer<QWidget> m_widget;
    bool IsTopLevelWidget() const;
    // The widget moved or resized itself, or the window system did.
    void OnWidgetGeometry();

    Filter* m_filter = nullptr;
    bool m_syncing = false;
    TopLevelPlacement m_placement;
};

// The virtual key for a Qt key, 0 for keys the suite does not use.
UINT VirtualKeyFromQt(int qtKey);
