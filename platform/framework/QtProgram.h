// What every program's life under Qt shares: SIGTERM turned into a close on
// the user-interface thread, done as File > Exit does once no box is open.
#pragma once

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
