#include "ViewerWnd.h"
#include "files_test_util.h"

#include "framework/TestUiService.h"
#include "CImg.h"
#include "mail/loader.h"
#include "resource.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

using namespace filmtest;
using namespace snapvotest;
namespace fs = std::filesystem;

namespace {

class Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterSnapvoStrings();
        ASSERT_TRUE(viewer.Create(nullptr, CString(dir.path().string())));
    }
    // Takes a picture of that size into the viewer as the view does.
    void Show(int width, int height, int bits = 24)
    {
        WriteBytes(dir / "temp999.bmp", MakeBmp(width, height, bits));
        ASSERT_TRUE(viewer.LoadPicture(CString((dir / "temp999.bmp").string())));
    }

    ScopedTestUi ui;
    TempFolder dir;
    CViewerWnd viewer;
};

TEST_F(Viewer, IsAHiddenTopLevelWindowWithItsMenu)
{
    EXPECT_EQ(viewer.GetWindowText(), "Viewer");
    EXPECT_EQ(viewer.GetParent(), nullptr);
    EXPECT_FALSE(viewer.IsWindowVisible());
    // Always enabled, with or without a picture.
    viewer.Menu().UpdateCommands(viewer);
    for (UINT id : {ID_VIEWER_SAVE, ID_VIEWER_MAIL, ID_VIEWER_CLOSE, ID_VIEWER_CUT, ID_VIEWER_COPY})
        EXPECT_EQ(viewer.Menu().GetMenuState(id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;
}

TEST_F(Viewer, SmallPictureIsCentredWithoutScrollBars)
{
    Show(120, 90);
    EXPECT_TRUE(viewer.PictureShown());
    EXPECT_EQ(viewer.CurrentFile(), CString((dir / "temp999.bmp").string()));
    EXPECT_EQ(viewer.CentringOffset(), CPoint(20, 15));
    EXPECT_EQ(viewer.DrawOrigin(), CPoint(20, 15));
    EXPECT_EQ(viewer.ScrollRange(), CSize(0, 0));
    viewer.Scroll(FALSE, SB_PAGERIGHT, 0);
    EXPECT_EQ(viewer.DrawOrigin(), CPoint(20, 15));
    // 160 x 120 itself still counts as small; one more pixel scrolls.
    Show(160, 121);
    EXPECT_EQ(viewer.CentringOffset(), CPoint(0, 0));
    EXPECT_EQ(viewer.ScrollRange(), CSize(0, 121));
}

TEST_F(Viewer, LargePictureScrollsBothWays)
{
    Show(640, 480);
    viewer.SendMessage(WM_SIZE, 0, MAKELONG(300, 200));
    EXPECT_EQ(viewer.ScrollRange(), CSize(640, 480));
    EXPECT_EQ(viewer.ScrollPosition(), CPoint(0, 0));
    viewer.SendMessage(WM_HSCROLL, SB_LINERIGHT);
    CPoint afterLine = viewer.ScrollPosition();
    EXPECT_GT(afterLine.x, 0);
    viewer.SendMessage(WM_HSCROLL, SB_PAGERIGHT);
    EXPECT_EQ(viewer.ScrollPosition().x, afterLine.x + 300);
    viewer.SendMessage(WM_HSCROLL, SB_PAGERIGHT);
    EXPECT_EQ(viewer.ScrollPosition().x, 340) << "stops where the right edge shows";
    viewer.SendMessage(WM_VSCROLL, DWORD(MAKELONG(SB_THUMBTRACK, 123)));
    EXPECT_EQ(viewer.ScrollPosition(), CPoint(340, 123));
    EXPECT_EQ(viewer.DrawOrigin(), CPoint(-340, -123));
    viewer.SendMessage(WM_VSCROLL, SB_LINELEFT);
    EXPECT_LT(viewer.ScrollPosition().y, 123);
    viewer.SendMessage(WM_VSCROLL, SB_RIGHT);
    EXPECT_EQ(viewer.ScrollPosition().y, 280);
    // A larger window pulls the picture back so no empty band shows.
    viewer.SendMessage(WM_SIZE, 0, MAKELONG(600, 400));
    EXPECT_EQ(viewer.ScrollPosition(), CPoint(40, 80));
    // A new picture starts at the top left again.
    Show(640, 480);
    EXPECT_EQ(viewer.ScrollPosition(), CPoint(0, 0));
}

TEST_F(Viewer, UnreadableFileLeavesItEmpty)
{
    Show(120, 90);
    WriteBytes(dir / "bad.bmp", {'B', 'M', 0, 0});
    EXPECT_FALSE(viewer.LoadPicture(CString((dir / "bad.bmp").string())));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, "Did not load the file in the viewer");
    EXPECT_FALSE(viewer.PictureShown());
    EXPECT_EQ(viewer.Pixels(), nullptr);
    EXPECT_FALSE(viewer.LoadPicture(CString((dir / "none.bmp").string())));
}

TEST_F(Viewer, CopyPutsTheBitmapOnTheClipboard)
{
    Show(7, 3, 4);
    viewer.OnCmdMsg(ID_VIEWER_COPY, nullptr);
    std::vector<uint8_t> bmp = MakeBmp(7, 3, 4);
    ASSERT_GE(ui->clipboardDib.size(), 40u);
    BITMAPINFOHEADER info;
    std::memcpy(&info, ui->clipboardDib.data(), sizeof info);
    EXPECT_EQ(info.biWidth, 7);
    EXPECT_EQ(info.biBitCount, 4);
    EXPECT_EQ(info.biClrUsed, 16u) << "a missing colour count is filled in";
    EXPECT_EQ(ui->clipboardDib.size(), bmp.size() - 14);
    EXPECT_TRUE(viewer.PictureShown());
}

TEST_F(Viewer, CutEmptiesItAndThenSaveCopyAndMailDoNothing)
{
    Show(640, 480);
    viewer.OnCut();
    EXPECT_FALSE(ui->clipboardDib.empty());
    EXPECT_FALSE(viewer.PictureShown());
    EXPECT_TRUE(viewer.CurrentFile().IsEmpty());
    EXPECT_EQ(viewer.ScrollRange(), CSize(0, 0));
    EXPECT_EQ(viewer.ScrollPosition(), CPoint(0, 0));
    EXPECT_EQ(viewer.Pixels(), nullptr);

    ui->clipboardDib.clear();
    viewer.OnCopy();
    viewer.OnSaveImage();
    viewer.OnSendToAolMail();
    EXPECT_TRUE(ui->clipboardDib.empty());
    EXPECT_TRUE(ui->fileDialogs.empty());
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(Viewer, SaveImageRemembersItsOwnExtension)
{
    Show(50, 40);
    ui->AnswerNextFileDialog(CString((dir / "one.TIF").string()));
    viewer.OnSaveImage();
    ASSERT_EQ(ui->fileDialogs.size(), 1u);
    EXPECT_EQ(ui->fileDialogs[0].fileName, "Untitled.bmp");
    EXPECT_EQ(ui->fileDialogs[0].filter, "Bitmap files|*.bmp|Jpeg files|*.jpg|TIFF files|*.tif|Art files|*.art||");
    CImg saved;
    EXPECT_EQ(saved.Load(CString((dir / "one.TIF").string())), IMG_ERR_NONE);

    ui->AnswerNextFileDialog(std::nullopt);
    viewer.OnSaveImage();
    EXPECT_EQ(ui->fileDialogs[1].fileName, "Untitled.tif");
    EXPECT_EQ(ui->fileDialogs[1].filter, "TIFF files|*.tif|Jpeg files|*.jpg|Bitmap files|*.bmp|Art files|*.art||");
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(Viewer, SixteenGrayJpegAndFailuresAreReported)
{
    Show(50, 40, 4);
    viewer.Set16Gray(TRUE);
    CString out;
    ui->AnswerNextFileDialog(CString((dir / "g.jpg").string()));
    EXPECT_TRUE(viewer.SaveAs(CString((dir / "temp999.bmp").string()), out, TRUE));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_FALSE(fs::exists(dir / "g.jpg"));
    EXPECT_EQ(ui->boxes.back().text,
              "      A 16 gray picture can not be saved as a JPEG file.\nPlease select another file format (BMP, TIFF "
              "or ART).");

    ui->AnswerNextFileDialog(CString("/proc/self/g.bmp"));
    EXPECT_FALSE(viewer.SaveAs(CString((dir / "temp999.bmp").string()), out, TRUE));
    EXPECT_EQ(ui->boxes.back().text, "Error writing to disk.  Disk may be full.");
}

class ViewerMail : public Viewer {
protected:
    void TearDown() override
    {
        mail::UseLibrary(nullptr);
    }
    FakeMailProgram mailer{dir.path()};
};

TEST_F(ViewerMail, SavesAsJpegAndHandsItOver)
{
    mail::UseLibrary(MAIL_LIBRARY);
    Show(50, 40);
    ui->AnswerNextFileDialog(CString((dir / "mail.jpg").string()));
    viewer.OnCmdMsg(ID_VIEWER_MAIL, nullptr);
    ASSERT_EQ(ui->fileDialogs.size(), 1u);
    EXPECT_EQ(ui->fileDialogs[0].fileName, "Untitled.jpg");
    EXPECT_EQ(DjpegSize(dir / "mail.jpg"), std::pair(50, 40));
    for (int i = 0; i < 300 && !fs::exists(dir / "args.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Contents(dir / "args.txt"), "--attach " + (dir / "mail.jpg").string() + "\n");
}

TEST_F(ViewerMail, MissingLibraryIsSilent)
{
    mail::UseLibrary(MISSING_MAIL_LIBRARY);
    Show(50, 40);
    ui->AnswerNextFileDialog(CString((dir / "mail.jpg").string()));
    viewer.OnSendToAolMail();
    EXPECT_TRUE(fs::exists(dir / "mail.jpg"));
    EXPECT_TRUE(ui->boxes.empty());
    EXPECT_FALSE(fs::exists(dir / "args.txt"));
}

} // namespace
