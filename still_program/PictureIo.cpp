#include "PictureIo.h"

#include "types/SafeFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

CString PathExtensionLower(const CString& path)
{
    CString extension = SplitPicturePath(path).extension;
    extension.MakeLower();
    return extension;
}

SplitPath SplitPicturePath(const CString& path)
{
    SplitPath parts;
    int slash = path.ReverseFind('/');
    parts.folder = path.Left(slash + 1);
    CString file = path.Mid(slash + 1);
    int dot = file.ReverseFind('.');
    // A leading dot names a hidden file, not an extension.
    if (dot > 0) {
        parts.name = file.Left(dot);
        parts.extension = file.Mid(dot);
    } else {
        parts.name = file;
    }
    return parts;
}

CString WithSlash(const CString& folder)
{
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] == '/')
        return folder;
    return folder + "/";
}

CString CurrentFolder()
{
    return WithSlash(CString(velmora::CurrentFolder().c_str()));
}

CString MakeGrabTempFile(const CString& folder)
{
    CString base = folder.IsEmpty() ? CurrentFolder() : WithSlash(folder);
    if (base.IsEmpty())
        return CString();
    std::string name = (base + "flXXXXXX.bmp").str();
    int fd = mkstemps(name.data(), 4);
    if (fd < 0)
        return CString();
    close(fd);
    return CString(name);
}

bool TargetReplaceable(const char* path)
{
    struct stat info;
    if (stat(path, &info) != 0)
        return true;
    return S_ISREG(info.st_mode) && (info.st_mode & 0222) != 0;
}

bool CopyFileInPlace(const char* from, const char* to)
{
    return velmora::CopyFileAtomically(from, to);
}
