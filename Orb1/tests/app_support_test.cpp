#include "orb_fixture.h"

#include "Mhourgla.h"
#include "Mtmbox.h"
#include "Mwait.h"
#include "framework/Trace.h"

namespace {

using AppTest = OrbFixture;

CString g_trace;
void Capture(const char* text) { g_trace += text; }

TEST(OrbInitialisation, AnInstanceOutOfRangeFailsWithTheLibraryMessage)
{
    ScopedTestUi ui;
    g_trace.Empty();
    TraceSink previous = SetTraceSink(&Capture);
    {
        MWinApp app("bad", 10);
        EXPECT_FALSE(app.InitializeOrb());
        EXPECT_EQ(app.GetOrb(), nullptr);
    }
    SetTraceSink(previous);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, "ORB Library Initialization Failed");
    EXPECT_EQ(g_trace, "VNew(): incorrect nIndex\n");
}

TEST_F(AppTest, TheLibraryStartsAndStopsItsStatics)
{
    ASSERT_NE(app.GetOrb(), nullptr);
    EXPECT_TRUE(app.GetOrb()->AreStaticsCreated());
    EXPECT_EQ(GetMWinApp(), &app);
    EXPECT_TRUE(app.InitializeOrb());   // a second call keeps what exists
    EXPECT_TRUE(app.UninitializeOrb());
    EXPECT_EQ(app.GetOrb(), nullptr);
    EXPECT_TRUE(app.InitializeOrb());
}

TEST_F(AppTest, WithoutTimeoutTheBoxIsPlain)
{
    ui->AnswerNextBox(IDNO);
    EXPECT_EQ(OrbMessageBox("Overwrite?", MB_YESNO, 42, 0), IDNO);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].helpId, 42u);
    EXPECT_EQ(ActiveTimerCount(), 0);
    EXPECT_EQ(MCallback::GInUse(), 0);
    EXPECT_EQ(Elapsed(), 0u);
}

TEST_F(AppTest, TheTimedBoxPressesItsDefaultButtonAfterTheTimeout)
{
    ui->AnswerNextBox(TestUiService::kStayOpen);
    EXPECT_EQ(OrbMessageBox("Continue?", MB_YESNO | MB_DEFBUTTON2, 0, 2000), IDNO);
    EXPECT_TRUE(ui->boxes.back().closedByProgram);
    EXPECT_EQ(Elapsed(), 2000u);
    EXPECT_EQ(ActiveTimerCount(), 0);
}

TEST_F(AppTest, TheTimedBoxAnsweredEarlyLeavesNothingBehind)
{
    ui->AnswerNextBox(IDYES);
    EXPECT_EQ(OrbMessageBox("Continue?", MB_YESNO, 0, 2000), IDYES);
    EXPECT_EQ(ActiveTimerCount(), 0);
    PumpMessages();
    EXPECT_EQ(MCallback::GInUse(), 0);
}

TEST_F(AppTest, AWaitRunsItsTicksThenEnds)
{
    CWnd main;
    main.Create(nullptr, "main", 0, CRect());
    int rightClicks = 0;
    main.OnMessage(WM_RBUTTONUP, [&](WPARAM, LPARAM) { return LRESULT(++rightClicks); });
    app.m_pMainWnd = &main;
    BOOL inUse = FALSE;
    struct Peek : MTimerUser {
        BOOL* seen;
        void MTimerUserOnTimer(void*) override { *seen = MWait::GIsInUse(); }
    } peek;
    peek.seen = &inUse;
    MTimer spy(&peek, 150, nullptr);
    spy.Start();
    {
        MWait wait(5, 100);
        EXPECT_TRUE(wait.IsConstructedOK());
        EXPECT_EQ(wait.GetTickCount(), 5);
    }
    spy.Stop();
    EXPECT_EQ(Elapsed(), 500u);
    EXPECT_TRUE(inUse);
    EXPECT_FALSE(MWait::GIsInUse());
    PumpMessages();
    EXPECT_EQ(rightClicks, 0);   // the end mark never reaches the window
    app.m_pMainWnd = nullptr;
}

TEST_F(AppTest, AWaitWhoseTestIsAlreadyTrueEndsAtTheFirstTick)
{
    int flag = 3;
    MWaitUntil wait(&flag, 3, 100, 250);
    EXPECT_TRUE(wait.IsConstructedOK());
    EXPECT_EQ(Elapsed(), 250u);
}

TEST_F(AppTest, AWaitUntilEndsWhenTheWatchedValueArrives)
{
    int flag = 0;
    struct Setter : MTimerUser {
        int* target;
        void MTimerUserOnTimer(void*) override { *target = 1; }
    } setter;
    setter.target = &flag;
    MTimer timer(&setter, 1000, nullptr);
    timer.Start();
    MWaitUntil wait(&flag, 1, 60, 100);
    EXPECT_EQ(Elapsed(), 1000u);
}

// Starts one wait of its own the first time it fires.
struct WaitStarter : MTimerUser {
    WaitStarter(unsigned short limit, unsigned short period) : limit(limit), period(period) {}
    unsigned short limit, period;
    std::vector<BOOL> results;
    DWORD returnedAfter = 0;
    void MTimerUserOnTimer(void*) override
    {
        if (!results.empty())
            return;
        const DWORD begin = GetTickCount();
        MWait wait(limit, period);
        results.push_back(wait.IsConstructedOK());
        returnedAfter = GetTickCount() - begin;
    }
};

TEST_F(AppTest, AThirdNestedWaitIsRefused)
{
    WaitStarter second(3, 100), third(1, 10);
    MTimer secondTimer(&second, 50, nullptr), thirdTimer(&third, 120, nullptr);
    secondTimer.Start();
    thirdTimer.Start();
    MWait outer(10, 100);   // the first wait; the second starts inside it at 50 ms
    EXPECT_TRUE(outer.IsConstructedOK());
    EXPECT_EQ(second.results, (std::vector<BOOL>{TRUE}));
    EXPECT_EQ(third.results, (std::vector<BOOL>{FALSE}));
    EXPECT_EQ(third.returnedAfter, 0u);
}

TEST_F(AppTest, HourglassShowsForItsLifetimeAndRestores)
{
    CWnd window;
    window.Create(nullptr, "", 0, CRect());
    {
        MHourglass outer(&window);
        EXPECT_EQ(ui->cursor, CursorShape::Wait);
        EXPECT_EQ(ui->capture, window.m_hWnd);
        {
            MHourglass inner(nullptr);
        }
        EXPECT_EQ(ui->cursor, CursorShape::Wait);
    }
    EXPECT_EQ(ui->cursor, CursorShape::Arrow);
    EXPECT_EQ(ui->capture, nullptr);
}

} // namespace

namespace {

// The whole road on the real event loop and a real (offscreen) message box.
struct RealBoxApp : MWinApp {
    int result = 0;
    BOOL InitInstance() override
    {
        if (!InitializeOrb())
            return FALSE;
        result = OrbMessageBox("Closing by itself", MB_OKCANCEL, 0, 100);
        PostQuitMessage(0);
        return TRUE;
    }
    int ExitInstance() override
    {
        UninitializeOrb();
        return 0;
    }
};

TEST(RealEventLoop, TheTimedBoxClosesItselfOverQt)
{
    ResetMessageQueue();
    RealBoxApp app;
    char name[] = "orbtest";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(app.Run(1, argv), 0);
    EXPECT_EQ(app.result, IDOK);
}

} // namespace
