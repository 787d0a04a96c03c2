// A bitmap button: up to four pictures loaded by resource name (up, pressed,
// focused, disabled), drawn by the state the button is in, and a size taken
// from the up picture. The canister of the "Film Roll" window is one.
#pragma once

#include "framework/Wnd.h"
#include "gdi/gdi.h"

#include <array>

// Owner-drawn item states.
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;

class CAfxBitmapButton : public CWnd {
public:
    CAfxBitmapButton() = default;
    ~CAfxBitmapButton() override;

    // Frees the pictures held, then loads the named ones (null names are
    // skipped). FALSE when the up picture or a named other is missing; what
    // did load stays.
    BOOL LoadBitmaps(const char* name, const char* selected = nullptr, const char* focus = nullptr,
                     const char* disabled = nullptr);
    // Resizes the button to its up picture; nothing without one.
    void SizeToContent();
    // The picture for an owner-drawn state: pressed, else focused, else
    // disabled when the button holds one for that state, else the up picture.
    HBITMAP BitmapFor(UINT state) const;
    // Copies that picture to rect's top-left in dc; FALSE with nothing to draw.
    BOOL DrawItem(HDC dc, const RECT& rect, UINT state) const;
    HBITMAP GetBitmap() const { return m_bitmaps[kUp]; }

private:
    enum { kUp, kSelected, kFocus, kDisabled };
    void FreeBitmaps();

    std::array<HBITMAP, 4> m_bitmaps{};
};
