#include "aolmail.h"
#include "writers.h"
#include "writers_test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

using namespace filmtest;
namespace fs = std::filesystem;

namespace {

class MailFromTheRoll : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(dir / "img1.jpg", {0xFF, 0xD8}); }
    void TearDown() override { CAOLMail::GSetLibraryName(nullptr); }

    TempFolder dir;
    FakeMailProgram mailer{dir.path()};
};

TEST_F(MailFromTheRoll, HandsThePictureToTheMailProgram)
{
    // By its full path: a sanitizer's dlopen does not search the caller's run path.
    CAOLMail::GSetLibraryName(MAIL_LIBRARY);
    ASSERT_TRUE(FilmMailAvailable());
    EXPECT_TRUE(FilmMailPicture((dir / "img1.jpg").c_str()));
    for (int i = 0; i < 300 && !fs::exists(dir / "args.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(dir / "args.txt");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "--attach " + (dir / "img1.jpg").string());
}

TEST_F(MailFromTheRoll, MissingLibraryMeansNoMail)
{
    CAOLMail::GSetLibraryName(MISSING_MAIL_LIBRARY);
    EXPECT_FALSE(FilmMailAvailable());
    EXPECT_FALSE(FilmMailPicture((dir / "img1.jpg").c_str()));
    EXPECT_FALSE(fs::exists(dir / "args.txt"));
}

} // namespace
