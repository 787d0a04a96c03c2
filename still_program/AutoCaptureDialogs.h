// The two auto-capture dialogs: the options (interval list, latest image,
// file series) and the custom schedule behind its "Other..." entry.
#pragma once

#include "Schedule.h"

class CWnd;

// Runs the options dialog on `schedule`, which is changed only on OK.
// Returns IDOK or IDCANCEL.
int RunAutoCaptureDialog(CAutoCaptureSchedule& schedule, CWnd* owner);
