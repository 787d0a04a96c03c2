// Save As and Copy: the workspace refused as a target under any name that
// reaches it, plain and compressed saves, an abort that keeps the older file,
// failures that are reported and never count as saved, and the clipboard
// getting the right picture of a movie, or nothing.
#include "SaveAs.h"
#include "player_fixture.h"

#include "framework/ProgressDialog.h"
#include "movie/movie_clipboard.h"
#include "movie/save_options_dialog.h"

#include <fstream>
#include <iterator>

using namespace playertest;

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// All zero: the stream is saved as it is.
bool FullFrames(const movie::CompressOptions& o)
{
    return o.handler == 0 && o.keyFrameEvery == 0 && o.quality == 0 && o.bytesPerSecond == 0 && o.soundFormat == 0;
}

TEST_F(PlayerTest, WorkspaceIsRefusedUnderEveryNameThatReachesIt)
{
    fs::create_symlink(host.workspace.GetString(), folder / "link.avi");
    fs::create_hard_link(host.workspace.GetString(), folder / "hard.avi");
    fs::create_directory(folder / "sub");
    fs::create_directory_symlink(folder.Path(), folder / "again");
    const std::string before = Contents(host.workspace.GetString());
    const struct {
        std::string name;
        bool refused;
    } rows[] = {
        {host.workspace.GetString(), true},
        {"workspac.avi", true},
        {"WORKSPAC.AVI", true},
        {"./Workspac.avi", true},
        {"sub/../workspac.avi", true},
        {folder / "again/WORKSPAC.avi", true},
        {"link.avi", true},
        {"hard.avi", true},
        {"workspac2.avi", false},
        {"sub/workspac.avi", false},
    };
    for (const auto& row : rows) {
        ui->fileRefusals.clear();
        const std::string fallback = folder / "fallback.avi";
        fs::remove(fallback);
        ui->ScriptNextFileDialog({TestUiService::ConfirmName(row.name.c_str()),
                                  TestUiService::ConfirmName(fallback.c_str())});
        EXPECT_TRUE(player.SaveAs()) << row.name;
        const CString chosen = row.refused ? CString(fallback.c_str()) : CString(row.name.c_str());
        EXPECT_EQ(player.LastSavedFile(), chosen) << row.name;
        EXPECT_EQ(ui->fileRefusals, row.refused ? std::vector<CString>{"Unable to overwrite workspace file."}
                                                : std::vector<CString>{})
            << row.name;
        EXPECT_EQ(Contents(host.workspace.GetString()), before) << row.name;
    }
    const FileDialogRequest& asked = ui->fileDialogs.front();
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.fileName, host.workspace);
    EXPECT_EQ(asked.filter, "VFW|*.avi||");
    EXPECT_EQ(asked.defaultExt, "avi");
    EXPECT_EQ(asked.extraButton, "Compression");
    EXPECT_TRUE(asked.flags & OFN_OVERWRITEPROMPT);
}

TEST_F(PlayerTest, PlainSaveCopiesTheSourceAndOnlyTheWorkspaceCountsAsSaved)
{
    const std::string other = WriteMovie(folder / "other.avi", 3, false, 100);
    const struct {
        const char* what;
        bool playback;
        std::string playing;   // in Playback
        std::string source;    // what the copy must equal
        int saved;
    } rows[] = {
        {"record function", false, "", host.workspace.GetString(), 1},
        {"playing another file", true, other, other, 0},
        {"playing the workspace", true, host.workspace.GetString(), host.workspace.GetString(), 1},
    };
    for (const auto& row : rows) {
        player.CloseWindow();
        host.playback = false;
        host.saved = 0;
        if (row.playback)
            player.OpenForPlayback(row.playing.c_str());
        const std::string target = folder / (std::string(row.what) + ".avi");
        ui->AnswerNextFileDialog(CString(target.c_str()));
        const int stops = host.stops;
        ASSERT_TRUE(player.SaveAs()) << row.what;
        EXPECT_GT(host.stops, stops) << row.what;
        EXPECT_EQ(ui->fileDialogs.back().fileName, CString(row.source.c_str())) << row.what;
        EXPECT_EQ(Contents(target), Contents(row.source)) << row.what;
        EXPECT_EQ(host.saved, row.saved) << row.what;
        if (row.playback) {
            // The saved file is the one on show now.
            ASSERT_TRUE(player.HasWindow()) << row.what;
            EXPECT_EQ(player.Window()->FileName(), target) << row.what;
            EXPECT_EQ(host.captions.back(), CString(("Reelix <" + target + ">").c_str())) << row.what;
        }
    }
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(PlayerTest, NothingToSaveAsksNothing)
{
    host.workspaceHasMovie = false;
    EXPECT_FALSE(player.SaveAs());
    host.playback = true;   // Playback without a window
    EXPECT_FALSE(player.SaveAs());
    EXPECT_TRUE(ui->fileDialogs.empty());
    ui->AnswerNextFileDialog(std::nullopt);   // cancelled
    host.playback = false;
    host.workspaceHasMovie = true;
    EXPECT_FALSE(player.SaveAs());
    EXPECT_EQ(host.saved, 0);
}

TEST_F(PlayerTest, CompressionCancelledInTheOptionsStillSavesWithDefaults)
{
    const std::string target = folder / "compressed.avi";
    ui->ScriptNextFileDialog({TestUiService::PressExtraButton(), TestUiService::ConfirmName(target.c_str())});
    ui->AnswerNextDialog([](CDialog&) { return IDCANCEL; });   // the options
    bool compressingSeen = false;
    ui->AnswerNextDialog([&](CDialog& d) {
        auto& progress = static_cast<CProgressDialog&>(d);
        progress.onChanged = [&] { compressingSeen = player.IsCompressing() && player.Progress() == &progress; };
        return TestUiService::kStayOpen;
    });
    ASSERT_TRUE(player.SaveAs());
    EXPECT_EQ(ui->dialogs, (std::vector<UINT>{movie::IDD_SAVE_OPTIONS, IDD_COMPRESSION_PROGRESS}));
    EXPECT_TRUE(compressingSeen);
    EXPECT_FALSE(player.IsCompressing());
    EXPECT_EQ(host.saved, 1);
    const movie::MovieInfo saved = InfoOf(target), source = InfoOf(host.workspace.GetString());
    EXPECT_EQ(saved.frames, source.frames);
    EXPECT_TRUE(saved.uncompressed);
    EXPECT_TRUE(saved.hasAudio);
    EXPECT_EQ(saved.audioSamples, source.audioSamples);
    EXPECT_EQ(FrameOf(target, 4), FrameOf(host.workspace.GetString(), 4));
    EXPECT_TRUE(ui->boxes.empty());
    // A start message arriving after the save does nothing.
    host.view.PostMessage(WM_START_COMPRESSION);
    PumpMessages();
    EXPECT_EQ(ui->dialogs.size(), 2u);
}

TEST_F(PlayerTest, AbortedCompressionKeepsTheOlderTargetAndIsNotASave)
{
    const std::string target = WriteMovie(folder / "older.avi", 2, false, 200);
    const std::string older = Contents(target);
    WriteMovie(host.workspace.GetString(), 30, true);
    enum How { kAbortButton, kProgramClosing, kClosingBeforeTheStart };
    for (How how : {kAbortButton, kProgramClosing, kClosingBeforeTheStart}) {
        ui->ScriptNextFileDialog({TestUiService::PressExtraButton(), TestUiService::ConfirmName(target.c_str())});
        ui->AnswerNextDialog([](CDialog&) { return IDCANCEL; });
        ui->AnswerNextDialog([&, how](CDialog& d) {
            auto& progress = static_cast<CProgressDialog&>(d);
            if (how == kClosingBeforeTheStart)
                player.AbortCompression();
            progress.onChanged = [&, how] {
                if (progress.GetPercent() < 40)
                    return;
                if (how == kAbortButton)
                    progress.PostMessage(WM_COMMAND, IDCANCEL);
                else
                    player.AbortCompression();
            };
            return TestUiService::kStayOpen;
        });
        EXPECT_FALSE(player.SaveAs()) << how;
        EXPECT_FALSE(player.IsCompressing()) << how;
        EXPECT_EQ(Contents(target), older) << how;
        EXPECT_EQ(host.saved, 0) << how;
        EXPECT_TRUE(ui->boxes.empty()) << how;
        PumpMessages();   // a start message left behind starts nothing
        EXPECT_EQ(Contents(target), older) << how;
    }
}

TEST_F(PlayerTest, FailedSavesAreReportedAndDoNotCountAsSaved)
{
    const std::string target = folder / "no-such-folder/x.avi";
    const struct {
        bool compress;
        const char* message;
    } rows[] = {{false, "Error saving file!"}, {true, "Error compressing file!"}};
    for (const auto& row : rows) {
        ui->boxes.clear();
        std::vector<TestUiService::FileDialogStep> steps;
        if (row.compress) {
            steps.push_back(TestUiService::PressExtraButton());
            ui->AnswerNextDialog([](CDialog&) { return IDCANCEL; });
            ui->AnswerNextDialog([](CDialog&) { return TestUiService::kStayOpen; });
        }
        steps.push_back(TestUiService::ConfirmName(target.c_str()));
        ui->ScriptNextFileDialog(steps);
        EXPECT_FALSE(player.SaveAs()) << row.message;
        ASSERT_EQ(ui->boxes.size(), 1u) << row.message;
        EXPECT_EQ(ui->boxes[0].text, row.message);
        EXPECT_EQ(host.saved, 0) << row.message;
        EXPECT_TRUE(player.LastSavedFile().IsEmpty()) << row.message;
    }
}

TEST_F(PlayerTest, CopyTakesTheFrameOnShowTheLastAtTheEndAndNothingOfAnEmptyMovie)
{
    const std::string empty = WriteMovie(folder / "empty.avi", 0);
    const std::string workspace = host.workspace.GetString();
    const struct {
        const char* what;
        std::string movie;   // empty: Record function without a camera
        int seek;            // -1: played to the end
        std::vector<uint8_t> picture;
    } rows[] = {
        {"record function, no camera", "", 0, {}},
        {"frame 2", workspace, 2, FrameOf(workspace, 2)},
        {"played to the end", workspace, -1, FrameOf(workspace, 4)},
        {"empty movie", empty, 0, {}},
    };
    for (const auto& row : rows) {
        player.CloseWindow();
        host.playback = false;
        ui->clipboardDib.clear();
        ui->clipboardData.clear();
        // An older movie on the clipboard goes only when a new one comes.
        ASSERT_TRUE(ui->SetClipboardData(movie::kMovieClipboardType, "RIFF", 4));
        if (!row.movie.empty()) {
            player.OpenForPlayback(row.movie.c_str());
            if (row.seek >= 0) {
                player.Window()->Seek(uint32_t(row.seek));
            } else {
                player.OnPlay();
                clock->Advance(2000);
                PumpMessages();
                ASSERT_EQ(player.Window()->Position(), player.Window()->Length()) << row.what;
            }
        }
        player.OnCopy();
        EXPECT_EQ(ui->clipboardDib, row.picture) << row.what;
        const bool copied = !row.picture.empty();
        EXPECT_EQ(ui->clipboardData[movie::kMovieClipboardType].size() == 4, !copied) << row.what;
    }
}

TEST_F(PlayerTest, CompressionPreparesOnceAndOnlyThePicturesGetOptions)
{
    CSaveAsDialog dialog(&host.view, host.workspace, host.workspace);
    size_t compressors = 0;
    ui->AnswerNextDialog([&](CDialog& d) {
        auto& options = static_cast<movie::SaveOptionsDialog&>(d);
        compressors = options.Compressors().size();
        options.chosen = compressors - 1;
        options.qualityPercent = 50;
        // A movie put on the clipboard now must outlive the second press.
        ui->SetClipboardData(movie::kMovieClipboardType, "RIFF", 4);
        options.OnOK();
        return IDOK;
    });
    dialog.OnCompression();
    ASSERT_TRUE(dialog.Prepared());
    ASSERT_EQ(dialog.Streams().size(), 2u);
    EXPECT_EQ(dialog.Streams()[0].Kind(), movie::StreamKind::kVideo);
    EXPECT_EQ(dialog.Streams()[1].Kind(), movie::StreamKind::kAudio);
    ASSERT_EQ(dialog.Options().size(), 2u);
    if (compressors > 1) {
        EXPECT_FALSE(FullFrames(dialog.Options()[0]));
    }
    EXPECT_TRUE(FullFrames(dialog.Options()[1]));

    dialog.OnCompression();   // cancelled this time: back to full frames
    EXPECT_EQ(ui->dialogs, (std::vector<UINT>{movie::IDD_SAVE_OPTIONS, movie::IDD_SAVE_OPTIONS}));
    EXPECT_TRUE(FullFrames(dialog.Options()[0]));
    EXPECT_EQ(ui->clipboardData[movie::kMovieClipboardType].size(), 4u);

    // A source that is no movie prepares nothing and asks nothing.
    const std::string junk = folder / "junk.avi";
    std::ofstream(junk) << "junk";
    CSaveAsDialog broken(&host.view, junk.c_str(), host.workspace);
    broken.OnCompression();
    EXPECT_FALSE(broken.Prepared());
    EXPECT_EQ(ui->dialogs.size(), 2u);
}

TEST(SamePlace, ComparesFilesAndResolvedNames)
{
    EXPECT_FALSE(SamePlace("", "a.avi"));
    EXPECT_FALSE(SamePlace("/tmp/a.avi", ""));
    EXPECT_TRUE(SamePlace("/tmp/absent-a.avi", "/tmp/./ABSENT-A.AVI"));
    EXPECT_TRUE(SamePlace("/tmp/x/../absent-a.avi", "/tmp/absent-a.avi"));
    EXPECT_FALSE(SamePlace("/tmp/absent-a.avi", "/tmp/absent-b.avi"));
    EXPECT_FALSE(SamePlace("/tmp/absent-a.avi", "/var/absent-a.avi"));
}

}  // namespace
