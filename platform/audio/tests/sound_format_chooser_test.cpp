// The sound-format chooser offers exactly what a recording can take, opens on
// the current format, and hands back the chosen one only on OK.
#include "audio/sound_format_chooser.h"
#include "capture/capture_window.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <tuple>

using namespace audio;

namespace {

// A sound input that takes only what `takes` allows.
class PickySource final : public AudioSource {
public:
    explicit PickySource(std::function<bool(const PcmFormat&)> takes) : m_takes(std::move(takes)) {}
    std::string Name() const override { return "picky"; }
    bool Start(const PcmFormat&, Sink) override { return false; }
    void Stop() override {}
    std::vector<PcmFormat> Accepted(const std::vector<PcmFormat>& candidates) override
    {
        std::vector<PcmFormat> out;
        std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(out), m_takes);
        return out;
    }

private:
    std::function<bool(const PcmFormat&)> m_takes;
};

bool Offered(const std::vector<WAVEFORMATEX>& list, uint32_t rate, uint16_t bits, uint16_t channels)
{
    return std::any_of(list.begin(), list.end(), [&](const WAVEFORMATEX& f) {
        return f.nSamplesPerSec == rate && f.wBitsPerSample == bits && f.nChannels == channels;
    });
}

BOOL CaptureTakes(const WAVEFORMATEX& format)
{
    capture::CaptureWindow window(nullptr);
    return window.SetAudioFormat(&format, sizeof format);
}

TEST(SoundFormatChooser, OffersEveryStandardFormatTheToneTakesAndTheCaptureWindowAcceptsThemAll)
{
    auto tone = MakeToneSource();
    const auto list = ChoosableSoundFormats(*tone);
    ASSERT_EQ(list.size(), 7u * 2 * 2);
    for (const WAVEFORMATEX& f : list) {
        EXPECT_TRUE(CaptureTakes(f)) << SoundFormatText(f).GetString();
        EXPECT_EQ(f.nBlockAlign, f.nChannels * f.wBitsPerSample / 8);
        EXPECT_EQ(f.nAvgBytesPerSec, f.nSamplesPerSec * f.nBlockAlign);
    }
    // Nothing the capture window would refuse is offered, whatever the rate, depth or channels.
    for (uint32_t rate : {3000u, 8000u, 22050u, 48000u, 96000u, 192000u})
        for (uint16_t bits : {8, 12, 16, 24})
            for (uint16_t channels : {0, 1, 2, 3}) {
                const WAVEFORMATEX f = PcmWaveFormat(rate, bits, channels);
                if (!CaptureTakes(f)) {
                    EXPECT_FALSE(Offered(list, rate, bits, channels)) << rate << " " << bits << " " << channels;
                }
            }
}

TEST(SoundFormatChooser, LeavesOutWhatTheSoundInputRefuses)
{
    PickySource source([](const PcmFormat& f) { return f.bitsPerSample == 16 && f.samplesPerSec != 48000; });
    const auto list = ChoosableSoundFormats(source);
    EXPECT_EQ(list.size(), 6u * 2);
    EXPECT_FALSE(Offered(list, 22050, 8, 1));
    EXPECT_FALSE(Offered(list, 48000, 16, 2));
    EXPECT_TRUE(Offered(list, 44100, 16, 2));
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), [](const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
        return a.nSamplesPerSec < b.nSamplesPerSec;
    }));
}

TEST(SoundFormatChooser, AnInputThatDoesNotOpenOffersNothingAndTheChooserChangesNothing)
{
    auto missing = MakeAlsaSource("velmora-no-such-device");
    EXPECT_TRUE(ChoosableSoundFormats(*missing).empty());
    ScopedTestUi ui;
    WAVEFORMATEX format = PcmWaveFormat(11025, 8, 1);
    const WAVEFORMATEX before = format;
    ui->AnswerNextDialog([](CDialog& d) { d.OnOK(); return IDOK; });
    EXPECT_FALSE(ChooseSoundFormat(nullptr, "Audio Format", *missing, &format, sizeof format));
    EXPECT_EQ(std::memcmp(&format, &before, sizeof format), 0);
}

TEST(SoundFormatChooser, ListLinesNameRateDepthChannelsAndDataRate)
{
    struct Row {
        uint32_t rate;
        uint16_t bits, channels;
        const char* text;
    } rows[] = {
        {22050, 16, 2, "22,050 Hz, 16 Bit, Stereo   86 KB/s"},
        {8000, 8, 1, "8,000 Hz, 8 Bit, Mono   8 KB/s"},
        {48000, 16, 2, "48,000 Hz, 16 Bit, Stereo   188 KB/s"},
        {11025, 8, 2, "11,025 Hz, 8 Bit, Stereo   22 KB/s"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(SoundFormatText(PcmWaveFormat(r.rate, r.bits, r.channels)), r.text);
}

struct Chosen {
    BOOL ok = FALSE;
    int openedOn = -2;
    CString title;
    BYTE buffer[32];
};

// Runs the chooser on a 32-byte buffer holding `current`, answering with `answer`.
Chosen Choose(const WAVEFORMATEX& current, std::function<int(SoundFormatDialog&)> answer)
{
    Chosen c;
    std::memset(c.buffer, 0xEE, sizeof c.buffer);
    std::memcpy(c.buffer, &current, sizeof current);
    ScopedTestUi ui;
    ui->AnswerNextDialog([&](CDialog& d) {
        auto& chooser = dynamic_cast<SoundFormatDialog&>(d);
        c.openedOn = chooser.Selection();
        c.title = chooser.Title();
        return answer(chooser);
    });
    auto tone = MakeToneSource();
    c.ok = ChooseSoundFormat(nullptr, "Audio Format", *tone, c.buffer, sizeof c.buffer);
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{kSoundFormatDialogId});
    return c;
}

int Pick(SoundFormatDialog& d, uint32_t rate, uint16_t bits, uint16_t channels)
{
    const auto& list = d.Formats();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].nSamplesPerSec == rate && list[i].wBitsPerSample == bits && list[i].nChannels == channels)
            d.Select(int(i));
    d.OnOK();
    return IDOK;
}

TEST(SoundFormatChooser, OpensOnTheCurrentFormatAndOkHandsBackTheChosenOneZeroFilled)
{
    const Chosen c = Choose(PcmWaveFormat(22050, 16, 2), [](SoundFormatDialog& d) { return Pick(d, 44100, 8, 1); });
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.title, "Audio Format");
    EXPECT_EQ(c.openedOn, 3 * 4 + 3);   // the fourth rate, 16-bit stereo
    WAVEFORMATEX got;
    std::memcpy(&got, c.buffer, sizeof got);
    const WAVEFORMATEX want = PcmWaveFormat(44100, 8, 1);
    EXPECT_EQ(std::tie(got.wFormatTag, got.nSamplesPerSec, got.wBitsPerSample, got.nChannels, got.nBlockAlign,
                       got.nAvgBytesPerSec, got.cbSize),
              std::tie(want.wFormatTag, want.nSamplesPerSec, want.wBitsPerSample, want.nChannels, want.nBlockAlign,
                       want.nAvgBytesPerSec, want.cbSize));
    EXPECT_TRUE(std::all_of(c.buffer + sizeof got, c.buffer + sizeof c.buffer, [](BYTE b) { return b == 0; }));
}

TEST(SoundFormatChooser, CancelOrOkWithNothingChosenLeavesTheBufferAlone)
{
    const WAVEFORMATEX unusual = PcmWaveFormat(6000, 8, 1);   // not a line of the list
    struct Case {
        const char* name;
        WAVEFORMATEX current;
        std::function<int(SoundFormatDialog&)> answer;
        int openedOn;
    } cases[] = {
        {"cancel", PcmWaveFormat(22050, 16, 2), [](SoundFormatDialog& d) { d.Select(0); return IDCANCEL; }, 15},
        {"ok without a line", unusual, [](SoundFormatDialog& d) { d.OnOK(); return IDOK; }, -1},
    };
    for (const Case& k : cases) {
        const Chosen c = Choose(k.current, k.answer);
        EXPECT_FALSE(c.ok) << k.name;
        EXPECT_EQ(c.openedOn, k.openedOn) << k.name;
        EXPECT_EQ(std::memcmp(c.buffer, &k.current, sizeof k.current), 0) << k.name;
        EXPECT_EQ(c.buffer[sizeof c.buffer - 1], 0xEE) << k.name;
    }
}

TEST(SoundFormatChooser, ABufferTooSmallForARecordIsRefusedWithoutAsking)
{
    ScopedTestUi ui;
    auto tone = MakeToneSource();
    BYTE small[sizeof(WAVEFORMATEX) - 1] = {};
    EXPECT_FALSE(ChooseSoundFormat(nullptr, "Audio Format", *tone, small, sizeof small));
    EXPECT_FALSE(ChooseSoundFormat(nullptr, "Audio Format", *tone, nullptr, 64));
    EXPECT_TRUE(ui->dialogs.empty());
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "sound_format_chooser_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

TEST(SoundFormatChooserWidget, ShowsTheLinesOnTheCurrentOneAndTakesTheRowChosen)
{
    App();
    auto tone = MakeToneSource();
    SoundFormatDialog dialog(nullptr, "Audio Format", ChoosableSoundFormats(*tone), PcmWaveFormat(11025, 8, 2));
    QString title, current;
    int rows = 0;
    QTimer::singleShot(0, [&] {
        auto* widget = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!widget)
            return;
        title = widget->windowTitle();
        auto* list = widget->findChild<QListWidget*>("formats");
        rows = list->count();
        current = list->currentItem()->text();
        list->setCurrentRow(list->count() - 1);
        widget->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    dialog.BeginModal();
    EXPECT_EQ(dialog.ShowModalWidget(), IDOK);
    dialog.FinishModal();
    EXPECT_EQ(title, "Audio Format");
    EXPECT_EQ(rows, 28);
    EXPECT_EQ(current, "11,025 Hz, 8 Bit, Stereo   22 KB/s");
    EXPECT_EQ(dialog.Selection(), 27);
}

}  // namespace
