#include "mail/aolxfer32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <dlfcn.h>
#include <unistd.h>

namespace fs = std::filesystem;

// Counts forks made from this process: the hand-off runs inside threaded
// programs, where a forked child may only call async-signal-safe functions.
namespace {
int g_forks = 0;
}
extern "C" pid_t fork()
{
    ++g_forks;
    static auto real = reinterpret_cast<pid_t (*)()>(dlsym(RTLD_NEXT, "fork"));
    return real();
}

namespace {

// Children of this process that have ended but were never waited for.
int ZombieChildren()
{
    int zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const size_t close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == ::getpid() &&
            state == 'Z')
            ++zombies;
    }
    return zombies;
}

// A folder with a fake mail program that writes its arguments, one a line,
// into args.txt. Without the fake, PATH holds only its empty folder.
class MailHandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("aolxfer32_" + std::to_string(::getpid()));
        fs::create_directories(dir / "bin");
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (dir / "bin").c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", oldPath.c_str(), 1);
        fs::remove_all(dir);
    }
    void InstallFakeMailer()
    {
        fs::path script = dir / "bin" / "xdg-email";
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                     (dir / "args.tmp").string() + "\"\nmv \"" + (dir / "args.tmp").string() +
                                     "\" \"" + (dir / "args.txt").string() + "\"\n";
        fs::permissions(script, fs::perms::owner_all);
        setenv("PATH", ((dir / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
    }
    fs::path Picture(const std::string& name)
    {
        fs::path p = dir / name;
        std::ofstream(p) << "BM";
        return p;
    }
    // The fake runs detached; its output appears a moment later.
    std::string MailerArguments()
    {
        for (int i = 0; i < 300 && !fs::exists(dir / "args.txt"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(dir / "args.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir;
    std::string oldPath;
};

TEST_F(MailHandOff, PassesThePathAsOneArgumentWithoutAShell)
{
    InstallFakeMailer();
    fs::path picture = Picture("my picture; $(touch hacked) 'x'.jpg");
    EXPECT_NE(MovePictureToAolMail(picture.c_str()), 0);
    EXPECT_EQ(MailerArguments(), "--attach\n" + picture.string() + "\n");
    EXPECT_FALSE(fs::exists(dir / "hacked"));
}

TEST_F(MailHandOff, StartsTheMailProgramWithoutForkingAndLeavesNoZombie)
{
    InstallFakeMailer();
    g_forks = 0;
    fs::path picture = Picture("b.jpg");
    ASSERT_NE(MovePictureToAolMail(picture.c_str()), 0);
    EXPECT_EQ(g_forks, 0);
    ASSERT_EQ(MailerArguments(), "--attach\n" + picture.string() + "\n");
    // The mail program ends on its own; it is waited for in the background.
    int zombies = ZombieChildren();
    for (int i = 0; i < 300 && zombies > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        zombies = ZombieChildren();
    }
    EXPECT_EQ(zombies, 0);
}

TEST_F(MailHandOff, FailsWithoutTheMailProgram)
{
    fs::path picture = Picture("a.jpg");
    EXPECT_EQ(MovePictureToAolMail(picture.c_str()), 0);
}

TEST_F(MailHandOff, RefusesMissingFilesAndFolders)
{
    InstallFakeMailer();
    EXPECT_EQ(MovePictureToAolMail((dir / "missing.jpg").c_str()), 0);
    EXPECT_EQ(MovePictureToAolMail(dir.c_str()), 0);
    EXPECT_EQ(MovePictureToAolMail(""), 0);
    EXPECT_EQ(MovePictureToAolMail(nullptr), 0);
}

} // namespace
