// The movie program on screen: Qt, the widgets that show the frame and the
// view, the tool bar's pictures, the About box, and the end of the program by
// SIGTERM, which closes it as File > Exit does.
#include "CaptureWnd.h"
#include "ReelixAbout.h"
#include "ReelixApp.h"
#include "ReelixFrame.h"
#include "ReelixView.h"
#include "framework/CommandLine.h"
#include "framework/QtFrame.h"
#include "framework/QtProgram.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>


#include <iostream>
#include <memory>

namespace {

std::function<void(CReelixApp&)> g_runningHook;

QString ToolTip(unsigned id)
{
    switch (id) {
    case ID_FILE_OPEN: return "Open";
    case ID_FILE_SAVE_AS: return "Save As";
    case ID_EDIT_COPY: return "Copy";
    case ID_FUNCTION_RECORD: return "Record";
    case ID_FUNCTION_PLAYBACK: return "Playback";
    case ID_CAMERA_ADJUSTMENTS: return "Camera Adjustments";
    case ID_IMAGE_SIZE: return "Image Size and Quality";
    default: return QString::number(id);
    }
}

constexpr int kPictureSize = 24;

void DrawBarPicture(QPainter& p, int index)
{
    const QColor ink(0x20, 0x30, 0x50), accent(0x2f, 0x5f, 0xb3);
    p.setPen(QPen(ink, 1.2));
    switch (index) {
    case 0:   // Open: a folder
        p.setBrush(QColor(0xe8, 0xc0, 0x50));
        p.drawRect(QRectF(3, 7, 18, 12));
        p.drawRect(QRectF(3, 5, 7, 3));
        break;
    case 1:   // Save As: a disk
        p.setBrush(accent);
        p.drawRect(QRectF(4, 4, 16, 16));
        p.fillRect(QRectF(7, 12, 10, 7), Qt::white);
        break;
    case 2:   // Copy: two sheets
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 3, 11, 14));
        p.drawRect(QRectF(9, 7, 11, 14));
        break;
    case 3:   // Record: the red dot
        p.setBrush(QColor(0xd0, 0x20, 0x20));
        p.drawEllipse(QRectF(5, 5, 14, 14));
        break;
    case 4: {   // Playback: the play triangle
        QPainterPath play;
        play.moveTo(7, 5);
        play.lineTo(19, 12);
        play.lineTo(7, 19);
        play.closeSubpath();
        p.setBrush(QColor(0x30, 0xa0, 0x40));
        p.drawPath(play);
        break;
    }
    case 5:   // Camera Adjustments: a camera
        p.setBrush(QColor(0x50, 0x50, 0x58));
        p.drawRect(QRectF(3, 7, 18, 12));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(9, 9, 7, 7));
        break;
    default:   // Image Size and Quality: a framed picture
        p.setBrush(QColor(0x8e, 0xc9, 0xff));
        p.drawRect(QRectF(3, 5, 18, 14));
        p.fillRect(QRectF(4, 13, 16, 5), QColor(0x4c, 0xa8, 0x3c));
        break;
    }
}

QIcon BarPicture(unsigned bitmapId, int index)
{
    if (bitmapId != IDR_MAINFRAME || index < 0 || index > 6)
        return QIcon();
    QIcon icon;
    for (int ratio : {1, 2}) {
        QImage image(kPictureSize * ratio, kPictureSize * ratio, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        image.setDevicePixelRatio(ratio);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        DrawBarPicture(p, index);
        p.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

// The widgets of one run, made once the logic's windows exist.
struct Screen {
    std::unique_ptr<QtFrameWindow> frame;
};

void ShowWindows(CReelixApp& app, Screen& screen)
{
    CMainFrame* frame = app.MainFrame();
    CReelixView* view = app.View();
    screen.frame = std::make_unique<QtFrameWindow>(*frame, &ToolTip, &BarPicture);
    screen.frame->ShowToolBar(frame->ToolBar());
    screen.frame->ShowStatusBar(frame->StatusBar());
    // The frame has no sizing border: nothing to grip.
    screen.frame->statusBar()->setSizeGripEnabled(false);
    screen.frame->ShowButton(view->RecordButton());
    screen.frame->ShowSlider(view->BrightnessSlider());
    if (CLumivex* camera = view->Camera())
        camera->CreateView(screen.frame->ViewWidget());
    // The bars and menu on screen take their own room: fit the frame again
    // around the video now that it is known, wide enough for every menu.
    int bars = screen.frame->menuBar()->sizeHint().width();
    if (auto* toolBar = screen.frame->findChild<QToolBar*>())
        bars = std::max(bars, toolBar->sizeHint().width());
    // The status line's longest prompt reads whole too.
    constexpr int kStatusMargins = 16;
    const QFontMetrics status(screen.frame->statusBar()->font());
    for (UINT id : {IDS_PRESS_TO_RECORD, IDS_RECORDING, IDS_PRESS_TO_PLAY, IDS_PRESS_TO_STOP})
        bars = std::max(bars, status.horizontalAdvance(QString::fromLocal8Bit(LoadStringText(id).GetString())) +
                                  kStatusMargins);
    view->SetBarsWidth(bars);
    screen.frame->SyncViewGeometry();
    view->FitFrameToVideo();
    screen.frame->SyncViewGeometry();
}

void DrawAboutPicture(QPainter& p, const QSize& size)
{
    p.fillRect(QRect(QPoint(0, 0), size), QColor(0x1d, 0x3d, 0x78));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPointSize(18);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, "Velmora Reelix");
}

// Ctrl+Shift+J anywhere in the About box opens the picture over it.
class PictureKey : public QObject {
public:
    explicit PictureKey(CReelixAboutDlg& about) : m_about(about) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        const UINT letter = key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z ? UINT(key->key()) : 0;
        if (!CReelixAboutDlg::OpensPicture(letter, mods & Qt::ControlModifier, mods & Qt::ShiftModifier))
            return false;
        m_about.ShowPicture();
        return true;
    }

private:
    CReelixAboutDlg& m_about;
};

}  // namespace

int CReelixAboutDlg::ShowModalWidget()
{
    QDialog box;
    box.setWindowTitle("About Velmora Reelix");
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel("Velmora Reelix"));
    layout->addWidget(new QLabel(QString::fromLocal8Bit(VersionLine().GetString())));
    auto* ok = new QPushButton("OK");
    layout->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    PictureKey key(*this);
    box.installEventFilter(&key);
    for (QObject* child : box.findChildren<QWidget*>())
        child->installEventFilter(&key);
    box.exec();
    return IDOK;
}

int CReelixPictureDlg::ShowModalWidget()
{
    QDialog box;
    box.setWindowTitle("Velmora Reelix");
    const CSize size = PictureSize();
    QImage image(int(size.cx), int(size.cy), QImage::Format_RGB32);
    QPainter p(&image);
    DrawAboutPicture(p, image.size());
    p.end();
    auto* label = new QLabel(&box);
    label->setPixmap(QPixmap::fromImage(image));
    label->setFixedSize(image.size());
    box.setFixedSize(image.size());
    box.exec();
    return IDOK;
}

void SetReelixRunningHook(std::function<void(CReelixApp&)> hook) { g_runningHook = std::move(hook); }

int ReelixMain(int argc, char** argv)
{
    // Answered before Qt starts: they need no display.
    RegisterReelixStrings();
    const CString version = LoadStringText(IDS_VERSION_NUMBER);
    const ProgramInfo info{"reelix32", version.GetString(),
                           "Velmora Reelix: the movie camera program (live view, recording, playback, saving)."};
    if (AnswerInfoOption(argc, argv, info, std::cout))
        return 0;

    Screen screen;
    ProgramRun<CReelixApp> run;
    run.onWindowsReady = [&screen](CReelixApp& app) { ShowWindows(app, screen); };
    run.dropWindows = [&screen] { screen.frame.reset(); };
    run.running = g_runningHook;
    // Live pictures without spinning: the idle refresh at a steady pace.
    run.idlePaceMs = int(CReelixApp::kPreviewIntervalMs);
    return RunQtProgram(argc, argv, run);
}
