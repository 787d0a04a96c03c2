// The program's help: HTML pages shipped beside it.
#pragma once

#include "types/CString.h"

// The path of help/index.html, looked up like the sounds; empty when missing.
CString SnapvoHelpPath(const CString& workingDirectory = CString());
