#include "Displays.h"

namespace {
void Tell(const std::function<void()>& changed)
{
    if (changed)
        changed();
}
}  // namespace

void CSelfTimerDisplay::Show(const CCountdown& countdown)
{
    m_countdown = countdown;
    m_remaining = countdown.seconds;
    m_shown = true;
    Tell(onChanged);
}

void CSelfTimerDisplay::Hide()
{
    m_shown = false;
    Tell(onChanged);
}

void CSelfTimerDisplay::Redraw(DWORD remaining)
{
    m_remaining = remaining;
    Tell(onChanged);
}

void CSelfTimerDisplay::ShowDelay(DWORD seconds)
{
    if (m_delayShown && m_delay == seconds)
        return;
    m_delayShown = true;
    m_delay = seconds;
    Tell(onChanged);
}

void CSelfTimerDisplay::HideDelay()
{
    if (!m_delayShown)
        return;
    m_delayShown = false;
    Tell(onChanged);
}

void CAutoCaptureDisplay::Show()
{
    m_shown = true;
    m_frame = 0;
    Tell(onChanged);
}

void CAutoCaptureDisplay::Hide()
{
    m_shown = false;
    Tell(onChanged);
}

void CAutoCaptureDisplay::Animate()
{
    m_frame = (m_frame + 1) % 8;
    Tell(onChanged);
}
