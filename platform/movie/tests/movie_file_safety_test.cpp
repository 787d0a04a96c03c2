// The capture file lives at a name the user chose, often in a shared folder,
// and the movies played back come from anywhere: neither a planted symlink
// nor a FIFO named like a movie may be written through or waited on.
#include "movie/movie_reader.h"
#include "movie_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

using namespace movie;
using namespace movietest;

namespace fs = std::filesystem;

namespace {

std::string Text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int WriteOneFrame(const std::string& path)
{
    const VideoFormat format = MakeFormat(16, 8, 24);
    AviWriter writer;
    int rc = writer.Open(path, format, nullptr);
    if (rc != kMovieOk)
        return rc;
    auto bits = MakeFrame(format, 0);
    rc = writer.WriteVideoFrame(bits.data(), bits.size());
    const int closed = writer.Close();
    return rc != kMovieOk ? rc : closed;
}

// A name that is a symlink to a file someone else cares about.
struct PlantedLink : ::testing::Test {
    void SetUp() override
    {
        victim = TempPath("victim.avi");
        link = TempPath("workspac.avi");
        fs::remove(link);
        ASSERT_EQ(WriteOneFrame(victim), kMovieOk);
        before = Text(victim);
        fs::create_symlink(victim, link);
    }
    void TearDown() override { fs::remove(link); }

    std::string victim, link, before;
};

TEST_F(PlantedLink, CaptureFileAtALinkIsNeitherReservedNorWrittenThrough)
{
    EXPECT_EQ(Preallocate(link, 1 << 20), kMovieCannotCreate);
    EXPECT_EQ(WriteOneFrame(link), kMovieCannotCreate);
    EXPECT_EQ(Text(victim), before);
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(PlantedLink, SavingTheCaptureFileRefusesALinkButPlaybackMayFollowOne)
{
    const std::string copy = TempPath("saved.avi");
    fs::remove(copy);
    EXPECT_EQ(CopyMovie(link, copy), kMovieBadFile);
    EXPECT_FALSE(fs::exists(copy));
    MovieReader reader;
    EXPECT_EQ(reader.Open(link, false), kMovieBadFile);
    EXPECT_EQ(reader.Open(link), kMovieOk);
    EXPECT_EQ(reader.Info().frames, 1u);
}

TEST(MovieFileKinds, FifosAndFoldersAreRefusedAtOnce)
{
    const std::string fifo = TempPath("fifo.avi");
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = TempPath("folder.avi");
    fs::create_directories(folder);
    for (const std::string& path : {fifo, folder}) {
        SCOPED_TRACE(path);
        MovieReader reader;
        EXPECT_EQ(reader.Open(path), kMovieBadFile);
        EXPECT_EQ(Preallocate(path, 1000), kMovieCannotCreate);
        EXPECT_EQ(WriteOneFrame(path), kMovieCannotCreate);
        EXPECT_EQ(CopyMovie(path, TempPath("from-odd.avi")), kMovieBadFile);
    }
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
    fs::remove(fifo);
}

}  // namespace
