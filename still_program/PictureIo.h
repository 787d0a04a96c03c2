// File steps shared by the picture writers, the save paths and the viewer:
// extensions, the unique grab file, and putting finished files in place.
#pragma once

#include "types/CString.h"

// The extension of the path's last component, lower case with its dot;
// empty when it has none.
CString PathExtensionLower(const CString& path);

// Path split as the save paths need it: folder (with its trailing '/', or
// empty), base name and extension (with its dot, or empty), each as written.
struct SplitPath {
    CString folder;
    CString name;
    CString extension;
};
SplitPath SplitPicturePath(const CString& path);

// `folder` with a trailing '/'; an empty folder stays empty.
CString WithSlash(const CString& folder);
// The current directory with a trailing '/', or empty when it cannot be read.
CString CurrentFolder();

// Creates a fresh file "flXXXXXX.bmp" in `folder` (current directory when
// empty) and returns its path; empty when no name could be made.
CString MakeGrabTempFile(const CString& folder);

// FALSE when a file at `path` exists but is marked read-only: the user
// protected it, so no save replaces it.
bool TargetReplaceable(const char* path);

// Copies `from` to `to` through a temporary file beside `to`, which gets
// the usual file rights and replaces `to` only when complete.
bool CopyFileInPlace(const char* from, const char* to);

// NextSeriesName with `numbers` numbers a prefix (the program uses 10000).
CString NextSeriesNameOf(const CString& directory, const CString& base, const CString& extension, int numbers);
