#include "movie/save_options_dialog.h"

#include "framework/UiService.h"

#include <algorithm>

namespace movie {

namespace {

// The settings each picture compressor takes, found by saving with each
// (full frames take none). Motion JPEG makes every frame a key frame;
// Video-1 and Cinepak have no rate control, and Video-1 no quality scale.
struct CompressorRow {
    uint32_t handler;
    CompressorSettings takes;
};
constexpr CompressorRow kCompressorSettings[] = {
    {FourCC('M', 'S', 'V', 'C'), {false, true, false}},
    {FourCC('c', 'v', 'i', 'd'), {true, true, false}},
    {FourCC('M', 'J', 'P', 'G'), {true, false, true}},
    {FourCC('F', 'M', 'P', '4'), {true, true, true}},
    {FourCC('H', '2', '6', '4'), {true, true, true}},
};

constexpr uint32_t kLargestKilobytes = UINT32_MAX / 1024;
constexpr int kDefaultQualityPercent = 75;

int PercentOf(uint32_t quality)
{
    return quality ? int(std::min<uint32_t>(quality, 10000) + 50) / 100 : kDefaultQualityPercent;
}

// Percent 0..100 as quality 1..10000: the coarsest end is still a quality, not "default".
uint32_t QualityOf(int percent) { return std::max(1u, uint32_t(std::clamp(percent, 0, 100)) * 100); }

}  // namespace

CompressorSettings SettingsOf(uint32_t handler)
{
    for (const CompressorRow& row : kCompressorSettings)
        if (SameHandler(row.handler, handler))
            return row.takes;
    return {};
}

SaveOptionsDialog::SaveOptionsDialog(CWnd* owner, const MovieInfo& video, const CompressOptions& start)
    : CDialog(IDD_SAVE_OPTIONS, owner), m_video(video)
{
    for (Compressor& c : AvailableCompressors())
        if (c.video)
            m_compressors.push_back(std::move(c));
    for (size_t i = 0; start.handler && i < m_compressors.size(); ++i)
        if (SameHandler(m_compressors[i].handler, start.handler))
            chosen = i;
    qualityPercent = PercentOf(start.quality);
    keyFramesOn = start.keyFrameEvery > 0;
    keyFrameEvery = keyFramesOn ? start.keyFrameEvery : keyFrameEvery;
    dataRateOn = start.bytesPerSecond > 0;
    kilobytesPerSecond = dataRateOn ? std::max(1u, start.bytesPerSecond / 1024) : kilobytesPerSecond;
}

CompressorSettings SaveOptionsDialog::Settings() const
{
    return chosen < m_compressors.size() ? SettingsOf(m_compressors[chosen].handler) : CompressorSettings{};
}

std::string SaveOptionsDialog::Describe() const
{
    std::string text = std::to_string(m_video.width) + " x " + std::to_string(m_video.height) + ", " +
                       std::to_string(m_video.bitCount) + " bits";
    if (m_video.microSecPerFrame > 0)
        text += ", " + std::to_string((1000000 + m_video.microSecPerFrame / 2) / m_video.microSecPerFrame) +
                " frames a second";
    return text;
}

void SaveOptionsDialog::OnOK()
{
    options = {};
    if (chosen >= m_compressors.size())
        return;   // nothing to choose from: stays open, as a window without choices would
    const CompressorSettings takes = Settings();
    options.handler = m_compressors[chosen].handler;
    if (takes.quality)
        options.quality = QualityOf(qualityPercent);
    if (takes.keyFrames && keyFramesOn)
        options.keyFrameEvery = std::max(1u, keyFrameEvery);
    if (takes.dataRate && dataRateOn)
        options.bytesPerSecond = std::clamp(kilobytesPerSecond, 1u, kLargestKilobytes) * 1024;
    CDialog::OnOK();
}

bool ChooseSaveOptions(CWnd* owner, const MovieStream& video, CompressOptions& options)
{
    SaveOptionsDialog dialog(owner, video.Source(), options);
    const bool ok = dialog.DoModal() == IDOK;
    options = ok ? dialog.options : CompressOptions{};
    return ok;
}

}  // namespace movie
