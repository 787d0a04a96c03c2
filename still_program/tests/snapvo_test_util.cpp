#include "snapvo_test_util.h"

#include "Settings.h"
#include "film32.h"

#include <unistd.h>

#include <cstdlib>

namespace snapvo_test {

bool QuietableCamera::Grab(capture::Frame& frame, std::string& error, bool& gone)
{
    ++grabs;
    if (busyMs)
        if (auto* fake = dynamic_cast<FakeClock*>(&ActiveClock()))
            fake->Spend(busyMs);
    if (silent) {
        error = "The camera stopped sending pictures.";
        return false;
    }
    return TestPatternDriver::Grab(frame, error, gone);
}

SnapvoFixture::SnapvoFixture() : folder("snapvo")
{
    static const auto config = velmora_test::UseFreshConfigHome("snapvo-config");
    (void)config;
    ResetMessageQueue();
    snapvo::ResetSettingsForTest();
    QuietableCamera::silent = false;
    QuietableCamera::grabs = 0;
    QuietableCamera::busyMs = 0;
    capture::DriverCatalog::Install({{capture::kTestPatternDescription, capture::kTestPatternVersion,
                                      [] { return std::make_unique<QuietableCamera>(); }}});
}

SnapvoFixture::~SnapvoFixture()
{
    Close();
    capture::DriverCatalog::UseSystem();
    ResetMessageQueue();
}

BOOL SnapvoFixture::Start(const char* aolLibrary)
{
    app = std::make_unique<CSnapvoApp>();
    app->m_pszProfileName = "snapvo32.INI";
    app->m_aolLibraryName = aolLibrary ? aolLibrary : "";
    return app->InitInstance();
}

void SnapvoFixture::Close()
{
    if (!app)
        return;
    if (CMainFrame* frame = app->MainFrame(); frame && frame->m_hWnd)
        frame->Close();
    app->ExitInstance();
    app.reset();
    ResetMessageQueue();
}

void SnapvoFixture::SetCameraBits(WORD bits, LONG width, LONG height)
{
    CLumivex* camera = View()->Camera();
    ASSERT_NE(camera, nullptr);
    std::vector<RGBQUAD> colours = capture::TestPatternDriver::Palette(bits);
    capture::VideoFormat format = capture::MakeFormat(width, height, bits, colours);
    std::vector<BYTE> bytes(format.Bytes());
    std::memcpy(bytes.data(), &format.header, sizeof format.header);
    if (!format.colours.empty())
        std::memcpy(bytes.data() + sizeof format.header, format.colours.data(), format.colours.size() * sizeof(RGBQUAD));
    ASSERT_TRUE(camera->SetVideoFormat(bytes.data(), UINT(bytes.size())));
    BITMAPINFOHEADER* now = camera->GetFormat();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->biBitCount, bits);
    std::free(now);
    camera->GetBrightness();   // any driver command brings the picture size along
}

int SnapvoFixture::RollEntries() const
{
    int n = 0;
    for (int i = 1; i <= 36; ++i)
        n += std::filesystem::exists(folder.Path() / "film" / ("img" + std::to_string(i) + ".bmp")) ? 1 : 0;
    return n;
}

int SnapvoFixture::SoundsNamed(const char* name)
{
    int n = 0;
    const std::string wanted(name);
    for (const CString& s : ui->sounds) {
        const std::string played(s.GetString());
        n += played.size() >= wanted.size() && played.compare(played.size() - wanted.size(), wanted.size(), wanted) == 0;
    }
    return n;
}

}  // namespace snapvo_test
