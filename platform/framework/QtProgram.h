// What every program's life under Qt shares: SIGTERM turned into a close on
// the user-interface thread, done as File > Exit does once no box is open,
// and the idle pace that keeps the live picture fresh without spinning.
#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>

class CFrameWnd;
class QSocketNotifier;

// Watches for SIGTERM from construction to destruction, then puts the
// previous handler back. Each signal (or burst of them) runs `onSignal`, when
// one is set, on the user-interface thread; the handler itself only writes a
// byte. Needs a Qt application.
class TerminateSignalWatch {
public:
    TerminateSignalWatch();
    ~TerminateSignalWatch();
    TerminateSignalWatch(const TerminateSignalWatch&) = delete;
    TerminateSignalWatch& operator=(const TerminateSignalWatch&) = delete;

    // Set while the program's objects live; cleared before they go.
    std::function<void()> onSignal;
    bool Watching() const { return m_watching; }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_watching = false;
};

// Closes the frame `frame` names as File > Exit does. A message box still
// open holds a nested loop whose caller would find its windows gone: each is
// answered with its default button first, and the close tried again shortly.
void CloseWhenNoBoxIsOpen(std::function<CFrameWnd*()> frame);

// How one program runs: `App` is its application object (Run, OnIdle,
// MainFrame and onWindowsReady).
template <class App>
struct ProgramRun {
    std::function<void(App&)> onWindowsReady;   // its widgets, once its windows exist
    std::function<void()> dropWindows;          // its widgets gone, before the application
    std::function<void(App&)> running;          // once it runs (tests drive it from here)
    int idlePaceMs = 50;
};

// The program's whole life under Qt: a Qt application unless one runs,
// SIGTERM closing it as File > Exit does, idle passes at a steady pace.
template <class App>
int RunQtProgram(int argc, char** argv, const ProgramRun<App>& run)
{
    std::unique_ptr<QApplication> qt;
    if (!QCoreApplication::instance())
        qt = std::make_unique<QApplication>(argc, argv);
    // Made before the program's objects and gone after them: a signal while
    // they are torn down finds the pipe, not the default handler.
    TerminateSignalWatch terminate;
    int code = 0;
    {
        App app;
        app.onWindowsReady = run.onWindowsReady;
        terminate.onSignal = [&app] { CloseWhenNoBoxIsOpen([&app]() -> CFrameWnd* { return app.MainFrame(); }); };
        QTimer pace;
        QObject::connect(&pace, &QTimer::timeout, [&app] { app.OnIdle(0); });
        pace.start(run.idlePaceMs);
        QTimer::singleShot(0, [&app, &run] {
            if (run.running && app.MainFrame())
                run.running(app);
        });
        code = app.Run(argc, argv);
        pace.stop();
        terminate.onSignal = nullptr;
        if (run.dropWindows)
            run.dropWindows();
    }
    return code;
}
