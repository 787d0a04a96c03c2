#include "test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace vtest {

std::vector<uint8_t> MakeDib(int width, int height, int bits,
                             const std::function<uint32_t(int, int)>& value,
                             const std::vector<RGBQUAD>& table)
{
    const uint32_t entries = bits <= 8 ? 1u << bits : 0;
    const uint32_t stride = DibRowBytes(width, WORD(bits));
    std::vector<uint8_t> dib(40 + 4 * entries + size_t(stride) * height, 0);
    BITMAPINFOHEADER h{40, width, height, 1, WORD(bits), BI_RGB, stride * uint32_t(height), 0, 0, 0, 0};
    std::memcpy(dib.data(), &h, sizeof h);
    auto* t = reinterpret_cast<RGBQUAD*>(dib.data() + 40);
    for (uint32_t i = 0; i < entries; ++i) {
        if (i < table.size())
            t[i] = table[i];
        else {
            uint8_t g = uint8_t(i * 255 / (entries - 1));
            t[i] = RGBQUAD{uint8_t(255 - g), g, uint8_t(i * 37), 0};
        }
    }
    uint8_t* rows = dib.data() + 40 + 4 * entries;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = rows + size_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            uint32_t v = value(x, y);
            switch (bits) {
            case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = uint8_t(v); break;
            default:
                row[3 * x] = uint8_t(v);
                row[3 * x + 1] = uint8_t(v >> 8);
                row[3 * x + 2] = uint8_t(v >> 16);
            }
        }
    }
    return dib;
}

IMG_HANDLE FromDib(const std::vector<uint8_t>& dib)
{
    IMG_HANDLE h = 0;
    if (IMG_create_handle(&h, reinterpret_cast<const BITMAPINFO*>(dib.data())) < 0)
        return 0;
    return h;
}

std::vector<uint8_t> SaveMem(IMG_HANDLE handle, int type, int* result)
{
    std::vector<uint8_t> out(64 << 20);
    uint32_t written = 0;
    int r = IMG_save_bitmap_mem_len(handle, out.data(), uint32_t(out.size()), int16_t(type), &written);
    if (result)
        *result = r;
    out.resize(r < 0 ? 0 : written);
    return out;
}

IMG_HANDLE LoadMem(const std::vector<uint8_t>& bytes, int* result, int16_t page)
{
    IMG_HANDLE h = 0;
    int r = IMG_decompress_bitmap_mem_len(&h, bytes.data(), uint32_t(bytes.size()), page);
    if (result)
        *result = r;
    return r < 0 ? 0 : h;
}

namespace {
// A line of /proc/self/status ("VmHWM", "VmRSS") in kilobytes, -1 when missing.
long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::atol(line.c_str() + key.size());
    return -1;
}
}   // namespace

ChildLoad LoadInChild(const std::vector<uint8_t>& bytes)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {IMG_ERR_MEMORY, -1};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        // Starts the peak afresh at what the child holds now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKb("VmRSS");
        long report[2] = {0, 0};
        IMG_HANDLE h = 0;
        report[0] = IMG_decompress_bitmap_mem_len(&h, bytes.data(), uint32_t(bytes.size()), 0);
        report[1] = (StatusKb("VmHWM") - before) / 1024;
        ssize_t put = write(fds[1], report, sizeof report);
        _exit(put == ssize_t(sizeof report) ? 0 : 1);
    }
    close(fds[1]);
    long report[2] = {IMG_ERR_MEMORY, -1};
    ssize_t got = pid > 0 ? read(fds[0], report, sizeof report) : 0;
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    if (got != ssize_t(sizeof report))
        return {IMG_ERR_MEMORY, -1};
    return {int(report[0]), report[1]};
}

IMG_HANDLE LoadFile(const std::string& path)
{
    IMG_HANDLE h = 0;
    return IMG_decompress_bitmap(&h, path.c_str()) < 0 ? 0 : h;
}

int SaveDib(const std::vector<uint8_t>& dib, const std::string& path, int type)
{
    IMG_HANDLE h = FromDib(dib);
    const int result = IMG_save_bitmap(h, path.c_str(), uint16_t(type));
    IMG_delete_bitmap(h);
    return result;
}

Info InfoOf(IMG_HANDLE handle)
{
    uint16_t w = 0, h = 0, b = 0;
    IMG_bitmap_info(nullptr, handle, &w, &h, &b);
    return Info{w, h, b};
}

uint32_t RawAt(IMG_HANDLE handle, int x, int y)
{
    HGLOBAL store = nullptr;
    uint16_t w = 0, h = 0, bits = 0;
    IMG_bitmap_info(&store, handle, &w, &h, &bits);
    const uint8_t* dib = static_cast<const uint8_t*>(GlobalLock(store));
    const uint32_t entries = bits <= 8 ? 1u << bits : 0;
    const uint8_t* row = dib + 40 + 4 * entries + size_t(h - 1 - y) * DibRowBytes(w, bits);
    GlobalUnlock(store);
    switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
    case 8: return row[x];
    default: return uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
    }
}

uint32_t ColourAt(IMG_HANDLE handle, int x, int y)
{
    HGLOBAL store = nullptr;
    uint16_t bits = 0;
    IMG_bitmap_info(&store, handle, nullptr, nullptr, &bits);
    uint32_t v = RawAt(handle, x, y);
    if (bits == 24)
        return v;
    const auto* t = reinterpret_cast<const RGBQUAD*>(GlobalBytes(store).data() + 40);
    return uint32_t(t[v].rgbRed) << 16 | uint32_t(t[v].rgbGreen) << 8 | t[v].rgbBlue;
}

std::string CompareColours(IMG_HANDLE a, IMG_HANDLE b)
{
    Info ia = InfoOf(a), ib = InfoOf(b);
    if (ia.width != ib.width || ia.height != ib.height)
        return "sizes differ: " + std::to_string(ia.width) + "x" + std::to_string(ia.height) + " vs " +
               std::to_string(ib.width) + "x" + std::to_string(ib.height);
    for (int y = 0; y < ia.height; ++y)
        for (int x = 0; x < ia.width; ++x) {
            uint32_t ca = ColourAt(a, x, y), cb = ColourAt(b, x, y);
            if (ca != cb) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d,%d): %06X vs %06X", x, y, ca, cb);
                return text;
            }
        }
    return "";
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string TempPath(const std::string& name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/vantor_" + std::to_string(getpid()) + "_" + name;
}

FileTest::~FileTest()
{
    for (const auto& f : made_)
        unlink(f.c_str());
}

std::string FileTest::Temp(const std::string& name)
{
    made_.push_back(TempPath(prefix_ + name));
    unlink(made_.back().c_str());
    return made_.back();
}

bool HaveProgram(const std::string& path)
{
    return access(path.c_str(), X_OK) == 0;
}

std::string ConvertProgram()
{
    for (const char* path : {"/usr/bin/convert", "/usr/local/bin/convert"})
        if (HaveProgram(path))
            return path;
    return "";
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

bool Shell(const std::string& command, std::string* errors)
{
    if (!errors)
        return std::system((command + " 2>/dev/null").c_str()) == 0;
    const std::string errorFile = TempPath("shell_stderr.txt");
    const int status = std::system((command + " 2>" + Quoted(errorFile)).c_str());
    const auto said = ReadFile(errorFile);
    *errors = std::string(said.begin(), said.end());
    unlink(errorFile.c_str());
    return status == 0;
}

std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* p = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            text.append(buf, n);
        pclose(p);
    }
    return text;
}

IMG_HANDLE MagickDecode(const std::string& path, const std::string& reference, const std::string& options,
                        const std::string& readOptions)
{
    if (!Shell(ConvertProgram() + " " + readOptions + " " + Quoted(path) + " " + options +
               " -type truecolor BMP3:" + Quoted(reference)))
        return 0;
    return LoadFile(reference);
}

std::string PillowPython()
{
    // Debian's own interpreter: another one on the path lacks the Debian module.
    const std::string python = "/usr/bin/python3";
    return HaveProgram(python) && Shell(python + " -c 'import PIL.Image'") ? python : "";
}

std::string FfmpegProgram()
{
    for (const char* path : {"/usr/bin/ffmpeg", "/usr/local/bin/ffmpeg"})
        if (HaveProgram(path))
            return path;
    return "";
}

IMG_HANDLE PillowDecode(const std::string& path, const std::string& reference)
{
    const std::string script = "import sys; from PIL import Image; "
                               "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2], 'BMP')";
    if (!Shell(PillowPython() + " -c \"" + script + "\" " + Quoted(path) + " " + Quoted(reference)))
        return 0;
    return LoadFile(reference);
}

IMG_HANDLE FfmpegDecode(const std::string& path, const std::string& reference, std::string* errors)
{
    std::string said;
    const bool ok = Shell(FfmpegProgram() + " -v warning -nostdin -y -i " + Quoted(path) +
                              " -frames:v 1 -update 1 -c:v bmp -pix_fmt bgr24 " + Quoted(reference),
                          &said);
    if (errors)
        *errors = said;
    return ok ? LoadFile(reference) : 0;
}

}   // namespace vtest
