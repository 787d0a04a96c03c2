// A still program started afresh for one test: its own working folder, the
// test-pattern camera (which can fall silent), a fake clock and the test UI.
#pragma once

#include "MainFrm.h"
#include "SnapvoApp.h"
#include "SnapvoView.h"
#include "capture/test_pattern.h"
#include "framework/Clock.h"
#include "framework/TestUiService.h"
#include "framework/tests/working_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace snapvo_test {

using velmora_test::UniqueName;
using velmora_test::WorkingFolder;

class QuietableCamera : public capture::TestPatternDriver {
public:
    bool Grab(capture::Frame& frame, std::string& error, bool& gone) override;
    static inline bool silent = false;
    static inline int grabs = 0;
    // Each grab keeps the program busy this long (on the fake clock).
    static inline DWORD busyMs = 0;
};

struct SnapvoFixture : ::testing::Test {
    SnapvoFixture();
    ~SnapvoFixture() override;

    // Starts the program: InitInstance. FALSE when it refuses.
    BOOL Start(const char* aolLibrary = "libmissing-mail.so");
    void Close();
    // The camera's picture depth (24, 16, 8 or 4).
    void SetCameraBits(WORD bits, LONG width = 160, LONG height = 120);
    int RollEntries() const;
    int SoundsNamed(const char* name);

    CMainFrame* Frame() const { return app->MainFrame(); }
    CSnapvoView* View() const { return app->View(); }

    ScopedFakeClock clock;
    ScopedTestUi ui;
    WorkingFolder folder;
    std::unique_ptr<CSnapvoApp> app;
};

}  // namespace snapvo_test
