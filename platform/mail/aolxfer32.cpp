#include "aolxfer32.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// The child starts with no signal blocked and default handlers, whatever the
// calling thread had set up.
struct SpawnAttributes {
    posix_spawnattr_t attr;
    SpawnAttributes()
    {
        posix_spawnattr_init(&attr);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &all);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attr); }
};

// Waits for the mail program in the background, so it never lingers as a
// zombie and the caller does not wait for the user to finish the message.
void ReapLater(pid_t child)
{
    std::thread([child] {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Starts the mail program straight from this process, without a shell, so
// no character of the path is interpreted; posix_spawnp reports a program
// that could not be started. (No fork: the callers are threaded programs.)
bool Spawn(const char* path)
{
    char program[] = "xdg-email";
    char attach[] = "--attach";
    char* argv[] = {program, attach, const_cast<char*>(path), nullptr};
    SpawnAttributes attributes;
    pid_t mailer = 0;
    if (posix_spawnp(&mailer, program, nullptr, &attributes.attr, argv, environ) != 0)
        return false;
    ReapLater(mailer);
    return true;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int MovePictureToAolMail(const char* path)
{
    struct stat info {};
    if (!path || !*path || stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return Spawn(path) ? 1 : 0;
}
