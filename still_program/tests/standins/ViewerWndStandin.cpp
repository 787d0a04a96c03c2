// Stand-in for the viewer while its unit is not on this branch: a hidden
// "Viewer" window that accepts any readable picture file.
#include <QWidget>

#include "ViewerWnd.h"

#include <cstdio>

struct CViewerWnd::Picture {
    CString path;
};

CViewerWnd::CViewerWnd() : m_picture(std::make_unique<Picture>()) {}
CViewerWnd::~CViewerWnd() { DestroyWindow(); }

BOOL CViewerWnd::Create(CWnd*, const CString& workingDirectory)
{
    m_workingDirectory = workingDirectory;
    return CWnd::Create(nullptr, "Viewer", 0, CRect(0, 0, 200, 180));
}

BOOL CViewerWnd::LoadPicture(const CString& path)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return FALSE;
    std::fclose(f);
    m_picture->path = path;
    return TRUE;
}

BOOL CViewerWnd::PictureShown() const { return !m_picture->path.IsEmpty(); }
const CString& CViewerWnd::CurrentFile() const { return m_picture->path; }
void CViewerWnd::OnSaveImage() {}
void CViewerWnd::OnSendToAolMail() {}
void CViewerWnd::OnCloseViewer()
{
    m_bClosedByUser = TRUE;
    ShowWindow(SW_HIDE);
}
void CViewerWnd::OnCut() {}
void CViewerWnd::OnCopy() {}
BOOL CViewerWnd::SaveAs(const CString&, CString&, BOOL) { return FALSE; }
CPoint CViewerWnd::ScrollPosition() const { return CPoint(); }
CPoint CViewerWnd::CentringOffset() const { return CPoint(); }
CSize CViewerWnd::ScrollRange() const { return CSize(); }
