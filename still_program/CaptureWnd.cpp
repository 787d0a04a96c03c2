#include "CaptureWnd.h"

#include "framework/UiService.h"
#include "framework/WinApp.h"

#include <cstring>

namespace {

// Each callback kind has its own re-entry flag: a call that arrives while the
// previous one of its kind still runs (an error raised while the error's box
// is up) is answered TRUE without a second message.
struct ReentryGuard {
    explicit ReentryGuard(bool& flag) : m_flag(flag), m_entered(!flag) { m_flag = true; }
    ~ReentryGuard()
    {
        if (m_entered)
            m_flag = false;
    }
    bool Entered() const { return m_entered; }
    bool& m_flag;
    bool m_entered;
};

bool g_inError = false, g_inStatus = false, g_inYield = false, g_inFrame = false, g_inVideoStream = false;

LRESULT ErrorCallback(HWND hwnd, int id, LPCSTR text)
{
    ReentryGuard guard(g_inError);
    return guard.Entered() ? ::SendMessage(hwnd, WM_CAPTURE_ERROR, WPARAM(id), LPARAM(text)) : TRUE;
}

LRESULT StatusCallback(HWND hwnd, int id, LPCSTR text)
{
    ReentryGuard guard(g_inStatus);
    return guard.Entered() ? ::SendMessage(hwnd, WM_CAPTURE_STATUS, WPARAM(id), LPARAM(text)) : TRUE;
}

LRESULT YieldCallback(HWND hwnd)
{
    ReentryGuard guard(g_inYield);
    return guard.Entered() ? ::SendMessage(hwnd, WM_CAPTURE_YIELD, 0, 0) : TRUE;
}

LRESULT FrameCallback(HWND hwnd, VIDEOHDR* header)
{
    ReentryGuard guard(g_inFrame);
    if (!guard.Entered())
        return TRUE;
    if (auto* window = dynamic_cast<CCaptureWnd*>(CWnd::FromHandle(hwnd))) {
        if (auto* sink = reinterpret_cast<CCaptureFrameSink*>(window->GetUserData())) {
            sink->m_lpFrameData = header ? header->lpData : nullptr;
            sink->m_bNewFrame = TRUE;
        }
    }
    return ::SendMessage(hwnd, WM_CAPTURE_FRAME, 0, LPARAM(header));
}

LRESULT VideoStreamCallback(HWND hwnd, VIDEOHDR* header)
{
    ReentryGuard guard(g_inVideoStream);
    return guard.Entered() ? ::SendMessage(hwnd, WM_CAPTURE_VIDEOSTREAM, 0, LPARAM(header)) : TRUE;
}

}  // namespace

CCaptureWnd::CCaptureWnd()
{
    OnMessage(WM_CAPTURE_ERROR, [this](WPARAM w, LPARAM l) -> LRESULT { return OnCaptureError(int(w), reinterpret_cast<const char*>(l)); });
    OnMessage(WM_CAPTURE_STATUS, [this](WPARAM w, LPARAM l) -> LRESULT { return OnCaptureStatus(int(w), reinterpret_cast<const char*>(l)); });
    OnMessage(WM_CAPTURE_YIELD, [this](WPARAM, LPARAM) -> LRESULT { return OnCaptureYield(); });
    OnMessage(WM_CAPTURE_FRAME, [this](WPARAM, LPARAM l) -> LRESULT { return OnCaptureFrame(reinterpret_cast<VIDEOHDR*>(l)); });
    OnMessage(WM_CAPTURE_VIDEOSTREAM, [this](WPARAM, LPARAM l) -> LRESULT { return OnCaptureVideoStream(reinterpret_cast<VIDEOHDR*>(l)); });
}

CCaptureWnd::~CCaptureWnd() { DestroyWindow(); }

BOOL CCaptureWnd::Create(const char* title, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (m_hWnd || !CWnd::Create(parent, title, style, rect, id))
        return FALSE;
    m_capture = std::make_unique<capture::CaptureWindow>(m_hWnd);
    m_capture->SetUserData(reinterpret_cast<LONG_PTR>(static_cast<CCaptureFrameSink*>(this)));
    return TRUE;
}

BOOL CCaptureWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    DriverDisconnect();
    SetErrorCallback(FALSE);
    SetStatusCallback(FALSE);
    SetYieldCallback(FALSE);
    SetFrameCallback(FALSE);
    SetVideoStreamCallback(FALSE);
    SetWaveStreamCallback(FALSE);
    // A view that outlives the window must not reach the service afterwards.
    if (auto* view = dynamic_cast<capture::CaptureView*>(Widget()))
        view->Attach(nullptr);
    m_capture.reset();
    return CWnd::DestroyWindow();
}

capture::CaptureView* CCaptureWnd::CreateView(QWidget* parent)
{
    if (!m_capture)
        return nullptr;
    auto* view = new capture::CaptureView(parent);
    view->Attach(m_capture.get());
    AttachWidget(view);
    return view;
}

capture::CaptureWindow* CCaptureWnd::Live() const
{
    return (m_hWnd && ::IsWindow(m_hWnd)) ? m_capture.get() : nullptr;
}

BOOL CCaptureWnd::DriverConnect(WORD index)
{
    auto* c = Live();
    if (!c || m_bConnected)
        return FALSE;
    m_bConnected = c->DriverConnect(index);
    m_wDriverIndex = m_bConnected ? index : 100;
    return m_bConnected;
}

BOOL CCaptureWnd::DriverDisconnect()
{
    auto* c = Live();
    if (!c)
        return FALSE;
    if (m_bConnected)
        c->DriverDisconnect();
    m_bConnected = FALSE;
    m_bCapturing = FALSE;
    m_wDriverIndex = 100;
    return TRUE;
}

BOOL CCaptureWnd::GetDriverName(CString& name)
{
    auto* c = Live();
    if (!c || !c->DriverGetName(m_szBuffer, sizeof m_szBuffer))
        return FALSE;
    name = m_szBuffer;
    return TRUE;
}

BOOL CCaptureWnd::GetDriverVersion(CString& version)
{
    auto* c = Live();
    if (!c || !c->DriverGetVersion(m_szBuffer, sizeof m_szBuffer))
        return FALSE;
    version = m_szBuffer;
    return TRUE;
}

BOOL CCaptureWnd::GetDriverCaps(CAPDRIVERCAPS* caps)
{
    auto* c = Live();
    return c ? c->DriverGetCaps(caps, sizeof(CAPDRIVERCAPS)) : FALSE;
}

BOOL CCaptureWnd::GetDriverDescription(WORD index, CString& name, CString& version)
{
    char n[400] = {}, v[400] = {};
    if (!capGetDriverDescription(index, n, sizeof n, v, sizeof v))
        return FALSE;
    name = n;
    version = v;
    return TRUE;
}

BOOL CCaptureWnd::SetErrorCallback(BOOL on)
{
    auto* c = Live();
    if (!c || !c->SetCallbackOnError(on ? ErrorCallback : nullptr))
        return FALSE;
    m_bErrorCallback = on;
    return TRUE;
}

BOOL CCaptureWnd::SetStatusCallback(BOOL on)
{
    auto* c = Live();
    if (!c || !c->SetCallbackOnStatus(on ? StatusCallback : nullptr))
        return FALSE;
    m_bStatusCallback = on;
    return TRUE;
}

BOOL CCaptureWnd::SetYieldCallback(BOOL on)
{
    auto* c = Live();
    if (!c || !c->SetCallbackOnYield(on ? YieldCallback : nullptr))
        return FALSE;
    m_bYieldCallback = on;
    return TRUE;
}

BOOL CCaptureWnd::SetFrameCallback(BOOL on)
{
    auto* c = Live();
    if (!c || !c->SetCallbackOnFrame(on ? FrameCallback : nullptr))
        return FALSE;
    m_bFrameCallback = on;
    m_pFrameCallback = on ? FrameCallback : nullptr;
    return TRUE;
}

BOOL CCaptureWnd::SetVideoStreamCallback(BOOL on)
{
    auto* c = Live();
    if (!c || !c->SetCallbackOnVideoStream(on ? VideoStreamCallback : nullptr))
        return FALSE;
    m_bVideoStreamCallback = on;
    m_pVideoStreamCallback = on ? VideoStreamCallback : nullptr;
    return TRUE;
}

// No private message carries sound buffers; the callback can only be removed.
BOOL CCaptureWnd::SetWaveStreamCallback(BOOL on)
{
    auto* c = Live();
    return c && !on ? c->SetCallbackOnWaveStream(nullptr) : FALSE;
}

BOOL CCaptureWnd::SetUserData(LONG_PTR data) { auto* c = Live(); return c ? c->SetUserData(data) : FALSE; }
LONG_PTR CCaptureWnd::GetUserData() { auto* c = Live(); return c ? c->GetUserData() : 0; }

BOOL CCaptureWnd::SetCaptureFile(const char* path) { auto* c = Live(); return c ? c->FileSetCaptureFile(path) : FALSE; }

BOOL CCaptureWnd::GetCaptureFile(CString& path)
{
    auto* c = Live();
    if (!c || !c->FileGetCaptureFile(m_szBuffer, sizeof m_szBuffer))
        return FALSE;
    path = m_szBuffer;
    return TRUE;
}

BOOL CCaptureWnd::AllocateCaptureFile(DWORD bytes) { auto* c = Live(); return c ? c->FileAlloc(bytes) : FALSE; }
BOOL CCaptureWnd::SaveCaptureFileAs(const char* path) { auto* c = Live(); return c ? c->FileSaveAs(path) : FALSE; }
BOOL CCaptureWnd::SetInfoChunk(const CAPINFOCHUNK* chunk) { auto* c = Live(); return c ? c->FileSetInfoChunk(chunk) : FALSE; }
BOOL CCaptureWnd::SaveDIB(const char* path) { auto* c = Live(); return c ? c->FileSaveDIB(path) : FALSE; }
BOOL CCaptureWnd::EditCopy() { auto* c = Live(); return c ? c->EditCopy() : FALSE; }

BOOL CCaptureWnd::SetAudioFormat(const WAVEFORMATEX* format, UINT size) { auto* c = Live(); return c ? c->SetAudioFormat(format, size) : FALSE; }
DWORD CCaptureWnd::GetAudioFormat(WAVEFORMATEX* format, UINT size) { auto* c = Live(); return c ? c->GetAudioFormat(format, size) : 0; }

BOOL CCaptureWnd::RunDialog(BOOL (capture::CaptureWindow::*dialog)())
{
    auto* c = Live();
    if (!c)
        return FALSE;
    m_bDialogOpen = TRUE;
    BOOL result = (c->*dialog)();
    m_bDialogOpen = FALSE;
    return result;
}

BOOL CCaptureWnd::ShowVideoFormatDialog() { return RunDialog(&capture::CaptureWindow::DlgVideoFormat); }
BOOL CCaptureWnd::ShowVideoSourceDialog() { return RunDialog(&capture::CaptureWindow::DlgVideoSource); }
BOOL CCaptureWnd::ShowVideoDisplayDialog() { return RunDialog(&capture::CaptureWindow::DlgVideoDisplay); }
BOOL CCaptureWnd::ShowVideoCompressionDialog() { return RunDialog(&capture::CaptureWindow::DlgVideoCompression); }

DWORD CCaptureWnd::GetVideoFormat(void* format, UINT size) { auto* c = Live(); return c ? c->GetVideoFormat(format, size) : 0; }
BOOL CCaptureWnd::SetVideoFormat(void* format, UINT size) { auto* c = Live(); return c ? c->SetVideoFormat(format, size) : FALSE; }

BOOL CCaptureWnd::SetPreview(BOOL on) { auto* c = Live(); return c ? c->SetPreview(on) : FALSE; }
BOOL CCaptureWnd::SetOverlay(BOOL on) { auto* c = Live(); return c ? c->SetOverlay(on) : FALSE; }
BOOL CCaptureWnd::SetPreviewRate(WORD ms) { auto* c = Live(); return c ? c->SetPreviewRate(ms) : FALSE; }
BOOL CCaptureWnd::SetScale(BOOL on) { auto* c = Live(); return c ? c->SetScale(on) : FALSE; }
BOOL CCaptureWnd::GetStatus(CAPSTATUS* status) { auto* c = Live(); return c ? c->GetStatus(status, sizeof(CAPSTATUS)) : FALSE; }
BOOL CCaptureWnd::SetScroll(POINT point) { auto* c = Live(); return c ? c->SetScroll(point) : FALSE; }

BOOL CCaptureWnd::GrabFrame() { auto* c = Live(); return c ? c->GrabFrame() : FALSE; }
BOOL CCaptureWnd::GrabFrameNoStop() { auto* c = Live(); return c ? c->GrabFrameNoStop() : FALSE; }
BOOL CCaptureWnd::Sequence() { auto* c = Live(); return c ? c->CaptureSequence() : FALSE; }
BOOL CCaptureWnd::SequenceNoFile() { auto* c = Live(); return c ? c->CaptureSequenceNoFile() : FALSE; }
BOOL CCaptureWnd::Stop() { auto* c = Live(); return c ? c->CaptureStop() : FALSE; }
BOOL CCaptureWnd::Abort() { auto* c = Live(); return c ? c->CaptureAbort() : FALSE; }
BOOL CCaptureWnd::GetSequenceSetup(CAPTUREPARMS* parms) { auto* c = Live(); return c ? c->CaptureGetSetup(parms, sizeof(CAPTUREPARMS)) : FALSE; }
BOOL CCaptureWnd::SetSequenceSetup(const CAPTUREPARMS* parms) { auto* c = Live(); return c ? c->CaptureSetSetup(parms, sizeof(CAPTUREPARMS)) : FALSE; }

BOOL CCaptureWnd::SetMCIDevice(const char* name) { auto* c = Live(); return c ? c->SetMCIDeviceName(name) : FALSE; }

BOOL CCaptureWnd::GetMCIDevice(CString& name)
{
    auto* c = Live();
    if (!c || !c->GetMCIDeviceName(m_szBuffer, sizeof m_szBuffer))
        return FALSE;
    name = m_szBuffer;
    return TRUE;
}

BOOL CCaptureWnd::SingleFrameOpen() { auto* c = Live(); return c ? c->CaptureSingleFrameOpen() : FALSE; }
BOOL CCaptureWnd::SingleFrameClose() { auto* c = Live(); return c && m_bCapturing ? c->CaptureSingleFrameClose() : FALSE; }
BOOL CCaptureWnd::SingleFrame() { auto* c = Live(); return c && m_bCapturing ? c->CaptureSingleFrame() : FALSE; }

BOOL CCaptureWnd::PaletteOpen(const char* path) { auto* c = Live(); return c ? c->PaletteOpen(path) : FALSE; }
BOOL CCaptureWnd::PaletteSave(const char* path) { auto* c = Live(); return c ? c->PaletteSave(path) : FALSE; }
BOOL CCaptureWnd::PalettePaste() { auto* c = Live(); return c ? c->PalettePaste() : FALSE; }
BOOL CCaptureWnd::PaletteAuto(int frames, int colours) { auto* c = Live(); return c ? c->PaletteAuto(frames, colours) : FALSE; }
BOOL CCaptureWnd::PaletteManual(BOOL grab, int colours) { auto* c = Live(); return c ? c->PaletteManual(grab, colours) : FALSE; }

BOOL CCaptureWnd::OnCaptureError(int id, const char* text)
{
    if (id != 0) {
        AfxMessageBox(text ? text : "", MB_OK);
        if (m_bCapturing)
            Stop();
    }
    return TRUE;
}

BOOL CCaptureWnd::OnCaptureStatus(int id, const char*)
{
    if (id == IDS_CAP_BEGIN)
        m_bCapturing = TRUE;
    else if (id == IDS_CAP_END)
        m_bCapturing = FALSE;
    return TRUE;
}

BOOL CCaptureWnd::OnCaptureYield()
{
    CWnd* main = AfxGetMainWnd();
    HWND filter = main ? main->GetSafeHwnd() : nullptr;
    MSG msg;
    while (!m_bAbortRequest && ::PeekMessage(&msg, filter, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
    }
    return TRUE;
}

BOOL CCaptureWnd::OnCaptureFrame(VIDEOHDR*) { return TRUE; }
BOOL CCaptureWnd::OnCaptureVideoStream(VIDEOHDR*) { return TRUE; }
BOOL CCaptureWnd::OnCaptureWaveStream(WAVEHDR*) { return TRUE; }
