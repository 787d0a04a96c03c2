// One picture of a movie on the clipboard in two forms at once: a picture
// that any program pastes, and a movie of that single frame for programs
// that edit movies.
#pragma once

#include <cstdint>
#include <string>

namespace movie {

// The type the one-frame movie is offered under.
constexpr char kMovieClipboardType[] = "video/x-msvideo";

// Copies frame `position` of the movie at `path`, or its last frame when
// `position` is at or past the end. Any movie on the clipboard goes first.
// False, with no movie left on the clipboard, when the movie has no pictures
// or a step fails.
bool CopyMovieFrameToClipboard(const std::string& path, uint32_t position);

// Empties the clipboard if it holds a movie; other contents stay.
void ClearMovieClipboard();

}  // namespace movie
