#include "Filmdll.h"
#include "aolmail.h"
#include "film_test_util.h"
#include "framework/TestUiService.h"
#include "CImg.h"
#include "writers.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class FilmWindowTest : public ::testing::Test {
protected:
    void SetUp() override { FILM_Initialize(roll.c_str()); }
    void TearDown() override
    {
        FILM_CloseDialog();
        FILM_Uninitialize();
    }
    // Opens on a roll of `count` real pictures.
    CFilmSnapDlg& Open(int count)
    {
        std::filesystem::create_directories(roll);
        std::string text = "[images]\n";
        for (int i = 1; i <= count; ++i) {
            std::string name = "img" + std::to_string(i) + ".bmp";
            WriteFile(roll + "/" + name, MakeBmp(8, 6, (unsigned char)(i * 20)));
            text += "location" + std::to_string(i) + " = " + name + "\n";
        }
        WriteFile(roll + "/film.ini", text);
        EXPECT_EQ(FILM_OpenDialog(&user), 1);
        return *TheFilmDLL()->Window();
    }

    ScopedTestUi ui;
    ScratchDir dir;
    std::string roll = dir / "film";
    RecordingUser user;
};

int RangeMax(CFilmSnapDlg& w)
{
    int lo = -1, hi = -1;
    w.ScrollBar().GetScrollRange(&lo, &hi);
    EXPECT_EQ(lo, 0);
    return hi;
}

} // namespace

TEST_F(FilmWindowTest, ScrollRangesAndPageSteps)
{
    CFilmSnapDlg& w = Open(5);
    EXPECT_EQ(RangeMax(w), 2);
    w.OnHScroll(SB_PAGERIGHT, 0);   // 0 + 3 is past 2: one step
    EXPECT_EQ(w.GetScrollPosition(), 1);
    w.OnHScroll(SB_RIGHT, 0);
    w.OnHScroll(SB_LINERIGHT, 0);   // at the end already
    EXPECT_EQ(w.GetScrollPosition(), 2);
    EXPECT_EQ(w.Number(0).GetWindowText(), "3");
    EXPECT_EQ(w.Number(2).GetWindowText(), "5");
    EXPECT_EQ(w.Frame(0).GetImageName(), CString((roll + "/img3.bmp").c_str()));
    EXPECT_EQ(w.GetMarkedFrame(), FRAME_NONE);   // the selection (index 0) scrolled away
    w.OnHScroll(SB_PAGELEFT, 0);    // 2 - 3 is below 0: one step
    EXPECT_EQ(w.GetScrollPosition(), 1);
    w.OnHScroll(SB_THUMBTRACK, 99); // a thumb past the range stops at its end
    EXPECT_EQ(w.GetScrollPosition(), 2);
    w.OnHScroll(SB_THUMBPOSITION, 0);
    EXPECT_EQ(w.GetScrollPosition(), 0);
    EXPECT_EQ(w.GetMarkedFrame(), FRAME_LEFT);
    w.OnHScroll(SB_ENDSCROLL, 2);
    EXPECT_EQ(w.GetScrollPosition(), 0);

    CFilmSnapDlg& empty = (FILM_CloseDialog(), std::filesystem::remove(roll + "/film.ini"), Open(0));
    EXPECT_EQ(RangeMax(empty), 0);
    empty.OnHScroll(SB_PAGERIGHT, 0);
    EXPECT_EQ(empty.GetScrollPosition(), 0);
}

TEST_F(FilmWindowTest, FourthPictureScrollsTheStripAndIsMarked)
{
    CFilmSnapDlg& w = Open(3);
    WriteFile(dir / "new.bmp", MakeBmp(8, 6));
    ASSERT_EQ(FILM_AddImageFromFile(CString((dir / "new.bmp").c_str())), 1);
    ASSERT_EQ(FILM_DrawImagesANDSetHighlights(), 1);
    EXPECT_EQ(w.GetScrollPosition(), 1);
    EXPECT_EQ(RangeMax(w), 1);
    EXPECT_EQ(w.Frame(0).GetImageName(), CString((roll + "/img2.bmp").c_str()));
    EXPECT_EQ(w.Frame(2).GetImageName(), CString((roll + "/img4.bmp").c_str()));
    EXPECT_EQ(w.GetMarkedFrame(), FRAME_RIGHT);
    EXPECT_TRUE(w.Frame(2).HasPicture());
}

TEST_F(FilmWindowTest, CounterReadsCountOfThirtySix)
{
    EXPECT_EQ(CCountDownTime::Glyphs(7), (std::array<int, 5>{0, 7, CCountDownTime::kSeparator, 3, 6}));
    EXPECT_EQ(CCountDownTime::Glyphs(36), (std::array<int, 5>{3, 6, CCountDownTime::kSeparator, 3, 6}));
    CFilmSnapDlg& w = Open(7);
    FilmPaintPlan plan = w.PaintPlan();
    EXPECT_TRUE(plan.showCounter);
    EXPECT_EQ(plan.counterGlyphs[1], 7);
    EXPECT_EQ(plan.counterAt.x, plan.band.left - 60);
    EXPECT_EQ(plan.counterAt.y, plan.band.bottom + 25);
}

TEST_F(FilmWindowTest, EmptyRollHidesCounterTrashNumbersAndGreysCommands)
{
    CFilmSnapDlg& w = Open(0);
    FilmPaintPlan plan = w.PaintPlan();
    EXPECT_FALSE(plan.showCounter);
    EXPECT_FALSE(plan.showTrash);
    EXPECT_FALSE(w.Trash().IsWindowVisible());
    for (int k = 0; k < 3; ++k)
        EXPECT_FALSE(w.Number(k).IsWindowVisible());
    for (UINT id : {ID_FILE_SAVEIMAGE, ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_DELETESELECTED, ID_EDIT_DELETEALL})
        EXPECT_TRUE(w.Menu().GetMenuState(id, MF_BYCOMMAND) & MF_GRAYED) << id;
    EXPECT_EQ(w.GetMarkedFrame(), FRAME_NONE);

    CFilmSnapDlg& full = (FILM_CloseDialog(), Open(1));
    EXPECT_TRUE(full.Trash().IsWindowVisible());
    EXPECT_TRUE(full.Number(0).IsWindowVisible());
    EXPECT_FALSE(full.Menu().GetMenuState(ID_EDIT_COPY, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(full.GetMarkedFrame(), FRAME_LEFT);
}

TEST_F(FilmWindowTest, MailItemIsRemovedWithoutTheMailLibrary)
{
    CAOLMail::GSetLibraryName("libaolxfer32_missing.so");
    CFilmSnapDlg& w = Open(1);
    EXPECT_EQ(w.Menu().GetMenuState(ID_FILE_AOLMAIL, MF_BYCOMMAND), UINT(-1));
    CAOLMail::GSetLibraryName(nullptr);
}

TEST_F(FilmWindowTest, StripGeometry)
{
    CFilmSnapDlg& w = Open(2);
    // Canister 72 x 112: a = 94, d = 14, frames 70 x 66, band 266 x 94.
    CRect band = w.ControlRect(w.Band());
    EXPECT_EQ(band.Width(), 266);
    EXPECT_EQ(band.Height(), 94);
    CRect f0 = w.ControlRect(w.Frame(0)), f1 = w.ControlRect(w.Frame(1));
    EXPECT_EQ(f0.Width(), 70);
    EXPECT_EQ(f0.Height(), 66);
    EXPECT_EQ(f0.left - band.left, 14);
    EXPECT_EQ(f0.top - band.top, 14);
    EXPECT_EQ(f1.left - f0.left, 84);
    // Window 418 - 15 wide; band at X = (403 - 418) / 2 + 92 and 7 + 14 - 7 + 20 down.
    CRect client;
    w.GetClientRect(&client);
    EXPECT_EQ(client.Width(), 403);
    EXPECT_EQ(band.left, 85);
    EXPECT_EQ(band.top, 34);
    CRect bar = w.ControlRect(w.ScrollBar());
    EXPECT_EQ(bar.top, 115 - 7 + 48);
    EXPECT_EQ(bar.Width(), 266);
    EXPECT_EQ(w.ControlRect(w.Number(1)).left, f1.left + 2);
    EXPECT_FALSE(w.Canister().IsWindowVisible());

    FilmPaintPlan plan = w.PaintPlan();
    // Holes of 7 pixels: 19 to a row with gaps of 7, two rows.
    ASSERT_EQ(plan.holes.size(), 38u);
    EXPECT_EQ(plan.holes[0], CRect(band.left + 3, band.top + 1, band.left + 10, band.top + 8));
    EXPECT_EQ(plan.holes[1].bottom, band.bottom - 1);
    EXPECT_EQ(plan.holes[2].left, band.left + 3 + 14);
    ASSERT_EQ(plan.marks.size(), 3u);
    EXPECT_TRUE(plan.marks[0].selected);
    EXPECT_FALSE(plan.marks[1].selected);
    EXPECT_EQ(plan.marks[0].rect.left, f0.left - 2);
    EXPECT_EQ(plan.trash.top, band.bottom + 20);
    CRect overlap;
    EXPECT_FALSE(overlap.IntersectRect(plan.trash, bar));
}

TEST_F(FilmWindowTest, ClickingSelectsOnlyFramesThatHoldPictures)
{
    CFilmSnapDlg& w = Open(2);
    w.OnFrameClicked(1);
    int index = -1;
    ASSERT_TRUE(w.GetSelectedPictureIndex(&index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(w.GetMarkedFrame(), FRAME_MIDDLE);
    w.OnFrameClicked(2);   // past the end
    ASSERT_TRUE(w.GetSelectedPictureIndex(&index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(w.GetMarkedFrame(), FRAME_MIDDLE);
    w.OnFrameDoubleClicked(2);   // opens the earlier selection
    w.OnFrameDoubleClicked(0);
    EXPECT_EQ(user.opened, (std::vector<std::string>{roll + "/img2.bmp", roll + "/img1.bmp"}));
}

TEST_F(FilmWindowTest, EscClosesWithoutSavingAndCloseFilmrollSaves)
{
    CFilmSnapDlg& w = Open(1);
    WriteFile(dir / "new.bmp", MakeBmp(8, 6));
    FILM_AddImageFromFile(CString((dir / "new.bmp").c_str()));
    const std::string before = ReadFile(roll + "/film.ini");
    w.OnCancel();
    EXPECT_EQ(TheFilmDLL()->Window(), nullptr);
    EXPECT_EQ(ReadFile(roll + "/film.ini"), before);
    EXPECT_EQ(user.handles.back(), nullptr);
    EXPECT_TRUE(user.rects.empty());

    Open(0);
    // Open(0) wrote an empty list; add one and close through the menu command.
    // The files of the earlier roll stay on disk, so the new picture steps over them.
    FILM_AddImageFromFile(CString((dir / "new.bmp").c_str()));
    ASSERT_EQ(FilmrollMenuClose(), 1);
    EXPECT_EQ(TheFilmDLL()->Window(), nullptr);
    EXPECT_EQ(ReadFile(roll + "/film.ini"), "[images]\nlocation1 = " + roll + "/img3.bmp\n");
    ASSERT_EQ(user.rects.size(), 1u);
    EXPECT_EQ(user.rects[0][0], 0);
}

TEST_F(FilmWindowTest, CloseBoxSavesAndReportsThePlace)
{
    CFilmSnapDlg& w = Open(0);
    WriteFile(dir / "new.bmp", MakeBmp(8, 6));
    FILM_AddImageFromFile(CString((dir / "new.bmp").c_str()));
    CRect r;
    w.GetWindowRect(&r);
    w.OnCloseBox();
    EXPECT_EQ(TheFilmDLL()->Window(), nullptr);
    EXPECT_EQ(user.rects, (std::vector<std::vector<int>>{{0, int(r.left), int(r.top), int(r.right), int(r.bottom)}}));
    EXPECT_NE(ReadFile(roll + "/film.ini").find("location1"), std::string::npos);
}

TEST_F(FilmWindowTest, CopyPutsTheSelectedPictureOnTheClipboard)
{
    Open(1);
    ASSERT_EQ(FilmrollEditCopy(), 1);
    std::string file = ReadFile(roll + "/img1.bmp");
    ASSERT_EQ(ui->clipboardDib.size(), file.size());
    EXPECT_EQ(std::string(ui->clipboardDib.begin(), ui->clipboardDib.begin() + long(file.size() - 14)), file.substr(14));

    ASSERT_EQ(FilmrollEditCut(), 1);
    EXPECT_FALSE(FileExists(roll + "/img1.bmp"));
    ui->clipboardDib.assign(5, 1);
    FilmrollEditCopy();   // nothing selected now
    EXPECT_TRUE(ui->clipboardDib.empty());
}

TEST_F(FilmWindowTest, DeleteAllAsksFirst)
{
    Open(3);
    ui->AnswerNextDialog([](CDialog&) { return IDCANCEL; });
    ASSERT_EQ(FilmrollDeleteAll(), 1);
    EXPECT_TRUE(FileExists(roll + "/img2.bmp"));
    ui->AnswerNextDialog([](CDialog&) { return IDOK; });
    FilmrollDeleteAll();
    EXPECT_EQ(ui->dialogs, (std::vector<UINT>{IDD_DELETEALL, IDD_DELETEALL}));
    for (int i = 1; i <= 3; ++i)
        EXPECT_FALSE(FileExists(roll + "/img" + std::to_string(i) + ".bmp"));
    CFilmSnapDlg& w = *TheFilmDLL()->Window();
    EXPECT_EQ(w.GetFilmrollCount(), 0);
    EXPECT_FALSE(w.PaintPlan().showTrash);
    EXPECT_FALSE(w.Frame(0).HasPicture());
}

TEST_F(FilmWindowTest, MissingPictureLeavesItsFrameEmpty)
{
    CFilmSnapDlg& w = Open(2);
    std::filesystem::remove(roll + "/img1.bmp");
    FILM_DrawImagesANDSetHighlights();
    EXPECT_FALSE(w.Frame(0).HasPicture());
    EXPECT_TRUE(w.Frame(1).HasPicture());
    EXPECT_FALSE(w.Frame(2).HasPicture());
}

TEST_F(FilmWindowTest, PaletteMessagesChangeNothing)
{
    CFilmSnapDlg& w = Open(2);
    EXPECT_EQ(w.SendMessage(kQueryNewPalette), 0);
    EXPECT_EQ(w.SendMessage(WM_PALETTECHANGED, 0), 0);
    EXPECT_EQ(w.GetMarkedFrame(), FRAME_LEFT);
    EXPECT_TRUE(w.Frame(0).HasPicture());
}

bool IsJpegFile(const std::string& path)
{
    std::string bytes = ReadFile(path);
    return bytes.size() > 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xD8;
}

TEST_F(FilmWindowTest, SaveImageSavesTheSelectedPictureAndOffersItsFormatUntilClosed)
{
    CFilmSnapDlg& w = Open(2);
    w.OnFrameClicked(1);
    ui->AnswerNextFileDialog(CString((dir / "saved.tif").c_str()));
    w.OnCommandId(ID_FILE_SAVEIMAGE);
    ASSERT_EQ(ui->fileDialogs.size(), 1u);
    EXPECT_EQ(ui->fileDialogs[0].fileName, "Untitled.bmp");
    CImg saved, selected;
    ASSERT_EQ(saved.Load(CString((dir / "saved.tif").c_str())), IMG_ERR_NONE);
    ASSERT_EQ(selected.Load(CString((roll + "/img2.bmp").c_str())), IMG_ERR_NONE);
    CSize savedSize, selectedSize;
    saved.GetSize(savedSize);
    selected.GetSize(selectedSize);
    EXPECT_EQ(savedSize, selectedSize);

    ui->AnswerNextFileDialog(std::nullopt);
    w.OnCommandId(ID_FILE_SAVEIMAGE);
    ASSERT_EQ(ui->fileDialogs.size(), 2u);
    EXPECT_EQ(ui->fileDialogs[1].fileName, "Untitled.tif");

    // The remembered choice belongs to the window: a new one starts afresh.
    FILM_CloseDialog();
    CFilmSnapDlg& again = Open(2);
    again.OnFrameClicked(0);
    ui->AnswerNextFileDialog(std::nullopt);
    again.OnCommandId(ID_FILE_SAVEIMAGE);
    ASSERT_EQ(ui->fileDialogs.size(), 3u);
    EXPECT_EQ(ui->fileDialogs[2].fileName, "Untitled.bmp");
}

TEST_F(FilmWindowTest, SendToMailHandsOverTheFileTheUserSaved)
{
    CFilmSnapDlg& w = Open(2);
    w.OnFrameClicked(1);
    const std::string mail = dir / "for mail.jpg";
    ui->AnswerNextFileDialog(CString(mail.c_str()));
    w.OnCommandId(ID_FILE_AOLMAIL);
    ASSERT_EQ(ui->fileDialogs.size(), 1u);
    EXPECT_EQ(ui->fileDialogs[0].fileName, "Untitled");
    EXPECT_EQ(user.mailed, std::vector<std::string>{mail});
    EXPECT_TRUE(IsJpegFile(mail));
    // Cutting the picture from the roll leaves the mailed file alone.
    w.OnCommandId(ID_EDIT_CUT);
    EXPECT_FALSE(FileExists(roll + "/img2.bmp"));
    EXPECT_TRUE(IsJpegFile(mail));

    // Cancel hands nothing over.
    ui->AnswerNextFileDialog(std::nullopt);
    w.OnCommandId(ID_FILE_AOLMAIL);
    EXPECT_EQ(user.mailed.size(), 1u);

    // Nothing selected in an empty roll: no dialog, nothing handed over.
    CFilmSnapDlg& empty = (FILM_CloseDialog(), std::filesystem::remove(roll + "/film.ini"), Open(0));
    empty.OnCommandId(ID_FILE_SAVEIMAGE);
    empty.OnCommandId(ID_FILE_AOLMAIL);
    EXPECT_EQ(ui->fileDialogs.size(), 2u);
    EXPECT_EQ(user.mailed.size(), 1u);
}

TEST_F(FilmWindowTest, MinimisedWindowPaintsItsIconOverAHollowBrush)
{
    CFilmSnapDlg& w = Open(2);
    EXPECT_EQ(w.OnCtlColor(), nullptr);   // the default colours while shown normally
    EXPECT_FALSE(w.PaintPlan().iconic);
    EXPECT_EQ(w.SendMessage(WM_QUERYDRAGICON), LRESULT(IDI_FILMROLL));

    w.OnMinimize(true);
    ASSERT_TRUE(w.IsIconic());
    HBRUSH brush = reinterpret_cast<HBRUSH>(w.SendMessage(WM_CTLCOLORDLG));
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(GdiBrushColour(brush), CLR_INVALID);   // hollow: paints nothing
    FilmPaintPlan plan = w.PaintPlan();
    EXPECT_TRUE(plan.iconic);
    EXPECT_EQ(plan.iconAt, CPoint(1, 1));

    // Close Filmroll restores the window before it reports its place.
    ASSERT_EQ(FilmrollMenuClose(), 1);
    ASSERT_EQ(user.rects.size(), 1u);
}
