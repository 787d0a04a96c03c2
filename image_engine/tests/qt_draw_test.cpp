// A picture drawn by the engine into a Qt image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>


#include "QtDC.h"
#include "test_util.h"

using namespace vtest;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "vantor_qt_draw_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

uint32_t Colour(int x, int y)
{
    return uint32_t(40 * x + 20) << 16 | uint32_t(60 * y + 30) << 8 | 0x80;
}

TEST(QtDraw, DisplayIntoAnImage)
{
    App();
    // Eightfold both ways, so the fixed-point steps are exact.
    IMG_HANDLE h = FromDib(MakeDib(4, 2, 24, Colour));
    QImage image(34, 16, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        CQtImageDC dc(image);
        ASSERT_EQ(IMG_display_bitmap(h, dc, 2, 0, 32, 16), 0);
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 15), qRgb(0, 0, 0));
    for (int y = 0; y < 16; ++y)
        for (int x = 2; x < 34; ++x) {
            const uint32_t c = Colour((x - 2) / 8, y / 8);
            ASSERT_EQ(image.pixel(x, y), qRgb(int(c >> 16), int((c >> 8) & 255), int(c & 255))) << x << "," << y;
        }
    IMG_delete_bitmap(h);
}

}   // namespace
