// The film roll's writers, Save As and mail hand-off, as the roll and its
// window call them.
#pragma once

#include "framework/Wnd.h"
#include "types/CString.h"

// Saves the BMP file `bmpPath` as `outPath` in the format of `format`: 0 BMP, 1 TIFF, 2 JPEG, 3 ART.
// TRUE on success.
int FilmSavePicture(const char* bmpPath, const char* outPath, int format);
// Runs the Picture Save As dialog for the picture at `bmpPath`, offering
// `suggestedName` (owner window may be null); TRUE when a picture was saved.
// `chosenName` gets the name the dialog ended on (the suggested one after
// Cancel), or stays empty when the picture could not be loaded.
int FilmSaveAsDialog(CWnd* owner, const char* bmpPath, const CString& suggestedName, CString& chosenName);
// Hands the picture file to the mail program; TRUE when it started.
int FilmMailPicture(const char* path);
// TRUE when the mail hand-off library can be loaded.
int FilmMailAvailable();

// The Send to Mail save: runs the mail variant of the Picture Save As for the
// picture at `bmpPath`; TRUE with `savedPath` set when a file was written.
int FilmSaveForMailDialog(CWnd* owner, const char* bmpPath, CString& savedPath);
