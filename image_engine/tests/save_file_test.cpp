// Saving to a named file replaces it whole or not at all, and adding a page
// never damages the pages already there; reading opens regular files only.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gdi/clipboard.h"
#include "test_util.h"

using namespace vtest;

namespace {

// While alive, files cannot grow past `bytes`: writes beyond fail with EFBIG,
// as they would on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lower{bytes, old_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

// Kills the test rather than letting it wait forever on a FIFO.
class Watchdog {
public:
    Watchdog() { alarm(30); }
    ~Watchdog() { alarm(0); }
};

// Noise does not compress, so the picture is large in every format.
IMG_HANDLE LargePicture(int bits)
{
    return FromDib(MakeDib(400, 300, bits, [&](int x, int y) {
        const uint32_t v = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
        return bits == 24 ? (v >> 5) & 0xFFFFFF : (v >> 11) & ((1u << bits) - 1);
    }));
}

IMG_HANDLE SmallPicture(int bits)
{
    return FromDib(MakeDib(5, 3, bits, [](int x, int y) { return uint32_t(x + y); }));
}

// Names in the folder of `path` that start with `.` and its file name: the
// atomic writer's temporary files.
std::vector<std::string> Leftovers(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = path.substr(0, slash), prefix = "." + path.substr(slash + 1) + ".";
    std::vector<std::string> found;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name).rfind(prefix, 0) == 0)
                found.push_back(e->d_name);
        closedir(d);
    }
    return found;
}

int PageCount(const std::string& path)
{
    auto bytes = ReadFile(path);
    int pages = 0;
    for (int result = 0; pages < 10; ++pages) {
        IMG_HANDLE h = LoadMem(bytes, &result, int16_t(pages));
        if (result < 0)
            break;
        IMG_delete_bitmap(h);
    }
    return pages;
}

class SaveFile : public FileTest {};

struct SaveCase {
    int type, bits;
    const char* name;
};

// Types that replace a file, and the page-adding ones that are given a file
// of their own kind to add to.
const SaveCase kSaveCases[] = {
    {IMG_TYPE_BMP, 24, "old.bmp"},      {IMG_TYPE_BMP_RLE, 8, "old_rle.bmp"}, {IMG_TYPE_PCX, 24, "old.pcx"},
    {IMG_TYPE_TARGA, 24, "old.tga"},    {IMG_TYPE_GIF, 8, "old.gif"},         {IMG_TYPE_JPEG, 24, "old.jpg"},
    {IMG_TYPE_TIFF, 24, "old.tif"},     {IMG_TYPE_TIFF_LZW, 8, "old_lzw.tif"}, {IMG_TYPE_TIFF_G4, 1, "old_g4.tif"},
    {IMG_TYPE_DCX, 8, "old.dcx"},       {IMG_TYPE_PICT, 8, "old.pct"},
};

TEST_F(SaveFile, AFailedSaveLeavesTheOldFileAsItWas)
{
    for (const SaveCase& c : kSaveCases) {
        const std::string path = Temp(c.name);
        IMG_HANDLE small = SmallPicture(c.bits), large = LargePicture(c.bits);
        ASSERT_EQ(IMG_save_bitmap(small, path.c_str(), uint16_t(c.type)), 0) << c.name;
        const auto before = ReadFile(path);
        int result = 0;
        {
            FileSizeLimit limit(before.size() + 4096);
            result = IMG_save_bitmap(large, path.c_str(), uint16_t(c.type));
        }
        EXPECT_EQ(result, IMG_ERR_WRITE) << c.name;
        EXPECT_EQ(ReadFile(path), before) << c.name;
        EXPECT_EQ(Leftovers(path), std::vector<std::string>{}) << c.name;
        IMG_HANDLE back = LoadFile(path);
        EXPECT_NE(back, 0u) << c.name;
        IMG_delete_bitmap(back);
        IMG_delete_bitmap(small);
        IMG_delete_bitmap(large);
    }
}

TEST_F(SaveFile, AFailedSaveCreatesNoFile)
{
    IMG_HANDLE large = LargePicture(24);
    const std::string path = Temp("never.bmp");
    {
        FileSizeLimit limit(51200);
        EXPECT_EQ(IMG_save_bitmap(large, path.c_str(), IMG_TYPE_BMP), IMG_ERR_WRITE);
    }
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    EXPECT_EQ(Leftovers(path), std::vector<std::string>{});
    IMG_delete_bitmap(large);
}

TEST_F(SaveFile, AddedPagesKeepTheFirstAndAFailedAddKeepsTheFileAddable)
{
    for (const SaveCase& c : {SaveCase{IMG_TYPE_TIFF, 8, "pages.tif"}, SaveCase{IMG_TYPE_DCX, 8, "pages.dcx"}}) {
        const std::string path = Temp(c.name);
        IMG_HANDLE small = SmallPicture(c.bits), large = LargePicture(c.bits);
        ASSERT_EQ(IMG_save_bitmap(small, path.c_str(), uint16_t(c.type)), 0);
        {
            FileSizeLimit limit(ReadFile(path).size() + 4096);
            EXPECT_EQ(IMG_save_bitmap(large, path.c_str(), uint16_t(c.type)), IMG_ERR_WRITE) << c.name;
        }
        EXPECT_EQ(PageCount(path), 1) << c.name;
        ASSERT_EQ(IMG_save_bitmap(large, path.c_str(), uint16_t(c.type)), 0) << c.name;
        EXPECT_EQ(PageCount(path), 2) << c.name;
        int result = 0;
        IMG_HANDLE second = LoadMem(ReadFile(path), &result, 1);
        EXPECT_EQ(CompareColours(large, second), "") << c.name;
        IMG_delete_bitmap(second);
        IMG_delete_bitmap(small);
        IMG_delete_bitmap(large);
    }
}

// Through a caller's descriptor there is no copy to fall back on: the new
// page's data goes first and the link to it last, so a page cut short is
// never reachable and the file still takes further pages.
TEST_F(SaveFile, AFailedAddThroughADescriptorLeavesNoLinkToIt)
{
    for (const SaveCase& c : {SaveCase{IMG_TYPE_TIFF, 8, "fd_pages.tif"}, SaveCase{IMG_TYPE_DCX, 8, "fd_pages.dcx"}}) {
        const std::string path = Temp(c.name);
        IMG_HANDLE small = SmallPicture(c.bits), large = LargePicture(c.bits);
        ASSERT_EQ(IMG_save_bitmap(small, path.c_str(), uint16_t(c.type)), 0);
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        {
            FileSizeLimit limit(ReadFile(path).size() + 4096);
            EXPECT_EQ(IMG_save_bitmap_fd(large, fd, uint16_t(c.type)), IMG_ERR_WRITE) << c.name;
        }
        close(fd);
        EXPECT_EQ(PageCount(path), 1) << c.name;
        ASSERT_EQ(IMG_save_bitmap(small, path.c_str(), uint16_t(c.type)), 0) << c.name;
        EXPECT_EQ(PageCount(path), 2) << c.name;
        IMG_delete_bitmap(small);
        IMG_delete_bitmap(large);
    }
}

TEST_F(SaveFile, AFileNamedByAnUnknownEndingIsLeftAlone)
{
    IMG_HANDLE h = SmallPicture(8);
    const std::string png = Temp("picture.png");
    EXPECT_EQ(IMG_save_bitmap(h, png.c_str(), IMG_TYPE_BY_EXTENSION), IMG_ERR_UNSUPPORTED);
    EXPECT_NE(access(png.c_str(), F_OK), 0);
    WriteFile(png, {1, 2, 3});
    EXPECT_EQ(IMG_save_bitmap(h, png.c_str(), IMG_TYPE_BY_EXTENSION), IMG_ERR_UNSUPPORTED);
    EXPECT_EQ(ReadFile(png), (std::vector<uint8_t>{1, 2, 3}));
    IMG_delete_bitmap(h);
}

TEST_F(SaveFile, OnlyRegularFilesAreReadAndNothingWaits)
{
    const std::string fifo = Temp("fifo.bmp"), folder = Temp("folder.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    Watchdog watchdog;
    for (const std::string& path : {fifo, folder, std::string("/dev/null")}) {
        IMG_HANDLE h = 0;
        EXPECT_EQ(IMG_decompress_bitmap(&h, path.c_str()), IMG_ERR_OPEN) << path;
        EXPECT_EQ(IMGLOW_get_filetype(path.c_str()), IMG_ERR_OPEN) << path;
    }
    // Adding a page needs the file's contents; a FIFO has none to copy.
    IMG_HANDLE small = SmallPicture(8);
    EXPECT_EQ(IMG_save_bitmap(small, fifo.c_str(), IMG_TYPE_TIFF), IMG_ERR_CREATE);
    IMG_delete_bitmap(small);
    rmdir(folder.c_str());
}

// Puts a copy of the packed DIB on the clipboard.
void ClipboardHolds(const std::vector<uint8_t>& dib)
{
    HGLOBAL block = GlobalAlloc(GHND, dib.size());
    std::memcpy(GlobalLock(block), dib.data(), dib.size());
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_DIB, block);
    CloseClipboard();
}

TEST_F(SaveFile, AFailedClipboardSaveLeavesTheOldFile)
{
    const std::string path = Temp("clip_old.bmp");
    ClipboardHolds(MakeDib(3, 2, 24, [](int x, int y) { return uint32_t(x * 40 + y); }));
    ASSERT_EQ(IMG_save_clipboard(path.c_str(), nullptr), 0);
    const auto before = ReadFile(path);
    ClipboardHolds(MakeDib(400, 300, 24, [](int x, int y) { return uint32_t(x * 2654435761u ^ y); }));
    {
        FileSizeLimit limit(51200);
        EXPECT_EQ(IMG_save_clipboard(path.c_str(), nullptr), IMG_ERR_WRITE);
    }
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(Leftovers(path), std::vector<std::string>{});
}

TEST_F(SaveFile, AClipboardDibWithAShortTableBecomesAFileThatCountsItsWholeTable)
{
    // Five colours listed and stored; the file gets all 256 entries.
    auto full = MakeDib(6, 2, 8, [](int x, int y) { return uint32_t((x + y) % 5); });
    std::vector<uint8_t> dib(full.begin(), full.begin() + 40 + 4 * 5);
    dib.insert(dib.end(), full.begin() + 40 + 4 * 256, full.end());
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    h.biClrUsed = h.biClrImportant = 5;
    std::memcpy(dib.data(), &h, sizeof h);
    ClipboardHolds(dib);
    const std::string path = Temp("clip_table.bmp");
    ASSERT_EQ(IMG_save_clipboard(path.c_str(), nullptr), 0);
    const auto file = ReadFile(path);
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file[46] | file[47] << 8 | file[48] << 16 | file[49] << 24, 256);
    IMG_HANDLE original = FromDib(full), back = LoadFile(path);
    EXPECT_EQ(CompareColours(original, back), "");
    IMG_delete_bitmap(back);
    IMG_delete_bitmap(original);
}

}   // namespace
