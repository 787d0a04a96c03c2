// The program's sounds: "CLICK.WAV", "low.wav" and "high.wav". Each is looked
// up in the working directory first, then beside the program, then where the
// suite installs its data; playing is silent without a sound device.
#pragma once

#include "types/CString.h"
#include "types/wintypes.h"

// The file to play for `name`, or empty when none exists.
CString FindSoundFile(const char* name, const CString& workingDirectory);
// Plays `name` asynchronously (SND_ASYNC | SND_NODEFAULT); FALSE when not found.
BOOL PlayProgramSound(const char* name, const CString& workingDirectory);
