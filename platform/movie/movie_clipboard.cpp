#include "movie/movie_clipboard.h"

#include "framework/UiService.h"
#include "movie/movie_save.h"

#include <algorithm>
#include <vector>

namespace movie {

namespace {

// Both forms of frame `position` (clamped to the last) of a movie's pictures.
bool FrameForms(const std::string& path, uint32_t position, std::vector<uint8_t>& dib, std::vector<uint8_t>& avi)
{
    std::vector<MovieStream> streams;
    if (OpenMovieStreams(path, streams) != kMovieOk || streams.empty() ||
        streams.front().Kind() != StreamKind::kVideo || streams.front().Length() == 0)
        return false;
    const MovieStream& pictures = streams.front();
    MovieStream one;
    MemoryMovie frame;
    return pictures.Copy(std::min(position, pictures.Length() - 1), 1, one) == kMovieOk &&
           frame.Make({one}) == kMovieOk && frame.ReadFrameDib(0, dib) == kMovieOk &&
           SaveMovieToMemory(frame.Streams(), {}, avi) == kMovieOk;
}

}  // namespace

bool CopyMovieFrameToClipboard(const std::string& path, uint32_t position)
{
    ClearMovieClipboard();
    std::vector<uint8_t> dib, avi;
    if (!FrameForms(path, position, dib, avi) || !Ui().SetClipboardDib(dib.data(), dib.size()))
        return false;
    if (Ui().SetClipboardData(kMovieClipboardType, avi.data(), avi.size()))
        return true;
    // Half a copy would paste as a picture here and as nothing in a movie editor.
    Ui().EmptyClipboard();
    return false;
}

void ClearMovieClipboard()
{
    std::vector<BYTE> held;
    if (Ui().GetClipboardData(kMovieClipboardType, held))
        Ui().EmptyClipboard();
}

}  // namespace movie
