// The numbered file series of auto capture: Series0.jpg, Series1.jpg, ...
#include "PictureFiles.h"
#include "PictureIo.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <unordered_set>

namespace {

constexpr int kSeriesNumbers = 10000;

// The names in a folder, read once: a long run would otherwise ask the file
// system about every number below the next free one for each picture.
class FolderNames {
public:
    explicit FolderNames(const CString& folder) : m_folder(folder)
    {
        DIR* dir = opendir(folder);
        if (!dir)
            return;
        while (const dirent* entry = readdir(dir))
            m_names.insert(entry->d_name);
        closedir(dir);
        m_listed = true;
    }

    // Existence, not readability: a file the program may not read is still
    // somebody's picture and must not be overwritten.
    bool Taken(const CString& name) const
    {
        if (m_listed)
            return m_names.count(name.GetString()) != 0;
        struct stat info;
        return lstat(m_folder + name, &info) == 0;
    }

private:
    CString m_folder;
    std::unordered_set<std::string> m_names;
    bool m_listed = false;
};

} // namespace

CString NextSeriesName(const CString& directory, const CString& base, const CString& extension)
{
    return NextSeriesNameOf(directory, base, extension, kSeriesNumbers);
}

CString NextSeriesNameOf(const CString& directory, const CString& base, const CString& extension, int numbers)
{
    CString folder = directory.IsEmpty() ? CurrentFolder() : WithSlash(directory);
    if (folder.IsEmpty())
        return CString();
    const FolderNames taken(folder);
    // When every number of a prefix is taken the series goes on with a
    // shorter prefix.
    for (int n = base.GetLength(); n >= 1; --n) {
        CString prefix = base.Left(n);
        for (int i = 0; i < numbers; ++i) {
            CString name;
            name.Format("%s%d%s", prefix.GetString(), i, extension.GetString());
            if (!taken.Taken(name))
                return folder + name;
        }
    }
    return CString();
}
