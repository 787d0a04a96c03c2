// The movie program's stored settings: three sections of typed items, one
// static object each, in the per-user table; and how the "Capture" items turn
// into the recorder's settings and back.
#pragma once

#include "Mcfgtbl.h"
#include "Mcfgtype.h"
#include "Recorder.h"

namespace reelix {

struct WindowSection {
    MCfgSection& section;
    MCfgRect& placement;
};

// Kept for the store's sake: read and written, never consulted.
struct WindowModeSection {
    MCfgSection& section;
    MCfgUpperString& zoom;
    MCfgUpperString& angleOfView;
    MCfgUpperString& sizeOfCapture;
};

struct CaptureSection {
    MCfgSection& section;
    MCfgUpperString& rate;
    MCfgUShort& otherFps;
    MCfgUShort& driverIndex;
    MCfgULong& timeLapseCount;
    MCfgUpperString& period;
    MCfgUpperString& mode;
    MCfgBool& audio;
};

WindowSection& WindowSettings();
WindowModeSection& WindowModeSettings();
CaptureSection& CaptureSettings();
MCfgClassesRootTable& SettingsTable();

// Attaches a section to the table, telling no one of its changes.
BOOL AttachSection(MCfgSection& section);

// The stored texts of a rate and a capture mode, and back. A text that is
// none of the known ones gives -1.
const char* RateText(int rate);
int RateFromText(const CString& text);
const char* ModeText(int mode);
int ModeFromText(const CString& text);

// The "Capture" items as the recorder keeps them: an unknown rate text keeps
// the rate and frames per second `current` had, an unknown mode streams.
CRecordSettings ReadRecordSettings(const CaptureSection& capture, const CRecordSettings& current);
// The recorder's settings into the items; "Other" only when that rate is chosen.
void WriteRecordSettings(const CRecordSettings& settings, CaptureSection& capture);

// Every item back to its first value and every section detached: a test
// starting the program afresh.
void ResetSettingsForTest();

}  // namespace reelix
