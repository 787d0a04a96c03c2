// A folder of this test process's own: ctest runs cases in parallel processes,
// so fixed names in the shared temporary folder would collide.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

inline const std::string& ProcessTempDir()
{
    // Never destroyed, so the exit handler below can still read it.
    static const std::string& dir = *new std::string([] {
        char name[] = "/tmp/velmora-capture-XXXXXX";
        std::string made = mkdtemp(name) ? name : "/tmp";
        if (made != "/tmp")
            std::atexit([] {
                std::error_code ec;
                std::filesystem::remove_all(ProcessTempDir(), ec);
            });
        return made;
    }());
    return dir;
}
