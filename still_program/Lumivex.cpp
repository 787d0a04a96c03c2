#include "CaptureWnd.h"

#include "Memalloc.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {
std::string Upper(const CString& text)
{
    std::string s(static_cast<const char*>(text));
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

int CLumivex::FindCameraDriver()
{
    const std::string wanted = Upper(CString(kCameraName));
    for (WORD i = 0; i < kCapMaxDrivers; ++i) {
        CString name, version;
        if (!GetDriverDescription(i, name, version))
            continue;
        if (Upper(name).find(wanted) != std::string::npos)
            return i;
    }
    return -1;
}

BOOL CLumivex::Create(CCaptureWndUser* listener, CWnd* parent, DWORD style, UINT id)
{
    SetListener(listener);
    m_pListenerWnd = parent;
    const RECT rect{0, 0, 160, 120};
    if (!CCaptureWnd::Create("Lumivex", style, rect, parent, id))
        return FALSE;
    const int driver = FindCameraDriver();
    if (driver < 0 || !DriverConnect(WORD(driver)))
        return FALSE;
    ReadPictureSize();
    CAPDRIVERCAPS caps{};
    GetDriverCaps(&caps);
    CAPTUREPARMS parms{};
    if (!GetSequenceSetup(&parms))
        return FALSE;
    parms.fYield = TRUE;
    parms.fUsingDOSMemory = TRUE;
    parms.vKeyAbort = 0;
    parms.fAbortLeftMouse = FALSE;
    parms.fAbortRightMouse = FALSE;
    if (!SetSequenceSetup(&parms))
        return FALSE;
    if (caps.fHasOverlay) {
        if (!SetOverlay(TRUE))
            return FALSE;
    } else {
        SetPreview(FALSE);
    }
    SetScale(FALSE);
    return TRUE;
}

BOOL CLumivex::ReadPictureSize()
{
    BITMAPINFOHEADER header{};
    if (GetVideoFormat(nullptr, 0) < sizeof header || GetVideoFormat(&header, sizeof header) < sizeof header)
        return FALSE;
    m_rcImage = CRect(0, 0, header.biWidth, header.biHeight);
    m_sizeImage = CSize(header.biWidth, header.biHeight);
    return TRUE;
}

BOOL CLumivex::ShowFormatDialog()
{
    if (!ShowVideoFormatDialog())
        return FALSE;
    return ReadPictureSize();
}

BOOL CLumivex::ShowSourceDialog()
{
    if (!ShowVideoSourceDialog())
        return FALSE;
    return ReadPictureSize();
}

WORD CLumivex::SendCommand(BYTE code, WORD argument)
{
    const DWORD size = GetVideoFormat(nullptr, 0);
    if (size < sizeof(BITMAPINFOHEADER))
        return 0;
    auto* header = static_cast<BITMAPINFOHEADER*>(MemAlloc(size));
    if (!header)
        return 0;
    WORD result = 0;
    if (GetVideoFormat(header, size) >= sizeof(BITMAPINFOHEADER)) {
        SetDriverCommand(*header, code, argument);
        if (SetVideoFormat(header, sizeof(BITMAPINFOHEADER))) {
            result = DriverResult(*header);
            m_rcImage = CRect(0, 0, header->biWidth, header->biHeight);
            m_sizeImage = CSize(header->biWidth, header->biHeight);
        }
    }
    MemFree(header, size);
    return result;
}

void CLumivex::SetBrightness(WORD value) { SendCommand(kCmdSetBrightness, value); }
WORD CLumivex::GetBrightness() { return SendCommand(kCmdGetBrightness, 0); }
WORD CLumivex::GetAutoBrightness() { return SendCommand(kCmdGetAutoBrightness, 0); }

BOOL CLumivex::OpenShutter()
{
    m_wSavedBrightness = GetBrightness();
    SetBrightness(255);
    m_bExposing = TRUE;
    return TRUE;
}

void CLumivex::CloseShutter()
{
    SetBrightness(1);
    SetBrightness(m_wSavedBrightness);
    m_bExposing = FALSE;
}

void CLumivex::GetPictureRect(CRect& rect, CSize& size) const
{
    rect = m_rcImage;
    size = m_sizeImage;
}

BITMAPINFOHEADER* CLumivex::GetFormat()
{
    const DWORD size = GetVideoFormat(nullptr, 0);
    if (size < sizeof(BITMAPINFOHEADER))
        return nullptr;
    auto* header = static_cast<BITMAPINFOHEADER*>(MemAlloc(size));
    if (header && GetVideoFormat(header, size) < sizeof(BITMAPINFOHEADER)) {
        MemFree(header, size);
        return nullptr;
    }
    return header;
}
