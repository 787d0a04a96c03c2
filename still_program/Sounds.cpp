#include "Sounds.h"

#include "DataFiles.h"
#include "framework/UiService.h"

#include <sys/stat.h>

namespace {

bool IsFile(const CString& path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

CString FindSoundFile(const char* name, const CString& workingDirectory)
{
    if (!name || !*name)
        return CString();
    for (const CString& folder : SnapvoDataFolders(workingDirectory, "sounds"))
        if (CString path = folder + name; IsFile(path))
            return path;
    return CString();
}

BOOL PlayProgramSound(const char* name, const CString& workingDirectory)
{
    CString path = FindSoundFile(name, workingDirectory);
    if (path.IsEmpty())
        return FALSE;
    // Without a sound device the service stays silent; nothing to tell the user.
    return sndPlaySound(path, SND_ASYNC | SND_NODEFAULT);
}
