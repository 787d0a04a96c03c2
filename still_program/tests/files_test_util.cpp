#include "files_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace snapvotest {

GrabToFileFn GrabWriting(std::vector<uint8_t> bmp, bool sixteenGray, int* calls)
{
    return [bmp = std::move(bmp), sixteenGray, calls](const CString& path, BOOL& gray) -> BOOL {
        if (calls)
            ++*calls;
        filmtest::WriteBytes(path.GetString(), bmp);
        gray = sixteenGray;
        return TRUE;
    };
}

GrabToFileFn FailingGrab()
{
    return [](const CString&, BOOL&) -> BOOL { return FALSE; };
}

InFolder::InFolder(const fs::path& folder) : m_old(fs::current_path())
{
    fs::current_path(folder);
}

InFolder::~InFolder()
{
    fs::current_path(m_old);
}

std::pair<int, int> DjpegSize(const fs::path& jpeg)
{
    fs::path ppm = jpeg.string() + ".ppm";
    std::string command = std::string(DJPEG_PROGRAM) + " -pnm -outfile '" + ppm.string() + "' '" + jpeg.string() + "'";
    if (std::system(command.c_str()) != 0)
        return {0, 0};
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int width = 0, height = 0;
    in >> magic >> width >> height;
    in.close();
    fs::remove(ppm);
    return magic == "P6" ? std::pair{width, height} : std::pair{0, 0};
}

std::string Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace snapvotest
