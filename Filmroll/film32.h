// The film roll library: up to 36 pictures in one folder, listed in film.ini
// and shown in the "Film Roll" window. Callers use the exports below and hear
// from the window through their own CFilmrollUser.
#pragma once

#include "types/CString.h"
#include "types/wintypes.h"

class CFilmrollUser {
public:
    // A frame was double-clicked; the path of its picture.
    virtual void VFilmrollOpenImage(const CString& path) = 0;
    // The window closes: flag 0 and its screen rectangle.
    virtual void VFilmrollWindowRect(int flag, int left, int top, int right, int bottom) = 0;
    // The window's handle after every open; null when the library destroys it.
    virtual void VFilmrollWindowHandle(HWND hwnd) = 0;
    // The user chose to mail this picture file.
    virtual void VFilmrollSendToAOLMail(CString path) = 0;

protected:
    ~CFilmrollUser() = default;
};

#define FILM32_EXPORT __attribute__((visibility("default")))

extern "C" {
FILM32_EXPORT int FILM_Initialize(const char* rollDirectory);
FILM32_EXPORT int FILM_Uninitialize();
FILM32_EXPORT int FILM_OpenDialog(CFilmrollUser* user);
FILM32_EXPORT int FILM_CloseDialog();
// A whole BMP file image in memory.
FILM32_EXPORT int FILM_AddImage(void* bmpFile);
FILM32_EXPORT int FILM_AddImageFromFile(const CString& path);
FILM32_EXPORT int FILM_SaveConfigFile();
FILM32_EXPORT int FILM_DeleteSelected();
FILM32_EXPORT int FilmrollEditCopy();
FILM32_EXPORT int FilmrollEditCut();
FILM32_EXPORT int FilmrollDeleteAll();
FILM32_EXPORT int FilmrollMenuClose();
FILM32_EXPORT int FILM_DrawImagesANDSetHighlights();
}
