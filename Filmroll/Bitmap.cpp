#include "Bitmap.h"

namespace {

// A memory DC and the bitmap selected into it, both freed on every way out.
class ScratchDc {
public:
    explicit ScratchDc(HDC like) : m_dc(CreateCompatibleDC(like)) {}
    ~ScratchDc()
    {
        if (m_dc) {
            SelectObject(m_dc, m_oldBrush ? m_oldBrush : GetStockBrush(WHITE_BRUSH));
            SelectObject(m_dc, m_oldBitmap);
            DeleteDC(m_dc);
        }
        if (m_owned)
            DeleteObject(m_owned);
    }
    ScratchDc(const ScratchDc&) = delete;
    ScratchDc& operator=(const ScratchDc&) = delete;

    // Selects a bitmap this object frees (owned) or only borrows.
    bool Hold(HBITMAP bitmap, bool owned)
    {
        if (owned)
            m_owned = bitmap;
        if (!m_dc || !bitmap)
            return false;
        m_oldBitmap = SelectObject(m_dc, bitmap);
        return true;
    }
    void Brush(HBRUSH brush) { m_oldBrush = SelectObject(m_dc, brush); }
    HDC dc() const { return m_dc; }

private:
    HDC m_dc;
    HBITMAP m_owned = nullptr;
    HBITMAP m_oldBitmap = nullptr;
    HBRUSH m_oldBrush = nullptr;
};

} // namespace

BOOL CDIBBitmap::GTransparentPaint(HDC dc, int x, int y, HBITMAP bitmap, COLORREF transparent,
                                   BOOL useBrush, HBRUSH brush)
{
    BITMAP bm{};
    if (!dc || !bitmap || !GetObject(bitmap, sizeof bm, &bm))
        return FALSE;
    const int w = bm.bmWidth, h = bm.bmHeight;
    ScratchDc picture(dc), mask(dc), result(dc);
    if (!picture.Hold(bitmap, false) || !mask.Hold(CreateBitmap(w, h, 1, 1, nullptr), true) ||
        !result.Hold(CreateCompatibleBitmap(dc, w, h), true))
        return FALSE;

    // Mask: white where the picture has the transparent colour, black elsewhere.
    COLORREF oldBackground = SetBkColor(picture.dc(), transparent);
    BOOL ok = BitBlt(mask.dc(), 0, 0, w, h, picture.dc(), 0, 0, SRCCOPY);
    SetBkColor(picture.dc(), oldBackground);

    // A hollow brush has no colour to show: the destination shows instead.
    if (useBrush && GdiBrushColour(brush) != CLR_INVALID) {
        result.Brush(brush);
        ok = ok && PatBlt(result.dc(), 0, 0, w, h, PATCOPY);
    } else {
        ok = ok && BitBlt(result.dc(), 0, 0, w, h, dc, x, y, SRCCOPY);
    }
    // background ^ picture, cleared where the picture is opaque, ^ picture again:
    // the background where the mask is white, the picture where it is black.
    SetBkColor(result.dc(), RGB(255, 255, 255));
    SetTextColor(result.dc(), RGB(0, 0, 0));
    ok = ok && BitBlt(result.dc(), 0, 0, w, h, picture.dc(), 0, 0, SRCINVERT);
    ok = ok && BitBlt(result.dc(), 0, 0, w, h, mask.dc(), 0, 0, SRCAND);
    ok = ok && BitBlt(result.dc(), 0, 0, w, h, picture.dc(), 0, 0, SRCINVERT);
    return ok && BitBlt(dc, x, y, w, h, result.dc(), 0, 0, SRCCOPY);
}
