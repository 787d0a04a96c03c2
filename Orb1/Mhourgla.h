// Shows the hourglass and holds the mouse capture for its lifetime.
#pragma once

#include "framework/UiService.h"
#include "framework/Wnd.h"

class MHourglass {
public:
    explicit MHourglass(CWnd* window = nullptr);
    ~MHourglass();
    MHourglass(const MHourglass&) = delete;
    MHourglass& operator=(const MHourglass&) = delete;

private:
    CursorShape m_previousCursor;
    HWND m_previousCapture;
    bool m_captured = false;
};
