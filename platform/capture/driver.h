// A capture driver as the capture window drives it, and the numbered list of
// drivers (0 to 9) the programs search by description.
#pragma once

#include "capture/capture_types.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CWnd;

namespace capture {

struct VideoFormat {
    BITMAPINFOHEADER header{};    // biHeight > 0: bottom-up rows
    std::vector<RGBQUAD> colours; // 4- and 8-bit formats
    size_t Bytes() const { return sizeof(BITMAPINFOHEADER) + colours.size() * sizeof(RGBQUAD); }
};

// Bytes of one bottom-up DIB row, padded to 4.
inline uint32_t DibStride(LONG width, WORD bits) { return ((uint32_t(width) * bits + 31) / 32) * 4; }
// A format of width x height at bits per pixel with its size filled in.
VideoFormat MakeFormat(LONG width, LONG height, WORD bits, std::vector<RGBQUAD> colours = {});

struct Frame {
    VideoFormat format;
    std::vector<BYTE> bits;
    DWORD number = 0;
};

class Driver {
public:
    virtual ~Driver() = default;
    // false with the reason in `error`.
    virtual bool Connect(std::string& error) = 0;
    virtual void Disconnect() = 0;
    virtual VideoFormat Format() const = 0;
    // A plain format (the driver may refuse it) or a driver command, whose
    // result the driver writes into `header`.
    virtual bool SetFormat(BITMAPINFOHEADER& header, const std::vector<RGBQUAD>& colours) = 0;
    // One frame in the current format. Bounded: a camera that does not answer
    // within about a frame's time fails with the reason in `error`; `gone` tells
    // a camera that went away from one that is only late.
    virtual bool Grab(Frame& frame, std::string& error, bool& gone) = 0;
    virtual bool HasSourceDialog() const { return false; }
    virtual bool HasFormatDialog() const { return false; }
    virtual bool SourceDialog(CWnd* owner) { return false; }
    virtual bool FormatDialog(CWnd* owner) { return false; }
};

struct DriverEntry {
    std::string description;
    std::string version;
    std::function<std::unique_ptr<Driver>()> open;
};

// Drivers 0..9: the V4L2 cameras found, then the test-pattern camera.
class DriverCatalog {
public:
    static std::vector<DriverEntry> Entries();
    // Tests install their own list; an empty optional goes back to the system's.
    static void Install(std::vector<DriverEntry> entries);
    static void UseSystem();
    // Looks for cameras again on the next use.
    static void Rescan();
};

}  // namespace capture

// capGetDriverDescriptionA: FALSE for a number without a driver.
BOOL capGetDriverDescription(WORD index, LPSTR name, int nameLength, LPSTR version, int versionLength);
