#include "framework/QtProgram.h"

#include "framework/DocView.h"
#include "framework/UiService.h"

#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

int g_signalPipe[2] = {-1, -1};
struct sigaction g_previous {};

void OnTerminateSignal(int)
{
    // Only the byte: everything else happens on the user-interface thread.
    // The interrupted code may be about to read errno: leave it as it was.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminateSignalWatch::TerminateSignalWatch()
{
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = &OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_watching = sigaction(SIGTERM, &action, &g_previous) == 0;
    if (!m_watching)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (onSignal)
            onSignal();
    });
}

TerminateSignalWatch::~TerminateSignalWatch()
{
    m_notifier.reset();
    if (m_watching)
        sigaction(SIGTERM, &g_previous, nullptr);
    for (int& fd : g_signalPipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

void CloseWhenNoBoxIsOpen(std::function<CFrameWnd*()> frame)
{
    if (Ui().OpenMessageBoxes() > 0) {
        Ui().PressDefaultButton();
        QTimer::singleShot(10, [frame = std::move(frame)]() mutable { CloseWhenNoBoxIsOpen(std::move(frame)); });
        return;
    }
    if (CFrameWnd* f = frame(); f && f->m_hWnd)
        f->Close();
}
