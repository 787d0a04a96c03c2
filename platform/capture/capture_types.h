// Structures and callback types of the capture service, laid out as the
// programs read them (sizes pinned: the programs pass them with their size).
#pragma once

#include "audio/wave_format.h"
#include "framework/Messages.h"
#include "types/wintypes.h"

#include <cstddef>
#include <cstdint>

struct CAPDRIVERCAPS {
    UINT wDeviceIndex;
    BOOL fHasOverlay;
    BOOL fHasDlgVideoSource;
    BOOL fHasDlgVideoFormat;
    BOOL fHasDlgVideoDisplay;
    BOOL fCaptureInitialized;
    BOOL fDriverSuppliesPalettes;
    DWORD hVideoIn;   // device handles: only their room is kept
    DWORD hVideoOut;
    DWORD hVideoExtIn;
    DWORD hVideoExtOut;
};
static_assert(sizeof(CAPDRIVERCAPS) == 44);

struct CAPSTATUS {
    UINT uiImageWidth;
    UINT uiImageHeight;
    BOOL fLiveWindow;
    BOOL fOverlayWindow;
    BOOL fScale;
    POINT ptScroll;
    BOOL fUsingDefaultPalette;
    BOOL fAudioHardware;
    BOOL fCapFileExists;
    DWORD dwCurrentVideoFrame;
    DWORD dwCurrentVideoFramesDropped;
    DWORD dwCurrentWaveSamples;
    DWORD dwCurrentTimeElapsedMS;
    DWORD hPalCurrent;
    BOOL fCapturingNow;
    DWORD dwReturn;
    UINT wNumVideoAllocated;
    UINT wNumAudioAllocated;
};
static_assert(sizeof(CAPSTATUS) == 76);

struct CAPTUREPARMS {
    DWORD dwRequestMicroSecPerFrame;
    BOOL fMakeUserHitOKToCapture;
    UINT wPercentDropForError;
    BOOL fYield;
    DWORD dwIndexSize;
    UINT wChunkGranularity;
    BOOL fUsingDOSMemory;
    UINT wNumVideoRequested;
    BOOL fCaptureAudio;
    UINT wNumAudioRequested;
    UINT vKeyAbort;
    BOOL fAbortLeftMouse;
    BOOL fAbortRightMouse;
    BOOL fLimitEnabled;
    UINT wTimeLimit;   // seconds
    BOOL fMCIControl;
    BOOL fStepMCIDevice;
    DWORD dwMCIStartTime;
    DWORD dwMCIStopTime;
    BOOL fStepCaptureAt2x;
    UINT wStepCaptureAverageFrames;
    DWORD dwAudioBufferSize;
    BOOL fDisableWriteCache;
    UINT AVStreamMaster;
};
static_assert(sizeof(CAPTUREPARMS) == 96);

struct CAPINFOCHUNK {
    DWORD fccInfoID;
    LPVOID lpData;
    LONG cbData;
};

typedef intptr_t LONG_PTR;

struct VIDEOHDR {
    LPBYTE lpData;
    DWORD dwBufferLength;
    DWORD dwBytesUsed;
    DWORD dwTimeCaptured;   // ms since the capture began
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD_PTR dwReserved[4];
};
constexpr DWORD VHDR_DONE = 1;
constexpr DWORD VHDR_KEYFRAME = 8;

struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};

typedef LRESULT (*CAPERRORCALLBACK)(HWND hwnd, int id, LPCSTR text);
typedef LRESULT (*CAPSTATUSCALLBACK)(HWND hwnd, int id, LPCSTR text);
typedef LRESULT (*CAPYIELDCALLBACK)(HWND hwnd);
typedef LRESULT (*CAPVIDEOCALLBACK)(HWND hwnd, VIDEOHDR* header);
typedef LRESULT (*CAPWAVECALLBACK)(HWND hwnd, WAVEHDR* header);

// Status ids around a sequence capture.
constexpr int IDS_CAP_BEGIN = 300;
constexpr int IDS_CAP_END = 301;

// Error ids the service reports through the error callback.
constexpr int IDS_CAP_NO_FRAME = 440;      // the camera stopped answering
constexpr int IDS_CAP_DEVICE_GONE = 441;   // the camera went away (unplugged)
constexpr int IDS_CAP_FILE_WRITE = 442;    // writing the capture file failed
constexpr int IDS_CAP_FILE_OPEN = 443;     // the capture file cannot be opened
constexpr int IDS_CAP_TOO_MANY_DROPPED = 444;
constexpr int IDS_CAP_NO_DRIVER = 445;

constexpr int kCapMaxDrivers = 10;
constexpr WORD kCapNoDriver = 100;

// The driver command convention: a command travels in a video format header
// sent with only its 40 bytes. Code in the low byte of biXPelsPerMeter, the
// argument in its high 16 bits (bits 8-15 zero); the result comes back in the
// low 16 bits of biYPelsPerMeter.
constexpr BYTE kCmdSetBrightness = 0x6E;
constexpr BYTE kCmdGetBrightness = 0x6F;
constexpr BYTE kCmdGetAutoBrightness = 0x83;

// The command carried by a header, 0 when it carries a plain format.
inline BYTE DriverCommandCode(const BITMAPINFOHEADER& h)
{
    DWORD v = DWORD(h.biXPelsPerMeter);
    BYTE code = BYTE(v & 0xFF);
    if ((v & 0xFF00) != 0)
        return 0;
    if (code == kCmdSetBrightness || code == kCmdGetBrightness || code == kCmdGetAutoBrightness)
        return code;
    return 0;
}
inline WORD DriverCommandArgument(const BITMAPINFOHEADER& h) { return WORD(DWORD(h.biXPelsPerMeter) >> 16); }
inline void SetDriverCommand(BITMAPINFOHEADER& h, BYTE code, WORD argument)
{
    h.biXPelsPerMeter = LONG((DWORD(argument) << 16) | code);
    h.biYPelsPerMeter = 0;
}
inline void SetDriverResult(BITMAPINFOHEADER& h, WORD result)
{
    h.biYPelsPerMeter = LONG((DWORD(h.biYPelsPerMeter) & 0xFFFF0000u) | result);
}
inline WORD DriverResult(const BITMAPINFOHEADER& h) { return WORD(DWORD(h.biYPelsPerMeter) & 0xFFFF); }
