// The export writers and the Save As dialog, as the film roll window calls them.
#pragma once

class CWnd;

// Saves the BMP file `bmpPath` as `outPath` in the format of `format`: 0 BMP, 1 TIFF, 2 JPEG, 3 ART.
// TRUE on success.
int FilmSavePicture(const char* bmpPath, const char* outPath, int format);
// Runs the Picture Save As dialog for the picture at `bmpPath` (owner window may be null);
// TRUE when a picture was saved.
int FilmSaveAsDialog(CWnd* owner, const char* bmpPath);
// Hands the picture file to the mail program; TRUE when it started.
int FilmMailPicture(const char* path);
// TRUE when the mail hand-off library can be loaded.
int FilmMailAvailable();
