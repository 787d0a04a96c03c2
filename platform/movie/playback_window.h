// The playback window: a child window that shows a movie with a play bar under
// it (play/stop button, position slider, time), plays it paced by the
// framework clock with its sound kept in step, and tells its owner of every
// change of mode. This is the logic; playback_widget.h shows it with Qt.
#pragma once

#include "audio/sound_player.h"
#include "framework/Bars.h"
#include "framework/Controls.h"
#include "framework/Wnd.h"
#include "movie/movie_reader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace movie {

enum class PlaybackMode {
    kNotReady,   // no window, or a window closed
    kOpen,       // an empty window: no movie to play
    kStopped,
    kPlaying,
    kPaused,
};
const char* PlaybackModeName(PlaybackMode mode);

// "m:ss" of a time in milliseconds (minutes are not limited to 59).
std::string MinutesSeconds(uint64_t ms);

class PlaybackWindow : public CWnd {
public:
    // Control ids of the play bar; its messages come to this window.
    static constexpr UINT kPlayButtonId = 1;
    static constexpr UINT kSliderId = 2;
    static constexpr int kPlayBarHeight = 26;
    static constexpr int kButtonWidth = 48;
    static constexpr int kTimeWidth = 90;
    // The width of a window without a movie, or around a narrow one.
    static constexpr int kMinWidth = 240;

    // `soundDevice` is the ALSA output the sound goes to (silent when it does not open).
    explicit PlaybackWindow(std::string soundDevice = "default");
    ~PlaybackWindow() override;

    // A visible child of `parent` at `topLeft` (parent client coordinates),
    // sized by what it shows: the picture at its own size above the play bar.
    BOOL Create(CWnd* parent, POINT topLeft, UINT id = 0);

    // Opens the movie at `path`, stopped on its first frame; an empty path
    // opens an empty window (length 0). On failure the window is empty,
    // OpenError() tells the user why and the movie's code is returned.
    int Open(const std::string& path);
    // Lets go of the movie; the mode becomes not ready.
    void Close();
    const std::string& FileName() const { return m_fileName; }
    const std::string& OpenError() const { return m_openError; }

    // Frames; the position runs from 0 to Length() (the end, past the last frame).
    uint32_t Length() const { return m_info.frames; }
    uint32_t Position() const;
    // Clamped to 0..Length(); a playing movie plays on from there.
    void Seek(uint32_t frame);
    // From the position (from the start when at the end); nothing without frames.
    void Play();
    void Stop();
    void Pause();
    PlaybackMode Mode() const { return m_mode; }

    // The movie's picture size at (0, 0); empty without a movie.
    CRect SourceRect() const;
    // The picture's place in the window, scaled to fit above the play bar.
    CRect PictureRect() const;
    int PlayBarHeight() const { return kPlayBarHeight; }

    // The frame on show and its picture as a packed DIB (empty without one).
    uint32_t ShownFrame() const { return m_shownFrame; }
    const std::vector<uint8_t>& Picture() const { return m_picture; }
    // Counts every change of the picture, so a widget converts each one once.
    uint64_t PictureSerial() const { return m_pictureSerial; }
    // "position / length" as m:ss.
    std::string TimeText() const;
    // Frames that fell due but were passed over since the last Play.
    uint32_t FramesDropped() const { return m_dropped; }
    // The sound track's player (silent without a sound device).
    const audio::SoundPlayer& Sound() const { return *m_sound; }

    CButton& PlayButton() { return m_button; }
    CSliderCtrl& Slider() { return m_slider; }

    std::function<void(PlaybackMode mode)> onMode;
    // A right-button press at a point of the window's client area.
    std::function<void(POINT point)> onRightButton;
    // The picture, the time text or the window's place changed: redraw.
    std::function<void()> onChanged;

protected:
    void OnGeometryChanged() override;
    void OnVisibilityChanged() override { Changed(); }

private:
    void InstallHandlers();
    int Load(const std::string& path);
    void Unload();
    void SetMode(PlaybackMode mode);
    void Layout();
    void PlaceBar();
    void StartPacing();
    void StopPacing();
    void OnTick();
    uint32_t DuePosition() const;
    void Show(uint32_t position);
    void StartSound();
    void KeepSoundInStep();
    uint64_t SoundOffset(uint32_t frame) const;
    uint64_t FrameMs(uint64_t frames) const;
    void OnScroll(UINT code);
    void Changed();

    std::string m_soundDevice;
    std::unique_ptr<audio::SoundPlayer> m_sound;
    MovieReader m_reader;
    MovieInfo m_info;
    std::string m_fileName;
    std::string m_openError;
    PlaybackMode m_mode = PlaybackMode::kNotReady;
    uint32_t m_position = 0;
    uint32_t m_shownFrame = 0;
    std::vector<uint8_t> m_picture;
    bool m_hasPicture = false;
    uint64_t m_pictureSerial = 0;
    // Play started at m_startPosition when the clock read m_startTick.
    uint32_t m_startPosition = 0;
    DWORD m_startTick = 0;
    DWORD m_lastResyncTick = 0;
    uint32_t m_dropped = 0;
    CButton m_button;
    CSliderCtrl m_slider;
};

}  // namespace movie
