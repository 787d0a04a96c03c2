// What the playback tests share: a fake view that records what the player
// asks of it, small movies written on the spot, and the scripted UI service
// on the fake clock.
#pragma once

#include "Player.h"
#include "resource.h"

#include "framework/Clock.h"
#include "framework/Messages.h"
#include "framework/TestUiService.h"
#include "movie/avi_writer.h"
#include "movie/movie_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace playertest {

namespace fs = std::filesystem;

constexpr const char* kNoSound = "velmora_no_such_device";
constexpr int kWidth = 32, kHeight = 24;

class FakeHost : public CPlayerHost {
public:
    CWnd view;
    CWnd* viewWnd = &view;   // a test may put a view on screen instead
    CPlayer* player = nullptr;
    bool playback = false;
    CString workspace;
    bool workspaceHasMovie = true;
    int stops = 0, hides = 0, saved = 0;
    std::vector<CSize> fits;
    std::vector<CString> captions;
    std::vector<UINT> idleTexts;
    std::vector<CPoint> popups;
    struct Greyed {
        int first, last;
        BOOL enable;
    };
    std::vector<Greyed> settings;

    FakeHost()
    {
        view.Create(nullptr, "View", 0, CRect(0, 0, 640, 480));
        view.OnMessage(WM_START_COMPRESSION, [this](WPARAM, LPARAM) {
            if (player)
                player->OnStartCompression();
            return LRESULT(0);
        });
    }
    CWnd* ViewWnd() override { return viewWnd; }
    void StopAnyCapture() override { ++stops; }
    void HideCaptureControls() override { ++hides; }
    void FitFrameToPicture(CSize size) override { fits.push_back(size); }
    void SetFrameCaption(const char* caption) override { captions.push_back(caption); }
    void SetIdleText(UINT id) override { idleTexts.push_back(id); }
    void EnableSettingsItems(int first, int last, BOOL enable) override { settings.push_back({first, last, enable}); }
    BOOL InPlaybackFunction() const override { return playback; }
    void EnterPlaybackFunction() override { playback = true; }
    void ShowPopupMenu(CPoint screen) override { popups.push_back(screen); }
    CString WorkspacePath() const override { return workspace; }
    BOOL WorkspaceHasMovie() const override { return workspaceHasMovie; }
    void WorkspaceSaved() override { ++saved; }
    CCaptureWnd* ConnectedCapture() override { return nullptr; }
};

// A fresh folder of its own for each test, made the current one (so that
// "./name" means a file in it), removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = fs::temp_directory_path() /
                 ("reelix-player-" + std::to_string(::getpid()) + "-" + test->name());
        fs::remove_all(m_path);
        fs::create_directories(m_path);
        m_old = fs::current_path();
        fs::current_path(m_path);
    }
    ~TempFolder()
    {
        std::error_code error;
        fs::current_path(m_old, error);
        fs::remove_all(m_path, error);
    }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
    fs::path m_old;
};

// `frames` 24-bit frames, each a different shade, with a little sound when asked.
inline std::string WriteMovie(const std::string& path, uint32_t frames, bool sound = false, uint8_t shade = 0)
{
    movie::VideoFormat format;
    format.header.biSize = sizeof(BITMAPINFOHEADER);
    format.header.biWidth = kWidth;
    format.header.biHeight = kHeight;
    format.header.biPlanes = 1;
    format.header.biBitCount = 24;
    format.header.biSizeImage = kWidth * kHeight * 3;
    format.microSecPerFrame = 100000;
    movie::AudioFormat audio{1, 8000, 8};
    movie::AviWriter writer;
    EXPECT_EQ(writer.Open(path, format, sound ? &audio : nullptr), movie::kMovieOk);
    for (uint32_t n = 0; n < frames; ++n) {
        const std::vector<uint8_t> bits(format.header.biSizeImage, uint8_t(shade + 20 * n));
        EXPECT_EQ(writer.WriteVideoFrame(bits.data(), bits.size()), movie::kMovieOk);
        if (sound) {
            const std::vector<uint8_t> samples(800, uint8_t(0x80 + n));
            EXPECT_EQ(writer.WriteAudio(samples.data(), samples.size()), movie::kMovieOk);
        }
    }
    EXPECT_EQ(writer.Close(), movie::kMovieOk);
    return path;
}

inline movie::MovieInfo InfoOf(const std::string& path)
{
    movie::MovieReader reader;
    return reader.Open(path) == movie::kMovieOk ? reader.Info() : movie::MovieInfo{};
}

inline std::vector<uint8_t> FrameOf(const std::string& path, uint32_t index)
{
    movie::MovieReader reader;
    std::vector<uint8_t> dib;
    if (reader.Open(path) == movie::kMovieOk)
        reader.ReadFrameDib(index, dib);
    return dib;
}

// The player over the fake view, with its workspace movie recorded.
class PlayerTest : public ::testing::Test {
protected:
    PlayerTest()
    {
        ResetMessageQueue();
        RegisterReelixStrings();
        host.player = &player;
        player.SetSoundDevice(kNoSound);
        host.workspace = (folder / "workspac.avi").c_str();
        WriteMovie(host.workspace.GetString(), 5, true);
    }
    ~PlayerTest() override { player.CloseWindow(); }

    ScopedFakeClock clock;
    ScopedTestUi ui;
    TempFolder folder;
    FakeHost host;
    CPlayer player{host};
};

}  // namespace playertest
