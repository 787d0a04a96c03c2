// Frames as device-independent bitmaps: the packed form the clipboard takes
// and the BMP file form SaveDIB writes.
#pragma once

#include "capture/driver.h"

#include <string>

namespace capture {

// Header, colour table and rows in one block; empty when the frame's rows do
// not fill its format.
std::vector<BYTE> PackedDib(const Frame& frame);
// The same behind a 14-byte BMP file header.
std::vector<BYTE> BmpFileImage(const Frame& frame);
// Written whole or not at all: a failed write never leaves half a picture
// under `path`, and nothing planted beside it is written through.
bool WriteBmpFile(const Frame& frame, const std::string& path);

}  // namespace capture
