// The Settings menu on the running program: which items the modes enable and
// check, what each command changes, the three number dialogs answered as a
// user answers them, and the Ctrl keys the menu texts promise.
#include "snapvo_test_util.h"

#include "ModeDialogs.h"
#include "Settings.h"
#include "framework/Keys.h"
#include "framework/StringTable.h"
#include "resource.h"

#include <functional>
#include <set>

using namespace snapvo_test;

namespace {

const UINT kSettingsItems[] = {
    ID_SELF_TIMER_OFF, ID_SELF_TIMER_5,  ID_SELF_TIMER_7,   ID_SELF_TIMER_OTHER, ID_SELF_TIMER_DELAY,
    ID_CAMERA_ADJUSTMENTS, ID_IMAGE_SIZE, ID_SINGLE_CAPTURE, ID_AUTO_CAPTURE,  ID_SHUTTER_NORMAL,
    ID_SHUTTER_BULB,   ID_TIMED_EXPOSURE, ID_MULTI_ONE,     ID_MULTI_THREE,      ID_MULTI_FIVE,
    ID_MULTI_OTHER,    ID_SEND_FILMROLL, ID_SEND_FILE,      ID_SEND_CLIPBOARD,   ID_SEND_MAIL,
};

struct Modes {
    WORD exposure = kExposureSingle;
    WORD shutter = kShutterNormal;
    WORD multi = kMultiOne;
    BOOL selfTimer = FALSE;
    WORD seconds = 0;
    WORD destination = kDestFilmroll;
};

void Apply(CSnapvoView* view, const Modes& m)
{
    view->m_modes.exposureMode = m.exposure;
    view->m_modes.shutterMode = m.shutter;
    view->m_modes.multiExposureMode = m.multi;
    view->m_modes.selfTimerOn = m.selfTimer;
    view->m_modes.selfTimerSeconds = m.seconds;
    view->m_modes.destination = m.destination;
    view->RefreshTakePicture();
}

std::set<UINT> Where(CSnapvoView* view, bool (*test)(const CCmdUI&))
{
    std::set<UINT> ids;
    for (UINT id : kSettingsItems)
        if (test(view->QueryCommand(id)))
            ids.insert(id);
    return ids;
}
std::set<UINT> Disabled(CSnapvoView* view)
{
    return Where(view, [](const CCmdUI& ui) { return !ui.IsEnabled(); });
}
std::set<UINT> Checked(CSnapvoView* view)
{
    return Where(view, [](const CCmdUI& ui) { return ui.GetCheck() != 0; });
}
std::set<UINT> All() { return {std::begin(kSettingsItems), std::end(kSettingsItems)}; }

CMenu* FileMenu(CSnapvoView* view) { return view->GetParentFrame()->GetMenu().GetSubMenu(0); }
CString FirstFileItem(CSnapvoView* view)
{
    CString text;
    FileMenu(view)->GetMenuString(0, text, MF_BYPOSITION);
    return text;
}

// A scripted user: types each text into the number field and presses OK;
// the last one is expected to be taken. What the program said to each refused
// text is kept.
struct Typist {
    explicit Typist(std::vector<CString> typed = {}) : texts(std::move(typed)) {}

    std::vector<CString> texts;
    std::vector<bool> stayedOpen;
    std::vector<CString> said;
    bool sawSelfTimerOn = false;

    std::function<int(CDialog&)> Answer(TestUiService& ui, CSnapvoView* view)
    {
        return [this, &ui, view](CDialog& d) {
            auto& dialog = dynamic_cast<CNumberDialog&>(d);
            sawSelfTimerOn = view->m_modes.selfTimerOn != FALSE;
            for (const CString& text : texts) {
                const size_t before = ui.boxes.size();
                dialog.SetFieldText(text);
                dialog.OnOK();
                stayedOpen.push_back(!dialog.IsEnded());
                said.push_back(ui.boxes.size() > before ? ui.boxes.back().text : CString());
                if (dialog.IsEnded())
                    return IDOK;
            }
            dialog.OnCancel();
            return IDCANCEL;
        };
    }
};

TEST_F(SnapvoFixture, TheModesEnableAndCheckTheSettingsItems)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    struct Case {
        const char* name;
        Modes modes;
        std::set<UINT> disabled;
        std::set<UINT> checked;
    };
    const std::set<UINT> bursts{ID_MULTI_ONE, ID_MULTI_THREE, ID_MULTI_FIVE, ID_MULTI_OTHER};
    auto with = [](std::set<UINT> a, std::initializer_list<UINT> more) {
        a.insert(more);
        return a;
    };
    const Case cases[] = {
        {"single normal picture to the roll", {}, {},
         {ID_SELF_TIMER_OFF, ID_SINGLE_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_ONE, ID_SEND_FILMROLL}},
        {"bulb: no auto capture, no burst", {.shutter = kShutterBulb}, with(bursts, {ID_AUTO_CAPTURE}),
         {ID_SELF_TIMER_OFF, ID_SINGLE_CAPTURE, ID_SHUTTER_BULB, ID_MULTI_ONE, ID_SEND_FILMROLL}},
        {"timed: no burst", {.shutter = kShutterTimed, .destination = kDestClipboard}, bursts,
         {ID_SELF_TIMER_OFF, ID_SINGLE_CAPTURE, ID_TIMED_EXPOSURE, ID_MULTI_ONE, ID_SEND_CLIPBOARD}},
        {"auto capture: no bulb, only file",
         {.exposure = kExposureAuto, .destination = kDestFile},
         with(bursts, {ID_SHUTTER_BULB, ID_SEND_FILMROLL, ID_SEND_CLIPBOARD, ID_SEND_MAIL}),
         {ID_SELF_TIMER_OFF, ID_AUTO_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_ONE, ID_SEND_FILE}},
        {"three pictures: only the roll",
         {.multi = kMultiThree},
         {ID_SINGLE_CAPTURE, ID_AUTO_CAPTURE, ID_SHUTTER_NORMAL, ID_SHUTTER_BULB, ID_TIMED_EXPOSURE, ID_SEND_FILE,
          ID_SEND_CLIPBOARD, ID_SEND_MAIL},
         {ID_SELF_TIMER_OFF, ID_SINGLE_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_THREE, ID_SEND_FILMROLL}},
        {"other count to mail", {.multi = kMultiOther, .destination = kDestMail},
         {ID_SINGLE_CAPTURE, ID_AUTO_CAPTURE, ID_SHUTTER_NORMAL, ID_SHUTTER_BULB, ID_TIMED_EXPOSURE, ID_SEND_FILE,
          ID_SEND_CLIPBOARD, ID_SEND_MAIL},
         {ID_SELF_TIMER_OFF, ID_SINGLE_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_OTHER, ID_SEND_MAIL}},
        {"self timer 5", {.selfTimer = TRUE, .seconds = 5}, {},
         {ID_SELF_TIMER_5, ID_SINGLE_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_ONE, ID_SEND_FILMROLL}},
        {"self timer 7", {.selfTimer = TRUE, .seconds = 7}, {},
         {ID_SELF_TIMER_7, ID_SINGLE_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_ONE, ID_SEND_FILMROLL}},
        {"self timer 12", {.selfTimer = TRUE, .seconds = 12}, {},
         {ID_SELF_TIMER_OTHER, ID_SINGLE_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_ONE, ID_SEND_FILMROLL}},
        {"self timer off keeps its seconds", {.selfTimer = FALSE, .seconds = 5}, {},
         {ID_SELF_TIMER_OFF, ID_SINGLE_CAPTURE, ID_SHUTTER_NORMAL, ID_MULTI_ONE, ID_SEND_FILMROLL}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Apply(View(), c.modes);
        EXPECT_EQ(Disabled(View()), c.disabled);
        EXPECT_EQ(Checked(View()), c.checked);
    }
}

TEST_F(SnapvoFixture, WithoutTheMailLibraryOnlyTheMailItemIsOff)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(Disabled(View()), std::set<UINT>{ID_SEND_MAIL});
}

TEST_F(SnapvoFixture, WithoutACameraEverySettingsItemIsOff)
{
    capture::DriverCatalog::Install({});
    ASSERT_TRUE(Start(AOLXFER_PATH));
    EXPECT_EQ(Disabled(View()), All());
    EXPECT_FALSE(View()->ExecuteCommand(ID_SHUTTER_BULB));
    EXPECT_EQ(View()->m_modes.shutterMode, kShutterNormal);
}

TEST_F(SnapvoFixture, WhileTheMachineRunsEveryModeItemIsOffButTheFileMenusCommand)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    struct Case {
        const char* name;
        Modes modes;
        UINT start;
    };
    const Case cases[] = {
        {"self timer counting", {.selfTimer = TRUE, .seconds = 10}, ID_START_SELF_TIMER},
        {"bulb open", {.shutter = kShutterBulb}, ID_OPEN_SHUTTER},
        {"timed exposure", {.shutter = kShutterTimed}, ID_OPEN_SHUTTER},
        {"auto capture waiting", {.exposure = kExposureAuto, .destination = kDestFile}, ID_START_CAPTURE},
    };
    View()->m_modes.timedExposureSeconds = 60;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Apply(View(), c.modes);
        ASSERT_TRUE(View()->ExecuteCommand(c.start));
        ASSERT_TRUE(View()->IsBusy());
        EXPECT_EQ(Disabled(View()), All());
        EXPECT_TRUE(Frame()->QueryCommand(FileMenu(View())->GetMenuItemID(0)).IsEnabled());
        // Neither a menu nor a key changes the modes under a running picture.
        EXPECT_FALSE(View()->ExecuteCommand(ID_SHUTTER_NORMAL));
        EXPECT_FALSE(View()->ExecuteCommand(ID_SELF_TIMER_OFF));
        EXPECT_EQ(View()->m_modes.shutterMode, c.modes.shutter);
        EXPECT_EQ(View()->m_modes.selfTimerOn, c.modes.selfTimer);
        View()->Advance(csStop);
        EXPECT_FALSE(View()->IsBusy());
        EXPECT_TRUE(View()->QueryCommand(ID_SELF_TIMER_OFF).IsEnabled());
    }
    EXPECT_TRUE(ui->dialogs.empty());
}

TEST_F(SnapvoFixture, EachModeCommandSetsItsModeAndRefreshesTheFileMenu)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    struct Case {
        UINT command;
        Modes before;
        std::function<bool(const CViewModes&)> after;
        const char* firstFileItem;
    };
    const Case cases[] = {
        {ID_SELF_TIMER_5, {}, [](const CViewModes& m) { return m.selfTimerOn && m.selfTimerSeconds == 5; },
         "&Take Picture\tSPACE"},
        {ID_SELF_TIMER_7, {}, [](const CViewModes& m) { return m.selfTimerOn && m.selfTimerSeconds == 7; },
         "&Take Picture\tSPACE"},
        {ID_SELF_TIMER_OFF, {.selfTimer = TRUE, .seconds = 7},
         [](const CViewModes& m) { return !m.selfTimerOn && m.selfTimerSeconds == 0; }, "&Take Picture\tSPACE"},
        {ID_SHUTTER_BULB, {}, [](const CViewModes& m) { return m.shutterMode == kShutterBulb; },
         "&Open Shutter\tSPACE"},
        {ID_SHUTTER_NORMAL, {.shutter = kShutterBulb}, [](const CViewModes& m) { return m.shutterMode == kShutterNormal; },
         "&Take Picture\tSPACE"},
        {ID_SINGLE_CAPTURE, {.exposure = kExposureAuto, .destination = kDestFile},
         [](const CViewModes& m) { return m.exposureMode == kExposureSingle && m.destination == kDestFile; },
         "&Take Picture\tSPACE"},
        {ID_MULTI_THREE, {.destination = kDestClipboard},
         [](const CViewModes& m) { return m.multiExposureMode == kMultiThree && m.destination == kDestFilmroll; },
         "&Take Pictures\tSPACE"},
        {ID_MULTI_FIVE, {.destination = kDestFile},
         [](const CViewModes& m) { return m.multiExposureMode == kMultiFive && m.destination == kDestFilmroll; },
         "&Take Pictures\tSPACE"},
        {ID_MULTI_ONE, {.multi = kMultiFive},
         [](const CViewModes& m) { return m.multiExposureMode == kMultiOne && m.destination == kDestFilmroll; },
         "&Take Picture\tSPACE"},
        {ID_SEND_FILE, {}, [](const CViewModes& m) { return m.destination == kDestFile; }, "&Take Picture\tSPACE"},
        {ID_SEND_CLIPBOARD, {}, [](const CViewModes& m) { return m.destination == kDestClipboard; },
         "&Take Picture\tSPACE"},
        {ID_SEND_MAIL, {}, [](const CViewModes& m) { return m.destination == kDestMail; }, "&Take Picture\tSPACE"},
        {ID_SEND_FILMROLL, {.destination = kDestFile}, [](const CViewModes& m) { return m.destination == kDestFilmroll; },
         "&Take Picture\tSPACE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Apply(View(), c.before);
        ASSERT_TRUE(View()->ExecuteCommand(c.command));
        EXPECT_TRUE(c.after(View()->m_modes));
        EXPECT_EQ(FirstFileItem(View()), c.firstFileItem);
    }
    EXPECT_TRUE(ui->dialogs.empty());
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(SnapvoFixture, TheCountdownShowsTheDelayWhileTheSelfTimerIsOnAndNothingRuns)
{
    ASSERT_TRUE(Start());
    const CSelfTimerDisplay& display = View()->SelfTimerDisplay();
    EXPECT_FALSE(display.IsVisible());
    ASSERT_TRUE(View()->ExecuteCommand(ID_SELF_TIMER_7));
    EXPECT_TRUE(display.IsVisible());
    EXPECT_FALSE(display.IsShown());
    EXPECT_EQ(display.ShownSeconds(), 7u);

    ASSERT_TRUE(View()->ExecuteCommand(ID_START_SELF_TIMER));
    clock->Advance(3000);
    EXPECT_EQ(display.ShownSeconds(), 4u);
    clock->Advance(4500);
    ASSERT_EQ(RollEntries(), 1);
    // The countdown is over: the delay is back for the next picture.
    EXPECT_TRUE(display.IsVisible());
    EXPECT_EQ(display.ShownSeconds(), 7u);

    ASSERT_TRUE(View()->ExecuteCommand(ID_SELF_TIMER_OFF));
    EXPECT_FALSE(display.IsVisible());
}

TEST_F(SnapvoFixture, AStoredSelfTimerShowsItsDelayFromTheStart)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(View()->ExecuteCommand(ID_SELF_TIMER_5));
    Close();
    snapvo::ResetSettingsForTest();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(View()->m_modes.selfTimerOn);
    EXPECT_TRUE(View()->SelfTimerDisplay().IsVisible());
    EXPECT_EQ(View()->SelfTimerDisplay().ShownSeconds(), 5u);
}

TEST_F(SnapvoFixture, SelfTimerOtherWithThreeCountsThreeSecondsAndChecksOther)
{
    ASSERT_TRUE(Start());
    Typist user({"3"});
    ui->AnswerNextDialog(user.Answer(*ui, View()));
    ASSERT_TRUE(View()->ExecuteCommand(ID_SELF_TIMER_OTHER));
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{CSelfTimerDlg::IDD});
    EXPECT_TRUE(user.sawSelfTimerOn);
    EXPECT_EQ(Checked(View()).count(ID_SELF_TIMER_OTHER), 1u);
    for (UINT id : {ID_SELF_TIMER_OFF, ID_SELF_TIMER_5, ID_SELF_TIMER_7})
        EXPECT_EQ(View()->QueryCommand(id).GetCheck(), 0) << id;

    ASSERT_EQ(FileMenu(View())->GetMenuItemID(0), ID_START_SELF_TIMER);
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_SELF_TIMER));
    EXPECT_EQ(View()->SelfTimerDisplay().ShownSeconds(), 3u);
    clock->Advance(2900);
    EXPECT_EQ(RollEntries(), 0);
    clock->Advance(200);
    EXPECT_EQ(RollEntries(), 1);
}

TEST_F(SnapvoFixture, CancellingTheSelfTimerDialogLeavesTheTimerAsItWas)
{
    ASSERT_TRUE(Start());
    struct Case {
        UINT command;
        Modes before;
    };
    const Case cases[] = {
        {ID_SELF_TIMER_OTHER, {}},
        {ID_SELF_TIMER_OTHER, {.selfTimer = TRUE, .seconds = 5}},
        {ID_SELF_TIMER_DELAY, {}},
        {ID_SELF_TIMER_DELAY, {.selfTimer = TRUE, .seconds = 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << " on " << c.before.selfTimer);
        Apply(View(), c.before);
        Typist user;   // types nothing, presses Cancel
        ui->AnswerNextDialog(user.Answer(*ui, View()));
        ASSERT_TRUE(View()->ExecuteCommand(c.command));
        EXPECT_TRUE(user.sawSelfTimerOn);
        EXPECT_EQ(View()->m_modes.selfTimerOn, c.before.selfTimer);
        EXPECT_EQ(View()->m_modes.selfTimerSeconds, c.before.seconds);
        EXPECT_EQ(View()->SelfTimerDisplay().IsVisible(), bool(c.before.selfTimer));
    }
}

TEST_F(SnapvoFixture, TheDelayCommandOpensWithTheCurrentSeconds)
{
    ASSERT_TRUE(Start());
    Apply(View(), {.selfTimer = TRUE, .seconds = 20});
    CString shown;
    ui->AnswerNextDialog([&shown](CDialog& d) {
        shown = dynamic_cast<CNumberDialog&>(d).FieldText();
        d.OnOK();
        return IDOK;
    });
    ASSERT_TRUE(View()->ExecuteCommand(ID_SELF_TIMER_DELAY));
    EXPECT_EQ(shown, "20");
    EXPECT_EQ(View()->m_modes.selfTimerSeconds, 20);
    EXPECT_TRUE(View()->m_modes.selfTimerOn);
}

// Each dialog refuses what is no integer in its range, says why, and stays
// open until a good number comes.
TEST_F(SnapvoFixture, TheNumberDialogsRefuseWhatIsOutOfRangeAndStayOpen)
{
    ASSERT_TRUE(Start());
    const CString notANumber = "Please enter an integer.";
    struct Case {
        UINT command;
        UINT dialog;
        std::vector<std::pair<const char*, CString>> refused;
        const char* taken;
        std::function<bool(const CViewModes&)> after;
    };
    const Case cases[] = {
        {ID_SELF_TIMER_OTHER, CSelfTimerDlg::IDD,
         {{"2", "Please enter an integer between 3 and 60. "},
          {"61", "Please enter an integer between 3 and 60. "},
          {"-5", "Please enter an integer between 3 and 60. "},
          {"abc", notANumber},
          {"", notANumber},
          {"4x", notANumber}},
         " 60 ", [](const CViewModes& m) { return m.selfTimerOn && m.selfTimerSeconds == 60; }},
        {ID_TIMED_EXPOSURE, CTimedExposureDlg::IDD,
         {{"0", "Please enter an integer between 1 and 86400. "},
          {"86401", "Please enter an integer between 1 and 86400. "},
          {"3000000000", "Please enter an integer between 1 and 86400. "},
          {"99999999999", notANumber}},
         "86400",
         [](const CViewModes& m) { return m.shutterMode == kShutterTimed && m.timedExposureSeconds == 86400; }},
        {ID_MULTI_OTHER, CMultipleOtherDlg::IDD,
         {{"0", "Please enter an integer between 1 and 36. "}, {"37", "Please enter an integer between 1 and 36. "}},
         "36", [](const CViewModes& m) { return m.multiExposureMode == kMultiOther && m.otherCount == 36; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Apply(View(), {});
        ui->dialogs.clear();
        Typist user;
        for (const auto& [text, message] : c.refused)
            user.texts.push_back(text);
        user.texts.push_back(c.taken);
        ui->AnswerNextDialog(user.Answer(*ui, View()));
        ASSERT_TRUE(View()->ExecuteCommand(c.command));
        EXPECT_EQ(ui->dialogs, std::vector<UINT>{c.dialog});
        ASSERT_EQ(user.said.size(), c.refused.size() + 1);
        for (size_t i = 0; i < c.refused.size(); ++i) {
            EXPECT_TRUE(user.stayedOpen[i]) << c.refused[i].first;
            EXPECT_EQ(user.said[i], c.refused[i].second) << c.refused[i].first;
        }
        EXPECT_FALSE(user.stayedOpen.back());
        EXPECT_EQ(user.said.back(), "");
        EXPECT_TRUE(c.after(View()->m_modes));
    }
}

TEST_F(SnapvoFixture, MultipleOtherWithOneSelectsOneAndTheRoll)
{
    ASSERT_TRUE(Start());
    struct Case {
        const char* count;
        WORD mode;
        UINT checked;
    };
    const Case cases[] = {{"1", kMultiOne, ID_MULTI_ONE}, {"4", kMultiOther, ID_MULTI_OTHER}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        Apply(View(), {.multi = kMultiThree, .destination = kDestClipboard});
        Typist user({c.count});
        ui->AnswerNextDialog(user.Answer(*ui, View()));
        ASSERT_TRUE(View()->ExecuteCommand(ID_MULTI_OTHER));
        EXPECT_EQ(View()->m_modes.multiExposureMode, c.mode);
        EXPECT_EQ(View()->m_modes.destination, kDestFilmroll);
        const std::set<UINT> checked = Checked(View());
        EXPECT_EQ(checked.count(c.checked), 1u);
        EXPECT_EQ(checked.count(ID_MULTI_ONE) + checked.count(ID_MULTI_OTHER), 1u);
    }
    // Cancel changes nothing, the destination included.
    Apply(View(), {.destination = kDestClipboard});
    ASSERT_TRUE(View()->ExecuteCommand(ID_MULTI_OTHER));
    EXPECT_EQ(View()->m_modes.multiExposureMode, kMultiOne);
    EXPECT_EQ(View()->m_modes.destination, kDestClipboard);
    EXPECT_EQ(View()->m_modes.otherCount, 4);
}

TEST_F(SnapvoFixture, ATimedExposureLongerThanTheIntervalIsWarnedAboutAndKept)
{
    ASSERT_TRUE(Start());
    View()->m_schedule.unit = kUnitSeconds;
    View()->m_schedule.interval = 10;
    struct Case {
        Modes modes;
        const char* seconds;
        bool warned;
    };
    const Case cases[] = {
        {{.exposure = kExposureAuto, .destination = kDestFile}, "20", true},
        {{.exposure = kExposureAuto, .destination = kDestFile}, "5", false},
        {{}, "20", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        Apply(View(), c.modes);
        ui->boxes.clear();
        Typist user({c.seconds});
        ui->AnswerNextDialog(user.Answer(*ui, View()));
        ASSERT_TRUE(View()->ExecuteCommand(ID_TIMED_EXPOSURE));
        EXPECT_EQ(View()->m_modes.shutterMode, kShutterTimed);
        EXPECT_EQ(View()->m_modes.timedExposureSeconds, DWORD(std::atoi(c.seconds)));
        ASSERT_EQ(ui->boxes.size(), c.warned ? 1u : 0u);
        if (c.warned) {
            EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_EXPOSURE_TOO_LONG));
        }
    }
}

TEST_F(SnapvoFixture, CancellingAutoCaptureKeepsTheModes)
{
    ASSERT_TRUE(Start());
    Apply(View(), {.destination = kDestClipboard});
    ASSERT_TRUE(View()->ExecuteCommand(ID_AUTO_CAPTURE));
    EXPECT_EQ(View()->m_modes.exposureMode, kExposureSingle);
    EXPECT_EQ(View()->m_modes.destination, kDestClipboard);
}

// Every "Ctrl + X" a menu text shows runs that item, and no two items name
// the same key.
TEST_F(SnapvoFixture, TheCtrlKeysOfTheMenuTextsReachTheirCommands)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    std::vector<std::pair<char, UINT>> promised;
    std::function<void(const CMenu&)> collect = [&](const CMenu& menu) {
        for (const CMenu::Item& item : menu.Items()) {
            if (item.popup)
                collect(*item.popup);
            const int tab = item.text.Find("\tCtrl + ");
            if (tab >= 0 && item.text.GetLength() == tab + 9)
                promised.emplace_back(item.text[tab + 8], item.id);
        }
    };
    collect(Frame()->GetMenu());
    std::set<char> keys;
    for (auto [key, id] : promised)
        EXPECT_TRUE(keys.insert(key).second) << "Ctrl+" << key << " named twice";
    for (UINT id : {ID_SINGLE_CAPTURE, ID_AUTO_CAPTURE, ID_MULTI_ONE, ID_MULTI_THREE, ID_MULTI_FIVE, ID_MULTI_OTHER,
                    ID_SEND_FILMROLL, ID_SEND_FILE, ID_SEND_CLIPBOARD, ID_SEND_MAIL, ID_CAMERA_ADJUSTMENTS,
                    ID_IMAGE_SIZE})
        EXPECT_TRUE(std::any_of(promised.begin(), promised.end(), [id](auto p) { return p.second == id; })) << id;

    std::vector<UINT> ran;
    for (auto [key, id] : promised)
        View()->OnCommand(id, [&ran, id = id] { ran.push_back(id); });
    SetModifierState(true, false, false);
    for (auto [key, id] : promised) {
        SCOPED_TRACE(testing::Message() << "Ctrl+" << key);
        ran.clear();
        MSG press{Frame()->m_hWnd, WM_KEYDOWN, WPARAM(key), 1, 0};
        EXPECT_TRUE(app->PreTranslateMessage(&press));
        EXPECT_EQ(ran, std::vector<UINT>{id});
    }
    SetModifierState(false, false, false);
}

// While the self timer counts before a bulb or timed exposure, the button
// offers to close the shutter: a second press must not start the countdown
// again.
TEST_F(SnapvoFixture, ASecondPressDuringTheCountdownBeforeAnExposureDoesNotRestartIt)
{
    ASSERT_TRUE(Start());
    for (WORD shutter : {kShutterBulb, kShutterTimed}) {
        SCOPED_TRACE(shutter);
        Apply(View(), {.shutter = shutter, .selfTimer = TRUE, .seconds = 10});
        View()->OnTakePictureButton();
        ASSERT_TRUE(View()->SelfTimerDisplay().IsShown());
        clock->Advance(4000);
        EXPECT_EQ(View()->TakePictureButton().GetWindowText(), "&Close Shutter");
        // The press skips the rest of the wait: the shutter opens now, and
        // the countdown is not started again.
        View()->OnTakePictureButton();
        EXPECT_FALSE(View()->SelfTimerDisplay().IsShown());
        EXPECT_TRUE(View()->Camera()->IsExposing());
        EXPECT_EQ(View()->TakePictureButton().GetWindowText(), "&Close Shutter");
        clock->Advance(20000);
        EXPECT_FALSE(View()->SelfTimerDisplay().IsShown());
        View()->Advance(csStop);
        EXPECT_FALSE(View()->IsBusy());
    }
}

}  // namespace
