// The mail hand-off library as every program and library of the suite
// reaches it: one loader, one library per process. It is looked for when
// first needed (the programs ask for "AOLXFER32.DLL"; here that is
// libaolxfer32.so): beside the running program, beside this loader, then on
// the library path. Once found it stays loaded until the process ends, so a
// hand-off under way is never cut short. Safe from any thread.
#pragma once

typedef int (*MovePictureToAolMailFunction)(const char* path);

namespace mail {

// True when the library is there.
bool Available();
// Hands `path` to the desktop's mail program; false when the library is
// missing or the hand-off failed.
bool MovePicture(const char* path);

// From now on looks for the library under `fileName` (null: the usual name);
// the next call looks again. For a program told where its library is, and
// for tests.
void UseLibrary(const char* fileName);
// Tests only: hand off through `move` instead of any library (null: back to
// the library).
void UseHandOff(MovePictureToAolMailFunction move);

} // namespace mail
