#include "orb_fixture.h"

#include "Loaderr.h"
#include "Maction.h"
#include "Mdebug.h"
#include "Mdragger.h"
#include "Memalloc.h"
#include "Mlist.h"
#include "Mmemory.h"
#include "Mrect.h"
#include "Mscrlval.h"
#include "Mstring.h"
#include "framework/Trace.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

TEST(LoadErrors, KnownUnknownAndOutOfRangeCodes)
{
    EXPECT_STREQ(GetLoadErrorString(2), "File was not found.");
    EXPECT_STREQ(GetLoadErrorString(13), "Application was designed for MS-DOS 4.0. ");
    EXPECT_STREQ(GetLoadErrorString(21), "Application requires Microsoft Windows 32-bit extensions.");
    EXPECT_STREQ(GetLoadErrorString(4), "undefined Load() error");
    EXPECT_STREQ(GetLoadErrorString(31), "undefined Load() error");
    EXPECT_EQ(GetLoadErrorString(32), nullptr);
    EXPECT_EQ(GetLoadErrorString(40), nullptr);
}

TEST(Memory, KindsPickTheirAllocatorAndLimits)
{
    MMemory near;
    EXPECT_FALSE(near.Allocate(0x10000, MMemory::kNear));
    EXPECT_TRUE(near.Allocate(0xFFFF, MMemory::kNear));
    EXPECT_FALSE(near.Allocate(16, MMemory::kGlobal));   // already holds a block
    near.Free();
    EXPECT_EQ(near.GetPointer(), nullptr);

    MMemory unknown;
    EXPECT_FALSE(unknown.Allocate(16, 4));
    EXPECT_FALSE(unknown.Allocate(16, 0));

    for (int kind : {MMemory::kGlobal, MMemory::kFixed, MMemory::kHuge}) {
        MMemory block;
        ASSERT_TRUE(block.Allocate(100, kind)) << kind;
        EXPECT_EQ(block.GetKind(), kind);
        auto* bytes = static_cast<unsigned char*>(block.GetPointer());
        EXPECT_TRUE(std::all_of(bytes, bytes + 100, [](unsigned char b) { return b == 0; }));
    }
    EXPECT_EQ(MemAlloc(0), nullptr);
}

TEST(Strings, PrintfCutsAt511AndLimitsFollowTheType)
{
    MString s;
    s.printf("%s-%d", "frame", 12);
    EXPECT_EQ(s, "frame-12");
    s.printf("%600s", "x");
    EXPECT_EQ(s.GetLength(), 511);
    EXPECT_EQ(GetDefaultMin(short()), -32768);
    EXPECT_EQ(GetDefaultMax((unsigned short)0), 65535);
    EXPECT_EQ(GetDefaultMax(long()), std::numeric_limits<long>::max());
    EXPECT_EQ(GetDefaultMin((unsigned long)0), 0ul);
}

TEST(Lists, KeysAreUniqueWithinOneList)
{
    CPtrList one, two;
    MList a(&one), b(&one), c(&two);
    EXPECT_TRUE(a.SetKey(1L, 2L));
    EXPECT_FALSE(b.SetKey(1L, 2L));
    EXPECT_TRUE(b.SetKey(WORD(1), 2L));   // a different kind of key
    EXPECT_TRUE(c.SetKey(1L, 2L));
    int x;
    EXPECT_TRUE(a.SetKey(&x, &x));
    EXPECT_EQ(MList::_FindFromKey(&one, &x, &x), &a);
    EXPECT_EQ(MList::_FindFromKey(&one, 1L, 2L), nullptr);
    EXPECT_EQ(MList::_FindFromKey(&one, WORD(1), 2L), &b);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.First(), &a);
    EXPECT_EQ(a.Next(), &b);
    EXPECT_EQ(b.Prev(), &a);
    EXPECT_EQ(b.Next(), nullptr);
    EXPECT_EQ(a.Last(), &b);
    {
        MList temporary(&one);
        EXPECT_EQ(a.Count(), 3);
    }
    EXPECT_EQ(a.Count(), 2);
    EXPECT_FALSE(MList::_IsInList(&two, &a));
    b.ResetKey();
    EXPECT_EQ(MList::_FindFromKey(&one, WORD(1), 2L), nullptr);
}

TEST(Lists, PointerArrayHasTenSlots)
{
    MPtrArray array;
    int a, b;
    EXPECT_EQ(array.GetFirst(), -1);
    EXPECT_TRUE(array.SetAt(3, &a));
    EXPECT_TRUE(array.SetAt(7, &b));
    EXPECT_FALSE(array.SetAt(10, &a));
    EXPECT_EQ(array.GetFirstEmpty(), 0);
    EXPECT_EQ(array.GetFirst(), 3);
    EXPECT_EQ(array.GetNextAfter(3), 7);
    EXPECT_EQ(array.GetNextAfter(7), -1);
    EXPECT_EQ(array.GetCount(), 2);
    EXPECT_EQ(array.GetAt(-1), nullptr);
    array.RemoveAll();
    EXPECT_EQ(array.GetCount(), 0);
}

CString g_out;
void Sink(const char* text) { g_out += text; }

TEST(Tracer, FormatsRecordsAndHonoursMasks)
{
    TraceSink previous = SetTraceSink(&Sink);
    g_out.Empty();
    unsigned short slot = 0;
    MTracer tracer("capture", slot);
    EXPECT_NE(slot, MTracer::kNoSlot);
    tracer.Error("view.cpp", 12, "no frame");
    tracer.Message("view.cpp", 13, "grabbed");
    MTracer::OnPostTrace(7, MTraceRecord{"x.cpp", 1, "?"});
    EXPECT_EQ(g_out, "*Error(view.cpp,12): no frame\n*Message(view.cpp,13): grabbed\n"
                     "*Error(x.cpp,1): unknown message type (7) received in OnPostTrace\n");
    g_out.Empty();
    MTracer::GSetError(0);
    tracer.Error("view.cpp", 14, "hidden");
    EXPECT_TRUE(g_out.IsEmpty());
    MTracer::GSetAll(0xFFFF);
    SetTraceSink(previous);
}

TEST(Tracer, ASlotTableOfTwoHundred)
{
    const int before = g_nTrace_Count;
    std::vector<std::unique_ptr<MTracer>> tracers;
    unsigned short slot = 0;
    while (g_nTrace_Count < MTracer::kMaxTracers)
        tracers.push_back(std::make_unique<MTracer>("t", slot));
    MTracer full("full", slot);
    EXPECT_EQ(slot, MTracer::kNoSlot);
    EXPECT_EQ(full.GetErrorMask(), 0);
    tracers.clear();
    EXPECT_EQ(g_nTrace_Count, before);
}

struct Dialog : ::testing::Test {
    ScopedTestUi ui;
    CWnd dialog;
    CScrollBar bar;
    CWnd edit;
    MScrollValue value;
    Dialog()
    {
        dialog.Create(nullptr, "dialog", 0, CRect(0, 0, 200, 100));
        bar.Create(&dialog, "", WS_CHILD, CRect(0, 0, 100, 10), 1001);
        edit.Create(&dialog, "", WS_CHILD, CRect(0, 20, 100, 30), 1002);
    }
};

TEST_F(Dialog, ScrollValueKeepsBarAndEditInStepWithinItsRange)
{
    ASSERT_TRUE(value.Initialize(&dialog, 1001, 1002, 1, 254, 300));
    EXPECT_EQ(value.GetValue(), 254);
    EXPECT_EQ(bar.GetScrollPos(), 254);
    EXPECT_EQ(edit.GetWindowText(), "254");
    value.OnHScroll(SB_PAGELEFT, 0);
    EXPECT_EQ(value.GetValue(), 244);
    value.OnHScroll(SB_LINERIGHT, 0);
    EXPECT_EQ(value.GetValue(), 245);
    value.OnHScroll(SB_THUMBTRACK, 17);
    EXPECT_EQ(value.GetValue(), 17);
    value.OnHScroll(SB_LEFT, 0);
    EXPECT_EQ(value.GetValue(), 1);
    value.OnHScroll(SB_LINELEFT, 0);
    EXPECT_EQ(value.GetValue(), 1);
    edit.SetWindowText("99");
    value.OnKillFocus();
    EXPECT_EQ(bar.GetScrollPos(), 99);
    edit.SetWindowText("lots");
    value.OnKillFocus();
    EXPECT_EQ(value.GetValue(), 99);
    EXPECT_EQ(edit.GetWindowText(), "99");
}

TEST_F(Dialog, PositionWindowBesideItsParent)
{
    ui->screen = CSize(1000, 700);
    CWnd parent, child;
    parent.Create(nullptr, "p", 0, CRect(100, 100, 500, 400));
    child.Create(&parent, "c", WS_CHILD, CRect(0, 0, 300, 200));
    CRect r;
    MPositionWindow(child.m_hWnd);
    child.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(500, 100, 800, 300));   // right of the parent

    parent.MoveWindow(CRect(400, 600, 800, 700));
    MPositionWindow(child.m_hWnd);
    child.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(100, 500, 400, 700));   // left of it, pulled up onto the screen

    parent.MoveWindow(CRect(100, 0, 950, 300));
    MPositionWindow(child.m_hWnd);
    child.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(350, 0, 650, 200));     // neither fits: centred
}

TEST_F(Dialog, DraggerMovesTheRectangleAndReleasesTheMouse)
{
    MDragger drag;
    drag.Begin(CPoint(10, 10), CRect(0, 0, 50, 50), &dialog);
    EXPECT_TRUE(drag.IsDragging());
    EXPECT_EQ(ui->capture, dialog.m_hWnd);
    drag.SetClip(TRUE);
    ASSERT_TRUE(ui->cursorClip.has_value());
    EXPECT_EQ(*ui->cursorClip, CRect(0, 0, 200, 100));
    EXPECT_EQ(drag.OnMoveBegin(CPoint(15, 12)), CRect(5, 2, 55, 52));
    EXPECT_EQ(drag.OnMoveEnd(CPoint(20, 20)), CRect(10, 10, 60, 60));
    EXPECT_FALSE(drag.IsDragging());
    EXPECT_EQ(ui->capture, nullptr);
    EXPECT_FALSE(ui->cursorClip.has_value());
}

TEST_F(Dialog, SystemVersionAndColours)
{
    EXPECT_TRUE(MIsWindows95());
    ui->colours[COLOR_MENU] = RGB(1, 2, 3);
    EXPECT_EQ(MGetSysColorVer(COLOR_MENU), RGB(1, 2, 3));
    MRect r(&dialog);
    EXPECT_EQ(r, CRect(0, 0, 200, 100));
    EXPECT_EQ(r.Capture(CPoint(300, -5)), CPoint(199, 0));
    MRect flipped(10, 10, 0, 0);
    EXPECT_EQ(flipped.Normalize(), CRect(0, 0, 10, 10));
}

TEST(Actions, TreeCountsFindsAndRunsEnabledActions)
{
    MActionInfo info("View");
    int ran = 0;
    MActionItem* bars = info.Root().Add(std::make_unique<MActionItem>(1, "Bars"));
    bars->Add(std::make_unique<MActionItem>(59392, "Hide &Toolbar", "Shows or hides the toolbar", [&] { ++ran; }));
    info.Root().Add(std::make_unique<MActionItem>(32875, "Show V&iewer", "", [&] { ran += 10; }));
    EXPECT_EQ(info.Count(), 3);
    EXPECT_TRUE(info.DoAction(59392));
    EXPECT_FALSE(info.DoAction(1));   // no action
    info.Find(32875)->Enable(FALSE);
    EXPECT_FALSE(info.DoAction(32875));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(info.CountChanged(), 1);
    EXPECT_EQ(info.Find(59392)->GetPrompt(), "Shows or hides the toolbar");
}

} // namespace

namespace {

CString g_posted;
void PostedSink(const char* text) { g_posted += text; }

TEST(Tracer, RecordsPostedToAWindowAreWrittenWhenItTakesThem)
{
    ResetMessageQueue();
    TraceSink previous = SetTraceSink(&PostedSink);
    g_posted.Empty();
    CWnd window;
    window.Create(nullptr, "trace", 0, CRect());
    window.OnMessage(MTracer::kTraceMessage, [](WPARAM w, LPARAM l) {
        MTracer::GOnTraceMessage(w, l);
        return LRESULT(0);
    });
    MTracer::SetPostTraceWnd(window.m_hWnd);
    unsigned short slot;
    MTracer tracer("posted", slot);
    tracer.SetTraceId(0x0004);
    MTracer::GSetAll(0);
    MTracer::GSetTrace2(0x0004);
    {
        char text[] = "frame 12";   // the record keeps its own copy
        tracer.Trace(MTracer::kTrace2, "grab.cpp", 40, text);
        text[0] = 'X';
    }
    tracer.Trace(MTracer::kTrace1, "grab.cpp", 41, "filtered out");
    EXPECT_TRUE(g_posted.IsEmpty());
    PumpMessages();
    EXPECT_EQ(g_posted, "*Message(grab.cpp,40): frame 12\n");
    MTracer::SetPostTraceWnd(nullptr);
    MTracer::GSetError(0xFFFF);
    MTracer::GSetMessage(0xFFFF);
    MTracer::GSetTrace(0);
    MTracer::GSetTrace1(0);
    MTracer::GSetTrace2(0);
    MTracer::GSetTrace3(0);
    SetTraceSink(previous);
}

} // namespace
