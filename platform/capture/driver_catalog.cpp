#include "capture/driver.h"

#include "capture/test_pattern.h"
#include "capture/v4l2_driver.h"

#include <cstring>
#include <optional>

namespace capture {

VideoFormat MakeFormat(LONG width, LONG height, WORD bits, std::vector<RGBQUAD> colours)
{
    VideoFormat f;
    f.header.biSize = sizeof(BITMAPINFOHEADER);
    f.header.biWidth = width;
    f.header.biHeight = height;
    f.header.biPlanes = 1;
    f.header.biBitCount = bits;
    f.header.biCompression = BI_RGB;
    f.header.biSizeImage = DibStride(width, bits) * uint32_t(height);
    f.header.biClrUsed = DWORD(colours.size());
    f.colours = std::move(colours);
    return f;
}

namespace {

struct CatalogState {
    std::mutex lock;
    std::optional<std::vector<DriverEntry>> installed;
    std::optional<std::vector<DriverEntry>> system;
};

CatalogState& State()
{
    static CatalogState* state = new CatalogState;   // outlives statics that use it at exit
    return *state;
}

std::vector<DriverEntry> ScanSystem()
{
    std::vector<DriverEntry> entries = V4l2Entries(SystemDeviceLayer());
    if (entries.size() > size_t(kCapMaxDrivers - 1))
        entries.resize(kCapMaxDrivers - 1);
    entries.push_back(TestPatternEntry());
    return entries;
}

}  // namespace

std::vector<DriverEntry> DriverCatalog::Entries()
{
    CatalogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.installed)
        return *s.installed;
    if (!s.system)
        s.system = ScanSystem();
    return *s.system;
}

void DriverCatalog::Install(std::vector<DriverEntry> entries)
{
    CatalogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (entries.size() > size_t(kCapMaxDrivers))
        entries.resize(kCapMaxDrivers);
    s.installed = std::move(entries);
}

void DriverCatalog::UseSystem()
{
    CatalogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.installed.reset();
}

void DriverCatalog::Rescan()
{
    CatalogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.system.reset();
}

}  // namespace capture

namespace {
void CopyText(LPSTR dest, int length, const std::string& text)
{
    if (!dest || length <= 0)
        return;
    size_t n = std::min(text.size(), size_t(length - 1));
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}
}  // namespace

BOOL capGetDriverDescription(WORD index, LPSTR name, int nameLength, LPSTR version, int versionLength)
{
    std::vector<capture::DriverEntry> entries = capture::DriverCatalog::Entries();
    if (index >= entries.size())
        return FALSE;
    CopyText(name, nameLength, entries[index].description);
    CopyText(version, versionLength, entries[index].version);
    return TRUE;
}
