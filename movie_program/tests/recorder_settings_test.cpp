// The recording settings: rates, the time-lapse interval, sound, and the
// Settings menu's enable and check rules in every state.
#include "recorder_test_util.h"

#include "RecordDialogs.h"
#include "resource.h"

#include "audio/sound_format_chooser.h"

#include <cstring>
#include <functional>

namespace rectest {
namespace {

TEST(RecordSettings, RatesAndTimeLapseIntervals)
{
    struct RateCase {
        int rate, other, fps;
    };
    for (const RateCase& c : {RateCase{kRateBest, 7, 15}, RateCase{kRateBetter, 7, 10}, RateCase{kRateGood, 7, 5},
                              RateCase{kRateOther, 7, 7}, RateCase{kRateOther, 1, 1}, RateCase{kRateOther, 0, 1},
                              RateCase{kRateOther, 45, 30}})
        EXPECT_EQ(RateFps(c.rate, c.other), c.fps) << c.rate << " " << c.other;

    struct IntervalCase {
        DWORD count;
        const char* unit;
        bool known;
        DWORD seconds;
    };
    const IntervalCase intervals[] = {
        {5, "Seconds", true, 5},   {2, "Minutes", true, 120},     {2, "MINUTES", true, 120},
        {3, "hours", true, 10800}, {60, "Hours", true, 216000},   {4, "Fortnights", false, 4},
        {4, "", false, 4},         {4, "Minute", false, 4},       {0, "Minutes", true, 0},
    };
    for (const IntervalCase& c : intervals) {
        EXPECT_EQ(IsTimeLapseUnit(c.unit), c.known) << c.unit;
        EXPECT_EQ(TimeLapseSeconds(c.count, c.unit), c.seconds) << c.count << " " << c.unit;
    }
    EXPECT_FALSE(IsTimeLapseUnit(nullptr));
}

class RecordSettingsTest : public RecorderTest {
protected:
    CAPTUREPARMS CaptureSetup()
    {
        CAPTUREPARMS parms{};
        EXPECT_TRUE(view.camera.GetSequenceSetup(&parms));
        return parms;
    }
};

// What the view read from its store reaches the capture window, and an
// interval stored in upper case still means what was chosen.
TEST_F(RecordSettingsTest, StoredSettingsReachTheCaptureSetup)
{
    struct Case {
        const char* name;
        int rate, fps;
        BOOL audio;
        DWORD count;
        const char* unit;
        DWORD microSecPerFrame;
        DWORD seconds;
    };
    const Case cases[] = {
        {"better, minutes", kRateBetter, 10, TRUE, 2, "MINUTES", 100000, 120},
        {"best, no sound", kRateBest, 10, FALSE, 5, "SECONDS", 66666, 5},
        {"other 2, hours", kRateOther, 2, TRUE, 1, "HOURS", 500000, 3600},
        {"good, unknown unit", kRateGood, 10, TRUE, 7, "WEEKS", 200000, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRecordSettings& s = recorder.Settings();
        s.rate = c.rate;
        s.fps = c.fps;
        s.audio = c.audio;
        s.timeLapseCount = c.count;
        s.timeLapseUnit = c.unit;
        recorder.ApplySettings();
        EXPECT_EQ(CaptureSetup().dwRequestMicroSecPerFrame, c.microSecPerFrame);
        EXPECT_EQ(CaptureSetup().fCaptureAudio, c.audio);
        EXPECT_EQ(recorder.AudioChecked(), c.audio);
        EXPECT_EQ(s.timeLapseSeconds, c.seconds);
    }
}

TEST_F(RecordSettingsTest, EnableAndCheckRulesInEveryState)
{
    struct Rules {
        BOOL record, stop, changeMode, toggleAudio, chooseFormat, audioChecked, normal, other;
    };
    struct Case {
        const char* name;
        std::function<void()> enter;
        Rules rules;
    };
    const Case cases[] = {
        {"streaming, idle", [] {}, {TRUE, FALSE, TRUE, TRUE, TRUE, TRUE, TRUE, FALSE}},
        {"streaming without sound", [&] { recorder.OnCaptureAudio(); },
         {TRUE, FALSE, TRUE, TRUE, FALSE, FALSE, TRUE, FALSE}},
        {"streaming at another rate", [&] { recorder.Settings().rate = kRateOther; },
         {TRUE, FALSE, TRUE, TRUE, TRUE, TRUE, FALSE, TRUE}},
        {"streaming, recording",
         [&] {
             view.studio.Arm(1000000);
             recorder.Toggle();
         },
         {FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, TRUE, FALSE}},
        {"time lapse, recording",
         [&] {
             recorder.Settings().mode = kModeTimeLapse;
             recorder.Toggle();
         },
         {FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE, FALSE}},
        {"single frames under way",
         [&] {
             recorder.OnSingleFrame();
             recorder.Toggle();
         },
         {TRUE, FALSE, TRUE, FALSE, FALSE, TRUE, FALSE, FALSE}},
        {"playback", [&] { view.recordFunction = FALSE; }, {FALSE, FALSE, FALSE, FALSE, FALSE, TRUE, TRUE, FALSE}},
        {"no camera", [&] { view.connected = false; }, {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, TRUE, FALSE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.enter();
        const Rules& r = c.rules;
        EXPECT_EQ(recorder.CanRecord(), r.record);
        EXPECT_EQ(recorder.CanStop(), r.stop);
        EXPECT_EQ(recorder.CanChangeMode(), r.changeMode);
        EXPECT_EQ(recorder.CanToggleAudio(), r.toggleAudio);
        EXPECT_EQ(recorder.CanChooseAudioFormat(), r.chooseFormat);
        EXPECT_EQ(recorder.AudioChecked(), r.audioChecked);
        EXPECT_EQ(recorder.NormalChecked(), r.normal);
        EXPECT_EQ(recorder.OtherChecked(), r.other);
        // Back to streaming at the normal rate with sound, nothing running.
        view.connected = true;
        view.recordFunction = TRUE;
        if (recorder.IsRunning()) {
            if (recorder.IsStreaming())
                ASSERT_TRUE(view.studio.WaitUntilParked());
            recorder.Toggle();
        }
        recorder.OnNormalRate();
        if (!recorder.AudioChecked())
            recorder.OnCaptureAudio();
    }
}

TEST_F(RecordSettingsTest, CaptureAudioTogglesTheSetupFlag)
{
    for (BOOL expected : {FALSE, TRUE, FALSE}) {
        recorder.OnCaptureAudio();
        EXPECT_EQ(CaptureSetup().fCaptureAudio, expected);
        EXPECT_EQ(recorder.Settings().audio, expected);
        EXPECT_EQ(recorder.AudioChecked(), expected);
    }
}

TEST_F(RecordSettingsTest, AudioFormatHandsTheChosenFormatToTheCaptureWindow)
{
    recorder.SetSoundSourceFactory([] { return audio::MakeToneSource(); });
    WAVEFORMATEX before{};
    ASSERT_GT(view.camera.GetAudioFormat(&before, sizeof before), 0u);
    struct Case {
        const char* name;
        bool ok;
        DWORD rate;
        WORD bits, channels;
    };
    const Case cases[] = {
        {"cancelled", false, 0, 0, 0},
        {"22 kHz 16-bit stereo", true, 22050, 16, 2},
        {"44 kHz 8-bit mono", true, 44100, 8, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WAVEFORMATEX expected = before;
        CString title;
        ui->AnswerNextDialog([&](CDialog& d) {
            auto& chooser = dynamic_cast<audio::SoundFormatDialog&>(d);
            title = chooser.Title();
            if (!c.ok)
                return IDCANCEL;
            for (size_t i = 0; i < chooser.Formats().size(); ++i) {
                const WAVEFORMATEX& f = chooser.Formats()[i];
                if (f.nSamplesPerSec == c.rate && f.wBitsPerSample == c.bits && f.nChannels == c.channels) {
                    expected = f;
                    chooser.Select(int(i));
                }
            }
            chooser.OnOK();
            return IDOK;
        });
        recorder.OnAudioFormat();
        EXPECT_EQ(title, "Audio Format");
        WAVEFORMATEX now{};
        view.camera.GetAudioFormat(&now, sizeof now);
        EXPECT_EQ(std::memcmp(&now, &expected, sizeof now), 0);
        EXPECT_EQ(now.nSamplesPerSec, c.ok ? c.rate : before.nSamplesPerSec);
        before = now;
    }
    EXPECT_EQ(ui->dialogs, std::vector<UINT>(3, audio::kSoundFormatDialogId));
}

}  // namespace
}  // namespace rectest
