// The stored picture modes ("General Settings"), shared by the view and the
// auto-capture schedule.
#pragma once

#include "types/wintypes.h"

enum : WORD { kExposureSingle = 0, kExposureAuto = 1 };
enum : WORD { kMultiOne = 0, kMultiThree = 1, kMultiFive = 2, kMultiOther = 3 };
enum : WORD { kShutterNormal = 0, kShutterBulb = 1, kShutterTimed = 2 };
enum : WORD { kDestClipboard = 0, kDestFile = 1, kDestMail = 2, kDestFilmroll = 3 };
