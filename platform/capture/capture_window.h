// The capture service's window: one call per capture-window message. A
// program's window object owns one and passes its own handle, which every
// callback receives. Everything runs on the user-interface thread except a
// sequence capture, whose thread hands its events back to that thread.
#pragma once

#include "capture/capture_types.h"
#include "capture/driver.h"
#include "capture/movie_sink.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace audio { class AudioSource; }

namespace capture {

class Sequencer;
class SingleFrameRecorder;

// How a sequence waits for its next frame time. The real one sleeps; tests
// give one that only moves a counter, so a 3-second capture takes no time.
class Pacer {
public:
    virtual ~Pacer() = default;
    virtual uint64_t NowMicros() = 0;
    // Waits until `micros`, or less when `stop` becomes true.
    virtual void WaitUntil(uint64_t micros, const std::atomic<bool>& stop) = 0;
};
std::unique_ptr<Pacer> MakeRealPacer();

using AudioSourceFactory = std::function<std::unique_ptr<audio::AudioSource>()>;

class CaptureWindow : public MessageTarget {
public:
    explicit CaptureWindow(HWND owner);
    ~CaptureWindow() override;
    CaptureWindow(const CaptureWindow&) = delete;
    CaptureWindow& operator=(const CaptureWindow&) = delete;

    HWND Owner() const { return m_owner; }

    BOOL DriverConnect(int index);
    BOOL DriverDisconnect();
    BOOL DriverGetName(LPSTR name, int length) const;
    BOOL DriverGetVersion(LPSTR version, int length) const;
    BOOL DriverGetCaps(CAPDRIVERCAPS* caps, UINT size) const;

    BOOL SetCallbackOnError(CAPERRORCALLBACK callback);
    BOOL SetCallbackOnStatus(CAPSTATUSCALLBACK callback);
    BOOL SetCallbackOnYield(CAPYIELDCALLBACK callback);
    BOOL SetCallbackOnFrame(CAPVIDEOCALLBACK callback);
    BOOL SetCallbackOnVideoStream(CAPVIDEOCALLBACK callback);
    BOOL SetCallbackOnWaveStream(CAPWAVECALLBACK callback);
    BOOL SetUserData(LONG_PTR data);
    LONG_PTR GetUserData() const { return m_userData; }

    BOOL FileSetCaptureFile(LPCSTR path);
    BOOL FileGetCaptureFile(LPSTR path, int length) const;
    BOOL FileAlloc(DWORD bytes);
    BOOL FileSaveAs(LPCSTR path);
    BOOL FileSetInfoChunk(const CAPINFOCHUNK* chunk);
    BOOL FileSaveDIB(LPCSTR path);
    BOOL EditCopy();

    BOOL SetAudioFormat(const WAVEFORMATEX* format, UINT size);
    // The size of the format; with a buffer, also copies min(size, its size).
    DWORD GetAudioFormat(WAVEFORMATEX* format, UINT size) const;

    BOOL DlgVideoFormat();
    BOOL DlgVideoSource();
    BOOL DlgVideoDisplay();
    BOOL DlgVideoCompression();

    // Without a buffer: the bytes the format needs (0 without a driver).
    DWORD GetVideoFormat(void* buffer, UINT size) const;
    // A format or a driver command; a command's result is written back into `buffer`.
    BOOL SetVideoFormat(void* buffer, UINT size);

    BOOL SetPreview(BOOL on);
    BOOL SetOverlay(BOOL on);
    BOOL SetPreviewRate(UINT ms);
    BOOL SetScale(BOOL on);
    BOOL GetStatus(CAPSTATUS* status, UINT size) const;
    BOOL SetScroll(POINT point);

    BOOL GrabFrame();
    BOOL GrabFrameNoStop();

    BOOL CaptureSequence();
    BOOL CaptureSequenceNoFile();
    BOOL CaptureStop();
    BOOL CaptureAbort();
    BOOL CaptureGetSetup(CAPTUREPARMS* parms, UINT size) const;
    BOOL CaptureSetSetup(const CAPTUREPARMS* parms, UINT size);

    BOOL SetMCIDeviceName(LPCSTR name);
    BOOL GetMCIDeviceName(LPSTR name, int length) const;

    BOOL CaptureSingleFrameOpen();
    BOOL CaptureSingleFrame();
    BOOL CaptureSingleFrameClose();

    BOOL PaletteOpen(LPCSTR path);
    BOOL PaletteSave(LPCSTR path);
    BOOL PalettePaste();
    BOOL PaletteAuto(int frames, int colours);
    BOOL PaletteManual(BOOL grab, int colours);

    // The picture shown: the latest frame (null before the first).
    const Frame* CurrentFrame() const { return m_current ? m_current.get() : nullptr; }
    // The display side (a widget) hears of every frame shown.
    void SetFrameShownHandler(std::function<void(const Frame&)> handler) { m_onShown = std::move(handler); }
    bool IsCapturing() const;

    // What a sequence records sound from and how it paces itself.
    void SetAudioSourceFactory(AudioSourceFactory factory) { m_audioFactory = std::move(factory); }
    void SetPacer(std::unique_ptr<Pacer> pacer);
    // Where sequences and single frames are written (the AVI writer by default).
    void SetMovieSinkFactory(MovieSinkFactory sinks) { m_sinks = std::move(sinks); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // For the sequencer: hand an event to the user-interface thread.
    enum class EventKind { Error, Status, Yield, Finished };
    void PostEvent(EventKind kind, int id, std::string text);

private:
    BOOL Grab(bool stopPreview);
    void Show(std::unique_ptr<Frame> frame);
    void ReportError(int id, const std::string& text);
    void ReportStatus(int id, const std::string& text);
    void OnPreviewTick();
    void RestartPreviewTimer();
    // False when a callback destroyed the window: `this` is gone, return at once.
    bool DrainEvents();
    BOOL StartSequence(bool toFile);
    void FinishSequence();
    void EndSequence(bool abort);
    bool Connected() const { return m_driver != nullptr; }

    HWND m_owner;
    HWND m_self = nullptr;   // posts from the capture thread arrive here
    std::unique_ptr<Driver> m_driver;
    int m_index = -1;
    std::string m_name, m_version;
    std::unique_ptr<Frame> m_current;
    std::function<void(const Frame&)> m_onShown;

    CAPERRORCALLBACK m_onError = nullptr;
    CAPSTATUSCALLBACK m_onStatus = nullptr;
    CAPYIELDCALLBACK m_onYield = nullptr;
    CAPVIDEOCALLBACK m_onFrame = nullptr;
    CAPVIDEOCALLBACK m_onVideoStream = nullptr;
    CAPWAVECALLBACK m_onWaveStream = nullptr;
    LONG_PTR m_userData = 0;

    std::string m_captureFile;
    std::string m_mciDevice;
    WAVEFORMATEX m_audioFormat{};
    CAPTUREPARMS m_parms{};
    bool m_preview = false, m_overlay = false, m_scale = false;
    UINT m_previewRate = 66;
    POINT m_scroll{0, 0};

    AudioSourceFactory m_audioFactory;
    MovieSinkFactory m_sinks;
    std::unique_ptr<Pacer> m_pacer;
    std::unique_ptr<Sequencer> m_sequencer;
    bool m_singleFrameOpen = false;
    std::unique_ptr<SingleFrameRecorder> m_single;
    DWORD m_framesCaptured = 0, m_framesDropped = 0, m_elapsedMs = 0;
    DWORD m_waveSamples = 0;

    std::mutex m_eventLock;
    std::deque<std::tuple<EventKind, int, std::string>> m_events;
    std::atomic<bool> m_eventPosted{false};
    bool m_stopping = false;
    // Cleared by the destructor. A call that waits for a capture runs the
    // message queue and the callbacks, either of which may destroy this
    // window; the waiting call holds a copy and leaves as soon as it is false.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace capture
