#include "AutoCaptureDialogs.h"

#include "framework/UiService.h"

int RunAutoCaptureDialog(CAutoCaptureSchedule&, CWnd*) { return IDCANCEL; }
