// The recorder and the player together inside the real view and frame: what
// a recording leaves in the workspace when the user switches to Playback,
// cancels a save, changes the driver or the picture size, which saves count
// at exit, closing the program while a compressing save runs, SPACE in both
// functions, and a time-lapse interval chosen in its dialog coming back after
// a restart.
#include "reelix_test_util.h"

#include "RecordDialogs.h"
#include "capture/camera_dialogs.h"
#include "framework/Keys.h"
#include "framework/ProgressDialog.h"
#include "framework/StringTable.h"
#include "movie/save_options_dialog.h"
#include "player_fixture.h"
#include "resource.h"

using namespace reelix_test;
using playertest::InfoOf;
using playertest::WriteMovie;

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct WholeProgram : ReelixFixture {
    void Run(UINT id) { ASSERT_TRUE(Frame()->ExecuteCommand(id)) << id; }
    // The fake clock moved on with the program's idle work done on the way.
    void Pass(DWORD ms)
    {
        clock->Advance(ms);
        app->RunPendingAndIdle(5);
    }
    std::string Workspace() const { return (folder.Path() / kWorkspaceName).string(); }
    uint32_t WorkspaceFrames() const { return InfoOf(Workspace()).frames; }
    // How often the box with the text of `id` came up.
    long Asked(UINT id)
    {
        const CString text = LoadStringText(id);
        return std::count_if(ui->boxes.begin(), ui->boxes.end(), [&](const auto& box) { return box.text == text; });
    }
    CString StatusText() { return Frame()->StatusBar().GetPaneText(0); }
    // SPACE as the keyboard gives it to the frame.
    void PressSpace()
    {
        MSG msg{Frame()->m_hWnd, WM_KEYDOWN, WPARAM(VK_SPACE), 1, 0};
        EXPECT_TRUE(Frame()->PreTranslateMessage(&msg));
        app->RunPendingAndIdle(5);
    }
    void ChooseTimeLapse(const char* count, const char* unit)
    {
        ui->AnswerNextDialog([count, unit](CDialog& d) {
            auto& dialog = dynamic_cast<CTimeLapseDlg&>(d);
            dialog.countText = count;
            dialog.unitText = unit;
            dialog.OnOK();
            return IDOK;
        });
        Run(ID_TIME_LAPSE);
    }
    // `frames` frames of one second's time lapse, the recording left running.
    void RecordTimeLapse(uint32_t frames)
    {
        ChooseTimeLapse("1", "Seconds");
        Run(ID_MOVIE_RECORD);
        Pass(frames * 1000 + 500);
        ASSERT_TRUE(View()->Recorder().IsRunning());
    }
    void RecordSingleFrames(uint32_t frames)
    {
        Run(ID_SINGLE_FRAME);
        for (uint32_t n = 0; n < frames; ++n)
            Run(ID_MOVIE_RECORD);
    }
};

enum EarlierMode { kTimeLapse, kSingleFrames };

void RecordFrames(WholeProgram& t, EarlierMode mode, uint32_t frames)
{
    if (mode == kTimeLapse)
        t.RecordTimeLapse(frames);
    else
        t.RecordSingleFrames(frames);
}

TEST_F(WholeProgram, PlaybackShowsTheFramesJustRecordedAndTheNextRecordAsksOnceFirst)
{
    const struct {
        const char* what;
        EarlierMode mode;
    } rows[] = {{"time lapse", kTimeLapse}, {"single frames", kSingleFrames}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ui->boxes.clear();
        RecordFrames(*this, row.mode, 3);
        Run(ID_FUNCTION_PLAYBACK);
        EXPECT_TRUE(ui->boxes.empty());
        CRecorder& recorder = View()->Recorder();
        EXPECT_FALSE(recorder.IsRunning());
        EXPECT_FALSE(recorder.TickRunning());
        EXPECT_EQ(recorder.ButtonCaption(), "RECORD");
        EXPECT_EQ(WorkspaceFrames(), 3u);
        ASSERT_TRUE(View()->Player().HasMovie());
        EXPECT_EQ(View()->Player().Window()->Length(), 3u);
        EXPECT_EQ(View()->Player().Window()->FileName(), Workspace());
        EXPECT_EQ(StatusText(), LoadStringText(IDS_PRESS_TO_PLAY));
        // No tick left behind opens the workspace again.
        Pass(5000);
        Run(ID_FUNCTION_RECORD);
        Pass(3000);
        EXPECT_EQ(WorkspaceFrames(), 3u);
        EXPECT_TRUE(ui->boxes.empty());

        std::vector<uint32_t> framesWhenAsked;
        ui->onMessageBox = [&](const TestUiService::ShownBox&) { framesWhenAsked.push_back(WorkspaceFrames()); };
        ui->AnswerNextBox(IDNO);
        RecordFrames(*this, row.mode, 2);
        Run(ID_FUNCTION_PLAYBACK);
        ui->onMessageBox = nullptr;
        EXPECT_EQ(Asked(IDS_OVERWRITE_QUESTION), 1);
        EXPECT_EQ(framesWhenAsked, std::vector<uint32_t>{3});
        EXPECT_EQ(WorkspaceFrames(), 2u);
        EXPECT_EQ(View()->Player().Window()->Length(), 2u);
    }
}

TEST_F(WholeProgram, ACancelledSaveKeepsTheFramesUntilTheOverwriteQuestionIsAnswered)
{
    const struct {
        const char* what;
        int answer;
        uint32_t framesAfter;
    } rows[] = {{"No discards them", IDNO, 2}, {"Cancel keeps them", IDCANCEL, 3}, {"Yes, then no save", IDYES, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ui->boxes.clear();
        ui->fileDialogs.clear();
        RecordTimeLapse(3);
        ui->AnswerNextFileDialog(std::nullopt);
        Run(ID_FILE_SAVE_AS);
        ASSERT_EQ(ui->fileDialogs.size(), 1u);
        EXPECT_EQ(ui->fileDialogs[0].fileName, CString(Workspace().c_str()));
        EXPECT_FALSE(View()->Recorder().IsRunning());
        EXPECT_FALSE(View()->Recorder().TickRunning());
        Pass(3000);
        EXPECT_EQ(WorkspaceFrames(), 3u);
        EXPECT_TRUE(ui->boxes.empty());

        std::vector<uint32_t> framesWhenAsked;
        ui->onMessageBox = [&](const TestUiService::ShownBox&) { framesWhenAsked.push_back(WorkspaceFrames()); };
        ui->AnswerNextBox(row.answer);
        ui->AnswerNextFileDialog(std::nullopt);   // the save a Yes asks for
        Run(ID_MOVIE_RECORD);
        Pass(2500);
        if (View()->Recorder().IsRunning())
            Run(ID_MOVIE_STOP);
        ui->onMessageBox = nullptr;
        EXPECT_EQ(Asked(IDS_OVERWRITE_QUESTION), 1);
        EXPECT_EQ(framesWhenAsked, std::vector<uint32_t>{3});
        EXPECT_EQ(WorkspaceFrames(), row.framesAfter);
        EXPECT_FALSE(View()->Recorder().MovieSaved());
        EXPECT_EQ(View()->Recorder().ButtonCaption(), "RECORD");
    }
}

TEST_F(WholeProgram, OnlyASuccessfulSaveOfTheWorkspaceSparesTheExitQuestion)
{
    enum Showing { kRecordFunction, kWorkspaceInPlayback, kOtherMovieOpened };
    const struct {
        const char* what;
        Showing showing;
        const char* target;
        const char* error;   // null: none shown
        bool asks;
    } rows[] = {
        {"a save into a folder that is not there", kRecordFunction, "no-such-folder/kept.avi", "Error saving file!",
         true},
        {"a save of the workspace", kRecordFunction, "kept.avi", nullptr, false},
        {"a save of the workspace on show", kWorkspaceInPlayback, "kept.avi", nullptr, false},
        {"a save of another movie opened", kOtherMovieOpened, "kept.avi", nullptr, true},
    };
    const std::string other = WriteMovie((folder.Path() / "other.avi").string(), 4);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ui->boxes.clear();
        std::filesystem::remove(folder.Path() / "kept.avi");
        RecordSingleFrames(2);
        if (row.showing == kWorkspaceInPlayback)
            Run(ID_FUNCTION_PLAYBACK);
        if (row.showing == kOtherMovieOpened) {
            ui->AnswerNextFileDialog(CString(other.c_str()));
            Run(ID_FILE_OPEN);
            ASSERT_EQ(View()->Player().Window()->FileName(), other);
        }
        ui->AnswerNextFileDialog(CString(row.target));
        Run(ID_FILE_SAVE_AS);
        ASSERT_EQ(ui->boxes.size(), row.error ? 1u : 0u);
        if (row.error) {
            EXPECT_EQ(ui->boxes[0].text, row.error);
        }
        ui->boxes.clear();
        ui->AnswerNextBox(IDCANCEL);
        EXPECT_EQ(bool(Exit()), !row.asks);
        EXPECT_EQ(Asked(IDS_UNSAVED_AT_EXIT), row.asks ? 1 : 0);
    }
}

// Yes to the exit question saves the workspace movie, the one it asks about,
// whatever movie the playback window shows; then the program ends.
TEST_F(WholeProgram, YesAtExitSavesTheWorkspaceWhateverIsOnShow)
{
    enum Showing { kRecordFunction, kWorkspaceInPlayback, kOtherMovieOpened };
    const struct {
        const char* what;
        Showing showing;
    } rows[] = {{"record function", kRecordFunction},
                {"the workspace on show", kWorkspaceInPlayback},
                {"another movie on show", kOtherMovieOpened}};
    const std::string other = WriteMovie((folder.Path() / "other.avi").string(), 4);
    const std::string kept = (folder.Path() / "kept.avi").string();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ui->boxes.clear();
        std::filesystem::remove(kept);
        RecordSingleFrames(2);
        if (row.showing != kRecordFunction)
            Run(ID_FUNCTION_PLAYBACK);
        if (row.showing == kOtherMovieOpened) {
            ui->AnswerNextFileDialog(CString(other.c_str()));
            Run(ID_FILE_OPEN);
        }
        ui->AnswerNextBox(IDYES);
        ui->AnswerNextFileDialog(CString(kept.c_str()));
        EXPECT_TRUE(Exit());
        EXPECT_EQ(ui->fileDialogs.back().fileName, CString(Workspace().c_str()));
        EXPECT_EQ(Asked(IDS_UNSAVED_AT_EXIT), 1);
        EXPECT_EQ(InfoOf(kept).frames, 2u);
    }
}

TEST_F(WholeProgram, ClosingDuringACompressingSaveEndsItCleanlyAndThenExits)
{
    // The menus take no command while the progress dialog's loop runs inside
    // Save As; File > Exit's own step, the frame's close, comes from SIGTERM.
    enum Closing { kExitCommand, kCloseBox, kCloseBoxBeforeTheStart, kCloseBoxDuringTheExitSave };
    const struct {
        const char* what;
        Closing how;
        long questions;   // the exit question: again once the save has let go
    } rows[] = {
        {"File > Exit's close, as SIGTERM runs it", kExitCommand, 1},
        {"the close box", kCloseBox, 1},
        {"the close box before the save starts", kCloseBoxBeforeTheStart, 1},
        {"the close box during the save Exit asked for", kCloseBoxDuringTheExitSave, 2},
    };
    const std::string target = (folder.Path() / "older.avi").string();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        StoreValue("Capture", "CaptureMode", "unwritten");
        Restart();
        ui->boxes.clear();
        ui->dialogs.clear();
        WriteMovie(target, 2, false, 200);
        const std::string older = Contents(target);
        RecordSingleFrames(8);
        ui->ScriptNextFileDialog({TestUiService::PressExtraButton(), TestUiService::ConfirmName(target.c_str())});
        ui->AnswerNextDialog([](CDialog&) { return IDCANCEL; });   // the options: full frames
        bool closed = false;
        ui->AnswerNextDialog([&](CDialog& d) {
            auto& progress = static_cast<CProgressDialog&>(d);
            if (row.how == kCloseBoxBeforeTheStart) {
                Frame()->Close();
                return TestUiService::kStayOpen;
            }
            progress.onChanged = [&] {
                if (closed || progress.GetPercent() < 40)
                    return;
                closed = true;
                if (row.how == kExitCommand)
                    Frame()->Close();
                else
                    Frame()->PostMessage(WM_CLOSE);
            };
            return TestUiService::kStayOpen;
        });
        if (row.how == kCloseBoxDuringTheExitSave) {
            ui->AnswerNextBox(IDYES);
            Frame()->ExecuteCommand(ID_APP_EXIT_MOVIE);
        } else {
            Run(ID_FILE_SAVE_AS);
        }
        EXPECT_FALSE(View()->Player().IsCompressing());
        EXPECT_EQ(ui->dialogs, (std::vector<UINT>{movie::IDD_SAVE_OPTIONS, IDD_COMPRESSION_PROGRESS}));
        // The close waited for the save to let go; then it asks as any exit does.
        ui->AnswerNextBox(IDNO);
        app->RunPendingAndIdle(10);
        EXPECT_EQ(Frame()->m_hWnd, nullptr);
        EXPECT_EQ(Asked(IDS_UNSAVED_AT_EXIT), row.questions);
        EXPECT_EQ(ui->boxes.size(), size_t(row.questions));
        EXPECT_TRUE(Contents(target) == older) << "the older target changed";
        EXPECT_EQ(StoredValue("Capture", "CaptureMode"), "SINGLE");
    }
}

TEST_F(WholeProgram, SpaceRecordsInRecordFunctionAndPlaysInPlayback)
{
    ASSERT_TRUE(Start());
    RecordSingleFrames(3);
    ChooseTimeLapse("1", "Seconds");
    const struct {
        const char* what;
        UINT function;
        UINT idle, afterFirst, afterSecond;   // the status line's idle texts
        const char* caption;                  // the record button's after the first press
        long questions;                       // overwrite questions so far
    } rows[] = {
        {"Playback", ID_FUNCTION_PLAYBACK, IDS_PRESS_TO_PLAY, IDS_PRESS_TO_STOP, IDS_PRESS_TO_PLAY, "RECORD", 0},
        {"Record", ID_FUNCTION_RECORD, IDS_PRESS_TO_RECORD, IDS_RECORDING, IDS_PRESS_TO_RECORD, "STOP", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Run(row.function);
        const bool playback = row.function == ID_FUNCTION_PLAYBACK;
        EXPECT_EQ(StatusText(), LoadStringText(row.idle));
        if (!playback)
            ui->AnswerNextBox(IDNO);   // the new recording's overwrite question
        PressSpace();
        EXPECT_EQ(StatusText(), LoadStringText(row.afterFirst));
        EXPECT_EQ(View()->Recorder().ButtonCaption(), row.caption);
        EXPECT_EQ(bool(View()->Recorder().IsRunning()), !playback);
        if (playback) {
            EXPECT_EQ(View()->Player().Window()->Mode(), movie::PlaybackMode::kPlaying);
        }
        PressSpace();
        EXPECT_EQ(StatusText(), LoadStringText(row.afterSecond));
        EXPECT_FALSE(View()->Recorder().IsRunning());
        if (playback) {
            EXPECT_NE(View()->Player().Window()->Mode(), movie::PlaybackMode::kPlaying);
        }
        EXPECT_EQ(Asked(IDS_OVERWRITE_QUESTION), row.questions);
    }
}

// A driver chosen while a time lapse runs: the recording ends first and its
// frames stay readable, whether the new driver connects or not.
TEST_F(WholeProgram, ADriverSwitchDuringATimeLapseEndsItKeepingItsFrames)
{
    const struct {
        const char* what;
        UINT command;
        bool connects;
    } rows[] = {{"the test-pattern camera again", ID_DRIVER_FIRST, true},
                {"a driver that is not there", ID_DRIVER_FIRST + 3, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ui->boxes.clear();
        RecordTimeLapse(3);
        Run(row.command);
        EXPECT_EQ(bool(View()->DriverConnected()), row.connects);
        EXPECT_EQ(ui->boxes.size(), row.connects ? 0u : 1u);
        CRecorder& recorder = View()->Recorder();
        EXPECT_FALSE(recorder.IsRunning());
        EXPECT_FALSE(recorder.TickRunning());
        EXPECT_EQ(recorder.ButtonCaption(), "RECORD");
        Pass(3000);
        EXPECT_EQ(WorkspaceFrames(), 3u);
        EXPECT_FALSE(recorder.MovieSaved());
    }
}

// A new picture size or depth while single frames are being added: the
// movie already recorded stays one readable movie of its own pictures.
TEST_F(WholeProgram, ImageSizeBetweenSingleFramesKeepsTheMovieReadable)
{
    const struct {
        const char* what;
        SIZE size;   // {0, 0}: the size as it was
        WORD bits;
    } rows[] = {{"a larger picture", {320, 240}, 24}, {"a smaller depth", {0, 0}, 16}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        ui->boxes.clear();
        RecordSingleFrames(2);
        CRect place;
        CSize recorded;
        View()->Camera()->GetPictureRect(place, recorded);
        ui->AnswerNextDialog([&](CDialog& d) {
            auto& format = static_cast<capture::CameraFormatDialog&>(d);
            if (row.size.cx)
                format.size = row.size;
            format.bits = row.bits;
            d.OnOK();
            return IDOK;
        });
        Run(ID_IMAGE_SIZE);
        // A new movie would replace the one recorded: the user keeps that.
        ui->AnswerNextBox(IDCANCEL);
        Run(ID_MOVIE_RECORD);
        EXPECT_EQ(Asked(IDS_OVERWRITE_QUESTION), 1);
        Run(ID_FUNCTION_PLAYBACK);
        const movie::MovieInfo after = InfoOf(Workspace());
        EXPECT_EQ(after.frames, 2u);
        EXPECT_EQ(after.width, recorded.cx);
        EXPECT_EQ(after.height, recorded.cy);
        EXPECT_TRUE(View()->Player().HasMovie());
    }
}

// The interval chosen in the dialog is stored by its unit's name and, read
// back in upper case, still means minutes: the first frame comes at 120 s.
TEST_F(WholeProgram, AMinutesTimeLapseChosenInItsDialogKeepsItsIntervalAfterARestart)
{
    ASSERT_TRUE(Start());
    ChooseTimeLapse("2", "Minutes");
    ASSERT_TRUE(Exit());
    EXPECT_EQ(StoredValue("Capture", "Period"), "MINUTES");
    EXPECT_EQ(StoredValue("Capture", "TimeLapseEditControl"), "2");
    Restart();
    EXPECT_EQ(View()->Recorder().Settings().timeLapseSeconds, 120u);
    EXPECT_EQ(Frame()->QueryCommand(ID_TIME_LAPSE).GetCheck(), 1);
    Run(ID_MOVIE_RECORD);
    Pass(119000);
    EXPECT_EQ(View()->Recorder().FramesAdded(), 0u);
    Pass(1500);
    EXPECT_EQ(View()->Recorder().FramesAdded(), 1u);
    Run(ID_MOVIE_STOP);
    EXPECT_EQ(WorkspaceFrames(), 1u);
}

}  // namespace
