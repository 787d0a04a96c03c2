// Any movie that opens for editing must save without compression into a
// movie that opens again with as many pictures as were saved.
#include "movie/movie_save.h"

extern "C" {
#include <libavutil/log.h>
}

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kMostFrames = 8;   // enough for every path of a save, few enough to stay quick

// The input as a file: the editable streams open movies by name.
class InputFile {
public:
    InputFile(const uint8_t* data, size_t size) : m_fd(::memfd_create("fuzz-movie", MFD_CLOEXEC))
    {
        if (m_fd >= 0 && (::write(m_fd, data, size) != ssize_t(size)))
            Close();
    }
    ~InputFile() { Close(); }
    bool Ok() const { return m_fd >= 0; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int m_fd;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    InputFile input(data, size);
    std::vector<movie::MovieStream> streams;
    if (!input.Ok() || movie::OpenMovieStreams(input.Path(), streams) != movie::kMovieOk || streams.empty())
        return 0;
    const uint32_t frames = std::min(streams[0].Length(), kMostFrames);
    movie::MovieStream first;
    if (frames == 0 || streams[0].Copy(0, frames, first) != movie::kMovieOk)
        return 0;
    streams[0] = first;
    std::vector<uint8_t> saved;
    if (movie::SaveMovieToMemory(streams, {}, saved) != movie::kMovieOk)
        return 0;
    movie::MovieReader reader;
    if (reader.OpenMemory(saved.data(), saved.size()) != movie::kMovieOk || reader.Info().frames != frames)
        std::abort();
    return 0;
}
