// The capture window classes shared by the still and movie programs: a
// wrapper of the capture service's window (CCaptureWnd), one that forwards its
// events and two mouse messages to an owner (CCaptureWndEx), and the camera's
// own window (CLumivex).
#pragma once

#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "framework/QtWnd.h"

#include <QWidget>
#include "types/CString.h"
#include "types/geometry.h"

#include <memory>

// Private messages the callbacks send to the capture window.
constexpr UINT WM_CAPTURE_STATUS = 0x4B7;
constexpr UINT WM_CAPTURE_YIELD = 0x4B8;
constexpr UINT WM_CAPTURE_ERROR = 0x4B9;
constexpr UINT WM_CAPTURE_VIDEOSTREAM = 0x4BA;
constexpr UINT WM_CAPTURE_FRAME = 0x4BB;

// What the capture window's user data points at: the frame callback leaves
// the frame's pixels here and raises the flag.
struct CCaptureFrameSink {
    LPBYTE m_lpFrameData = nullptr;
    BOOL m_bNewFrame = FALSE;
};

class CCaptureWnd : public CQtWnd, public CCaptureFrameSink {
public:
    CCaptureWnd();
    ~CCaptureWnd() override;

    BOOL Create(const char* title, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    BOOL DestroyWindow() override;

    BOOL DriverConnect(WORD index);
    BOOL DriverDisconnect();
    BOOL GetDriverName(CString& name);
    BOOL GetDriverVersion(CString& version);
    BOOL GetDriverCaps(CAPDRIVERCAPS* caps);
    static BOOL GetDriverDescription(WORD index, CString& name, CString& version);

    BOOL SetErrorCallback(BOOL on);
    BOOL SetStatusCallback(BOOL on);
    BOOL SetYieldCallback(BOOL on);
    BOOL SetFrameCallback(BOOL on);
    BOOL SetVideoStreamCallback(BOOL on);
    BOOL SetWaveStreamCallback(BOOL on);
    BOOL SetUserData(LONG_PTR data);
    LONG_PTR GetUserData();

    BOOL SetCaptureFile(const char* path);
    BOOL GetCaptureFile(CString& path);
    BOOL AllocateCaptureFile(DWORD bytes);
    BOOL SaveCaptureFileAs(const char* path);
    BOOL SetInfoChunk(const CAPINFOCHUNK* chunk);
    BOOL SaveDIB(const char* path);
    BOOL EditCopy();

    BOOL SetAudioFormat(const WAVEFORMATEX* format, UINT size);
    DWORD GetAudioFormat(WAVEFORMATEX* format, UINT size);

    BOOL ShowVideoFormatDialog();
    BOOL ShowVideoSourceDialog();
    BOOL ShowVideoDisplayDialog();
    BOOL ShowVideoCompressionDialog();

    DWORD GetVideoFormat(void* format, UINT size);
    BOOL SetVideoFormat(void* format, UINT size);

    BOOL SetPreview(BOOL on);
    BOOL SetOverlay(BOOL on);
    BOOL SetPreviewRate(WORD ms);
    BOOL SetScale(BOOL on);
    BOOL GetStatus(CAPSTATUS* status);
    BOOL SetScroll(POINT point);

    BOOL GrabFrame();
    BOOL GrabFrameNoStop();
    BOOL Sequence();
    BOOL SequenceNoFile();
    BOOL Stop();
    BOOL Abort();
    BOOL GetSequenceSetup(CAPTUREPARMS* parms);
    BOOL SetSequenceSetup(const CAPTUREPARMS* parms);

    BOOL SetMCIDevice(const char* name);
    BOOL GetMCIDevice(CString& name);

    BOOL SingleFrameOpen();
    BOOL SingleFrameClose();
    BOOL SingleFrame();

    BOOL PaletteOpen(const char* path);
    BOOL PaletteSave(const char* path);
    BOOL PalettePaste();
    BOOL PaletteAuto(int frames, int colours);
    BOOL PaletteManual(BOOL grab, int colours);

    BOOL IsConnected() const { return m_bConnected; }
    BOOL IsCapturing() const { return m_bCapturing; }
    WORD GetDriverIndex() const { return m_wDriverIndex; }
    BOOL IsDialogOpen() const { return m_bDialogOpen; }
    void SetAbortRequest(BOOL abort) { m_bAbortRequest = abort; }
    // The service behind the window, for the widget that shows its picture.
    capture::CaptureWindow* Service() const { return m_capture.get(); }
    // A widget that shows this window's picture and brings its mouse input
    // here; owned by `parent`. Needs the window created and a Qt application.
    capture::CaptureView* CreateView(QWidget* parent);

    virtual BOOL OnCaptureError(int id, const char* text);
    virtual BOOL OnCaptureStatus(int id, const char* text);
    virtual BOOL OnCaptureYield();
    virtual BOOL OnCaptureFrame(VIDEOHDR* header);
    virtual BOOL OnCaptureVideoStream(VIDEOHDR* header);
    virtual BOOL OnCaptureWaveStream(WAVEHDR* header);

protected:
    // Live only while the window exists.
    capture::CaptureWindow* Live() const;

    BOOL m_bConnected = FALSE;
    BOOL m_bErrorCallback = FALSE;
    BOOL m_bStatusCallback = FALSE;
    BOOL m_bYieldCallback = FALSE;
    BOOL m_bFrameCallback = FALSE;
    BOOL m_bVideoStreamCallback = FALSE;
    BOOL m_bCapturing = FALSE;
    BOOL m_bAbortRequest = FALSE;
    CAPVIDEOCALLBACK m_pFrameCallback = nullptr;
    CAPVIDEOCALLBACK m_pVideoStreamCallback = nullptr;
    WORD m_wDriverIndex = 100;
    BOOL m_bDialogOpen = FALSE;
    char m_szBuffer[260] = {};

private:
    BOOL RunDialog(BOOL (capture::CaptureWindow::*dialog)());
    std::unique_ptr<capture::CaptureWindow> m_capture;
};

// The owner's side of the capture window's events.
class CCaptureWndUser {
public:
    virtual ~CCaptureWndUser() = default;
    virtual void CCaptureWndUserOnRButtonDown(UINT flags, CPoint point) {}
    virtual void CCaptureWndUserOnMouseMove(UINT flags, CPoint point) {}
    virtual BOOL CCaptureWndUserOnError(int id, const char* text) { return TRUE; }
    virtual BOOL CCaptureWndUserOnStatus(int id, const char* text) { return TRUE; }
    virtual BOOL CCaptureWndUserOnYield() { return TRUE; }
    virtual BOOL CCaptureWndUserOnFrame(VIDEOHDR* header) { return TRUE; }
    virtual BOOL CCaptureWndUserOnVideoStream(VIDEOHDR* header) { return TRUE; }
    virtual BOOL CCaptureWndUserOnWaveStream(WAVEHDR* header) { return TRUE; }
};

class CCaptureWndEx : public CCaptureWnd {
public:
    CCaptureWndEx();
    void SetListener(CCaptureWndUser* listener) { m_pListener = listener; }
    CCaptureWndUser* GetListener() const { return m_pListener; }

    BOOL OnCaptureError(int id, const char* text) override;
    BOOL OnCaptureStatus(int id, const char* text) override;
    BOOL OnCaptureYield() override;
    BOOL OnCaptureFrame(VIDEOHDR* header) override;
    BOOL OnCaptureVideoStream(VIDEOHDR* header) override;
    BOOL OnCaptureWaveStream(WAVEHDR* header) override;

protected:
    CCaptureWndUser* m_pListener = nullptr;
};

class CLumivex : public CCaptureWndEx {
public:
    BOOL Create(CCaptureWndUser* listener, CWnd* parent, DWORD style, UINT id);

    BOOL ShowFormatDialog();
    BOOL ShowSourceDialog();
    void SetBrightness(WORD value);
    WORD GetBrightness();
    WORD GetAutoBrightness();
    BOOL OpenShutter();
    void CloseShutter();
    BOOL IsExposing() const { return m_bExposing; }
    void GetPictureRect(CRect& rect, CSize& size) const;
    // A copy of the current format header with its colour table (MemFree it), or null.
    BITMAPINFOHEADER* GetFormat();
    void EnableSelection(BOOL enable) { m_bSelectEnabled = enable; }
    BOOL IsSelectionEnabled() const { return m_bSelectEnabled; }

    // The first driver 0..9 whose description holds the camera name, -1 when none.
    static int FindCameraDriver();

private:
    WORD SendCommand(BYTE code, WORD argument);
    BOOL ReadPictureSize();

    CWnd* m_pListenerWnd = nullptr;
    CRect m_rcImage;
    CSize m_sizeImage;
    BOOL m_bExposing = FALSE;
    WORD m_wSavedBrightness = 0;
    BOOL m_bSelectEnabled = FALSE;
    BOOL m_bSelecting = FALSE;
    CPoint m_ptSelectStart;
    CRect m_rcSelection;
};

inline constexpr const char* kCameraName = "Lumivex";
