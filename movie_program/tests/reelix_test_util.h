// A movie program started afresh for one test: its own working folder, the
// test-pattern camera (or none), a fake clock and the scripted UI.
#pragma once

#include "ReelixApp.h"
#include "ReelixFrame.h"
#include "ReelixView.h"
#include "capture/test_pattern.h"
#include "framework/Clock.h"
#include "framework/TestUiService.h"
#include "framework/tests/working_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace reelix_test {

using velmora_test::UniqueName;
using velmora_test::WorkingFolder;

// Counts the camera's grabs.
class CountingCamera : public capture::TestPatternDriver {
public:
    bool Grab(capture::Frame& frame, std::string& error, bool& gone) override;
    static inline int grabs = 0;
};

// Drivers installed for a test: the camera, or another make of camera only.
void InstallCamera();
void InstallOtherCameraOnly();
// Every driver's entry gone back to the system's.
void UninstallDrivers();

// The value stored for `section`/`item` in the program's table under the
// working folder, or nullopt when none is there.
std::optional<std::string> StoredValue(const char* section, const char* item);
void StoreValue(const char* section, const char* item, const char* value);

struct ReelixFixture : ::testing::Test {
    ReelixFixture();
    ~ReelixFixture() override;

    // Starts the program: InitInstance. FALSE when it refuses.
    BOOL Start();
    // File > Exit as the user chooses it; TRUE when the frame closed.
    BOOL Exit();
    // Every window gone whatever was asked (the end of a test).
    void Close();
    void Restart();

    CMainFrame* Frame() const { return app->MainFrame(); }
    CReelixView* View() const { return app->View(); }
    CString StorePath() const;

    ScopedFakeClock clock;
    ScopedTestUi ui;
    WorkingFolder folder;
    std::unique_ptr<CReelixApp> app;
};

}  // namespace reelix_test
