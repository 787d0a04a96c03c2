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
    CImg m_picture;
    BOOL m_wrote = FALSE;
};

// The extension of a path with its dot ("" without one), as typed.
CString PathExtension(const CString& path);
// The filter that lists the format of `extension` first (BMP for others).
const char* SaveAsFilterFor(const CString& extension);
// Shows one of the film roll's message texts, registering it if the program
// has not.
int FilmMessageBox(UINT stringId, UINT type);
