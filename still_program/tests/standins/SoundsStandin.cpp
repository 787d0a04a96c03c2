// Stand-in for the program's sounds while their unit is not on this branch.
#include "types/wintypes.h"
#include "Sounds.h"

#include "framework/UiService.h"

#include <cstdio>

CString FindSoundFile(const char* name, const CString& workingDirectory)
{
    const CString path = workingDirectory + "/" + name;
    if (FILE* f = std::fopen(path, "rb")) {
        std::fclose(f);
        return path;
    }
    return CString();
}

BOOL PlayProgramSound(const char* name, const CString& workingDirectory)
{
    const CString found = FindSoundFile(name, workingDirectory);
    return sndPlaySound(found.IsEmpty() ? CString(name) : found, SND_ASYNC | SND_NODEFAULT);
}
