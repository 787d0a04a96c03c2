// The built-in camera every machine has: a moving picture of colour bars, a
// clock and the frame number, so the suite runs and is testable with no camera.
#pragma once

#include "capture/driver.h"

namespace capture {

inline constexpr const char* kTestPatternDescription = "Lumivex Test Pattern Camera";
inline constexpr const char* kTestPatternVersion = "Version 1.0";

struct TestPatternSettings {
    WORD brightness = 128;   // 1..255, 128 leaves the picture as drawn
    WORD contrast = 128;     // 1..255
    bool autoBrightness = false;
};

class TestPatternDriver : public Driver {
public:
    TestPatternDriver();
    bool Connect(std::string& error) override;
    void Disconnect() override;
    VideoFormat Format() const override;
    bool SetFormat(BITMAPINFOHEADER& header, const std::vector<RGBQUAD>& colours) override;
    bool Grab(Frame& frame, std::string& error, bool& gone) override;
    bool HasSourceDialog() const override { return true; }
    bool HasFormatDialog() const override { return true; }
    bool SourceDialog(CWnd* owner) override;
    bool FormatDialog(CWnd* owner) override;

    TestPatternSettings Settings() const;
    void SetSettings(const TestPatternSettings& settings);
    // The sizes offered: 160x120, 320x240, 640x480 and the screen's.
    static std::vector<SIZE> Sizes();
    static bool DepthOffered(WORD bits) { return bits == 24 || bits == 16 || bits == 8 || bits == 4; }
    static std::vector<RGBQUAD> Palette(WORD bits);

private:
    mutable std::mutex m_lock;
    VideoFormat m_format;
    TestPatternSettings m_settings;
    DWORD m_frames = 0;
    std::vector<BYTE> m_canvas;   // top-down RGB, reused
};

DriverEntry TestPatternEntry();

// Draws frame `number` at `tickMs` into a top-down RGB canvas of width x height.
void DrawTestPattern(std::vector<BYTE>& rgb, int width, int height, DWORD number, DWORD tickMs);
// Converts a top-down RGB canvas into bottom-up DIB rows of the format, after
// the brightness and contrast table.
void PackCanvas(const std::vector<BYTE>& rgb, const VideoFormat& format, const BYTE tone[256], std::vector<BYTE>& bits);
void MakeToneTable(const TestPatternSettings& settings, BYTE tone[256]);

}  // namespace capture
