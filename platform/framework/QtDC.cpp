#include "QtDC.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QWidget>

void CQtPainterSurface::StretchPixels(int x, int y, int width, int height, const uint32_t* pixels, int sourceWidth,
                                      int sourceHeight)
{
    // The block lives only for this call: the image wraps it without a copy.
    const QImage block(reinterpret_cast<const uchar*>(pixels), sourceWidth, sourceHeight, sourceWidth * 4,
                       QImage::Format_RGB32);
    m_painter.drawImage(QRect(x, y, width, height), block);
}

CQtDC::~CQtDC()
{
    Detach();
}

void CQtDC::Attach(QPainter& painter, const GdiDeviceCaps& caps)
{
    Detach();
    if (!painter.isActive())
        return;
    m_surface = std::make_unique<CQtPainterSurface>(painter);
    m_hDC = GdiCreateDeviceDC(caps, m_surface.get());
}

void CQtDC::Detach()
{
    if (m_hDC)
        DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_surface.reset();
}

namespace {

// Devices deeper than 24 bits draw true colour all the same.
int DepthOf(int depth)
{
    return depth >= 24 ? 24 : depth;
}

}   // namespace

CQtPaintDC::CQtPaintDC(QPainter& painter, QWidget& widget)
{
    GdiDeviceCaps caps = GdiDisplayCaps(widget.width(), widget.height(), DepthOf(widget.depth()));
    caps.logPixelsX = widget.logicalDpiX();
    caps.logPixelsY = widget.logicalDpiY();
    Attach(painter, caps);
}

CQtImageDC::CQtImageDC(QImage& image)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    m_painter = std::make_unique<QPainter>(&image);
    GdiDeviceCaps caps = GdiDisplayCaps(image.width(), image.height(), 24);
    Attach(*m_painter, caps);
}

CQtImageDC::~CQtImageDC()
{
    Detach();
    if (m_painter)
        m_painter->end();
}

CQtPrinterDC::CQtPrinterDC(QPrinter& printer) : m_printer(printer)
{
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&printer))
        return;
    // Painting starts at the printable area's corner unless the whole page is asked for.
    const QPageLayout layout = printer.pageLayout();
    const QRect page = printer.fullPage() ? layout.fullRectPixels(printer.resolution())
                                          : layout.paintRectPixels(printer.resolution());
    GdiDeviceCaps caps = GdiPrinterCaps(page.width(), page.height(),
                                        printer.colorMode() == QPrinter::Color ? 24 : 1, printer.resolution());
    Attach(*m_painter, caps);
}

CQtPrinterDC::~CQtPrinterDC()
{
    EndDoc();
}

BOOL CQtPrinterDC::NewPage()
{
    return GetSafeHdc() && m_printer.newPage();
}

BOOL CQtPrinterDC::EndDoc()
{
    Detach();
    if (!m_painter || !m_painter->isActive())
        return FALSE;
    return m_painter->end();
}

void CQtPrinterDC::SetUpPdf(QPrinter& printer, const QString& path, int dpi)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(dpi);
    printer.setFullPage(true);
}
