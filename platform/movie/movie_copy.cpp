#include "movie/movie_reader.h"

#include "types/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace movie {

namespace {

// Copies every byte of `in` from its start to `out`, reporting each step;
// kMovieOk, kMovieBadFile, kMovieWriteFailed or kMovieAborted.
int CopyBytes(int in, int out, const SaveProgress& progress)
{
    struct stat st = {};
    const off_t size = ::fstat(in, &st) == 0 && st.st_size > 0 ? st.st_size : 1;
    std::vector<uint8_t> buffer(1 << 20);
    for (off_t at = 0;;) {
        if (progress && !progress(int(std::min<off_t>(at, size) * 100 / size)))
            return kMovieAborted;
        ssize_t n = ::pread(in, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return kMovieBadFile;
        if (n == 0)
            return !progress || progress(100) ? kMovieOk : kMovieAborted;
        if (!velmora::WriteAll(out, buffer.data(), size_t(n)))
            return kMovieWriteFailed;
        at += n;
    }
}

}  // namespace

int CopyMovie(const std::string& src, const std::string& dst, const SaveProgress& progress)
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
    const bool ok = velmora::WriteFileAtomically(dst, [in, &copied, &progress](int out) {
        copied = CopyBytes(in, out, progress);
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
