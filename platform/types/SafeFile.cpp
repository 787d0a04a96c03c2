#include "SafeFile.h"

#include <cerrno>
#include <filesystem>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

// The process's file creation mask, read without changing it (umask() would
// change it for every thread for a moment).
mode_t CurrentUmask()
{
    FILE* status = std::fopen("/proc/self/status", "re");
    unsigned mask = 022;
    char line[256];
    while (status && std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "Umask: %o", &mask) == 1)
            break;
    if (status)
        std::fclose(status);
    return mode_t(mask);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename is only durable once the folder holding the name is on disk.
void SyncFolder(const std::string& path)
{
    int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool CopyDescriptor(int in, int out)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!WriteAll(out, buffer.data(), size_t(got)))
            return false;
    }
}

struct Temporary {
    std::string name;
    int fd = -1;
};

Temporary MakeTemporary(const std::string& path)
{
    Temporary t;
    // The target's own name with a random tail: unique, and ignored by
    // anything that serves the target (a web server asks for the target's name).
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    t.name = folder + "." + base + ".XXXXXX";
    t.fd = ::mkostemp(t.name.data(), O_CLOEXEC);
    return t;
}

// Flushes, sets the usual rights and renames the filled temporary file.
bool Finish(Temporary& t, const std::string& path, bool ok)
{
    int error = ok ? 0 : (errno ? errno : EIO);
    if (ok && ::fsync(t.fd) != 0)
        ok = false, error = errno;
    // mkstemp makes the file private; a saved file gets the usual rights.
    if (ok && ::fchmod(t.fd, 0666 & ~CurrentUmask()) != 0)
        ok = false, error = errno;
    if (::close(t.fd) != 0 && ok)
        ok = false, error = errno;
    if (ok && ::rename(t.name.c_str(), path.c_str()) != 0)
        ok = false, error = errno;
    if (!ok) {
        ::unlink(t.name.c_str());
        errno = error;
        return false;
    }
    SyncFolder(path);
    return true;
}

} // namespace

bool WriteFileAtomically(const std::string& path, const std::function<bool(int fd)>& write)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    Temporary t = MakeTemporary(path);
    if (t.fd < 0)
        return false;
    errno = 0;
    const bool ok = write(t.fd);
    return Finish(t, path, ok);
}

bool WriteStreamAtomically(const std::string& path, const std::function<bool(FILE*)>& write)
{
    return WriteFileAtomically(path, [&write](int fd) {
        int own = ::dup(fd);
        FILE* out = own >= 0 ? ::fdopen(own, "wb") : nullptr;
        if (!out) {
            if (own >= 0)
                ::close(own);
            return false;
        }
        bool ok = write(out);
        ok = std::fflush(out) == 0 && std::ferror(out) == 0 && ok;
        const int error = errno;
        ok = std::fclose(out) == 0 && ok;
        if (!ok && !errno)
            errno = error;
        return ok;
    });
}

bool CopyFileAtomically(const std::string& from, const std::string& to)
{
    int in = OpenRegularFile(from);
    if (in < 0)
        return false;
    bool ok = WriteFileAtomically(to, [in](int out) { return CopyDescriptor(in, out); });
    const int error = errno;
    ::close(in);
    errno = error;
    return ok;
}

bool UpdateFileAtomically(const std::string& path, const std::function<bool(int fd)>& change)
{
    int in = OpenRegularFile(path);
    if (in < 0)
        return false;
    bool ok = WriteFileAtomically(path, [in, &change](int out) {
        return CopyDescriptor(in, out) && ::lseek(out, 0, SEEK_SET) == 0 && change(out);
    });
    const int error = errno;
    ::close(in);
    errno = error;
    return ok;
}

int OpenRegularFile(const std::string& path, bool followLinks)
{
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (!followLinks)
        flags |= O_NOFOLLOW;
    int fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Regular files never block; later reads need no special handling.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

FILE* OpenRegularStream(const std::string& path, bool followLinks)
{
    int fd = OpenRegularFile(path, followLinks);
    if (fd < 0)
        return nullptr;
    FILE* in = ::fdopen(fd, "rb");
    if (!in) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return in;
}

bool ReadRegularFile(const std::string& path, std::string& bytes, size_t largest)
{
    int fd = OpenRegularFile(path);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && uint64_t(st.st_size) > largest) {
        errno = EFBIG;
        ok = false;
    }
    bytes.clear();
    if (ok)
        bytes.reserve(size_t(st.st_size));
    char buffer[1 << 15];
    while (ok) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (bytes.size() + size_t(got) > largest) {
            errno = EFBIG;
            ok = false;
            break;
        }
        bytes.append(buffer, size_t(got));
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

bool WriteAll(int fd, const void* bytes, size_t n)
{
    const auto* data = static_cast<const char*>(bytes);
    while (n > 0) {
        ssize_t put = ::write(fd, data, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        data += put;
        n -= size_t(put);
    }
    return true;
}

int CreateNewFile(const std::string& path, unsigned mode)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(mode));
}

std::string FileErrorText(int error)
{
    switch (error) {
    case ENODEV:
        return "it is not a regular file";
    case EISDIR:
        return "it is a folder";
    case ELOOP:
        return "it is a symbolic link";
    case EEXIST:
        return "a file of that name exists already";
    case EFBIG:
        return "it is too large";
    default:
        return std::strerror(error);
    }
}

std::string CurrentFolder()
{
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (error || folder.empty())
        return ".";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace velmora
