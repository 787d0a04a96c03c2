// capture-demo: shows the live picture of a camera (the test pattern when no
// other camera is found) and records a few seconds with sound, for a person
// to look at.
//   capture-demo                      live picture; buttons record, copy, dialogs
//   capture-demo --record 3 out.avi   records 3 seconds and exits
#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "framework/UiService.h"
#include "framework/WinApp.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

capture::CaptureWindow* g_window = nullptr;
QLabel* g_status = nullptr;
bool g_quitWhenDone = false;

LRESULT OnError(HWND, int id, LPCSTR text)
{
    std::fprintf(stderr, "capture-demo: error %d: %s\n", id, text);
    if (g_status)
        g_status->setText(QString("Error: %1").arg(text));
    return TRUE;
}

LRESULT OnStatus(HWND, int id, LPCSTR text)
{
    CAPSTATUS s{};
    g_window->GetStatus(&s, sizeof s);
    std::printf("capture-demo: %s (%u frames, %u dropped, %u ms)\n", text, unsigned(s.dwCurrentVideoFrame),
                unsigned(s.dwCurrentVideoFramesDropped), unsigned(s.dwCurrentTimeElapsedMS));
    if (g_status)
        g_status->setText(text);
    if (id == IDS_CAP_END && g_quitWhenDone)
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    return TRUE;
}

class DemoApp : public CWinApp {
public:
    int seconds = 0;
    std::string file = "capture-demo.avi";

    BOOL InitInstance() override
    {
        m_window = std::make_unique<capture::CaptureWindow>(nullptr);
        g_window = m_window.get();
        m_window->SetCallbackOnError(OnError);
        m_window->SetCallbackOnStatus(OnStatus);
        if (!ConnectCamera())
            return FALSE;
        BuildWidgets();
        if (seconds > 0) {
            g_quitWhenDone = true;
            Record(seconds);
        }
        return TRUE;
    }
    int ExitInstance() override
    {
        // Widgets go before the application object that Run owns.
        m_live.stop();
        if (m_view)
            m_view->Attach(nullptr);
        m_main.reset();
        g_status = nullptr;
        m_window.reset();
        return CWinApp::ExitInstance();
    }

private:
    bool ConnectCamera()
    {
        for (WORD i = 0; i < kCapMaxDrivers; ++i) {
            char name[400], version[400];
            if (capGetDriverDescription(i, name, sizeof name, version, sizeof version))
                std::printf("driver %u: %s, %s\n", unsigned(i), name, version);
        std::fflush(stdout);
        }
        for (WORD i = 0; i < kCapMaxDrivers; ++i)
            if (m_window->DriverConnect(i))
                return true;
        std::fprintf(stderr, "capture-demo: no camera connects\n");
        return false;
    }

    void BuildWidgets()
    {
        m_main = std::make_unique<QWidget>();
        m_main->setWindowTitle("capture-demo");
        auto* layout = new QVBoxLayout(m_main.get());
        m_view = new capture::CaptureView(m_main.get());
        m_view->setMinimumSize(320, 240);
        m_view->Attach(m_window.get());
        layout->addWidget(m_view, 1);
        auto* buttons = new QHBoxLayout;
        auto add = [&](const char* text, auto action) {
            auto* b = new QPushButton(text, m_main.get());
            QObject::connect(b, &QPushButton::clicked, action);
            buttons->addWidget(b);
        };
        add("Record 3 s", [this] { Record(3); });
        add("Stop", [this] { m_window->CaptureStop(); });
        add("Source...", [this] { m_window->DlgVideoSource(); });
        add("Format...", [this] { m_window->DlgVideoFormat(); });
        add("Copy", [this] { m_window->EditCopy(); });
        add("Save BMP", [this] { m_window->FileSaveDIB("capture-demo.bmp"); });
        layout->addLayout(buttons);
        g_status = new QLabel("Live", m_main.get());
        layout->addWidget(g_status);
        QObject::connect(&m_live, &QTimer::timeout, [this] {
            if (!m_window->IsCapturing())
                m_window->GrabFrameNoStop();
        });
        m_live.start(33);
        m_main->resize(480, 420);
        m_main->show();
    }

    void Record(int forSeconds)
    {
        CAPTUREPARMS p{};
        m_window->CaptureGetSetup(&p, sizeof p);
        p.dwRequestMicroSecPerFrame = 1000000 / 15;
        p.fYield = TRUE;
        p.fCaptureAudio = TRUE;
        p.fLimitEnabled = TRUE;
        p.wTimeLimit = UINT(forSeconds);
        m_window->CaptureSetSetup(&p, sizeof p);
        m_window->FileSetCaptureFile(file.c_str());
        if (!m_window->CaptureSequence() && g_quitWhenDone)
            QTimer::singleShot(0, [] { QCoreApplication::exit(1); });
    }

    std::unique_ptr<capture::CaptureWindow> m_window;
    std::unique_ptr<QWidget> m_main;
    capture::CaptureView* m_view = nullptr;
    QTimer m_live;
};

}  // namespace

int main(int argc, char** argv)
{
    DemoApp app;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
            app.seconds = std::max(1, std::atoi(argv[++i]));
            if (i + 1 < argc)
                app.file = argv[++i];
        }
    }
    return app.Run(argc, argv);
}
