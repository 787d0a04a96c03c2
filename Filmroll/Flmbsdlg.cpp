#include "Flmbsdlg.h"

#include "Resource.h"
#include "framework/UiService.h"

#include <algorithm>

namespace {

constexpr int kScrollBarHeight = 16;
const CSize kNumberSize(24, 14);

} // namespace

std::array<int, 5> CCountDownTime::Glyphs(int count)
{
    count = std::clamp(count, 0, 99);
    return {count / 10, count % 10, kSeparator, 3, 6};
}

CFilmBaseDlg::CFilmBaseDlg(UINT templateId, int frame1, int frame2, int frame3, int scrollBar,
                           int filmBand, int canister, int number1, int number2, int number3,
                           int trash, CWnd* owner, CFilmRoll* roll)
    : CDialog(templateId, owner), m_roll(roll), m_owner(owner), m_canisterId(canister),
      m_numberIds{number1, number2, number3}, m_scrollBarId(scrollBar), m_bandId(filmBand),
      m_trashId(trash), m_counter(new CCountDownTime)
{
    m_frames[0].id = frame1;
    m_frames[1].id = frame2;
    m_frames[2].id = frame3;
}

CFilmBaseDlg::~CFilmBaseDlg()
{
    delete m_counter;
}

CRect CFilmBaseDlg::ControlRect(const CWnd& control) const
{
    CRect r;
    control.GetWindowRect(&r);
    POINT tl{r.left, r.top};
    ScreenToClient(&tl);
    return CRect(tl, r.Size());
}

BOOL CFilmBaseDlg::CreateControls()
{
    const DWORD child = WS_CHILD | WS_VISIBLE;
    BOOL ok = m_canister.Create(this, "FILM", child, CRect(8, 7, 8 + kCanisterWidth, 7 + kCanisterHeight), UINT(m_canisterId));
    ok = ok && m_band.Create(this, "", child, CRect(0, 0, 10, 10), UINT(m_bandId));
    for (size_t k = 0; k < 3 && ok; ++k)
        ok = m_frames[k].picture.AttachControl(m_frames[k].id, this, CRect(0, 0, 10, 10));
    ok = ok && m_scrollBar.Create(this, "", child, CRect(0, 0, 10, kScrollBarHeight), UINT(m_scrollBarId));
    for (size_t k = 0; k < 3 && ok; ++k)
        ok = m_numbers[k].Create(this, std::to_string(k + 1).c_str(), child,
                                 CRect(CPoint(0, 0), kNumberSize), UINT(m_numberIds[k]));
    return ok;
}

int CFilmBaseDlg::ScrollMax() const
{
    int count = GetFilmrollCount();
    return count > 3 ? count - 3 : 0;
}

void CFilmBaseDlg::SetScrollRange(int maximum)
{
    m_scrollBar.SetScrollRange(0, maximum);
}

void CFilmBaseDlg::Initialize(int first)
{
    // Without its picture the canister keeps the size it was made with.
    if (m_canister.LoadBitmaps(kCanisterResource))
        m_canister.SizeToContent();
    AlignControls();
    int count = GetFilmrollCount();
    for (int k = 0; k < 3; ++k) {
        CPicture* p = m_roll ? m_roll->GetAtIndex(first + k) : nullptr;
        Frame(k).SetImageName(p ? p->GetImageName() : CString());
        Frame(k).Display();
    }
    SetScrollRange(ScrollMax());
    m_scrollPosition = 0;
    m_scrollBar.SetScrollPos(0);
    if (count > 0) {
        m_selected = 0;
        DrawHighlights(FRAME_LEFT);
    } else {
        m_selected = kNoSelection;
        DrawHighlights(FRAME_NONE);
    }
}

void CFilmBaseDlg::AlignControls()
{
    CRect c = ControlRect(m_canister);
    int a = c.Height() - 18;
    int d = a * 3 / 19;
    int u = a - 2 * d;
    int v = u * 240 / 224;
    int m = 3 * v + 4 * d;
    CRect band(c.right, c.top + 14, c.right + m, c.top + 14 + a);
    m_band.MoveWindow(band);
    for (int k = 0; k < 3; ++k) {
        int x = band.left + d + k * (v + d);
        Frame(k).MoveWindow(x, band.top + d, v, u);
    }
    CRect s = ControlRect(m_scrollBar);
    m_scrollBar.MoveWindow(c.right, c.bottom + 11, m, s.Height());
}

void CFilmBaseDlg::AlignWindow()
{
    CRect c = ControlRect(m_canister);
    CRect b = ControlRect(m_band);
    CRect s = ControlRect(m_scrollBar);
    CRect n = ControlRect(m_numbers[0]);
    std::array<CRect, 3> f;
    for (int k = 0; k < 3; ++k)
        f[size_t(k)] = ControlRect(Frame(k));
    int A = b.Width() + c.Width() + 80;

    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    int width = (window.Width() - client.Width()) / 2 + A - 15;
    int height = s.bottom + c.Height() - b.bottom + 90;
    MoveWindow(window.left, window.top, width, height);
    m_canister.ShowWindow(SW_HIDE);

    GetClientRect(&client);
    int X = (client.Width() - A) / 2 + c.Width() + 20;
    int bandTop = b.top - c.top + 20;
    m_band.MoveWindow(X, bandTop, b.Width(), b.Height());
    for (int k = 0; k < 3; ++k) {
        const CRect& r = f[size_t(k)];
        Frame(k).MoveWindow(X + (r.left - b.left), bandTop + (r.top - b.top), r.Width(), r.Height());
    }
    m_scrollBar.MoveWindow(X, b.bottom - c.top + 48, s.Width(), s.Height() + 5);
    static constexpr int kNumberShift[3] = {-2, 2, 7};
    for (int k = 0; k < 3; ++k) {
        CRect r = ControlRect(Frame(k));
        m_numbers[size_t(k)].MoveWindow(r.left + kNumberShift[k], b.bottom - c.top + 23, n.Width(), n.Height());
    }
    RenumberFrames();
}

void CFilmBaseDlg::RenumberFrames()
{
    bool show = GetFilmrollCount() > 0;
    for (int k = 0; k < 3; ++k) {
        m_numbers[size_t(k)].SetWindowText(std::to_string(m_scrollPosition + k + 1).c_str());
        m_numbers[size_t(k)].ShowWindow(show ? SW_SHOW : SW_HIDE);
    }
}

void CFilmBaseDlg::DrawImages()
{
    CWaitCursor wait;
    for (int k = 0; k < 3; ++k) {
        CPicture* p = m_roll ? m_roll->GetAtIndex(m_scrollPosition + k) : nullptr;
        Frame(k).SetImageName(p ? p->GetImageName() : CString());
        Frame(k).Display();
    }
    Repaint();
}

void CFilmBaseDlg::DrawHighlights(TYPE_CONTROL_ID p)
{
    m_marked = p;
    Repaint();
}

void CFilmBaseDlg::SetHighlights()
{
    int p = m_selected - m_scrollPosition;
    DrawHighlights(p >= 0 && p <= 2 ? TYPE_CONTROL_ID(p) : FRAME_NONE);
}

void CFilmBaseDlg::ClickControl(TYPE_CONTROL_ID k)
{
    if (k <= FRAME_RIGHT && m_scrollPosition + int(k) < GetFilmrollCount()) {
        DrawHighlights(k);
        m_selected = m_scrollPosition + int(k);
    }
    if (k <= FRAME_RIGHT)
        Frame(int(k)).OnClick(m_owner);
}

void CFilmBaseDlg::ScrollFilm(UINT code, int pos, CScrollBar* bar)
{
    if (code > SB_RIGHT)
        return;
    int max = ScrollMax();
    int next = m_scrollPosition;
    switch (code) {
    case SB_LINELEFT:
    case SB_LEFT:
        if (next > 0)
            --next;
        break;
    case SB_PAGELEFT:
        next = next - 3 >= 0 ? next - 3 : (next > 0 ? next - 1 : next);
        break;
    case SB_LINERIGHT:
    case SB_RIGHT:
        if (next < max)
            ++next;
        break;
    case SB_PAGERIGHT:
        next = next + 3 <= max ? next + 3 : (next < max ? next + 1 : next);
        break;
    default:   // thumb position and thumb track
        // A thumb beyond the bar's range is a bad message, not a place on the roll.
        next = std::clamp(pos, 0, max);
        break;
    }
    if (next == m_scrollPosition)
        return;
    m_scrollPosition = next;
    (bar ? *bar : m_scrollBar).SetScrollPos(next);
    DrawImages();
    SetHighlights();
}

BOOL CFilmBaseDlg::AddImageToFilm(CPicture* picture)
{
    if (!m_roll || GetFilmrollCount() + 1 > kFilmrollCapacity || !m_roll->Add(picture))
        return FALSE;
    int count = GetFilmrollCount();
    if (count > 3) {
        SetScrollRange(count - 3);
        m_scrollBar.SetScrollPos(count - 3);
        m_scrollPosition = count - 3;
    }
    m_selected = count - 1;
    return TRUE;
}

void CFilmBaseDlg::UpdateDialog()
{
    SetScrollRange(ScrollMax());
    m_scrollPosition = 0;
    m_scrollBar.SetScrollPos(0);
    m_selected = 0;
    DrawImages();
    DrawHighlights(GetFilmrollCount() > 0 ? FRAME_LEFT : FRAME_NONE);
    // An empty roll has nothing to select.
    if (GetFilmrollCount() == 0)
        m_selected = kNoSelection;
}

void CFilmBaseDlg::RemoveAllFilmrollItems()
{
    if (GetFilmrollCount() == 0)
        return;
    m_roll->RemoveAllElements();
    m_selected = 0;
    DrawImages();
    SetHighlights();
}

CPicture* CFilmBaseDlg::GetSelectedPicture() const
{
    return m_roll && m_selected >= 0 ? m_roll->GetAtIndex(m_selected) : nullptr;
}

BOOL CFilmBaseDlg::GetSelectedPictureIndex(int* index) const
{
    if (!index || !GetSelectedPicture())
        return FALSE;
    *index = m_selected;
    return TRUE;
}

CRect CFilmBaseDlg::TrashRect() const
{
    CRect band = ControlRect(m_band);
    CRect trash(band.left + 210, band.bottom + 20, band.left + 210 + kTrashSize, band.bottom + 20 + kTrashSize);
    // At that place the can would sit on the scroll bar; it goes beside it instead.
    CRect bar = ControlRect(m_scrollBar), overlap;
    if (overlap.IntersectRect(trash, bar))
        trash.OffsetRect(bar.right + 6 - trash.left, 0);
    return trash;
}

FilmPaintPlan CFilmBaseDlg::PaintPlan() const
{
    FilmPaintPlan plan;
    plan.iconic = IsIconic();
    CRect band = ControlRect(m_band);
    plan.band = band;
    std::array<CRect, 3> frames;
    for (size_t k = 0; k < 3; ++k)
        frames[k] = ControlRect(m_frames[k].picture);

    int s = (frames[0].top - band.top) / 2;
    if (s > 0) {
        int n = band.Width() / (2 * s);
        int g = n > 0 ? (band.Width() - s * n) / n : 0;
        for (int i = 0; i < n; ++i) {
            int x = band.left + g / 2 + i * (s + g);
            plan.holes.emplace_back(x, band.top + 1, x + s, band.top + 1 + s);
            plan.holes.emplace_back(x, band.bottom - 1 - s, x + s, band.bottom - 1);
        }
    }
    for (size_t k = 0; k < 3; ++k) {
        CRect r = frames[k];
        r.InflateRect(2, 2);
        plan.marks.push_back({r, int(k) == int(m_marked)});
    }
    int count = GetFilmrollCount();
    plan.showTrash = count > 0;
    plan.trash = TrashRect();
    plan.showCounter = count > 0;
    plan.counterAt = CPoint(band.left - 60, band.bottom + 25);
    plan.counterGlyphs = CCountDownTime::Glyphs(count);
    return plan;
}

namespace {
// Shared by every window: a palette message that arrives while one is handled is dropped.
bool g_inPaletteMessage = false;
} // namespace

void CFilmBaseDlg::PaletteChanged(CWnd* changer)
{
    if (g_inPaletteMessage)
        return;
    g_inPaletteMessage = true;
    for (int k = 0; k < 3; ++k)
        Frame(k).OnPaletteChanged(changer);
    g_inPaletteMessage = false;
}

int CFilmBaseDlg::QueryNewPalette()
{
    if (g_inPaletteMessage)
        return 0;
    g_inPaletteMessage = true;
    // The selected roll index picks the frame, right to left.
    int changed = 0;
    if (m_selected >= 0 && m_selected <= 2)
        changed = Frame(2 - m_selected).OnQueryNewPalette();
    g_inPaletteMessage = false;
    return changed;
}

COLORREF GetSysColorVer()
{
    return GetSysColor(COLOR_MENU);
}
