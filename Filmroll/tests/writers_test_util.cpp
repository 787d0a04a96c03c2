#include "writers_test_util.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace fs = std::filesystem;

namespace filmtest {

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x)
{
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    Put16(v, at, uint16_t(x));
    Put16(v, at + 2, uint16_t(x >> 16));
}

} // namespace

void BlendAt(int x, int y, uint8_t rgb[3])
{
    rgb[0] = uint8_t(40 + x * 4);
    rgb[1] = uint8_t(30 + y * 5);
    rgb[2] = uint8_t(200 - x - y);
}

std::vector<uint8_t> MakeBmp(int width, int height, int bits, bool os2)
{
    size_t headerSize = os2 ? 12 : 40;
    size_t colours = bits == 24 ? 0 : (size_t(1) << bits);
    size_t entrySize = os2 ? 3 : 4;
    size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    size_t offset = 14 + headerSize + colours * entrySize;
    std::vector<uint8_t> f(offset + stride * height, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, uint32_t(f.size()));
    Put32(f, 10, uint32_t(offset));                   // pixels after the map
    Put32(f, 14, uint32_t(headerSize));
    if (os2) {
        Put16(f, 18, uint16_t(width));
        Put16(f, 20, uint16_t(height));
        Put16(f, 22, 1);                               // planes
        Put16(f, 24, uint16_t(bits));
    } else {
        Put32(f, 18, uint32_t(width));
        Put32(f, 22, uint32_t(height));                // bottom-up
        Put16(f, 26, 1);                               // planes
        Put16(f, 28, uint16_t(bits));
        Put32(f, 34, uint32_t(stride * height));       // image size; compression 0
    }
    for (size_t i = 0; i < colours; ++i) {
        uint8_t grey = uint8_t(i * 255 / (colours - 1));
        std::memset(&f[14 + headerSize + i * entrySize], grey, 3);
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &f[offset + size_t(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                uint8_t rgb[3];
                BlendAt(x, y, rgb);
                row[x * 3] = rgb[2];
                row[x * 3 + 1] = rgb[1];
                row[x * 3 + 2] = rgb[0];
            } else if (bits == 8) {
                row[x] = uint8_t((x + y) % 256);
            } else {
                uint8_t index = uint8_t((x + y) % 16);
                row[x / 2] |= x % 2 ? index : uint8_t(index << 4);
            }
        }
    }
    return f;
}

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TempFolder::TempFolder()
{
    static int count = 0;
    m_path = fs::temp_directory_path() / ("film_writers_" + std::to_string(getpid()) + "_" + std::to_string(++count));
    fs::create_directories(m_path);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::vector<std::string> TempFolder::Files() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

FakeMailProgram::FakeMailProgram(const fs::path& folder)
    : m_oldPath(std::getenv("PATH") ? std::getenv("PATH") : "")
{
    const fs::path program = folder / "bin" / "xdg-email";
    fs::create_directories(program.parent_path());
    // Written under another name and renamed, so a reader never sees half of it.
    std::ofstream(program) << "#!/bin/sh\necho \"$@\" > \"" + (folder / "args.tmp").string() + "\"\nmv \"" +
                                  (folder / "args.tmp").string() + "\" \"" + (folder / "args.txt").string() + "\"\n";
    fs::permissions(program, fs::perms::owner_all);
    setenv("PATH", (program.parent_path().string() + ":/usr/bin:/bin").c_str(), 1);
}

FakeMailProgram::~FakeMailProgram()
{
    setenv("PATH", m_oldPath.c_str(), 1);
}

} // namespace filmtest
