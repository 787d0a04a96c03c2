#include "movie/playback_window.h"

#include "framework/Clock.h"

#include <algorithm>
#include <cstdio>

namespace movie {

namespace {

constexpr UINT_PTR kPaceTimer = 1;
// Sound further than this from the picture is started again where the picture is.
constexpr uint32_t kSoundSlackMs = 150;
// ...but not more often than this, so a device that runs fast is not restarted on every tick.
constexpr DWORD kResyncEveryMs = 1000;

// Ticks at least four times a frame (as often as timers go), so a picture is
// shown at most a quarter of a frame late and a late tick still finds the
// frame before the next one falls due.
UINT PacePeriod(uint32_t microSecPerFrame) { return std::clamp<UINT>(microSecPerFrame / 4000, 10, 100); }

}  // namespace

const char* PlaybackModeName(PlaybackMode mode)
{
    switch (mode) {
    case PlaybackMode::kNotReady: return "not ready";
    case PlaybackMode::kOpen: return "open";
    case PlaybackMode::kStopped: return "stopped";
    case PlaybackMode::kPlaying: return "playing";
    case PlaybackMode::kPaused: return "paused";
    }
    return "unknown";
}

std::string MinutesSeconds(uint64_t ms)
{
    const uint64_t seconds = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02u", static_cast<unsigned long long>(seconds / 60), unsigned(seconds % 60));
    return text;
}

PlaybackWindow::PlaybackWindow(std::string soundDevice)
    : m_soundDevice(std::move(soundDevice)), m_sound(std::make_unique<audio::SoundPlayer>(m_soundDevice))
{
}

PlaybackWindow::~PlaybackWindow()
{
    Unload();
    onChanged = nullptr;
    DestroyWindow();
}

BOOL PlaybackWindow::Create(CWnd* parent, POINT topLeft, UINT id)
{
    const CRect rect(topLeft.x, topLeft.y, topLeft.x + kMinWidth, topLeft.y + kPlayBarHeight);
    if (!CWnd::Create(parent, "", WS_CHILD | WS_VISIBLE, rect, id))
        return FALSE;
    m_button.Create("Play", WS_CHILD | WS_VISIBLE | WS_DISABLED, CRect(), this, kPlayButtonId);
    m_slider.Create(WS_CHILD | WS_VISIBLE | WS_DISABLED, CRect(), this, kSliderId);
    InstallHandlers();
    Layout();
    return TRUE;
}

void PlaybackWindow::InstallHandlers()
{
    OnMessage(WM_TIMER, [this](WPARAM id, LPARAM) {
        if (id == kPaceTimer)
            OnTick();
        return LRESULT(0);
    });
    OnMessage(WM_COMMAND, [this](WPARAM wParam, LPARAM) {
        if (LOWORD(wParam) == kPlayButtonId)
            m_mode == PlaybackMode::kPlaying ? Stop() : Play();
        return LRESULT(0);
    });
    OnMessage(WM_HSCROLL, [this](WPARAM wParam, LPARAM) {
        OnScroll(LOWORD(wParam));
        return LRESULT(0);
    });
    OnMessage(WM_RBUTTONDOWN, [this](WPARAM, LPARAM lParam) {
        if (onRightButton)
            onRightButton(POINT{short(LOWORD(uintptr_t(lParam))), short(HIWORD(uintptr_t(lParam)))});
        return LRESULT(0);
    });
}

int PlaybackWindow::Open(const std::string& path)
{
    Unload();
    m_openError.clear();
    const int rc = path.empty() ? kMovieOk : Load(path);
    if (rc != kMovieOk) {
        m_openError = "Cannot play " + path + ": " + MovieErrorText(rc) + ".";
        Unload();
    } else {
        m_fileName = path;
    }
    Layout();
    SetMode(m_fileName.empty() ? PlaybackMode::kOpen : PlaybackMode::kStopped);
    return rc;
}

int PlaybackWindow::Load(const std::string& path)
{
    int rc = m_reader.Open(path);
    if (rc != kMovieOk)
        return rc;
    m_info = m_reader.Info();
    // A movie whose first picture cannot be read is a damaged one: say so now
    // rather than show an empty window that never plays.
    if (m_info.frames > 0 && (rc = m_reader.ReadFrameDib(0, m_picture)) != kMovieOk)
        return rc;
    m_hasPicture = m_info.frames > 0;
    ++m_pictureSerial;
    std::vector<uint8_t> pcm;
    // Sound the reader cannot give as PCM is left out: the pictures still play.
    if (m_info.hasAudio && m_reader.ReadAllAudio(pcm) == kMovieOk)
        m_sound->SetSound({m_info.audio.channels, m_info.audio.samplesPerSec, m_info.audio.bitsPerSample},
                          std::move(pcm));
    return kMovieOk;
}

void PlaybackWindow::Unload()
{
    StopPacing();
    m_sound->Stop();
    m_sound->SetSound({}, {});
    m_reader.Close();
    m_info = MovieInfo{};
    m_fileName.clear();
    m_position = m_shownFrame = 0;
    m_picture.clear();
    m_hasPicture = false;
    ++m_pictureSerial;
}

void PlaybackWindow::Close()
{
    Unload();
    Layout();
    SetMode(PlaybackMode::kNotReady);
}

void PlaybackWindow::SetMode(PlaybackMode mode)
{
    // Every open is told, even into the same mode: the owner refreshes its texts then.
    m_mode = mode;
    m_button.SetWindowText(mode == PlaybackMode::kPlaying ? "Stop" : "Play");
    m_button.EnableWindow(Length() > 0);
    m_slider.EnableWindow(Length() > 0);
    Changed();
    if (onMode)
        onMode(mode);
}

CRect PlaybackWindow::SourceRect() const
{
    return m_info.frames > 0 || !m_fileName.empty() ? CRect(0, 0, m_info.width, m_info.height) : CRect();
}

CRect PlaybackWindow::PictureRect() const
{
    CRect client;
    GetClientRect(&client);
    const long areaW = client.Width(), areaH = std::max<long>(0, client.Height() - kPlayBarHeight);
    const CRect source = SourceRect();
    if (source.IsRectEmpty() || areaW <= 0 || areaH <= 0)
        return CRect();
    // The largest picture of the movie's shape that fits, centred.
    long w = areaW, h = long(int64_t(areaW) * source.Height() / source.Width());
    if (h > areaH) {
        h = areaH;
        w = long(int64_t(areaH) * source.Width() / source.Height());
    }
    const long left = (areaW - w) / 2, top = (areaH - h) / 2;
    return CRect(left, top, left + w, top + h);
}

void PlaybackWindow::Layout()
{
    if (!m_hWnd)
        return;
    const CRect source = SourceRect();
    CRect r;
    GetWindowRect(&r);
    POINT origin = r.TopLeft();
    if (CWnd* parent = GetParent())
        parent->ScreenToClient(&origin);
    const long width = std::max<long>(kMinWidth, source.Width());
    MoveWindow(int(origin.x), int(origin.y), int(width), int(source.Height() + kPlayBarHeight));
    m_slider.SetRange(0, int(Length()));
    m_slider.SetPos(int(m_position));
    PlaceBar();
}

void PlaybackWindow::OnGeometryChanged() { PlaceBar(); }

void PlaybackWindow::PlaceBar()
{
    CRect client;
    GetClientRect(&client);
    const int top = int(client.Height()) - kPlayBarHeight, width = int(client.Width());
    m_button.MoveWindow(0, top, kButtonWidth, kPlayBarHeight);
    m_slider.MoveWindow(kButtonWidth, top, std::max(0, width - kButtonWidth - kTimeWidth), kPlayBarHeight);
    Changed();
}

void PlaybackWindow::Seek(uint32_t frame)
{
    if (m_mode == PlaybackMode::kNotReady || m_mode == PlaybackMode::kOpen)
        return;
    m_position = std::min(frame, Length());
    Show(m_position);
    if (m_mode == PlaybackMode::kPlaying) {
        m_startPosition = m_position;
        m_startTick = GetTickCount();
        StartSound();
    }
}

void PlaybackWindow::Play()
{
    if (Length() == 0 || m_mode == PlaybackMode::kPlaying)
        return;
    if (m_position >= Length())
        m_position = 0;
    m_startPosition = m_position;
    m_startTick = GetTickCount();
    m_dropped = 0;
    Show(m_position);
    StartSound();
    StartPacing();
    SetMode(PlaybackMode::kPlaying);
}

void PlaybackWindow::Stop()
{
    if (m_mode != PlaybackMode::kPlaying && m_mode != PlaybackMode::kPaused)
        return;
    if (m_mode == PlaybackMode::kPlaying)
        m_position = std::min(DuePosition(), Length());
    StopPacing();
    m_sound->Stop();
    Show(m_position);
    SetMode(PlaybackMode::kStopped);
}

void PlaybackWindow::Pause()
{
    if (m_mode != PlaybackMode::kPlaying)
        return;
    m_position = std::min(DuePosition(), Length());
    StopPacing();
    m_sound->Stop();
    Show(m_position);
    SetMode(PlaybackMode::kPaused);
}

void PlaybackWindow::StartPacing() { SetTimer(kPaceTimer, PacePeriod(m_info.microSecPerFrame)); }

void PlaybackWindow::StopPacing()
{
    if (m_hWnd)
        KillTimer(kPaceTimer);
}

uint32_t PlaybackWindow::DuePosition() const
{
    if (m_info.microSecPerFrame == 0)
        return Length();
    const uint64_t elapsedUs = uint64_t(DWORD(GetTickCount() - m_startTick)) * 1000;
    return uint32_t(std::min<uint64_t>(m_startPosition + elapsedUs / m_info.microSecPerFrame, Length()));
}

void PlaybackWindow::OnTick()
{
    if (m_mode != PlaybackMode::kPlaying)
        return;
    const uint32_t due = DuePosition();
    if (due == m_position && due < Length()) {
        KeepSoundInStep();   // nothing new to show: the widget is not asked to repaint
        return;
    }
    // Pictures between the one on show and the one due now were never seen.
    const uint32_t next = std::min(due, Length() - 1);
    if (next > m_shownFrame + 1)
        m_dropped += next - m_shownFrame - 1;
    m_position = due;
    if (due >= Length()) {
        // The end: the last picture stays on show, stopped.
        StopPacing();
        m_sound->Stop();
        Show(due);
        SetMode(PlaybackMode::kStopped);
        return;
    }
    Show(due);
    KeepSoundInStep();
}

void PlaybackWindow::Show(uint32_t position)
{
    m_slider.SetPos(int(position));
    const uint32_t frame = Length() == 0 ? 0 : std::min(position, Length() - 1);
    if (Length() > 0 && (!m_hasPicture || frame != m_shownFrame)) {
        std::vector<uint8_t> dib;
        // A picture that cannot be read leaves the one before it on show.
        if (m_reader.ReadFrameDib(frame, dib) == kMovieOk) {
            m_picture.swap(dib);
            m_hasPicture = true;
            ++m_pictureSerial;
            m_shownFrame = frame;
        }
    }
    Changed();
}

uint64_t PlaybackWindow::SoundOffset(uint32_t frame) const
{
    return uint64_t(frame) * m_info.microSecPerFrame * m_sound->Format().samplesPerSec / 1000000;
}

uint64_t PlaybackWindow::FrameMs(uint64_t frames) const { return frames * m_info.microSecPerFrame / 1000; }

void PlaybackWindow::StartSound()
{
    if (m_sound->Length() == 0)
        return;
    m_sound->Start(SoundOffset(m_startPosition));
    m_lastResyncTick = GetTickCount();
}

void PlaybackWindow::KeepSoundInStep()
{
    const DWORD now = GetTickCount();
    if (!m_sound->IsAudible() || !m_sound->IsPlaying() || DWORD(now - m_lastResyncTick) < kResyncEveryMs)
        return;
    const uint32_t rate = m_sound->Format().samplesPerSec;
    const uint64_t due = SoundOffset(m_startPosition) + uint64_t(DWORD(now - m_startTick)) * rate / 1000;
    const uint64_t heard = m_sound->Position();
    const uint64_t apart = heard > due ? heard - due : due - heard;
    if (apart * 1000 > uint64_t(kSoundSlackMs) * rate) {
        m_sound->Start(due);
        m_lastResyncTick = now;
    }
}

void PlaybackWindow::OnScroll(UINT code)
{
    if (code != TB_ENDTRACK)
        Seek(uint32_t(std::max(0, m_slider.GetPos())));
}

uint32_t PlaybackWindow::Position() const
{
    return m_mode == PlaybackMode::kPlaying ? DuePosition() : m_position;
}

std::string PlaybackWindow::TimeText() const
{
    return MinutesSeconds(FrameMs(Position())) + " / " + MinutesSeconds(FrameMs(Length()));
}

void PlaybackWindow::Changed()
{
    if (onChanged)
        onChanged();
}

}  // namespace movie
