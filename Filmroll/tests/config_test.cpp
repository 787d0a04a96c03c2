#include "Config.h"
#include "film_test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Loaded {
    explicit Loaded(const std::string& text) : store((dir / "film.ini").c_str())
    {
        WriteFile(dir / "film.ini", text);
        ok = store.Load();
    }
    CString Value(const char* section, const char* name)
    {
        CString v;
        return store.GetParameterValue(section, name, v) ? v : CString("<missing>");
    }
    ScratchDir dir;
    CIniConfiguration store;
    BOOL ok;
};

} // namespace

TEST(StripWhiteSpace, RemovesInnerBlanksButKeepsCarriageReturn)
{
    EXPECT_EQ(StripWhiteSpace(" a b\tc\n\fd \r"), "abcd\r");
}

TEST(IniConfiguration, ReadsTheLineRules)
{
    Loaded l("junk before any header\n"
             "[Images]\n"
             "location1 = C:\\My Pictures\\img1.bmp\n"
             "a=b=c\n"
             "==lead=x\n"
             "no equals here\n"
             "\n"
             "[ Other ] tail\n"
             "Key = v\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.Value("images", "location1"), "C:\\MyPictures\\img1.bmp");
    EXPECT_EQ(l.Value("images", "a"), "b=c");
    EXPECT_EQ(l.Value("images", "lead"), "x");
    EXPECT_EQ(l.Value("images", "noequalshere"), "");
    EXPECT_EQ(l.store.GetParameterNameAt("images", 4), "");   // the empty line
    EXPECT_EQ(l.store.GetParameterCount("images"), 5);
    // Text after ']' joins the name; names of parameters keep their case.
    EXPECT_EQ(l.Value("othertail", "Key"), "v");
    EXPECT_EQ(l.Value("othertail", "key"), "<missing>");
    EXPECT_EQ(l.Value("Images", "location1"), "<missing>");
}

TEST(IniConfiguration, SplitsLongLinesAndEndsPiecesAtNulAndCrLf)
{
    std::string longValue(600, 'x');
    std::string text = "[images]\r\nlong = " + longValue + "\r\nnul = a";
    text += '\0';
    text += "hidden\nlast = z\r\n";
    Loaded l(text);
    // 511 characters per read: "long = " and 504 x, then 96 x as a line of its own.
    EXPECT_EQ(l.Value("images", "long"), CString(std::string(504, 'x')));
    EXPECT_EQ(l.Value("images", std::string(96, 'x').c_str()), "");
    EXPECT_EQ(l.Value("images", "nul"), "a");
    EXPECT_EQ(l.Value("images", "last"), "z");
}

TEST(IniConfiguration, RepeatedHeadersFillTheFirstSection)
{
    Loaded l("[s]\na = 1\n[s]\nb = 2\n");
    EXPECT_EQ(l.store.GetSectionCount(), 2);
    EXPECT_EQ(l.store.GetParameterCount("s"), 2);
    EXPECT_EQ(l.Value("s", "b"), "2");
    ASSERT_TRUE(l.store.Save());
    EXPECT_EQ(ReadFile(l.dir / "film.ini"), "[s]\na = 1\nb = 2\n\n[s]\n");
}

TEST(IniConfiguration, SaveKeepsOrderAndDropsEmptyNames)
{
    ScratchDir dir;
    CIniConfiguration store((dir / "film.ini").c_str());
    store.AddSection("images");
    store.AddParameter("images", "location1", "/r/img1.bmp");
    store.AddParameter("images", "", "dropped");
    store.AddParameter("images", "location2", "/r/img2.bmp");
    store.AddSection("");
    store.AddParameter("", "x", "y");
    store.AddSection("empty");
    ASSERT_TRUE(store.Save());
    const std::string expected = "[images]\nlocation1 = /r/img1.bmp\nlocation2 = /r/img2.bmp\n\n[empty]\n";
    EXPECT_EQ(ReadFile(dir / "film.ini"), expected);
    // No temporary file is left beside the list.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // Load, then save again: the same text.
    store.Close();
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile(dir / "film.ini"), expected);
}

TEST(IniConfiguration, LoadOnceUntilCloseAndMissingFile)
{
    ScratchDir dir;
    CIniConfiguration store((dir / "film.ini").c_str());
    EXPECT_FALSE(store.Load());
    EXPECT_EQ(store.GetSectionCount(), 0);
    WriteFile(dir / "film.ini", "[a]\nx = 1\n");
    ASSERT_TRUE(store.Load());
    WriteFile(dir / "film.ini", "[b]\n");
    ASSERT_TRUE(store.Load());   // already loaded: not read again
    EXPECT_EQ(store.GetSectionNameAt(0), "a");
    store.Close();
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetSectionNameAt(0), "b");
}

TEST(IniConfiguration, SaveIntoMissingFolderFailsAndKeepsNothing)
{
    CIniConfiguration store("/nonexistent-folder/film.ini");
    store.AddSection("images");
    EXPECT_FALSE(store.Save());
}

TEST(Configuration, ModelOperations)
{
    ScratchDir dir;
    CIniConfiguration store((dir / "x.ini").c_str());
    EXPECT_FALSE(store.AddParameter("s", "a", "1"));
    store.AddSection("s");
    store.AddParameter("s", "a", "1");
    store.AddParameter("s", "a", "2");
    store.AddParameter("s", "b", "3");
    CString v;
    ASSERT_TRUE(store.GetParameterValue("s", "a", v));
    EXPECT_EQ(v, "1");
    EXPECT_TRUE(store.SetParameterValue("s", "b", "4"));
    EXPECT_FALSE(store.SetParameterValue("s", "c", "4"));
    EXPECT_TRUE(store.RemoveParameter("s", "a"));   // both of them
    EXPECT_FALSE(store.RemoveParameter("s", "a"));
    EXPECT_EQ(store.GetParameterCount("s"), 1);
    EXPECT_EQ(store.GetParameterCount("t"), -1);
    EXPECT_TRUE(store.RenameParameter("s", "b", "c"));
    EXPECT_TRUE(store.RenameSection("s", "t"));
    EXPECT_EQ(store.GetParameterNameAt("t", 0), "c");
    EXPECT_EQ(store.GetParameterNameAt("t", 1), "");
    EXPECT_EQ(store.GetSectionNameAt(5), "");
    EXPECT_TRUE(store.RemoveSection("t"));
    EXPECT_FALSE(store.RemoveSection("t"));
    EXPECT_EQ(store.GetSectionCount(), 0);
}

TEST(Record, IndexOperationsRefuseOutOfRange)
{
    CRecord r("x");
    r.AddField("a", "1");
    CString s;
    EXPECT_FALSE(r.GetFieldName(-1, &s));
    EXPECT_FALSE(r.GetFieldValue(1, &s));
    EXPECT_FALSE(r.SetFieldName(1, "b"));
    EXPECT_TRUE(r.SetFieldValue(0, "2"));
    EXPECT_TRUE(r.GetFieldValue(0, &s));
    EXPECT_EQ(s, "2");
    EXPECT_TRUE(r.RemoveFieldAtIndex(0));
    EXPECT_FALSE(r.RemoveFieldAtIndex(0));
}

// A writer killed at any moment leaves either the old list or a new one, never a part.
TEST(IniConfiguration, KilledWriterNeverLeavesATruncatedFile)
{
    ScratchDir dir;
    const std::string path = dir / "film.ini";
    auto fill = [](CIniConfiguration& store, int round) {
        store.Close();
        store.AddSection("images");
        for (int i = 1; i <= 36; ++i)
            store.AddParameter("images", ("location" + std::to_string(i)).c_str(),
                               ("/roll/" + std::string(200, char('a' + round % 26)) + ".bmp").c_str());
    };
    CIniConfiguration first(path.c_str());
    fill(first, 0);
    ASSERT_TRUE(first.Save());
    const size_t size = ReadFile(path).size();

    for (int attempt = 0; attempt < 5; ++attempt) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CIniConfiguration store(path.c_str());
            for (int round = 1;; ++round) {
                fill(store, round);
                store.Save();
                if (round == 2)
                    (void)!write(ready[1], "x", 1);
            }
        }
        char c;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        usleep(useconds_t(1000 * (attempt + 1)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(ready[0]);
        close(ready[1]);

        std::string text = ReadFile(path);
        ASSERT_EQ(text.size(), size) << "attempt " << attempt;
        CIniConfiguration check(path.c_str());
        ASSERT_TRUE(check.Load());
        EXPECT_EQ(check.GetParameterCount("images"), 36);
    }
}

// The list is written under a name nobody can plant beforehand: a symlink
// waiting at the old fixed temporary name is neither followed nor replaced.
TEST(IniConfiguration, SaveNeverWritesThroughAPlantedName)
{
    ScratchDir dir;
    WriteFile(dir / "victim", "keep me");
    ASSERT_EQ(symlink((dir / "victim").c_str(), (dir / "film.ini.tmp").c_str()), 0);
    CIniConfiguration store((dir / "film.ini").c_str());
    store.AddSection("images");
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile(dir / "victim"), "keep me");
    EXPECT_EQ(ReadFile(dir / "film.ini"), "[images]\n");
}

TEST(IniConfiguration, UnwritableListIsReportedAndUnreadableOneIsNotWaitedOn)
{
    ScratchDir dir;
    // A folder in the list's place cannot be replaced by a file.
    ASSERT_EQ(mkdir((dir / "film.ini").c_str(), 0755), 0);
    CIniConfiguration store((dir / "film.ini").c_str());
    store.AddSection("images");
    EXPECT_FALSE(store.Save());
    store.Close();
    EXPECT_FALSE(store.Load());

    // A FIFO would block a plain open until someone wrote to it.
    ASSERT_EQ(mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    CIniConfiguration fifo((dir / "fifo.ini").c_str());
    EXPECT_FALSE(fifo.Load());
}
