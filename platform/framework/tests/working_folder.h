// For program tests: names unique to one test, and a fresh working folder.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

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

}  // namespace velmora_test
