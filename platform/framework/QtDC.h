// Device contexts over Qt: a widget being painted, an image, a printer (a PDF
// file, or a real printer through the system's print service). What is drawn
// into them through the drawing services (StretchDIBits, and so the image
// engine's display and print calls) lands on the Qt device; the DC reports the
// device's size, depth, resolution and technology.
#pragma once

#include <memory>

#include "gdi/gdi.h"

class QImage;
class QPainter;
class QPrinter;
class QString;
class QWidget;

// Draws pixel blocks with a painter that the owner keeps active.
class CQtPainterSurface : public GdiSurface {
public:
    explicit CQtPainterSurface(QPainter& painter) : m_painter(painter) {}
    void StretchPixels(int x, int y, int width, int height, const uint32_t* pixels, int sourceWidth,
                       int sourceHeight) override;

private:
    QPainter& m_painter;
};

class CQtDC {
public:
    virtual ~CQtDC();
    CQtDC(const CQtDC&) = delete;
    CQtDC& operator=(const CQtDC&) = delete;
    // Null when the device could not be opened.
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

protected:
    CQtDC() = default;
    // Makes the DC once the painter is active.
    void Attach(QPainter& painter, const GdiDeviceCaps& caps);
    void Detach();

private:
    std::unique_ptr<CQtPainterSurface> m_surface;
    HDC m_hDC = nullptr;
};

// Inside a widget's paintEvent: draws with the caller's painter on the widget.
class CQtPaintDC : public CQtDC {
public:
    CQtPaintDC(QPainter& painter, QWidget& widget);
};

// Draws into an image of 32 bits per pixel (any other format is converted to
// one first); the image keeps what was drawn when the DC goes.
class CQtImageDC : public CQtDC {
public:
    explicit CQtImageDC(QImage& image);
    ~CQtImageDC() override;

private:
    std::unique_ptr<QPainter> m_painter;
};

// A printer: a PDF file, or the printer the user chose. Coordinates are device
// pixels from the page's top-left corner at the printer's resolution.
class CQtPrinterDC : public CQtDC {
public:
    explicit CQtPrinterDC(QPrinter& printer);
    ~CQtPrinterDC() override;   // ends the document
    BOOL NewPage();
    // Ends the document now; false when the printer reported a failure.
    BOOL EndDoc();

    // Sets a printer up to write a PDF file at `dpi`, full page.
    static void SetUpPdf(QPrinter& printer, const QString& path, int dpi = 300);

private:
    QPrinter& m_printer;
    std::unique_ptr<QPainter> m_painter;
};
