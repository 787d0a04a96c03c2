// The "Audio Format" chooser of the movie program: a list of the PCM formats
// the recording can really take (the sound input accepts them and the capture
// window's SetAudioFormat does too), opening on the format given in.
#pragma once

#include "audio/audio_source.h"
#include "audio/wave_format.h"
#include "framework/Dialog.h"
#include "types/CString.h"

#include <vector>

namespace audio {

// The template id the UI service sees for the chooser.
constexpr UINT kSoundFormatDialogId = 0x7A10;
// The largest format record a chooser hands back, in bytes: callers size
// their buffer to the larger of this and the capture window's format size.
constexpr DWORD kMaxSoundFormatSize = sizeof(WAVEFORMATEX);

// Every standard rate, 8 and 16 bits, mono and stereo that `source` takes and
// a recording can hold; by rate, then bits, then channels.
std::vector<WAVEFORMATEX> ChoosableSoundFormats(AudioSource& source);
// "22,050 Hz, 16 Bit, Stereo   86 KB/s" (a kilobyte of 1024 bytes, rounded).
CString SoundFormatText(const WAVEFORMATEX& format);

class SoundFormatDialog : public CDialog {
public:
    SoundFormatDialog(CWnd* owner, const char* title, std::vector<WAVEFORMATEX> formats, const WAVEFORMATEX& current);

    const CString& Title() const { return m_title; }
    const std::vector<WAVEFORMATEX>& Formats() const { return m_formats; }
    // The list line chosen; -1 when the given format was not in the list and
    // nothing has been picked since.
    int Selection() const { return m_selection; }
    // FALSE for a line that is not in the list.
    BOOL Select(int index);
    void OnOK() override;
    int ShowModalWidget() override;   // beside the widget, in sound_format_chooser_widget.cpp

private:
    CString m_title;
    std::vector<WAVEFORMATEX> m_formats;
    int m_selection = -1;
};

// Shows the chooser over `owner`. OK with a line chosen: the chosen format is
// copied into `format` (zero-filled past the record) and TRUE is returned.
// Cancel, an empty list or a buffer too small for a record change nothing.
BOOL ChooseSoundFormat(CWnd* owner, const char* title, AudioSource& source, void* format, UINT size);

}  // namespace audio
