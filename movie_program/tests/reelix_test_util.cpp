#include "reelix_test_util.h"

#include "ReelixSettings.h"
#include "keystore/keystore.h"
#include "resource.h"

#include <unistd.h>

#include <cstdlib>

namespace reelix_test {

bool CountingCamera::Grab(capture::Frame& frame, std::string& error, bool& gone)
{
    ++grabs;
    return TestPatternDriver::Grab(frame, error, gone);
}

void InstallCamera()
{
    capture::DriverCatalog::Install({{capture::kTestPatternDescription, capture::kTestPatternVersion,
                                      [] { return std::make_unique<CountingCamera>(); }}});
}

void InstallOtherCameraOnly()
{
    capture::DriverCatalog::Install(
        {{"Other Maker Webcam", "1.0", [] { return std::make_unique<capture::TestPatternDriver>(); }}});
}

void UninstallDrivers() { capture::DriverCatalog::UseSystem(); }

namespace {
std::string SectionPath(const char* section)
{
    const std::string cwd = std::filesystem::current_path().string();
    return cwd + "\\reelix32.INI\\" + section;
}
}  // namespace

std::optional<std::string> StoredValue(const char* section, const char* item)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, SectionPath(section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char buffer[512] = {};
    DWORD size = sizeof buffer, type = 0;
    const LONG result = RegQueryValueExA(key, item, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buffer);
}

void StoreValue(const char* section, const char* item, const char* value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, SectionPath(section).c_str(), &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, item, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

ReelixFixture::ReelixFixture() : folder("reelix")
{
    static const auto config = velmora_test::UseFreshConfigHome("reelix-config");
    (void)config;
    ResetMessageQueue();
    reelix::ResetSettingsForTest();
    CountingCamera::grabs = 0;
    InstallCamera();
}

ReelixFixture::~ReelixFixture()
{
    Close();
    UninstallDrivers();
    ResetMessageQueue();
}

BOOL ReelixFixture::Start()
{
    app = std::make_unique<CReelixApp>();
    app->m_pszProfileName = "reelix32.INI";
    return app->InitInstance();
}

BOOL ReelixFixture::Exit()
{
    Frame()->ExecuteCommand(ID_APP_EXIT_MOVIE);
    app->RunPendingAndIdle(10);
    return Frame()->m_hWnd == nullptr;
}

void ReelixFixture::Close()
{
    if (!app)
        return;
    if (CMainFrame* frame = app->MainFrame(); frame && frame->m_hWnd)
        frame->DestroyWindow();
    app->ExitInstance();
    app.reset();
    ResetMessageQueue();
}

void ReelixFixture::Restart()
{
    Close();
    reelix::ResetSettingsForTest();
    ASSERT_TRUE(Start());
}

CString ReelixFixture::StorePath() const { return CMainFrame::StorePath(folder.Path().c_str(), "reelix32.INI"); }

}  // namespace reelix_test
