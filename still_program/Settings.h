// The still program's settings: four sections of typed items, one static
// object each, and the two tables of which a run uses one.
#pragma once

#include "Mcfgtbl.h"
#include "Mcfgtype.h"

namespace snapvo {

struct CaptureSection {
    MCfgSection& section;
    MCfgUShort& driverIndex;
};

struct GeneralSection {
    MCfgSection& section;
    MCfgBool& useSelfTimer;
    MCfgBool& showViewer;
    MCfgBool& showFilmroll;
    MCfgRect& viewerPlacement;
    MCfgRect& filmrollPlacement;
    MCfgUShort& selfTimerSeconds;
    MCfgUShort& multipleExposureCount;
    MCfgUShort& exposureMode;
    MCfgUShort& multiExposureMode;
    MCfgUShort& shutterMode;
    MCfgULong& timedExposureSeconds;
    MCfgUShort& destination;
};

struct WindowSection {
    MCfgSection& section;
    MCfgRect& placement;
    MCfgBool& showFullScreenPrompt;
};

struct AutoCaptureSection {
    MCfgSection& section;
    MCfgUShort& everyType;
    MCfgUShort& everyInterval;
    MCfgBool& fileSeries;
    MCfgUShort& fileSeriesType;
    MCfgUShort& days;
    MCfgBool& allDay;
    MCfgULong& beginTime;
    MCfgBool& useEndTime;
    MCfgULong& endTime;
    MCfgBool& warning;
    MCfgString& latestImageName;
    MCfgString& incrementName;
    MCfgBool& otherEnabled;
    MCfgString& workingDirectory;
};

CaptureSection& CaptureSettings();
GeneralSection& GeneralSettings();
WindowSection& WindowSettings();
AutoCaptureSection& AutoCaptureSettings();

MCfgINITable& IniTable();
MCfgClassesRootTable& ClassesRootTable();

// Every item back to its initial value and every section detached: a test
// starting the program afresh.
void ResetSettingsForTest();

}  // namespace snapvo
