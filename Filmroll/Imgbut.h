// Picture buttons: CBitButton stretches a picture file to the button (the film
// frames), CImageButton shows one at its own size (the trash can). Linux has no
// palette devices here, so the palette answers change nothing.
#pragma once

#include "CImg.h"
#include "framework/Wnd.h"

// The palette query a frame posts to its owner when clicked.
constexpr UINT kQueryNewPalette = 0x030F;

class CBitButton : public CWnd {
public:
    ~CBitButton() override;

    // The old picture is gone either way; FALSE when the new one did not load.
    BOOL LoadBitmap(const char* path);
    BOOL HasPicture() const { return m_picture.IsValid() && m_picture.IsValidDdb(); }
    // The device-dependent bitmap to draw in the button's rectangle, or null.
    HBITMAP GetDdb() const { return HasPicture() ? m_picture.GetDdb() : nullptr; }
    void OnClick(CWnd* owner);
    int OnQueryNewPalette() { return 0; }
    void OnPaletteChanged(CWnd*) {}

protected:
    void FreePicture();
    CImg m_picture;
};

class CImageButton : public CWnd {
public:
    ~CImageButton() override;

    BOOL LoadBitmap(const char* path);
    BOOL LoadBitmap(UINT resourceId);
    BOOL GetImageSize(CSize& size);
    HBITMAP GetDdb() const { return m_picture.IsValidDdb() ? m_picture.GetDdb() : nullptr; }
    int OnQueryNewPalette() { return 0; }
    void OnPaletteChanged(CWnd*) {}

private:
    BOOL MakeDdb(IMG_ERR loaded);
    CImg m_picture;
};
