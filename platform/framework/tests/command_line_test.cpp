#include "framework/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

InfoOption Find(std::vector<std::string> args)
{
    args.insert(args.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return FindInfoOption(int(args.size()), argv.data());
}

TEST(CommandLine, FindsTheFirstInformationOptionBeforeTheEndOfOptions)
{
    const struct {
        std::vector<std::string> args;
        InfoOption want;
    } rows[] = {
        {{}, InfoOption::None},
        {{"--version"}, InfoOption::Version},
        {{"--help"}, InfoOption::Help},
        {{"-h"}, InfoOption::Help},
        {{"-platform", "xcb", "--version"}, InfoOption::Version},
        {{"--help", "--version"}, InfoOption::Help},
        {{"--", "--version"}, InfoOption::None},
        {{"--versions", "-help", "version"}, InfoOption::None},
    };
    for (const auto& row : rows) {
        std::string joined;
        for (const std::string& a : row.args)
            joined += a + ' ';
        EXPECT_EQ(Find(row.args), row.want) << joined;
    }
}

TEST(CommandLine, AnswersVersionAndHelpAndLeavesOtherCommandLinesAlone)
{
    const ProgramInfo info{"snapvo32", "2.0", "Takes still pictures."};
    char prog[] = "snapvo32", version[] = "--version", help[] = "--help", other[] = "-style";
    char* asksVersion[] = {prog, version, nullptr};
    char* asksHelp[] = {prog, help, nullptr};
    char* asksNothing[] = {prog, other, nullptr};

    std::ostringstream out;
    EXPECT_TRUE(AnswerInfoOption(2, asksVersion, info, out));
    EXPECT_EQ(out.str(), "snapvo32 2.0\n");

    out.str("");
    EXPECT_TRUE(AnswerInfoOption(2, asksHelp, info, out));
    EXPECT_EQ(out.str().rfind("Usage: snapvo32 ", 0), 0u) << out.str();
    EXPECT_NE(out.str().find("Takes still pictures."), std::string::npos);
    EXPECT_NE(out.str().find("--version"), std::string::npos);

    out.str("");
    EXPECT_FALSE(AnswerInfoOption(2, asksNothing, info, out));
    EXPECT_TRUE(out.str().empty());
}

}  // namespace
