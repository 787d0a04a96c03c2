#include "Help.h"

#include "DataFiles.h"

#include <sys/stat.h>

CString SnapvoHelpPath(const CString& workingDirectory)
{
    for (const CString& folder : SnapvoDataFolders(workingDirectory, "help")) {
        CString path = folder + "index.html";
        struct stat info;
        if (stat(path, &info) == 0 && S_ISREG(info.st_mode))
            return path;
    }
    return CString();
}
