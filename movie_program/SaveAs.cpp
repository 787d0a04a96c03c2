#include "SaveAs.h"

#include "framework/StringTable.h"
#include "movie/movie_clipboard.h"
#include "movie/save_options_dialog.h"
#include "resource.h"

#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The folder's links followed and "." and ".." gone, the name itself kept as
// given (a name that is a link is compared as the link's own name).
std::string ResolvedName(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error).lexically_normal();
    if (error)
        return path;
    fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    if (error)
        folder = absolute.parent_path();
    return (folder / absolute.filename()).string();
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

bool SamePlace(const std::string& existing, const std::string& target)
{
    if (existing.empty() || target.empty())
        return false;
    return SameFile(existing, target) || CompareNoCase(ResolvedName(existing), ResolvedName(target)) == 0;
}

CSaveAsDialog::CSaveAsDialog(CWnd* owner, CString source, CString workspace)
    : m_owner(owner), m_source(std::move(source)), m_workspace(std::move(workspace))
{
}

BOOL CSaveAsDialog::Ask(CString& target)
{
    FileDialogRequest request;
    request.save = true;
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    request.owner = m_owner ? m_owner->m_hWnd : nullptr;
    request.filter = kMovieFilter;
    request.defaultExt = kMovieExt;
    request.fileName = m_source;
    request.extraButton = kCompressionButton;
    request.onExtraButton = [this] { OnCompression(); };
    request.validate = [this](const char* path) { return Refusal(path); };
    if (!Ui().GetFileName(request) || request.fileName.IsEmpty())
        return FALSE;
    target = request.fileName;
    return TRUE;
}

CString CSaveAsDialog::Refusal(const char* path) const
{
    if (path && SamePlace(m_workspace.GetString(), path))
        return LoadStringText(IDS_WORKSPACE_REFUSED);
    return CString();
}

bool CSaveAsDialog::Prepare()
{
    // The clipboard's movie may hold the source open; it goes first.
    movie::ClearMovieClipboard();
    std::vector<movie::MovieStream> streams;
    if (movie::OpenMovieStreams(m_source.GetString(), streams) != movie::kMovieOk || streams.empty() ||
        streams.front().Kind() != movie::StreamKind::kVideo)
        return false;
    m_streams = std::move(streams);
    m_options.assign(m_streams.size(), movie::CompressOptions{});
    m_prepared = true;
    return true;
}

void CSaveAsDialog::OnCompression()
{
    if (!m_prepared && !Prepare())
        return;
    // Only the pictures' options are chosen; sound is saved as recorded.
    movie::ChooseSaveOptions(m_owner, m_streams.front(), m_options.front());
}
