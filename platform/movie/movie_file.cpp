#include "movie/movie_file.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movie {

namespace {
constexpr int kIoBufferSize = 64 * 1024;
}

int OpenCaptureFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0)
        return -1;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        ::close(fd);
        errno = ENODEV;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

MovieFile::~MovieFile()
{
    Close();
}

bool MovieFile::Open(const std::string& path)
{
    Close();
    m_fd = OpenCaptureFile(path);
    if (m_fd < 0)
        return false;
    struct stat st = {};
    m_reserved = (::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) ? st.st_size : 0;
    m_owned = true;
    return StartIo();
}

bool MovieFile::Attach(int fd)
{
    Close();
    m_fd = fd;
    m_reserved = 0;
    m_owned = false;
    return fd >= 0 && StartIo();
}

bool MovieFile::StartIo()
{
    m_position = m_end = 0;
    m_failed = false;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (buffer)
        m_io = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &WriteCallback, &SeekCallback);
    if (!m_io) {
        av_free(buffer);
        if (m_owned)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

int MovieFile::WriteCallback(void* opaque, uint8_t* buf, int size)
{
    auto* self = static_cast<MovieFile*>(opaque);
    int done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(self->m_fd, buf + done, size_t(size - done), self->m_position + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int err = n < 0 ? errno : ENOSPC;
            self->m_failed = true;
            return AVERROR(err);
        }
        done += int(n);
    }
    self->m_position += size;
    if (self->m_position > self->m_end)
        self->m_end = self->m_position;
    return size;
}

int64_t MovieFile::SeekCallback(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<MovieFile*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return self->m_end;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += self->m_position;
        break;
    case SEEK_END:
        offset += self->m_end;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    self->m_position = offset;
    return offset;
}

bool MovieFile::Close()
{
    if (m_fd < 0)
        return true;
    bool ok = true;
    if (m_io) {
        avio_flush(m_io);
        ok = m_io->error >= 0 && !m_failed;
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    struct stat st = {};
    if (::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // Whatever an earlier, longer movie or the reservation left behind the
        // new end would otherwise be read as part of this movie.
        if (::ftruncate(m_fd, m_end) != 0)
            ok = false;
#ifdef FALLOC_FL_KEEP_SIZE
        if (m_reserved > m_end)
            (void)::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, m_end, m_reserved - m_end);
#endif
    }
    if (m_owned && ::close(m_fd) != 0)
        ok = false;
    m_fd = -1;
    return ok;
}

}  // namespace movie
