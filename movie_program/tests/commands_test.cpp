// Every command's enable and check rule in both functions, the pop-up menus,
// the driver commands, the camera's dialogs and the brightness slider.
#include "reelix_test_util.h"

#include "ReelixAbout.h"
#include "capture/camera_dialogs.h"
#include "framework/StringTable.h"
#include "resource.h"

#include <map>

#include "framework/Keys.h"

using namespace reelix_test;

namespace {

// What a rule should say in a state; the recorder and player have their own
// say inside the view's gates, asked for here through their own rules.
using Expect = std::function<bool(CReelixView&)>;
Expect Yes() { return [](CReelixView&) { return true; }; }
Expect No() { return [](CReelixView&) { return false; }; }
Expect Recorder(BOOL (CRecorder::*rule)() const)
{
    return [rule](CReelixView& v) { return (v.Recorder().*rule)() != FALSE; };
}
Expect PlayerHasMovie() { return [](CReelixView& v) { return v.Player().HasMovie() != FALSE; }; }

struct RuleRow {
    UINT id;
    Expect record;     // enabled in Record function with the camera
    Expect playback;   // enabled in Playback function
    int recordCheck;   // -1: not looked at
    int playbackCheck;
};

std::vector<RuleRow> Rules()
{
    return {
        {ID_FILE_OPEN, Yes(), Yes(), -1, -1},
        {ID_FILE_CLOSE, No(), PlayerHasMovie(), -1, -1},
        {ID_FILE_SAVE_AS, No(), PlayerHasMovie(), -1, -1},
        {ID_FILE_SAVE, No(), PlayerHasMovie(), -1, -1},
        {ID_EDIT_COPY, Yes(), PlayerHasMovie(), -1, -1},
        {ID_MOVIE_PLAY, No(), PlayerHasMovie(), -1, -1},
        {ID_MOVIE_STOP, Recorder(&CRecorder::CanStop), PlayerHasMovie(), -1, -1},
        {ID_MOVIE_RECORD, Recorder(&CRecorder::CanRecord), No(), -1, -1},
        {ID_RATE_NORMAL, Recorder(&CRecorder::CanChangeMode), No(), 1, 1},
        {ID_RATE_BEST, Recorder(&CRecorder::CanChangeMode), No(), -1, -1},
        {ID_RATE_GOOD, Recorder(&CRecorder::CanChangeMode), No(), -1, -1},
        {ID_OTHER_RATE, Recorder(&CRecorder::CanChangeMode), No(), 0, 0},
        {ID_SINGLE_FRAME, Recorder(&CRecorder::CanChangeMode), No(), 0, 0},
        {ID_TIME_LAPSE, Recorder(&CRecorder::CanChangeMode), No(), 0, 0},
        {ID_CAPTURE_AUDIO, Recorder(&CRecorder::CanToggleAudio), No(), -1, -1},
        {ID_AUDIO_FORMAT, Recorder(&CRecorder::CanChooseAudioFormat), No(), -1, -1},
        {ID_FUNCTION_RECORD, No(), Yes(), 1, 0},
        {ID_FUNCTION_PLAYBACK, Yes(), No(), 0, 1},
        {ID_IMAGE_SIZE, Yes(), No(), -1, -1},
        {ID_CAMERA_ADJUSTMENTS, Yes(), No(), -1, -1},
        {ID_DRIVER_FIRST, Yes(), No(), 1, -1},
        {ID_DRIVER_FIRST + 1, Yes(), No(), 0, -1},
        {ID_DRIVER_LAST, Yes(), No(), 0, -1},
        {ID_HELP_CONTENTS, Yes(), Yes(), -1, -1},
        {ID_APP_ABOUT_MOVIE, Yes(), Yes(), -1, -1},
        {ID_APP_EXIT_MOVIE, Yes(), Yes(), -1, -1},
    };
}

void CheckRules(CMainFrame& frame, CReelixView& view, bool playback)
{
    for (const RuleRow& row : Rules()) {
        const CCmdUI ui = frame.QueryCommand(row.id);
        const bool wanted = playback ? row.playback(view) : row.record(view);
        EXPECT_EQ(ui.IsEnabled(), wanted) << (playback ? "Playback " : "Record ") << row.id;
        const int check = playback ? row.playbackCheck : row.recordCheck;
        if (check >= 0)
            EXPECT_EQ(ui.GetCheck(), check) << (playback ? "Playback " : "Record ") << row.id;
    }
}

UINT SettingsItemState(CMainFrame& frame, int position)
{
    return frame.GetMenu().GetSubMenu(kSettingsMenuPosition)->GetMenuState(UINT(position), MF_BYPOSITION);
}

TEST_F(ReelixFixture, EveryCommandFollowsItsRuleInBothFunctions)
{
    ASSERT_TRUE(Start());
    CheckRules(*Frame(), *View(), false);
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_FUNCTION_PLAYBACK));
    ASSERT_EQ(View()->Function(), kFunctionPlayback);
    CheckRules(*Frame(), *View(), true);
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_FUNCTION_RECORD));
    ASSERT_EQ(View()->Function(), kFunctionRecord);
    CheckRules(*Frame(), *View(), false);
}

TEST_F(ReelixFixture, WithoutADriverOnlyTheFileHelpAndExitCommandsRemain)
{
    InstallOtherCameraOnly();
    ASSERT_TRUE(Start());
    const std::vector<UINT> open = {ID_FILE_OPEN, ID_HELP_CONTENTS, ID_APP_ABOUT_MOVIE, ID_APP_EXIT_MOVIE};
    for (const RuleRow& row : Rules()) {
        const bool wanted = std::find(open.begin(), open.end(), row.id) != open.end() ||
                            (row.id >= ID_DRIVER_FIRST && row.id <= ID_DRIVER_LAST);
        EXPECT_EQ(Frame()->QueryCommand(row.id).IsEnabled(), wanted) << row.id;
    }
}

TEST_F(ReelixFixture, TheFunctionSwitchGreysTheModeAndAudioMenusInPlayback)
{
    ASSERT_TRUE(Start());
    for (int position : {1, 2, 3})
        EXPECT_EQ(SettingsItemState(*Frame(), position) & MF_GRAYED, 0u) << position;
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_FUNCTION_PLAYBACK));
    EXPECT_FALSE(View()->BrightnessTimerRunning());
    EXPECT_EQ(SettingsItemState(*Frame(), 1) & MF_GRAYED, 0u);
    for (int position : {2, 3})
        EXPECT_EQ(SettingsItemState(*Frame(), position) & MF_GRAYED, MF_GRAYED) << position;
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_FUNCTION_RECORD));
    for (int position : {2, 3})
        EXPECT_EQ(SettingsItemState(*Frame(), position) & MF_GRAYED, 0u) << position;
    EXPECT_TRUE(View()->BrightnessTimerRunning());
    EXPECT_TRUE(View()->RecordButton().IsWindowVisible());
    EXPECT_EQ(CWnd::GetFocus(), &View()->RecordButton());
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), "Press SPACE bar to start recording");
}

TEST_F(ReelixFixture, ARightClickOpensThePopUpOfTheFunctionAndRunsItsChoice)
{
    ASSERT_TRUE(Start());
    struct Row {
        int function;
        UINT first, chosen;
        int after;
    };
    const Row rows[] = {{kFunctionRecord, ID_FUNCTION_RECORD, ID_FUNCTION_PLAYBACK, kFunctionPlayback},
                        {kFunctionPlayback, ID_FUNCTION_RECORD, ID_FUNCTION_RECORD, kFunctionRecord}};
    for (const Row& row : rows) {
        ASSERT_EQ(View()->Function(), row.function);
        ui->ChooseNextPopupItem(row.chosen);
        View()->SendMessage(WM_RBUTTONDOWN, 0, MAKELONG(20, 30));
        app->RunPendingAndIdle(5);
        ASSERT_FALSE(ui->popups.empty());
        const auto& shown = ui->popups.back();
        std::vector<UINT> ids;
        for (const auto& item : shown.items)
            ids.push_back(item.id);
        CMenu& wanted = row.function == kFunctionRecord ? Frame()->RecordPopup() : Frame()->PlaybackPopup();
        ASSERT_EQ(int(ids.size()), wanted.GetMenuItemCount());
        for (int i = 0; i < wanted.GetMenuItemCount(); ++i)
            EXPECT_EQ(ids[size_t(i)], wanted.GetMenuItemID(i));
        EXPECT_EQ(View()->Function(), row.after);
    }
    // The two menus differ where the functions do.
    CString text;
    EXPECT_GT(Frame()->RecordPopup().GetMenuString(ID_MOVIE_RECORD, text, MF_BYCOMMAND), 0);
    EXPECT_EQ(Frame()->PlaybackPopup().GetMenuString(ID_MOVIE_RECORD, text, MF_BYCOMMAND), 0);
    EXPECT_GT(Frame()->PlaybackPopup().GetMenuString(ID_MOVIE_PLAY, text, MF_BYCOMMAND), 0);
}

TEST_F(ReelixFixture, ADriverThatCannotConnectSaysSoAndLeavesNoRecordButton)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_DRIVER_FIRST + 3));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, "Unable to connect to capture driver");
    EXPECT_EQ(View()->DriverIndex(), kNoDriver);
    EXPECT_FALSE(View()->RecordButton().IsWindowVisible());
    EXPECT_FALSE(View()->BrightnessSlider().IsWindowVisible());
    EXPECT_FALSE(Frame()->QueryCommand(ID_MOVIE_RECORD).IsEnabled());

    ASSERT_TRUE(Frame()->ExecuteCommand(ID_DRIVER_FIRST));
    EXPECT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(View()->DriverIndex(), 0);
    EXPECT_TRUE(View()->RecordButton().IsWindowVisible());
    EXPECT_EQ(Frame()->QueryCommand(ID_DRIVER_FIRST).GetCheck(), 1);
}

TEST_F(ReelixFixture, ImageSizeRefitsTheFrameAroundTheNewVideo)
{
    ASSERT_TRUE(Start());
    ui->AnswerNextDialog([](CDialog& d) {
        static_cast<capture::CameraFormatDialog&>(d).size = SIZE{320, 240};
        d.OnOK();
        return IDOK;
    });
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_IMAGE_SIZE));
    CRect client, frame;
    View()->GetClientRect(&client);
    EXPECT_EQ(client.Size(), ClientSizeForVideo(CSize(320, 240)));
    Frame()->GetWindowRect(&frame);
    // The centre stays (within the rounding of odd halves).
    EXPECT_LE(std::abs(frame.CenterPoint().x - Frame()->NormalRect().CenterPoint().x), 1);
    EXPECT_LE(std::abs(frame.CenterPoint().y - Frame()->NormalRect().CenterPoint().y), 1);
}

TEST_F(ReelixFixture, TheFormatFlagsFollowTheDepthChosenInImageSize)
{
    ASSERT_TRUE(Start());
    struct Row {
        WORD bits;
        bool palettised, sixteen;
    };
    for (const Row& row : {Row{8, true, false}, Row{4, true, false}, Row{16, false, true}, Row{24, false, false}}) {
        ui->AnswerNextDialog([bits = row.bits](CDialog& d) {
            static_cast<capture::CameraFormatDialog&>(d).bits = bits;
            d.OnOK();
            return IDOK;
        });
        ASSERT_TRUE(Frame()->ExecuteCommand(ID_IMAGE_SIZE));
        EXPECT_EQ(bool(View()->Palettised()), row.palettised) << row.bits;
        EXPECT_EQ(bool(View()->SixteenBitFormat()), row.sixteen) << row.bits;
        EXPECT_FALSE(View()->CameraCoded());
    }
}

TEST_F(ReelixFixture, TheSliderSetsTheBrightnessUnlessTheCameraKeepsItsOwn)
{
    ASSERT_TRUE(Start());
    CSliderCtrl& slider = View()->BrightnessSlider();
    EXPECT_EQ(slider.GetPos(), 128);
    slider.Scroll(TB_THUMBTRACK, 90);
    EXPECT_EQ(View()->Camera()->GetBrightness(), 90);
    EXPECT_TRUE(ui->boxes.empty());

    ui->AnswerNextDialog([](CDialog& d) {
        static_cast<capture::CameraSourceDialog&>(d).settings.autoBrightness = true;
        d.OnOK();
        return IDOK;
    });
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_CAMERA_ADJUSTMENTS));
    ASSERT_TRUE(View()->AutoBrightness());
    slider.Scroll(TB_THUMBTRACK, 200);
    EXPECT_EQ(slider.GetPos(), 90);
    EXPECT_EQ(View()->Camera()->GetBrightness(), 90);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_AUTO_BRIGHTNESS_ON));
}

TEST_F(ReelixFixture, EveryTenSecondsTheSliderFollowsTheCamera)
{
    ASSERT_TRUE(Start());
    View()->Camera()->SetBrightness(60);
    clock->Advance(CReelixView::kBrightnessTimerMs - 10);
    app->RunPendingAndIdle();
    EXPECT_EQ(View()->BrightnessSlider().GetPos(), 128);
    clock->Advance(20);
    app->RunPendingAndIdle();
    EXPECT_EQ(View()->BrightnessSlider().GetPos(), 60);
}

TEST_F(ReelixFixture, HelpContentsAndAboutShowTheProgramsOwn)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_HELP_CONTENTS));
    ASSERT_EQ(ui->helpCalls.size(), 1u);
    EXPECT_EQ(ui->helpCalls[0].file, "reelix.hlp");
    EXPECT_EQ(ui->helpCalls[0].command, HELP_CONTENTS);
    CString version;
    ui->AnswerNextDialog([&version](CDialog& d) {
        version = static_cast<CReelixAboutDlg&>(d).VersionLine();
        return IDOK;
    });
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_APP_ABOUT_MOVIE));
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{CReelixAboutDlg::IDD});
    EXPECT_EQ(version, "Version 2.0");
    struct Key {
        UINT key;
        bool control, shift, opens;
    };
    for (const Key& k : {Key{'J', true, true, true}, Key{'J', true, false, false}, Key{'J', false, true, false},
                         Key{'K', true, true, false}})
        EXPECT_EQ(CReelixAboutDlg::OpensPicture(k.key, k.control, k.shift), k.opens) << char(k.key);
}

TEST_F(ReelixFixture, TheControlKeysAreExactlyThoseTheMenuTextsName)
{
    ASSERT_TRUE(Start());
    std::map<char, UINT> named;
    std::function<void(const CMenu&)> walk = [&](const CMenu& menu) {
        for (const CMenu::Item& item : menu.Items()) {
            if (item.popup)
                walk(*item.popup);
            const int tab = item.text.Find("\tCtrl+");
            if (tab >= 0)
                named[item.text[tab + 6]] = item.id;
        }
    };
    walk(Frame()->GetMenu());
    EXPECT_EQ(named.size(), 10u);
    // Every letter runs its item's command and no other letter runs any.
    std::map<UINT, int> ran;
    for (char key = 'A'; key <= 'Z'; ++key) {
        SetModifierState(true, false, false);
        MSG msg{Frame()->m_hWnd, WM_KEYDOWN, WPARAM(key), 1, 0};
        CCmdTarget probe;
        UINT hit = 0;
        for (const auto& [letter, id] : named)
            probe.OnCommand(id, [&hit, id = id] { hit = id; });
        for (const auto& [letter, id] : named)
            probe.OnUpdateCommand(id, [](CCmdUI* ui) { ui->Enable(TRUE); });
        const BOOL used = Frame()->Accelerators().Translate(msg, probe);
        SetModifierState(false, false, false);
        const auto it = named.find(key);
        EXPECT_EQ(bool(used), it != named.end()) << key;
        EXPECT_EQ(hit, it != named.end() ? it->second : 0u) << key;
    }
}

}  // namespace
