#include "PictureFiles.h"
#include "PictureIo.h"
#include "files_test_util.h"

#include "art/jgew32.h"
#include "framework/TestUiService.h"
#include "CImg.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

using namespace filmtest;
using namespace snapvotest;
namespace fs = std::filesystem;

namespace {

const char* const kDiskFull = "Error writing to disk.  Disk may be full.";
const char* const kGrayJpeg =
    "      A 16 gray picture can not be saved as a JPEG file.\nPlease select another file format (BMP, TIFF or ART).";
const char* const kBmpFirst = "Bitmap files|*.bmp|Jpeg files|*.jpg|TIFF files|*.tif|Art files|*.art||";
const char* const kJpegFirst = "Jpeg files|*.jpg|Bitmap files|*.bmp|TIFF files|*.tif|Art files|*.art||";

class PictureSaving : public ::testing::Test {
protected:
    void SetUp() override { RegisterSnapvoStrings(); }

    // Saves one picture through the dialog answered with `name` in the folder.
    BOOL SaveAs(const std::string& name, int bits = 24, bool gray = false, BOOL ask = TRUE)
    {
        ui->AnswerNextFileDialog(CString((dir / name).string()));
        return files.SaveSingle(CString(dir.path().string()), GrabWriting(MakeBmp(40, 30, bits), gray), ask,
                                sixteenGray, path);
    }

    ScopedTestUi ui;
    TempFolder dir;
    CPictureFiles files{nullptr};
    BOOL sixteenGray = FALSE;
    CString path;
};

TEST_F(PictureSaving, CancelLeavesNothingBehind)
{
    ui->AnswerNextFileDialog(std::nullopt);
    EXPECT_FALSE(files.SaveSingle(CString(dir.path().string()), GrabWriting(MakeBmp(8, 8, 24), false), TRUE,
                                  sixteenGray, path));
    EXPECT_TRUE(dir.Files().empty());
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(PictureSaving, FailedGrabAsksNothing)
{
    EXPECT_FALSE(files.SaveSingle(CString(dir.path().string()), FailingGrab(), TRUE, sixteenGray, path));
    EXPECT_TRUE(ui->fileDialogs.empty());
    EXPECT_TRUE(dir.Files().empty());
}

TEST_F(PictureSaving, SixteenGrayIsNotWrittenAsJpeg)
{
    EXPECT_TRUE(SaveAs("gray.jpg", 4, true));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, kGrayJpeg);
    EXPECT_FALSE(sixteenGray);
    EXPECT_TRUE(path.IsEmpty());
    EXPECT_TRUE(dir.Files().empty());   // neither the picture nor the grab

    // As BMP it is fine.
    EXPECT_TRUE(SaveAs("gray.bmp", 4, true));
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"gray.bmp"});
    EXPECT_EQ(ReadBytes(dir / "gray.bmp"), MakeBmp(40, 30, 4));
}

TEST_F(PictureSaving, EveryFormatReadsBack)
{
    ASSERT_TRUE(SaveAs("a.jpg"));
    EXPECT_EQ(path, CString((dir / "a.jpg").string()));
    EXPECT_EQ(DjpegSize(dir / "a.jpg"), std::pair(40, 30));

    ASSERT_TRUE(SaveAs("b.tif"));
    CImg tiff;
    CRect extent;
    ASSERT_EQ(tiff.Load(CString((dir / "b.tif").string())), IMG_ERR_NONE);
    ASSERT_EQ(tiff.GetImageRect(extent), IMG_ERR_NONE);
    EXPECT_EQ(extent.Width(), 40);
    EXPECT_EQ(extent.Height(), 30);

    ASSERT_TRUE(SaveAs("c.art", 8));
    std::vector<uint8_t> stream = ReadBytes(dir / "c.art");
    uint8_t* dib = nullptr;
    size_t length = 0;
    ASSERT_EQ(JgDDecode(stream.data(), stream.size(), &dib, &length), JGE_OK);
    std::vector<uint8_t> decoded(dib, dib + length);
    JgDFree(dib);
    std::vector<uint8_t> original = MakeBmp(40, 30, 8);
    // A colour-mapped picture comes back exactly: colours and rows alike.
    ASSERT_EQ(decoded.size(), original.size() - 14);
    EXPECT_TRUE(std::equal(decoded.begin() + 40, decoded.end(), original.begin() + 54));

    ASSERT_TRUE(SaveAs("d.BMP"));
    EXPECT_EQ(ReadBytes(dir / "d.BMP"), MakeBmp(40, 30, 24));
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"a.jpg", "b.tif", "c.art", "d.BMP"}));
    struct stat info;
    ASSERT_EQ(stat((dir / "d.BMP").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & 0044, 0u) << "a saved picture is readable by others as usual";
}

TEST_F(PictureSaving, ReadOnlyTargetIsRefused)
{
    WriteBytes(dir / "keep.bmp", {'o', 'l', 'd'});
    fs::permissions(dir / "keep.bmp", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(SaveAs("keep.bmp"));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, kDiskFull);
    EXPECT_EQ(Contents(dir / "keep.bmp"), "old");
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"keep.bmp"});

    // A folder nobody may write into (not even the superuser).
    ui->AnswerNextFileDialog(CString("/proc/self/picture.jpg"));
    EXPECT_FALSE(files.SaveSingle(CString(dir.path().string()), GrabWriting(MakeBmp(8, 8, 24), false), TRUE,
                                  sixteenGray, path));
    EXPECT_EQ(ui->boxes.back().text, kDiskFull);
    EXPECT_FALSE(fs::exists("/proc/self/picture.jpg"));
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"keep.bmp"});
}

TEST(PictureWriters, OldFileStaysUntilTheNewOneIsComplete)
{
    TempFolder dir;
    std::vector<uint8_t> truncated = MakeBmp(64, 64, 24);
    truncated.resize(truncated.size() / 2);
    WriteBytes(dir / "broken.bmp", truncated);
    WriteBytes(dir / "good.bmp", MakeBmp(16, 16, 24));
    for (const char* name : {"old.jpg", "old.tif", "old.art"}) {
        SCOPED_TRACE(name);
        WriteBytes(dir / name, {'o', 'l', 'd'});
        EXPECT_EQ(WritePictureAs((dir / "broken.bmp").c_str(), (dir / name).c_str(), FALSE), PictureWrite::Failed);
        EXPECT_EQ(Contents(dir / name), "old");
        EXPECT_EQ(WritePictureAs((dir / "good.bmp").c_str(), (dir / name).c_str(), FALSE), PictureWrite::Written);
        EXPECT_NE(Contents(dir / name), "old");
    }
    WriteBytes(dir / "old.bmp", {'o', 'l', 'd'});
    EXPECT_EQ(WritePictureAs((dir / "missing.bmp").c_str(), (dir / "old.bmp").c_str(), FALSE), PictureWrite::Failed);
    EXPECT_EQ(Contents(dir / "old.bmp"), "old");
    // No half-written temporary file is left anywhere.
    EXPECT_EQ(dir.Files(),
              (std::vector<std::string>{"broken.bmp", "good.bmp", "old.art", "old.bmp", "old.jpg", "old.tif"}));
}

TEST(PictureWriters, BmpBlocksForTheClipboardAndTheEncoder)
{
    TempFolder dir;
    std::vector<uint8_t> bmp = MakeBmp(9, 5, 8);
    WriteBytes(dir / "p.bmp", bmp);
    HGLOBAL block = ReadBmpFile((dir / "p.bmp").c_str());
    ASSERT_NE(block, nullptr);
    const auto bytes = GlobalBytes(block);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), std::vector<uint8_t>(bmp.begin() + 14, bmp.end()));
    GlobalFree(block);
    WriteBytes(dir / "short.bmp", {'B', 'M', 1, 2});
    EXPECT_EQ(ReadBmpFile((dir / "short.bmp").c_str()), nullptr);

    DWORD size = 0;
    block = EncodeArt((dir / "p.bmp").c_str(), &size, TRUE);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), size_t(size));
    GlobalFree(block);
    EXPECT_EQ(EncodeArt((dir / "short.bmp").c_str(), &size, TRUE), nullptr);
}

class AutoSaving : public PictureSaving {
protected:
    BOOL Capture(int bits = 24, bool gray = false)
    {
        return files.SaveAuto(GrabWriting(MakeBmp(20, 10, bits), gray), target, sixteenGray, path);
    }
    CAutoSaveTarget target;
};

TEST_F(AutoSaving, LatestImageGoesIntoTheCurrentFolderAndIsRememberedInFull)
{
    InFolder here(dir.path());
    target.latestImageName = "latest.bmp";
    ASSERT_TRUE(Capture());
    CString full((fs::canonical(dir.path()) / "latest.bmp").string());
    EXPECT_EQ(target.latestImageName, full);
    EXPECT_EQ(path, full);
    EXPECT_EQ(ReadBytes(dir / "latest.bmp"), MakeBmp(20, 10, 24));
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"latest.bmp"});

    // The next picture replaces it under the full name.
    ASSERT_TRUE(files.SaveAuto(GrabWriting(MakeBmp(6, 6, 24), false), target, sixteenGray, path));
    EXPECT_EQ(ReadBytes(dir / "latest.bmp"), MakeBmp(6, 6, 24));

    fs::create_directories(dir / "web");
    target.latestImageName = "web/cam.bmp";
    ASSERT_TRUE(Capture());
    EXPECT_EQ(target.latestImageName, CString((fs::canonical(dir.path()) / "web/cam.bmp").string()));
}

TEST_F(AutoSaving, NameWithoutExtensionBecomesBmp)
{
    target.latestImageName = CString((dir / "webcam").string());
    ASSERT_TRUE(Capture());
    EXPECT_EQ(target.latestImageName, CString((dir / "webcam.bmp").string()));
    EXPECT_EQ(ReadBytes(dir / "webcam.bmp"), MakeBmp(20, 10, 24));
}

TEST_F(AutoSaving, SeriesNumbersEachPicture)
{
    target.latestImageName = CString((dir / "cam.jpg").string());
    target.fileSeries = TRUE;
    target.incrementName = "Series";
    ASSERT_TRUE(Capture());
    ASSERT_TRUE(Capture());
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"Series0.jpg", "Series1.jpg", "cam.jpg"}));
    EXPECT_EQ(ReadBytes(dir / "Series1.jpg"), ReadBytes(dir / "cam.jpg"));
    EXPECT_EQ(DjpegSize(dir / "Series0.jpg"), std::pair(20, 10));
}

// The extension is matched in any case but written as given: on Linux
// "CAM.JPG" and "CAM.jpg" are two files.
TEST_F(AutoSaving, TheLatestImageKeepsTheCaseOfItsExtension)
{
    target.fileSeries = TRUE;
    target.incrementName = "S";
    const std::pair<const char*, const char*> cases[] = {
        {"CAM.JPG", "S0.JPG"}, {"Cam.Tif", "S0.Tif"}, {"cam.ART", "S0.ART"}, {"cam.BMP", "S0.BMP"}};
    for (auto [name, series] : cases) {
        SCOPED_TRACE(name);
        TempFolder here;
        target.latestImageName = CString((here / name).string());
        ASSERT_TRUE(Capture());
        std::vector<std::string> expected{name, series};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(here.Files(), expected);
        EXPECT_EQ(target.latestImageName, CString((here / name).string()));
    }
    TempFolder here;
    target.latestImageName = CString((here / "CAM.JPG").string());
    ASSERT_TRUE(Capture());
    EXPECT_EQ(DjpegSize(here / "CAM.JPG"), std::pair(20, 10));
    EXPECT_FALSE(Capture(4, true)) << "a 16-gray picture is no JPEG, whatever the case";
}

TEST_F(AutoSaving, SixteenGrayStopsOnlyAJpegRun)
{
    target.latestImageName = CString((dir / "cam.jpg").string());
    EXPECT_FALSE(Capture(4, true));
    EXPECT_EQ(ui->boxes.back().text, kGrayJpeg);
    EXPECT_FALSE(sixteenGray);
    EXPECT_TRUE(dir.Files().empty());

    target.latestImageName = CString((dir / "cam.bmp").string());
    EXPECT_TRUE(Capture(4, true));
    EXPECT_FALSE(sixteenGray);
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"cam.bmp"});
}

TEST_F(AutoSaving, UnwritableFolderStopsTheRun)
{
    target.latestImageName = "/proc/self/latest.bmp";
    EXPECT_FALSE(Capture());
    EXPECT_EQ(ui->boxes.back().text, kDiskFull);
}

TEST(SeriesNames, ShorterPrefixWhenANumberRangeIsFull)
{
    TempFolder dir;
    CString folder(dir.path().string());
    EXPECT_EQ(NextSeriesName(folder, "Ab", ".bmp"), CString((dir / "Ab0.bmp").string()));
    for (int i = 0; i < 10; ++i)
        std::fclose(std::fopen((dir / ("Ab" + std::to_string(i) + ".bmp")).c_str(), "w"));
    EXPECT_EQ(NextSeriesName(folder, "Ab", ".bmp"), CString((dir / "Ab10.bmp").string()));
    EXPECT_EQ(NextSeriesNameOf(folder, "Ab", ".bmp", 10), CString((dir / "A0.bmp").string()));
    EXPECT_TRUE(NextSeriesNameOf(folder, "A", ".bmp", 0).IsEmpty());
    EXPECT_TRUE(NextSeriesName(CString(dir.path().string()), "", ".bmp").IsEmpty());
    // A taken name stays taken even when it cannot be read.
    std::fclose(std::fopen((dir / "A0.bmp").c_str(), "w"));
    fs::permissions(dir / "A0.bmp", fs::perms::none);
    EXPECT_EQ(NextSeriesName(CString(dir.path().string()), "A", ".bmp"), CString((dir / "A1.bmp").string()));
    // So does a link to nothing; a number freed by the user is used again.
    fs::create_symlink(dir / "gone.bmp", dir / "A1.bmp");
    EXPECT_EQ(NextSeriesName(folder, "A", ".bmp"), CString((dir / "A2.bmp").string()));
    fs::remove(dir / "Ab3.bmp");
    EXPECT_EQ(NextSeriesName(folder, "Ab", ".bmp"), CString((dir / "Ab3.bmp").string()));
}

} // namespace
