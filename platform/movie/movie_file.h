// A movie file opened for writing through our own descriptor, so that a
// reserved file keeps its blocks and a failed write is seen at once.
#pragma once

#include <cstdint>
#include <string>

struct AVIOContext;

namespace movie {

// Opens the capture file for writing without truncating it. A symlink at its
// name is refused rather than followed (the file is often in a shared folder),
// and so is a FIFO, which would block the open or the writes. (A device such
// as /dev/null stays usable.)
// The descriptor, or -1 with errno set.
int OpenCaptureFile(const std::string& path);

class MovieFile {
public:
    MovieFile() = default;
    ~MovieFile();
    MovieFile(const MovieFile&) = delete;
    MovieFile& operator=(const MovieFile&) = delete;

    // Opens `path` for writing without truncating it; false when it cannot be opened.
    bool Open(const std::string& path);
    // Writes through `fd`, a new empty file that stays open (and the caller's) after Close.
    bool Attach(int fd);
    AVIOContext* Io() const { return m_io; }
    bool Failed() const { return m_failed; }
    // Flushes, cuts the file to what was written and hands the rest of an earlier
    // reservation back as reserved space; false when anything failed on the way.
    bool Close();

private:
    static int WriteCallback(void* opaque, uint8_t* buf, int size);
    static int64_t SeekCallback(void* opaque, int64_t offset, int whence);
    bool StartIo();

    int m_fd = -1;
    AVIOContext* m_io = nullptr;
    int64_t m_position = 0;
    int64_t m_end = 0;          // the furthest byte written
    int64_t m_reserved = 0;     // the file's size before we started
    bool m_failed = false;
    bool m_owned = true;        // Close closes the descriptor
};

}  // namespace movie
