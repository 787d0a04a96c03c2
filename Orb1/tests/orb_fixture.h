// A library initialised for one application, on a fake clock with a scripted UI.
#pragma once

#include "Mwinapp.h"
#include "framework/Clock.h"
#include "framework/MultimediaTimer.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

struct OrbFixture : ::testing::Test {
    OrbFixture()
    {
        ResetMessageQueue();
        ResetMultimediaTimerDevice();
        EXPECT_TRUE(app.InitializeOrb());
    }
    ~OrbFixture() override
    {
        app.UninitializeOrb();
        ResetMultimediaTimerDevice();
        ResetMessageQueue();
    }
    DWORD Elapsed() const { return GetTickCount() - start; }

    ScopedFakeClock clock;
    ScopedTestUi ui;
    MWinApp app{"orbtest"};
    DWORD start = GetTickCount();
};
