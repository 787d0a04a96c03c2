// Where the program finds the files it ships (sounds, help): the working
// directory first, then beside the program, then the installed data folder.
#pragma once

#include "types/CString.h"

#include <vector>

// The folders searched for a shipped file of `kind` ("sounds", "help"), in
// order; each ends in '/'.
std::vector<CString> SnapvoDataFolders(const CString& workingDirectory, const char* kind);

// The folder of the running program ("/proc/self/exe"), with a trailing '/'.
CString SnapvoProgramFolder();
// The installed data folder, with a trailing '/'.
CString SnapvoInstalledDataFolder();
// Tests only: other folders in place of the program's and the installed one
// (empty restores them).
void SetSnapvoDataPlaces(const CString& programFolder, const CString& installedFolder);
