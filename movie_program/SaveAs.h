// The Save As dialog of the movie program: the file dialog over the movie to
// save, its Compression button, which prepares the movie's streams once and
// asks how the pictures are compressed, and the refusal of the workspace file
// as a target, whatever the name it is reached by.
#pragma once

#include "framework/UiService.h"
#include "framework/Wnd.h"
#include "movie/movie_save.h"
#include "types/CString.h"

#include <string>
#include <vector>

// The file dialog of Open and Save As: movies only, and the button beside the name.
constexpr const char* kMovieFilter = "VFW|*.avi||";
constexpr const char* kMovieExt = "avi";
constexpr const char* kCompressionButton = "Compression";

// Whether `target` names the file at `existing`: the same file (device and
// inode) when both are there; otherwise the same name, letter case aside,
// once both are absolute with "." and ".." gone and the links of their
// folders followed.
bool SamePlace(const std::string& existing, const std::string& target);

class CSaveAsDialog {
public:
    // `source` is the movie to save; `workspace` the file no save may replace.
    CSaveAsDialog(CWnd* owner, CString source, CString workspace);
    CSaveAsDialog(const CSaveAsDialog&) = delete;
    CSaveAsDialog& operator=(const CSaveAsDialog&) = delete;

    // Runs the file dialog; TRUE with `target` set when the user confirmed a
    // name the dialog may take.
    BOOL Ask(CString& target);
    // The refusal text for `path`, empty when it may be saved to.
    CString Refusal(const char* path) const;
    // The Compression button: the streams prepared the first time, then the
    // pictures' options asked for (a cancelled choice keeps full frames).
    void OnCompression();

    const CString& Source() const { return m_source; }
    // Compression was asked for: the save recompresses the prepared streams.
    bool Prepared() const { return m_prepared; }
    const std::vector<movie::MovieStream>& Streams() const { return m_streams; }
    // One record per stream; only the pictures' can be chosen, the sound's stays zero.
    const std::vector<movie::CompressOptions>& Options() const { return m_options; }

private:
    bool Prepare();

    CWnd* m_owner;
    CString m_source;
    CString m_workspace;
    bool m_prepared = false;
    std::vector<movie::MovieStream> m_streams;
    std::vector<movie::CompressOptions> m_options;
};
