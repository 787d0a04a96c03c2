#include "audio/sound_format_chooser.h"

#include "framework/UiService.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace audio {

namespace {

constexpr std::array<uint32_t, 7> kRates{8000, 11025, 16000, 22050, 32000, 44100, 48000};

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b)
{
    return a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample && a.nChannels == b.nChannels;
}

std::string WithThousands(uint32_t n)
{
    std::string text = std::to_string(n);
    for (int at = int(text.size()) - 3; at > 0; at -= 3)
        text.insert(size_t(at), 1, ',');
    return text;
}

}  // namespace

std::vector<WAVEFORMATEX> ChoosableSoundFormats(AudioSource& source)
{
    std::vector<PcmFormat> candidates;
    for (uint32_t rate : kRates)
        for (uint16_t bits : {uint16_t(8), uint16_t(16)})
            for (uint16_t channels : {uint16_t(1), uint16_t(2)})
                if (WaveFormatRecordable(PcmWaveFormat(rate, bits, channels)))
                    candidates.push_back(PcmFormat{channels, rate, bits});
    std::vector<WAVEFORMATEX> formats;
    for (const PcmFormat& f : source.Accepted(candidates))
        formats.push_back(PcmWaveFormat(f.samplesPerSec, f.bitsPerSample, f.channels));
    return formats;
}

CString SoundFormatText(const WAVEFORMATEX& f)
{
    CString text;
    text.Format("%s Hz, %u Bit, %s   %u KB/s", WithThousands(f.nSamplesPerSec).c_str(),
                unsigned(f.wBitsPerSample), f.nChannels == 1 ? "Mono" : "Stereo",
                unsigned((f.nAvgBytesPerSec + 512) / 1024));
    return text;
}

SoundFormatDialog::SoundFormatDialog(CWnd* owner, const char* title, std::vector<WAVEFORMATEX> formats,
                                     const WAVEFORMATEX& current)
    : CDialog(kSoundFormatDialogId, owner), m_title(title ? title : ""), m_formats(std::move(formats))
{
    const auto it = std::find_if(m_formats.begin(), m_formats.end(),
                                 [&](const WAVEFORMATEX& f) { return SameFormat(f, current); });
    if (it != m_formats.end())
        m_selection = int(it - m_formats.begin());
}

BOOL SoundFormatDialog::Select(int index)
{
    if (index < 0 || size_t(index) >= m_formats.size())
        return FALSE;
    m_selection = index;
    return TRUE;
}

void SoundFormatDialog::OnOK()
{
    // With no line chosen there is nothing to hand back: the dialog stays.
    if (m_selection >= 0)
        EndDialog(IDOK);
}

BOOL ChooseSoundFormat(CWnd* owner, const char* title, AudioSource& source, void* format, UINT size)
{
    if (!format || size < sizeof(WAVEFORMATEX))
        return FALSE;
    WAVEFORMATEX current;
    std::memcpy(&current, format, sizeof current);
    SoundFormatDialog dialog(owner, title, ChoosableSoundFormats(source), current);
    if (dialog.DoModal() != IDOK || dialog.Selection() < 0)
        return FALSE;
    std::memset(format, 0, size);
    std::memcpy(format, &dialog.Formats()[size_t(dialog.Selection())], sizeof(WAVEFORMATEX));
    return TRUE;
}

}  // namespace audio
