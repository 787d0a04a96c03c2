#include "DataFiles.h"

#include "PictureIo.h"

#include <climits>

#include <unistd.h>

#ifndef SNAPVO_DATA_DIR
#define SNAPVO_DATA_DIR "/usr/local/share/snapvo32"
#endif

namespace {

CString g_programFolder;
CString g_installedFolder;

} // namespace

CString SnapvoProgramFolder()
{
    if (!g_programFolder.IsEmpty())
        return g_programFolder;
    char buffer[PATH_MAX + 1];
    ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0)
        return CString();
    CString exe(buffer, int(length));
    return exe.Left(exe.ReverseFind('/') + 1);
}

CString SnapvoInstalledDataFolder()
{
    return g_installedFolder.IsEmpty() ? WithSlash(CString(SNAPVO_DATA_DIR)) : g_installedFolder;
}

void SetSnapvoDataPlaces(const CString& programFolder, const CString& installedFolder)
{
    g_programFolder = WithSlash(programFolder);
    g_installedFolder = WithSlash(installedFolder);
}

std::vector<CString> SnapvoDataFolders(const CString& workingDirectory, const char* kind)
{
    CString sub = CString(kind) + "/";
    CString working = workingDirectory.IsEmpty() ? CurrentFolder() : WithSlash(workingDirectory);
    CString program = SnapvoProgramFolder();
    std::vector<CString> folders;
    // Sounds lie loose in the working directory and beside the program as
    // well as in their own folder; help always has its folder.
    bool loose = sub == "sounds/";
    if (!working.IsEmpty())
        folders.push_back(loose ? working : working + sub);
    if (!program.IsEmpty()) {
        if (loose)
            folders.push_back(program);
        folders.push_back(program + sub);
    }
    // An installed tree moved as a whole (a staged or unpacked package)
    // still finds its data beside its own bin/.
    if (!program.IsEmpty())
        folders.push_back(program + "../share/snapvo32/" + sub);
    folders.push_back(SnapvoInstalledDataFolder() + sub);
    return folders;
}
