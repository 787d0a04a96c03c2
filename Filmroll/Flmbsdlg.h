// The strip of the "Film Roll" window: three frames over the roll, scrolling,
// the selection and its marks, the counter, and where everything is drawn.
// No widget here: a view reads PaintPlan() and draws it.
#pragma once

#include "Afbitbut.h"
#include "Film.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

#include <array>
#include <vector>

enum TYPE_CONTROL_ID { FRAME_LEFT = 0, FRAME_MIDDLE = 1, FRAME_RIGHT = 2, FRAME_NONE = 3 };

struct TYPE_filmControls {
    CPicture picture{CString()};
    int id = 0;
};

constexpr int kNoSelection = -10;
constexpr COLORREF kMarkSelected = 0x0000d000;   // green, as COLORREF 0x00bbggrr
constexpr COLORREF kHoleFill = 0x00c0c0c0;
constexpr COLORREF kTransparent = 0x00ff00ff;

// The "NN / 36" counter: each glyph is one of the digits or the separator stroke.
class CCountDownTime {
public:
    static constexpr int kGlyphWidth = 11;
    static constexpr int kGlyphHeight = 20;
    static constexpr int kSeparator = 10;

    void SetOrigin(int x, int y) { m_rect = CRect(x, y, x + 3 * kGlyphWidth, y + kGlyphHeight); }
    const CRect& GetRect() const { return m_rect; }
    // Left to right: tens, units, separator, 3, 6.
    static std::array<int, 5> Glyphs(int count);

private:
    CRect m_rect;
};

// What one paint of the window draws, in client coordinates.
struct FilmPaintPlan {
    struct Mark {
        CRect rect;      // 2 pixels outside the frame
        bool selected;   // 1-pixel green, else 4-pixel black
    };
    CRect band;
    std::vector<CRect> holes;
    std::vector<Mark> marks;
    CPoint canister{8, 7};
    bool showCounter = false;
    CPoint counterAt;
    std::array<int, 5> counterGlyphs{};
    bool showTrash = false;
    CRect trash;
    // Minimised: only the window's icon is drawn, at iconAt, over a hollow background.
    bool iconic = false;
    CPoint iconAt{1, 1};
};

class CFilmBaseDlg : public CDialog {
public:
    CFilmBaseDlg(UINT templateId, int frame1, int frame2, int frame3, int scrollBar, int filmBand,
                 int canister, int number1, int number2, int number3, int trash, CWnd* owner,
                 CFilmRoll* roll);
    ~CFilmBaseDlg() override;

    void Initialize(int first);
    void AlignControls();
    void AlignWindow();
    void UpdateDialog();
    void RemoveAllFilmrollItems();
    virtual BOOL AddImageToFilm(CPicture* picture);
    void ClickControl(TYPE_CONTROL_ID k);
    void ScrollFilm(UINT code, int pos, CScrollBar* bar);
    void DrawImages();
    void DrawHighlights(TYPE_CONTROL_ID p);
    void SetHighlights();
    void Flash() { DrawImages(); }
    void RenumberFrames();

    CPicture* GetSelectedPicture() const;
    BOOL GetSelectedPictureIndex(int* index) const;
    int GetFilmrollCount() const { return m_roll ? m_roll->GetCount() : 0; }
    int GetScrollPosition() const { return m_scrollPosition; }
    TYPE_CONTROL_ID GetMarkedFrame() const { return m_marked; }
    CFilmRoll* GetRoll() const { return m_roll; }
    CPicture& Frame(int k) { return m_frames[size_t(k)].picture; }
    CScrollBar& ScrollBar() { return m_scrollBar; }
    CWnd& Number(int k) { return m_numbers[size_t(k)]; }
    CWnd& Band() { return m_band; }
    CAfxBitmapButton& Canister() { return m_canister; }
    // The rectangle of one of this window's controls, in client coordinates.
    CRect ControlRect(const CWnd& control) const;
    FilmPaintPlan PaintPlan() const;
    // Palette messages. Linux shows no palette devices, so no colours ever
    // change; the frames are still asked as the messages say.
    void PaletteChanged(CWnd* changer);
    int QueryNewPalette();
    // Where the trash can stands, beside the scroll bar when it would overlap it.
    CRect TrashRect() const;

protected:
    // Makes the controls at their places in the window's layout; the window exists.
    BOOL CreateControls();
    virtual void Repaint() {}
    virtual CWnd* TrashButton() = 0;
    void SetScrollRange(int maximum);
    int ScrollMax() const;

    CFilmRoll* m_roll;
    CWnd* m_owner;
    CAfxBitmapButton m_canister;
    int m_canisterId;
    std::array<int, 3> m_numberIds;
    int m_scrollPosition = 0;
    std::array<TYPE_filmControls, 3> m_frames;
    int m_selected = kNoSelection;
    int m_scrollBarId;
    int m_bandId;
    int m_trashId;
    CCountDownTime* m_counter;

    CScrollBar m_scrollBar;
    CWnd m_band;
    std::array<CWnd, 3> m_numbers;
    TYPE_CONTROL_ID m_marked = FRAME_NONE;
};

// The colour under the canister and the counter: the menu colour.
COLORREF GetSysColorVer();

// The size the canister picture is drawn at, and so the canister button's size.
constexpr int kCanisterWidth = 72;
constexpr int kCanisterHeight = 112;
constexpr int kTrashSize = 32;
