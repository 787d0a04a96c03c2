// The compression options of a movie's pictures, chosen before a save: the
// compressors this system writes movies with and, for the chosen one, only
// the settings it takes. The logic is here; the window is in ShowModalWidget,
// and tests answer the dialog through the UI service.
#pragma once

#include "framework/Dialog.h"
#include "movie/movie_save.h"

#include <string>
#include <vector>

namespace movie {

constexpr UINT IDD_SAVE_OPTIONS = 3201;

// What a compressor lets the user set.
struct CompressorSettings {
    bool quality = false;
    bool keyFrames = false;
    bool dataRate = false;
};
CompressorSettings SettingsOf(uint32_t handler);

class SaveOptionsDialog : public CDialog {
public:
    // Opens on `start`: its compressor chosen, its settings shown.
    SaveOptionsDialog(CWnd* owner, const MovieInfo& video, const CompressOptions& start);
    void OnOK() override;
    int ShowModalWidget() override;

    // The picture compressors offered, full frames first.
    const std::vector<Compressor>& Compressors() const { return m_compressors; }
    // What the chosen compressor takes.
    CompressorSettings Settings() const;
    // The pictures being saved, in words.
    std::string Describe() const;

    // What the user sets; OK turns it into `options`.
    size_t chosen = 0;              // into Compressors()
    int qualityPercent = 75;        // 0..100
    bool keyFramesOn = false;
    uint32_t keyFrameEvery = 15;    // frames
    bool dataRateOn = false;
    uint32_t kilobytesPerSecond = 300;

    CompressOptions options;        // all zero until OK

private:
    MovieInfo m_video;
    std::vector<Compressor> m_compressors;
};

// Asks how the picture stream `video` is to be compressed, starting from
// `options`. OK puts the choice in `options`; any other ending leaves them
// all zero, the options of a save that keeps full frames. True after OK.
bool ChooseSaveOptions(CWnd* owner, const MovieStream& video, CompressOptions& options);

}  // namespace movie
