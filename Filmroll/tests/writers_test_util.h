// Pictures and folders for the writer tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace filmtest {

// A BMP file: `bits` 4, 8 or 24; `os2` uses the 12-byte header. Pixels are a
// smooth blend (24 bits) or index (x + y) % colours, with a grey-ramp palette.
std::vector<uint8_t> MakeBmp(int width, int height, int bits, bool os2 = false);
// The blend's colour at (x, y), top row 0: red, green, blue.
void BlendAt(int x, int y, uint8_t rgb[3]);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A fresh folder, removed again at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }
    // Names of the files in it, sorted.
    std::vector<std::string> Files() const;

private:
    std::filesystem::path m_path;
};

// Puts a stand-in `xdg-email` first on PATH for as long as it lives: it writes
// its arguments to `folder`/args.txt (complete when the file appears).
class FakeMailProgram {
public:
    explicit FakeMailProgram(const std::filesystem::path& folder);
    ~FakeMailProgram();
    FakeMailProgram(const FakeMailProgram&) = delete;
    FakeMailProgram& operator=(const FakeMailProgram&) = delete;

private:
    std::string m_oldPath;
};

} // namespace filmtest
