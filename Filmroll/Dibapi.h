// Bitmap routines of the film roll window: a BMP file as a packed DIB in a
// global block (the clipboard's layout), and copies of such blocks.
#pragma once

#include "gdi/globalmem.h"
#include "types/CString.h"

#include <cstddef>
#include <string_view>

// A movable, zero-filled block of the file's length holding the file without
// its 14-byte header; null when the file cannot be read (or is no regular
// file) or is not a whole bitmap: header, colour table and rows.
HGLOBAL ReadDIBFile(const CString& path);
// The same rules over a file already in memory.
HGLOBAL DIBFromFileImage(std::string_view file);
HGLOBAL CopyHandle(HGLOBAL block);
