// The program as it looks: started offscreen, its main window painted at one
// and two device pixels per pixel (kept as PNG files for a person to look at)
// and checked where a fault would show: blank or missing tool bar pictures,
// the button off the picture's foot, the status line gone.
#include "snapvo_test_util.h"

#include "BarPictures.h"
#include "Settings.h"
#include "resource.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QWidget>

#include <iostream>
#include <set>

using namespace snapvo_test;

namespace {

int RunProgram(const std::function<void(CSnapvoApp&)>& whileRunning)
{
    SetSnapvoRunningHook(whileRunning);
    char name[] = "snapvo32";
    char* argv[] = {name, nullptr};
    const int code = SnapvoMain(1, argv);
    SetSnapvoRunningHook(nullptr);
    return code;
}

QImage Paint(QWidget* widget, qreal ratio)
{
    QImage image(widget->size() * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    widget->render(&image);
    return image;
}

std::filesystem::path ShotFolder()
{
    const auto dir = std::filesystem::temp_directory_path() / "snapvo-look";
    std::filesystem::create_directories(dir);
    return dir;
}

void Save(const QImage& image, const char* name)
{
    const auto path = ShotFolder() / name;
    image.save(QString::fromStdString(path.string()));
    std::cout << "picture: " << path << "\n";
}

// Opaque pixels of a picture at that many device pixels per pixel.
int InkedPixels(const QIcon& icon, qreal ratio, QIcon::Mode mode = QIcon::Normal)
{
    const QImage image = icon.pixmap(QSize(kBarPictureSize, kBarPictureSize), ratio, mode).toImage();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += qAlpha(image.pixel(x, y)) > 0;
    return inked;
}

void Settle(CSnapvoApp& app)
{
    for (int i = 0; i < 5; ++i) {
        app.OnIdle(0);
        QApplication::processEvents();
    }
}

TEST(SnapvoLook, StripsHoldOneSharpPictureForEachButton)
{
    int argc = 1;
    char name[] = "look";
    char* argv[] = {name, nullptr};
    QApplication qt(argc, argv);
    for (UINT strip : {IDB_TOOLBAR, IDB_TOOLBAR_MAIL}) {
        std::set<QByteArray> seen;
        for (int i = 0; i < BarStripCount(strip); ++i) {
            const QIcon icon = BarStripPicture(strip, i);
            const int one = InkedPixels(icon, 1), two = InkedPixels(icon, 2);
            EXPECT_GT(one, kBarPictureSize * kBarPictureSize / 8) << strip << " " << i;
            // Drawn afresh at twice the pixels, not a blown-up copy of too few.
            EXPECT_GE(two, 3 * one) << strip << " " << i;
            EXPECT_EQ(icon.pixmap(QSize(24, 24), 2.0).size(), QSize(48, 48));
            const QImage image = icon.pixmap(QSize(24, 24), 1.0).toImage();
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        EXPECT_EQ(int(seen.size()), BarStripCount(strip)) << "two buttons share a picture in " << strip;
        EXPECT_TRUE(BarStripPicture(strip, BarStripCount(strip)).isNull());
    }
    // Without the mail button its picture is not in the strip: the ones after it move up.
    EXPECT_EQ(BarStripCommand(IDB_TOOLBAR, 3), ID_CAMERA_ADJUSTMENTS);
    EXPECT_EQ(BarStripCommand(IDB_TOOLBAR_MAIL, 3), ID_SEND_MAIL);

    QImage big(320, 240, QImage::Format_ARGB32);
    big.fill(Qt::magenta);
    QPainter p(&big);
    DrawNoCameraPicture(p, QRectF(0, 0, 320, 240));
    p.end();
    EXPECT_EQ(big.pixel(0, 0), QColor(0x22, 0x25, 0x2a).rgb());   // fills its whole area
    EXPECT_EQ(big.pixel(319, 239), QColor(0x22, 0x25, 0x2a).rgb());
    Save(big, "no-camera.png");
}

struct Looked {
    int pictures = 0;
    QStringList tips;
    QRect picture, button, view;
    QString status;
    bool statusShown = false;
    QSize shot1, shot2;
};

TEST(SnapvoLook, TheMainWindowShowsPicturesButtonAndStatus)
{
    WorkingFolder folder("snapvo-look");
    capture::DriverCatalog::Install({{capture::kTestPatternDescription, capture::kTestPatternVersion,
                                      [] { return std::make_unique<QuietableCamera>(); }}});
    snapvo::ResetSettingsForTest();
    Looked seen;
    RunProgram([&seen](CSnapvoApp& app) {
        auto* window = qobject_cast<QMainWindow*>(app.MainFrame()->Widget());
        ASSERT_NE(window, nullptr);
        Settle(app);
        auto* bar = window->findChild<QToolBar*>();
        ASSERT_NE(bar, nullptr);
        for (QAction* action : bar->actions()) {
            if (action->isSeparator())
                continue;
            seen.pictures += !action->icon().isNull();
            seen.tips << action->toolTip();
        }
        QWidget* camera = app.View()->Camera()->Widget();
        seen.picture = QRect(camera->mapTo(window, QPoint(0, 0)), camera->size());
        auto* button = window->findChild<QPushButton*>();
        seen.button = QRect(button->mapTo(window, QPoint(0, 0)), button->size());
        QWidget* view = window->centralWidget();
        seen.view = QRect(view->mapTo(window, QPoint(0, 0)), view->size());
        seen.status = window->statusBar()->findChild<QLabel*>()->text();
        seen.statusShown = window->statusBar()->isVisible();
        const QImage one = Paint(window, 1), two = Paint(window, 2);
        seen.shot1 = one.size();
        seen.shot2 = two.size();
        Save(one, "main-1x.png");
        app.View()->ExecuteCommand(ID_TAKE_PICTURE);
        QApplication::processEvents();
        app.View()->Viewer().MoveWindow(0, 0, 260, 200);
        if (QWidget* viewer = app.View()->Viewer().Widget())
            Save(Paint(viewer, 1), "viewer-1x.png");
        Save(two, "main-2x.png");
        app.MainFrame()->Close();
    });
    capture::DriverCatalog::UseSystem();

    EXPECT_EQ(seen.pictures, seen.tips.size());
    EXPECT_GE(seen.pictures, BarStripCount(IDB_TOOLBAR));
    EXPECT_TRUE(seen.tips.contains("Send to Film Roll")) << seen.tips.join(", ").toStdString();
    EXPECT_TRUE(seen.tips.contains("Image Size and Quality"));
    // The whole picture shows, with the button centred under it, inside the view.
    EXPECT_EQ(seen.picture.size(), QSize(160, 120));
    EXPECT_TRUE(seen.view.contains(seen.picture)) << seen.picture.y() << " in " << seen.view.y();
    EXPECT_GT(seen.picture.top(), seen.view.top());   // not against the tool bar
    EXPECT_TRUE(seen.view.contains(seen.button));
    EXPECT_GT(seen.button.top(), seen.picture.bottom());
    EXPECT_LE(std::abs(seen.button.center().x() - seen.picture.center().x()), 1);
    EXPECT_EQ(seen.status, "Ready");
    EXPECT_TRUE(seen.statusShown);
    EXPECT_EQ(seen.shot2, seen.shot1 * 2);
}

// Pixels of `area` (in widget pixels) that show the colour painted under the window.
int MagentaIn(const QImage& image, const QRect& area)
{
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels(area.topLeft() * ratio, area.size() * ratio);
    int n = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            n += image.pixel(x, y) == QColor(Qt::magenta).rgb();
    return n;
}

TEST(SnapvoLook, TheSliderAndTheIndicatorsSitUnderThePicture)
{
    WorkingFolder folder("snapvo-look-indicators");
    capture::DriverCatalog::Install({{capture::kTestPatternDescription, capture::kTestPatternVersion,
                                      [] { return std::make_unique<QuietableCamera>(); }}});
    snapvo::ResetSettingsForTest();
    QRect picture, button, slider;
    std::vector<QRect> indicators;
    int magenta1 = -1, magenta2 = -1;
    int sliderPos = 0;
    WORD brightness = 0;
    RunProgram([&](CSnapvoApp& app) {
        auto* window = qobject_cast<QMainWindow*>(app.MainFrame()->Widget());
        ASSERT_NE(window, nullptr);
        CSnapvoView* view = app.View();
        view->SelfTimerDisplay().Show(CCountdown{GetTickCount(), 7});
        view->AutoCaptureDisplay().Show();
        Settle(app);
        QWidget* central = window->centralWidget();
        QWidget* camera = view->Camera()->Widget();
        picture = camera->geometry();
        button = central->findChild<QPushButton*>()->geometry();
        auto* qtSlider = central->findChild<QSlider*>();
        ASSERT_NE(qtSlider, nullptr);
        ASSERT_TRUE(qtSlider->isVisible());
        slider = qtSlider->geometry();
        // A step of the user's reaches the camera through the logic.
        qtSlider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        sliderPos = qtSlider->value();
        brightness = view->Camera()->GetBrightness();
        for (QLabel* label : central->findChildren<QLabel*>())
            if (label->isVisible() && !label->pixmap().isNull())
                indicators.push_back(label->geometry());
        const QImage one = Paint(central, 1), two = Paint(central, 2);
        magenta1 = magenta2 = 0;
        for (const QRect& r : indicators) {
            magenta1 += MagentaIn(one, r);
            magenta2 += MagentaIn(two, r);
        }
        Save(two, "indicators-2x.png");
        app.MainFrame()->Close();
    });
    capture::DriverCatalog::UseSystem();

    EXPECT_GT(slider.top(), picture.bottom());
    EXPECT_LE(slider.right(), button.left());
    EXPECT_EQ(sliderPos, 129);
    EXPECT_EQ(brightness, 129);
    ASSERT_EQ(indicators.size(), 2u);
    for (const QRect& r : indicators) {
        EXPECT_GT(r.top(), button.bottom());
        EXPECT_FALSE(r.intersects(slider));
    }
    EXPECT_EQ(magenta1, 0);
    EXPECT_EQ(magenta2, 0);
}

TEST(SnapvoLook, WithoutACameraTheViewShowsItsPictureWhereTheCamerasWouldBe)
{
    WorkingFolder folder("snapvo-look-none");
    capture::DriverCatalog::Install({});
    snapvo::ResetSettingsForTest();
    ScopedTestUi ui;   // answers the no-camera box
    QRect empty, shown;
    RunProgram([&](CSnapvoApp& app) {
        auto* window = qobject_cast<QMainWindow*>(app.MainFrame()->Widget());
        Settle(app);
        const CRect r = app.View()->EmptyPictureRect();
        empty = QRect(int(r.left), int(r.top), int(r.Width()), int(r.Height()));
        for (QWidget* child : window->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible() && !qobject_cast<QPushButton*>(child))
                shown = child->geometry();
        Save(Paint(window, 1), "main-no-camera-1x.png");
        app.MainFrame()->Close();
    });
    capture::DriverCatalog::UseSystem();
    EXPECT_EQ(empty.size(), QSize(168, 128));
    EXPECT_EQ(shown, empty);
    ASSERT_FALSE(ui->boxes.empty());
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
