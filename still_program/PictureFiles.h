// Writing a taken picture to a file: the save dialog of single pictures, the
// latest-image file and numbered series of auto capture, and the writers the
// view and the viewer share (BMP copy, JPEG, TIFF, ART by extension).
#pragma once

#include "gdi/globalmem.h"
#include "types/CString.h"
#include "types/wintypes.h"

#include <functional>

class CWnd;

// Writes the camera's current frame to `tempPath` as a BMP file and sets
// `sixteenGray` for a 4-bit frame. FALSE when nothing usable was written; the
// grab has then already told the user (string 61244).
using GrabToFileFn = std::function<BOOL(const CString& tempPath, BOOL& sixteenGray)>;

// What an auto-capture save reads of the schedule and writes back to it.
struct CAutoSaveTarget {
    CString latestImageName;   // in: as stored; out: the full path written
    BOOL fileSeries = FALSE;
    CString incrementName;     // base name of the series
};

// The save dialog's set-up for a last extension (lower case with its dot).
struct CSaveDialogSetup {
    CString filter;            // "Bitmap files|*.bmp|...||", the chosen type first
    CString defaultExt;        // ".bmp", ".jpg", ".tif" or ".art"
    CString fileName;          // "Untitled" + defaultExt
};
// `ask` TRUE: set up from `lastExtension` (empty counts as ".bmp");
// FALSE: the JPEG set-up of the mail destination.
CSaveDialogSetup SaveDialogSetup(const CString& lastExtension, BOOL ask);
// Hide read-only, prompt before overwriting, only into an existing folder.
constexpr UINT kSaveDialogFlags = 0x0806;
// Runs the save-as dialog set up so, above `owner` (may be null); TRUE with
// `path` set when the user chose a name.
BOOL AskSavePath(const CSaveDialogSetup& setup, CWnd* owner, CString& path);
// The save dialog and the write of the BMP file `source` under the chosen name,
// with the messages the user sees on refusal or failure. `lastExtension` is
// what the dialog is set up from and becomes the chosen name's. FALSE when the
// user cancelled or the write failed; TRUE with `path` set when written, or
// with `path` empty when a 16-gray picture was refused as JPEG.
BOOL AskAndWritePicture(CWnd* owner, const char* source, BOOL ask, BOOL sixteenGray,
                        CString& lastExtension, CString& path);

enum class PictureWrite { Written, SixteenGrayJpeg, Failed };
// Writes the BMP file `source` as `target` in the format its extension names
// (".jpg", ".tif", ".art", anything else a byte copy). The target appears
// under its final name only when complete. Shows no message.
PictureWrite WritePictureAs(const char* source, const char* target, BOOL sixteenGray);

class CPictureFiles {
public:
    // `owner` owns the message boxes and the dialog (may be null).
    explicit CPictureFiles(CWnd* owner) : m_owner(owner) {}

    // A single picture: grab into a unique temporary file in `workingDirectory`,
    // ask for the name, write it. TRUE with `path` set when saved (also TRUE
    // when a 16-gray picture was refused as JPEG, as the program counts it).
    BOOL SaveSingle(const CString& workingDirectory, const GrabToFileFn& grab, BOOL ask,
                    BOOL& sixteenGray, CString& path);
    // An auto-capture picture: the latest-image file and, when on, the next
    // file of the series. FALSE stops the run.
    BOOL SaveAuto(const GrabToFileFn& grab, CAutoSaveTarget& target, BOOL& sixteenGray,
                  CString& path);

    const CString& LastExtension() const { return m_lastExtension; }
    void SetLastExtension(const CString& extension) { m_lastExtension = extension; }

private:
    CWnd* m_owner;
    CString m_lastExtension;
};

// The next free name of a numbered series in `directory` (empty: the current
// directory), or empty when every number is taken.
CString NextSeriesName(const CString& directory, const CString& base, const CString& extension);

// The writers behind WritePictureAs, for callers that need them alone.
BOOL ConvertBmpToJpeg(const char* bmpPath, const char* jpegPath);
// The ART stream of a BMP file in a global memory block, or null.
HGLOBAL EncodeArt(const char* bmpPath, DWORD* size, BOOL fastPreview);
// The file without its 14-byte file header, in a global memory block, or null.
HGLOBAL ReadBmpFile(const char* path);
