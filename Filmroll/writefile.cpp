#include "writefile.h"

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The process's file creation mask, read without changing it (umask() would
// change it for every thread for a moment).
mode_t CurrentUmask()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    unsigned mask = 022;
    char line[256];
    while (status && std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "Umask: %o", &mask) == 1)
            break;
    if (status)
        std::fclose(status);
    return mode_t(mask);
}

} // namespace

bool WriteFileAtomically(const char* path, const std::function<bool(FILE*)>& write)
{
    std::string temporary = std::string(path) + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return false;
    FILE* out = fdopen(fd, "wb");
    if (!out) {
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    bool ok = write(out);
    ok = std::fflush(out) == 0 && ok;
    ok = fsync(fileno(out)) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    // mkstemp makes the file private; a saved picture gets the usual rights.
    ok = ok && chmod(temporary.c_str(), 0666 & ~CurrentUmask()) == 0;
    ok = ok && std::rename(temporary.c_str(), path) == 0;
    if (!ok)
        unlink(temporary.c_str());
    return ok;
}

bool CopyFileAtomically(const char* from, const char* to)
{
    FILE* in = std::fopen(from, "rb");
    if (!in)
        return false;
    bool ok = WriteFileAtomically(to, [in](FILE* out) {
        char buffer[32768];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            if (std::fwrite(buffer, 1, got, out) != got)
                return false;
        return std::ferror(in) == 0;
    });
    std::fclose(in);
    return ok;
}
