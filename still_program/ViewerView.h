// The viewer on screen: a Qt widget with the viewer's menu, the picture drawn
// from its pixels and the two scroll bars, all feeding the window's logic.
#pragma once

#include "types/geometry.h"

#include <memory>

class CViewerWnd;
class QWidget;

class CViewerView {
public:
    virtual ~CViewerView() = default;
    virtual QWidget* Widget() const = 0;
    // The picture or the scroll state changed.
    virtual void Update() = 0;
    // The client area: where the picture is drawn, inside the menu and the
    // scroll bars.
    virtual CSize ClientSize() const = 0;
};

// Null when no Qt widget application runs (tests, no screen).
std::unique_ptr<CViewerView> MakeViewerView(CViewerWnd& viewer);
