// Helpers of the still program's file, viewer and sound tests.
#pragma once

#include "PictureFiles.h"
#include "writers_test_util.h"

#include <filesystem>
#include <string>
#include <vector>

namespace snapvotest {

// A grab that writes `bmp` to the temporary path and reports `sixteenGray`;
// `calls` counts the grabs when given.
GrabToFileFn GrabWriting(std::vector<uint8_t> bmp, bool sixteenGray, int* calls = nullptr);
// A grab that fails, as a full disk makes it.
GrabToFileFn FailingGrab();

// Runs the test inside `folder` as the current directory.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder);
    ~InFolder();

private:
    std::filesystem::path m_old;
};

// Width and height of a JPEG file as the independent decoder reads it;
// (0, 0) when it refuses it.
std::pair<int, int> DjpegSize(const std::filesystem::path& jpeg);

// Whether a file is there and what it holds.
std::string Contents(const std::filesystem::path& path);

} // namespace snapvotest
