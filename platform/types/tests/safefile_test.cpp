#include "types/SafeFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora;
namespace fs = std::filesystem;

namespace {

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/safefile-XXXXXX";
        ASSERT_TRUE(::mkdtemp(name));
        dir = name;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const char* name) const { return (dir / name).string(); }
    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Spit(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    size_t Entries() const { return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }

    fs::path dir;
};

bool WriteText(int fd, const std::string& text)
{
    return ::write(fd, text.data(), text.size()) == ssize_t(text.size());
}

} // namespace

TEST_F(SafeFileTest, ReplacesWholeOrLeavesTheOldFileAndNoTemporary)
{
    const std::string target = Path("picture.bmp");
    Spit(target, "old picture");

    EXPECT_FALSE(WriteFileAtomically(target, [](int fd) { return WriteText(fd, "half") && false; }));
    EXPECT_EQ(Slurp(target), "old picture");
    EXPECT_EQ(Entries(), 1u);

    EXPECT_TRUE(WriteStreamAtomically(target, [](FILE* out) { return std::fputs("new picture", out) >= 0; }));
    EXPECT_EQ(Slurp(target), "new picture");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(SafeFileTest, NewFileGetsTheUmaskRightsAndASymlinkAtTheTargetIsReplacedNotFollowed)
{
    const mode_t old = ::umask(027);
    EXPECT_TRUE(WriteFileAtomically(Path("a"), [](int fd) { return WriteText(fd, "x"); }));
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(Path("a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string victim = Path("victim");
    Spit(victim, "keep me");
    fs::create_symlink(victim, Path("link"));
    EXPECT_TRUE(WriteFileAtomically(Path("link"), [](int fd) { return WriteText(fd, "new"); }));
    EXPECT_EQ(Slurp(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(Path("link")));
    EXPECT_EQ(Slurp(Path("link")), "new");
}

TEST_F(SafeFileTest, AFullDiskLeavesTheOldFile)
{
    const std::string target = Path("big");
    Spit(target, "small and good");
    // A child process with a file-size limit stands in for a full disk.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit { 4096, 4096 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string lots(100000, 'z');
        const bool ok = WriteFileAtomically(target, [&](int fd) { return WriteText(fd, lots); });
        ::_exit(ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Slurp(target), "small and good");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(SafeFileTest, UpdateWorksOnACopy)
{
    const std::string target = Path("roll.tif");
    Spit(target, "page one");
    EXPECT_FALSE(UpdateFileAtomically(target, [](int fd) {
        return ::lseek(fd, 0, SEEK_END) >= 0 && WriteText(fd, "+broken") && false;
    }));
    EXPECT_EQ(Slurp(target), "page one");
    EXPECT_TRUE(UpdateFileAtomically(target, [](int fd) {
        char first[4] = {};
        return ::read(fd, first, 4) == 4 && std::string(first, 4) == "page" &&
            ::lseek(fd, 0, SEEK_END) >= 0 && WriteText(fd, "+two");
    }));
    EXPECT_EQ(Slurp(target), "page one+two");
    EXPECT_EQ(Entries(), 1u);
    EXPECT_FALSE(UpdateFileAtomically(Path("missing"), [](int) { return true; }));
    EXPECT_FALSE(fs::exists(Path("missing")));
}

TEST_F(SafeFileTest, ReadersRefuseWhatIsNotARegularFileWithoutBlocking)
{
    const std::string fifo = Path("img1.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A plain open would wait here for a writer that never comes.
    EXPECT_EQ(OpenRegularFile(fifo), -1);
    EXPECT_EQ(errno, ENODEV);
    std::string bytes;
    EXPECT_FALSE(ReadRegularFile(fifo, bytes));
    EXPECT_EQ(OpenRegularStream(dir.string()), nullptr);
    EXPECT_EQ(errno, EISDIR);

    Spit(Path("real"), "abc");
    fs::create_symlink(Path("real"), Path("alias"));
    EXPECT_EQ(OpenRegularFile(Path("alias"), false), -1);
    EXPECT_EQ(errno, ELOOP);
    ASSERT_TRUE(ReadRegularFile(Path("alias"), bytes));
    EXPECT_EQ(bytes, "abc");
    EXPECT_FALSE(ReadRegularFile(Path("real"), bytes, 2));
    EXPECT_EQ(errno, EFBIG);
}

TEST_F(SafeFileTest, CreateNewFileNeverTakesAnExistingNameOrLink)
{
    Spit(Path("taken"), "someone's");
    EXPECT_EQ(CreateNewFile(Path("taken")), -1);
    EXPECT_EQ(errno, EEXIST);
    fs::create_symlink(Path("nowhere"), Path("dangling"));
    EXPECT_EQ(CreateNewFile(Path("dangling")), -1);
    EXPECT_FALSE(fs::exists(Path("nowhere")));
    int fd = CreateNewFile(Path("fresh"));
    EXPECT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(Slurp(Path("taken")), "someone's");
}
