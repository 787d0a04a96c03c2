#include "mail/loader.h"
#include "mail/aolxfer32.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <string>

namespace {

std::string FolderOf(const std::string& file)
{
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

std::string ProgramFolder()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? FolderOf(std::string(path, size_t(length))) : std::string();
}

// The folder of this loader (beside film32 and the mail library in an installation).
std::string OwnFolder()
{
    Dl_info info {};
    if (!dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname)
        return {};
    return FolderOf(info.dli_fname);
}

void* Open(const std::string& name)
{
    if (name.find('/') == std::string::npos) {
        for (const std::string& folder : {ProgramFolder(), OwnFolder()})
            if (void* library = dlopen((folder + name).c_str(), RTLD_NOW | RTLD_LOCAL))
                return library;
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// What the process found; libraries once opened are never closed.
struct Loader {
    std::mutex lock;
    std::string name = kAolXferLibraryName;
    bool looked = false;
    MovePictureToAolMailFunction found = nullptr;
    MovePictureToAolMailFunction override = nullptr;

    MovePictureToAolMailFunction HandOff()
    {
        std::lock_guard guard(lock);
        if (override)
            return override;
        if (!looked) {
            void* library = Open(name);
            found = library ? reinterpret_cast<MovePictureToAolMailFunction>(dlsym(library, "MovePictureToAolMail"))
                            : nullptr;
            looked = true;
        }
        return found;
    }
};

Loader& TheLoader()
{
    static Loader loader;
    return loader;
}

} // namespace

namespace mail {

bool Available()
{
    return TheLoader().HandOff() != nullptr;
}

bool MovePicture(const char* path)
{
    MovePictureToAolMailFunction move = TheLoader().HandOff();
    return move && path && *path && move(path) != 0;
}

void UseLibrary(const char* fileName)
{
    Loader& loader = TheLoader();
    std::lock_guard guard(loader.lock);
    loader.name = fileName && *fileName ? fileName : kAolXferLibraryName;
    loader.looked = false;
    loader.found = nullptr;
}

void UseHandOff(MovePictureToAolMailFunction move)
{
    Loader& loader = TheLoader();
    std::lock_guard guard(loader.lock);
    loader.override = move;
}

} // namespace mail
