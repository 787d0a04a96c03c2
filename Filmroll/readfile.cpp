#include "readfile.h"

#include "types/SafeFile.h"

#include <cerrno>
#include <cstdio>

void ReportUnreadable(const char* path, int error)
{
    if (error != ENOENT)
        std::fprintf(stderr, "film roll: cannot read %s: %s\n", path, velmora::FileErrorText(error).c_str());
}

bool ReadPictureFile(const char* path, std::string& bytes)
{
    bytes.clear();
    if (!path || !*path)
        return false;
    if (velmora::ReadRegularFile(path, bytes, kLargestPictureFile))
        return true;
    ReportUnreadable(path, errno);
    bytes.clear();
    return false;
}

IMG_ERR LoadPictureFile(CImg& picture, const char* path)
{
    std::string bytes;
    if (!ReadPictureFile(path, bytes))
        return IMG_ERR_OPEN;
    if (bytes.empty())
        return IMG_ERR_CONTENT;
    return picture.Load(bytes.data(), int(bytes.size()));
}
