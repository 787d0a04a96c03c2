// A process killed in the middle of saving its settings leaves the store
// readable, with every section holding the values of one whole save.
#include "Mcfgtbl.h"
#include "Registry.h"
#include "store_fixture.h"

#include <csignal>
#include <poll.h>
#include <filesystem>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>

namespace {
const char* const kKeyPath = "crash\\SNAPVO32.INI";

// The round number every item of the store holds, or -1 when they differ.
long ConsistentRound(std::set<long>& seen)
{
    CLocalMachineRegistry root(kKeyPath);
    EXPECT_TRUE(root.RefreshInfo());
    seen.clear();
    for (unsigned long s = 0; s < root.GetSubKeyCount(); ++s) {
        CSubKey* section = root.OpenSubKeyAt(s);
        if (!section || !section->RefreshInfo())
            return -1;
        std::set<long> inSection;
        for (unsigned long v = 0; v < section->GetValueCount(); ++v) {
            CString name, text;
            if (!section->GetValueNameAt(v, name, nullptr) || !section->GetValue(name, text))
                return -1;
            inSection.insert(std::atol(text));
        }
        if (inSection.size() > 1)
            return -1;   // torn inside one section
        seen.insert(inSection.empty() ? 0 : *inSection.begin());
    }
    return seen.size() <= 1 ? (seen.empty() ? 0 : *seen.begin()) : -1;
}
}  // namespace

using SettingsCrash = StoreFixture;

TEST_F(SettingsCrash, KilledSaverNeverLeavesATornTable)
{
    const std::string store = keystore::Location();
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMs(0, 25);
    long previous = 0;
    for (int run = 0; run < 50; ++run) {
        keystore::Close();   // no connection may cross the fork
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            dup2(ready[1], STDOUT_FILENO);
            close(ready[0]);
            close(ready[1]);
            execl(CRASH_CHILD, CRASH_CHILD, store.c_str(), kKeyPath, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        pollfd wait = {ready[0], POLLIN, 0};
        EXPECT_EQ(poll(&wait, 1, 30000), 1) << "the saver did not start";
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver stopped by itself with " << WEXITSTATUS(status);

        std::set<long> seen;
        testing::internal::CaptureStderr();
        long round = ConsistentRound(seen);
        std::string complaints = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(complaints.empty()) << complaints;
        ASSERT_GE(round, 0) << "torn save after run " << run;
        EXPECT_GE(round, previous) << "a committed save was lost";
        previous = round;
    }
    EXPECT_GT(previous, 0) << "the saver never completed a save";
    for (const auto& entry : std::filesystem::directory_iterator(dir()))
        EXPECT_EQ(entry.path().filename().string().find("corrupt"), std::string::npos);
}
