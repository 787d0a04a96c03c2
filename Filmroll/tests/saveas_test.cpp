#include "Flmsnap.h"
#include "framework/TestUiService.h"
#include "CImg.h"
#include "writers.h"
#include "writers_test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace filmtest;
namespace fs = std::filesystem;

namespace {

const char kDiskFull[] =
    "The disk is full.  You will need to make some space in save an image or send one to the Film Roll.";
const char kNoGrayJpeg[] =
    "      A 16 gray picture can not be saved as a JPEG file.\nPlease select another file format (BMP, TIFF or ART).";

class SaveAs : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteBytes(dir / "img1.bmp", MakeBmp(16, 12, 24));
        WriteBytes(dir / "gray.bmp", MakeBmp(16, 12, 4));
    }
    std::string Roll(const char* name) { return (dir / name).string(); }
    // The Save As of `picture` offering `suggested`; `chosen` is where it ended.
    int RunSaveAs(const char* picture, const char* suggested = "Untitled.bmp")
    {
        return FilmSaveAsDialog(nullptr, Roll(picture).c_str(), suggested, chosen);
    }
    CString chosen;
    bool IsJpeg(const fs::path& p)
    {
        std::vector<uint8_t> b = ReadBytes(p);
        return b.size() > 2 && b[0] == 0xFF && b[1] == 0xD8;
    }

    TempFolder dir;
    ScopedTestUi ui;
};

TEST_F(SaveAs, OffersTheSuggestedNameWithItsFormatFirst)
{
    ui->AnswerNextFileDialog(CString(Roll("picture.JPG").c_str()));
    EXPECT_TRUE(RunSaveAs("img1.bmp"));
    ASSERT_EQ(ui->fileDialogs.size(), 1u);
    EXPECT_TRUE(ui->fileDialogs[0].save);
    EXPECT_EQ(ui->fileDialogs[0].fileName, "Untitled.bmp");
    EXPECT_EQ(ui->fileDialogs[0].filter, "Bitmap files|*.bmp|Jpeg files|*.jpg|TIFF files|*.tif|Art files|*.art||");
    EXPECT_EQ(ui->fileDialogs[0].defaultExt, "bmp");
    EXPECT_EQ(chosen, Roll("picture.JPG").c_str());
    // Capitals in the extension still choose JPEG.
    EXPECT_TRUE(IsJpeg(dir / "picture.JPG"));

    ui->AnswerNextFileDialog(CString(Roll("picture.art").c_str()));
    EXPECT_TRUE(RunSaveAs("img1.bmp", "Untitled.jpg"));
    EXPECT_EQ(ui->fileDialogs[1].fileName, "Untitled.jpg");
    EXPECT_EQ(ui->fileDialogs[1].filter, "Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif|Art files|*.art||");

    ui->AnswerNextFileDialog(std::nullopt);
    EXPECT_FALSE(RunSaveAs("img1.bmp", "Untitled.art"));
    EXPECT_EQ(ui->fileDialogs[2].fileName, "Untitled.art");
    EXPECT_EQ(ui->fileDialogs[2].filter, "Art files|*.art|Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif||");
    // After Cancel the suggested name counts as chosen.
    EXPECT_EQ(chosen, "Untitled.art");
    EXPECT_TRUE(ui->boxes.empty());
    std::vector<uint8_t> art = ReadBytes(dir / "picture.art");
    ASSERT_GE(art.size(), 4u);
    EXPECT_EQ(std::string(art.begin(), art.begin() + 4), "VART");

    // A picture that cannot be loaded ends before any dialog, with no name chosen.
    EXPECT_FALSE(RunSaveAs("missing.bmp"));
    EXPECT_TRUE(chosen.IsEmpty());
    EXPECT_EQ(ui->fileDialogs.size(), 3u);
}

TEST_F(SaveAs, SixteenGrayPictureIsRefusedAsJpegButSavedAsBmp)
{
    ui->AnswerNextFileDialog(CString(Roll("gray.jpg").c_str()));
    EXPECT_FALSE(RunSaveAs("gray.bmp"));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, kNoGrayJpeg);
    EXPECT_FALSE(fs::exists(dir / "gray.jpg"));

    ui->AnswerNextFileDialog(CString(Roll("copy.bmp").c_str()));
    EXPECT_TRUE(RunSaveAs("gray.bmp"));
    CImg copy;
    int bits = 0;
    ASSERT_EQ(copy.Load(CString(Roll("copy.bmp").c_str())), IMG_ERR_NONE);
    copy.GetBitsPerPixel(bits);
    EXPECT_EQ(bits, 4);
    EXPECT_EQ(ui->boxes.size(), 1u);
}

TEST_F(SaveAs, FailedBmpWriteSaysTheDiskIsFull)
{
    ui->AnswerNextFileDialog(CString(Roll("no/such/folder/x.bmp").c_str()));
    EXPECT_FALSE(RunSaveAs("img1.bmp"));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, kDiskFull);
    EXPECT_EQ(ui->boxes[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
}

TEST_F(SaveAs, UnknownExtensionIsOfferedWithBmpFirst)
{
    CImgEdit edit(nullptr, "Untitled.png");
    ASSERT_TRUE(edit.LoadFromFile(Roll("img1.bmp").c_str()));
    ui->AnswerNextFileDialog(std::nullopt);
    EXPECT_TRUE(edit.DoFileSaveAsDialog(1));
    EXPECT_EQ(ui->fileDialogs[0].filter, "Bitmap files|*.bmp|Jpeg files|*.jpg|TIFF files|*.tif|Art files|*.art||");
    EXPECT_EQ(ui->fileDialogs[0].defaultExt, "png");
    EXPECT_EQ(edit.GetSaveFileName(), "Untitled.png");
    EXPECT_FALSE(edit.LoadFromFile(Roll("missing.bmp").c_str()));
}

TEST_F(SaveAs, TiffWhenTheEngineWritesIt)
{
    CImg probe;
    ASSERT_EQ(probe.Load(CString(Roll("img1.bmp").c_str())), IMG_ERR_NONE);
    if (probe.Save(CString(Roll("probe.tif").c_str()), IMG_FORMAT_TIFF) != IMG_ERR_NONE)
        GTEST_SKIP() << "the engine does not write TIFF yet";
    ui->AnswerNextFileDialog(CString(Roll("out.tif").c_str()));
    EXPECT_TRUE(RunSaveAs("img1.bmp"));
    CImg back;
    EXPECT_EQ(back.Load(CString(Roll("out.tif").c_str())), IMG_ERR_NONE);
    EXPECT_TRUE(FilmSavePicture(Roll("img1.bmp").c_str(), Roll("direct.tif").c_str(), 1));
}

// Replacing a file after the overwrite question leaves exactly the new
// picture: a TIFF gains no page behind the old one, a BMP no stale tail.
TEST_F(SaveAs, ReplacingAFileLeavesOnlyTheNewPicture)
{
    WriteBytes(dir / "small.bmp", MakeBmp(4, 3, 24));
    for (const char* target : {"old.tif", "old.bmp"}) {
        SCOPED_TRACE(target);
        CImg first;
        ASSERT_EQ(first.Load(CString(Roll("small.bmp").c_str())), IMG_ERR_NONE);
        const IMG_FORMAT format = std::string(target).ends_with(".tif") ? IMG_FORMAT_TIFF : IMG_FORMAT_BMP;
        if (first.Save(CString(Roll("fresh").c_str()), format) != IMG_ERR_NONE)
            GTEST_SKIP() << "the engine does not write this format yet";
        // What a save of img1.bmp alone into a new file gives.
        fs::remove(dir / "fresh");
        CImg picture;
        ASSERT_EQ(picture.Load(CString(Roll("img1.bmp").c_str())), IMG_ERR_NONE);
        ASSERT_EQ(picture.Save(CString(Roll("fresh").c_str()), format), IMG_ERR_NONE);

        // The old file: a bigger picture first, so a write in place would leave a tail.
        WriteBytes(dir / "big.bmp", MakeBmp(40, 30, 24));
        CImg old;
        ASSERT_EQ(old.Load(CString(Roll("big.bmp").c_str())), IMG_ERR_NONE);
        ASSERT_EQ(old.Save(CString(Roll(target).c_str()), format), IMG_ERR_NONE);

        ui->AnswerNextFileDialog(CString(Roll(target).c_str()));
        EXPECT_TRUE(RunSaveAs("img1.bmp"));
        EXPECT_EQ(ReadBytes(dir / target), ReadBytes(dir / "fresh"));
        fs::remove(dir / "fresh");
    }
}

// A FIFO under a picture's name would block a plain open for ever.
TEST_F(SaveAs, FifoInsteadOfAPictureIsRefusedWithoutWaiting)
{
    ASSERT_EQ(mkfifo(Roll("fifo.bmp").c_str(), 0600), 0);
    EXPECT_FALSE(RunSaveAs("fifo.bmp"));
    EXPECT_TRUE(ui->fileDialogs.empty());
    for (int format = 0; format <= 3; ++format)
        EXPECT_FALSE(FilmSavePicture(Roll("fifo.bmp").c_str(), Roll("out").c_str(), format)) << format;
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(SaveAs, MailVariantReplacesAnExistingFile)
{
    WriteBytes(dir / "mail.jpg", {1, 2, 3});
    ui->AnswerNextFileDialog(CString(Roll("mail.jpg").c_str()));
    CString saved;
    EXPECT_TRUE(FilmSaveForMailDialog(nullptr, Roll("img1.bmp").c_str(), saved));
    EXPECT_EQ(saved, Roll("mail.jpg").c_str());
    EXPECT_TRUE(IsJpeg(dir / "mail.jpg"));
    EXPECT_EQ(ui->fileDialogs[0].fileName, "Untitled");
    EXPECT_EQ(ui->fileDialogs[0].defaultExt, "");
    EXPECT_EQ(ui->fileDialogs[0].filter, "Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif|Art files|*.art||");

    ui->AnswerNextFileDialog(std::nullopt);
    EXPECT_FALSE(FilmSaveForMailDialog(nullptr, Roll("img1.bmp").c_str(), saved));
    EXPECT_TRUE(saved.IsEmpty());

    // A 16-gray picture as JPEG writes nothing and keeps the old file.
    ui->AnswerNextFileDialog(CString(Roll("mail.jpg").c_str()));
    std::vector<uint8_t> before = ReadBytes(dir / "mail.jpg");
    EXPECT_FALSE(FilmSaveForMailDialog(nullptr, Roll("gray.bmp").c_str(), saved));
    EXPECT_EQ(ReadBytes(dir / "mail.jpg"), before);
}

TEST_F(SaveAs, DirectSavesInEveryFormat)
{
    EXPECT_TRUE(FilmSavePicture(Roll("img1.bmp").c_str(), Roll("a.bmp").c_str(), 0));
    EXPECT_EQ(ReadBytes(dir / "a.bmp"), ReadBytes(dir / "img1.bmp"));
    EXPECT_TRUE(FilmSavePicture(Roll("img1.bmp").c_str(), Roll("a.jpg").c_str(), 2));
    EXPECT_TRUE(IsJpeg(dir / "a.jpg"));
    EXPECT_TRUE(FilmSavePicture(Roll("img1.bmp").c_str(), Roll("a.art").c_str(), 3));
    EXPECT_FALSE(FilmSavePicture(Roll("img1.bmp").c_str(), Roll("a.xyz").c_str(), 4));
    EXPECT_FALSE(FilmSavePicture(Roll("missing.bmp").c_str(), Roll("b.bmp").c_str(), 0));
    EXPECT_FALSE(fs::exists(dir / "b.bmp"));
}

} // namespace
