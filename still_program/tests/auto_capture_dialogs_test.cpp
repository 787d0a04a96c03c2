// The two auto-capture dialogs driven through the scripted UI service: the
// interval list and its "Other..." dialog, the checks OK makes, and above all
// that checking the latest image's name never harms a file that is there.
#include "AutoCaptureDialogs.h"
#include "framework/StringTable.h"
#include "framework/TestUiService.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr WORD kMonday = 1 << 1;

// Every name under a folder with what it holds (a link as its target's name).
using Listing = std::map<std::string, std::string>;

Listing ListFolder(const fs::path& folder)
{
    Listing listing;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string what = "?";
        if (entry.is_symlink()) {
            what = "-> " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            what = bytes.str();
        } else if (entry.is_directory()) {
            what = "<dir>";
        }
        listing[fs::relative(entry.path(), folder).string()] = what;
    }
    return listing;
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class AutoCaptureDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterSnapvoStrings(); }

    AutoCaptureDialogs()
    {
        std::string pattern = (fs::temp_directory_path() / "autodlg-XXXXXX").string();
        m_folder = mkdtemp(pattern.data());
    }
    ~AutoCaptureDialogs() override
    {
        // Read-only folders would keep their files from going.
        for (const auto& entry : fs::recursive_directory_iterator(m_folder))
            if (entry.is_directory() && !entry.is_symlink())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::permissions(m_folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_folder);
    }

    const fs::path& Folder() const { return m_folder; }
    CString PathOf(const char* name) const { return CString((m_folder / name).string()); }

    struct OkOutcome {
        bool ended;
        CAutoCaptureDlg::Refusal refusal;
        CString latestTaken;   // the schedule's latest image name afterwards
    };
    // Dialog 188 with `latest` as the name, its OK pressed.
    static OkOutcome PressOk(const CString& latest)
    {
        CAutoCaptureDlg dialog{CAutoCaptureSchedule()};
        dialog.latestImageName = latest;
        dialog.OnOK();
        return {dialog.IsEnded(), dialog.LastRefusal(), dialog.schedule.latestImageName};
    }

    ScopedTestUi ui;

private:
    fs::path m_folder;
};

CAutoCaptureSchedule Every(WORD unit, WORD interval, BOOL other)
{
    CAutoCaptureSchedule schedule;
    schedule.unit = unit;
    schedule.interval = interval;
    schedule.otherEnabled = other;
    return schedule;
}

TEST_F(AutoCaptureDialogs, ListShowsThePresetInForceOrOther)
{
    const char* texts[] = {"10 Seconds", "1 Minute", "30 Minutes", "1 Hour", "Other..."};
    ASSERT_EQ(CAutoCaptureDlg::ListStrings().size(), std::size(texts));
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(LoadStringText(CAutoCaptureDlg::ListStrings()[i]), texts[i]);

    const struct {
        WORD unit, interval;
        BOOL other;
        int entry;
    } rows[] = {{kUnitSeconds, 10, FALSE, 0}, {kUnitMinutes, 1, FALSE, 1}, {kUnitMinutes, 30, FALSE, 2},
                {kUnitHours, 1, FALSE, 3},    {kUnitMinutes, 1, TRUE, 4},   {kUnitMinutes, 15, TRUE, 4}};
    for (const auto& row : rows) {
        CAutoCaptureDlg dialog(Every(row.unit, row.interval, row.other));
        EXPECT_EQ(dialog.listEntry, row.entry) << row.unit << "/" << row.interval;
    }
}

TEST_F(AutoCaptureDialogs, StartsFromTheScheduleNamesAndSeries)
{
    CAutoCaptureSchedule schedule;
    schedule.latestImageName = "/srv/www/cam.jpg";
    schedule.incrementName = "Garden";
    schedule.fileSeries = FALSE;
    CAutoCaptureDlg dialog(schedule);
    EXPECT_EQ(dialog.latestImageName, "/srv/www/cam.jpg");
    EXPECT_EQ(dialog.incrementName, "Garden");
    EXPECT_FALSE(dialog.series);
    EXPECT_FALSE(dialog.IncrementEnabled());
    dialog.OnSeriesClicked(TRUE);
    EXPECT_TRUE(dialog.IncrementEnabled());
}

TEST_F(AutoCaptureDialogs, PresetReplacesTheCustomSchedule)
{
    CAutoCaptureDlg dialog(Every(kUnitMinutes, 15, TRUE));
    dialog.OnSelectEntry(3);
    EXPECT_EQ(dialog.schedule.unit, kUnitHours);
    EXPECT_EQ(dialog.schedule.interval, 1);
    EXPECT_FALSE(dialog.schedule.otherEnabled);
    EXPECT_EQ(dialog.listEntry, 3);
    EXPECT_TRUE(ui->dialogs.empty());
}

TEST_F(AutoCaptureDialogs, OtherIsTakenOverOnlyOnOk)
{
    // The user sets fifteen seconds, then presses OK or Cancel.
    const auto fifteenSeconds = [](bool ok) {
        return [ok](CDialog& d) {
            auto& other = dynamic_cast<CAutoCaptureOtherDlg&>(d);
            other.intervalText = "15";
            other.unitEntry = kUnitSeconds;
            ok ? other.OnOK() : other.OnCancel();
            return other.GetResult();
        };
    };
    CAutoCaptureDlg dialog(Every(kUnitMinutes, 1, FALSE));

    ui->AnswerNextDialog(fifteenSeconds(false));
    dialog.OnSelectEntry(CAutoCaptureSchedule::kOtherEntry);
    EXPECT_EQ(dialog.schedule.interval, 1);
    EXPECT_FALSE(dialog.schedule.otherEnabled);
    EXPECT_EQ(dialog.listEntry, 1) << "a cancelled Other... leaves the preset selected";

    ui->AnswerNextDialog(fifteenSeconds(true));
    dialog.OnSelectEntry(CAutoCaptureSchedule::kOtherEntry);
    EXPECT_EQ(dialog.schedule.interval, 15);
    EXPECT_EQ(dialog.schedule.unit, kUnitSeconds);
    EXPECT_TRUE(dialog.schedule.otherEnabled);
    EXPECT_EQ(dialog.listEntry, CAutoCaptureSchedule::kOtherEntry);
    EXPECT_EQ(ui->dialogs, (std::vector<UINT>{182, 182}));
}

TEST_F(AutoCaptureDialogs, RunChangesTheScheduleOnlyOnOk)
{
    const CString latest = PathOf("latest.bmp");
    CAutoCaptureSchedule schedule = Every(kUnitMinutes, 1, FALSE);
    schedule.latestImageName = latest;

    // The user picks "1 Hour" and a new series name, then presses OK or Cancel.
    const auto pickHour = [](bool ok) {
        return [ok](CDialog& d) {
            auto& dialog = dynamic_cast<CAutoCaptureDlg&>(d);
            dialog.OnSelectEntry(3);
            dialog.incrementName = "Night";
            ok ? dialog.OnOK() : dialog.OnCancel();
            return dialog.GetResult();
        };
    };
    ui->AnswerNextDialog(pickHour(false));
    EXPECT_EQ(RunAutoCaptureDialog(schedule, nullptr), IDCANCEL);
    EXPECT_EQ(schedule.unit, kUnitMinutes);
    EXPECT_EQ(schedule.incrementName, "Series");

    ui->AnswerNextDialog(pickHour(true));
    EXPECT_EQ(RunAutoCaptureDialog(schedule, nullptr), IDOK);
    EXPECT_EQ(schedule.unit, kUnitHours);
    EXPECT_EQ(schedule.incrementName, "Night");
    EXPECT_EQ(ui->dialogs, (std::vector<UINT>{188, 188}));
}

// Each row prepares the folder and names the latest image; the check must
// give its answer and leave every file as it was, with nothing added.
TEST_F(AutoCaptureDialogs, LatestImageCheckNeverHarmsAFile)
{
    const std::string picture = "BM picture bytes that must survive";
    const struct {
        const char* what;
        std::function<CString()> prepare;
        bool usable;
    } rows[] = {
        {"a new name in a writable folder", [&] { return PathOf("latest.bmp"); }, true},
        {"a new name without extension", [&] { return PathOf("latest"); }, true},
        {"an existing picture", [&] { WriteFile(Folder() / "cam.jpg", picture); return PathOf("cam.jpg"); }, true},
        {"a read-only picture",
         [&] {
             WriteFile(Folder() / "cam.bmp", picture);
             fs::permissions(Folder() / "cam.bmp", fs::perms::owner_read | fs::perms::group_read);
             return PathOf("cam.bmp");
         },
         false},
        {"a new name in a read-only folder",
         [&] {
             fs::create_directory(Folder() / "ro");
             fs::permissions(Folder() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
             return PathOf("ro/latest.bmp");
         },
         false},
        {"a writable picture in a read-only folder",
         [&] {
             fs::create_directory(Folder() / "ro2");
             WriteFile(Folder() / "ro2" / "cam.bmp", picture);
             fs::permissions(Folder() / "ro2", fs::perms::owner_read | fs::perms::owner_exec);
             return PathOf("ro2/cam.bmp");
         },
         false},
        {"a folder of that name", [&] { fs::create_directory(Folder() / "pic.bmp"); return PathOf("pic.bmp"); }, false},
        {"a FIFO of that name",
         [&] {
             mkfifo((Folder() / "pipe.bmp").c_str(), 0666);
             return PathOf("pipe.bmp");
         },
         false},
        {"a link to nowhere",
         [&] {
             fs::create_symlink(Folder() / "target.bmp", Folder() / "link.bmp");
             return PathOf("link.bmp");
         },
         false},
        {"a missing folder", [&] { return PathOf("none/latest.bmp"); }, false},
        {"a folder only", [&] { return CString((Folder().string() + "/").c_str()); }, false},
        {"no name at all", [&] { return CString(); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ui->boxes.clear();
        const CString name = row.prepare();
        fs::permissions(Folder(), fs::perms::owner_all, fs::perm_options::add);
        const Listing before = ListFolder(Folder());
        const OkOutcome ok = PressOk(name);
        EXPECT_EQ(ListFolder(Folder()), before);
        EXPECT_EQ(ok.ended, row.usable);
        if (row.usable) {
            EXPECT_TRUE(ui->boxes.empty());
            EXPECT_EQ(ok.latestTaken, name);
            continue;
        }
        ASSERT_EQ(ui->boxes.size(), 1u);
        EXPECT_EQ(ui->boxes[0].text, "Invalid file name specified for latest image.");
        EXPECT_EQ(ok.refusal, CAutoCaptureDlg::Refusal::LatestImageName);
    }
}

TEST_F(AutoCaptureDialogs, EmptyIncrementNameMattersOnlyForASeries)
{
    const CString latest = PathOf("latest.bmp");
    const struct {
        BOOL series;
        bool closes;
    } rows[] = {{TRUE, false}, {FALSE, true}};
    for (const auto& row : rows) {
        CAutoCaptureDlg dialog{CAutoCaptureSchedule()};
        dialog.latestImageName = latest;
        dialog.incrementName.Empty();
        dialog.OnSeriesClicked(row.series);
        dialog.OnOK();
        EXPECT_EQ(dialog.IsEnded(), row.closes) << row.series;
        EXPECT_EQ(dialog.schedule.latestImageName, latest) << "the name is taken even while the dialog stays";
        if (!row.closes)
            EXPECT_EQ(dialog.LastRefusal(), CAutoCaptureDlg::Refusal::IncrementName);
        else
            EXPECT_FALSE(dialog.schedule.fileSeries);
    }
    EXPECT_TRUE(ui->boxes.empty()) << "an empty increment name is refused without a message";
}

TEST_F(AutoCaptureDialogs, EditFiltersDropRefusedAndOverflowingCharacters)
{
    const struct {
        const CEditFilter* filter;
        const char* characters;
        int length, selected;
        bool accepted;
    } rows[] = {
        {&kIncrementNameFilter, "\\:*?\"<>|/.", 3, 0, false},
        {&kIncrementNameFilter, "aZ09_- ", 3, 0, true},
        {&kLatestImageFilter, "*?\"<>|", 3, 0, false},
        {&kLatestImageFilter, "/.:~aZ ", 3, 0, true},
        {&kLatestImageFilter, "a", kAutoCaptureEditLimit, 0, false},
        {&kIncrementNameFilter, "a", kAutoCaptureEditLimit, 0, false},
        {&kLatestImageFilter, "a", kAutoCaptureEditLimit, 2, true},
        {&kLatestImageFilter, "a", kAutoCaptureEditLimit - 1, 0, true},
        // Erasing, and the editing keys, even in a full edit.
        {&kIncrementNameFilter, "\b\x16\x7f", kAutoCaptureEditLimit, 0, true},
    };
    for (const auto& row : rows) {
        for (const char* c = row.characters; *c; ++c) {
            ui->beeps.clear();
            EXPECT_EQ(bool(AcceptTypedChar(*row.filter, row.length, row.selected, static_cast<unsigned char>(*c))),
                      row.accepted)
                << "'" << *c << "' at length " << row.length;
            EXPECT_EQ(ui->beeps, row.accepted ? std::vector<UINT>{} : std::vector<UINT>{0}) << *c;
        }
    }
}

TEST_F(AutoCaptureDialogs, BrowseOffersTheCurrentTypeFirst)
{
    const struct {
        const char* current;
        const char* filterStart;
    } rows[] = {{"", "Bitmap files|"}, {"web/latest.bmp", "Bitmap files|"}, {"latest.JPG", "Jpeg files|"},
                {"cam.tif", "TIFF files|"}, {"cam.png", "Bitmap files|"}};
    for (const auto& row : rows) {
        CAutoCaptureDlg dialog{CAutoCaptureSchedule()};
        dialog.latestImageName = row.current;
        ui->AnswerNextFileDialog(CString("/srv/www/chosen.jpg"));
        dialog.OnBrowse();
        ASSERT_FALSE(ui->fileDialogs.empty());
        const FileDialogRequest& asked = ui->fileDialogs.back();
        EXPECT_TRUE(asked.save);
        EXPECT_EQ(asked.flags, 0x806u);
        EXPECT_EQ(std::string(asked.filter).rfind(row.filterStart, 0), 0u) << row.current << ": " << asked.filter;
        EXPECT_EQ(dialog.latestImageName, "/srv/www/chosen.jpg");
    }
    CAutoCaptureDlg dialog{CAutoCaptureSchedule()};
    dialog.latestImageName = "kept.bmp";
    ui->AnswerNextFileDialog(std::nullopt);
    dialog.OnBrowse();
    EXPECT_EQ(dialog.latestImageName, "kept.bmp");
}

TEST_F(AutoCaptureDialogs, HelpOpensTheAutoCapturePage)
{
    CAutoCaptureDlg dialog{CAutoCaptureSchedule()};
    dialog.OnHelp();
    ASSERT_EQ(ui->helpCalls.size(), 1u);
    EXPECT_EQ(ui->helpCalls[0].file, "snapvo.hlp");
    EXPECT_EQ(ui->helpCalls[0].command, HELP_CONTEXT);
    EXPECT_EQ(ui->helpCalls[0].data, 10u);
}

TEST_F(AutoCaptureDialogs, OtherIntervalMustBeOneToSixty)
{
    const char* outOfRange = "Please enter an integer between 1 and 60. ";
    const char* notANumber = "Please enter an integer.";
    const struct {
        const char* text;
        const char* message;   // null: accepted
        WORD interval;
    } rows[] = {{"0", outOfRange, 0},   {"61", outOfRange, 0},  {"-5", outOfRange, 0}, {"abc", notANumber, 0},
                {"", notANumber, 0},    {"7x", notANumber, 0},  {"99999999999999999999", notANumber, 0},
                {"1", nullptr, 1},      {"60", nullptr, 60},    {" 25 ", nullptr, 25}};
    for (const auto& row : rows) {
        ui->boxes.clear();
        CAutoCaptureOtherDlg dialog{CAutoCaptureSchedule()};
        dialog.intervalText = row.text;
        dialog.OnOK();
        EXPECT_EQ(dialog.IsEnded(), row.message == nullptr) << row.text;
        EXPECT_EQ(dialog.IntervalRefused(), row.message != nullptr) << row.text;
        if (row.message) {
            ASSERT_EQ(ui->boxes.size(), 1u) << row.text;
            EXPECT_EQ(ui->boxes[0].text, row.message);
        } else {
            EXPECT_TRUE(ui->boxes.empty());
            EXPECT_EQ(dialog.schedule.interval, row.interval);
        }
    }
}

TEST_F(AutoCaptureDialogs, OtherStartsFromTheSchedule)
{
    CAutoCaptureSchedule schedule = Every(kUnitHours, 2, TRUE);
    schedule.days = kMonday | (1 << 6);
    schedule.allDay = TRUE;
    schedule.useEnd = FALSE;
    schedule.warning = TRUE;
    schedule.begin = CTime(2026, 6, 1, 9, 15, 0);
    schedule.end = CTime(2026, 12, 31, 17, 45, 0);
    CAutoCaptureOtherDlg dialog(schedule);
    EXPECT_EQ(dialog.intervalText, "2");
    EXPECT_EQ(dialog.unitEntry, kUnitHours);
    EXPECT_EQ(dialog.dayChecks, (std::array<BOOL, 7>{FALSE, TRUE, FALSE, FALSE, FALSE, FALSE, TRUE}));
    EXPECT_TRUE(dialog.warning);
    EXPECT_FALSE(dialog.TimeButtonsEnabled());
    EXPECT_FALSE(dialog.EndDateEnabled());
    EXPECT_EQ(dialog.beginTime.Text(), "09:15AM");
    EXPECT_EQ(dialog.endTime.Text(), "05:45PM");
    EXPECT_EQ(dialog.beginDate.Text(), "06/01 2026");
    EXPECT_EQ(dialog.endDate.Text(), "12/31 2026");
    dialog.allDay = FALSE;
    dialog.useEnd = TRUE;
    EXPECT_TRUE(dialog.TimeButtonsEnabled());
    EXPECT_TRUE(dialog.EndDateEnabled());
}

// Monday only, 09:00 to 17:00, from 1 June until the end of the year: the
// dates come from the date buttons and the times of day from the time buttons.
TEST_F(AutoCaptureDialogs, OtherOkBuildsDaysWindowAndDates)
{
    CAutoCaptureOtherDlg dialog{CAutoCaptureSchedule()};
    dialog.intervalText = "10";
    dialog.unitEntry = kUnitSeconds;
    dialog.dayChecks = {FALSE, TRUE, FALSE, FALSE, FALSE, FALSE, FALSE};
    dialog.allDay = FALSE;
    dialog.useEnd = TRUE;
    dialog.warning = TRUE;
    dialog.beginTime.SetTime(CTime(2020, 3, 3, 9, 0, 0));
    dialog.endTime.SetTime(CTime(2021, 4, 4, 17, 0, 0));
    dialog.beginDate.SetTime(CTime(2026, 6, 1, 23, 59, 0));
    dialog.endDate.SetTime(CTime(2026, 12, 31, 1, 2, 0));
    dialog.OnOK();
    ASSERT_TRUE(dialog.IsEnded());
    const CAutoCaptureSchedule& s = dialog.schedule;
    EXPECT_EQ(s.interval, 10);
    EXPECT_EQ(s.unit, kUnitSeconds);
    EXPECT_EQ(s.days, kMonday);
    EXPECT_FALSE(s.allDay);
    EXPECT_TRUE(s.useEnd);
    EXPECT_TRUE(s.warning);
    EXPECT_EQ(s.begin, CTime(2026, 6, 1, 9, 0, 0));
    EXPECT_EQ(s.end, CTime(2026, 12, 31, 17, 0, 0));
}

} // namespace
