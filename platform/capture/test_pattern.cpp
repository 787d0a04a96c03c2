#include "capture/test_pattern.h"

#include "capture/camera_dialogs.h"
#include "framework/Clock.h"
#include "framework/UiService.h"

namespace capture {

TestPatternDriver::TestPatternDriver() : m_format(MakeFormat(160, 120, 24)) {}

bool TestPatternDriver::Connect(std::string&) { return true; }
void TestPatternDriver::Disconnect() {}

VideoFormat TestPatternDriver::Format() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_format;
}

std::vector<SIZE> TestPatternDriver::Sizes()
{
    std::vector<SIZE> sizes{{160, 120}, {320, 240}, {640, 480}};
    CSize screen = Ui().ScreenSize();
    if (screen.cx > 0 && screen.cy > 0 && screen.cx <= 4096 && screen.cy <= 4096)
        sizes.push_back({screen.cx, screen.cy});
    return sizes;
}

bool TestPatternDriver::SetFormat(BITMAPINFOHEADER& header, const std::vector<RGBQUAD>&)
{
    std::lock_guard<std::mutex> guard(m_lock);
    switch (DriverCommandCode(header)) {
    case kCmdSetBrightness:
        m_settings.brightness = std::clamp<WORD>(DriverCommandArgument(header), 1, 255);
        SetDriverResult(header, 0);
        return true;
    case kCmdGetBrightness:
        SetDriverResult(header, m_settings.brightness);
        return true;
    case kCmdGetAutoBrightness:
        SetDriverResult(header, m_settings.autoBrightness ? 1 : 0);
        return true;
    default:
        break;
    }
    if (header.biCompression != BI_RGB || !DepthOffered(header.biBitCount))
        return false;
    for (const SIZE& s : Sizes()) {
        if (s.cx == header.biWidth && s.cy == header.biHeight) {
            m_format = MakeFormat(s.cx, s.cy, header.biBitCount, Palette(header.biBitCount));
            return true;
        }
    }
    return false;
}

bool TestPatternDriver::Grab(Frame& frame, std::string&, bool&)
{
    std::lock_guard<std::mutex> guard(m_lock);
    BYTE tone[256];
    MakeToneTable(m_settings, tone);
    DrawTestPattern(m_canvas, m_format.header.biWidth, m_format.header.biHeight, m_frames, GetTickCount());
    frame.format = m_format;
    frame.number = m_frames++;
    PackCanvas(m_canvas, m_format, tone, frame.bits);
    return true;
}

TestPatternSettings TestPatternDriver::Settings() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_settings;
}

void TestPatternDriver::SetSettings(const TestPatternSettings& settings)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_settings = settings;
    m_settings.brightness = std::clamp<WORD>(m_settings.brightness, 1, 255);
    m_settings.contrast = std::clamp<WORD>(m_settings.contrast, 1, 255);
}

bool TestPatternDriver::SourceDialog(CWnd* owner)
{
    CameraSourceDialog dialog(owner);
    dialog.settings = Settings();
    if (dialog.DoModal() != 1)
        return false;
    SetSettings(dialog.settings);
    return true;
}

bool TestPatternDriver::FormatDialog(CWnd* owner)
{
    CameraFormatDialog dialog(owner);
    const VideoFormat current = Format();
    dialog.sizes = Sizes();
    dialog.size = {current.header.biWidth, current.header.biHeight};
    dialog.bits = current.header.biBitCount;
    if (dialog.DoModal() != 1)
        return false;
    VideoFormat wanted = MakeFormat(dialog.size.cx, dialog.size.cy, dialog.bits);
    return SetFormat(wanted.header, {});
}

DriverEntry TestPatternEntry()
{
    return {kTestPatternDescription, kTestPatternVersion, [] { return std::make_unique<TestPatternDriver>(); }};
}

}  // namespace capture
