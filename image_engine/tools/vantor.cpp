// vantor: the image engine from the command line.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "types/SafeFile.h"
#include "vantor32.h"

namespace {

enum Exit { kOk = 0, kEngineError = 1, kUsage = 2 };

const char kHelp[] =
    "usage: vantor COMMAND ARGUMENTS\n"
    "\n"
    "  info FILE                         type, size and depth of a picture file\n"
    "  convert IN OUT [--type N] [--page N]\n"
    "                                    load IN (page N of a multi-page file) and save\n"
    "                                    it as OUT, of type N or by OUT's extension\n"
    "  convert IN... --out DIR --type N [--page N]\n"
    "                                    convert every IN into DIR (its name, the type's\n"
    "                                    extension), one process per processor at a time;\n"
    "                                    a file that fails is reported, the others go on\n"
    "  gray|bayer|halftone|diffusion|bayer-color|diffusion-color|popularity|mediancut\n"
    "     IN OUT [--type N]              reduce IN's colours and save the result as OUT\n"
    "  rotate IN OUT [--angle 90|180|270]\n"
    "                                    turn IN a quarter clockwise (90, the default),\n"
    "                                    half (180) or a quarter anticlockwise (270)\n"
    "  flip IN OUT [--vertical]          mirror IN left-right, or top-bottom\n"
    "  resize IN OUT --size WxH          resample IN to W x H pixels (nearest neighbour)\n"
    "  invert IN OUT                     complement every pixel of IN\n"
    "  lut IN OUT [--contrast N] [--brightness N]\n"
    "                                    change IN's contrast and brightness (-128 to 128)\n"
    "  sharpen IN OUT [--strength N]     sharpen IN (grey or true-colour pictures);\n"
    "                                    the further N is from 0 (to 64) the sharper,\n"
    "                                    16 or more adds a smoothing pass\n"
    "The operations save OUT with [--type N], by default of OUT's extension.\n"
    "Every command takes [--max-memory SIZE]: the most one picture may take in\n"
    "memory while it loads (bytes, or with K, M or G; 1G unless given); a larger\n"
    "picture is refused with error -1 before anything is allocated.\n"
    "\n"
    "File types: 0 TIFF, 1 BMP, 2 PCX, 3 Targa, 4 GIF, 5 WPG, 6 WMF, 7-10 TIFF variants\n"
    "(7 fax modified Huffman, 8 fax Group 3, 9 LZW, 10 fax Group 4),\n"
    "11 DCX, 12 run-length BMP, 13 JPEG, 14 EPS, 15 PICT.\n"
    "Exit status: 0 success, 1 the engine failed (for any of the files), 2 bad usage.\n";

const char* TypeName(int type)
{
    static const char* names[] = {"TIFF", "BMP", "PCX", "Targa", "GIF", "WPG", "WMF", "TIFF",
                                  "TIFF", "TIFF", "TIFF", "DCX", "BMP", "JPEG", "EPS", "PICT"};
    return type >= 0 && type < 16 ? names[type] : "unknown";
}

int Fail(const char* what, const std::string& file, int code)
{
    std::fprintf(stderr, "vantor: %s '%s': %s (%d)\n", what, file.c_str(), IMG_error_text(code), code);
    return kEngineError;
}

int Usage(const char* problem)
{
    std::fprintf(stderr, "vantor: %s\nTry 'vantor --help'.\n", problem);
    return kUsage;
}

struct Options {
    std::vector<std::string> files;
    std::string outDir;
    long type = IMG_TYPE_BY_EXTENSION;
    long page = 0;
    long angle = 90;
    long contrast = 0, brightness = 0, strength = 0;
    long width = 0, height = 0;
    uint64_t maxMemory = 0;
    bool vertical = false;
};

bool Number(const char* text, long low, long high, long& out)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high)
        return false;
    out = v;
    return true;
}

// "WxH" with both sides within the engine's limits.
bool Size(const char* text, Options& o)
{
    const char* x = std::strchr(text, 'x');
    if (!x)
        return false;
    std::string w(text, x);
    return Number(w.c_str(), 1, 65535, o.width) && Number(x + 1, 1, 32767, o.height);
}

// A size in bytes, or in binary kilo-, mega- or gigabytes with K, M or G.
bool Bytes(const char* text, uint64_t& out)
{
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (end == text || *text == '-')
        return false;
    const std::string unit = end;
    const int shift = unit.empty() ? 0 : unit == "K" ? 10 : unit == "M" ? 20 : unit == "G" ? 30 : -1;
    if (shift < 0 || v == 0 || v > (UINT64_MAX >> shift))
        return false;
    out = uint64_t(v) << shift;
    return true;
}

// Reads the value of a numeric option into o; false for a bad value.
bool Value(const std::string& option, const char* text, Options& o)
{
    if (option == "--max-memory")
        return Bytes(text, o.maxMemory);
    if (option == "--out") {
        o.outDir = text;
        return !o.outDir.empty();
    }
    if (option == "--type")
        return Number(text, 0, 15, o.type);
    if (option == "--page")
        return Number(text, 0, 32767, o.page);
    if (option == "--angle")
        return Number(text, 0, 65535, o.angle);
    if (option == "--size")
        return Size(text, o);
    long* target = option == "--contrast" ? &o.contrast : option == "--brightness" ? &o.brightness : &o.strength;
    return Number(text, -32768, 32767, *target);
}

// `allowed` lists the options the command takes beside --max-memory, each
// followed by a space; "--vertical" is the one that takes no value. Sets the
// engine's memory limit when one is given.
int Parse(int argc, char** argv, const std::string& allowed, Options& o)
{
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        const bool known = (" --max-memory " + allowed).find(" " + a + " ") != std::string::npos;
        if (known && a == "--vertical") {
            o.vertical = true;
        } else if (known) {
            if (i + 1 >= argc)
                return Usage(("missing value after " + a).c_str());
            if (!Value(a, argv[++i], o))
                return Usage(("bad value for " + a + ": " + argv[i]).c_str());
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else {
            o.files.push_back(a);
        }
    }
    if (o.maxMemory)
        IMG_set_memory_limit(o.maxMemory);
    return kOk;
}

// Opens a picture file for reading; regular files only, so a FIFO or device
// is refused with the reason rather than waited on. -1 once the reason is told.
int OpenInput(const std::string& path)
{
    int fd = velmora::OpenRegularFile(path);
    if (fd < 0)
        std::fprintf(stderr, "vantor: cannot open '%s': %s\n", path.c_str(), velmora::FileErrorText(errno).c_str());
    return fd;
}

int Load(const std::string& path, long page, IMG_HANDLE& handle)
{
    int fd = OpenInput(path);
    if (fd < 0)
        return kEngineError;
    int result = IMG_decompress_bitmap_fd(&handle, fd, 0, int16_t(page));
    close(fd);
    return result < 0 ? Fail("cannot load", path, result) : kOk;
}

int Save(IMG_HANDLE handle, const std::string& path, long type)
{
    int result = IMG_save_bitmap(handle, path.c_str(), uint16_t(type));
    IMG_delete_bitmap(handle);
    return result < 0 ? Fail("cannot save", path, result) : kOk;
}

int Info(const std::string& path)
{
    IMG_HANDLE handle = 0;
    if (int r = Load(path, 0, handle); r != kOk)
        return r;
    int type = IMGLOW_get_filetype(path.c_str());
    if (type < 0) {
        IMG_delete_bitmap(handle);
        return Fail("cannot identify", path, type);
    }
    uint16_t w = 0, h = 0, bits = 0;
    IMG_bitmap_info(nullptr, handle, &w, &h, &bits);
    std::printf("%s: %s, %u x %u, %u bits per pixel\n", path.c_str(), TypeName(type), w, h, bits);
    IMG_delete_bitmap(handle);
    return kOk;
}

int ConvertOne(const std::string& in, const std::string& out, const Options& o)
{
    IMG_HANDLE handle = 0;
    if (int r = Load(in, o.page, handle); r != kOk)
        return r;
    return Save(handle, out, o.type);
}

const char* Extension(long type)
{
    static const char* names[] = {"tif", "bmp", "pcx", "tga", "gif", "wpg", "wmf", "tif",
                                  "tif", "tif", "tif", "dcx", "bmp", "jpg", "eps", "pct"};
    return names[type];
}

// DIR/NAME.EXT for an input: its file name without its last extension.
std::string OutputFor(const std::string& in, const Options& o)
{
    std::string name = in.substr(in.find_last_of('/') + 1);
    if (const size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    return o.outDir + "/" + name + "." + Extension(o.type);
}

// A conversion running in a process of its own: the engine keeps global state
// (handles, scratch, the last memory buffer), so files convert side by side
// only in separate processes. The child's messages come back through a pipe
// so that they are printed whole, between progress lines.
struct Child {
    pid_t pid = -1;
    int messages = -1;
    std::string input;
};

Child StartChild(const std::string& in, const std::string& out, const Options& o)
{
    Child child{-1, -1, in};
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return child;
    std::fflush(nullptr);
    child.pid = fork();
    if (child.pid == 0) {
        dup2(fds[1], STDERR_FILENO);
        const int status = ConvertOne(in, out, o);
        std::fflush(nullptr);
        _exit(status);
    }
    close(fds[1]);
    if (child.pid < 0)
        close(fds[0]);
    else
        child.messages = fds[0];
    return child;
}

// Progress on a terminal only: "converted K of N", rewritten in place.
class Progress {
public:
    explicit Progress(size_t total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
    // Prints a finished child's messages where the progress line stood, then the line again.
    void Done(const std::string& messages)
    {
        ++done_;
        if (shown_)
            std::fputs("\r\033[K", stderr);
        std::fputs(messages.c_str(), stderr);
        if (shown_)
            std::fprintf(stderr, "converted %zu of %zu%s", done_, total_, done_ == total_ ? "\n" : "");
        std::fflush(stderr);
    }

private:
    size_t total_, done_ = 0;
    bool shown_;
};

std::string Drain(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        text.append(buffer, size_t(n));
    }
    close(fd);
    return text;
}

// Waits for one child; the number of files that failed (when no child can be
// waited for, every running one).
size_t FinishChild(std::vector<Child>& running, Progress& progress)
{
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(-1, &status, 0)) < 0 && errno == EINTR) {
    }
    auto it = std::find_if(running.begin(), running.end(), [&](const Child& c) { return c.pid == pid; });
    if (it == running.end()) {
        const size_t lost = running.size();
        for (const Child& c : running)
            progress.Done(Drain(c.messages) + "vantor: cannot convert '" + c.input + "': its process was lost\n");
        running.clear();
        return lost;
    }
    std::string messages = Drain(it->messages);
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == kOk;
    if (!ok && messages.empty())
        messages = "vantor: cannot convert '" + it->input + "': the conversion stopped\n";
    progress.Done(messages);
    running.erase(it);
    return ok ? 0 : 1;
}

// Refuses, before anything is written, inputs whose outputs would be the same file.
int CheckOutputs(const Options& o)
{
    std::map<std::string, std::string> seen;
    for (const std::string& in : o.files) {
        const std::string out = OutputFor(in, o);
        if (auto [it, added] = seen.emplace(out, in); !added)
            return Usage(("'" + it->second + "' and '" + in + "' would both be written to '" + out + "'").c_str());
    }
    struct stat st {};
    if (stat(o.outDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Usage(("--out " + o.outDir + " is not a folder").c_str());
    return kOk;
}

int ConvertMany(const Options& o)
{
    if (o.type == IMG_TYPE_BY_EXTENSION)
        return Usage("convert --out DIR needs --type N");
    if (o.files.empty())
        return Usage("convert --out DIR needs input files");
    if (int r = CheckOutputs(o); r != kOk)
        return r;
    const size_t workers = size_t(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
    Progress progress(o.files.size());
    std::vector<Child> running;
    size_t failed = 0;
    for (const std::string& in : o.files) {
        if (running.size() == workers)
            failed += FinishChild(running, progress);
        Child child = StartChild(in, OutputFor(in, o), o);
        if (child.pid > 0) {
            running.push_back(child);
            continue;
        }
        // No process to spare: this one converts here.
        progress.Done("");
        failed += ConvertOne(in, OutputFor(in, o), o) != kOk;
    }
    while (!running.empty())
        failed += FinishChild(running, progress);
    if (failed) {
        std::fprintf(stderr, "vantor: %zu of %zu files failed\n", failed, o.files.size());
        return kEngineError;
    }
    return kOk;
}

struct Reduction {
    const char* name;
    int32_t (*run)(IMG_HANDLE);
};

const Reduction kReductions[] = {
    {"gray", IMG_color_gray},           {"bayer", IMG_bayer_mono},
    {"halftone", IMG_halftone_mono},    {"diffusion", IMG_diffusion_mono},
    {"bayer-color", IMG_bayer_color},   {"diffusion-color", IMG_diffusion_color},
    {"popularity", IMG_popularity_color}, {"mediancut", IMG_mediancut_color},
};

struct Operation {
    const char* name;
    const char* options;   // beside --type
    int32_t (*run)(IMG_HANDLE, const Options&);
    bool needsSize;
};

const Operation kOperations[] = {
    {"rotate", "--angle ", [](IMG_HANDLE h, const Options& o) { return IMG_rotate_bitmap(h, uint16_t(o.angle)); },
     false},
    {"flip", "--vertical ",
     [](IMG_HANDLE h, const Options& o) { return o.vertical ? IMG_flip_bitmapy(h) : IMG_flip_bitmapx(h); }, false},
    {"resize", "--size ",
     [](IMG_HANDLE h, const Options& o) { return IMG_resize_bitmap(h, uint16_t(o.width), int16_t(o.height)); },
     true},
    {"invert", "", [](IMG_HANDLE h, const Options&) { return IMG_invert_bitmap(h); }, false},
    {"lut", "--contrast --brightness ",
     [](IMG_HANDLE h, const Options& o) { return IMG_set_lut(h, int32_t(o.contrast), int32_t(o.brightness)); },
     false},
    {"sharpen", "--strength ",
     [](IMG_HANDLE h, const Options& o) { return IMG_sharpen_bitmap(h, int16_t(o.strength)); }, false},
};

// Loads the input, applies the operation and saves the output.
int Apply(const Operation& operation, int argc, char** argv)
{
    Options o;
    if (int r = Parse(argc, argv, std::string("--type ") + operation.options, o); r != kOk)
        return r;
    const std::string command = operation.name;
    if (o.files.size() != 2)
        return Usage((command + " takes an input and an output file").c_str());
    if (operation.needsSize && o.width == 0)
        return Usage((command + " needs --size WxH").c_str());
    IMG_HANDLE handle = 0;
    if (int r = Load(o.files[0], 0, handle); r != kOk)
        return r;
    if (int result = operation.run(handle, o); result < 0) {
        IMG_delete_bitmap(handle);
        return Fail(("cannot " + command).c_str(), o.files[0], result);
    }
    return Save(handle, o.files[1], o.type);
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kHelp, stdout);
        return kOk;
    }
    Options o;
    if (command == "info") {
        if (int r = Parse(argc, argv, "--type ", o); r != kOk)
            return r;
        if (o.files.size() != 1)
            return Usage("info takes one file");
        return Info(o.files[0]);
    }
    if (command == "convert") {
        if (int r = Parse(argc, argv, "--type --page --out ", o); r != kOk)
            return r;
        if (!o.outDir.empty())
            return ConvertMany(o);
        if (o.files.size() != 2)
            return Usage("convert takes an input and an output file");
        return ConvertOne(o.files[0], o.files[1], o);
    }
    for (const Reduction& reduction : kReductions) {
        if (command != reduction.name)
            continue;
        if (int r = Parse(argc, argv, "--type ", o); r != kOk)
            return r;
        if (o.files.size() != 2)
            return Usage((command + " takes an input and an output file").c_str());
        IMG_HANDLE handle = 0;
        if (int r = Load(o.files[0], 0, handle); r != kOk)
            return r;
        if (int result = reduction.run(handle); result < 0) {
            IMG_delete_bitmap(handle);
            return Fail(("cannot reduce (" + command + ")").c_str(), o.files[0], result);
        }
        return Save(handle, o.files[1], o.type);
    }
    for (const Operation& operation : kOperations)
        if (command == operation.name)
            return Apply(operation, argc, argv);
    return Usage(("unknown command " + command).c_str());
}
