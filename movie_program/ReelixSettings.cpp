#include "ReelixSettings.h"

#include <memory>

namespace reelix {
namespace {

MCfgClassesRootTable g_table;

// The sections and their items, made as a whole: a fresh set has every item
// marked for writing, as a first start of the program has.
struct Items {
    MCfgSection window{"Window"};
    MCfgRect placement{window, "Placement", CRect(0, 0, 0, 0), 0};

    MCfgSection windowMode{"Window Mode"};
    MCfgUpperString zoom{windowMode, "Zoom", "FULL", 20, 0};
    MCfgUpperString angle{windowMode, "Angle of View", "CONSTANT", 20, 0};
    MCfgUpperString sizeOfCapture{windowMode, "Size of Capture", "FULL", 20, 0};

    MCfgSection capture{"Capture"};
    MCfgUpperString rate{capture, "CaptureRate", "BETTERRATE", 25, 0};
    // The Other Frame Rate dialog takes 1..30 and so does the store: a slow
    // rate the user chose is still there after a restart. 5 is what a first
    // start uses.
    MCfgUShort other{capture, "Other", 5, 1, 30, 0};
    MCfgUShort driver{capture, "CaptureDriver", 0, 0, 9, 0};
    MCfgULong timeLapseCount{capture, "TimeLapseEditControl", 5, 0, 60, 0};
    MCfgUpperString period{capture, "Period", "SECONDS", 20, 0};
    MCfgUpperString mode{capture, "CaptureMode", "STREAMING", 25, 0};
    MCfgBool audio{capture, "CaptureAudio", 1, 0};

    WindowSection windowRefs{window, placement};
    WindowModeSection windowModeRefs{windowMode, zoom, angle, sizeOfCapture};
    CaptureSection captureRefs{capture, rate, other, driver, timeLapseCount, period, mode, audio};
};

std::unique_ptr<Items>& TheItems()
{
    static std::unique_ptr<Items> items = std::make_unique<Items>();
    return items;
}

struct Named {
    int value;
    const char* text;
};
const Named kRates[] = {
    {kRateBest, "BESTRATE"}, {kRateBetter, "BETTERRATE"}, {kRateGood, "GOODRATE"}, {kRateOther, "OTHERRATE"}};
const Named kModes[] = {{kModeSingle, "SINGLE"}, {kModeTimeLapse, "TIMELAPSE"}, {kModeStreaming, "STREAMING"}};

template <size_t N>
int FromText(const Named (&table)[N], const CString& text)
{
    CString upper = text;
    upper.MakeUpper();
    for (const Named& n : table)
        if (upper == n.text)
            return n.value;
    return -1;
}

template <size_t N>
const char* ToText(const Named (&table)[N], int value, const char* otherwise)
{
    for (const Named& n : table)
        if (n.value == value)
            return n.text;
    return otherwise;
}

// The section's items as the table first sees them: mode 2 tells no one.
constexpr int kQuietNotify = 2;

}  // namespace

WindowSection& WindowSettings() { return TheItems()->windowRefs; }
WindowModeSection& WindowModeSettings() { return TheItems()->windowModeRefs; }
CaptureSection& CaptureSettings() { return TheItems()->captureRefs; }
MCfgClassesRootTable& SettingsTable() { return g_table; }

BOOL AttachSection(MCfgSection& section)
{
    section.m_nNotifyMode = kQuietNotify;
    return section.SetTable(&g_table);
}

const char* RateText(int rate) { return ToText(kRates, rate, "BETTERRATE"); }
int RateFromText(const CString& text) { return FromText(kRates, text); }
// Anything else (a mode the program does not know) is saved as streaming.
const char* ModeText(int mode) { return ToText(kModes, mode, "STREAMING"); }
int ModeFromText(const CString& text) { return FromText(kModes, text); }

CRecordSettings ReadRecordSettings(const CaptureSection& capture, const CRecordSettings& current)
{
    CRecordSettings s = current;
    const int rate = RateFromText(CString(capture.rate));
    if (rate >= 0) {
        s.rate = rate;
        s.fps = RateFps(rate, int(capture.otherFps.Get()));
    } else {
        s.rate = kRateBetter;
    }
    const int mode = ModeFromText(CString(capture.mode));
    s.mode = mode >= 0 ? mode : kModeStreaming;
    s.timeLapseCount = capture.timeLapseCount.Get();
    s.timeLapseUnit = CString(capture.period);
    s.timeLapseSeconds = TimeLapseSeconds(s.timeLapseCount, s.timeLapseUnit);
    s.audio = capture.audio ? TRUE : FALSE;
    return s;
}

void WriteRecordSettings(const CRecordSettings& settings, CaptureSection& capture)
{
    capture.rate = CString(RateText(settings.rate));
    if (settings.rate == kRateOther)
        capture.otherFps = static_cast<unsigned short>(settings.fps);
    capture.mode = CString(ModeText(settings.mode));
    capture.timeLapseCount = settings.timeLapseCount;
    capture.period = settings.timeLapseUnit;
    capture.audio = settings.audio ? 1 : 0;
}

void ResetSettingsForTest()
{
    Items& items = *TheItems();
    for (MCfgSection* s : {&items.window, &items.windowMode, &items.capture})
        s->SetTable(nullptr);
    g_table.Unload();
    TheItems() = std::make_unique<Items>();
}

}  // namespace reelix
