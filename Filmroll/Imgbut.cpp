#include "Imgbut.h"

#include "readfile.h"

CBitButton::~CBitButton()
{
    FreePicture();
}

void CBitButton::FreePicture()
{
    if (m_picture.IsValid())
        m_picture.Delete();
    if (m_picture.IsValidDdb())
        m_picture.DeleteDdb();
}

BOOL CBitButton::LoadBitmap(const char* path)
{
    FreePicture();
    BOOL ok = FALSE;
    if (path && *path && LoadPictureFile(m_picture, path) == IMG_ERR_NONE) {
        CRect r;
        GetClientRect(&r);
        ok = r.Width() > 0 && r.Height() > 0 && m_picture.CreateDdb(CSize(r.Width(), r.Height())) == IMG_ERR_NONE;
        if (!ok)
            FreePicture();
    }
    return ok;
}

void CBitButton::OnClick(CWnd* owner)
{
    if (owner) {
        owner->PostMessage(kQueryNewPalette);
        return;
    }
    if (!m_picture.IsValid())
        return;
    CRect r;
    GetClientRect(&r);
    m_picture.DeleteDdb();
    m_picture.CreateDdb(CSize(r.Width(), r.Height()));
}

CImageButton::~CImageButton()
{
    if (m_picture.IsValid())
        m_picture.Delete();
}

BOOL CImageButton::MakeDdb(IMG_ERR loaded)
{
    if (loaded != IMG_ERR_NONE)
        return FALSE;
    return m_picture.CreateDdb(CSize(-1, -1)) == IMG_ERR_NONE;
}

BOOL CImageButton::LoadBitmap(const char* path)
{
    if (m_picture.IsValidDdb())
        m_picture.DeleteDdb();
    if (m_picture.IsValid())
        m_picture.Delete();
    return path && MakeDdb(LoadPictureFile(m_picture, path));
}

BOOL CImageButton::LoadBitmap(UINT resourceId)
{
    if (m_picture.IsValidDdb())
        m_picture.DeleteDdb();
    if (m_picture.IsValid())
        m_picture.Delete();
    return MakeDdb(m_picture.Load(resourceId));
}

BOOL CImageButton::GetImageSize(CSize& size)
{
    return m_picture.IsValid() && m_picture.GetSize(size) == IMG_ERR_NONE;
}
