#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QWidget>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "QtDC.h"

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "qtdc_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// 2 x 2 24-bit DIB: top row red, green; bottom row blue, white.
struct TwoByTwo {
    BITMAPINFOHEADER header{40, 2, 2, 1, 24, BI_RGB, 16, 0, 0, 0, 0};
    uint8_t bits[16] = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(&header); }
    int Draw(HDC dc, int x, int y, int w, int h) const
    {
        return StretchDIBits(dc, x, y, w, h, 0, 0, 2, 2, bits, Info(), DIB_RGB_COLORS, SRCCOPY);
    }
};

QRgb Rgb(uint32_t colour)
{
    return qRgb(int(colour >> 16), int((colour >> 8) & 255), int(colour & 255));
}

class PaintedWidget : public QWidget {
public:
    int result = -1;
    int horzres = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        CQtPaintDC dc(painter, *this);
        horzres = GetDeviceCaps(dc, HORZRES);
        result = TwoByTwo().Draw(dc, 10, 10, 20, 20);
    }
};

TEST(QtPaintDC, DrawsOnTheWidgetInItsPaintEvent)
{
    App();
    PaintedWidget widget;
    widget.resize(40, 30);
    const QImage shot = widget.grab().toImage();
    EXPECT_EQ(widget.result, 20);
    EXPECT_EQ(widget.horzres, 40);
    EXPECT_EQ(shot.pixel(12, 12), Rgb(0xFF0000));
    EXPECT_EQ(shot.pixel(27, 27), Rgb(0xFFFFFF));
    EXPECT_EQ(shot.pixel(5, 5), Rgb(0x000000));
}

TEST(QtPrinterDC, WritesAPdfPageAtThePrintersResolution)
{
    App();
    const QString path = QString::fromStdString("/tmp/qtdc_" + std::to_string(getpid()) + ".pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        CQtPrinterDC::SetUpPdf(printer, path, 300);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        CQtPrinterDC dc(printer);
        ASSERT_NE(dc.GetSafeHdc(), nullptr);
        EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 300);
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 2550);
        EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 3300);
        // One inch square, one inch in from the corner.
        EXPECT_EQ(TwoByTwo().Draw(dc, 300, 300, 300, 300), 300);
        EXPECT_TRUE(dc.EndDoc());
    }
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    pdf.close();
    if (std::system("gs --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Ghostscript is not installed";
    // Rendered at 30 dpi the square covers (30,30)-(60,60).
    const std::string png = path.toStdString() + ".png";
    const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r30 -sOutputFile='" + png + "' '" +
                            path.toStdString() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    QImage page(QString::fromStdString(png));
    ASSERT_EQ(page.width(), 255);
    auto near = [](QRgb got, uint32_t want) {
        return std::abs(qRed(got) - int(want >> 16)) <= 8 && std::abs(qGreen(got) - int((want >> 8) & 255)) <= 8 &&
               std::abs(qBlue(got) - int(want & 255)) <= 8;
    };
    EXPECT_TRUE(near(page.pixel(37, 37), 0xFF0000));
    EXPECT_TRUE(near(page.pixel(52, 37), 0x00FF00));
    EXPECT_TRUE(near(page.pixel(37, 52), 0x0000FF));
    EXPECT_TRUE(near(page.pixel(52, 52), 0xFFFFFF));
    EXPECT_TRUE(near(page.pixel(20, 20), 0xFFFFFF));   // paper
    EXPECT_TRUE(near(page.pixel(70, 45), 0xFFFFFF));
    QFile::remove(path);
    QFile::remove(QString::fromStdString(png));
}

}   // namespace
