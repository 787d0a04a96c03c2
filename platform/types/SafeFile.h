// The suite's one way to write a file that must never be seen half-written,
// and its one way to open outside files for reading.
//
// A write goes to a unique temporary file in the target's folder (mkstemp,
// so no name can be guessed or pre-planted as a symlink), is flushed to disk,
// gets the rights the umask gives a new file, and is renamed over the target;
// the folder is flushed after the rename so the new name survives a power cut.
// Until the rename the old file, if any, is untouched; on any failure the
// temporary file is removed and the old file stays as it was.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace velmora {

// `write` fills the open descriptor; false from it abandons the write.
// On failure errno says why (EIO when `write` itself gave up without one).
bool WriteFileAtomically(const std::string& path, const std::function<bool(int fd)>& write);
// The same through a stdio stream.
bool WriteStreamAtomically(const std::string& path, const std::function<bool(FILE*)>& write);
// Replaces `to` by a complete copy of `from`.
bool CopyFileAtomically(const std::string& from, const std::string& to);
// Changes a file in place as one step: `change` gets a read-write descriptor
// on a private copy of `path`, positioned at its start; the copy replaces
// `path` only when `change` succeeds, so a failed append or edit leaves the
// original readable and unchanged.
bool UpdateFileAtomically(const std::string& path, const std::function<bool(int fd)>& change);

// Opens an existing regular file for reading. Never blocks (a FIFO, a device
// or a folder named like a picture is refused with errno ENODEV/EISDIR rather
// than waited on). `followLinks` false refuses a symlink (ELOOP).
// Returns the descriptor, blocking mode restored, or -1 with errno set.
int OpenRegularFile(const std::string& path, bool followLinks = true);
// The same as a stdio stream ("rb"), or nullptr with errno set.
FILE* OpenRegularStream(const std::string& path, bool followLinks = true);
// Reads a whole regular file; false with errno set when it cannot.
bool ReadRegularFile(const std::string& path, std::string& bytes, size_t largest = size_t(-1));

// Creates `path` only if no file (nor symlink) of that name exists: never
// truncates or replaces what someone else put there. -1 with errno (EEXIST).
int CreateNewFile(const std::string& path, unsigned mode = 0666);

// Writes all `n` bytes, going on after interruptions; false with errno set.
bool WriteAll(int fd, const void* data, size_t n);

// A short English reason for errno values these calls set, for messages.
std::string FileErrorText(int error);

// The folder the program works in (where it was started), without a trailing
// slash; "." when the system cannot say.
std::string CurrentFolder();

} // namespace velmora
