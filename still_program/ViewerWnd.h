// The "Viewer": a top-level window showing the last picture at its own size,
// scrolled when larger and centred when smaller than 160 x 120, with its own
// menu to save, mail, copy, cut or close.
#pragma once

#include "framework/Menu.h"
#include "framework/QtWnd.h"
#include "types/CString.h"
#include "types/geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class CViewerView;

class CViewerWnd : public CQtWnd {
public:
    CViewerWnd();
    ~CViewerWnd() override;

    // Creates the window hidden; `workingDirectory` holds "temp999.bmp".
    BOOL Create(CWnd* parentView, const CString& workingDirectory);

    // Shows the picture file at `path`; "Did not load the file in the viewer"
    // and FALSE when it cannot be read.
    BOOL LoadPicture(const CString& path);
    void Set16Gray(BOOL sixteenGray) { m_b16Gray = sixteenGray; }

    BOOL ClosedByUser() const { return m_bClosedByUser; }
    void SetClosedByUser(BOOL closed) { m_bClosedByUser = closed; }
    BOOL PictureShown() const;
    const CString& CurrentFile() const;

    // Menu commands (also reached by the program's Ctrl+X / Ctrl+C / Ctrl+V).
    void OnSaveImage();
    void OnSendToAolMail();
    void OnCloseViewer();
    void OnCut();
    void OnCopy();

    // Save the picture at `source` through the save dialog; see CPictureFiles.
    BOOL SaveAs(const CString& source, CString& out, BOOL ask);

    // Scroll state, for the widget and the tests.
    CPoint ScrollPosition() const;
    CPoint CentringOffset() const;
    CSize ScrollRange() const;   // 0 in a direction without a scroll bar

    // What the widget draws: the picture's pixels (top row first, null when
    // none is shown), their size and where the top left corner goes.
    const std::vector<uint32_t>* Pixels() const;
    CSize PictureSize() const;
    CPoint DrawOrigin() const;
    // The visible part of the picture area (set by WM_SIZE).
    CSize PageSize() const;
    // What WM_SIZE carries: the picture area on screen, inside the menu and
    // the scroll bars; without a screen, the whole window.
    CSize ClientSize() const;
    // SB_LINE..., SB_PAGE..., SB_THUMBPOSITION / SB_THUMBTRACK with `thumb`.
    void Scroll(BOOL vertical, UINT code, int thumb);
    CMenu& Menu() { return m_menu; }

private:
    void ForgetPicture();
    void SetPageSize(int width, int height);
    void Changed();
    void BuildMenu();

    CMenu m_menu;
    std::unique_ptr<CViewerView> m_view;
    struct Picture;
    std::unique_ptr<Picture> m_picture;
    BOOL m_bClosedByUser = FALSE;
    BOOL m_b16Gray = FALSE;
    CString m_workingDirectory;
    CString m_lastExtension;
};
