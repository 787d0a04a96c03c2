#include "Filmdll.h"
#include "film_test_util.h"
#include "framework/TestUiService.h"
#include "CImg.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace {

class FilmRollTest : public ::testing::Test {
protected:
    void SetUp() override { FILM_Initialize(roll.c_str()); }
    void TearDown() override
    {
        FILM_CloseDialog();
        FILM_Uninitialize();
    }
    void List(const std::vector<std::string>& names)
    {
        std::filesystem::create_directories(roll);
        std::string text = "[images]\n";
        for (size_t i = 0; i < names.size(); ++i)
            text += "location" + std::to_string(i + 1) + " = " + names[i] + "\n";
        WriteFile(roll + "/film.ini", text);
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> out;
        CFilmRoll* r = TheFilmDLL()->Roll();
        for (int i = 0; r && i < r->GetCount(); ++i)
            out.push_back(r->GetAtIndex(i)->GetImageName().str());
        return out;
    }
    int AddPicture()
    {
        WriteFile(dir / "source.bmp", MakeBmp(8, 6));
        return FILM_AddImageFromFile(CString((dir / "source.bmp").c_str()));
    }

    ScopedTestUi ui;
    ScratchDir dir;
    std::string roll = dir / "film";
    RecordingUser user;
};

} // namespace

TEST_F(FilmRollTest, ExportsRefuseBeforeInitializeAndWithoutWindow)
{
    FILM_Uninitialize();
    EXPECT_EQ(FILM_OpenDialog(&user), 0);
    EXPECT_EQ(FILM_SaveConfigFile(), 0);
    EXPECT_EQ(FilmrollEditCopy(), 0);
    FILM_Initialize(roll.c_str());
    EXPECT_EQ(FILM_SaveConfigFile(), 0);
    EXPECT_EQ(FILM_DrawImagesANDSetHighlights(), 0);
    // No window: nothing added, nothing written.
    EXPECT_EQ(AddPicture(), 0);
    EXPECT_FALSE(FileExists(roll));
}

TEST_F(FilmRollTest, FirstPictureCreatesTheRollFolder)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    ASSERT_EQ(AddPicture(), 1);
    EXPECT_TRUE(FileExists(roll + "/img1.bmp"));
    EXPECT_TRUE(ui->boxes.empty());
    ASSERT_EQ(FILM_SaveConfigFile(), 1);
    EXPECT_EQ(ReadFile(roll + "/film.ini"), "[images]\nlocation1 = " + roll + "/img1.bmp\n");
}

TEST_F(FilmRollTest, NextPictureTakesTheFirstFreeNumber)
{
    List({"img1.bmp", "IMG3.BMP"});
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    ASSERT_EQ(AddPicture(), 1);
    EXPECT_TRUE(FileExists(roll + "/img2.bmp"));
    ASSERT_EQ(AddPicture(), 1);
    EXPECT_TRUE(FileExists(roll + "/img4.bmp"));
    EXPECT_EQ(Names().back(), roll + "/img4.bmp");
}

TEST_F(FilmRollTest, PictureFromMemory)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    std::vector<char> bmp = MakeBmp(4, 4);
    EXPECT_EQ(FILM_AddImage(bmp.data()), 1);
    EXPECT_TRUE(FileExists(roll + "/img1.bmp"));
    std::vector<char> junk(64, 'x');
    EXPECT_EQ(FILM_AddImage(junk.data()), 0);
    EXPECT_EQ(Names().size(), 1u);
}

TEST_F(FilmRollTest, ThirtySeventhPictureIsRefusedAndLeavesNoFile)
{
    std::vector<std::string> names;
    for (int i = 1; i <= 36; ++i)
        names.push_back("img" + std::to_string(i) + ".bmp");
    List(names);
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    EXPECT_EQ(AddPicture(), 0);
    EXPECT_FALSE(FileExists(roll + "/img37.bmp"));
    EXPECT_EQ(Names().size(), 36u);
}

TEST_F(FilmRollTest, LoadingLooksUpOnlyAsManyKeysAsTheSectionHolds)
{
    std::filesystem::create_directories(roll);
    WriteFile(roll + "/film.ini", "[images]\nlocation1 = a.bmp\nlocation3 = c.bmp\n");
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    EXPECT_EQ(Names(), std::vector<std::string>{roll + "/a.bmp"});
}

TEST_F(FilmRollTest, StoredPathsAreMovedIntoTheRollFolder)
{
    List({"C:\\Old Place\\film\\img1.bmp", "/elsewhere/img2.bmp", "../../etc/passwd", "..", "/tmp/"});
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{roll + "/img1.bmp", roll + "/img2.bmp", roll + "/passwd"}));
}

TEST_F(FilmRollTest, UnreadablePictureIsRefusedWithoutAMessage)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    WriteFile(dir / "bad.bmp", std::string("BMnot a picture"));
    EXPECT_EQ(FILM_AddImageFromFile(CString((dir / "bad.bmp").c_str())), 0);
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(FilmRollTest, UnwritableRollShowsTheDiskFullText)
{
    FILM_Uninitialize();
    WriteFile(dir / "blocker", std::string("a file where the folder should be"));
    FILM_Initialize((dir / "blocker/film").c_str());
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    EXPECT_EQ(AddPicture(), 0);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text,
              "The disk is full.  You will need to make some space in save an image or send one to the Film Roll.");
}

TEST_F(FilmRollTest, ReopeningReloadsTheSavedListOnly)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    AddPicture();
    FILM_SaveConfigFile();
    AddPicture();
    EXPECT_EQ(Names().size(), 2u);
    ASSERT_EQ(FILM_CloseDialog(), 1);
    EXPECT_TRUE(FileExists(roll + "/img2.bmp"));   // closing keeps the files
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    EXPECT_EQ(Names(), std::vector<std::string>{roll + "/img1.bmp"});
}

TEST_F(FilmRollTest, UserHearsTheWindowHandle)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    ASSERT_EQ(user.handles.size(), 1u);
    EXPECT_NE(user.handles[0], nullptr);
    EXPECT_EQ(FILM_OpenDialog(&user), 1);   // already open: brought forward
    EXPECT_EQ(user.handles.size(), 2u);
    FILM_CloseDialog();
    ASSERT_EQ(user.handles.size(), 3u);
    EXPECT_EQ(user.handles[2], nullptr);
}

TEST_F(FilmRollTest, DeleteSelectedRemovesTheFileButNotTheList)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    AddPicture();
    AddPicture();
    FILM_SaveConfigFile();
    const std::string saved = ReadFile(roll + "/film.ini");
    ASSERT_EQ(FILM_DeleteSelected(), 1);   // the newest is selected
    EXPECT_FALSE(FileExists(roll + "/img2.bmp"));
    EXPECT_TRUE(FileExists(roll + "/img1.bmp"));
    EXPECT_EQ(Names().size(), 1u);
    EXPECT_EQ(ReadFile(roll + "/film.ini"), saved);
}

TEST_F(FilmRollTest, UninitializeWithTheWindowOpenClosesIt)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    HWND hwnd = user.handles.back();
    FILM_Uninitialize();
    EXPECT_EQ(user.handles.back(), nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
    FILM_Initialize(roll.c_str());
}

// A name already on disk belongs to someone else, listed in film.ini or not:
// the new picture takes the next free name and the file (or the file a
// symlink points at) keeps its bytes.
TEST_F(FilmRollTest, AddingSkipsNamesAlreadyOnDisk)
{
    std::filesystem::create_directories(roll);
    WriteFile(roll + "/img1.bmp", std::string("someone's notes"));
    WriteFile(dir / "victim", std::string("keep me"));
    std::filesystem::create_symlink(dir / "victim", roll + "/img2.bmp");
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    ASSERT_EQ(AddPicture(), 1);
    EXPECT_EQ(Names(), std::vector<std::string>{roll + "/img3.bmp"});
    EXPECT_EQ(ReadFile(roll + "/img1.bmp"), "someone's notes");
    EXPECT_EQ(ReadFile(dir / "victim"), "keep me");
    CImg added;
    EXPECT_EQ(added.Load(CString((roll + "/img3.bmp").c_str())), IMG_ERR_NONE);
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(FilmRollTest, RefusedPictureRemovesOnlyTheFileItMade)
{
    std::vector<std::string> names;
    for (int i = 1; i <= 36; ++i)
        names.push_back("img" + std::to_string(i) + ".bmp");
    List(names);
    WriteFile(roll + "/img37.bmp", std::string("not the roll's"));
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    EXPECT_EQ(AddPicture(), 0);
    EXPECT_EQ(ReadFile(roll + "/img37.bmp"), "not the roll's");
    EXPECT_FALSE(FileExists(roll + "/img38.bmp"));
}

TEST_F(FilmRollTest, UnwritableListIsReportedAsFailure)
{
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    ASSERT_EQ(AddPicture(), 1);
    // A folder where film.ini belongs cannot be replaced by the list.
    std::filesystem::create_directories(roll + "/film.ini");
    EXPECT_EQ(FILM_SaveConfigFile(), 0);
    std::filesystem::remove(roll + "/film.ini");
    EXPECT_EQ(FILM_SaveConfigFile(), 1);
}

// FIFOs under the names of film.ini, a listed picture and a picture to add:
// each is refused at once instead of waiting for a writer that never comes.
TEST_F(FilmRollTest, FifosInTheRollAreRefusedWithoutWaiting)
{
    std::filesystem::create_directories(roll);
    ASSERT_EQ(mkfifo((roll + "/film.ini").c_str(), 0600), 0);
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    EXPECT_TRUE(Names().empty());
    FILM_CloseDialog();

    std::filesystem::remove(roll + "/film.ini");
    List({"img1.bmp"});
    ASSERT_EQ(mkfifo((roll + "/img1.bmp").c_str(), 0600), 0);
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    CFilmSnapDlg& w = *TheFilmDLL()->Window();
    EXPECT_EQ(FILM_DrawImagesANDSetHighlights(), 1);
    EXPECT_FALSE(w.Frame(0).HasPicture());
    w.OnFrameClicked(0);
    ASSERT_EQ(FilmrollEditCopy(), 1);
    EXPECT_TRUE(ui->clipboardDib.empty());
    ASSERT_EQ(mkfifo((dir / "incoming.bmp").c_str(), 0600), 0);
    EXPECT_EQ(FILM_AddImageFromFile(CString((dir / "incoming.bmp").c_str())), 0);
}
