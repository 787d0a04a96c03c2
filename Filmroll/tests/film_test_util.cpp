#include "film_test_util.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

ScratchDir::ScratchDir()
{
    char tmpl[] = "/tmp/filmroll-XXXXXX";
    m_path = mkdtemp(tmpl);
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::vector<char> MakeBmp(int width, int height, unsigned char shade)
{
    int stride = (width * 3 + 3) / 4 * 4;
    uint32_t pixels = uint32_t(stride * height);
    std::vector<char> b(54 + pixels, char(shade));
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, uint32_t(b.size()));   // file size
    put32(6, 0);                    // reserved
    put32(10, 54);                  // pixel offset
    put32(14, 40);                  // info header size
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    put16(26, 1);                   // planes
    put16(28, 24);                  // bits per pixel
    put32(30, 0);                   // no compression
    put32(34, pixels);
    put32(38, 2835);
    put32(42, 2835);
    put32(46, 0);                   // colours used
    put32(50, 0);                   // important colours
    return b;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void WriteFile(const std::string& path, const std::vector<char>& bytes)
{
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}
