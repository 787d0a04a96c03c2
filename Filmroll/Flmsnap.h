// The picture Save As: one picture, a save dialog, and the writer that the
// chosen name's extension calls for. Its own window is never created.
#pragma once

#include "framework/Dialog.h"
#include "CImg.h"
#include "types/CString.h"

constexpr UINT IDD_IMGEDIT = 106;
constexpr UINT IDS_DISK_FULL = 40015;
constexpr UINT IDS_NO_16_GRAY_JPEG = 40016;

class CImgEdit : public CDialog {
public:
    CImgEdit(CWnd* owner, const CString& suggestedName);
    ~CImgEdit() override;

    // Reads regular files only: a FIFO under a picture's name is refused.
    BOOL LoadFromFile(const CString& path);
    // 0: the mail variant, TRUE when a file was written. Any other kind: the
    // normal variant, TRUE.
    BOOL DoFileSaveAsDialog(int kind);
    const CString& GetSaveFileName() const { return m_saveAsName; }
    BOOL SetSaveAsFileName(const CString& name);
    // Whether the last Save As wrote a file.
    BOOL Wrote() const { return m_wrote; }

private:
    void OnFileSaveas();
    BOOL AOLFileSaveas();
    // Writes the picture to `path` by its extension; TRUE when written.
    BOOL WriteByExtension(const CString& path);
    BOOL WriteJpeg(const CString& path);
    BOOL WriteArt(const CString& path);

    CString m_saveAsName;
    CString m_suggestedName;
    // The file the picture came from: JPEG and ART are made from it.
    CString m_source;
    CImg m_picture;
    BOOL m_wrote = FALSE;
};

// Writes `picture` as a whole new file at `path` through the suite's one
// atomic writer: an existing file (even a multi-page TIFF) is replaced only
// once the new one is complete, never added to. `type` is an IMG_TYPE_*.
bool SavePictureFile(const CImg& picture, const CString& path, uint16_t type);
// The engine type the picture Save As writes for a name that is neither
// JPEG nor ART: TIFF for ".tif", a Windows bitmap for anything else.
uint16_t EngineTypeFor(const CString& path);

// The extension of a path with its dot ("" without one), as typed.
CString PathExtension(const CString& path);
// The filter that lists the format of `extension` first (BMP for others).
const char* SaveAsFilterFor(const CString& extension);
// Shows one of the film roll's message texts, registering it if the program
// has not.
int FilmMessageBox(UINT stringId, UINT type);
