#include "Mtmbox.h"

#include "framework/StringTable.h"

MTimedMessageBox::MTimedMessageBox(const char* text, UINT type, UINT helpId, unsigned short timeout)
    : m_text(text), m_type(type), m_helpId(helpId), m_timeout(timeout)
{
}

MTimedMessageBox::~MTimedMessageBox()
{
    if (m_pending)
        m_pending->AbortMessage(this);
}

void MTimedMessageBox::PostCheck() { m_pending = MCallback::GPost(this, 0); }

int MTimedMessageBox::DoModal()
{
    if (m_timeout) {
        m_timer.Initialize(this, m_timeout, nullptr);
        m_timer.Start();
    }
    m_boxesBefore = Ui().OpenMessageBoxes();
    m_boxDepth = 0;
    if (m_timeout)
        PostCheck();
    const int result = Ui().MessageBox(nullptr, m_text, AfxGetAppName(), m_type, m_helpId);
    m_timer.Stop();
    if (m_pending) {
        m_pending->AbortMessage(this);
        m_pending = nullptr;
    }
    return result;
}

void MTimedMessageBox::VCallbackUserOnMessage(unsigned)
{
    m_pending = nullptr;
    const int open = Ui().OpenMessageBoxes();
    if (open <= m_boxesBefore)
        PostCheck();   // not up yet
    else
        m_boxDepth = m_boxesBefore + 1;
}

void MTimedMessageBox::MTimerUserOnTimer(void*)
{
    // Pressed only when ours is the box in front; otherwise the next tick tries again.
    if (m_boxDepth && Ui().OpenMessageBoxes() == m_boxDepth && Ui().PressDefaultButton())
        m_timer.Stop();
}

int OrbMessageBox(const char* text, unsigned type, unsigned helpId, unsigned short timeout)
{
    MTimedMessageBox box(text, type, helpId, timeout);
    return box.DoModal();
}
