// Everything of the framework's value types in one include.
#pragma once

#include "CObList.h"
#include "CObject.h"
#include "CString.h"
#include "CTime.h"
#include "geometry.h"
#include "wintypes.h"
