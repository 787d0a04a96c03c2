// Small readers and writers of key store values shared by the key store tests.
#pragma once

#include "keystore/keystore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace keystore_test {

inline HKEY Create(HKEY parent, const char* path, DWORD* disposition = nullptr, const char* cls = nullptr)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(parent, path, 0, cls, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              disposition),
              ERROR_SUCCESS);
    return key;
}

inline LONG SetText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
}

// The stored text, or "<missing>" when it cannot be read into a short buffer.
inline std::string GetText(HKEY key, const char* name)
{
    char buffer[256] = {};
    DWORD size = sizeof buffer - 1;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size) != ERROR_SUCCESS)
        return "<missing>";
    return std::string(buffer);
}

inline bool HasValue(HKEY key, const char* name)
{
    DWORD size = 0;
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

// Names of the files a damaged store was moved to.
inline std::vector<std::string> AsideNames(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().filename().string().find(".corrupt-") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace keystore_test
