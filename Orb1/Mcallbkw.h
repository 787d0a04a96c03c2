// The hidden window, one per application, that receives posted callbacks.
#pragma once

#include "framework/Wnd.h"

class MCallbackWindow : public CWnd {
public:
    MCallbackWindow();
    ~MCallbackWindow() override;

    // Creates this application's window (TRUE when it exists afterwards).
    static BOOL GCreate();
    static BOOL GCallbackWindow();
    // Null when it cannot be created.
    static HWND GGetCallbackHwnd();
    static void GDestroy();
};
