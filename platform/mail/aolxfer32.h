// The mail hand-off: gives a picture file to the desktop's mail program as an
// attachment of a new message. Programs load this library by name at run time.
#pragma once

extern "C" {
// Non-zero when the mail program was started with the file attached.
int MovePictureToAolMail(const char* path);
}

// The file name a program asks the loader for in place of "AOLXFER32.DLL".
inline constexpr const char* kAolXferLibraryName = "libaolxfer32.so";
