#include "aolmail.h"

#include "mail/loader.h"

#include <dlfcn.h>

#include <string>

namespace {

void* g_library = nullptr;
std::string g_libraryName;

} // namespace

BOOL CAOLMail::GAOLMail()
{
    if (!g_library)
        g_library = LoadAolXferLibrary(g_libraryName.empty() ? nullptr : g_libraryName.c_str());
    return TRUE;
}

BOOL CAOLMail::GUseAOLMail()
{
    return g_library != nullptr;
}

BOOL CAOLMail::GMovePicture(const char* path)
{
    GAOLMail();
    MovePictureToAolMailFunction move = FindMovePictureToAolMail(g_library);
    return move && path && move(path) != 0;
}

void CAOLMail::GSetLibraryName(const char* fileName)
{
    if (g_library)
        dlclose(g_library);
    g_library = nullptr;
    g_libraryName = fileName ? fileName : "";
}
