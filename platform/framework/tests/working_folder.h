// For program tests: names unique to one test, a fresh working folder and a
// key store of their own.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace velmora_test {

// Names unique to this process and test, for folders and keys.
inline std::string UniqueName(const char* stem)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(stem) + "-" + std::to_string(getpid());
    if (info)
        name += std::string("-") + info->name();
    return name;
}

// A fresh folder, made current for the test and removed afterwards.
class WorkingFolder {
public:
    explicit WorkingFolder(const char* name)
        : m_path(std::filesystem::temp_directory_path() / UniqueName(name)), m_previous(std::filesystem::current_path())
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
        std::filesystem::current_path(m_path);
    }
    ~WorkingFolder()
    {
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

// Points this process's key store at a folder of its own. The folder is
// emptied first: one left behind by an earlier process that had the same
// number and ran the same test must not lend this one its settings. Every
// folder made is removed when the process ends.
inline std::filesystem::path UseFreshConfigHome(const char* stem)
{
    struct Made {
        std::vector<std::filesystem::path> paths;
        ~Made()
        {
            std::error_code ignored;
            for (const auto& path : paths)
                std::filesystem::remove_all(path, ignored);
        }
    };
    static Made made;
    const auto path = std::filesystem::temp_directory_path() / UniqueName(stem);
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    made.paths.push_back(path);
    return path;
}

}  // namespace velmora_test
