#include "capture/capture_window.h"

#include "audio/audio_source.h"
#include "capture/dib.h"
#include "capture/sequencer.h"
#include "framework/UiService.h"
#include "framework/Wnd.h"

#include <cstring>
#include <filesystem>

namespace capture {

namespace {

constexpr UINT kMsgEvents = WM_USER + 0x2A0;   // the capture thread has news
constexpr UINT_PTR kPreviewTimer = 1;

void CopyText(LPSTR dest, int length, const std::string& text)
{
    if (!dest || length <= 0)
        return;
    size_t n = std::min(text.size(), size_t(length - 1));
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

CAPTUREPARMS DefaultParms()
{
    CAPTUREPARMS p{};
    p.dwRequestMicroSecPerFrame = 66667;
    p.wPercentDropForError = 10;
    p.dwIndexSize = 34952;
    p.wNumVideoRequested = 5;
    p.fCaptureAudio = TRUE;
    p.wNumAudioRequested = 4;
    p.vKeyAbort = 0x1B;
    p.fAbortLeftMouse = TRUE;
    p.fAbortRightMouse = TRUE;
    p.wStepCaptureAverageFrames = 3;
    return p;
}

WAVEFORMATEX DefaultAudio() { return audio::PcmWaveFormat(11025, 8, 1); }

}  // namespace

CaptureWindow::CaptureWindow(HWND owner)
    : m_owner(owner), m_audioFormat(DefaultAudio()), m_parms(DefaultParms()), m_pacer(MakeRealPacer())
{
    m_self = RegisterWindow(this);
    m_sinks = AviSinkFactory();
    m_audioFactory = [] { return audio::OpenDefaultSource(); };
}

CaptureWindow::~CaptureWindow()
{
    *m_alive = false;
    m_sequencer.reset();
    ::KillTimer(m_self, kPreviewTimer);
    if (m_driver)
        m_driver->Disconnect();
    UnregisterWindow(m_self);
}

void CaptureWindow::SetPacer(std::unique_ptr<Pacer> pacer)
{
    if (pacer && !IsCapturing())
        m_pacer = std::move(pacer);
}

bool CaptureWindow::IsCapturing() const { return m_sequencer != nullptr || m_singleFrameOpen; }

// --- driver ---------------------------------------------------------------

BOOL CaptureWindow::DriverConnect(int index)
{
    if (m_driver || index < 0 || index >= kCapMaxDrivers)
        return FALSE;
    std::vector<DriverEntry> entries = DriverCatalog::Entries();
    if (size_t(index) >= entries.size() || !entries[size_t(index)].open)
        return FALSE;
    std::unique_ptr<Driver> driver = entries[size_t(index)].open();
    std::string error;
    if (!driver || !driver->Connect(error)) {
        if (!error.empty())
            ReportError(IDS_CAP_NO_DRIVER, error);
        return FALSE;
    }
    m_driver = std::move(driver);
    m_index = index;
    m_name = entries[size_t(index)].description;
    m_version = entries[size_t(index)].version;
    m_current.reset();
    return TRUE;
}

BOOL CaptureWindow::DriverDisconnect()
{
    if (!m_driver)
        return FALSE;
    m_sequencer.reset();
    if (m_singleFrameOpen)
        CaptureSingleFrameClose();
    ::KillTimer(m_self, kPreviewTimer);
    m_preview = m_overlay = false;
    m_driver->Disconnect();
    m_driver.reset();
    m_index = -1;
    return TRUE;
}

BOOL CaptureWindow::DriverGetName(LPSTR name, int length) const
{
    if (!m_driver)
        return FALSE;
    CopyText(name, length, m_name);
    return TRUE;
}

BOOL CaptureWindow::DriverGetVersion(LPSTR version, int length) const
{
    if (!m_driver)
        return FALSE;
    CopyText(version, length, m_version);
    return TRUE;
}

BOOL CaptureWindow::DriverGetCaps(CAPDRIVERCAPS* caps, UINT size) const
{
    if (!m_driver || !caps || size < sizeof(CAPDRIVERCAPS))
        return FALSE;
    CAPDRIVERCAPS c{};
    c.wDeviceIndex = UINT(m_index);
    c.fHasOverlay = FALSE;
    c.fHasDlgVideoSource = m_driver->HasSourceDialog();
    c.fHasDlgVideoFormat = m_driver->HasFormatDialog();
    c.fHasDlgVideoDisplay = FALSE;
    c.fCaptureInitialized = TRUE;
    c.fDriverSuppliesPalettes = TRUE;
    *caps = c;
    return TRUE;
}

// --- callbacks and user data ---------------------------------------------

BOOL CaptureWindow::SetCallbackOnError(CAPERRORCALLBACK callback) { m_onError = callback; return TRUE; }
BOOL CaptureWindow::SetCallbackOnStatus(CAPSTATUSCALLBACK callback) { m_onStatus = callback; return TRUE; }
BOOL CaptureWindow::SetCallbackOnYield(CAPYIELDCALLBACK callback) { m_onYield = callback; return TRUE; }
BOOL CaptureWindow::SetCallbackOnFrame(CAPVIDEOCALLBACK callback) { m_onFrame = callback; return TRUE; }
BOOL CaptureWindow::SetCallbackOnVideoStream(CAPVIDEOCALLBACK callback) { m_onVideoStream = callback; return TRUE; }
BOOL CaptureWindow::SetCallbackOnWaveStream(CAPWAVECALLBACK callback) { m_onWaveStream = callback; return TRUE; }
BOOL CaptureWindow::SetUserData(LONG_PTR data) { m_userData = data; return TRUE; }

void CaptureWindow::ReportError(int id, const std::string& text)
{
    if (m_onError)
        m_onError(m_owner, id, text.c_str());
}

void CaptureWindow::ReportStatus(int id, const std::string& text)
{
    if (m_onStatus)
        m_onStatus(m_owner, id, text.c_str());
}

// --- capture file -----------------------------------------------------------

BOOL CaptureWindow::FileSetCaptureFile(LPCSTR path)
{
    if (!path || !*path || IsCapturing())
        return FALSE;
    m_captureFile = path;
    return TRUE;
}

BOOL CaptureWindow::FileGetCaptureFile(LPSTR path, int length) const
{
    if (m_captureFile.empty())
        return FALSE;
    CopyText(path, length, m_captureFile);
    return TRUE;
}

BOOL CaptureWindow::FileAlloc(DWORD bytes)
{
    if (m_captureFile.empty() || IsCapturing())
        return FALSE;
    return PreallocateCaptureFile(m_captureFile, bytes) ? TRUE : FALSE;
}

BOOL CaptureWindow::FileSaveAs(LPCSTR path)
{
    if (!path || !*path || m_captureFile.empty() || IsCapturing())
        return FALSE;
    std::error_code ec;
    if (std::filesystem::equivalent(m_captureFile, path, ec))
        return TRUE;
    return CopyCaptureFile(m_captureFile, path) ? TRUE : FALSE;
}

BOOL CaptureWindow::FileSetInfoChunk(const CAPINFOCHUNK* chunk) { return chunk != nullptr; }

BOOL CaptureWindow::FileSaveDIB(LPCSTR path)
{
    if (!m_driver || !path)
        return FALSE;
    if (!m_current && !Grab(false))
        return FALSE;
    return WriteBmpFile(*m_current, path) ? TRUE : FALSE;
}

BOOL CaptureWindow::EditCopy()
{
    if (!m_driver)
        return FALSE;
    if (!m_current && !Grab(false))
        return FALSE;
    std::vector<BYTE> dib = PackedDib(*m_current);
    return !dib.empty() && Ui().SetClipboardDib(dib.data(), dib.size());
}

// --- formats and dialogs ------------------------------------------------------

BOOL CaptureWindow::SetAudioFormat(const WAVEFORMATEX* format, UINT size)
{
    if (!format || size < 16 || IsCapturing())
        return FALSE;
    WAVEFORMATEX w{};
    std::memcpy(&w, format, std::min<size_t>(size, sizeof w));
    if (!audio::WaveFormatRecordable(w))
        return FALSE;
    m_audioFormat = audio::PcmWaveFormat(w.nSamplesPerSec, w.wBitsPerSample, w.nChannels);
    return TRUE;
}

DWORD CaptureWindow::GetAudioFormat(WAVEFORMATEX* format, UINT size) const
{
    if (format)
        std::memcpy(format, &m_audioFormat, std::min<size_t>(size, sizeof m_audioFormat));
    return sizeof m_audioFormat;
}

BOOL CaptureWindow::DlgVideoFormat()
{
    if (!m_driver || IsCapturing() || !m_driver->HasFormatDialog())
        return FALSE;
    if (!m_driver->FormatDialog(CWnd::FromHandle(m_owner)))
        return FALSE;
    m_current.reset();   // the old frame no longer has the camera's format
    return TRUE;
}

BOOL CaptureWindow::DlgVideoSource()
{
    if (!m_driver || !m_driver->HasSourceDialog())
        return FALSE;
    return m_driver->SourceDialog(CWnd::FromHandle(m_owner)) ? TRUE : FALSE;
}

BOOL CaptureWindow::DlgVideoDisplay() { return FALSE; }
BOOL CaptureWindow::DlgVideoCompression() { return FALSE; }

DWORD CaptureWindow::GetVideoFormat(void* buffer, UINT size) const
{
    if (!m_driver)
        return 0;
    VideoFormat f = m_driver->Format();
    const DWORD bytes = DWORD(f.Bytes());
    if (buffer) {
        if (size < sizeof(BITMAPINFOHEADER))
            return 0;
        std::memcpy(buffer, &f.header, sizeof f.header);
        size_t colours = std::min<size_t>(f.colours.size(), (size - sizeof f.header) / sizeof(RGBQUAD));
        if (colours)
            std::memcpy(static_cast<BYTE*>(buffer) + sizeof f.header, f.colours.data(), colours * sizeof(RGBQUAD));
    }
    return bytes;
}

BOOL CaptureWindow::SetVideoFormat(void* buffer, UINT size)
{
    if (!m_driver || !buffer || size < sizeof(BITMAPINFOHEADER))
        return FALSE;
    BITMAPINFOHEADER h;
    std::memcpy(&h, buffer, sizeof h);
    const bool command = DriverCommandCode(h) != 0;
    if (!command && IsCapturing())
        return FALSE;
    const size_t colours = (size - sizeof h) / sizeof(RGBQUAD);
    std::vector<RGBQUAD> table(colours);
    if (colours)
        std::memcpy(table.data(), static_cast<BYTE*>(buffer) + sizeof h, colours * sizeof(RGBQUAD));
    if (!m_driver->SetFormat(h, table))
        return FALSE;
    std::memcpy(buffer, &h, sizeof h);
    if (!command)
        m_current.reset();
    return TRUE;
}

// --- preview and status -------------------------------------------------------

void CaptureWindow::RestartPreviewTimer()
{
    ::KillTimer(m_self, kPreviewTimer);
    if (m_preview && m_driver)
        ::SetTimer(m_self, kPreviewTimer, std::max<UINT>(m_previewRate, 1), nullptr);
}

BOOL CaptureWindow::SetPreview(BOOL on)
{
    if (on && !m_driver)
        return FALSE;
    m_preview = on;
    if (on)
        m_overlay = false;
    RestartPreviewTimer();
    return TRUE;
}

BOOL CaptureWindow::SetOverlay(BOOL on) { return on ? FALSE : (m_overlay = false, TRUE); }

BOOL CaptureWindow::SetPreviewRate(UINT ms)
{
    m_previewRate = ms;
    RestartPreviewTimer();
    return TRUE;
}

BOOL CaptureWindow::SetScale(BOOL on) { m_scale = on; return TRUE; }
BOOL CaptureWindow::SetScroll(POINT point) { m_scroll = point; return TRUE; }

BOOL CaptureWindow::GetStatus(CAPSTATUS* status, UINT size) const
{
    if (!status || size < sizeof(CAPSTATUS))
        return FALSE;
    CAPSTATUS s{};
    if (m_driver) {
        VideoFormat f = m_driver->Format();
        s.uiImageWidth = UINT(f.header.biWidth);
        s.uiImageHeight = UINT(std::abs(f.header.biHeight));
    }
    s.fLiveWindow = m_preview;
    s.fOverlayWindow = m_overlay;
    s.fScale = m_scale;
    s.ptScroll = m_scroll;
    s.fAudioHardware = TRUE;
    std::error_code ec;
    s.fCapFileExists = !m_captureFile.empty() && std::filesystem::exists(m_captureFile, ec);
    if (m_sequencer) {
        const SequenceCounters& c = m_sequencer->Counters();
        s.dwCurrentVideoFrame = c.frames;
        s.dwCurrentVideoFramesDropped = c.dropped;
        s.dwCurrentWaveSamples = c.waveSamples;
        s.dwCurrentTimeElapsedMS = c.elapsedMs;
    } else {
        s.dwCurrentVideoFrame = m_framesCaptured;
        s.dwCurrentVideoFramesDropped = m_framesDropped;
        s.dwCurrentWaveSamples = m_waveSamples;
        s.dwCurrentTimeElapsedMS = m_elapsedMs;
    }
    s.fCapturingNow = IsCapturing();
    *status = s;
    return TRUE;
}

// --- grabbing -------------------------------------------------------------------

BOOL CaptureWindow::Grab(bool stopPreview)
{
    // While a sequence runs its thread owns the camera.
    if (!m_driver || m_sequencer)
        return FALSE;
    if (stopPreview && m_preview) {
        m_preview = false;
        RestartPreviewTimer();
    }
    auto frame = std::make_unique<Frame>();
    std::string error;
    bool gone = false;
    if (!m_driver->Grab(*frame, error, gone)) {
        ReportError(gone ? IDS_CAP_DEVICE_GONE : IDS_CAP_NO_FRAME, error);
        return FALSE;
    }
    Show(std::move(frame));
    return TRUE;
}

void CaptureWindow::Show(std::unique_ptr<Frame> frame)
{
    m_current = std::move(frame);
    if (m_onFrame) {
        VIDEOHDR h{};
        h.lpData = m_current->bits.data();
        h.dwBufferLength = h.dwBytesUsed = DWORD(m_current->bits.size());
        h.dwFlags = VHDR_DONE | VHDR_KEYFRAME;
        m_onFrame(m_owner, &h);
    }
    if (m_onShown && m_current)
        m_onShown(*m_current);
}

BOOL CaptureWindow::GrabFrame() { return Grab(true); }
BOOL CaptureWindow::GrabFrameNoStop() { return Grab(false); }

void CaptureWindow::OnPreviewTick()
{
    if (m_preview && !m_sequencer)
        Grab(false);
}

// --- sequence capture -------------------------------------------------------

BOOL CaptureWindow::CaptureGetSetup(CAPTUREPARMS* parms, UINT size) const
{
    if (!parms || size < sizeof(CAPTUREPARMS))
        return FALSE;
    *parms = m_parms;
    return TRUE;
}

BOOL CaptureWindow::CaptureSetSetup(const CAPTUREPARMS* parms, UINT size)
{
    if (!parms || size < sizeof(CAPTUREPARMS) || m_sequencer)
        return FALSE;
    m_parms = *parms;
    if (m_parms.wPercentDropForError > 100)
        m_parms.wPercentDropForError = 100;
    return TRUE;
}

BOOL CaptureWindow::CaptureSequence() { return StartSequence(true); }
BOOL CaptureWindow::CaptureSequenceNoFile() { return StartSequence(false); }

BOOL CaptureWindow::StartSequence(bool toFile)
{
    if (!m_driver || IsCapturing())
        return FALSE;
    if (toFile && m_captureFile.empty()) {
        ReportError(IDS_CAP_FILE_OPEN, "No capture file has been set.");
        return FALSE;
    }
    if (m_preview)
        ::KillTimer(m_self, kPreviewTimer);
    auto sequencer = std::make_unique<Sequencer>(*this, *m_driver, *m_pacer);
    std::string error;
    if (!sequencer->Start(m_parms, m_captureFile, toFile, m_audioFormat, m_sinks, m_audioFactory, error)) {
        RestartPreviewTimer();
        ReportError(IDS_CAP_FILE_OPEN, error);
        return FALSE;
    }
    m_sequencer = std::move(sequencer);
    m_framesCaptured = m_framesDropped = m_elapsedMs = m_waveSamples = 0;
    ReportStatus(IDS_CAP_BEGIN, "Capture Start");
    if (m_parms.fYield)
        return TRUE;
    // Without yielding the call lasts as long as the capture; the queue still
    // runs. If the window is destroyed meanwhile its destructor has ended the
    // capture, and the call reports that it did not run its course.
    const std::shared_ptr<bool> alive = m_alive;
    while (m_sequencer) {
        if (!DrainEvents())
            return FALSE;
        if (!m_sequencer)
            break;
        PumpMessages();
        if (!*alive)
            return FALSE;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return TRUE;
}

void CaptureWindow::FinishSequence()
{
    if (!m_sequencer)
        return;
    m_sequencer->Join();
    const SequenceCounters& c = m_sequencer->Counters();
    m_framesCaptured = c.frames;
    m_framesDropped = c.dropped;
    m_elapsedMs = c.elapsedMs;
    m_waveSamples = c.waveSamples;
    m_sequencer.reset();
    RestartPreviewTimer();
    ReportStatus(IDS_CAP_END, "Capture End");
}

void CaptureWindow::EndSequence(bool abort)
{
    if (abort)
        m_sequencer->Abort();
    else
        m_sequencer->Stop();
    m_sequencer->Join();
    m_stopping = true;   // the yields still queued ask about a capture that is over
    if (!DrainEvents())
        return;   // a callback destroyed the window, and with it the capture
    m_stopping = false;   // the error of a failed file and the end status, in order
    FinishSequence();
}

BOOL CaptureWindow::CaptureStop()
{
    if (m_sequencer) {
        EndSequence(false);
        return TRUE;
    }
    if (m_singleFrameOpen)
        return CaptureSingleFrameClose();
    return FALSE;
}

BOOL CaptureWindow::CaptureAbort()
{
    if (m_sequencer) {
        EndSequence(true);
        return TRUE;
    }
    return CaptureStop();
}

void CaptureWindow::PostEvent(EventKind kind, int id, std::string text)
{
    {
        std::lock_guard<std::mutex> guard(m_eventLock);
        // A slow user-interface thread needs only the latest yield.
        if (kind == EventKind::Yield && !m_events.empty() && std::get<0>(m_events.back()) == EventKind::Yield)
            return;
        m_events.emplace_back(kind, id, std::move(text));
    }
    if (!m_eventPosted.exchange(true))
        ::PostMessage(m_self, kMsgEvents, 0, 0);
}

bool CaptureWindow::DrainEvents()
{
    const std::shared_ptr<bool> alive = m_alive;
    m_eventPosted = false;
    for (;;) {
        if (!*alive)
            return false;
        std::tuple<EventKind, int, std::string> event;
        {
            std::lock_guard<std::mutex> guard(m_eventLock);
            if (m_events.empty())
                return true;
            event = std::move(m_events.front());
            m_events.pop_front();
        }
        auto& [kind, id, text] = event;
        switch (kind) {
        case EventKind::Error:
            ReportError(id, text);
            break;
        case EventKind::Status:
            ReportStatus(id, text);
            break;
        case EventKind::Yield:
            if (m_sequencer && !m_stopping && m_onYield && !m_onYield(m_owner) && *alive)
                CaptureAbort();
            break;
        case EventKind::Finished:
            FinishSequence();
            break;
        }
    }
}

LRESULT CaptureWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgEvents) {
        DrainEvents();
        return 0;
    }
    if (message == WM_TIMER && wParam == kPreviewTimer) {
        OnPreviewTick();
        return 0;
    }
    return 0;
}

// --- MCI, single frame, palettes -------------------------------------------

BOOL CaptureWindow::SetMCIDeviceName(LPCSTR name)
{
    if (!name)
        return FALSE;
    m_mciDevice = name;
    return TRUE;
}

BOOL CaptureWindow::GetMCIDeviceName(LPSTR name, int length) const
{
    if (m_mciDevice.empty())
        return FALSE;
    CopyText(name, length, m_mciDevice);
    return TRUE;
}

BOOL CaptureWindow::CaptureSingleFrameOpen()
{
    if (!m_driver || IsCapturing())
        return FALSE;
    if (m_captureFile.empty()) {
        ReportError(IDS_CAP_FILE_OPEN, "No capture file has been set.");
        return FALSE;
    }
    m_single = std::make_unique<SingleFrameRecorder>();
    std::string error;
    if (!m_single->Open(m_captureFile, m_driver->Format(), m_parms.dwRequestMicroSecPerFrame, m_sinks, error)) {
        m_single.reset();
        ReportError(IDS_CAP_FILE_OPEN, error);
        return FALSE;
    }
    m_singleFrameOpen = true;
    m_framesCaptured = m_framesDropped = 0;
    ReportStatus(IDS_CAP_BEGIN, "Capture Start");
    return TRUE;
}

BOOL CaptureWindow::CaptureSingleFrame()
{
    if (!m_singleFrameOpen || !m_single)
        return FALSE;
    auto frame = std::make_unique<Frame>();
    std::string error;
    bool gone = false;
    if (!m_driver->Grab(*frame, error, gone)) {
        ReportError(gone ? IDS_CAP_DEVICE_GONE : IDS_CAP_NO_FRAME, error);
        return FALSE;
    }
    if (!m_single->Add(*frame, error)) {
        ReportError(IDS_CAP_FILE_WRITE, error);
        return FALSE;
    }
    m_framesCaptured = m_single->Frames();
    Show(std::move(frame));
    return TRUE;
}

BOOL CaptureWindow::CaptureSingleFrameClose()
{
    if (!m_singleFrameOpen)
        return FALSE;
    std::string error;
    bool ok = m_single && m_single->Close(error);
    m_single.reset();
    m_singleFrameOpen = false;
    if (!ok)
        ReportError(IDS_CAP_FILE_WRITE, error);
    ReportStatus(IDS_CAP_END, "Capture End");
    return ok ? TRUE : FALSE;
}

// The drivers supply their own palettes, so there is nothing to build or load.
BOOL CaptureWindow::PaletteOpen(LPCSTR) { return FALSE; }
BOOL CaptureWindow::PaletteSave(LPCSTR) { return FALSE; }
BOOL CaptureWindow::PalettePaste() { return FALSE; }
BOOL CaptureWindow::PaletteAuto(int, int) { return FALSE; }
BOOL CaptureWindow::PaletteManual(BOOL, int) { return FALSE; }

}  // namespace capture
