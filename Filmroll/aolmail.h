// Whether the mail hand-off library is there, and the hand-off through it.
#pragma once

#include "types/wintypes.h"

class CAOLMail {
public:
    // Looks for the library (once it is found it stays loaded); TRUE.
    static BOOL GAOLMail();
    // TRUE when the library is loaded.
    static BOOL GUseAOLMail();
    // Hands `path` to the library; TRUE when the mail program started.
    static BOOL GMovePicture(const char* path);
    // Tests only: look for the library under another name (null: the usual
    // one), for the whole process.
    static void GSetLibraryName(const char* fileName);
};
