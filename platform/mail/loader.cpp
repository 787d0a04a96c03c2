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

// The folder of the library or program that holds this code (film32 next to
// the mail library in an installation).
std::string OwnFolder()
{
    Dl_info info {};
    if (!dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname)
        return {};
    std::string file = info.dli_fname;
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

} // namespace

void* LoadAolXferLibrary(const char* fileName)
{
    std::string name = fileName ? fileName : kAolXferLibraryName;
    if (name.find('/') == std::string::npos) {
        std::string beside = ProgramFolder() + name;
        if (void* library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
        std::string besideOwn = OwnFolder() + name;
        if (void* library = dlopen(besideOwn.c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

MovePictureToAolMailFunction FindMovePictureToAolMail(void* library)
{
    return library ? reinterpret_cast<MovePictureToAolMailFunction>(dlsym(library, "MovePictureToAolMail"))
                   : nullptr;
}
