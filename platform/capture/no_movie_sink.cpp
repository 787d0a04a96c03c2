// Builds without the movie-file service record nothing.
#include "capture/movie_sink.h"

namespace capture {

MovieSinkFactory AviSinkFactory() { return nullptr; }
bool PreallocateCaptureFile(const std::string&, uint64_t) { return false; }

}  // namespace capture
