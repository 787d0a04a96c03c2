// The numbered file series of auto capture: Series0.jpg, Series1.jpg, ...
#include "PictureFiles.h"
#include "PictureIo.h"

#include <sys/stat.h>

namespace {

constexpr int kSeriesNumbers = 10000;

bool NameTaken(const CString& path)
{
    // Existence, not readability: a file the program may not read is still
    // somebody's picture and must not be overwritten.
    struct stat info;
    return lstat(path, &info) == 0;
}

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
    // When every number of a prefix is taken the series goes on with a
    // shorter prefix.
    for (int n = base.GetLength(); n >= 1; --n) {
        CString prefix = base.Left(n);
        for (int i = 0; i < numbers; ++i) {
            CString name;
            name.Format("%s%s%d%s", folder.GetString(), prefix.GetString(), i, extension.GetString());
            if (!NameTaken(name))
                return name;
        }
    }
    return CString();
}
