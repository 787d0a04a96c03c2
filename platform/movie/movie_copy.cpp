#include "movie/movie_reader.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace movie {

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Copies every byte of `in` to `out`; kMovieOk or kMovieWriteFailed.
int CopyBytes(int in, int out)
{
    std::vector<uint8_t> buffer(1 << 20);
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return kMovieBadFile;
        if (n == 0)
            return kMovieOk;
        if (!WriteAll(out, buffer.data(), size_t(n)))
            return kMovieWriteFailed;
    }
}

}  // namespace

int CopyMovie(const std::string& src, const std::string& dst)
{
    {
        MovieReader check;
        if (int rc = check.Open(src); rc != kMovieOk)
            return rc;
    }
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return kMovieBadFile;
    // A partly written copy never takes the place of a file the user already has.
    std::string temp = dst + ".XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        ::close(in);
        return kMovieCannotCreate;
    }
    ::fchmod(out, 0644);
    int rc = CopyBytes(in, out);
    if (rc == kMovieOk && ::fsync(out) != 0)
        rc = kMovieWriteFailed;
    if (::close(out) != 0 && rc == kMovieOk)
        rc = kMovieWriteFailed;
    ::close(in);
    if (rc == kMovieOk && ::rename(temp.c_str(), dst.c_str()) != 0)
        rc = kMovieCannotCreate;
    if (rc != kMovieOk)
        ::unlink(temp.c_str());
    return rc;
}

}  // namespace movie
