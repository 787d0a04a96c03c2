// CWinApp::Run: the framework's message queue served by the Qt event loop.
#include "framework/Clock.h"
#include "framework/StringTable.h"
#include "framework/WinApp.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {

class QtMessagePump : public QObject {
public:
    explicit QtMessagePump(CWinApp& app) : m_app(app)
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &QtMessagePump::Drain);
        m_idle.setInterval(0);
        connect(&m_idle, &QTimer::timeout, this, &QtMessagePump::Idle);
        qApp->installEventFilter(this);
        s_pump.store(this);
        s_wakePending.store(false);
        SetMessageLoopHooks(MessageLoopHooks{&QtMessagePump::Wake, &QtMessagePump::Block});
        StartIdle();
    }

    ~QtMessagePump() override
    {
        SetMessageLoopHooks(MessageLoopHooks{});
        s_pump.store(nullptr);
        qApp->removeEventFilter(this);
    }

    void Drain()
    {
        s_wakePending.store(false);
        // A modal loop further in is peeking for its own messages.
        if (IsInModalWait()) {
            ArmTimer();
            return;
        }
        bool any = false;
        MSG msg;
        while (!IsInModalWait() && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                qApp->exit(int(msg.wParam));
                return;
            }
            any = true;
            if (!m_app.PreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
        ArmTimer();
        if (any)
            StartIdle();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::WindowActivate:
            StartIdle();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // One wake-up event at a time: a burst of posts from a timer thread makes
    // one Qt event, not one each.
    static void Wake()
    {
        QtMessagePump* pump = s_pump.load();
        if (pump && !s_wakePending.exchange(true))
            QMetaObject::invokeMethod(pump, [pump] { pump->Drain(); }, Qt::QueuedConnection);
    }

    static void Block() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

    void ArmTimer()
    {
        DWORD due;
        if (!NextTimerDue(due)) {
            m_timer.stop();
            return;
        }
        int32_t wait = int32_t(due - GetTickCount());
        m_timer.start(wait > 0 ? wait : 0);
    }

    void StartIdle()
    {
        m_idleCount = 0;
        if (!m_idle.isActive())
            m_idle.start();
    }

    void Idle()
    {
        if (PostedMessageCount() > 0) {
            Drain();
            return;
        }
        if (!m_app.OnIdle(m_idleCount++))
            m_idle.stop();
    }

    CWinApp& m_app;
    QTimer m_timer;
    QTimer m_idle;
    LONG m_idleCount = 0;
    static std::atomic<QtMessagePump*> s_pump;
    static std::atomic<bool> s_wakePending;
};

std::atomic<QtMessagePump*> QtMessagePump::s_pump{nullptr};
std::atomic<bool> QtMessagePump::s_wakePending{false};

} // namespace

int CWinApp::Run(int argc, char** argv)
{
    std::unique_ptr<QApplication> owned;
    if (!QCoreApplication::instance())
        owned = std::make_unique<QApplication>(argc, argv);
    if (argc > 0 && m_pszExeName.IsEmpty()) {
        QFileInfo exe(QString::fromLocal8Bit(argv[0]));
        m_pszExeName = exe.completeBaseName().toLocal8Bit().constData();
    }
    if (m_pszProfileName.IsEmpty())
        m_pszProfileName = m_pszExeName + ".INI";
    if (m_pszAppName.IsEmpty()) {
        m_pszAppName = m_pszExeName;
        AfxSetAppName(m_pszAppName);
    }

    QtMessagePump pump(*this);
    int code = 0;
    if (InitInstance()) {
        // Drained inside the loop: a quit posted by InitInstance must find it running.
        QTimer::singleShot(0, &pump, [&pump] { pump.Drain(); });
        m_exitCode = QCoreApplication::exec();
        code = ExitInstance();
    } else {
        code = ExitInstance();
    }
    return code;
}
