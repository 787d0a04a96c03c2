#include "DataFiles.h"
#include "Help.h"
#include "Sounds.h"
#include "files_test_util.h"

#include "audio/wave_file.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

using namespace filmtest;
namespace fs = std::filesystem;

namespace {

class ShippedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* f : {"work", "program", "program/sounds", "program/help", "installed/sounds",
                              "installed/help"})
            fs::create_directories(dir / f);
        SetSnapvoDataPlaces(CString((dir / "program").string()), CString((dir / "installed").string()));
    }
    void TearDown() override { SetSnapvoDataPlaces(CString(), CString()); }
    CString Work() const { return CString((dir / "work").string()); }
    void Put(const std::string& relative) { WriteBytes(dir / relative, {'R', 'I', 'F', 'F'}); }

    TempFolder dir;
};

TEST_F(ShippedFiles, SoundsAreLookedUpWorkingFolderFirst)
{
    EXPECT_TRUE(FindSoundFile("low.wav", Work()).IsEmpty());
    Put("installed/sounds/low.wav");
    EXPECT_EQ(FindSoundFile("low.wav", Work()), CString((dir / "installed/sounds/low.wav").string()));
    Put("program/sounds/low.wav");
    EXPECT_EQ(FindSoundFile("low.wav", Work()), CString((dir / "program/sounds/low.wav").string()));
    Put("program/low.wav");
    EXPECT_EQ(FindSoundFile("low.wav", Work()), CString((dir / "program/low.wav").string()));
    Put("work/low.wav");
    EXPECT_EQ(FindSoundFile("low.wav", Work()), CString((dir / "work/low.wav").string()));
    // A folder of that name is not a sound.
    fs::create_directories(dir / "work/high.wav");
    EXPECT_TRUE(FindSoundFile("high.wav", Work()).IsEmpty());
}

TEST_F(ShippedFiles, PlayingGoesThroughTheServiceAsynchronously)
{
    ScopedTestUi ui;
    Put("program/sounds/CLICK.WAV");
    EXPECT_TRUE(PlayProgramSound("CLICK.WAV", Work()));
    ASSERT_EQ(ui->sounds.size(), 1u);
    EXPECT_EQ(ui->sounds[0], CString((dir / "program/sounds/CLICK.WAV").string()));
    EXPECT_FALSE(PlayProgramSound("missing.wav", Work()));
    EXPECT_EQ(ui->sounds.size(), 1u);
    // Without a sound device the call fails quietly.
    ui->soundsAvailable = false;
    EXPECT_FALSE(PlayProgramSound("CLICK.WAV", Work()));
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(ShippedFiles, HelpIsFoundTheSameWay)
{
    EXPECT_TRUE(SnapvoHelpPath(Work()).IsEmpty());
    Put("installed/help/index.html");
    EXPECT_EQ(SnapvoHelpPath(Work()), CString((dir / "installed/help/index.html").string()));
    // An installed tree moved elsewhere: share/ beside the program's bin/.
    fs::create_directories(dir / "share/snapvo32/help");
    Put("share/snapvo32/help/index.html");
    EXPECT_EQ(SnapvoHelpPath(Work()), CString((dir / "program/../share/snapvo32/help/index.html").string()));
    Put("program/help/index.html");
    EXPECT_EQ(SnapvoHelpPath(Work()), CString((dir / "program/help/index.html").string()));
}

TEST(BuiltData, SoundsAndHelpLieBesideTheProgram)
{
    // The build tree's folder is where the program is built.
    SetSnapvoDataPlaces(CString(SNAPVO_BUILT_DATA), CString("/nonexistent"));
    for (const char* name : {"CLICK.WAV", "low.wav", "high.wav"}) {
        SCOPED_TRACE(name);
        CString path = FindSoundFile(name, CString("/nonexistent"));
        ASSERT_FALSE(path.IsEmpty());
        std::vector<uint8_t> bytes = ReadBytes(path.GetString());
        audio::WaveInfo info;
        ASSERT_EQ(audio::ParseWave(bytes.data(), bytes.size(), info), audio::kWaveOk);
        double seconds = double(info.dataBytes) / double(info.samplesPerSec * info.channels * info.bitsPerSample / 8);
        EXPECT_GT(seconds, 0.05);
        EXPECT_LT(seconds, 0.3);
    }
    EXPECT_FALSE(SnapvoHelpPath(CString("/nonexistent")).IsEmpty());
    SetSnapvoDataPlaces(CString(), CString());
}

} // namespace
