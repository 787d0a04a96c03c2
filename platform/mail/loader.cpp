#include "mail/loader.h"
#include "mail/aolxfer32.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>

namespace {

std::string ProgramFolder()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    std::string exe(path, size_t(length));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

} // namespace

void* LoadAolXferLibrary(const char* fileName)
{
    std::string name = fileName ? fileName : kAolXferLibraryName;
    if (name.find('/') == std::string::npos) {
        std::string beside = ProgramFolder() + name;
        if (void* library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

MovePictureToAolMailFunction FindMovePictureToAolMail(void* library)
{
    return library ? reinterpret_cast<MovePictureToAolMailFunction>(dlsym(library, "MovePictureToAolMail"))
                   : nullptr;
}
