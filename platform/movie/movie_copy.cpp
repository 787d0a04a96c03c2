#include "movie/movie_reader.h"

#include "types/SafeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace movie {

namespace {

// Copies every byte of `in` from its start to `out`; kMovieOk, kMovieBadFile
// or kMovieWriteFailed.
int CopyBytes(int in, int out)
{
    std::vector<uint8_t> buffer(1 << 20);
    for (off_t at = 0;;) {
        ssize_t n = ::pread(in, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return kMovieBadFile;
        if (n == 0)
            return kMovieOk;
        if (!velmora::WriteAll(out, buffer.data(), size_t(n)))
            return kMovieWriteFailed;
        at += n;
    }
}

}  // namespace

int CopyMovie(const std::string& src, const std::string& dst)
{
    // One descriptor is both checked and copied, so the file copied is the
    // movie that was checked.
    const int in = velmora::OpenRegularFile(src, false);
    if (in < 0)
        return kMovieBadFile;
    {
        MovieReader check;
        const int own = ::fcntl(in, F_DUPFD_CLOEXEC, 0);
        if (int rc = own < 0 ? kMovieBadFile : check.OpenFile(own); rc != kMovieOk) {
            ::close(in);
            return rc;
        }
    }
    int copied = -1;   // stays -1 when no temporary file could be made
    const bool ok = velmora::WriteFileAtomically(dst, [in, &copied](int out) {
        copied = CopyBytes(in, out);
        return copied == kMovieOk;
    });
    ::close(in);
    if (ok)
        return kMovieOk;
    if (copied == -1)
        return kMovieCannotCreate;
    return copied == kMovieOk ? kMovieWriteFailed : copied;
}

}  // namespace movie
