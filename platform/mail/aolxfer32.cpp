#include "aolxfer32.h"

#include <cerrno>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Starts the mail program without a shell, so no character of the path is
// interpreted. An intermediate child starts it and ends at once; the mail
// program is then nobody's child of ours and never lingers as a zombie, and
// the intermediate's exit status says whether the program could be started.
bool SpawnDetached(const char* path)
{
    pid_t middle = fork();
    if (middle < 0)
        return false;
    if (middle == 0) {
        char program[] = "xdg-email";
        char attach[] = "--attach";
        char* argv[] = {program, attach, const_cast<char*>(path), nullptr};
        pid_t mailer = 0;
        _exit(posix_spawnp(&mailer, program, nullptr, nullptr, argv, environ) == 0 ? 0 : 1);
    }
    int status = 0;
    pid_t reaped = 0;
    do
        reaped = waitpid(middle, &status, 0);
    while (reaped < 0 && errno == EINTR);
    return reaped == middle && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int MovePictureToAolMail(const char* path)
{
    struct stat info {};
    if (!path || !*path || stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return SpawnDetached(path) ? 1 : 0;
}
