// Loads the mail hand-off library as the programs' request for "AOLXFER32.DLL"
// does: beside the running program, beside the library that asks, then on
// the library path.
#pragma once

typedef int (*MovePictureToAolMailFunction)(const char* path);

// A handle for dlsym/dlclose, or null when the library is missing. `fileName`
// replaces the usual name (tests point it at a library that is not there).
void* LoadAolXferLibrary(const char* fileName = nullptr);
// The hand-off function of a loaded library, or null.
MovePictureToAolMailFunction FindMovePictureToAolMail(void* library);
