#include "mail/loader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> g_handed;
int g_answer = 1;
int RecordingHandOff(const char* path)
{
    g_handed.push_back(path);
    return g_answer;
}

class MailLoader : public ::testing::Test {
protected:
    void TearDown() override
    {
        mail::UseHandOff(nullptr);
        mail::UseLibrary(nullptr);
    }
};

TEST_F(MailLoader, FindsTheLibraryByTheNameItIsGivenAndLooksAgainWhenItChanges)
{
    mail::UseLibrary(MISSING_MAIL_LIBRARY);
    EXPECT_FALSE(mail::Available());
    EXPECT_FALSE(mail::MovePicture("/etc/hostname"));
    mail::UseLibrary(MAIL_LIBRARY);
    EXPECT_TRUE(mail::Available());
    mail::UseLibrary(MISSING_MAIL_LIBRARY);
    EXPECT_FALSE(mail::Available());
}

TEST_F(MailLoader, EveryThreadSeesTheOneLibrary)
{
    mail::UseLibrary(MAIL_LIBRARY);
    std::atomic<int> present{0};
    std::vector<std::thread> callers;
    for (int i = 0; i < 8; ++i)
        callers.emplace_back([&present] { present += mail::Available() ? 1 : 0; });
    for (std::thread& t : callers)
        t.join();
    EXPECT_EQ(present, 8);
}

TEST_F(MailLoader, AHandOffThatFailsOrHasNoFileIsReportedAsFailed)
{
    mail::UseHandOff(&RecordingHandOff);
    g_handed.clear();
    struct Case {
        const char* path;
        int answer;
        bool handed;
        bool result;
    } cases[] = {
        {"/tmp/a.jpg", 1, true, true},
        {"/tmp/b.jpg", 0, true, false},
        {"", 1, false, false},
        {nullptr, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        const size_t before = g_handed.size();
        g_answer = c.answer;
        EXPECT_EQ(mail::MovePicture(c.path), c.result);
        EXPECT_EQ(g_handed.size() - before, c.handed ? 1u : 0u);
    }
}

} // namespace
