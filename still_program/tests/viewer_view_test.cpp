// The viewer on screen: the widget draws the picture where the window says,
// and its close box and scroll bars reach the window.
#include "ViewerWnd.h"
#include "files_test_util.h"

#include "framework/TestUiService.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QWidget>

using namespace filmtest;

namespace {

class ViewerOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(viewer.Create(nullptr, CString(dir.path().string())));
        ASSERT_NE(viewer.Widget(), nullptr);
        viewer.ShowWindow(SW_SHOW);
        QApplication::processEvents();
    }
    QWidget* Area() const { return viewer.Widget()->findChild<QWidget*>("picture"); }
    void Show(int width, int height)
    {
        WriteBytes(dir / "temp999.bmp", MakeBmp(width, height, 24));
        ASSERT_TRUE(viewer.LoadPicture(CString((dir / "temp999.bmp").string())));
        QApplication::processEvents();
    }

    ScopedTestUi ui;
    TempFolder dir;
    CViewerWnd viewer;
};

TEST_F(ViewerOnScreen, DrawsASmallPictureCentred)
{
    Show(120, 90);
    ASSERT_NE(Area(), nullptr);
    QImage shot = Area()->grab().toImage();
    for (auto [x, y] : {std::pair{0, 0}, std::pair{119, 89}, std::pair{60, 30}}) {
        uint8_t rgb[3];
        BlendAt(x, y, rgb);
        EXPECT_EQ(shot.pixelColor(20 + x, 15 + y), QColor(rgb[0], rgb[1], rgb[2])) << x << "," << y;
    }
    EXPECT_NE(shot.pixelColor(19, 15), shot.pixelColor(20, 15)) << "nothing left of the picture";
    for (QScrollBar* bar : viewer.Widget()->findChildren<QScrollBar*>())
        EXPECT_FALSE(bar->isVisible());
}

TEST_F(ViewerOnScreen, ScrollBarsMoveThePicture)
{
    Show(640, 480);
    CSize page = viewer.PageSize();
    EXPECT_EQ(page.cx, Area()->width()) << "the window's page is the drawn area";
    QScrollBar* horizontal = nullptr;
    for (QScrollBar* bar : viewer.Widget()->findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Horizontal)
            horizontal = bar;
    ASSERT_NE(horizontal, nullptr);
    EXPECT_TRUE(horizontal->isVisible());
    horizontal->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(viewer.ScrollPosition().x, std::min<LONG>(page.cx, 640 - page.cx));
    QImage shot = Area()->grab().toImage();
    uint8_t rgb[3];
    BlendAt(int(viewer.ScrollPosition().x), 0, rgb);
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(rgb[0], rgb[1], rgb[2]));
}

TEST_F(ViewerOnScreen, APageIsTheAreaInsideTheMenuAndScrollBarsAtEverySize)
{
    Show(640, 480);
    for (CRect placed : {CRect(40, 40, 400, 300), CRect(10, 10, 250, 200)}) {
        viewer.MoveWindow(placed);
        QApplication::processEvents();
        EXPECT_EQ(viewer.ClientSize(), CSize(Area()->width(), Area()->height()));
        EXPECT_LT(Area()->height(), placed.Height());
        EXPECT_EQ(viewer.PageSize(), viewer.ClientSize());
    }
}

TEST_F(ViewerOnScreen, CloseBoxHidesIt)
{
    viewer.Widget()->close();
    QApplication::processEvents();
    EXPECT_TRUE(viewer.ClosedByUser());
    EXPECT_FALSE(viewer.IsWindowVisible());
    EXPECT_FALSE(viewer.Widget()->isVisible());
}

} // namespace

int main(int argc, char** argv)
{
    RegisterSnapvoStrings();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
