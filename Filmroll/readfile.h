// Reads of picture files for the film roll and its writers. A roll folder may
// hold anything under a picture's name (a FIFO called img1.bmp would make a
// plain open wait forever), so every read takes regular files only and says
// on standard error why it could not read one.
#pragma once

#include "CImg.h"
#include "types/CString.h"

#include <cstddef>
#include <string>

// Nothing the camera or the roll makes comes near this; larger is not a picture of ours.
constexpr size_t kLargestPictureFile = size_t(256) << 20;

// The whole file; false (with the reason on stderr) when it is missing, not
// a regular file, larger than kLargestPictureFile or unreadable. A missing
// file is ordinary (a roll may list a deleted picture) and is not reported.
bool ReadPictureFile(const char* path, std::string& bytes);

// Says on stderr why `path` could not be read; quiet for a missing file.
void ReportUnreadable(const char* path, int error);

// Loads the picture held in the file `path` into `picture`. The picture's
// own file name stays empty: callers keep the path themselves.
IMG_ERR LoadPictureFile(CImg& picture, const char* path);
