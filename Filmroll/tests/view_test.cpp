// The strip as it looks: drawn into an image at 1x and 2x.
#include "Filmdll.h"
#include "Filmicon.h"
#include "Filmview.h"
#include "film_test_util.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <filesystem>

namespace {

QColor Rgb(COLORREF c)
{
    return QColor(int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff));
}

} // namespace

TEST(FilmView, DrawsBandHolesFramesAndMarksAtEveryScale)
{
    ScopedTestUi ui;
    ScratchDir dir;
    std::string roll = dir / "film";
    std::filesystem::create_directories(roll);
    WriteFile(roll + "/img1.bmp", MakeBmp(16, 12, 0xff));
    WriteFile(roll + "/film.ini", std::string("[images]\nlocation1 = img1.bmp\nlocation2 = img2.bmp\n"));
    RecordingUser user;
    FILM_Initialize(roll.c_str());
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    CFilmSnapDlg& w = *TheFilmDLL()->Window();
    FilmPaintPlan plan = w.PaintPlan();
    CRect client;
    w.GetClientRect(&client);

    for (int scale : {1, 2}) {
        QImage image(int(client.Width()) * scale, int(client.Height()) * scale, QImage::Format_RGB32);
        {
            QPainter p(&image);
            p.scale(scale, scale);
            PaintFilmStrip(p, w);
        }
        if (const char* out = std::getenv("FILMROLL_VIEW_PNG"))
            image.save(QString(out) + QString::number(scale) + ".png");
        auto at = [&](int x, int y) { return image.pixelColor(x * scale + scale / 2, y * scale + scale / 2); };
        const CRect& hole = plan.holes[0];
        EXPECT_EQ(at(int(hole.left + hole.right) / 2, int(hole.top + hole.bottom) / 2), Rgb(kHoleFill)) << scale;
        // Between the frames the band is black.
        CRect f0 = w.ControlRect(w.Frame(0)), f1 = w.ControlRect(w.Frame(1));
        EXPECT_EQ(at(int(f0.right + f1.left) / 2, int(f0.top + f0.bottom) / 2), QColor(Qt::black)) << scale;
        // The first frame shows its white picture; the second's file is missing.
        EXPECT_EQ(at(int(f0.left + f0.right) / 2, int(f0.top + f0.bottom) / 2), QColor(Qt::white)) << scale;
        EXPECT_NE(at(int(f1.left + f1.right) / 2, int(f1.top + f1.bottom) / 2), QColor(Qt::white)) << scale;
        // The selected frame's green mark, 2 pixels outside it.
        EXPECT_EQ(at(int(f0.left + f0.right) / 2, int(f0.top) - 2), Rgb(kMarkSelected)) << scale;
        EXPECT_EQ(at(int(client.right) - 3, 2), Rgb(GetSysColor(COLOR_MENU))) << scale;
    }
    FILM_CloseDialog();
    FILM_Uninitialize();
}

TEST(FilmView, ClosingFromTheWidgetsOwnHandlersIsSafe)
{
    ScopedTestUi ui;
    ScratchDir dir;
    std::string roll = dir / "film";
    RecordingUser user;
    FILM_Initialize(roll.c_str());
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    CFilmSnapDlg* w = TheFilmDLL()->Window();
    ASSERT_NE(w->View(), nullptr);
    QWidget* shown = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == "Film Roll")
            shown = top;
    ASSERT_NE(shown, nullptr);
    shown->close();   // the close box: saves, then the library closes the window
    EXPECT_EQ(TheFilmDLL()->Window(), nullptr);
    EXPECT_TRUE(FileExists(roll + "/film.ini"));
    ASSERT_EQ(FILM_OpenDialog(&user), 1);   // frees the closed window object
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FILM_CloseDialog();
    FILM_Uninitialize();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(FilmView, IconIsAStripOfFilmAtEverySize)
{
    QIcon icon = FilmRollIcon();
    for (int size : {16, 32, 64})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    for (int size : {32, 64}) {   // 32 at 1x and at 2x
        QImage image = icon.pixmap(QSize(size, size)).toImage();
        ASSERT_EQ(image.width(), size);
        if (const char* out = std::getenv("FILMROLL_VIEW_PNG"))
            image.save(QString(out) + "icon" + QString::number(size) + ".png");
        auto at = [&](double x, double y) { return image.pixelColor(int(x * size), int(y * size)); };
        EXPECT_EQ(at(0.01, 0.01).alpha(), 0) << size;              // clear around the strip
        EXPECT_EQ(at(0.5, 0.9).alpha(), 0) << size;
        EXPECT_LT(at(0.5, 0.25).lightness(), 60) << size;           // the strip's dark edge
        EXPECT_GT(at(0.03 + 0.94 / 12, 0.26).lightness(), 150) << size;  // its first hole
        QColor sky = at(0.15, 0.36);
        EXPECT_GT(sky.blue(), sky.red() + 60) << size;              // a picture on it
    }
}

TEST(FilmView, MinimisedWindowDrawsOnlyItsIconAtEveryScale)
{
    ScopedTestUi ui;
    ScratchDir dir;
    RecordingUser user;
    FILM_Initialize((dir / "film").c_str());
    ASSERT_EQ(FILM_OpenDialog(&user), 1);
    CFilmSnapDlg& w = *TheFilmDLL()->Window();
    QWidget* shown = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == "Film Roll")
            shown = top;
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->windowIcon().isNull());

    w.OnMinimize(true);
    for (int scale : {1, 2}) {
        QImage image(100 * scale, 60 * scale, QImage::Format_RGB32);
        image.fill(QColor(1, 2, 3));   // what lies under a hollow background
        {
            QPainter p(&image);
            p.scale(scale, scale);
            PaintFilmStrip(p, w);
        }
        auto at = [&](int x, int y) { return image.pixelColor(x * scale, y * scale); };
        EXPECT_EQ(at(0, 0), QColor(1, 2, 3)) << scale;
        EXPECT_EQ(at(50, 40), QColor(1, 2, 3)) << scale;              // no menu-colour fill
        EXPECT_LT(at(1 + 16, 1 + 8).lightness(), 60) << scale;       // the icon at (1, 1)
    }
    w.OnMinimize(false);
    EXPECT_FALSE(w.PaintPlan().iconic);
    FILM_CloseDialog();
    FILM_Uninitialize();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
