// The program on screen: Qt, the widgets that show the frame and the view,
// and the end of the program by SIGTERM, which closes it as File > Exit does.
#include "About.h"
#include "BarPictures.h"
#include "MainFrm.h"
#include "SnapvoApp.h"
#include "SnapvoView.h"
#include "framework/CommandLine.h"
#include "framework/QtFrame.h"
#include "framework/QtProgram.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>


#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>

namespace {

std::function<void(CSnapvoApp&)> g_runningHook;

QString ToolTip(unsigned id)
{
    switch (id) {
    case ID_SEND_FILMROLL: return "Send to Film Roll";
    case ID_SEND_FILE: return "Send to File";
    case ID_SEND_CLIPBOARD: return "Send to Clipboard";
    case ID_SEND_MAIL: return "Send to AOL Mail";
    case ID_CAMERA_ADJUSTMENTS: return "Camera Adjustments";
    case ID_IMAGE_SIZE: return "Image Size and Quality";
    default: return QString::number(id);
    }
}

// Without a camera: bitmap 230 in a sunken frame where the picture would be.
class NoCameraPicture : public QWidget {
public:
    NoCameraPicture(CSnapvoView& view, QWidget* parent) : QWidget(parent), m_view(view)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        parent->installEventFilter(this);
        Follow();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // The view lays itself out when it hears of the resize, after this.
        if (event->type() == QEvent::Resize)
            QMetaObject::invokeMethod(this, [this] { Follow(); }, Qt::QueuedConnection);
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRect r = rect();
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        if (m_view.PictureBitmap() == IDB_NO_CAMERA)
            DrawNoCameraPicture(p, QRectF(r.adjusted(4, 4, -4, -4)));
    }

private:
    void Follow()
    {
        const CRect& r = m_view.EmptyPictureRect();
        setGeometry(int(r.left), int(r.top), int(r.Width()), int(r.Height()));
        show();
        update();
    }
    CSnapvoView& m_view;
};

// The widgets of one run, made once the logic's windows exist.
struct Screen {
    std::unique_ptr<QtFrameWindow> frame;
    QLabel* countdown = nullptr;
    QLabel* autoCapture = nullptr;
};

// An indicator of the view: a label showing its picture where the view placed
// it, drawn for the screen's pixels on the view's own background.
template <typename Display>
QLabel* ShowIndicator(Display& display, QWidget* viewWidget, std::function<QImage(int, QColor)> picture)
{
    auto* label = new QLabel(viewWidget);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->hide();
    display.onChanged = [&display, label = QPointer<QLabel>(label), picture = std::move(picture)] {
        if (!label)
            return;
        const CRect& r = display.Area();
        label->setGeometry(int(r.left), int(r.top), int(r.Width()), int(r.Height()));
        const int ratio = std::max(1, int(std::ceil(label->devicePixelRatioF())));
        const QColor background = label->parentWidget()->palette().color(QPalette::Window);
        label->setPixmap(QPixmap::fromImage(picture(ratio, background)));
        label->setVisible(display.IsVisible());
        label->raise();
    };
    display.onChanged();
    return label;
}

void ShowWindows(CSnapvoApp& app, Screen& screen)
{
    CMainFrame* frame = app.MainFrame();
    CSnapvoView* view = app.View();
    screen.frame = std::make_unique<QtFrameWindow>(*frame, &ToolTip, &BarStripPicture);
    screen.frame->ShowToolBar(frame->ToolBar());
    screen.frame->ShowStatusBar(frame->StatusBar());
    // The frame has no sizing border: nothing to grip.
    screen.frame->statusBar()->setSizeGripEnabled(false);
    screen.frame->ShowButton(view->TakePictureButton());
    if (CLumivex* camera = view->Camera())
        camera->CreateView(screen.frame->ViewWidget());
    else
        new NoCameraPicture(*view, screen.frame->ViewWidget());
    // The bars and menu on screen take their own room: fit the frame again
    // around the picture now that it is known.
    screen.frame->SyncViewGeometry();
    view->FitFrameToPicture();
    screen.frame->SyncViewGeometry();
    screen.frame->ShowSlider(view->BrightnessSlider());
    QWidget* area = screen.frame->ViewWidget();
    screen.countdown = ShowIndicator(view->SelfTimerDisplay(), area, [view](int ratio, QColor background) {
        return CountdownPicture(int(view->SelfTimerDisplay().ShownSeconds()), background, ratio);
    });
    screen.autoCapture = ShowIndicator(view->AutoCaptureDisplay(), area, [view](int ratio, QColor background) {
        return AutoCapturePicture(view->AutoCaptureDisplay().Frame(), background, ratio);
    });
}

}  // namespace

int CAboutDlg::ShowModalWidget()
{
    QMessageBox box;
    box.setWindowTitle("About Snapvo");
    box.setText(QString("Snapvo\n") + QString::fromLocal8Bit(VersionLine().GetString()));
    QFont font = box.font();
    font.setWeight(QFont::Weight(FontWeight()));
    box.setFont(font);
    box.exec();
    return IDOK;
}

int CFullScreenDlg::ShowModalWidget()
{
    QMessageBox box;
    box.setWindowTitle("Full Screen Mode Warning");
    box.setText(kText);
    auto* check = new QCheckBox("Don't show me this message again");
    box.setCheckBox(check);
    box.exec();
    m_bDontShow = check->isChecked() ? TRUE : FALSE;
    return IDOK;
}

void SetSnapvoRunningHook(std::function<void(CSnapvoApp&)> hook) { g_runningHook = std::move(hook); }

int SnapvoMain(int argc, char** argv)
{
    // Answered before Qt starts: they need no display.
    RegisterSnapvoStrings();
    const CString version = LoadStringText(IDS_VERSION_NUMBER);
    const ProgramInfo info{"snapvo32", version.GetString(),
                           "Snapvo: the still-picture camera program (live view, self timer, film roll)."};
    if (AnswerInfoOption(argc, argv, info, std::cout))
        return 0;

    Screen screen;
    ProgramRun<CSnapvoApp> run;
    run.onWindowsReady = [&screen](CSnapvoApp& app) { ShowWindows(app, screen); };
    run.dropWindows = [&screen] { screen.frame.reset(); };
    run.running = g_runningHook;
    // Live pictures without spinning: the idle refresh at a steady pace.
    run.idlePaceMs = 50;
    return RunQtProgram(argc, argv, run);
}
