// Shared pieces of the film roll tests: a scratch folder, small BMP files, a
// recording CFilmrollUser.
#pragma once

#include "film32.h"
#include "types/CString.h"

#include <string>
#include <vector>

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A whole 24-bit BMP file of width x height in one colour.
std::vector<char> MakeBmp(int width, int height, unsigned char shade = 0x80);
void WriteFile(const std::string& path, const std::string& bytes);
void WriteFile(const std::string& path, const std::vector<char>& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

struct RecordingUser : CFilmrollUser {
    void VFilmrollOpenImage(const CString& path) override { opened.push_back(path.str()); }
    void VFilmrollWindowRect(int flag, int l, int t, int r, int b) override { rects.push_back({flag, l, t, r, b}); }
    void VFilmrollWindowHandle(HWND hwnd) override { handles.push_back(hwnd); }
    void VFilmrollSendToAOLMail(CString path) override { mailed.push_back(path.str()); }

    std::vector<std::string> opened;
    std::vector<std::vector<int>> rects;
    std::vector<HWND> handles;
    std::vector<std::string> mailed;
};
