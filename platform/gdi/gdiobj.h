// Thin framework wrappers over a device context and a palette, as the image
// object's callers hand them over.
#pragma once

#include "gdi/gdi.h"

class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : m_hDC(dc) {}
    HDC GetSafeHdc() const { return m_hDC; }
    HDC m_hDC = nullptr;
};

class CPalette {
public:
    CPalette() = default;
    ~CPalette() { DeleteObject(); }
    CPalette(const CPalette&) = delete;
    CPalette& operator=(const CPalette&) = delete;

    BOOL CreatePalette(const LOGPALETTE* palette)
    {
        DeleteObject();
        m_hObject = ::CreatePalette(palette);
        return m_hObject != nullptr;
    }
    BOOL DeleteObject()
    {
        if (!m_hObject)
            return FALSE;
        ::DeleteObject(m_hObject);
        m_hObject = nullptr;
        return TRUE;
    }
    // Takes over a palette made elsewhere.
    void Attach(HPALETTE palette) { DeleteObject(); m_hObject = palette; }
    HPALETTE Detach() { HPALETTE p = m_hObject; m_hObject = nullptr; return p; }
    HPALETTE GetSafeHandle() const { return m_hObject; }
    HPALETTE m_hObject = nullptr;
};
