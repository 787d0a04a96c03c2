#include "Settings.h"

namespace snapvo {
namespace {

constexpr int kNoLimit = 2147483647;

MCfgINITable g_iniTable;
MCfgClassesRootTable g_classesRootTable;

MCfgSection g_capture("Capture");
MCfgUShort g_driverIndex(g_capture, "Capture Driver Index", 0, 0, 9, 0);

MCfgSection g_general("General Settings");
MCfgBool g_useSelfTimer(g_general, "Use Self Timer", 0, 0);
MCfgBool g_showViewer(g_general, "Show the Viewer", 1, 0);
MCfgBool g_showFilmroll(g_general, "Show the Filmroll", 1, 0);
MCfgRect g_viewerPlacement(g_general, "Viewer Placement", CRect(0, 0, 0, 0), 0);
MCfgRect g_filmrollPlacement(g_general, "Filmrol Placement", CRect(0, 0, 0, 0), 0);
MCfgUShort g_selfTimerSeconds(g_general, "Self Timer Seconds", 0, 0, 60, 0);
MCfgUShort g_multipleExposureCount(g_general, "Multiple Exposure Seconds", 1, 1, 36, 0);
MCfgUShort g_exposureMode(g_general, "Exposure Mode", 0, 0, 65535, 0);
MCfgUShort g_multiExposureMode(g_general, "Multi Exposure Mode", 0, 0, 65535, 0);
MCfgUShort g_shutterMode(g_general, "Shutter Mode", 0, 0, 65535, 0);
MCfgULong g_timedExposureSeconds(g_general, "Timed Exposure Seconds", 3, 0, 86400, 0);
MCfgUShort g_destination(g_general, "Destination", 3, 0, 65535, 0);

MCfgSection g_window("Window");
MCfgRect g_placement(g_window, "Placement", CRect(0, 0, 0, 0), 0);
MCfgBool g_showFullScreenPrompt(g_window, "Show Full Screen Prompt", 1, 0);

MCfgSection g_auto("Auto Capture");
MCfgUShort g_everyType(g_auto, "Picture Every Type", 0, 0, 65535, 0);
MCfgUShort g_everyInterval(g_auto, "Picture Every Interval", 10, 0, 65535, 0);
MCfgBool g_fileSeries(g_auto, "File Series", 0, 0);
MCfgUShort g_fileSeriesType(g_auto, "File Series Type", 0, 0, 65535, 0);
MCfgUShort g_days(g_auto, "Days", 127, 0, 65535, 0);
MCfgBool g_allDay(g_auto, "All Day", 1, 0);
MCfgULong g_beginTime(g_auto, "Begin Time", 0, 0, 4294967295u, 0);
MCfgBool g_useEndTime(g_auto, "Use End Time", 0, 0);
MCfgULong g_endTime(g_auto, "End Time", 0, 0, 4294967295u, 0);
MCfgBool g_warning(g_auto, "Warning", 1, 0);
MCfgString g_latestImageName(g_auto, "Latest Image Name", "latest.bmp", kNoLimit, 0);
MCfgString g_incrementName(g_auto, "Increment Name", "Series", kNoLimit, 0);
MCfgBool g_otherEnabled(g_auto, "Other Enabled", 0, 0);
MCfgString g_workingDirectory(g_auto, "Working Directory", "", kNoLimit, 0);

CaptureSection g_captureRefs{g_capture, g_driverIndex};
GeneralSection g_generalRefs{g_general,          g_useSelfTimer,          g_showViewer,       g_showFilmroll,
                             g_viewerPlacement,  g_filmrollPlacement,     g_selfTimerSeconds, g_multipleExposureCount,
                             g_exposureMode,     g_multiExposureMode,     g_shutterMode,      g_timedExposureSeconds,
                             g_destination};
WindowSection g_windowRefs{g_window, g_placement, g_showFullScreenPrompt};
AutoCaptureSection g_autoRefs{g_auto,        g_everyType,       g_everyInterval,   g_fileSeries,   g_fileSeriesType,
                              g_days,        g_allDay,          g_beginTime,       g_useEndTime,   g_endTime,
                              g_warning,     g_latestImageName, g_incrementName,   g_otherEnabled, g_workingDirectory};

}  // namespace

CaptureSection& CaptureSettings() { return g_captureRefs; }
GeneralSection& GeneralSettings() { return g_generalRefs; }
WindowSection& WindowSettings() { return g_windowRefs; }
AutoCaptureSection& AutoCaptureSettings() { return g_autoRefs; }
MCfgINITable& IniTable() { return g_iniTable; }
MCfgClassesRootTable& ClassesRootTable() { return g_classesRootTable; }

void ResetSettingsForTest()
{
    for (MCfgSection* s : {&g_capture, &g_general, &g_window, &g_auto})
        s->SetTable(nullptr);
    g_iniTable.Unload();
    g_classesRootTable.Unload();
    g_driverIndex = 0;
    g_useSelfTimer = 0;
    g_showViewer = 1;
    g_showFilmroll = 1;
    g_viewerPlacement = CRect(0, 0, 0, 0);
    g_filmrollPlacement = CRect(0, 0, 0, 0);
    g_selfTimerSeconds = 0;
    g_multipleExposureCount = 1;
    g_exposureMode = 0;
    g_multiExposureMode = 0;
    g_shutterMode = 0;
    g_timedExposureSeconds = 3;
    g_destination = 3;
    g_placement = CRect(0, 0, 0, 0);
    g_showFullScreenPrompt = 1;
    g_everyType = 0;
    g_everyInterval = 10;
    g_fileSeries = 0;
    g_fileSeriesType = 0;
    g_days = 127;
    g_allDay = 1;
    g_beginTime = 0;
    g_useEndTime = 0;
    g_endTime = 0;
    g_warning = 1;
    g_latestImageName = CString("latest.bmp");
    g_incrementName = CString("Series");
    g_otherEnabled = 0;
    g_workingDirectory = CString("");
}

}  // namespace snapvo
