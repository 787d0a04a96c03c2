// Clipboard calls over a replaceable backend. The framework's clipboard plugs in
// a backend of its own; without one the data lives in this process, which is
// what tests want. Data set on the clipboard belongs to it afterwards.
#pragma once

#include "gdi/gdi.h"

constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;

class ClipboardBackend {
public:
    virtual ~ClipboardBackend() = default;
    virtual BOOL Open(HWND owner) = 0;
    virtual BOOL Close() = 0;
    virtual BOOL Empty() = 0;
    virtual BOOL IsFormatAvailable(UINT format) = 0;
    // CF_DIB: an HGLOBAL holding a packed DIB; CF_BITMAP: an HBITMAP.
    virtual HANDLE GetData(UINT format) = 0;
    virtual HANDLE SetData(UINT format, HANDLE data) = 0;
};

// nullptr puts the in-process clipboard back.
void SetClipboardBackend(ClipboardBackend* backend);

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
BOOL IsClipboardFormatAvailable(UINT format);
HANDLE GetClipboardData(UINT format);
HANDLE SetClipboardData(UINT format, HANDLE data);
