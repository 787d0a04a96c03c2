// Stand-ins until the writers are built into the library: nothing is written,
// and mail is not offered.
#include "writers.h"

__attribute__((weak)) int FilmSavePicture(const char*, const char*, int) { return 0; }
__attribute__((weak)) int FilmSaveAsDialog(CWnd*, const char*) { return 0; }
__attribute__((weak)) int FilmMailPicture(const char*) { return 0; }
__attribute__((weak)) int FilmMailAvailable() { return 0; }
