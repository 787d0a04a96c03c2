#include "framework/Keys.h"
#include "framework/QtPlacement.h"
#include "framework/QtWnd.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include "framework/QtUiService.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

struct KeyApp : CWinApp {
    std::vector<WPARAM> consumed;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN && msg->wParam == 'F' && GetKeyState(VK_CONTROL) < 0) {
            consumed.push_back(msg->wParam);
            return TRUE;
        }
        return FALSE;
    }
};

TEST(QtWindow, WidgetFollowsTheWindowAndItsInputArrivesAsMessages)
{
    int argc = 1;
    char name[] = "qt_window_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    KeyApp app;
    QWidget widget;
    CQtWnd window;
    window.Create(nullptr, "Viewer", 0, CRect(10, 20, 170, 140));
    int framed = 0;
    window.OnMessage(WM_NCCALCSIZE, [&](WPARAM, LPARAM) { ++framed; return LRESULT(0); });
    window.AttachWidget(&widget);
    EXPECT_EQ(widget.geometry(), QRect(10, 20, 160, 120));
    EXPECT_EQ(widget.windowTitle(), "Viewer");
    EXPECT_FALSE(widget.isVisible());
    // Shown, the window gets a frame (the offscreen platform draws a thin one):
    // the frame's outside stays on the window's rectangle, and the window hears
    // that its client area changed.
    window.ShowWindow(SW_SHOWNORMAL);
    EXPECT_TRUE(widget.isVisible());
    QCoreApplication::processEvents();
    PumpMessages();
    const QMargins frame = widget.windowHandle()->frameMargins();
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(widget.frameGeometry(), QRect(10, 20, 160, 120));
    EXPECT_EQ(widget.geometry(), QRect(10, 20, 160, 120) - frame);
    EXPECT_EQ(framed, 1);
    CRect r;
    window.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(10, 20, 170, 140));
    window.MoveWindow(CRect(0, 0, 320, 240));
    QCoreApplication::processEvents();
    EXPECT_EQ(widget.frameGeometry(), QRect(0, 0, 320, 240));
    window.EnableWindow(FALSE);
    EXPECT_FALSE(widget.isEnabled());
    window.EnableWindow(TRUE);

    std::vector<WPARAM> keys;
    std::vector<LPARAM> clicks;
    window.OnMessage(WM_KEYDOWN, [&](WPARAM vk, LPARAM) { keys.push_back(vk); return LRESULT(0); });
    window.OnMessage(WM_RBUTTONDOWN, [&](WPARAM, LPARAM at) { clicks.push_back(at); return LRESULT(0); });

    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QCoreApplication::sendEvent(&widget, &space);
    QKeyEvent ctrlF(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier, "f");
    QCoreApplication::sendEvent(&widget, &ctrlF);
    EXPECT_EQ(keys, (std::vector<WPARAM>{VK_SPACE}));
    EXPECT_EQ(app.consumed, (std::vector<WPARAM>{'F'}));

    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 7), QPointF(5, 7), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &right);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(LOWORD(clicks[0]), 5);
    EXPECT_EQ(HIWORD(clicks[0]), 7);

    widget.resize(200, 100);   // a user resize comes back to the window, frame and all
    window.GetWindowRect(&r);
    EXPECT_EQ(r.Size(), CSize(200 + frame.left() + frame.right(), 100 + frame.top() + frame.bottom()));

    // A shown window keeps the place it was given; the user's move comes back
    // as the frame's outer corner, so the next run puts it back there.
    window.MoveWindow(CRect(40, 50, 240, 150));
    QCoreApplication::processEvents();
    window.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(40, 50, 240, 150));
    EXPECT_EQ(widget.frameGeometry(), QRect(40, 50, 200, 100));
    widget.move(60, 70);
    QCoreApplication::processEvents();
    window.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(60, 70, 260, 170));
    EXPECT_EQ(framed, 1);

    // Brought to the front by the window system: the active window.
    CWnd other;
    other.Create(nullptr, "Other", 0, CRect(0, 0, 10, 10));
    other.SetActiveWindow();
    std::vector<WPARAM> activations;
    window.OnMessage(WM_ACTIVATE, [&](WPARAM state, LPARAM) { activations.push_back(state); return LRESULT(0); });
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&widget, &activate);
    EXPECT_EQ(CWnd::GetActiveWindow(), &window);
    other.SetActiveWindow();
    EXPECT_EQ(activations, (std::vector<WPARAM>{WA_ACTIVE, WA_INACTIVE}));
    window.DestroyWindow();
}

// Plays the user at the file dialog: types `name` and presses Save, then
// answers every box that comes up with its default button, noting its text.
struct FileDialogUser {
    QStringList names;   // typed and confirmed in turn, one each time the dialog is up
    QStringList boxes;
    int typed = 0;       // times the dialog asked for a name
    bool accepting = false;
    // Before the first name: the extra button pressed, and where it stood.
    bool pressExtra = false;
    bool extraBesideName = false;
    QTimer timer;

    explicit FileDialogUser(QString typedName) : FileDialogUser(QStringList{std::move(typedName)}) {}
    explicit FileDialogUser(QStringList typedNames, bool pressExtraButton = false)
        : names(std::move(typedNames)), pressExtra(pressExtraButton)
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { Act(); });
        timer.start(5);
    }
    void Act()
    {
        QWidget* top = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(top)) {
            boxes << box->text();
            box->defaultButton() ? box->defaultButton()->click() : box->reject();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(top)) {
            if (accepting)   // our Save is still on its way
                return;
            if (typed >= names.size()) {   // asked again: give up
                ++typed;
                dialog->reject();
                return;
            }
            if (pressExtra)
                PressExtra(*dialog);
            const QString name = names[typed++];
            dialog->selectFile(name);
            // selectFile leaves the name field alone while it has the focus, so
            // whether the name arrived would depend on timing: type it there.
            if (auto* field = dialog->findChild<QLineEdit*>("fileNameEdit"))
                field->setText(name);
            accepting = true;
            QMetaObject::invokeMethod(
                dialog,
                [this, dialog] {
                    accepting = false;
                    static_cast<QDialog*>(dialog)->accept();
                },
                Qt::QueuedConnection);
        }
    }
    void PressExtra(QFileDialog& dialog)
    {
        pressExtra = false;
        auto* button = dialog.findChild<QPushButton*>("extraButton");
        auto* field = dialog.findChild<QLineEdit*>("fileNameEdit");
        if (!button || !field)
            return;
        const QRect b(button->mapTo(&dialog, QPoint()), button->size());
        const QRect f(field->mapTo(&dialog, QPoint()), field->size());
        extraBesideName = button->isVisible() && b.left() >= f.right() && b.top() < f.bottom() && f.top() < b.bottom();
        button->click();
    }
};

TEST(QtWindow, FileDialogsFollowTheirFlags)
{
    int argc = 1;
    char name[] = "qt_window_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    QtUiService ui;
    const auto dir = std::filesystem::temp_directory_path() / ("qt-file-dialog-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const QString existing = QString::fromStdString((dir / "there.bmp").string());
    std::ofstream(existing.toStdString()) << "x";

    FileDialogRequest request;
    request.save = true;
    request.filter = "Bitmap files|*.bmp||";
    request.defaultExt = ".bmp";
    {
        // Asked before overwriting; the box's default keeps the file.
        FileDialogUser user(existing);
        request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        ui.GetFileName(request);
        EXPECT_EQ(user.boxes.size(), 1);
    }
    {
        // Told not to ask: taken at once.
        FileDialogUser user(existing);
        request.flags = OFN_HIDEREADONLY;
        EXPECT_TRUE(ui.GetFileName(request));
        EXPECT_TRUE(user.boxes.isEmpty());
        EXPECT_EQ(QString::fromLocal8Bit(request.fileName.GetString()), existing);
    }
    {
        // A typed name without its type gets it, as the dialog's default.
        FileDialogUser user(QString::fromStdString((dir / "fresh").string()));
        request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        EXPECT_TRUE(ui.GetFileName(request));
        EXPECT_EQ(std::string(request.fileName.GetString()), (dir / "fresh.bmp").string());
    }
    {
        // A folder that is not there: refused, and the dialog asks again.
        FileDialogUser user(QString::fromStdString((dir / "absent" / "x.bmp").string()));
        EXPECT_FALSE(ui.GetFileName(request));
        EXPECT_GE(user.typed, 2);
    }
    std::filesystem::remove_all(dir);
}

TEST(QtWindow, FileDialogExtraButtonRunsBesideTheNameAndARefusedNameKeepsTheDialogOpen)
{
    int argc = 1;
    char name[] = "qt_window_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    QtUiService ui;
    const auto dir = std::filesystem::temp_directory_path() / ("qt-extra-button-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const QString refused = QString::fromStdString((dir / "keep.avi").string());
    const QString taken = QString::fromStdString((dir / "other.avi").string());

    FileDialogRequest request;
    request.save = true;
    request.filter = "VFW|*.avi||";
    request.defaultExt = "avi";
    request.extraButton = "Compression";
    int presses = 0;
    std::vector<std::string> asked;
    request.onExtraButton = [&] { ++presses; };
    request.validate = [&](const char* path) {
        asked.push_back(path);
        return std::filesystem::path(path).filename() == "keep.avi" ? CString("Not this one.") : CString();
    };
    FileDialogUser user(QStringList{refused, taken}, true);
    ASSERT_TRUE(ui.GetFileName(request));
    EXPECT_EQ(QString::fromLocal8Bit(request.fileName.GetString()), taken);
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(user.extraBesideName);
    EXPECT_EQ(user.typed, 2);
    EXPECT_EQ(user.boxes, QStringList{"Not this one."});
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked.front(), refused.toStdString());
    std::filesystem::remove_all(dir);
}

} // namespace

namespace {

TEST(QtPlacement, KeepsEveryTitleBarWhereItCanBeGrabbed)
{
    const CSize screen(1024, 768);
    const struct {
        CRect stored;
        CRect placed;
    } rows[] = {
        {CRect(5, 5, 400, 300), CRect(5, 5, 400, 300)},                // on screen: as it is
        {CRect(100, -40, 500, 260), CRect(100, 0, 500, 300)},           // title above the top
        {CRect(100, 900, 500, 1200), CRect(100, 736, 500, 1036)},       // below the bottom
        {CRect(-300, 50, 100, 350), CRect(-300, 50, 100, 350)},         // mostly off the left, grip left
        {CRect(-500, 50, -100, 350), CRect(-336, 50, 64, 350)},         // wholly off the left
        {CRect(2000, 50, 2400, 350), CRect(960, 50, 1360, 350)},        // wholly off the right
        {CRect(10, 10, 40, 40), CRect(10, 10, 40, 40)},                 // narrower than a grip
    };
    for (const auto& row : rows) {
        const CRect placed = KeepTitleBarOnScreen(row.stored, screen);
        EXPECT_EQ(placed, row.placed) << row.stored.left << "," << row.stored.top;
    }
}

}  // namespace
