#include "Displays.h"

void CIndicatorPlace::Place(const CRect& area)
{
    if (area == m_area)
        return;
    m_area = area;
    Changed();
}

void CIndicatorPlace::Changed() const
{
    if (onChanged)
        onChanged();
}

void CSelfTimerDisplay::Show(const CCountdown& countdown)
{
    m_countdown = countdown;
    m_remaining = countdown.seconds;
    m_shown = true;
    Changed();
}

void CSelfTimerDisplay::Hide()
{
    m_shown = false;
    Changed();
}

void CSelfTimerDisplay::Redraw(DWORD remaining)
{
    m_remaining = remaining;
    Changed();
}

void CSelfTimerDisplay::ShowDelay(DWORD seconds)
{
    if (m_delayShown && m_delay == seconds)
        return;
    m_delayShown = true;
    m_delay = seconds;
    Changed();
}

void CSelfTimerDisplay::HideDelay()
{
    if (!m_delayShown)
        return;
    m_delayShown = false;
    Changed();
}

void CAutoCaptureDisplay::Show()
{
    m_shown = true;
    m_frame = 0;
    Changed();
}

void CAutoCaptureDisplay::Hide()
{
    m_shown = false;
    Changed();
}

void CAutoCaptureDisplay::Animate()
{
    m_frame = (m_frame + 1) % kAutoCaptureFrames;
    Changed();
}
