// The stored picture modes ("General Settings"), shared by the view and the
// auto-capture schedule.
#pragma once

#include "types/geometry.h"
#include "types/wintypes.h"

enum : WORD { kExposureSingle = 0, kExposureAuto = 1 };
enum : WORD { kMultiOne = 0, kMultiThree = 1, kMultiFive = 2, kMultiOther = 3 };
enum : WORD { kShutterNormal = 0, kShutterBulb = 1, kShutterTimed = 2 };
enum : WORD { kDestClipboard = 0, kDestFile = 1, kDestMail = 2, kDestFilmroll = 3 };

// The picture modes the view works with (their settings in "General Settings").
struct CViewModes {
    WORD exposureMode = kExposureSingle;
    WORD multiExposureMode = kMultiOne;
    WORD otherCount = 1;
    WORD shutterMode = kShutterNormal;
    DWORD timedExposureSeconds = 3;
    BOOL selfTimerOn = FALSE;
    WORD selfTimerSeconds = 0;
    WORD destination = kDestFilmroll;
    BOOL showViewer = TRUE;
    BOOL showFilmroll = TRUE;
    CRect viewerRect;
    CRect filmrollRect;
    WORD driverIndex = 0;
};
